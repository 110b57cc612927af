#include "json_report.h"

#include <simdjson.h>

#include <array>
#include <cstdint>

namespace vantira_dot {

namespace {

namespace od = simdjson::ondemand;

static_assert(kJsonPadding >= simdjson::SIMDJSON_PADDING);

ReportError Wrong(std::string_view what) {
  return ReportError{"*** wrong JSON report: " + std::string(what), 2, "the input is not a report as vantira -j writes it"};
}

// Walks the top-level object, handing each key and its value to `on_key`;
// values it leaves alone are skipped.
template <typename OnKey>
void ReadTop(const std::string& text, const OnKey& on_key) {
  od::parser parser;
  const simdjson::padded_string_view view(text.data(), text.size(), text.capacity());
  try {
    od::document document = parser.iterate(view);
    for (auto field : document.get_object()) {
      const std::string_view key = field.unescaped_key();
      on_key(key, field.value());
    }
    // Past the end there is no location: anything else is more text.
    if (document.current_location().error() != simdjson::OUT_OF_BOUNDS) throw Wrong("more after the document");
  } catch (const simdjson::simdjson_error& error) {
    throw Wrong(error.what());
  }
}

std::string TakeString(od::value value) { return std::string(std::string_view(value.get_string())); }

void TakeNames(od::value value, std::vector<std::string>& names) {
  for (auto name : value.get_array()) names.push_back(std::string(std::string_view(name.get_string())));
}

int TakeSubnetNumber(od::value value) {
  const int64_t k = value.get_int64();
  if (k < 1 || k > INT32_MAX) throw Wrong("subnet number " + std::to_string(k));
  return static_cast<int>(k);
}

// {"from": i, "to": j, "places": [...]}
SubnetGraph::Edge TakeLink(od::value value) {
  SubnetGraph::Edge edge{0, 0, 0};
  for (auto field : value.get_object()) {
    const std::string_view key = field.unescaped_key();
    if (key == "from") {
      edge.from = TakeSubnetNumber(field.value());
    } else if (key == "to") {
      edge.to = TakeSubnetNumber(field.value());
    } else if (key == "places") {
      od::value places = field.value();
      edge.places = static_cast<int>(std::size_t(places.count_elements()));
    }
  }
  if (edge.from == 0 || edge.to == 0) throw Wrong("a graph entry without \"from\" or \"to\"");
  return edge;
}

// 0, 1, 2 for a subnet's "input", "internal" and "output" places; 3 for
// any other key.
std::size_t PlaceRole(std::string_view key) {
  return key == "input" ? 0 : key == "internal" ? 1 : key == "output" ? 2 : 3;
}

// Every subnet has its id in place, every link joins two of them.
void CheckNumbers(const std::vector<int>& ids, const std::vector<SubnetGraph::Edge>& links, bool graph_found) {
  if (ids.empty()) throw Wrong("no subnets");
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] != static_cast<int>(i) + 1) throw Wrong("subnet " + std::to_string(ids[i]) + " in place " + std::to_string(i + 1));
  }
  if (!graph_found) throw Wrong("no \"graph\"");
  for (const SubnetGraph::Edge& edge : links) {
    if (static_cast<std::size_t>(edge.from) > ids.size() || static_cast<std::size_t>(edge.to) > ids.size()) {
      throw Wrong("the graph joins Z" + std::to_string(edge.from) + " to Z" + std::to_string(edge.to) + ", there are " +
                  std::to_string(ids.size()) + " subnets");
    }
  }
}

}  // namespace

SubnetGraph ReadJsonGraph(const std::string& text) {
  SubnetGraph graph;
  std::vector<int> ids;
  bool graph_found = false;
  ReadTop(text, [&](std::string_view key, od::value value) {
    if (key == "net") {
      graph.net_name = TakeString(value);
    } else if (key == "subnets") {
      for (auto subnet : value.get_array()) {
        int id = 0;
        int transitions = 0;
        std::vector<std::string>& first = graph.first_transitions.emplace_back();
        std::array<int, 3> places{};
        for (auto field : subnet.get_object()) {
          const std::string_view name = field.unescaped_key();
          if (name == "id") {
            id = TakeSubnetNumber(field.value());
          } else if (name == "transitions") {
            for (auto t : field.value().get_array()) {
              if (first.size() < SubnetGraph::kFirstShown) first.emplace_back(std::string_view(t.get_string()));
              ++transitions;
            }
          } else if (const std::size_t role = PlaceRole(name); role < places.size()) {
            od::value names = field.value();
            places[role] = static_cast<int>(std::size_t(names.count_elements()));
          }
        }
        ids.push_back(id);
        graph.transitions.push_back(transitions);
        for (std::size_t role = 0; role < places.size(); ++role) graph.places[role].push_back(places[role]);
      }
    } else if (key == "graph") {
      graph_found = true;
      for (auto link : value.get_array()) graph.edges.push_back(TakeLink(link.value()));
    }
  });
  CheckNumbers(ids, graph.edges, graph_found);
  return graph;
}

NetReport ReadJsonNet(const std::string& text) {
  NetReport report;
  std::vector<int> ids;
  bool graph_found = false;
  ReadTop(text, [&](std::string_view key, od::value value) {
    if (key == "net") {
      report.net_name = TakeString(value);
    } else if (key == "arcs") {
      report.has_arcs = true;
      for (auto entry : value.get_array()) {
        NetReport::Arcs& arcs = report.arcs.emplace_back();
        for (auto field : entry.get_object()) {
          const std::string_view name = field.unescaped_key();
          if (name == "transition") {
            arcs.transition = TakeString(field.value());
          } else if (name == "input") {
            TakeNames(field.value(), arcs.input);
          } else if (name == "output") {
            TakeNames(field.value(), arcs.output);
          }
        }
      }
    } else if (key == "subnets") {
      for (auto entry : value.get_array()) {
        NetReport::Subnet& subnet = report.subnets.emplace_back();
        int id = 0;
        for (auto field : entry.get_object()) {
          const std::string_view name = field.unescaped_key();
          if (name == "id") {
            id = TakeSubnetNumber(field.value());
          } else if (name == "transitions") {
            TakeNames(field.value(), subnet.transitions);
          } else if (name == "input") {
            TakeNames(field.value(), subnet.input);
          } else if (name == "internal") {
            TakeNames(field.value(), subnet.internal);
          } else if (name == "output") {
            TakeNames(field.value(), subnet.output);
          }
        }
        ids.push_back(id);
      }
    } else if (key == "graph") {
      graph_found = true;
      for (auto link : value.get_array()) report.links.push_back(TakeLink(link.value()));
    } else if (key == "isolated_places") {
      TakeNames(value, report.isolated_places);
    } else if (key == "labels") {
      for (auto field : value.get_object()) {
        std::string id(std::string_view(field.unescaped_key()));
        report.labels.insert_or_assign(std::move(id), TakeString(field.value()));
      }
    }
  });
  CheckNumbers(ids, report.links, graph_found);
  return report;
}

}  // namespace vantira_dot
