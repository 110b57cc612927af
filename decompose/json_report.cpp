#include "decompose/json_report.h"

#include <cstdint>
#include <span>
#include <vector>

#include "decompose/decompose.h"
#include "decompose/graph.h"
#include "formats/json_text.h"
#include "store/prefetch.h"

namespace vantira {

namespace {

// `"key": [name, name, ...]`, the names of `elements` through `names_of`.
void PutNameList(const NetStore& s, std::string_view key, const CArray<int32_t>& names_of,
                 std::span<const int32_t> elements, Output& out) {
  out.Put(key);
  out.Put('[');
  const std::size_t count = elements.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Members come in no order of their names: fetch ahead, offsets first.
    if (i + 8 < count) PrefetchLine(&names_of[elements[i + 8]]);
    if (i + 4 < count) PrefetchLine(s.names.Data() + names_of[elements[i + 4]]);
    if (i != 0) out.Put(", ");
    PutJsonString(s.Name(names_of[elements[i]]), out);
  }
  out.Put(']');
}

void PutGraph(const NetStore& s, const SubnetMap& map, Output& out) {
  const std::vector<Connection> links = ConnectionsByFrom(s, map);
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
      PutJsonString(s.PlaceName(links[i].place), out);
    }
    out.Put("]}");
  }
  out.Put("\n  ],\n");
}

void PutIsolatedPlaces(const NetStore& s, const SubnetMap& map, Output& out) {
  out.Put("  \"isolated_places\": [");
  bool first = true;
  for (int32_t p = 1; p <= s.m; ++p) {
    // A place with an arc has a consumers' or a producers' subnet.
    if (map.SX[p] != 0 || map.SQ[p] != 0 || map.SY[p] != 0) continue;
    if (!first) out.Put(", ");
    first = false;
    PutJsonString(s.PlaceName(p), out);
  }
  out.Put("]\n");
}

}  // namespace

void WriteJsonReport(const NetStore& s, std::string_view format_name, SubnetMap& map, Output& out) {
  out.Put("{\n  \"net\": ");
  PutJsonString(s.NetName(), out);
  out.Put(",\n  \"format\": ");
  PutJsonString(format_name, out);
  out.Put(",\n  \"places\": ");
  out.PutNumber(s.m);
  out.Put(",\n  \"transitions\": ");
  out.PutNumber(s.n);
  out.Put(",\n  \"subnets\": [");
  Decompose(s, map, [&](int32_t k, std::span<const int32_t> members, std::span<const int32_t> xs,
                        std::span<const int32_t> qs, std::span<const int32_t> ys) {
    out.Put(k == 1 ? "\n    {\"id\": " : ",\n    {\"id\": ");
    out.PutNumber(k);
    PutNameList(s, ", \"transitions\": ", s.tn, members, out);
    PutNameList(s, ", \"input\": ", s.pn, xs, out);
    PutNameList(s, ", \"internal\": ", s.pn, qs, out);
    PutNameList(s, ", \"output\": ", s.pn, ys, out);
    out.Put('}');
  });
  out.Put("\n  ],\n");
  PutGraph(s, map, out);
  PutIsolatedPlaces(s, map, out);
  out.Put("}\n");
}

}  // namespace vantira
