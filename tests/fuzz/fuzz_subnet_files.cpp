// Arbitrary bytes through the program's run with subnet files, in both
// grammars. A subnet file read back by the program in the grammar it was
// written in must hold exactly its subnet: one subnet, with the same
// transitions and arcs and as many places.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "driver/subnet_files.h"
#include "formats/recognize.h"
#include "tests/fuzz/fuzz_run.h"
#include "vantira-dot/json_report.h"

namespace {

using vantira_dot::NetReport;

// The files read back of an input's subnets (with every check on): the
// first ones see every path.
constexpr int32_t kMaxFiles = 64;

constexpr std::string_view kSubnetLine = "\n    {\"id\": ";

// A JSON report caught from standard output.
NetReport ReadJson(std::string text) {
  text.reserve(text.size() + vantira_dot::kJsonPadding);
  return vantira_dot::ReadJsonNet(text);
}

// The arcs of the transitions in `in` (all when empty), by name and
// direction, each once.
std::set<std::string> ArcsByName(const NetReport& report, const std::set<std::string>& in) {
  std::set<std::string> arcs;
  for (const NetReport::Arcs& arcs_of : report.arcs) {
    if (!in.empty() && !in.contains(arcs_of.transition)) continue;
    for (const auto* side : {&arcs_of.input, &arcs_of.output}) {
      for (const std::string& place : *side)
        arcs.insert((side == &arcs_of.input ? "in " : "out ") + place + '\0' + arcs_of.transition);
    }
  }
  return arcs;
}

std::size_t Places(const NetReport::Subnet& subnet) {
  return subnet.input.size() + subnet.internal.size() + subnet.output.size();
}

// False for the inputs whose subnet files the format keeps from reading
// back as their subnets: in the line formats, a name that is both a place
// and a transition (an arc entry may create either kind, so dropping lines
// can turn a later declaration into a duplicate); in PNML, node elements
// that may come from an entity's replacement text (the reference they share
// goes to every file that keeps one of them). Nor where two transitions'
// JSON names are the same.
bool ReadsBack(const std::string& input, vantira::Format format, const NetReport& report) {
  if (format == vantira::Format::kPnml) return input.find("<!ENTITY") == std::string::npos;
  std::unordered_set<std::string_view> transitions;
  for (const NetReport::Arcs& arcs : report.arcs) transitions.insert(arcs.transition);
  // Two names that differ only in bytes outside UTF-8 can be one JSON string
  // (each such byte is written as its Latin-1 character): then names do not
  // tell the transitions apart.
  if (transitions.size() != report.arcs.size()) return false;
  const auto is_transition = [&](const std::string& place) { return transitions.contains(place); };
  for (const NetReport::Arcs& arcs : report.arcs)
    for (const auto* side : {&arcs.input, &arcs.output})
      if (std::any_of(side->begin(), side->end(), is_transition)) return false;
  return std::none_of(report.isolated_places.begin(), report.isolated_places.end(), is_transition);
}

void CheckReadBack(const std::string& file, std::string_view e, const NetReport& net, std::size_t k) {
  const auto& w = vantira::fuzz::Workspace::Get();
  vantira::fuzz::Ran back = w.Run({e, "-j", w.Path(file)});
  if (back.status != 0) {
    std::fprintf(stderr, "subnet file %zu: %s", k, back.err.c_str());
    FUZZ_CHECK(!"a subnet file reads without failure");
  }
  const NetReport again = ReadJson(std::move(back.out));
  const NetReport::Subnet& subnet = net.subnets[k - 1];
  FUZZ_CHECK(again.subnets.size() == 1 && Places(again.subnets[0]) + again.isolated_places.size() == Places(subnet));
  // The same transitions, by name (a file may number them in another order).
  std::vector<std::string> want = subnet.transitions, got = again.subnets[0].transitions;
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  FUZZ_CHECK(want == got);
  // And each of them with the arcs it has in the net, in their directions.
  FUZZ_CHECK(ArcsByName(again, {}) == ArcsByName(net, std::set<std::string>(want.begin(), want.end())));
}

// Which subnet files an execution reads back: each (up to kMaxFiles), the
// one a number picks, or none.
struct ReadBack {
  bool every = false;
  std::optional<std::size_t> choice;
};

// The subnet files of the input in one grammar, and the read-back of the
// ones `reads` picks.
void WriteAndReadBack(const std::string& input, bool wide, ReadBack reads) {
  const auto& w = vantira::fuzz::Workspace::Get();
  const std::string_view e = wide ? "-e" : "-v";
  // The reports go to standard output, already caught in memory: a report
  // file would cost each execution its own open, write and removal. A
  // failure met while writing the subnet files comes after the whole report;
  // any other leaves standard output empty.
  vantira::fuzz::Ran ran = w.Run({e, "-j", "-z", w.Path("z"), w.Path("in")});
  std::string json = std::exchange(ran.out, {});
  FUZZ_CHECK(ran.status == 0 || json.empty() || (json.starts_with("{\n") && json.ends_with("\n}\n")));
  // The run's subnet files, found in one pass over the folder, and removed
  // before the next run.
  std::set<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(w.Path("")))
    if (entry.path().filename().string().starts_with("z-z")) written.insert(entry.path().filename().string());
  const auto remove_written = [&] {
    for (const std::string& file : written) w.Remove(file);
  };
  // The NUPN block a subnet file cannot keep is told once, on its own line.
  if (ran.err.starts_with("vantira: the subnet files hold no NUPN block: ")) ran.err.erase(0, ran.err.find('\n') + 1);
  vantira::fuzz::CheckOutcome(ran, true, wide);
  if (ran.status != 0) return remove_written();
  const vantira::Format format = vantira::RecognizeFile(input);
  // Without a read-back only the subnets' count is needed: each subnet is
  // the one line of the report that starts with {"id": (no JSON string
  // holds a newline), so the report is not parsed. Where it is, the count
  // must agree with it.
  std::size_t subnets = 0;
  for (std::size_t at = json.find(kSubnetLine); at != std::string::npos; at = json.find(kSubnetLine, at + 1)) ++subnets;
  const bool reading = reads.every || reads.choice;
  std::optional<NetReport> net;
  if (reading) {
    net = ReadJson(std::move(json));
    FUZZ_CHECK(net->subnets.size() == subnets);
  }
  // One file for each subnet, and no other.
  std::set<std::string> named;
  for (std::size_t k = 1; k <= subnets; ++k)
    named.insert(vantira::SubnetFileName("z", static_cast<int32_t>(k), vantira::FormatExtension(format)));
  FUZZ_CHECK(written == named);
  if (!reading) return remove_written();
  const bool reads_back = ReadsBack(input, format, *net);
  const std::size_t files = std::min(subnets, std::size_t{kMaxFiles});
  const std::size_t pick = reads.choice ? 1 + *reads.choice % std::max<std::size_t>(files, 1) : 0;
  for (std::size_t k = 1; reads_back && k <= files; ++k) {
    if (!reads.every && k != pick) continue;
    const std::string file = vantira::SubnetFileName("z", static_cast<int32_t>(k), vantira::FormatExtension(format));
    // A drawing's subnet file is checked only when it is still told to be
    // one: its first record may be one whose key is glued to its first field.
    if (vantira::RecognizeFile(*w.Read(file)) == format) CheckReadBack(file, e, *net, k);
  }
  remove_written();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vantira::fuzz::Workspace::Get().Write("in", text);
  if (vantira::fuzz::EveryCheck()) {
    for (bool wide : {false, true}) WriteAndReadBack(text, wide, {true, std::nullopt});
    return 0;
  }
  // One grammar an execution and, every other one, one file read back,
  // chosen by the input: a whole run per file would keep the executions few
  // a second, and the input's mutations meet the other files and the other
  // grammar.
  const std::size_t hash = std::hash<std::string>{}(text);
  const ReadBack one{false, hash / 4}, none{false, std::nullopt};
  WriteAndReadBack(text, hash % 2 == 1, (hash / 2) % 2 == 0 ? one : none);
  return 0;
}
