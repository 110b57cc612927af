// Arbitrary bytes through the whole run, subnet files included, all in
// memory, in both grammars. A subnet file read back in the grammar it was
// written in must hold exactly its subnet: one subnet, with the same
// transitions and arcs and as many places.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "formats/by_format.h"
#include "formats/input_text.h"
#include "planners/plan_by_format.h"
#include "planners/subnet_plan.h"
#include "tests/fuzz/fuzz_net.h"

namespace {

// Few subnets per input keep executions fast; the first ones see every path.
constexpr int32_t kMaxFiles = 64;

// False for the line-format inputs whose subnet files the format keeps from
// reading back as their subnets: a name that is both a place and a transition
// (an arc entry may create either kind, so dropping lines can turn a later
// declaration into a duplicate).
bool NetReadsBack(const vantira::NetStore& s, const vantira::NameIndex& index) {
  for (int32_t p = 1; p <= s.m; ++p) {
    if (index.transitions.Find(s.PlaceName(p), vantira::HashName(s.PlaceName(p))) != 0) return false;
  }
  return true;
}

// False for PNML whose node elements come from an entity's replacement text:
// the reference they share goes to every file that keeps one of them.
bool PnmlReadsBack(const vantira::NetLayout& layout) {
  const auto& records = layout.records;
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (records[i].begin == records[i - 1].begin && records[i].route == vantira::NetLayout::Route::kFollows) {
      return false;
    }
  }
  return true;
}

// The arcs of the transitions `in` accepts, by name and direction, each once.
template <typename In>
std::set<std::string> ArcsByName(const vantira::NetStore& s, In in) {
  std::set<std::string> arcs;
  for (int32_t t = 1; t <= s.n; ++t) {
    if (!in(t)) continue;
    for (int32_t i = s.tx[t]; i < s.tx[t + 1]; ++i) {
      std::string arc(i < s.ty[t] ? "in " : "out ");
      arcs.insert(arc.append(s.PlaceName(s.at[i])).append(1, '\0').append(s.TransitionName(t)));
    }
  }
  return arcs;
}

// A drawing's subnet file is checked only when it is still told to be one:
// its first record may be one whose key is glued to its first field.
void CheckReadBack(std::string text, vantira::Grammar grammar, const vantira::fuzz::Analysed& net, int32_t k) {
  using namespace vantira;
  if (RecognizeFile(text) != net.format) return;
  const NetStore& s = net.store;
  const SubnetMap& map = net.map;
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
  FUZZ_CHECK(back->map.iSubNet == 1 && back->store.m == places);
  // The same transitions, by name (a file may number them in another order).
  std::vector<std::string_view> want;
  std::vector<std::string_view> got;
  for (int32_t t = 1; t <= s.n; ++t) {
    if (map.SubNet[t] == k) want.push_back(s.TransitionName(t));
  }
  for (int32_t t = 1; t <= back->store.n; ++t) got.push_back(back->store.TransitionName(t));
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  FUZZ_CHECK(want == got);
  // And each of them with the arcs it has in the net, in their directions.
  FUZZ_CHECK(ArcsByName(back->store, [](int32_t) { return true; }) ==
             ArcsByName(s, [&](int32_t t) { return map.SubNet[t] == k; }));
}

void WriteAndReadBack(std::string text, vantira::Grammar grammar) {
  using namespace vantira;
  try {
    GrammarHint hint;
    fuzz::Analysed net(text, grammar, hint);
    const SubnetMap& map = net.map;
    SubnetPlan plan;
    PlanByFormat(net.format, grammar, text, net.layout, map, plan);
    const bool reads_back =
        net.format == Format::kPnml ? PnmlReadsBack(net.layout) : NetReadsBack(net.store, net.index);
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
