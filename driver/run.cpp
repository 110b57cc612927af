#include "driver/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "base/failure.h"
#include "base/output.h"
#include "decompose/analysis_report.h"
#include "decompose/report_kind.h"
#include "driver/analysis_step.h"
#include "driver/options.h"
#include "driver/semiflow_step.h"
#include "driver/subnet_files.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "formats/recognize.h"
#include "planners/plan_by_format.h"
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
constexpr std::string_view kTerminalNote =
    "vantira: reading a net from standard input (end it with Ctrl-D); vantira -h lists the options\n";

// A name that ends in a suffix of the net formats, in any case.
bool IsNetFileName(std::string_view name) {
  for (std::string_view suffix : {".net", ".ndr", ".pnml"}) {
    if (name.size() >= suffix.size() &&
        std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
      return true;
    }
  }
  return false;
}

// The reason told of a file name such as "-x" or "--verbose", more likely
// meant as an option.
std::string NoOptionReason(const std::string& name) { return "no option " + name + "; vantira -h lists the options"; }

// A file named on the command line that open() refused with errno `error`.
Failure OpenFailure(const std::string& name, int error) {
  Failure failure = OpenError(std::string_view(name));
  if (name.size() > 1 && name[0] == '-') return std::move(failure).Because(NoOptionReason(name));
  return std::move(failure).Because(name + ": " + SystemReason(error));
}

// The report `name` ("-": standard output), whose write or close failed with
// errno `error`.
Failure WriteFailure(const std::string& name, int error) {
  // A reader that has seen enough and gone (`vantira net | head`) is told
  // nothing; the status still says that the report is not whole.
  if (name == "-" && error == EPIPE) return Failure(std::string(), kExitFile);
  const std::string shown = name == "-" ? "standard output" : name;
  return WriteError(std::string_view(name)).Because(shown + ": " + SystemReason(error));
}

// "-q -g" for "-qg", a word made only of option letters; empty for any other.
std::string OptionsApart(std::string_view word) {
  if (word.size() < 3 || word[0] != '-') return {};
  std::string apart;
  for (char letter : word.substr(1)) {
    if (std::string_view("hvqsgejzpta").find(letter) == std::string_view::npos) return {};
    if (!apart.empty()) apart.push_back(' ');
    apart.append({'-', letter});
  }
  return apart;
}

// Opens the report file `name` for writing, creating it but not emptying it
// (the report's first write does that), and refuses a name that would lose
// a file of the user's: an option mistyped, the input, an existing net file.
int OpenReport(const std::string& name, const ProtectedFile& input) {
  if (name[0] == '-') {
    const std::string apart = OptionsApart(name);
    throw OpenError(std::string_view(name))
        .Because(NoOptionReason(name) + (apart.empty() ? "" : " (write options apart: " + apart + ")"));
  }
  if (IsSameFile(name, input)) {
    throw OpenError(std::string_view(name)).Because(name + " is the input file; the report would overwrite it");
  }
  if (IsNetFileName(name) && access(name.c_str(), F_OK) == 0) {
    throw OpenError(std::string_view(name)).Because(name + " is a net file; the report would overwrite it");
  }
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw OpenFailure(name, errno);
  return fd;
}

// A message goes to standard output; with -j, whose standard output holds
// JSON or nothing, and when standard output is the stream that failed, to
// standard error instead. Its reason follows on standard error. A failure
// without a message is told nothing.
int Tell(const Failure& failure, bool json) {
  if (json || !WriteAll(STDOUT_FILENO, failure.Message())) WriteAll(STDERR_FILENO, failure.Message());
  WriteAll(STDERR_FILENO, ReasonLine(failure));
  return failure.Status();
}

// The streams of a run: the input, the report, and the files that must
// never be overwritten.
class Streams {
 public:
  // Opens the input and the report that `options` name, and announces a net
  // awaited from a terminal.
  explicit Streams(const Options& options) {
    if (options.infile != "-") {
      in_fd_ = open(options.infile.c_str(), O_RDONLY | O_CLOEXEC);
      if (in_fd_ < 0) throw OpenFailure(options.infile, errno);
      input_.Own(in_fd_);
      input_name_ = options.infile;
    }
    input_file_ = IdentifyFd(in_fd_);
    int out_fd = STDOUT_FILENO;
    if (options.has_outfile && options.outfile != "-") {
      report_name_ = options.outfile;
      out_fd = OpenReport(options.outfile, input_file_);
      output_.Own(out_fd);
    }
    report_file_ = IdentifyFd(out_fd);
    report_ = std::make_unique<Output>(out_fd);
    if (report_name_ != "-" && report_file_.known) report_->EmptyBeforeFirstWrite();
    if (options.infile == "-" && isatty(STDIN_FILENO)) WriteAll(STDERR_FILENO, kTerminalNote);
  }

  int InputFd() const { return in_fd_; }
  std::string_view InputName() const { return input_name_; }
  const ProtectedFile& InputFile() const { return input_file_; }
  const ProtectedFile& ReportFile() const { return report_file_; }
  Output& Report() { return *report_; }

  // Writes out what the report holds so far, on failure.
  void FlushReport() {
    if (report_) report_->Flush();
  }
  // Writes out and closes the complete report; a failed write or close throws.
  void CloseReport() {
    report_->Flush();
    if (report_->Failed()) throw WriteFailure(report_name_, report_->Error());
    if (!output_.Close()) throw WriteFailure(report_name_, errno);
    report_.reset();
  }

 private:
  FdCloser input_;
  FdCloser output_;
  int in_fd_ = STDIN_FILENO;
  std::string input_name_{kStandardInput};
  std::string report_name_ = "-";
  ProtectedFile input_file_;
  ProtectedFile report_file_;
  std::unique_ptr<Output> report_;
};

ReportKind KindOf(const Options& options) {
  if (options.json) return options.full ? ReportKind::kJsonFull : ReportKind::kJsonDigest;
  return options.full ? ReportKind::kTextFull : ReportKind::kTextDigest;
}

// The net as read, and what the subnet files need of the reading.
struct ReadNet {
  explicit ReadNet(const NetStore& store) : index(store) {}
  Format format = Format::kNet;
  Grammar grammar = Grammar::kBasic;
  std::string text;  // the whole input, held only for the subnet files
  NameIndex index;
  NetLayout layout;
  NetValues values;  // weights and markings, read only for the semiflows and the analysis
};

bool WantsSemiflows(const Options& options) { return options.p_semiflows || options.t_semiflows; }
bool WantsValues(const Options& options) { return WantsSemiflows(options) || WantsAnalysis(options); }

// Reads the net into `store`, its arcs where a report of `kind` wants them,
// and the weights and markings for the semiflows and the analysis. Only the
// subnet files read the input a second time; without them it is read block
// by block and never held whole.
void Read(const Options& options, ReportKind kind, const Streams& streams, NetStore& store, ReadNet& net) {
  AllocateStore(store);
  // Only the JSON report shows the names authors gave the nodes.
  if (options.json) store.labels.Want();
  net.grammar = options.wide_grammar ? Grammar::kWide : Grammar::kBasic;
  std::optional<TextBlocks> input;
  if (options.subnet_files) {
    net.text = ReadInputText(streams.InputFd(), streams.InputName());
    net.format = PrepareByFormat(net.text);
    input.emplace(net.text);
  } else {
    input.emplace(streams.InputFd(), TextBlocks::kBlock, streams.InputName());
    net.format = input->Recognize();
  }
  GrammarHint hint(STDERR_FILENO);
  try {
    ReadByFormat(net.format, net.grammar, *input,
                 {store, ArcsFor(kind), net.index, hint, options.subnet_files ? &net.layout : nullptr,
                  WantsValues(options) ? &net.values : nullptr});
  } catch (const Failure&) {
    input->CheckRest();  // a NUL byte or a read error further on is told first
    throw;
  }
  // The reading is done with the names: the subnet files have what they
  // need in the layout.
  net.index.places.Clear();
  net.index.transitions.Clear();
}

// The semiflow sections of the report, computed once the subnets are known;
// `answers` keeps them for the exit status.
LaterSections SemiflowSections(const Options& options, const NetStore& store, const ReadNet& net,
                               std::vector<SemiflowAnswer>& answers) {
  if (!WantsSemiflows(options)) return {};
  return [&options, &store, &net, &answers](const SubnetMap& map, Output& out) {
    answers = ComputeSemiflows(store, net.values, map, options);
    for (const SemiflowAnswer& answer : answers) {
      if (options.json) {
        WriteJsonSemiflows(store, net.values, map, answer, out);
      } else {
        WriteSemiflowSection(store, net.values, map, answer, options.full, out);
      }
    }
  };
}

// The analysis section, after the semiflows.
LaterSections AnalysisSection(const Options& options, const NetStore& store, const ReadNet& net,
                              const std::vector<std::vector<int32_t>>& sets) {
  if (!WantsAnalysis(options)) return {};
  return [&options, &store, &net, &sets](const SubnetMap& map, Output& out) {
    const Analysis analysis = AnalyseNet(store, net.values, map, options, sets);
    if (options.json) {
      WriteJsonAnalysis(store, analysis, sets, out);
    } else {
      WriteAnalysisSection(store, analysis, sets, options.seed, options.full, out);
    }
  };
}

// `first`, then `second`, each when set.
LaterSections Then(LaterSections first, LaterSections second) {
  if (!first || !second) return first ? first : second;
  return [first, second](const SubnetMap& map, Output& out) {
    first(map, out);
    second(map, out);
  };
}

void WriteSubnets(const Options& options, const ReadNet& net, const SubnetMap& map, const Streams& streams) {
  if (!net.layout.nupn_fault.empty() && map.iSubNet > 0) {
    WriteAll(STDERR_FILENO, "vantira: the subnet files hold no NUPN block: " + net.layout.nupn_fault + "\n");
  }
  SubnetPlan plan;
  PlanByFormat(net.format, net.grammar, net.text, net.layout, map, plan);
  WriteSubnetFiles(plan, map.iSubNet, SubnetBaseName(options.infile, options.zname), FormatExtension(net.format),
                   streams.InputFile(), streams.ReportFile());
}

}  // namespace

int Run(const std::vector<std::string_view>& args) {
  // Known before the arguments are scanned, for a failure of the scan too.
  const bool json = std::find(args.begin(), args.end(), "-j") != args.end();
  std::optional<Streams> streams;
  std::string_view phase = "reading";  // what a run out of memory was doing, for its reason
  try {
    const Options options = ScanArguments(args);
    if (options.usage || options.version) {
      WriteAll(STDOUT_FILENO, options.usage ? kUsage : kVersion);
      return kExitOk;
    }
    streams.emplace(options);
    const ReportKind kind = KindOf(options);
    NetStore store;
    ReadNet net(store);
    Read(options, kind, *streams, store, net);
    const std::vector<std::vector<int32_t>> bound_sets = BoundSets(store, options);

    phase = "decomposing";
    SubnetMap map;
    const ReportedNet reported{FormatName(net.format), RepeatsCountOnce(net.format), options.graph};
    std::vector<SemiflowAnswer> semiflows;
    WriteReport(
        kind, store, reported, map, streams->Report(),
        Then(SemiflowSections(options, store, net, semiflows), AnalysisSection(options, store, net, bound_sets)));
    streams->CloseReport();  // before any subnet file
    CheckSemiflowsComplete(semiflows);

    phase = "writing subnet files";
    if (options.subnet_files) WriteSubnets(options, net, map, *streams);
    return kExitOk;
  } catch (Failure& failure) {
    // What the report holds so far stays; the message follows it.
    if (streams) streams->FlushReport();
    if (failure.Status() == kExitNoMemory && failure.Reason().empty()) {
      failure.Because(std::string("not enough memory while ").append(phase));
    }
    return Tell(failure, json);
  } catch (const std::bad_alloc&) {
    if (streams) streams->FlushReport();
    return Tell(NoMemory().Because(std::string("not enough memory while ").append(phase)), json);
  }
}

}  // namespace vantira
