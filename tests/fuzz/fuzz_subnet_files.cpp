// Arbitrary bytes through the whole run, subnet files included, all in
// memory, in both grammars. A subnet file read back in the grammar it was
// written in must hold exactly its subnet: one subnet, with the same
// transitions and as many places.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/by_format.h"
#include "formats/input_text.h"
#include "formats/subnet_plan.h"
#include "formats/tokens.h"
#include "tests/fuzz/fuzz_net.h"

namespace {

// Few subnets per input keep executions fast; the first ones see every path.
constexpr int32_t kMaxFiles = 64;

// False for the two inputs whose subnet files the format itself keeps from
// reading back as their subnets: a name that is both a place and a transition
// (an arc entry may create either kind, so dropping lines can turn a later
// declaration into a duplicate), and a braced name cut short by a CR with more
// on its line (a rewritten place line puts a space behind it, which the
// unclosed name then takes in).
bool ReadsBack(std::string_view text, const vantira::NetStore& s, const vantira::NameIndex& index) {
  for (int32_t p = 1; p <= s.m; ++p) {
    if (index.transitions.Find(s.PlaceName(p), vantira::HashName(s.PlaceName(p))) != 0) return false;
  }
  for (std::size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1)) {
    for (std::size_t i = cr + 1; text[i] != '\n'; ++i) {
      if (!vantira::IsBlankChar(text[i])) return false;
    }
  }
  return true;
}

// A drawing's subnet file is checked only when it is still told to be one:
// its first record may be one whose key is glued to its first field.
void CheckReadBack(std::string text, vantira::Grammar grammar, const vantira::fuzz::Analysed& net, int32_t k) {
  using namespace vantira;
  if (RecognizeFile(text) != net.format) return;
  const NetStore& s = net.store;
  const SubnetMap& map = net.map;
  int32_t transitions = 0;
  int32_t places = 0;
  for (int32_t p = 1; p <= s.m; ++p) places += map.SX[p] == k || map.SY[p] == k || map.SQ[p] == k;
  std::optional<fuzz::Analysed> back;
  GrammarHint hint;
  try {
    back.emplace(text, grammar, hint);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "subnet file %d: %s", k, failure.Message().c_str());
    FUZZ_CHECK(!"a subnet file reads without failure");
  }
  FUZZ_CHECK(back->map.iSubNet == 1);
  for (int32_t t = 1; t <= s.n; ++t) {
    if (map.SubNet[t] != k) continue;
    ++transitions;
    FUZZ_CHECK(back->index.transitions.Find(s.TransitionName(t), HashName(s.TransitionName(t))) != 0);
  }
  FUZZ_CHECK(back->store.n == transitions && back->store.m == places);
}

void WriteAndReadBack(std::string text, vantira::Grammar grammar) {
  using namespace vantira;
  try {
    GrammarHint hint;
    fuzz::Analysed net(text, grammar, hint);
    const SubnetMap& map = net.map;
    SubnetPlan plan;
    PlanByFormat(net.format, grammar, text, net.index, map, plan);
    const bool reads_back = ReadsBack(text, net.store, net.index);
    Output file;
    for (int32_t k = 1; k <= std::min(map.iSubNet, kMaxFiles); ++k) {
      file.Clear();
      plan.Write(k, file);
      // As in the program: the file before the failing line, then the failure.
      if (plan.FailureMet()) throw *plan.FailureMet();
      if (reads_back) CheckReadBack(std::string(file.Text()), grammar, net, k);
    }
  } catch (const Failure& failure) {
    fuzz::CheckFailure(failure);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (vantira::Grammar grammar : vantira::fuzz::kGrammars) WriteAndReadBack(text, grammar);
  return 0;
}
