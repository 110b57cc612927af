// vantira-dot: the graph of subnets of a vantira report (written with -g),
// read back and drawn as Graphviz DOT. Inline here, included by the tool and
// its tests; both link vantira_dot_graph for the rest (the JSON report, the
// drawing of the net).
#pragma once

#include <array>
#include <charconv>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vantira_dot {

struct SubnetGraph {
  std::string net_name;          // from "parsed net NAME"
  std::vector<int> transitions;  // transitions[k - 1]: number of transitions of Zk
  struct Edge {
    int from;    // Zfrom produces into the connecting places ...
    int to;      // ... that Zto consumes
    int places;  // number of connecting places
  };
  std::vector<Edge> edges;  // in report order
  // For the tooltips, per subnet as `transitions`: the first transitions the
  // report lists (at most kFirstShown), and the numbers of input, internal
  // and output places (places[0], [1], [2]).
  static constexpr std::size_t kFirstShown = 5;
  std::vector<std::vector<std::string>> first_transitions;
  std::array<std::vector<int>, 3> places;
};

// How the drawings are made beyond their defaults.
struct DrawOptions {
  bool tooltips = false;  // a tooltip on every node and cluster, shown by SVG viewers
  bool labels = false;    // places and transitions show their authors' names
};

// A report the tool cannot use: the message line ("*** ..."), the exit
// status, and why (for standard error, after "vantira-dot: ").
struct ReportError {
  std::string message;
  int status;
  std::string reason;
};

namespace detail {

inline constexpr std::string_view kIndicators = "INDICATORS OF FUNCTIONAL SUBNETS ----------------------------------------";
inline constexpr std::string_view kGraph = "GRAPH OF FUNCTIONAL SUBNETS ------------------------------------------------";

// "line L: " + what.
inline std::string AtLine(int number, std::string_view what) {
  return "line " + std::to_string(number) + ": " + std::string(what);
}

inline ReportError WrongLine(std::string_view line, int number, std::string_view what) {
  return ReportError{"*** wrong report line: " + std::string(line), 2, AtLine(number, what)};
}

// The report's lines, counted from 1.
struct Lines {
  std::istream& in;
  int number = 0;
};

inline bool NextLine(Lines& lines, std::string& line) {
  if (!std::getline(lines.in, line)) return false;
  ++lines.number;
  if (!line.empty() && line.back() == '\r') line.pop_back();  // a report saved with CR LF
  return true;
}

// A positive decimal number at s[pos...]; advances pos past it.
inline bool TakeNumber(std::string_view s, std::size_t& pos, int& value) {
  auto [end, ec] = std::from_chars(s.data() + pos, s.data() + s.size(), value);
  if (ec != std::errc() || end == s.data() + pos || value < 1) return false;
  pos = static_cast<std::size_t>(end - s.data());
  return true;
}

// The entries "NAME*K " of an indicators' line (`role` T, X, Q or Y): one
// element of Zk each, counted into `per_subnet`; with `first`, the first
// names of each subnet are kept there.
inline void CountEntries(std::string_view line, int number, char role, std::vector<int>& per_subnet,
                         std::vector<std::vector<std::string>>* first = nullptr) {
  const std::string not_entry = std::string("an entry of the ") + role + ": line is not NAME*K";
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t begin = pos;
    if (line[pos] == '{') {  // braced: up to the first "}" not escaped by a backslash
      bool escaped = false;
      for (++pos;; ++pos) {
        if (pos == line.size()) throw WrongLine(line, number, "a braced name without its closing '}'");
        if (escaped) {
          escaped = false;
        } else if (line[pos] == '\\') {
          escaped = true;
        } else if (line[pos] == '}') {
          break;
        }
      }
      ++pos;
    } else {
      while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '*') ++pos;
    }
    const std::string_view name = line.substr(begin, pos - begin);
    int k = 0;
    if (pos == line.size() || line[pos] != '*' || !TakeNumber(line, ++pos, k)) throw WrongLine(line, number, not_entry);
    if (pos < line.size() && line[pos++] != ' ') throw WrongLine(line, number, not_entry);
    if (per_subnet.size() < static_cast<std::size_t>(k)) per_subnet.resize(k, 0);
    ++per_subnet[k - 1];
    if (first == nullptr) continue;
    if (first->size() < static_cast<std::size_t>(k)) first->resize(k);
    if ((*first)[k - 1].size() < SubnetGraph::kFirstShown) (*first)[k - 1].emplace_back(name);
  }
}

// A subnet number of an indicators' line past the graph's last subnet.
inline void CheckNamed(const std::vector<int>& per_subnet, char role, int line, int subnets) {
  if (per_subnet.size() <= static_cast<std::size_t>(subnets)) return;
  throw ReportError{std::string("*** wrong report: the ") + role + ": line names more subnets than the graph", 2,
                    AtLine(line, "Z" + std::to_string(per_subnet.size()) + " is named; the graph ends at Z" +
                                     std::to_string(subnets))};
}

// "Zk: Zi Zj*2 -> Zm": the successors become edges from Zk.
inline void ReadGraphLine(std::string_view line, int number, int k, std::vector<SubnetGraph::Edge>& edges) {
  std::string head = "Z";
  head.append(std::to_string(k)).push_back(':');
  const std::string what = "not the graph line of Z" + std::to_string(k) + " (" + head + " ... -> ...)";
  if (!line.starts_with(head)) throw WrongLine(line, number, what);
  bool after_arrow = false;
  std::size_t pos = head.size();
  while (pos < line.size()) {
    if (line[pos++] != ' ') throw WrongLine(line, number, what);
    if (line.substr(pos).starts_with("->") && !after_arrow) {
      after_arrow = true;
      pos += 2;
      continue;
    }
    int other = 0;
    int places = 1;
    if (pos == line.size() || line[pos] != 'Z' || !TakeNumber(line, ++pos, other)) throw WrongLine(line, number, what);
    if (pos < line.size() && line[pos] == '*' && !TakeNumber(line, ++pos, places)) throw WrongLine(line, number, what);
    if (after_arrow) edges.push_back({k, other, places});
  }
  if (!after_arrow) throw WrongLine(line, number, what);
}

// A DOT string; a long net name is cut (at a character boundary) to fit a title.
inline std::string Quoted(std::string_view text) {
  if (text.size() > 80) {
    std::size_t cut = 77;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return Quoted(std::string(text.substr(0, cut)) + "...");
  }
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

}  // namespace detail

// Reads a whole report; throws ReportError when it has no graph section or
// when the indicators' T: line or a graph line is not as vantira writes it.
inline SubnetGraph ReadReport(std::istream& in) {
  using namespace detail;
  SubnetGraph graph;
  std::string line;
  Lines lines{in};
  bool graph_found = false;
  int t_line = 0;  // the line of the T: line's entries
  std::array<int, 3> place_lines{};  // those of the X:, Q: and Y: lines
  while (NextLine(lines, line)) {
    constexpr std::string_view kPlaceRoles = "XQY";
    const std::size_t role = line.size() == 2 && line[1] == ':' ? kPlaceRoles.find(line[0]) : std::string_view::npos;
    if (line.starts_with("parsed net ")) {
      graph.net_name = line.substr(11);
    } else if (t_line != 0 && role != std::string_view::npos && place_lines[role] == 0) {
      // The indicators' places, under the T: line; the listings' X: lines
      // come before it and never end at the colon.
      if (!NextLine(lines, line)) break;
      place_lines[role] = lines.number;
      CountEntries(line, lines.number, kPlaceRoles[role], graph.places[role]);
    } else if (line == kIndicators) {
      // an empty line, "T:", then the line of entries
      const int heading = lines.number;
      if (!NextLine(lines, line) || !NextLine(lines, line) || line != "T:" || !NextLine(lines, line)) {
        throw ReportError{"*** wrong report: the indicators have no T: line", 2,
                          AtLine(heading + 2, "T: expected, two lines below the indicators' heading")};
      }
      t_line = lines.number;
      CountEntries(line, t_line, 'T', graph.transitions, &graph.first_transitions);
    } else if (line == kGraph) {
      graph_found = true;
      NextLine(lines, line);  // the empty line under the heading
      const int first = lines.number + 1;  // the graph line of Z1
      int subnets = 0;
      while (NextLine(lines, line) && !line.empty()) ReadGraphLine(line, lines.number, ++subnets, graph.edges);
      const std::string ends = "the graph ends at Z" + std::to_string(subnets);
      CheckNamed(graph.transitions, 'T', t_line, subnets);
      for (std::size_t role = 0; role < 3; ++role)
        CheckNamed(graph.places[role], "XQY"[role], place_lines[role], subnets);
      for (const SubnetGraph::Edge& edge : graph.edges) {
        if (edge.to > subnets) {
          throw ReportError{"*** wrong report: no graph line for Z" + std::to_string(edge.to), 2,
                            AtLine(first + edge.from - 1, "an edge to Z" + std::to_string(edge.to) + "; " + ends)};
        }
      }
      graph.transitions.resize(subnets, 0);
      graph.first_transitions.resize(subnets);
      for (std::vector<int>& counts : graph.places) counts.resize(subnets, 0);
      break;
    }
  }
  if (!graph_found) {
    throw ReportError{"*** no graph of subnets in the report: write the report with vantira -g", 2,
                      "no line of the report (" + std::to_string(lines.number) + " in all) is the graph's heading"};
  }
  return graph;
}

// One node per subnet, labelled with its number of transitions; one edge
// per connection, labelled with the number of places when more than one.
void WriteDot(const SubnetGraph& graph, std::ostream& out, const DrawOptions& options = {});

// The `top` subnets with the most transitions (the lower number first among
// equals) and the links among them; every other subnet is folded into the
// node of the large subnet nearest to it on the graph of subnets (among
// equals, the one a search outwards from them all, in number order, meets
// first), or, where none is linked to it, into one node of its own. A fold
// is linked where its subnets were, with the places added up.
void WriteTopDot(const SubnetGraph& graph, int top, std::ostream& out, const DrawOptions& options = {});

}  // namespace vantira_dot
