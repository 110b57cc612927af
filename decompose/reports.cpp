#include "decompose/reports.h"

#include <cstdint>
#include <new>

#include "decompose/analysis_report.h"
#include "decompose/graph.h"
#include "decompose/json_report.h"
#include "decompose/report.h"
#include "decompose/semiflow_report.h"

namespace vantira {

namespace {

void TextHead(const NetStore& s, const ReportStyle& style, Output& out) {
  WriteNetHead(s, out);
  if (style.full) WriteNetListing(s, out);
}

void TextSubnets(const ReportContent& c, Output& out) {
  if (c.style.full) WriteSubnetListings(c.store, c.map, out);
}

void TextRest(const ReportContent& c, Output& out) {
  WriteIndicators(c.store, c.map, out);
  if (c.style.graph) WriteGraph(c.store, c.map, out);
  for (const SemiflowAnswer& answer : c.findings.semiflows) {
    WriteSemiflowSection(c.store, c.values, c.map, answer, c.style.full, out);
  }
  if (c.findings.analysis) {
    WriteAnalysisSection(c.store, *c.findings.analysis, c.findings.bound_sets, c.findings.seed, c.style.full, out);
  }
  WriteClosing(out);
}

// Every transition's name once, a place's at most twice, and a heading of
// under 42 bytes per subnet.
std::size_t TextSubnetsRoom(const NetStore& s) {
  return 2 * static_cast<std::size_t>(s.fnames) + 2 * static_cast<std::size_t>(s.m) +
         42 * static_cast<std::size_t>(s.n) + 64;
}

void JsonHead(const NetStore& s, const ReportStyle& style, Output& out) {
  WriteJsonHead(s, style.format_name, out);
  if (style.full) WriteJsonArcs(s, out);
}

void JsonSubnets(const ReportContent& c, Output& out) { WriteJsonSubnets(c.store, c.map, out); }

void JsonRest(const ReportContent& c, Output& out) {
  for (const SemiflowAnswer& answer : c.findings.semiflows) WriteJsonSemiflows(c.store, c.values, c.map, answer, out);
  if (c.findings.analysis) WriteJsonAnalysis(c.store, *c.findings.analysis, c.findings.bound_sets, out);
  WriteJsonClosing(out);
}

// Every transition's name once, a place's at most twice, quoted and after a
// comma, and a subnet's keys.
std::size_t JsonSubnetsRoom(const NetStore& s) {
  return 4 * static_cast<std::size_t>(s.fnames) + 8 * static_cast<std::size_t>(s.m) +
         96 * static_cast<std::size_t>(s.n) + 64;
}

// A head with fewer transitions and arcs than this is written sooner than a
// thread is started and joined.
constexpr int64_t kListedForThread = int64_t{1} << 12;

bool HeadIsLong(const NetStore& s) { return static_cast<int64_t>(s.n) + s.fat >= kListedForThread; }

}  // namespace

const ReportWriter kTextReport{TextHead, TextSubnets, TextRest, TextSubnetsRoom};
const ReportWriter kJsonReport{JsonHead, JsonSubnets, JsonRest, JsonSubnetsRoom};

Report::Report(const ReportWriter& writer, const NetStore& store, const ReportStyle& style, Output& out)
    : writer_(writer), out_(out) {
  // The head only reads the store, and the caller only reads it too until
  // Finish joins the head: the index is built before.
  const auto head = [&writer, &store, style, &out] { writer.head(store, style, out); };
  if (style.full && HeadIsLong(store) && TakeRoom(writer.subnets_room(store)) && head_.Start(head)) return;
  subnets_.reset();
  head();  // a short head, or no room or thread to be had: at once
}

// The subnets' buffer, taken before the thread starts: where the memory is
// short, the report is written one part after the other instead.
bool Report::TakeRoom(std::size_t room) {
  try {
    subnets_.emplace().Reserve(room);  // room not written costs no memory
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void Report::Finish(const ReportContent& c) {
  if (head_.Started()) {
    writer_.subnets(c, *subnets_);
    head_.Join();
    out_.Put(subnets_->Text());
    subnets_.reset();
  } else {
    writer_.subnets(c, out_);
  }
  writer_.rest(c, out_);
}

}  // namespace vantira
