#include "semiflows/contraction.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "semiflows/contractor.h"

namespace vantira {
namespace {

Contraction Identity(const SparseSystem& s) {
  Contraction out;
  out.reduced = s;
  out.member_start.resize(static_cast<std::size_t>(s.variables) + 1);
  std::iota(out.member_start.begin(), out.member_start.end(), 0);
  out.member.resize(static_cast<std::size_t>(s.variables));
  std::iota(out.member.begin(), out.member.end(), 0);
  out.weight.assign(out.member.size(), Integer(1));
  return out;
}

}  // namespace

Contraction Contract(const SparseSystem& system) {
  for (const bool equal_only : {false, true}) {
    Contraction out;
    if (Contractor(system, equal_only).Run(out)) return out;
  }
  return Identity(system);
}

void Expand(const Contraction& contraction, Semiflow& flow) {
  const auto& start = contraction.member_start;
  const bool single = std::all_of(flow.variables.begin(), flow.variables.end(), [&](int32_t y) {
    return start[y + 1] - start[y] == 1 && contraction.weight[start[y]].IsOne();
  });
  if (single) {  // the numbering keeps the order
    for (auto& y : flow.variables) y = contraction.member[start[y]];
    return;
  }
  struct Term {
    int32_t variable;
    int64_t member;     // its index in member and weight
    std::size_t entry;  // the flow's entry of its class
  };
  std::vector<Term> terms;
  for (std::size_t i = 0; i < flow.variables.size(); ++i)
    for (int64_t k = start[flow.variables[i]]; k < start[flow.variables[i] + 1]; ++k)
      terms.push_back({contraction.member[k], k, i});
  std::sort(terms.begin(), terms.end(), [](const Term& a, const Term& b) { return a.variable < b.variable; });
  Semiflow out;
  out.variables.reserve(terms.size());
  out.weights.reserve(terms.size());
  for (const Term& term : terms) {
    const Integer& w = contraction.weight[term.member];
    out.variables.push_back(term.variable);
    out.weights.push_back(w.IsOne() ? flow.weights[term.entry] : w * flow.weights[term.entry]);
  }
  flow = std::move(out);
}

}  // namespace vantira
