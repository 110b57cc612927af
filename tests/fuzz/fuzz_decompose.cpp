// Arbitrary bytes through the program's run in both grammars: the full
// report with the graph, the digest and the JSON report. The digest finds
// the subnets by its own partition of the arcs and must give the same
// indicators and graph; the JSON report, read back by vantira-dot's reader,
// must list the subnets the text report lists. Where the basic grammar
// meets no construct of the wider one, both read the same net.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_run.h"
#include "vantira-dot/json_report.h"

namespace {

using vantira::fuzz::Ran;

constexpr std::string_view kSubnets = "\nFUNCTIONAL SUBNETS ----------------------------------------\n";
constexpr std::string_view kIndicators = "\nINDICATORS OF FUNCTIONAL SUBNETS ";

// The text report's listing of the subnets, as the JSON report's would be.
std::string ListingOf(const vantira_dot::NetReport& json) {
  std::string text;
  const auto names = [&](const char* head, const std::vector<std::string>& list) {
    text += head;
    for (const std::string& name : list) text += name + ' ';
  };
  for (std::size_t k = 0; k < json.subnets.size(); ++k) {
    text += "\nsubnet Z" + std::to_string(k + 1) + ":";
    const auto& subnet = json.subnets[k];
    names("\nT: ", subnet.transitions);
    names("\nX: ", subnet.input);
    names("\nQ: ", subnet.internal);
    names("\nY: ", subnet.output);
    text += '\n';
  }
  return text;
}

// The JSON report is well-formed UTF-8 without a raw control character,
// whatever bytes the names hold, and reads back with the subnets of `full`
// (by name where the input's names are UTF-8, else by number).
void CheckJson(const std::string& json, const std::string& full, bool names_as_written) {
  FUZZ_CHECK(json.starts_with("{\n") && json.ends_with("\n}\n"));
  for (std::string_view rest = json; !rest.empty();) {
    const std::size_t length = vantira::Utf8SequenceLength(rest);
    FUZZ_CHECK(length != 0 && (static_cast<unsigned char>(rest[0]) >= 0x20 || rest[0] == '\n'));
    rest.remove_prefix(length);
  }
  std::string padded = json;
  padded.reserve(json.size() + vantira_dot::kJsonPadding);
  const vantira_dot::NetReport report = vantira_dot::ReadJsonNet(padded);
  const std::size_t from = full.find(kSubnets), to = full.find(kIndicators);
  FUZZ_CHECK(report.has_arcs && from != std::string::npos && to != std::string::npos && from < to);
  const std::string_view listing = std::string_view(full).substr(from + kSubnets.size(), to - from - kSubnets.size());
  if (names_as_written) {
    FUZZ_CHECK(listing == ListingOf(report));
  } else {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = listing.find("\nsubnet Z", at)) != std::string_view::npos; ++at) ++count;
    FUZZ_CHECK(count >= report.subnets.size());
  }
}

// Each input gets the full report in one grammar and, mostly, one second
// run to check it against: the other grammar's full report, the digest or
// the JSON report, chosen by the input's hash (a quarter of the inputs take
// none). Few runs an input keep the executions many a second; the mutations
// of an input meet all three checks.
enum class Second { kOtherGrammar, kDigest, kJson, kNone };

// The full report's run, its `out` the report itself when it ends well, and
// the basic grammar's hint.
struct FullRun {
  Ran ran;
  std::string hint;
};

FullRun Full(bool wide) {
  const auto& w = vantira::fuzz::Workspace::Get();
  FullRun full{w.Run({wide ? "-e" : "-v", "-g", w.Path("in"), w.Path("full")}), {}};  // -v: as without it
  full.hint = vantira::fuzz::CheckOutcome(full.ran, false, wide);
  if (full.ran.status == 0) full.ran.out = *w.Read("full");
  return full;
}

// The digest is the head, then the indicators and the graph as in full.
void CheckDigest(bool wide, const std::string& hint, const std::string& report) {
  const auto& w = vantira::fuzz::Workspace::Get();
  const Ran brief = w.Run({wide ? "-e" : "-v", "-q", "-g", w.Path("in"), w.Path("digest")});
  FUZZ_CHECK(vantira::fuzz::CheckOutcome(brief, false, wide) == hint && brief.status == 0);
  const std::string short_report = *w.Read("digest");
  const std::size_t tail = report.find(kIndicators), short_tail = short_report.find(kIndicators);
  FUZZ_CHECK(tail != std::string::npos && short_tail != std::string::npos);
  FUZZ_CHECK(report.starts_with(std::string_view(short_report).substr(0, short_tail)));
  FUZZ_CHECK(std::string_view(report).substr(tail) == std::string_view(short_report).substr(short_tail));
}

void Check(const std::string& text, bool wide, Second second) {
  const auto& w = vantira::fuzz::Workspace::Get();
  const FullRun full = Full(wide);
  const std::string& report = full.ran.out;
  if (second == Second::kOtherGrammar) {
    // Where the basic grammar meets no construct of the wider one, both read
    // the same net (the report or the failure's message); arc kinds that the
    // hint leaves untold ("p?x") need a "?" or "!".
    const FullRun other = Full(!wide);
    const std::string& basic_hint = wide ? other.hint : full.hint;
    if (basic_hint.empty() && text.find_first_of("?!") == std::string::npos) FUZZ_CHECK(report == other.ran.out);
  } else if (full.ran.status == 0 && second == Second::kDigest) {
    CheckDigest(wide, full.hint, report);
  } else if (full.ran.status == 0 && second == Second::kJson) {
    const Ran object = w.Run({wide ? "-e" : "-v", "-j", w.Path("in"), w.Path("json")});
    FUZZ_CHECK(vantira::fuzz::CheckOutcome(object, true, wide) == full.hint && object.status == 0);
    CheckJson(*w.Read("json"), report, vantira::fuzz::IsUtf8(text));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vantira::fuzz::Workspace::Get().Write("in", text);
  if (vantira::fuzz::EveryCheck()) {
    for (bool wide : {false, true})
      for (Second second : {Second::kOtherGrammar, Second::kDigest, Second::kJson}) Check(text, wide, second);
    return 0;
  }
  const std::size_t hash = std::hash<std::string>{}(text);
  Check(text, (hash / 4) % 2 == 1, static_cast<Second>(hash % 4));
  return 0;
}
