// Arbitrary bytes read with their weights and markings, in both grammars:
// the net reads as it does without them, failing only for them; on small
// nets both systems are solved and compared with the slow reference, their
// bases checked, and the program's run with -p -t --basis must give as many
// semiflows and the same completion.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "semiflows/basis.h"
#include "semiflows/name_order.h"
#include "semiflows/net_system.h"
#include "tests/fuzz/fuzz_run.h"
#include "tests/semiflows/reference.h"
#include "tests/semiflows/semiflow_checks.h"

namespace {

using namespace vantira;

// Only small nets are solved: the number of semiflows may grow
// exponentially with the net, and the fuzzer wants many runs a second.
constexpr int32_t kSmallNet = 40;
constexpr int64_t kRowLimit = 1000;  // a fuzz input must not hold the run

// `system` as a dense matrix, where it is small enough for the reference.
std::optional<testing::Dense> Small(const SparseSystem& system) {
  if (system.variables > 8 || system.equations > 12) return std::nullopt;
  testing::Dense a(static_cast<std::size_t>(system.equations), std::vector<int64_t>(system.variables));
  for (int32_t v = 0; v < system.variables; ++v) {
    for (int64_t k = system.start[v]; k < system.start[v + 1]; ++k) {
      if (system.coefficient[k] > 100 || system.coefficient[k] < -100) return std::nullopt;
      a[static_cast<std::size_t>(system.equation[k])][static_cast<std::size_t>(v)] = system.coefficient[k];
    }
  }
  return a;
}

// The minimal semiflows of `system`; on small systems with small
// coefficients, the same as the slow reference's.
SemiflowResult CheckAgainstReference(const SparseSystem& system) {
  SemiflowOptions options;
  options.row_limit = kRowLimit;
  options.threads = 1;
  SemiflowResult result = MinimalSemiflows(system, options);
  FUZZ_CHECK(testing::AnswerFaults(system, result).empty());
  const std::optional<testing::Dense> a = Small(system);
  if (!result.complete || !a) return result;
  std::vector<std::vector<int64_t>> expected = testing::ReferenceSemiflows(*a, system.variables),
                                    found = testing::ToDense(result, system.variables);
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  FUZZ_CHECK(found == expected);
  return result;
}

// The basis of the flows of `system`: every vector a flow, gcd 1, and as
// many as the variables less the rank (the reference's, where it is small).
void CheckBasis(const SparseSystem& system, const NetStore& store, bool places) {
  const auto basis = SparserFlowBasis(system, BasisOrder(store, system, places), NameOrder(store, system, places),
                                      std::chrono::steady_clock::now() + std::chrono::seconds(10));
  FUZZ_CHECK(basis.has_value());
  for (const BasisVector& vector : *basis) {
    Integer g(0);
    std::vector<Integer> sum(static_cast<std::size_t>(system.equations));
    for (std::size_t i = 0; i < vector.variables.size(); ++i) {
      g = Gcd(g, vector.weights[i]);
      const int32_t v = vector.variables[i];
      for (int64_t k = system.start[v]; k < system.start[v + 1]; ++k)
        sum[static_cast<std::size_t>(system.equation[k])] += Integer(system.coefficient[k]) * vector.weights[i];
    }
    FUZZ_CHECK(g.IsOne());
    for (const Integer& value : sum) FUZZ_CHECK(value.Sign() == 0);
  }
  if (const std::optional<testing::Dense> a = Small(system)) {
    int rank = 0;
    testing::RankAndDeterminant(*a, rank);
    FUZZ_CHECK(static_cast<int32_t>(basis->size()) == system.variables - rank);
  }
}

// Faults only the weights, markings and arc kinds can have.
bool IsValueFault(const std::string& message) {
  for (const char* start : {"*** wrong weight: ", "*** wrong marking: ", "*** conflicting arc types: ",
                            "*** unknown arc type: ", "*** reset arc: ", "*** transfer arc: "}) {
    if (message.starts_with(start)) return true;
  }
  return false;
}

// The net of `text` read into `store`, with its values when asked.
Format Read(std::string text, Grammar grammar, NetStore& store, NetValues* values) {
  RefuseNul(text);
  const Format format = PrepareByFormat(text);
  NameIndex index(store);
  GrammarHint hint;
  AllocateStore(store);
  TextBlocks input(text);
  ReadByFormat(format, grammar, input, {store, ArcStore::kLists, index, hint, nullptr, values});
  return format;
}

// Whether the text report's section of a side says `count` semiflows.
bool SaysCount(const std::string& report, bool places, std::size_t count) {
  const std::string side = places ? "P-" : "T-";
  const std::size_t at = report.find(std::string("\nMINIMAL ").append(side).append("SEMIFLOWS -"));
  const std::string line = std::string("\n").append(std::to_string(count)).append(" ").append(side);
  return at != std::string::npos && report.find(line + "semiflows, ", at) != std::string::npos;
}

void CheckSemiflows(const std::string& text, Grammar grammar) {
  NetStore store;
  Format format;
  try {
    format = Read(text, grammar, store, nullptr);
  } catch (const Failure&) {
    return;  // the decomposition targets check this failure
  }
  NetStore valued;
  NetValues values;
  try {
    Read(text, grammar, valued, &values);
  } catch (const Failure& failure) {
    FUZZ_CHECK(IsValueFault(failure.Message()));
    return;
  }
  FUZZ_CHECK(valued.m == store.m && valued.n == store.n);
  FUZZ_CHECK(values.marking.size() == static_cast<std::size_t>(store.m) + 1);
  if (store.m + store.n > kSmallNet) return;
  IndexByFormat(format, store);
  const auto& w = fuzz::Workspace::Get();
  const std::string_view e = grammar == Grammar::kWide ? "-e" : "-v";
  bool complete = true;
  std::vector<std::pair<bool, std::size_t>> counts;
  for (bool places : {true, false}) {
    std::optional<SparseSystem> built;
    try {
      built.emplace(places ? PlaceSystem(store, values) : TransitionSystem(store, values));
    } catch (const Failure& failure) {
      // Weights that add up past 64 bits: the run must refuse the net alike.
      const fuzz::Ran ran = w.Run({e, "-p", "-t", w.Path("in"), w.Path("out")});
      FUZZ_CHECK(ran.status == failure.Status() && ran.out == failure.Message());
      return;
    }
    const SparseSystem& system = *built;
    const SemiflowResult result = CheckAgainstReference(system);
    CheckBasis(system, store, places);
    complete = complete && result.complete;
    if (result.complete) counts.emplace_back(places, result.semiflows.size());
  }
  // The run writes the sections: the full text and the JSON report.
  const std::string limit = std::to_string(kRowLimit);
  const fuzz::Ran ran = w.Run({e, "-p", "-t", "--basis", "--semiflow-limit", limit, w.Path("in"), w.Path("out")});
  const fuzz::Ran json =
      w.Run({e, "-j", "-p", "-t", "--basis", "--semiflow-limit", limit, w.Path("in"), w.Path("json")});
  fuzz::CheckOutcome(ran, false, grammar == Grammar::kWide);
  fuzz::CheckOutcome(json, true, grammar == Grammar::kWide);
  FUZZ_CHECK((ran.status == 0) == complete && json.status == ran.status);
  const std::string report = *w.Read("out");
  for (const auto& [places, count] : counts) FUZZ_CHECK(SaysCount(report, places, count));
  FUZZ_CHECK(report.ends_with("\nDECOMPOSITION COMPLETED ----------------------------------------\n\n"));
  const std::string object = *w.Read("json");
  FUZZ_CHECK(object.find("\"p_basis\"") != std::string::npos && object.ends_with("\n}\n"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::Workspace::Get().Write("in", text);
  for (Grammar grammar : {Grammar::kBasic, Grammar::kWide}) CheckSemiflows(text, grammar);
  return 0;
}
