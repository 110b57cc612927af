// vantira-semiflows: times MinimalSemiflows on one system read from a file,
// the reading left out of the time, for bench/semiflows.sh.
//
// Input: a 4ti2 matrix (NAME.mat: rows, columns, then the rows; a row is an
// equation, a column a variable) or a sparse system (NAME.sys: variables and
// equations, then one line per variable: its entry count, then equation and
// coefficient pairs; anything after that, such as the subnet lines that
// older files end with, is not read). Prints one line,
//   semiflows=N complete=0|1 seconds=S
// and with --rays FILE writes the semiflows as 4ti2 writes its rays (dense
// rows, sorted), so that the script can compare the sets.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "semiflows/semiflows.h"

using namespace vantira;

namespace {

bool ReadMat(std::ifstream& in, SparseSystem& s) {
  int64_t rows = 0, cols = 0;
  if (!(in >> rows >> cols)) return false;
  std::vector<std::vector<std::pair<int32_t, int64_t>>> columns(static_cast<std::size_t>(cols));
  for (int64_t r = 0; r < rows; ++r) {
    for (int64_t c = 0; c < cols; ++c) {
      int64_t value;
      if (!(in >> value)) return false;
      if (value != 0) columns[c].emplace_back(static_cast<int32_t>(r), value);
    }
  }
  s.variables = static_cast<int32_t>(cols);
  s.equations = static_cast<int32_t>(rows);
  s.start.assign(1, 0);
  for (const auto& column : columns) {
    for (const auto& [e, value] : column) {
      s.equation.push_back(e);
      s.coefficient.push_back(value);
    }
    s.start.push_back(static_cast<int64_t>(s.equation.size()));
  }
  return true;
}

bool ReadSys(std::ifstream& in, SparseSystem& s) {
  if (!(in >> s.variables >> s.equations)) return false;
  s.start.assign(1, 0);
  for (int32_t v = 0; v < s.variables; ++v) {
    int64_t count;
    if (!(in >> count)) return false;
    for (int64_t k = 0; k < count; ++k) {
      int32_t e;
      int64_t value;
      if (!(in >> e >> value) || e < 0 || e >= s.equations) return false;
      s.equation.push_back(e);
      s.coefficient.push_back(value);
    }
    s.start.push_back(static_cast<int64_t>(s.equation.size()));
  }
  return true;
}

void WriteRays(const SemiflowResult& result, int32_t variables, const char* path) {
  std::vector<std::string> rows;
  for (const auto& flow : result.semiflows) {
    std::vector<std::string> dense(static_cast<std::size_t>(variables), "0");
    for (std::size_t k = 0; k < flow.variables.size(); ++k) dense[flow.variables[k]] = flow.weights[k].ToString();
    std::string row;
    for (const auto& value : dense) row += value + " ";
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  std::ofstream out(path);
  for (const auto& row : rows) out << row << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  SemiflowOptions options;
  const char* rays = nullptr;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--threads" && i + 1 < argc) {
      options.threads = std::atoi(argv[++i]);
    } else if (arg == "--limit" && i + 1 < argc) {
      options.row_limit = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--rays" && i + 1 < argc) {
      rays = argv[++i];
    } else if (arg == "--no-contract") {
      options.contract = false;
    } else if (arg == "--tree-cost" && i + 1 < argc) {
      options.tree_cost = std::strtod(argv[++i], nullptr);
    } else if (arg == "--progress") {
      options.progress = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    } else {
      path = argv[i];
    }
  }
  if (path == nullptr) {
    std::fprintf(stderr,
                 "usage: vantira-semiflows [--threads N] [--limit ROWS] [--no-contract] "
                 "[--tree-cost C] [--rays FILE] [--progress] FILE.mat|FILE.sys\n");
    return 2;
  }
  std::ifstream in(path);
  SparseSystem system;
  const bool sparse = std::string_view(path).ends_with(".sys");
  if (!in || !(sparse ? ReadSys(in, system) : ReadMat(in, system))) {
    std::fprintf(stderr, "vantira-semiflows: cannot read %s\n", path);
    return 2;
  }
  const auto begin = std::chrono::steady_clock::now();
  const SemiflowResult result = MinimalSemiflows(system, options);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  std::printf("semiflows=%zu complete=%d seconds=%.4f\n", result.semiflows.size(), result.complete ? 1 : 0, seconds);
  if (!result.complete) std::fprintf(stderr, "stopped: %s\n", result.stopped_at.c_str());
  if (rays != nullptr) WriteRays(result, system.variables, rays);
  return 0;
}
