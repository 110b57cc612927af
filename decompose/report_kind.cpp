#include "decompose/report_kind.h"

#include <cstddef>

#include "base/second_thread.h"
#include "decompose/decompose.h"
#include "decompose/graph.h"
#include "decompose/json_report.h"
#include "decompose/partition.h"
#include "decompose/report.h"
#include "store/adjacency.h"

namespace vantira {

namespace {

// The adjacency index, after which the arc lists go; with `drop_repeats`,
// an arc given twice is indexed once.
void IndexArcs(NetStore& s, bool drop_repeats) {
  if (drop_repeats) RemoveDuplicateArcs(s);
  CreateIOPT(s);
  ReleaseArcLists(s);
}

// Room for the text report's subnet listings: every transition's name
// once, a place's at most twice, and a heading of under 42 bytes per subnet.
std::size_t TextListingsRoom(const NetStore& s) {
  return 2 * static_cast<std::size_t>(s.fnames) + 2 * static_cast<std::size_t>(s.m) +
         42 * static_cast<std::size_t>(s.n) + 64;
}

// Room for the JSON report's subnets: every transition's name once, a
// place's at most twice, quoted and after a comma, and a subnet's keys.
std::size_t JsonSubnetsRoom(const NetStore& s) {
  return 4 * static_cast<std::size_t>(s.fnames) + 8 * static_cast<std::size_t>(s.m) +
         96 * static_cast<std::size_t>(s.n) + 64;
}

// The full listings: the net, then the subnets as they grow. Neither reads
// what the other writes, so `net` is written on a second thread while
// `subnets` grow into a buffer of their own, which then follows the net.
// `reserve` is the room that buffer starts with; room not written costs no
// memory. The second thread runs `net`, which writes to `report` and reads
// the store; this one runs `subnets`, which reads the store and writes the
// map and its own buffer.
template <typename NetPart, typename SubnetsPart>
void WriteListings(Output& report, std::size_t reserve, const NetPart& net, const SubnetsPart& subnets) {
  SecondThread net_part;
  if (!net_part.Start([&] { net(report); })) {
    // No thread to be had: one after the other.
    net(report);
    subnets(report);
    return;
  }
  Output later;
  later.Reserve(reserve);
  subnets(later);  // on failure, net_part is joined first
  net_part.Join();
  report.Put(later.Text());
}

void WriteTextTail(const NetStore& s, const SubnetMap& map, bool graph, const LaterSections& later, Output& out) {
  WriteIndicators(s, map, out);
  if (graph) WriteGraph(s, map, out);
  if (later) later(map, out);
  WriteClosing(out);
}

void WriteJsonTail(const SubnetMap& map, const LaterSections& later, Output& out) {
  if (later) later(map, out);
  WriteJsonClosing(out);
}

}  // namespace

ArcStore ArcsFor(ReportKind kind) { return kind == ReportKind::kTextDigest ? ArcStore::kClasses : ArcStore::kLists; }

void WriteReport(ReportKind kind, NetStore& s, const ReportedNet& net, SubnetMap& map, Output& out,
                 const LaterSections& later) {
  switch (kind) {
    case ReportKind::kTextFull:
      // The listings show an arc once where the format counts it once.
      IndexArcs(s, net.repeats_count_once);
      WriteListings(
          out, TextListingsRoom(s),
          [&](Output& o) {
            WriteNetHead(s, o);
            WriteNetListing(s, o);
          },
          [&](Output& o) { ListSubnets(s, map, o); });
      return WriteTextTail(s, map, net.graph, later, out);
    case ReportKind::kTextDigest:
      WriteNetHead(s, out);
      PartitionArcs(s, ArcsFor(kind), map);
      return WriteTextTail(s, map, net.graph, later, out);
    case ReportKind::kJsonFull:
      IndexArcs(s, net.repeats_count_once);
      WriteJsonHead(s, net.format_name, out);
      WriteListings(
          out, JsonSubnetsRoom(s), [&](Output& o) { WriteJsonArcs(s, o); },
          [&](Output& o) { WriteJsonSubnets(s, map, o); });
      return WriteJsonTail(map, later, out);
    case ReportKind::kJsonDigest:
      // The subnets grow alike from an arc given twice: repeats may stay.
      IndexArcs(s, false);
      WriteJsonHead(s, net.format_name, out);
      WriteJsonSubnets(s, map, out);
      return WriteJsonTail(map, later, out);
  }
}

}  // namespace vantira
