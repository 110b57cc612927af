// The text report, section by section.
#pragma once

#include <cstdint>
#include <span>

#include "base/output.h"
#include "base/subnet_map.h"
#include "store/net_store.h"

namespace vantira {

// Banner, "parsed net" line, size line and, with `full`, the net listing.
void WriteNetPart(const NetStore& store, Output& out, bool full);

void WriteSubnetsHeading(Output& out);

// One subnet: its transitions in joining order, then its input (X),
// internal (Q) and output (Y) places.
void WriteSubnetListing(const NetStore& store, int32_t k, std::span<const int32_t> members,
                        std::span<const int32_t> xs, std::span<const int32_t> qs, std::span<const int32_t> ys,
                        Output& out);

void WriteIndicators(const NetStore& store, const SubnetMap& map, Output& out);

void WriteClosing(Output& out);

}  // namespace vantira
