#include "decompose/report.h"

#include "base/prefetch.h"
#include "decompose/names_ahead.h"

namespace vantira {

void WriteNetHead(const NetStore& s, Output& out) {
  out.Put("\n\nparsed net ");
  out.Put(s.NetName());
  out.Put('\n');
  out.PutNumber(s.m);
  out.Put(" places, ");
  out.PutNumber(s.n);
  out.Put(" transitions,\n\n");
}

void WriteNetListing(const NetStore& s, Output& out) {
  out.Put("net ");
  out.Put(s.NetName());
  out.Put('\n');
  for (int32_t t = 1; t <= s.n; ++t) {
    PrefetchListingAhead(s, t);
    out.Put("tr ");
    out.Put(s.TransitionName(t));
    for (int32_t p : s.Inputs(t)) {
      out.Put(' ');
      out.Put(s.PlaceName(p));
    }
    out.Put(" ->");
    for (int32_t p : s.Outputs(t)) {
      out.Put(' ');
      out.Put(s.PlaceName(p));
      out.Put(' ');
    }
    out.Put('\n');
  }
}

namespace {

void WriteSubnetsHeading(Output& out) { out.Put("\nFUNCTIONAL SUBNETS ----------------------------------------\n"); }

void PutNames(const NetStore& s, const CArray<int32_t>& names_of, std::span<const int32_t> elements, Output& out) {
  ForEachName(s, names_of, elements, [&](int32_t name) {
    out.Put(s.Name(name));
    out.Put(' ');
  });
}

}  // namespace

void WriteSubnetListings(const NetStore& s, const SubnetMap& map, Output& out) {
  WriteSubnetsHeading(out);
  for (int32_t k = 1; k <= map.iSubNet; ++k) {
    out.Put("\nsubnet Z");
    out.PutNumber(k);
    out.Put(":\nT: ");
    PutNames(s, s.tn, map.Members(k), out);
    out.Put("\nX: ");
    PutNames(s, s.pn, map.Inputs(k), out);
    out.Put("\nQ: ");
    PutNames(s, s.pn, map.Internals(k), out);
    out.Put("\nY: ");
    PutNames(s, s.pn, map.Outputs(k), out);
    out.Put('\n');
  }
}

namespace {

void PutIndicatorLine(const NetStore& s, const CArray<int32_t>& role, Output& out) {
  for (int32_t p = 1; p <= s.m; ++p) {
    if (role[p] == 0) continue;
    out.Put(s.PlaceName(p));
    out.Put('*');
    out.PutNumber(role[p]);
    out.Put(' ');
  }
}

}  // namespace

void WriteIndicators(const NetStore& s, const SubnetMap& map, Output& out) {
  out.Put("\nINDICATORS OF FUNCTIONAL SUBNETS ----------------------------------------\n\nT:\n");
  for (int32_t t = 1; t <= s.n; ++t) {
    out.Put(s.TransitionName(t));
    out.Put('*');
    out.PutNumber(map.SubNet[t]);
    out.Put(' ');
  }
  out.Put("\nX:\n");
  PutIndicatorLine(s, map.SX, out);
  out.Put("\nQ:\n");
  PutIndicatorLine(s, map.SQ, out);
  out.Put("\nY:\n");
  PutIndicatorLine(s, map.SY, out);
  out.Put('\n');
}

void WriteClosing(Output& out) { out.Put("\nDECOMPOSITION COMPLETED ----------------------------------------\n\n"); }

}  // namespace vantira
