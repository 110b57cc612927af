// Arbitrary bytes through recognition, every reader in both grammars, the
// index, the decomposition, the full report, the graph and the JSON report.
// Where the basic grammar meets no construct of the wider one, both read the
// same net.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_net.h"

namespace {

// The full report, or the failure's message.
std::string Outcome(std::string text, vantira::Grammar grammar, vantira::GrammarHint& hint) {
  try {
    vantira::fuzz::Analysed net(text, grammar, hint);
    return std::string(net.report.Text());
  } catch (const vantira::Failure& failure) {
    vantira::fuzz::CheckFailure(failure);
    return failure.Message();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantira;
  const std::string text(reinterpret_cast<const char*>(data), size);
  GrammarHint basic_hint;
  GrammarHint wide_hint;
  const std::string basic = Outcome(text, Grammar::kBasic, basic_hint);
  const std::string wide = Outcome(text, Grammar::kWide, wide_hint);
  FUZZ_CHECK(!wide_hint.Given());
  const std::string& hint = basic_hint.Text();
  FUZZ_CHECK(hint.empty() || (hint.starts_with("vantira: line ") && hint.ends_with("; -e reads the wider grammar\n")));
  // Arc kinds that the hint leaves untold ("p?x") need a "?" or "!".
  if (!basic_hint.Given() && text.find_first_of("?!") == std::string::npos) FUZZ_CHECK(basic == wide);
  return 0;
}
