// Arbitrary bytes through the program's run in both grammars: the full
// report with the graph, the digest and the JSON report. The digest finds
// the subnets by its own partition of the arcs and must give the same
// indicators and graph; the JSON report, read back by vantira-dot's reader,
// must list the subnets the text report lists. Where the basic grammar
// meets no construct of the wider one, both read the same net.
#include <cstddef>
#include <cstdint>
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

// The full report, or the failure's message; `hint` gets the basic
// grammar's hint.
std::string Outcome(const std::string& input, bool wide, std::string& hint) {
  const auto& w = vantira::fuzz::Workspace::Get();
  const std::string in = w.Path("in"), full = w.Path("full"), digest = w.Path("digest"), json = w.Path("json");
  const std::string_view e = wide ? "-e" : "-v";  // -v: the full report, as without it
  const Ran text = w.Run({e, "-g", in, full});
  hint = vantira::fuzz::CheckOutcome(text, false, wide);
  if (text.status != 0) return text.out;
  // The digest and the JSON report in one grammar, by turns: the runs stay
  // many a second.
  if (wide != (input.size() % 2 == 1)) return *w.Read("full");
  const Ran brief = w.Run({e, "-q", "-g", in, digest});
  const Ran object = w.Run({e, "-j", in, json});
  FUZZ_CHECK(vantira::fuzz::CheckOutcome(brief, false, wide) == hint && brief.status == 0);
  FUZZ_CHECK(vantira::fuzz::CheckOutcome(object, true, wide) == hint && object.status == 0);
  const std::string report = *w.Read("full"), short_report = *w.Read("digest");
  // The digest is the head, then the indicators and the graph as in full.
  const std::size_t tail = report.find(kIndicators), short_tail = short_report.find(kIndicators);
  FUZZ_CHECK(tail != std::string::npos && short_tail != std::string::npos);
  FUZZ_CHECK(report.starts_with(std::string_view(short_report).substr(0, short_tail)));
  FUZZ_CHECK(std::string_view(report).substr(tail) == std::string_view(short_report).substr(short_tail));
  CheckJson(*w.Read("json"), report, vantira::fuzz::IsUtf8(input));
  return report;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vantira::fuzz::Workspace::Get().Write("in", text);
  std::string basic_hint, wide_hint;
  const std::string basic = Outcome(text, false, basic_hint);
  const std::string wide = Outcome(text, true, wide_hint);
  // Arc kinds that the hint leaves untold ("p?x") need a "?" or "!".
  if (basic_hint.empty() && text.find_first_of("?!") == std::string::npos) FUZZ_CHECK(basic == wide);
  return 0;
}
