#include "decompose/semiflow_report.h"

#include <algorithm>
#include <string>
#include <vector>

#include "decompose/json_text.h"
#include "semiflows/name_order.h"

namespace vantira {

namespace {

// Element v + 1 of the kind: a place or a transition.
int32_t NameOf(const NetStore& s, bool places, int32_t v) { return places ? s.pn[v + 1] : s.tn[v + 1]; }

// The subnets the elements touch: a transition's one, or each role of a place.
std::vector<int32_t> Subnets(const SubnetMap& map, bool places, const std::vector<int32_t>& variables) {
  std::vector<int32_t> subnets;
  for (int32_t v : variables) {
    if (!places) {
      subnets.push_back(map.SubNet[v + 1]);
      continue;
    }
    for (const CArray<int32_t>* role : {&map.SX, &map.SQ, &map.SY}) {
      if ((*role)[v + 1] != 0) subnets.push_back((*role)[v + 1]);
    }
  }
  std::sort(subnets.begin(), subnets.end());
  subnets.erase(std::unique(subnets.begin(), subnets.end()), subnets.end());
  return subnets;
}

// y.M0: the weighted tokens of the initial marking.
Integer Constant(const NetValues& values, const std::vector<int32_t>& variables, const std::vector<Integer>& weights) {
  Integer sum(0);
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const int64_t marking = values.marking[static_cast<std::size_t>(variables[i]) + 1];
    if (marking != 0) sum += weights[i] * Integer(marking);
  }
  return sum;
}
Integer Constant(const NetValues& values, const Semiflow& flow) {
  return Constant(values, flow.variables, flow.weights);
}

// The semiflows in their order: by their lists of numbers.
std::vector<const Semiflow*> Ordered(const SemiflowResult& result) {
  std::vector<const Semiflow*> flows;
  for (const Semiflow& flow : result.semiflows) flows.push_back(&flow);
  std::sort(flows.begin(), flows.end(),
            [](const Semiflow* a, const Semiflow* b) { return a->variables < b->variables; });
  return flows;
}

// The elements of the kind that no semiflow weighs, by number.
std::vector<int32_t> Uncovered(const NetStore& s, const SemiflowAnswer& answer) {
  std::vector<bool> covered(static_cast<std::size_t>(answer.places ? s.m : s.n));
  for (const Semiflow& flow : answer.result.semiflows) {
    for (int32_t v : flow.variables) covered[static_cast<std::size_t>(v)] = true;
  }
  std::vector<int32_t> uncovered;
  for (std::size_t v = 0; v < covered.size(); ++v) {
    if (!covered[v]) uncovered.push_back(static_cast<int32_t>(v));
  }
  return uncovered;
}

void PutFlow(const NetStore& s, bool places, const Semiflow& flow, Output& out) {
  for (std::size_t i = 0; i < flow.variables.size(); ++i) {
    if (i != 0) out.Put(" + ");
    if (!flow.weights[i].IsOne()) {
      out.Put(flow.weights[i].ToString());
      out.Put('*');
    }
    out.Put(s.Name(NameOf(s, places, flow.variables[i])));
  }
}

// "p1 - 2*p3 + p4": a weight of either sign.
void PutVector(const NetStore& s, bool places, const BasisVector& vector, Output& out) {
  for (std::size_t i = 0; i < vector.variables.size(); ++i) {
    const Integer& w = vector.weights[i];
    const bool negative = w.Sign() < 0;
    if (i != 0) {
      out.Put(negative ? " - " : " + ");
    } else if (negative) {
      out.Put('-');
    }
    const Integer magnitude = negative ? Integer(0) - w : w;
    if (!magnitude.IsOne()) {
      out.Put(magnitude.ToString());
      out.Put('*');
    }
    out.Put(s.Name(NameOf(s, places, vector.variables[i])));
  }
}

// The elements of the kind that no semiflow of the basis weighs, by number,
// and how many of its vectors are semiflows.
std::vector<int32_t> BasisUncovered(const NetStore& s, const SemiflowAnswer& answer, std::size_t& semiflows) {
  std::vector<bool> covered(static_cast<std::size_t>(answer.places ? s.m : s.n));
  semiflows = 0;
  for (const BasisVector& vector : answer.basis) {
    if (!vector.semiflow) continue;
    ++semiflows;
    for (int32_t v : vector.variables) covered[static_cast<std::size_t>(v)] = true;
  }
  std::vector<int32_t> uncovered;
  for (std::size_t v = 0; v < covered.size(); ++v) {
    if (!covered[v]) uncovered.push_back(static_cast<int32_t>(v));
  }
  // By name, as the basis is the net's and not the input's order.
  const bool places = answer.places;
  std::sort(uncovered.begin(), uncovered.end(), [&s, places](int32_t a, int32_t b) {
    return NameBefore(s.Name(NameOf(s, places, a)), s.Name(NameOf(s, places, b)));
  });
  return uncovered;
}

// Why the solver stopped, as the section says it.
std::string StopText(const SemiflowAnswer& answer) {
  switch (answer.result.stop) {
    case SemiflowResult::Stop::kMemory:
      return "stopped at the memory budget of " + answer.memory_budget + ": ";
    case SemiflowResult::Stop::kTime:
      return "stopped at the time budget of " + answer.time_budget + " s: ";
    case SemiflowResult::Stop::kNoMemory:
      return "stopped, not enough memory while computing semiflows: ";
    default:
      return "stopped at the limit of " + std::to_string(answer.limit) + " rows: ";
  }
}

void WriteBasis(const NetStore& s, const NetValues& values, const SubnetMap& map, const SemiflowAnswer& answer,
                bool full, Output& out) {
  const bool places = answer.places;
  out.Put(places ? "P-flows: " : "T-flows: ");
  if (!answer.basis_missing.empty()) {
    out.Put("no basis, ");
    out.Put(answer.basis_missing);
    out.Put('\n');
    return;
  }
  out.Put("dimension ");
  out.PutNumber(static_cast<int64_t>(answer.basis.size()));
  out.Put(", a basis in reduced echelon form\n");
  if (full) {
    for (const BasisVector& vector : answer.basis) {
      PutVector(s, places, vector, out);
      if (places) {
        out.Put(" = ");
        out.Put(Constant(values, vector.variables, vector.weights).ToString());
      }
      const std::vector<int32_t> subnets = Subnets(map, places, vector.variables);
      out.Put(subnets.empty() ? " in no subnet" : " in");
      for (int32_t k : subnets) {
        out.Put(" Z");
        out.PutNumber(k);
      }
      out.Put(vector.semiflow ? " (semiflow)\n" : "\n");
    }
  }
  std::size_t semiflows = 0;
  const std::vector<int32_t> uncovered = BasisUncovered(s, answer, semiflows);
  out.PutNumber(static_cast<int64_t>(answer.basis.size()));
  out.Put(answer.basis.size() == 1 ? " basis vector, " : " basis vectors, ");
  out.PutNumber(static_cast<int64_t>(semiflows));
  out.Put(semiflows == 1 ? " a semiflow" : " semiflows");
  if (uncovered.empty()) {
    out.Put(places ? ", every place covered by them\n" : ", every transition covered by them\n");
    return;
  }
  out.Put(places ? ", places covered by none of them:" : ", transitions covered by none of them:");
  for (int32_t v : uncovered) {
    out.Put(' ');
    out.Put(s.Name(NameOf(s, places, v)));
  }
  out.Put('\n');
}

// A JSON vector's `{"name": weight, ...}` (without its opening brace's key)
// and, after `between`, the `[subnets]` of its variables and, for places,
// its `"constant"`.
void PutJsonVector(const NetStore& s, const NetValues& values, const SubnetMap& map, bool places,
                   const std::vector<int32_t>& variables, const std::vector<Integer>& weights,
                   std::string_view between, Output& out) {
  for (std::size_t i = 0; i < variables.size(); ++i) {
    if (i != 0) out.Put(", ");
    PutJsonName(s.names.Data() + NameOf(s, places, variables[i]), out);
    out.Put(": ");
    out.Put(weights[i].ToString());
  }
  out.Put(between);
  const std::vector<int32_t> subnets = Subnets(map, places, variables);
  for (std::size_t i = 0; i < subnets.size(); ++i) {
    if (i != 0) out.Put(", ");
    out.PutNumber(subnets[i]);
  }
  out.Put("]");
  if (places) {
    out.Put(", \"constant\": ");
    out.Put(Constant(values, variables, weights).ToString());
  }
}


void WriteJsonBasis(const NetStore& s, const NetValues& values, const SubnetMap& map, const SemiflowAnswer& answer,
                    Output& out) {
  const bool places = answer.places;
  out.Put(places ? ",\n  \"p_basis\": " : ",\n  \"t_basis\": ");
  if (!answer.basis_missing.empty()) {
    out.Put("null");
    return;
  }
  out.Put("{\"dimension\": ");
  out.PutNumber(static_cast<int64_t>(answer.basis.size()));
  out.Put(answer.basis.empty() ? ", \"vectors\": [" : ", \"vectors\": [\n");
  for (std::size_t f = 0; f < answer.basis.size(); ++f) {
    const BasisVector& vector = answer.basis[f];
    out.Put("    {\"weights\": {");
    PutJsonVector(s, values, map, places, vector.variables, vector.weights,
                  vector.semiflow ? "}, \"semiflow\": true, \"subnets\": [" : "}, \"semiflow\": false, \"subnets\": [",
                  out);
    out.Put(f + 1 < answer.basis.size() ? "},\n" : "}\n  ");
  }
  out.Put("], \"uncovered\": [");
  std::size_t semiflows = 0;
  const std::vector<int32_t> uncovered = BasisUncovered(s, answer, semiflows);
  for (std::size_t i = 0; i < uncovered.size(); ++i) {
    if (i != 0) out.Put(", ");
    PutJsonName(s.names.Data() + NameOf(s, places, uncovered[i]), out);
  }
  out.Put("]}");
}

}  // namespace

void WriteSemiflowSection(const NetStore& s, const NetValues& values, const SubnetMap& map,
                          const SemiflowAnswer& answer, bool full, Output& out) {
  const bool places = answer.places;
  out.Put(places ? "\nMINIMAL P-SEMIFLOWS ----------------------------------------\n\n"
                 : "\nMINIMAL T-SEMIFLOWS ----------------------------------------\n\n");
  if (!answer.result.complete) {
    out.Put(StopText(answer));
    out.Put(answer.result.stopped_at);
    out.Put(places ? "; no P-semiflow is listed\n" : "; no T-semiflow is listed\n");
    if (answer.with_basis) WriteBasis(s, values, map, answer, full, out);
    return;
  }
  if (full) {
    for (const Semiflow* flow : Ordered(answer.result)) {
      PutFlow(s, places, *flow, out);
      if (places) {
        out.Put(" = ");
        out.Put(Constant(values, *flow).ToString());
      }
      const std::vector<int32_t> subnets = Subnets(map, places, flow->variables);
      out.Put(subnets.empty() ? " in no subnet" : " in");
      for (int32_t k : subnets) {
        out.Put(" Z");
        out.PutNumber(k);
      }
      out.Put('\n');
    }
  }
  out.PutNumber(static_cast<int64_t>(answer.result.semiflows.size()));
  const std::vector<int32_t> uncovered = Uncovered(s, answer);
  if (uncovered.empty()) {
    out.Put(places ? " P-semiflows, every place covered: the net is conservative\n"
                   : " T-semiflows, every transition covered: the net is consistent\n");
  } else {
    out.Put(places ? " P-semiflows, places covered by none:" : " T-semiflows, transitions covered by none:");
    for (int32_t v : uncovered) {
      out.Put(' ');
      out.Put(s.Name(NameOf(s, places, v)));
    }
    out.Put('\n');
  }
  if (answer.with_basis) WriteBasis(s, values, map, answer, full, out);
}

void WriteJsonSemiflows(const NetStore& s, const NetValues& values, const SubnetMap& map, const SemiflowAnswer& answer,
                        Output& out) {
  const bool places = answer.places;
  out.Put(places ? ",\n  \"p_semiflows\": " : ",\n  \"t_semiflows\": ");
  if (!answer.result.complete) {
    out.Put(places ? "null,\n  \"p_uncovered\": null,\n  \"p_stopped_at\": "
                   : "null,\n  \"t_uncovered\": null,\n  \"t_stopped_at\": ");
    PutJsonString(answer.result.stopped_at, out);
    if (answer.result.stop != SemiflowResult::Stop::kRows) {
      out.Put(places ? ",\n  \"p_stop\": " : ",\n  \"t_stop\": ");
      out.Put(answer.result.stop == SemiflowResult::Stop::kMemory ? "\"memory budget\""
              : answer.result.stop == SemiflowResult::Stop::kTime ? "\"time budget\""
                                                                  : "\"not enough memory\"");
    }
    if (answer.with_basis) WriteJsonBasis(s, values, map, answer, out);
    return;
  }
  const std::vector<const Semiflow*> flows = Ordered(answer.result);
  out.Put(flows.empty() ? "[" : "[\n");
  for (std::size_t f = 0; f < flows.size(); ++f) {
    const Semiflow& flow = *flows[f];
    out.Put("    {\"weights\": {");
    PutJsonVector(s, values, map, places, flow.variables, flow.weights, "}, \"subnets\": [", out);
    out.Put(f + 1 < flows.size() ? "},\n" : "}\n  ");
  }
  out.Put(places ? "],\n  \"p_uncovered\": [" : "],\n  \"t_uncovered\": [");
  const std::vector<int32_t> uncovered = Uncovered(s, answer);
  for (std::size_t i = 0; i < uncovered.size(); ++i) {
    if (i != 0) out.Put(", ");
    PutJsonName(s.names.Data() + NameOf(s, places, uncovered[i]), out);
  }
  out.Put("]");
  if (answer.with_basis) WriteJsonBasis(s, values, map, answer, out);
}

}  // namespace vantira
