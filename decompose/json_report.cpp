#include "decompose/json_report.h"

#include <cstdint>
#include <span>
#include <vector>

#include "base/prefetch.h"
#include "decompose/decompose.h"
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

// The JSON text of the subnets, written as they grow: a subnet's object
// opens with its seed, takes the transitions each pass adds, and closes with
// its places when it is complete.
class SubnetsText final : public SubnetSink {
 public:
  SubnetsText(const NetStore& s, Output& out) : s_(s), out_(out) {}

  void Joined(int32_t k, std::span<const int32_t> transitions) override {
    Open(k);
    PutNames(s_, s_.tn, transitions, first_, out_);
  }

  void Completed(int32_t k, std::span<const int32_t> /*members*/, std::span<const int32_t> xs,
                 std::span<const int32_t> qs, std::span<const int32_t> ys) override {
    Open(k);  // the members came with Joined
    out_.Put(']');
    PutPlaceList(s_, ", \"input\": [", xs, out_);
    PutPlaceList(s_, ", \"internal\": [", qs, out_);
    PutPlaceList(s_, ", \"output\": [", ys, out_);
    out_.Put('}');
  }

 private:
  void Open(int32_t k) {
    if (k == open_) return;
    open_ = k;
    first_ = true;
    out_.Put(k == 1 ? "\n    {\"id\": " : ",\n    {\"id\": ");
    out_.PutNumber(k);
    out_.Put(", \"transitions\": [");
  }

  const NetStore& s_;
  Output& out_;
  int32_t open_ = 0;  // the subnet whose object is open
  bool first_ = true;
};

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

void WriteJsonSubnets(const NetStore& s, SubnetMap& map, Output& out) {
  out.Put("  \"subnets\": [");
  SubnetsText subnets(s, out);
  Decompose(s, map, &subnets);
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

void WriteJsonReport(const NetStore& s, std::string_view format_name, SubnetMap& map, Output& out) {
  WriteJsonHead(s, format_name, out);
  WriteJsonArcs(s, out);
  WriteJsonSubnets(s, map, out);
  WriteJsonClosing(out);
}

void WriteJsonClosing(Output& out) { out.Put("\n}\n"); }

}  // namespace vantira
