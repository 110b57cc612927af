#include "decompose/json_report.h"

#include <cstdint>
#include <span>
#include <vector>

#include "base/prefetch.h"
#include "decompose/graph.h"
#include "decompose/json_labels.h"
#include "decompose/json_text.h"
#include "decompose/names_ahead.h"
#include "decompose/report.h"

namespace vantira {

namespace {

// Names of `elements` through `names_of`, each after a comma but the first
// of its list; `first` is that state, kept from one piece of a list to the
// next.
void PutNames(const NetStore& s, const CArray<int32_t>& names_of, std::span<const int32_t> elements, bool& first,
              Output& out) {
  ForEachName(s, names_of, elements, [&](int32_t name) {
    if (!first) out.Put(", ");
    first = false;
    PutJsonName(s.names.Data() + name, out);
  });
}

void PutPlaceList(const NetStore& s, std::string_view key, std::span<const int32_t> places, Output& out) {
  out.Put(key);
  bool first = true;
  PutNames(s, s.pn, places, first, out);
  out.Put(']');
}

// Every subnet's object: its transitions in joining order, then its places.
void PutSubnets(const NetStore& s, const SubnetMap& map, Output& out) {
  for (int32_t k = 1; k <= map.iSubNet; ++k) {
    out.Put(k == 1 ? "\n    {\"id\": " : ",\n    {\"id\": ");
    out.PutNumber(k);
    out.Put(", \"transitions\": [");
    bool first = true;
    PutNames(s, s.tn, map.Members(k), first, out);
    out.Put(']');
    PutPlaceList(s, ", \"input\": [", map.Inputs(k), out);
    PutPlaceList(s, ", \"internal\": [", map.Internals(k), out);
    PutPlaceList(s, ", \"output\": [", map.Outputs(k), out);
    out.Put('}');
  }
}

void PutGraph(const NetStore& s, const std::vector<Connection>& links, Output& out) {
  if (links.empty()) {
    out.Put("  \"graph\": [],\n");
    return;
  }
  out.Put("  \"graph\": [");
  for (std::size_t i = 0; i < links.size();) {
    const int32_t from = links[i].from;
    const int32_t to = links[i].to;
    out.Put(i == 0 ? "\n    {\"from\": " : ",\n    {\"from\": ");
    out.PutNumber(from);
    out.Put(", \"to\": ");
    out.PutNumber(to);
    out.Put(", \"places\": [");
    for (std::size_t first = i; i < links.size() && links[i].from == from && links[i].to == to; ++i) {
      if (i != first) out.Put(", ");
      PutJsonName(s.names.Data() + s.pn[links[i].place], out);
    }
    out.Put("]}");
  }
  out.Put("\n  ],\n");
}

// The names of `places`, each after a comma but the first.
void PutPlaces(const NetStore& s, std::span<const int32_t> places, Output& out) {
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i != 0) out.Put(", ");
    PutJsonName(s.names.Data() + s.pn[places[i]], out);
  }
}

}  // namespace

void WriteJsonHead(const NetStore& s, std::string_view format_name, Output& out) {
  out.Put("{\n  \"net\": ");
  PutJsonString(s.NetName(), out);
  out.Put(",\n  \"format\": ");
  PutJsonString(format_name, out);
  out.Put(",\n  \"places\": ");
  out.PutNumber(s.m);
  out.Put(",\n  \"transitions\": ");
  out.PutNumber(s.n);
  out.Put(",\n");
  WriteJsonLabels(s, out);
}

void WriteJsonArcs(const NetStore& s, Output& out) {
  if (s.n == 0) {
    out.Put("  \"arcs\": [],\n");
    return;
  }
  out.Put("  \"arcs\": [");
  for (int32_t t = 1; t <= s.n; ++t) {
    PrefetchListingAhead(s, t);
    out.Put(t == 1 ? "\n    {\"transition\": " : ",\n    {\"transition\": ");
    PutJsonName(s.names.Data() + s.tn[t], out);
    out.Put(", \"input\": [");
    PutPlaces(s, s.Inputs(t), out);
    out.Put("], \"output\": [");
    PutPlaces(s, s.Outputs(t), out);
    out.Put("]}");
  }
  out.Put("\n  ],\n");
}

void WriteJsonSubnets(const NetStore& s, const SubnetMap& map, Output& out) {
  out.Put("  \"subnets\": [");
  PutSubnets(s, map, out);
  out.Put("\n  ],\n");
  // One look at every place finds what joins two subnets and what has no arcs.
  std::vector<Connection> links;
  std::vector<int32_t> isolated;
  for (int32_t p = 1; p <= s.m; ++p) {
    if (map.SX[p] != 0 && map.SY[p] != 0) {
      links.push_back(Connection{map.SY[p], map.SX[p], p});
    } else if (s.Producers(p).empty() && s.Consumers(p).empty()) {
      isolated.push_back(p);
    }
  }
  PutGraph(s, OrderByFrom(links, map.iSubNet), out);
  out.Put("  \"isolated_places\": [");
  PutPlaces(s, isolated, out);
  out.Put(']');
}

void WriteJsonClosing(Output& out) { out.Put("\n}\n"); }

}  // namespace vantira
