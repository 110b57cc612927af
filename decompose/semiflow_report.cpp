#include "decompose/semiflow_report.h"

#include <algorithm>
#include <string>
#include <vector>

#include "decompose/json_text.h"

namespace vantira {

namespace {

// Element v + 1 of the kind: a place or a transition.
int32_t NameOf(const NetStore& s, bool places, int32_t v) { return places ? s.pn[v + 1] : s.tn[v + 1]; }

// The subnets an element touches: a transition's one, or each role of a place.
std::vector<int32_t> Subnets(const SubnetMap& map, bool places, const Semiflow& flow) {
  std::vector<int32_t> subnets;
  for (int32_t v : flow.variables) {
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
Integer Constant(const NetValues& values, const Semiflow& flow) {
  Integer sum(0);
  for (std::size_t i = 0; i < flow.variables.size(); ++i) {
    const int64_t marking = values.marking[static_cast<std::size_t>(flow.variables[i]) + 1];
    if (marking != 0) sum += flow.weights[i] * Integer(marking);
  }
  return sum;
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

}  // namespace

void WriteSemiflowSection(const NetStore& s, const NetValues& values, const SubnetMap& map,
                          const SemiflowAnswer& answer, bool full, Output& out) {
  const bool places = answer.places;
  out.Put(places ? "\nMINIMAL P-SEMIFLOWS ----------------------------------------\n\n"
                 : "\nMINIMAL T-SEMIFLOWS ----------------------------------------\n\n");
  if (!answer.result.complete) {
    out.Put("stopped at the limit of ");
    out.Put(std::to_string(answer.limit));
    out.Put(" rows: ");
    out.Put(answer.result.stopped_at);
    out.Put(places ? "; no P-semiflow is listed\n" : "; no T-semiflow is listed\n");
    return;
  }
  if (full) {
    for (const Semiflow* flow : Ordered(answer.result)) {
      PutFlow(s, places, *flow, out);
      if (places) {
        out.Put(" = ");
        out.Put(Constant(values, *flow).ToString());
      }
      const std::vector<int32_t> subnets = Subnets(map, places, *flow);
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
    return;
  }
  out.Put(places ? " P-semiflows, places covered by none:" : " T-semiflows, transitions covered by none:");
  for (int32_t v : uncovered) {
    out.Put(' ');
    out.Put(s.Name(NameOf(s, places, v)));
  }
  out.Put('\n');
}

void WriteJsonSemiflows(const NetStore& s, const NetValues& values, const SubnetMap& map, const SemiflowAnswer& answer,
                        Output& out) {
  const bool places = answer.places;
  out.Put(places ? ",\n  \"p_semiflows\": " : ",\n  \"t_semiflows\": ");
  if (!answer.result.complete) {
    out.Put(places ? "null,\n  \"p_uncovered\": null,\n  \"p_stopped_at\": "
                   : "null,\n  \"t_uncovered\": null,\n  \"t_stopped_at\": ");
    PutJsonString(answer.result.stopped_at, out);
    return;
  }
  const std::vector<const Semiflow*> flows = Ordered(answer.result);
  out.Put(flows.empty() ? "[" : "[\n");
  for (std::size_t f = 0; f < flows.size(); ++f) {
    const Semiflow& flow = *flows[f];
    out.Put("    {\"weights\": {");
    for (std::size_t i = 0; i < flow.variables.size(); ++i) {
      if (i != 0) out.Put(", ");
      PutJsonName(s.names.Data() + NameOf(s, places, flow.variables[i]), out);
      out.Put(": ");
      out.Put(flow.weights[i].ToString());
    }
    out.Put("}, \"subnets\": [");
    const std::vector<int32_t> subnets = Subnets(map, places, flow);
    for (std::size_t i = 0; i < subnets.size(); ++i) {
      if (i != 0) out.Put(", ");
      out.PutNumber(subnets[i]);
    }
    out.Put("]");
    if (places) {
      out.Put(", \"constant\": ");
      out.Put(Constant(values, flow).ToString());
    }
    out.Put(f + 1 < flows.size() ? "},\n" : "}\n  ");
  }
  out.Put(places ? "],\n  \"p_uncovered\": [" : "],\n  \"t_uncovered\": [");
  const std::vector<int32_t> uncovered = Uncovered(s, answer);
  for (std::size_t i = 0; i < uncovered.size(); ++i) {
    if (i != 0) out.Put(", ");
    PutJsonName(s.names.Data() + NameOf(s, places, uncovered[i]), out);
  }
  out.Put("]");
}

}  // namespace vantira
