// The reports, each written from the store, the subnets and what the
// analyses found: the text report (report.h, graph.h, the sections of
// semiflow_report.h and analysis_report.h) and the JSON one (json_report.h).
// A report is three parts: its head, which needs only the net; the
// subnets; the rest. A new output is one more `ReportWriter`.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "base/output.h"
#include "base/second_thread.h"
#include "base/subnet_map.h"
#include "decompose/findings.h"
#include "store/net_store.h"
#include "store/net_values.h"

namespace vantira {

struct ReportStyle {
  std::string_view format_name;  // JSON's "format"
  bool full = false;             // -v: the net and the subnets listed
  bool graph = false;            // -g: the text report's graph of subnets
};

// What a report is written from.
struct ReportContent {
  const NetStore& store;    // with the adjacency index, but for the text digest
  const SubnetMap& map;     // with the subnets' lists, but for the text digest
  const NetValues& values;  // the weights the semiflows weigh with
  const Findings& findings;
  ReportStyle style;
};

struct ReportWriter {
  void (*head)(const NetStore& store, const ReportStyle& style, Output& out);
  void (*subnets)(const ReportContent& content, Output& out);
  void (*rest)(const ReportContent& content, Output& out);
  // About the room the subnets take, for the buffer they go into while a
  // long head is written.
  std::size_t (*subnets_room)(const NetStore& store);
};

// Text: the net's head and in full its listing; in full the subnets
// listed; the indicators, with -g the graph of subnets, the semiflow and
// analysis sections, and the closing line.
extern const ReportWriter kTextReport;
// JSON: the net, in full its arcs; the subnets and their graph; the
// semiflows' and the analysis's keys.
extern const ReportWriter kJsonReport;

// One report, from its head on. A full report's head lists the whole net
// and needs no subnets, so that of a large net is written on a second
// thread while the caller decomposes the net and runs the analyses; a short
// one, or a small net's, at once.
class Report {
 public:
  Report(const ReportWriter& writer, const NetStore& store, const ReportStyle& style, Output& out);

  // The subnets and the rest. While the head is still being written, the
  // subnets go into a buffer of their own that then follows it.
  void Finish(const ReportContent& content);

 private:
  bool TakeRoom(std::size_t room);

  const ReportWriter& writer_;
  Output& out_;
  std::optional<Output> subnets_;  // the subnets, while the head is written
  SecondThread head_;              // joined, at the latest, when the report goes
};

}  // namespace vantira
