#include "driver/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "base/failure.h"
#include "base/output.h"
#include "base/second_thread.h"
#include "decompose/decompose.h"
#include "decompose/graph.h"
#include "decompose/json_report.h"
#include "decompose/partition.h"
#include "decompose/report.h"
#include "driver/options.h"
#include "driver/subnet_files.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/recognize.h"
#include "planners/plan_by_format.h"
#include "store/adjacency.h"
#include "store/name_index.h"
#include "store/net_store.h"

namespace vantira {

namespace {

// Closes a descriptor the run opened.
class FdCloser {
 public:
  FdCloser() = default;
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  ~FdCloser() {
    if (fd_ >= 0) close(fd_);
  }
  void Own(int fd) { fd_ = fd; }
  // Closes now; false when the close reports an error (data may be lost).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

// A message goes to standard output; when that stream is the one that
// failed, to standard error instead, so the user still sees it.
int Tell(const Failure& failure) {
  if (!WriteAll(STDOUT_FILENO, failure.Message())) WriteAll(STDERR_FILENO, failure.Message());
  return failure.Status();
}

// The full listings: the net, then the subnets as they grow. Neither reads
// what the other writes, so the net is written on a second thread while the
// subnets grow into a buffer of their own, which then follows the net.
void WriteListings(const NetStore& store, SubnetMap& map, Output& report) {
  // The second thread writes to `report` and reads the store; this one
  // reads the store and writes `map` and `subnets`.
  SecondThread net_part;
  if (!net_part.Start([&] { WriteNetPart(store, report, true); })) {
    // No thread to be had: one after the other.
    WriteNetPart(store, report, true);
    Decompose(store, map, report, true);
    return;
  }
  Output subnets;
  // Every transition's name once, a place's at most twice, and a heading of
  // under 42 bytes per subnet; room not written costs no memory.
  subnets.Reserve(2 * static_cast<std::size_t>(store.fnames) + 2 * static_cast<std::size_t>(store.m) +
                  42 * static_cast<std::size_t>(store.n) + 64);
  Decompose(store, map, subnets, true);  // on failure, net_part is joined first
  net_part.Join();
  report.Put(subnets.Text());
}

}  // namespace

int Run(const std::vector<std::string_view>& args) {
  FdCloser input;
  FdCloser output;
  std::unique_ptr<Output> report;
  try {
    const Options options = ScanArguments(args);
    if (options.usage) {
      WriteAll(STDOUT_FILENO, kUsage);
      return kExitOk;
    }

    int in_fd = STDIN_FILENO;
    if (options.infile != "-") {
      in_fd = open(options.infile.c_str(), O_RDONLY | O_CLOEXEC);
      if (in_fd < 0) throw OpenError(options.infile);
      input.Own(in_fd);
    }
    const ProtectedFile input_file = IdentifyFd(in_fd);

    const bool report_to_file = options.has_outfile && options.outfile != "-";
    const std::string report_name = report_to_file ? options.outfile : "-";
    int out_fd = STDOUT_FILENO;
    if (report_to_file) {
      // Opening the report truncates it: never do that to the input.
      if (IsSameFile(options.outfile, input_file)) throw OpenError(options.outfile);
      out_fd = open(options.outfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (out_fd < 0) throw OpenError(options.outfile);
      output.Own(out_fd);
    }
    const ProtectedFile report_file = IdentifyFd(out_fd);
    report = std::make_unique<Output>(out_fd);

    NetStore store;
    AllocateStore(store);
    // Without listings (text or JSON) the subnets need only the classes the
    // arcs make.
    const ArcStore arcs = !options.full && !options.json ? ArcStore::kClasses : ArcStore::kLists;
    // Only the subnet files read the input a second time; without them it
    // is read block by block and never held whole.
    std::string text;
    std::optional<TextBlocks> input;
    Format format;
    if (options.subnet_files) {
      text = ReadInputText(in_fd);
      format = PrepareByFormat(text);
      input.emplace(text);
    } else {
      input.emplace(in_fd);
      format = input->Recognize();
    }
    const Grammar grammar = options.wide_grammar ? Grammar::kWide : Grammar::kBasic;
    NameIndex index(store);
    GrammarHint hint(STDERR_FILENO);
    PnmlLayout layout;
    try {
      ReadByFormat(format, grammar, *input, store, arcs, index, hint, options.subnet_files ? &layout : nullptr);
    } catch (const Failure&) {
      input->CheckRest();  // a NUL byte or a read error further on is told first
      throw;
    }
    if (!options.subnet_files) {
      // Only the subnet files look at the names again.
      index.places.Clear();
      index.transitions.Clear();
    }

    SubnetMap map;
    if (options.json) {
      // The subnets grow alike from an arc given twice, and the JSON lists
      // no arcs: repeats may stay.
      CreateIOPT(store);
      ReleaseArcLists(store);
      WriteJsonReport(store, FormatName(format), map, *report);
    } else if (options.full) {
      // Listing the net and the subnets needs the index and the order of growth.
      IndexByFormat(format, store);
      ReleaseArcLists(store);
      WriteListings(store, map, *report);
    } else {
      WriteNetPart(store, *report, false);
      PartitionArcs(store, arcs, map);
    }
    if (!options.json) {
      WriteIndicators(store, map, *report);
      if (options.graph) WriteGraph(store, map, *report);
      WriteClosing(*report);
    }
    report->Flush();
    if (report->Failed() || !output.Close()) throw WriteError(report_name);
    report.reset();

    if (options.subnet_files) {
      SubnetPlan plan;
      PlanByFormat(format, grammar, text, index, layout, map, plan);
      WriteSubnetFiles(plan, map.iSubNet, SubnetBaseName(options.infile, options.zname), FormatExtension(format),
                       input_file, report_file);
    }
    return kExitOk;
  } catch (const Failure& failure) {
    // What the report holds so far stays; the message follows it.
    if (report) report->Flush();
    return Tell(failure);
  } catch (const std::bad_alloc&) {
    if (report) report->Flush();
    return Tell(NoMemory());
  }
}

}  // namespace vantira
