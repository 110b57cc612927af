// The minimal semiflows of A.x = 0, x >= 0 are the extreme rays of that cone,
// which 4ti2's `rays` computes on its own, by other means: on random systems
// shaped like nets' incidence, both answers must be the same set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "semiflows/semiflows.h"
#include "tests/semiflows/reference.h"
#include "tests/semiflows/semiflow_checks.h"

using namespace vantira;
using namespace vantira::testing;

namespace {

std::string FindRays() {
  for (const char* name : {"4ti2-rays", "rays"}) {
    if (std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0) return name;
  }
  return {};
}

// The incidence (post minus pre, weights 1 or 2) of a random net, places by
// transitions.
Dense RandomIncidence(std::mt19937& random, int places, int transitions) {
  Dense c(static_cast<std::size_t>(places), std::vector<int64_t>(static_cast<std::size_t>(transitions), 0));
  std::uniform_int_distribution<int> place(0, places - 1), side(1, 3), weight(1, 5);
  for (int t = 0; t < transitions; ++t) {
    for (int sign : {-1, 1}) {
      for (int k = side(random); k > 0; --k) c[place(random)][t] += sign * (weight(random) == 5 ? 2 : 1);
    }
  }
  return c;
}

Dense Transposed(const Dense& a, int cols) {
  Dense t(static_cast<std::size_t>(cols), std::vector<int64_t>(a.size()));
  for (std::size_t r = 0; r < a.size(); ++r)
    for (int c = 0; c < cols; ++c) t[c][r] = a[r][c];
  return t;
}

// 4ti2's rays of {x >= 0 : A.x = 0}, each row as text.
std::vector<std::vector<int64_t>> OutsideRays(const std::string& rays, const std::filesystem::path& base,
                                              const Dense& a, int variables) {
  std::ofstream mat(base.string() + ".mat"), sign(base.string() + ".sign");
  mat << a.size() << " " << variables << "\n";
  for (const auto& row : a) {
    for (int64_t value : row) mat << value << " ";
    mat << "\n";
  }
  sign << "1 " << variables << "\n";
  for (int v = 0; v < variables; ++v) sign << "1 ";
  sign << "\n";
  mat.close();
  sign.close();
  std::filesystem::remove(base.string() + ".ray");
  const std::string command = rays + " -q " + base.string() + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(base.string() + ".ray");
  std::size_t count = 0, width = 0;
  in >> count >> width;
  std::vector<std::vector<int64_t>> out(count, std::vector<int64_t>(width));
  for (auto& row : out)
    for (auto& value : row) in >> value;
  return out;
}

}  // namespace

TEST(MinimalSemiflows, EqualsTheExtremeRaysOf4ti2OnRandomNets) {
  const std::string rays = FindRays();
  if (rays.empty()) GTEST_SKIP() << "4ti2 is not installed (its rays command): the comparison with it is skipped";
  const auto dir = std::filesystem::temp_directory_path() / ("vantira_rays_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::mt19937 random(2029);
  std::size_t compared = 0;
  for (int round = 0; round < 25; ++round) {
    const int places = std::uniform_int_distribution<int>(3, 14)(random);
    const int transitions = std::uniform_int_distribution<int>(3, 14)(random);
    const Dense c = RandomIncidence(random, places, transitions);
    // P-semiflows: y.C = 0, the places the variables; T-semiflows: C.x = 0.
    for (const auto& [a, variables] : {std::pair{Transposed(c, transitions), places}, std::pair{c, transitions}}) {
      const SparseSystem s = FromDense(a, variables);
      SemiflowOptions options;
      if (round % 2 == 1) options.tree_cost = 0;  // the tree's test, every other round
      const SemiflowResult result = MinimalSemiflows(s, options);
      ASSERT_TRUE(result.complete);
      ASSERT_EQ(AnswerFaults(s, result), "");
      auto ours = ToDense(result, variables), theirs = OutsideRays(rays, dir / "system", a, variables);
      std::sort(ours.begin(), ours.end());
      std::sort(theirs.begin(), theirs.end());
      ASSERT_EQ(ours, theirs) << "round " << round << ", " << variables << " variables";
      compared += ours.size();
    }
  }
  std::filesystem::remove_all(dir);
  EXPECT_GT(compared, 40u);
}
