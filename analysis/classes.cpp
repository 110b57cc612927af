#include "analysis/classes.h"

#include <functional>
#include <map>

#include "analysis/lp.h"
#include "analysis/walk.h"

namespace vantira {

namespace {

constexpr std::array<std::string_view, kClassCount> kKeys = {"ordinary",
                                                             "pure",
                                                             "state_machine",
                                                             "marked_graph",
                                                             "free_choice",
                                                             "extended_free_choice",
                                                             "connected",
                                                             "strongly_connected",
                                                             "source_place",
                                                             "sink_place",
                                                             "source_transition",
                                                             "sink_transition",
                                                             "conservative",
                                                             "subconservative",
                                                             "structurally_bounded"};
constexpr std::array<std::string_view, kClassCount> kWords = {"ordinary",
                                                              "pure",
                                                              "state machine",
                                                              "marked graph",
                                                              "free choice",
                                                              "extended free choice",
                                                              "connected",
                                                              "strongly connected",
                                                              "source place",
                                                              "sink place",
                                                              "source transition",
                                                              "sink transition",
                                                              "conservative",
                                                              "subconservative",
                                                              "structurally bounded"};

using InPart = std::function<bool(int32_t)>;

// The most places of a part whose structural boundedness a linear program decides.
constexpr std::size_t kLargestProgram = 5000;

// Room shared by the parts: marks of visited nodes, by part.
class Scratch {
 public:
  explicit Scratch(const TokenNet& net)
      : net_(net),
        mark_(static_cast<std::size_t>(net.Places()) + static_cast<std::size_t>(net.Transitions()) + 2, 0),
        checker_(net) {}

  Classes Of(const NetPart& part, const InPart& in_part, const Bounds* bounds = nullptr) {
    Classes classes;
    auto& holds = classes.holds;
    for (auto& h : holds) h = false;
    bool ordinary = true, pure = true, state_machine = true, free_choice = true, extended = true;
    bool conservative = true, subconservative = true, source_transition = false, sink_transition = false;
    for (int32_t t : part.transitions) {
      const auto in = net_.Inputs(t);
      const auto out = net_.Outputs(t);
      TokenSum taken = 0, given = 0;
      for (const Weighted& a : in) {
        ordinary &= a.weight == 1;
        taken += a.weight;
      }
      for (const Weighted& a : out) {
        ordinary &= a.weight == 1;
        given += a.weight;
      }
      conservative &= taken == given;
      subconservative &= given <= taken;
      state_machine &= in.size() == 1 && out.size() == 1;
      source_transition |= in.empty();
      sink_transition |= out.empty();
      // Both lists are in place order.
      for (std::size_t i = 0, j = 0; i < in.size() && j < out.size();) {
        if (in[i].node == out[j].node) {
          pure = false;
          break;
        }
        in[i].node < out[j].node ? ++i : ++j;
      }
    }
    bool marked_graph = true, source_place = false, sink_place = false;
    std::map<std::vector<int32_t>, int32_t> consumer_sets;
    std::vector<int32_t> consumers;
    for (int32_t p : part.places) {
      consumers.clear();
      for (const Weighted& a : net_.Consumers(p)) {
        if (in_part(a.node)) consumers.push_back(a.node);
      }
      int32_t producers = 0;
      for (const Weighted& a : net_.Producers(p)) producers += in_part(a.node);
      marked_graph &= producers == 1 && consumers.size() == 1;
      source_place |= producers == 0;
      sink_place |= consumers.empty();
      if (consumers.size() > 1) {
        for (int32_t t : consumers) free_choice &= net_.Inputs(t).size() == 1;
      }
      // The consumer set's number, the same for equal sets.
      set_of_[p] = consumer_sets.emplace(consumers, static_cast<int32_t>(consumer_sets.size())).first->second;
    }
    for (int32_t t : part.transitions) {
      const auto in = net_.Inputs(t);
      for (const Weighted& a : in) extended &= set_of_[a.node] == set_of_[in.front().node];
    }
    holds[kOrdinary] = ordinary;
    holds[kPure] = pure;
    holds[kStateMachine] = state_machine;
    holds[kMarkedGraph] = marked_graph;
    holds[kFreeChoice] = free_choice;
    holds[kExtendedFreeChoice] = extended;
    holds[kConnected] = Reaches(part, in_part, true, true);
    holds[kStronglyConnected] = Reaches(part, in_part, true, false) && Reaches(part, in_part, false, false);
    holds[kSourcePlace] = source_place;
    holds[kSinkPlace] = sink_place;
    holds[kSourceTransition] = source_transition;
    holds[kSinkTransition] = sink_transition;
    holds[kConservative] = conservative;
    holds[kSubconservative] = subconservative;
    holds[kStructurallyBounded] = StructurallyBounded(part, in_part, subconservative, bounds, classes);
    return classes;
  }

  void Prepare() { set_of_.assign(static_cast<std::size_t>(net_.Places()) + 1, -1); }

 private:
  // Whether every node of the part is reached from its first one, along
  // arcs (`forward`), against them, or both ways (`undirected`).
  bool Reaches(const NetPart& part, const InPart& in_part, bool forward, bool undirected) {
    const std::size_t nodes = part.places.size() + part.transitions.size();
    if (nodes == 0) return true;
    ++round_;
    const int32_t m = net_.Places();
    std::vector<int32_t> stack;
    // Node p for a place, m + t for a transition.
    auto visit = [&](int32_t node) {
      int32_t& mark = mark_[static_cast<std::size_t>(node)];
      if (mark == round_) return;
      mark = round_;
      stack.push_back(node);
    };
    visit(part.places.empty() ? m + part.transitions.front() : part.places.front());
    std::size_t seen = 0;
    while (!stack.empty()) {
      const int32_t node = stack.back();
      stack.pop_back();
      ++seen;
      if (node > m) {
        const int32_t t = node - m;
        if (forward || undirected) {
          for (const Weighted& a : net_.Outputs(t)) visit(a.node);
        }
        if (!forward || undirected) {
          for (const Weighted& a : net_.Inputs(t)) visit(a.node);
        }
      } else {
        if (forward || undirected) {
          for (const Weighted& a : net_.Consumers(node)) {
            if (in_part(a.node)) visit(m + a.node);
          }
        }
        if (!forward || undirected) {
          for (const Weighted& a : net_.Producers(node)) {
            if (in_part(a.node)) visit(m + a.node);
          }
        }
      }
    }
    return seen == nodes;
  }

  std::optional<bool> StructurallyBounded(const NetPart& part, const InPart& in_part, bool subconservative,
                                          const Bounds* bounds, Classes& classes) {
    if (subconservative) {
      // y = 1: y.C_t is what t puts back less what it takes.
      classes.weighting.nodes = part.places;
      classes.weighting.values.assign(part.places.size(), Integer(1));
      return true;
    }
    for (int32_t t : part.transitions) {
      // A transition without inputs fires for ever: s = e_t.
      if (net_.Inputs(t).empty() && !net_.Column(t).empty()) {
        classes.ray = {{t}, {Integer(1)}};
        return false;
      }
    }
    if (bounds) {
      std::optional<bool> known = FromBounds(*bounds, classes);
      if (known) return known;
    }
    if (part.places.size() > kLargestProgram) return std::nullopt;
    const LpAnswer answer = StructuralBound(net_, part.places, part.transitions);
    if (answer.status == LpAnswer::kFailed) return std::nullopt;
    for (double tolerance : {1e-9, 1e-7, 1e-5, 1e-11}) {
      std::optional<SparseVector> v = WholeNumbers(answer.nodes, answer.values, tolerance);
      if (!v) continue;
      if (answer.status == LpAnswer::kOptimal) {
        if (v->nodes.size() == part.places.size() && checker_.IsWeighting(*v, in_part)) {
          classes.weighting = std::move(*v);
          return true;
        }
      } else if (!checker_.RayGains(*v).empty()) {
        classes.ray = std::move(*v);
        return false;
      }
    }
    return std::nullopt;
  }

  // A ray of the bounds, or the sum of the weightings that bound every place.
  std::optional<bool> FromBounds(const Bounds& bounds, Classes& classes) {
    std::vector<bool> used(bounds.weightings.size());
    for (int32_t p = 1; p <= net_.Places(); ++p) {
      const Bound& bound = bounds.places[static_cast<std::size_t>(p)];
      if (bound.unbounded) {
        classes.ray = bounds.rays[static_cast<std::size_t>(bound.certificate)];
        return false;
      }
      if (!bound.upper) return std::nullopt;
      used[static_cast<std::size_t>(bound.certificate)] = true;
    }
    std::map<int32_t, Integer> sum;
    for (std::size_t c = 0; c < used.size(); ++c) {
      if (!used[c]) continue;
      const SparseVector& y = bounds.weightings[c];
      for (std::size_t i = 0; i < y.nodes.size(); ++i) sum[y.nodes[i]] += y.values[i];
    }
    SparseVector y;
    for (auto& [p, w] : sum) {
      y.nodes.push_back(p);
      y.values.push_back(std::move(w));
    }
    if (y.nodes.size() != static_cast<std::size_t>(net_.Places()) || !checker_.IsWeighting(y)) return std::nullopt;
    classes.weighting = std::move(y);
    return true;
  }

  const TokenNet& net_;
  std::vector<int32_t> mark_;
  int32_t round_ = 0;
  std::vector<int32_t> set_of_;
  CertificateChecker checker_;
};

}  // namespace

std::string_view ClassKey(NetClass c) { return kKeys[static_cast<std::size_t>(c)]; }
std::string_view ClassWords(NetClass c) { return kWords[static_cast<std::size_t>(c)]; }

NetPart WholeNet(const TokenNet& net) {
  NetPart part;
  for (int32_t p = 1; p <= net.Places(); ++p) part.places.push_back(p);
  for (int32_t t = 1; t <= net.Transitions(); ++t) part.transitions.push_back(t);
  return part;
}

std::vector<NetPart> Subnets(const TokenNet& net, const SubnetMap& map) {
  std::vector<NetPart> parts(static_cast<std::size_t>(map.iSubNet));
  for (int32_t t = 1; t <= net.Transitions(); ++t)
    parts[static_cast<std::size_t>(map.SubNet[t] - 1)].transitions.push_back(t);
  for (int32_t p = 1; p <= net.Places(); ++p) {
    // In place order, once for each subnet it belongs to.
    int32_t last = 0;
    for (int32_t k : {map.SX[p], map.SQ[p], map.SY[p]}) {
      if (k == 0 || k == last) continue;
      parts[static_cast<std::size_t>(k - 1)].places.push_back(p);
      last = k;
    }
  }
  return parts;
}

Classes NetClasses(const TokenNet& net, const Bounds* bounds) {
  Scratch scratch(net);
  scratch.Prepare();
  return scratch.Of(
      WholeNet(net), [](int32_t) { return true; }, bounds);
}

std::vector<Classes> SubnetClasses(const TokenNet& net, const SubnetMap& map) {
  Scratch scratch(net);
  scratch.Prepare();
  std::vector<Classes> classes;
  const std::vector<NetPart> parts = Subnets(net, map);
  classes.reserve(parts.size());
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const int32_t subnet = static_cast<int32_t>(k + 1);
    classes.push_back(scratch.Of(parts[k], [&map, subnet](int32_t t) { return map.SubNet[t] == subnet; }));
  }
  return classes;
}

}  // namespace vantira
