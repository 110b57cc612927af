#include "driver/run.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "base/failure.h"
#include "base/output.h"
#include "decompose/decompose.h"
#include "decompose/findings.h"
#include "decompose/partition.h"
#include "decompose/reports.h"
#include "driver/analysis_step.h"
#include "driver/options.h"
#include "driver/semiflow_step.h"
#include "driver/streams.h"
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

constexpr std::string_view kVersion = "vantira " VANTIRA_VERSION "\n";

// A message goes to standard output; with -j, whose standard output holds
// JSON or nothing, and when standard output is the stream that failed, to
// standard error instead. Its reason follows on standard error. A failure
// without a message is told nothing.
int Tell(const Failure& failure, bool json) {
  if (json || !WriteAll(STDOUT_FILENO, failure.Message())) WriteAll(STDERR_FILENO, failure.Message());
  WriteAll(STDERR_FILENO, ReasonLine(failure));
  return failure.Status();
}

// The reports that list the subnets (the full ones and JSON) need the
// adjacency index and the subnets' lists; the text digest only the classes
// of transitions that the arcs join, which the reader builds as it goes.
bool ListsSubnets(const Options& options) { return options.full || options.json; }

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

// Reads the net into `store`, its arcs as the report needs them,
// and the weights and markings for the semiflows and the analysis. Only the
// subnet files read the input a second time; without them it is read block
// by block and never held whole.
void Read(const Options& options, const Streams& streams, NetStore& store, ReadNet& net) {
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
                 {store, ListsSubnets(options) ? ArcStore::kLists : ArcStore::kClasses, net.index, hint,
                  options.subnet_files ? &net.layout : nullptr, WantsValues(options) ? &net.values : nullptr});
  } catch (const Failure&) {
    input->CheckRest();  // a NUL byte or a read error further on is told first
    throw;
  }
  // The reading is done with the names: the subnet files have what they
  // need in the layout.
  net.index.places.Clear();
  net.index.transitions.Clear();
}

// The adjacency index for the reports that list the subnets, after which
// the arc lists go. The full listings show an arc once where the format
// counts it once; the subnets grow alike from an arc given twice.
void Index(const Options& options, Format format, NetStore& store) {
  if (!ListsSubnets(options)) return;
  if (options.full && RepeatsCountOnce(format)) RemoveDuplicateArcs(store);
  CreateIOPT(store);
  ReleaseArcLists(store);
}

// The subnets into `map`: grown from the index, with their lists, for the
// reports that list them; for the text digest, the classes the reader joined.
void DecomposeNet(const Options& options, NetStore& store, SubnetMap& map) {
  if (ListsSubnets(options)) {
    Decompose(store, map);
  } else {
    PartitionArcs(store, ArcStore::kClasses, map);
  }
}

// The analyses asked for, in the order the report shows them.
Findings Analyse(const Options& options, const NetStore& store, const NetValues& values, const SubnetMap& map,
                 std::vector<std::vector<int32_t>> bound_sets) {
  Findings findings;
  findings.semiflows = ComputeSemiflows(store, values, options);
  if (WantsAnalysis(options)) findings.analysis = AnalyseNet(store, values, map, options, bound_sets);
  findings.bound_sets = std::move(bound_sets);
  findings.seed = options.seed;
  return findings;
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
    NetStore store;
    ReadNet net(store);
    Read(options, *streams, store, net);
    std::vector<std::vector<int32_t>> bound_sets = BoundSets(store, options);

    phase = "decomposing";
    Index(options, net.format, store);
    const ReportStyle style{FormatName(net.format), options.full, options.graph};
    Report report(options.json ? kJsonReport : kTextReport, store, style, streams->Report());
    SubnetMap map;
    DecomposeNet(options, store, map);
    const Findings findings = Analyse(options, store, net.values, map, std::move(bound_sets));
    report.Finish({store, map, net.values, findings, style});
    streams->CloseReport();  // before any subnet file
    CheckSemiflowsComplete(findings.semiflows);

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
