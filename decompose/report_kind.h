// The four reports and what each needs: where the reader puts the arcs, the
// index, the thread that lists the net, the room for the subnets' listings.
#pragma once

#include <functional>
#include <string_view>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Text or JSON (-j), each full (-v) or digest (-q).
enum class ReportKind { kTextFull, kTextDigest, kJsonFull, kJsonDigest };

// What a report says of the net beyond the store.
struct ReportedNet {
  std::string_view format_name;     // JSON's "format"
  bool repeats_count_once = false;  // the format counts an arc given twice once
  bool graph = false;               // -g: the text report's graph of subnets
};

// Where the reader puts the arcs for a report of `kind`: a text digest needs
// only the classes they join, the others the arc lists.
ArcStore ArcsFor(ReportKind kind);

// Sections that follow the subnets, written once the map is known: in the
// text report after the graph of subnets and before the closing line, in the
// JSON report as keys after the subnets.
using LaterSections = std::function<void(const SubnetMap& map, Output& out)>;

// Builds what a report of `kind` needs from the arcs read (the adjacency
// index, after which the arc lists go; nothing for the text digest),
// decomposes the net into `map` and writes the whole report to `out`, with
// `later` (when set) before its end.
void WriteReport(ReportKind kind, NetStore& store, const ReportedNet& net, SubnetMap& map, Output& out,
                 const LaterSections& later = {});

}  // namespace vantira
