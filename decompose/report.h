// The text report, section by section.
#pragma once

#include <cstdint>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"
#include "base/prefetch.h"

namespace vantira {

// For listing transition t of the net: place names lie anywhere in
// `names`, so those of the transitions a little ahead are fetched, their
// offsets first.
inline void PrefetchListingAhead(const NetStore& s, int32_t t) {
  if (t + 4 <= s.n) {
    for (int32_t p : s.Inputs(t + 4)) PrefetchLine(&s.pn[p]);
    for (int32_t p : s.Outputs(t + 4)) PrefetchLine(&s.pn[p]);
  }
  if (t + 2 <= s.n) {
    for (int32_t p : s.Inputs(t + 2)) PrefetchLine(s.names.Data() + s.pn[p]);
    for (int32_t p : s.Outputs(t + 2)) PrefetchLine(s.names.Data() + s.pn[p]);
  }
}

// Banner, "parsed net" line and size line.
void WriteNetHead(const NetStore& store, Output& out);

// The net listing of the full report: the "net" line, then one "tr" line
// per transition with its input and output places.
void WriteNetListing(const NetStore& store, Output& out);

// The subnets heading, then each subnet: its transitions in joining order,
// then its input (X), internal (Q) and output (Y) places.
void WriteSubnetListings(const NetStore& store, const SubnetMap& map, Output& out);

void WriteIndicators(const NetStore& store, const SubnetMap& map, Output& out);

void WriteClosing(Output& out);

}  // namespace vantira
