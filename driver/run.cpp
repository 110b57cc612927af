#include "driver/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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
#include "driver/semiflow_step.h"
#include "driver/subnet_files.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/recognize.h"
#include "formats/values_reader.h"
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

constexpr std::string_view kVersion = "vantira " VANTIRA_VERSION "\n";

// A file named on the command line that open() refused with errno `error`.
Failure OpenFailure(const std::string& name, int error) {
  Failure failure = OpenError(std::string_view(name));
  // A word such as "-x" or "--verbose" was more likely meant as an option.
  if (name.size() > 1 && name[0] == '-') {
    return std::move(failure).Because("no option " + name + "; vantira -h lists the options");
  }
  return std::move(failure).Because(name + ": " + SystemReason(error));
}

// The report `name` ("-": standard output), whose write or close failed with
// errno `error`.
Failure WriteFailure(const std::string& name, int error) {
  const std::string shown = name == "-" ? "standard output" : name;
  return WriteError(std::string_view(name)).Because(shown + ": " + SystemReason(error));
}

// A message goes to standard output; when that stream is the one that
// failed, to standard error instead, so the user still sees it. Its reason
// follows on standard error.
int Tell(const Failure& failure) {
  if (!WriteAll(STDOUT_FILENO, failure.Message())) WriteAll(STDERR_FILENO, failure.Message());
  WriteAll(STDERR_FILENO, ReasonLine(failure));
  return failure.Status();
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

}  // namespace

int Run(const std::vector<std::string_view>& args) {
  FdCloser input;
  FdCloser output;
  std::unique_ptr<Output> report;
  // What a run out of memory was doing, for its reason.
  std::string_view phase = "reading";
  try {
    const Options options = ScanArguments(args);
    if (options.usage || options.version) {
      WriteAll(STDOUT_FILENO, options.usage ? kUsage : kVersion);
      return kExitOk;
    }

    int in_fd = STDIN_FILENO;
    if (options.infile != "-") {
      in_fd = open(options.infile.c_str(), O_RDONLY | O_CLOEXEC);
      if (in_fd < 0) throw OpenFailure(options.infile, errno);
      input.Own(in_fd);
    }
    const std::string_view input_name = options.infile == "-" ? kStandardInput : std::string_view(options.infile);
    const ProtectedFile input_file = IdentifyFd(in_fd);

    const bool report_to_file = options.has_outfile && options.outfile != "-";
    const std::string report_name = report_to_file ? options.outfile : "-";
    int out_fd = STDOUT_FILENO;
    if (report_to_file) {
      // Opening the report truncates it: never do that to the input.
      if (IsSameFile(options.outfile, input_file)) {
        throw MakeFailure(kExitFile, "error open file " + options.outfile)
            .Because(options.outfile + " is the input file; the report would overwrite it");
      }
      out_fd = open(options.outfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (out_fd < 0) throw OpenFailure(options.outfile, errno);
      output.Own(out_fd);
    }
    const ProtectedFile report_file = IdentifyFd(out_fd);
    report = std::make_unique<Output>(out_fd);

    NetStore store;
    AllocateStore(store);
    // Without listings (text or JSON) the subnets need only the classes the
    // arcs make.
    const ArcStore arcs = !options.full && !options.json ? ArcStore::kClasses : ArcStore::kLists;
    // Only the subnet files and the semiflows' weights read the input a
    // second time; without them it is read block by block and never held whole.
    const bool semiflows = options.p_semiflows || options.t_semiflows;
    std::string text;
    std::optional<TextBlocks> input;
    Format format;
    if (options.subnet_files || semiflows) {
      text = ReadInputText(in_fd, input_name);
      format = PrepareByFormat(text);
      input.emplace(text);
    } else {
      input.emplace(in_fd, TextBlocks::kBlock, input_name);
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
    NetValues values;
    if (semiflows) ReadValuesByFormat(format, grammar, text, index, store, values);
    if (!options.subnet_files) {
      // Only the subnet files look at the names again.
      index.places.Clear();
      index.transitions.Clear();
    }

    phase = "decomposing";
    SubnetMap map;
    if (options.json) {
      if (options.full) {
        // The arcs are listed as in the text report, repeats dropped alike.
        IndexByFormat(format, store);
      } else {
        // The subnets grow alike from an arc given twice: repeats may stay.
        CreateIOPT(store);
      }
      ReleaseArcLists(store);
      WriteJsonHead(store, FormatName(format), *report);
      if (options.full) {
        // Every transition's name once, a place's at most twice, quoted and
        // after a comma, and a subnet's keys.
        const std::size_t room = 4 * static_cast<std::size_t>(store.fnames) + 8 * static_cast<std::size_t>(store.m) +
                                 96 * static_cast<std::size_t>(store.n) + 64;
        WriteListings(
            *report, room, [&](Output& out) { WriteJsonArcs(store, out); },
            [&](Output& out) { WriteJsonSubnets(store, map, out, semiflows); });
      } else {
        WriteJsonSubnets(store, map, *report, semiflows);
      }
    } else if (options.full) {
      // Listing the net and the subnets needs the index and the order of growth.
      IndexByFormat(format, store);
      ReleaseArcLists(store);
      // Every transition's name once, a place's at most twice, and a heading
      // of under 42 bytes per subnet.
      const std::size_t room = 2 * static_cast<std::size_t>(store.fnames) + 2 * static_cast<std::size_t>(store.m) +
                               42 * static_cast<std::size_t>(store.n) + 64;
      WriteListings(
          *report, room, [&](Output& out) { WriteNetPart(store, out, true); },
          [&](Output& out) { Decompose(store, map, out, true); });
    } else {
      WriteNetPart(store, *report, false);
      PartitionArcs(store, arcs, map);
    }
    const std::vector<SemiflowAnswer> answers =
        semiflows ? ComputeSemiflows(store, values, map, options) : std::vector<SemiflowAnswer>();
    if (options.json) {
      for (const SemiflowAnswer& answer : answers) WriteJsonSemiflows(store, values, map, answer, *report);
      if (semiflows) WriteJsonClosing(*report);
    } else {
      WriteIndicators(store, map, *report);
      if (options.graph) WriteGraph(store, map, *report);
      for (const SemiflowAnswer& answer : answers)
        WriteSemiflowSection(store, values, map, answer, options.full, *report);
      WriteClosing(*report);
    }
    report->Flush();
    if (report->Failed()) throw WriteFailure(report_name, report->Error());
    if (!output.Close()) throw WriteFailure(report_name, errno);
    report.reset();
    CheckSemiflowsComplete(answers);

    phase = "writing subnet files";
    if (options.subnet_files) {
      SubnetPlan plan;
      PlanByFormat(format, grammar, text, index, layout, map, plan);
      WriteSubnetFiles(plan, map.iSubNet, SubnetBaseName(options.infile, options.zname), FormatExtension(format),
                       input_file, report_file);
    }
    return kExitOk;
  } catch (Failure& failure) {
    // What the report holds so far stays; the message follows it.
    if (report) report->Flush();
    if (failure.Status() == kExitNoMemory && failure.Reason().empty()) {
      failure.Because(std::string("not enough memory while ").append(phase));
    }
    return Tell(failure);
  } catch (const std::bad_alloc&) {
    if (report) report->Flush();
    return Tell(NoMemory().Because(std::string("not enough memory while ").append(phase)));
  }
}

}  // namespace vantira
