#include "net_dot.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "net_index.h"
#include "tooltips.h"

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

}  // namespace

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

namespace {

// Nodes above which dot is asked to lay out faster.
constexpr std::size_t kLargeNet = 1000;

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

std::string NodeText(const NetReport& report, std::string_view id, const DrawOptions& options) {
  if (options.labels) {
    auto found = report.labels.find(std::string(id));
    if (found != report.labels.end()) return DotString(found->second);
  }
  return DotString(id);
}

std::string SubnetColour(int colour, int white) { return Hex(kPalette[static_cast<std::size_t>(colour)], white); }

void WriteNetHead(const NetReport& report, std::size_t nodes, std::ostream& out) {
  out << "digraph net {\n";
  if (!report.net_name.empty()) out << "  label=" << detail::Quoted(report.net_name) << ";\n  labelloc=t;\n";
  if (nodes > kLargeNet) {
    // Fewer rounds of crossing reduction and of placing nodes: a net of a
    // few thousand nodes is then laid out in seconds instead of minutes.
    out << "  mclimit=0.2;\n  nslimit=0.5;\n";
  }
  out << "  node [style=filled, fillcolor=white, fontsize=10];\n  edge [arrowsize=0.6];\n";
}

void WriteSubnetCluster(const NetReport& report, const NetIndex& index, std::size_t k, int colour,
                        const DrawOptions& options, std::ostream& out) {
  const NetReport::Subnet& subnet = report.subnets[k - 1];
  out << "  subgraph cluster_Z" << k << " {\n    label=\"Z" << k
      << "\";\n    style=filled;\n    color=" << SubnetColour(colour, 0)
      << ";\n    fillcolor=" << SubnetColour(colour, 85) << ";\n";
  if (options.tooltips) out << "    tooltip=" << NetSubnetTooltip(report, k) << ";\n";
  for (const std::string& t : subnet.transitions) {
    out << "    t" << index.transition_of.at(t) << " [shape=box, fillcolor=" << SubnetColour(colour, 45)
        << ", label=" << NodeText(report, t, options);
    if (options.tooltips) out << ", tooltip=" << TransitionTooltip(t, static_cast<int>(k));
    out << "];\n";
  }
  for (const std::string& p : subnet.internal) {
    out << "    p" << index.place_of.at(p) << " [shape=circle, label=" << NodeText(report, p, options);
    if (options.tooltips) out << ", tooltip=" << PlaceTooltip(p, 0, static_cast<int>(k), 0);
    out << "];\n";
  }
  out << "  }\n";
}

void WritePlace(const NetReport& report, const NetIndex& index, std::size_t p, const DrawOptions& options,
                std::ostream& out) {
  out << "  p" << p << " [shape=circle, " << (p >= index.with_arcs ? "style=dashed, " : "")
      << "label=" << NodeText(report, index.place_names[p], options);
  if (options.tooltips) {
    out << ", tooltip=" << PlaceTooltip(index.place_names[p], index.input_of[p], 0, index.output_of[p]);
  }
  out << "];\n";
}

std::string NetSubnetTooltip(const NetReport& report, std::size_t k) {
  const NetReport::Subnet& subnet = report.subnets[k - 1];
  const std::size_t shown = std::min(subnet.transitions.size(), SubnetGraph::kFirstShown);
  return SubnetTooltip(static_cast<int>(k), static_cast<int>(subnet.transitions.size()),
                       static_cast<int>(subnet.input.size()), static_cast<int>(subnet.internal.size()),
                       static_cast<int>(subnet.output.size()),
                       std::vector<std::string>(subnet.transitions.begin(), subnet.transitions.begin() + shown));
}

void WriteNetDot(const NetReport& report, std::ostream& out, const DrawOptions& options) {
  const NetIndex index = IndexNet(report);
  const std::vector<int> colour = ColourSubnets(report.subnets.size(), report.links);
  WriteNetHead(report, index.place_names.size() + index.transition_of.size(), out);
  for (std::size_t k = 1; k <= report.subnets.size(); ++k) {
    WriteSubnetCluster(report, index, k, colour[k - 1], options, out);
  }
  for (std::size_t p = 1; p < index.place_names.size(); ++p) {
    if (index.internal_of[p] == 0) WritePlace(report, index, p, options, out);
  }
  for (const NetReport::Arcs& arcs : report.arcs) {
    const int t = index.transition_of.at(arcs.transition);
    for (const std::string& p : arcs.input) out << "  p" << index.place_of.at(p) << " -> t" << t << ";\n";
    for (const std::string& p : arcs.output) out << "  t" << t << " -> p" << index.place_of.at(p) << ";\n";
  }
  out << "}\n";
}

}  // namespace vantira_dot
