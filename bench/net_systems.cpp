// vantira-netsystems: a net's P- and T-systems, as vantira -p -t builds
// them (its readers and its weights), written for the semiflow benchmark:
//   OUTBASE.p.sys, OUTBASE.t.sys  the sparse systems, read by
//                                 vantira-semiflows
//   OUTBASE.p.mat, OUTBASE.t.mat  the dense matrices 4ti2 reads (rows are
//                                 equations), only when they hold at most
//                                 --dense-max entries
//   with --arcs FILE, also the arcs the semiflows take, one a line:
//                                 PLACE TRANSITION in|out WEIGHT, apart by tabs (in: the
//                                 place is an input of the transition), read
//                                 by the check that they are the arcs of the
//                                 subnets but for those that only look
// and prints one line: places=.. transitions=.. subnets=.. p_dense=0|1 t_dense=0|1
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "base/subnet_map.h"
#include "decompose/partition.h"
#include "formats/by_format.h"
#include "formats/grammar.h"
#include "formats/input_text.h"
#include "semiflows/net_system.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "store/net_values.h"

using namespace vantira;

namespace {

void WriteSparse(const SparseSystem& s, const std::string& path) {
  std::ofstream out(path);
  out << s.variables << " " << s.equations << "\n";
  for (int32_t v = 0; v < s.variables; ++v) {
    out << s.start[v + 1] - s.start[v];
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) out << " " << s.equation[k] << " " << s.coefficient[k];
    out << "\n";
  }
}

bool WriteDense(const SparseSystem& s, const std::string& path, int64_t most) {
  if (static_cast<int64_t>(s.variables) * s.equations > most) return false;
  std::vector<std::vector<int64_t>> rows(static_cast<std::size_t>(s.equations),
                                         std::vector<int64_t>(static_cast<std::size_t>(s.variables), 0));
  for (int32_t v = 0; v < s.variables; ++v)
    for (int64_t k = s.start[v]; k < s.start[v + 1]; ++k) rows[s.equation[k]][v] = s.coefficient[k];
  std::ofstream out(path);
  out << s.equations << " " << s.variables << "\n";
  for (const auto& row : rows) {
    std::string line;
    for (int64_t value : row) line.append(std::to_string(value)).push_back(' ');
    out << line << "\n";
  }
  return true;
}

void WriteArcs(const NetStore& store, const NetValues& values, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  for (const WeightedArc& arc : values.arcs) {
    out << store.PlaceName(arc.place) << "\t" << store.TransitionName(arc.transition) << (arc.output ? "\tout\t" : "\tin\t")
        << arc.weight << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  int64_t dense_max = 50'000'000;
  std::string arcs_file;
  bool wide = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--dense-max" && i + 1 < argc) {
      dense_max = std::atoll(argv[++i]);
    } else if (std::string_view(argv[i]) == "--arcs" && i + 1 < argc) {
      arcs_file = argv[++i];
    } else if (std::string_view(argv[i]) == "--wide") {
      wide = true;
    } else {
      args.emplace_back(argv[i]);
    }
  }
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: vantira-netsystems [--dense-max ENTRIES] [--arcs FILE] [--wide] NET OUTBASE\n");
    return 2;
  }
  try {
    const int fd = open(args[0].c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw MakeFailure(kExitFile, "cannot open " + args[0]);
    std::string text = ReadInputText(fd, args[0]);
    close(fd);
    const Format format = PrepareByFormat(text);
    NetStore store;
    NameIndex index(store);
    // A net the basic grammar refuses is read in the wide one, as vantira -e
    // reads it; --wide reads it so at once.
    Grammar grammar = wide ? Grammar::kWide : Grammar::kBasic;
    NetValues values;
    for (;;) {
      AllocateStore(store);
      TextBlocks input(text);
      GrammarHint hint;
      try {
        ReadByFormat(format, grammar, input, {store, ArcStore::kLists, index, hint, nullptr, &values});
        break;
      } catch (const Failure&) {
        if (grammar == Grammar::kWide) throw;
        grammar = Grammar::kWide;
        store = NetStore{};
        values = NetValues{};
        index.places.Clear();
        index.transitions.Clear();
      }
    }
    if (!arcs_file.empty()) WriteArcs(store, values, arcs_file);
    SubnetMap map;
    PartitionArcs(store, ArcStore::kLists, map);
    const SparseSystem p = PlaceSystem(store, values), t = TransitionSystem(store, values);
    WriteSparse(p, args[1] + ".p.sys");
    WriteSparse(t, args[1] + ".t.sys");
    const bool p_dense = WriteDense(p, args[1] + ".p.mat", dense_max);
    const bool t_dense = WriteDense(t, args[1] + ".t.mat", dense_max);
    std::printf("places=%d transitions=%d subnets=%d p_dense=%d t_dense=%d\n", p.variables, t.variables, map.iSubNet,
                p_dense ? 1 : 0, t_dense ? 1 : 0);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "vantira-netsystems: %s%s\n", failure.Message().c_str(), failure.Reason().c_str());
    return failure.Status();
  }
  return 0;
}
