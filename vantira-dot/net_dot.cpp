#include "net_dot.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vantira_dot {

namespace {

struct Colour {
  int r, g, b;
};

// Well apart from each other, and dark enough to read a white-mixed tint of.
constexpr std::array<Colour, 10> kPalette{{{0x4e, 0x79, 0xa7},
                                           {0xf2, 0x8e, 0x2b},
                                           {0x59, 0xa1, 0x4f},
                                           {0xe1, 0x57, 0x59},
                                           {0xb0, 0x7a, 0xa1},
                                           {0x76, 0xb7, 0xb2},
                                           {0xed, 0xc9, 0x48},
                                           {0x9c, 0x75, 0x5f},
                                           {0xff, 0x9d, 0xa7},
                                           {0x8c, 0x8c, 0x8c}}};

// `colour` mixed with `white` parts of white out of 100, as "#rrggbb".
std::string Hex(Colour colour, int white) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = "\"#";
  for (int c : {colour.r, colour.g, colour.b}) {
    const int mixed = c + (255 - c) * white / 100;
    text += kDigits[mixed >> 4];
    text += kDigits[mixed & 15];
  }
  return text + '"';
}

// Greedy in subnet order: each subnet takes, of the colours none of its
// lower-numbered neighbours has, the one used least so far (so that a few
// subnets all differ); with every colour taken, one by number.
std::vector<int> ColourSubnets(std::size_t subnets, const std::vector<SubnetGraph::Edge>& links) {
  std::vector<std::vector<int>> neighbours(subnets);
  for (const SubnetGraph::Edge& link : links) {
    neighbours[link.from - 1].push_back(link.to - 1);
    neighbours[link.to - 1].push_back(link.from - 1);
  }
  std::vector<int> colour(subnets, -1);
  std::array<std::size_t, kPalette.size()> used{};
  for (std::size_t k = 0; k < subnets; ++k) {
    std::array<bool, kPalette.size()> taken{};
    for (int other : neighbours[k]) {
      if (colour[other] >= 0) taken[colour[other]] = true;
    }
    int best = -1;
    for (std::size_t c = 0; c < kPalette.size(); ++c) {
      if (!taken[c] && (best < 0 || used[c] < used[best])) best = static_cast<int>(c);
    }
    colour[k] = best >= 0 ? best : static_cast<int>(k % kPalette.size());
    ++used[colour[k]];
  }
  return colour;
}

// Nodes above which dot is asked to lay out faster.
constexpr std::size_t kLargeNet = 1000;

ReportError Wrong(const std::string& what) {
  return ReportError{"*** wrong JSON report: " + what, 2, "the report's arcs and its subnets do not agree"};
}

}  // namespace

std::string DotString(std::string_view name) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = "\"";
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    auto byte = static_cast<unsigned char>(c);
    // C1 controls (U+0080 to U+009F: C2 80 to C2 9F) are shown like C0 ones.
    const bool c1 = byte == 0xc2 && i + 1 < name.size() && (static_cast<unsigned char>(name[i + 1]) & 0xe0) == 0x80;
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte == 0x7f || c1) {
      if (c1) byte = static_cast<unsigned char>(name[++i]);
      text += "\\\\x";  // a label shows "\\" as one backslash
      text += kDigits[byte >> 4];
      text += kDigits[byte & 15];
    } else {
      text += c;
    }
  }
  return text + '"';
}

void WriteNetDot(const NetReport& report, std::ostream& out) {
  // Node names are t1, t2, ... in transition order (the order of the arcs)
  // and p1, p2, ... in the order places first come in the arcs, then the
  // places without arcs: short, and safe whatever the net calls its nodes.
  std::unordered_map<std::string_view, int> transition_of;
  std::unordered_map<std::string_view, int> place_of;
  std::vector<std::string_view> place_names{""};  // by node number
  auto number_place = [&](const std::string& p) {
    if (place_of.emplace(p, static_cast<int>(place_names.size())).second) place_names.push_back(p);
  };
  for (const NetReport::Arcs& arcs : report.arcs) {
    if (!transition_of.emplace(arcs.transition, static_cast<int>(transition_of.size()) + 1).second) {
      throw Wrong("arcs of transition " + arcs.transition + " listed twice");
    }
    for (const std::string& p : arcs.input) number_place(p);
    for (const std::string& p : arcs.output) number_place(p);
  }
  const std::size_t with_arcs = place_names.size();
  for (const std::string& p : report.isolated_places) number_place(p);

  // Where each node is drawn: in the cluster of its subnet, or outside (0).
  std::vector<int> cluster_of_transition(transition_of.size() + 1, 0);
  std::vector<int> cluster_of_place(place_names.size(), 0);
  for (std::size_t k = 0; k < report.subnets.size(); ++k) {
    for (const std::string& t : report.subnets[k].transitions) {
      auto found = transition_of.find(t);
      if (found == transition_of.end() || cluster_of_transition[found->second] != 0) {
        throw Wrong("transition " + t + " without arcs entry, or in two subnets");
      }
      cluster_of_transition[found->second] = static_cast<int>(k) + 1;
    }
    for (const std::string& p : report.subnets[k].internal) {
      auto found = place_of.find(p);
      if (found == place_of.end() || cluster_of_place[found->second] != 0) {
        throw Wrong("internal place " + p + " without arcs, or in two subnets");
      }
      cluster_of_place[found->second] = static_cast<int>(k) + 1;
    }
  }
  for (std::size_t t = 1; t < cluster_of_transition.size(); ++t) {
    if (cluster_of_transition[t] == 0) throw Wrong("a transition with arcs in no subnet");
  }
  // A place with arcs is a place of the subnets of its arcs' transitions.
  std::vector<bool> listed(place_names.size(), false);
  for (const NetReport::Subnet& subnet : report.subnets) {
    for (const auto* places : {&subnet.input, &subnet.internal, &subnet.output}) {
      for (const std::string& p : *places) {
        auto found = place_of.find(p);
        if (found != place_of.end()) listed[found->second] = true;
      }
    }
  }
  for (std::size_t p = 1; p < with_arcs; ++p) {
    if (!listed[p]) throw Wrong("arc of place " + std::string(place_names[p]) + ", which no subnet lists");
  }

  const std::vector<int> colour = ColourSubnets(report.subnets.size(), report.links);
  out << "digraph net {\n";
  if (!report.net_name.empty()) out << "  label=" << detail::Quoted(report.net_name) << ";\n  labelloc=t;\n";
  if (place_names.size() + transition_of.size() > kLargeNet) {
    // Fewer rounds of crossing reduction and of placing nodes: a net of a
    // few thousand nodes is then laid out in seconds instead of minutes.
    out << "  mclimit=0.2;\n  nslimit=0.5;\n";
  }
  out << "  node [style=filled, fillcolor=white, fontsize=10];\n  edge [arrowsize=0.6];\n";
  for (std::size_t k = 0; k < report.subnets.size(); ++k) {
    const NetReport::Subnet& subnet = report.subnets[k];
    const Colour base = kPalette[colour[k]];
    out << "  subgraph cluster_Z" << k + 1 << " {\n    label=\"Z" << k + 1 << "\";\n    style=filled;\n    color="
        << Hex(base, 0) << ";\n    fillcolor=" << Hex(base, 85) << ";\n";
    for (const std::string& t : subnet.transitions) {
      out << "    t" << transition_of[t] << " [shape=box, fillcolor=" << Hex(base, 45) << ", label=" << DotString(t)
          << "];\n";
    }
    for (const std::string& p : subnet.internal) {
      out << "    p" << place_of[p] << " [shape=circle, label=" << DotString(p) << "];\n";
    }
    out << "  }\n";
  }
  for (std::size_t p = 1; p < place_names.size(); ++p) {
    if (cluster_of_place[p] != 0) continue;
    out << "  p" << p << " [shape=circle, " << (p >= with_arcs ? "style=dashed, " : "")
        << "label=" << DotString(place_names[p]) << "];\n";
  }
  for (const NetReport::Arcs& arcs : report.arcs) {
    const int t = transition_of[arcs.transition];
    for (const std::string& p : arcs.input) out << "  p" << place_of[p] << " -> t" << t << ";\n";
    for (const std::string& p : arcs.output) out << "  t" << t << " -> p" << place_of[p] << ";\n";
  }
  out << "}\n";
}

}  // namespace vantira_dot
