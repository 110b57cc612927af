// Shared by the fuzz targets: the program's phases from text to subnet map,
// and the checks that every decomposition must pass. A failed check aborts,
// which libFuzzer and the replay runner both report as a crash.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/failure.h"
#include "decompose/decompose.h"
#include "decompose/graph.h"
#include "decompose/json_report.h"
#include "decompose/json_text.h"
#include "decompose/partition.h"
#include "decompose/report.h"
#include "decompose/semiflow_report.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/recognize.h"
#include "semiflows/basis.h"
#include "semiflows/name_order.h"
#include "semiflows/net_system.h"
#include "store/adjacency.h"
#include "tests/semiflows/reference.h"

#define FUZZ_CHECK(c) \
  ((c) ? void() : (std::fprintf(stderr, "check failed: %s (%s:%d)\n", #c, __FILE__, __LINE__), std::abort()))

namespace vantira::fuzz {

// A failure is an expected outcome only in its one shape, with a status the
// input alone can cause, and with one line that says why: none only where the
// message names the PNML document's line itself.
inline void CheckFailure(const Failure& failure) {
  const std::string& m = failure.Message();
  FUZZ_CHECK(m.size() > 5 && m.starts_with("*** ") && m.back() == '\n');
  FUZZ_CHECK(failure.Status() == kExitBadInput || failure.Status() == kExitNoMemory);
  const std::string why = ReasonLine(failure);
  if (m.starts_with("*** wrong PNML file: line ")) {
    FUZZ_CHECK(why.empty());
    return;
  }
  FUZZ_CHECK(why.size() > 10 && why.starts_with("vantira: ") && why.find('\n') == why.size() - 1);
  FUZZ_CHECK(!why.ends_with("; -e reads the wider grammar\n"));
}

// Two maps of one store give every transition and place the same numbers.
inline void CheckSameMap(const NetStore& store, const SubnetMap& a, const SubnetMap& b) {
  FUZZ_CHECK(a.iSubNet == b.iSubNet);
  for (int32_t t = 1; t <= store.n; ++t) FUZZ_CHECK(a.SubNet[t] == b.SubNet[t]);
  for (int32_t p = 1; p <= store.m; ++p) FUZZ_CHECK(a.SX[p] == b.SX[p] && a.SQ[p] == b.SQ[p] && a.SY[p] == b.SY[p]);
}

// The JSON report is well-formed UTF-8 without a raw control character,
// whatever bytes the names hold.
inline void CheckJsonReport(const NetStore& store, Format format, const SubnetMap& map) {
  Output json;
  WriteJsonHead(store, FormatName(format), json);
  WriteJsonArcs(store, json);
  WriteJsonSubnets(store, map, json);
  WriteJsonClosing(json);
  std::string_view text = json.Text();
  FUZZ_CHECK(text.starts_with("{\n") && text.ends_with("\n}\n"));
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    FUZZ_CHECK(length != 0 && (static_cast<unsigned char>(text[0]) >= 0x20 || text[0] == '\n'));
    text.remove_prefix(length);
  }
}

// Reads a prepared text, builds the index and decomposes, writing the full
// report and the graph to `report`.
inline void Analyse(Format format, std::string_view text, Grammar grammar, NetStore& store, NameIndex& index,
                    NetLayout& layout, SubnetMap& map, Output& report, GrammarHint& hint) {
  AllocateStore(store);
  TextBlocks input(text);
  ReadByFormat(format, grammar, input, {store, ArcStore::kLists, index, hint, &layout});
  SubnetMap partition;  // what the digest report is made from
  PartitionArcs(store, ArcStore::kLists, partition);
  IndexByFormat(format, store);
  ReleaseArcLists(store);
  WriteNetHead(store, report);
  WriteNetListing(store, report);
  Decompose(store, map);
  WriteSubnetListings(store, map, report);
  CheckSameMap(store, partition, map);
  WriteIndicators(store, map, report);
  WriteGraph(store, map, report);
  WriteClosing(report);
  CheckJsonReport(store, format, map);
}

// Checks the index's ranges and the numbering of the map. (Analyse has
// already compared the map with the union-find partition, which finds the
// subnets and roles its own way.)
inline void CheckDecomposition(const NetStore& s, const SubnetMap& map) {
  const int32_t n = s.n;
  int32_t opened = 0;  // subnets are numbered by their lowest transition
  for (int32_t t = 1; t <= n; ++t) {
    FUZZ_CHECK(s.tx[t] <= s.ty[t] && s.ty[t] <= s.tx[t + 1]);
    for (int32_t i = s.tx[t]; i < s.tx[t + 1]; ++i) FUZZ_CHECK(s.at[i] >= 1 && s.at[i] <= s.m);
    FUZZ_CHECK(map.SubNet[t] >= 1 && map.SubNet[t] <= opened + 1);
    if (map.SubNet[t] == opened + 1) ++opened;
  }
  FUZZ_CHECK(map.iSubNet == (n == 0 ? 1 : opened));
  for (int32_t p = 1; p <= s.m; ++p) {
    FUZZ_CHECK(s.px[p] <= s.py[p] && s.py[p] <= s.px[p + 1]);
    for (int32_t j = s.px[p]; j < s.px[p + 1]; ++j) FUZZ_CHECK(s.ap[j] >= 1 && s.ap[j] <= n);
  }
  FUZZ_CHECK(s.fat == s.tx[n + 1] && s.fap == s.px[s.m + 1] && s.fat == s.fap);
}

// The minimal semiflows of `system`; on small systems with small
// coefficients, the same as the slow reference's.
inline SemiflowResult CheckAgainstReference(const SparseSystem& system) {
  SemiflowOptions options;
  options.row_limit = 1000;  // a fuzz input must not hold the run
  options.threads = 1;
  SemiflowResult result = MinimalSemiflows(system, options);
  if (!result.complete || system.variables > 8 || system.equations > 12) return result;
  testing::Dense a(static_cast<std::size_t>(system.equations), std::vector<int64_t>(system.variables));
  for (int32_t v = 0; v < system.variables; ++v) {
    for (int64_t k = system.start[v]; k < system.start[v + 1]; ++k) {
      if (system.coefficient[k] > 100 || system.coefficient[k] < -100) return result;
      a[static_cast<std::size_t>(system.equation[k])][static_cast<std::size_t>(v)] = system.coefficient[k];
    }
  }
  std::vector<std::vector<int64_t>> expected = testing::ReferenceSemiflows(a, system.variables);
  std::vector<std::vector<int64_t>> found;
  for (const Semiflow& flow : result.semiflows) {
    found.emplace_back(static_cast<std::size_t>(system.variables), 0);
    for (std::size_t i = 0; i < flow.variables.size(); ++i) {
      found.back()[static_cast<std::size_t>(flow.variables[i])] = std::stoll(flow.weights[i].ToString());
    }
  }
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  FUZZ_CHECK(found == expected);
  return result;
}

// The basis of the flows of `system`: every vector a flow, gcd 1, and as
// many as the variables less the rank (the reference's, where it is small).
inline std::vector<BasisVector> CheckBasis(const SparseSystem& system, const NetStore& store, bool places) {
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
  if (system.variables <= 8 && system.equations <= 12) {
    testing::Dense a(static_cast<std::size_t>(system.equations), std::vector<int64_t>(system.variables));
    for (int32_t v = 0; v < system.variables; ++v) {
      for (int64_t k = system.start[v]; k < system.start[v + 1]; ++k) {
        if (system.coefficient[k] > 100 || system.coefficient[k] < -100) return *basis;
        a[static_cast<std::size_t>(system.equation[k])][static_cast<std::size_t>(v)] = system.coefficient[k];
      }
    }
    int rank = 0;
    testing::RankAndDeterminant(a, rank);
    FUZZ_CHECK(static_cast<int32_t>(basis->size()) == system.variables - rank);
  }
  return *basis;
}

inline constexpr int32_t kSmallNet = 40;

// Faults only the weights, markings and arc kinds can have.
inline bool IsValueFault(const std::string& message) {
  for (const char* start : {"*** wrong weight: ", "*** wrong marking: ", "*** conflicting arc types: ",
                            "*** unknown arc type: ", "*** reset arc: ", "*** transfer arc: "}) {
    if (message.starts_with(start)) return true;
  }
  return false;
}

// What -p -t add to a run: the net read with its weights and markings, as
// the same net where it reads, failing only for them; both systems solved
// and compared with the reference, both sections and their JSON written.
inline void CheckSemiflows(Format format, std::string_view text, Grammar grammar, const NetStore& store,
                           const SubnetMap& map) {
  NetStore valued;
  NameIndex index(valued);
  NetValues values;
  try {
    AllocateStore(valued);
    TextBlocks input(text);
    GrammarHint hint;
    try {
      ReadByFormat(format, grammar, input, {valued, ArcStore::kLists, index, hint, nullptr, &values});
    } catch (const Failure& failure) {
      FUZZ_CHECK(IsValueFault(failure.Message()));
      throw;
    }
    FUZZ_CHECK(valued.m == store.m && valued.n == store.n);
    FUZZ_CHECK(values.marking.size() == static_cast<std::size_t>(store.m) + 1);
    // Only small nets are solved: the number of semiflows may grow
    // exponentially with the net, and the fuzzer wants many runs a second.
    if (store.m + store.n > kSmallNet) return;
    for (bool places : {true, false}) {
      SemiflowAnswer answer;
      answer.places = places;
      answer.limit = 1000;
      const SparseSystem system = places ? PlaceSystem(store, values) : TransitionSystem(store, values);
      answer.result = CheckAgainstReference(system);
      Output out;
      WriteSemiflowSection(store, values, map, answer, true, out);
      WriteJsonSemiflows(store, values, map, answer, out);
      FUZZ_CHECK(out.Text().ends_with("]") || out.Text().ends_with("\""));
      answer.with_basis = true;
      answer.basis = CheckBasis(system, store, places);
      Output with_basis;
      WriteSemiflowSection(store, values, map, answer, false, with_basis);
      WriteJsonSemiflows(store, values, map, answer, with_basis);
      FUZZ_CHECK(with_basis.Text().ends_with("]}"));
    }
  } catch (const Failure& failure) {
    CheckFailure(failure);
  }
}

// A text prepared, analysed in `grammar` and checked, with all that came of
// it. A format error is thrown as the Failure it is; `hint` outlives it.
struct Analysed {
  NetStore store;
  NameIndex index{store};
  NetLayout layout;
  SubnetMap map;
  Output report;
  Format format = Format::kNet;
  Analysed(std::string& text, Grammar grammar, GrammarHint& hint) {
    RefuseNul(text);
    format = PrepareByFormat(text);
    Analyse(format, text, grammar, store, index, layout, map, report, hint);
    CheckDecomposition(store, map);
    CheckSemiflows(format, text, grammar, store, map);
  }
};

inline constexpr Grammar kGrammars[] = {Grammar::kBasic, Grammar::kWide};

}  // namespace vantira::fuzz
