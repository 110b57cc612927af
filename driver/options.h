// The command line: options, positional arguments and the usage text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantira {

inline constexpr std::string_view kUsage =
    "vantira: decomposition of Petri nets into functional subnets\n"
    "\n"
    "action: decomposes a bipartite oriented graph (Petri net)\n"
    "        into minimal functional subnes\n"
    "file formats: .ndr, .net, .pnml (described in the vantira README)\n"
    "usage: vantira [-h | -help]\n"
    "               [-v | -q]\n"
    "               [-s] [-g] [-e] [-j] [-p] [-t] [-a]\n"
    "               [-z zname]\n"
    "               [infile] [outfile]\n"
    "FLAGS          WHAT                                DEFAULT\n"
    "-h | -help     this mode\n"
    "-s             write files of subnets\n"
    "-g             create graph of subnets\n"
    "-e             read labels, priorities, notes and arc kinds\n"
    "-j             write the report as JSON\n"
    "-p             minimal P-semiflows\n"
    "-t             minimal T-semiflows\n"
    "-a             structural analysis: classes and bounds\n"
    "-v | -q        textual output (full | digest)      -v\n"
    "-z zname       prefix for names of subnets' files  infile\n"
    "infile         input file (stdin if -)             stdin\n"
    "outfile        output file (stdout if -)           stdout\n"
    "\n"
    "contact: the vantira project's issue tracker\n";

struct Options {
  bool usage = false;  // -h, -help or --help: write kUsage and stop
  bool version = false;  // --version: write the version and stop
  bool full = true;    // -v full output, -q digest
  bool subnet_files = false;
  bool graph = false;
  bool wide_grammar = false;  // -e
  bool json = false;  // -j: the report as one JSON document
  bool p_semiflows = false;     // -p
  bool t_semiflows = false;     // -t
  uint64_t semiflow_limit = 0;  // --semiflow-limit N; 0: the solver's default
  // --semiflow-memory SIZE, in bytes, and as written; 0: half the physical
  // memory, at most 8G.
  uint64_t semiflow_memory = 0;
  std::string semiflow_memory_text;
  // --semiflow-time SECONDS, and as written; 0: no time budget.
  double semiflow_time = 0;
  std::string semiflow_time_text;
  bool basis = false;  // --basis: a basis of the flows even when the semiflows finish
  bool analysis = false;        // -a: classes and bounds
  // --bound P1+P2+...: the places' names of each set, as given.
  std::vector<std::vector<std::string>> bound_sets;
  uint64_t seed = 1;  // --seed N: the random walk's
  std::string infile = "-";
  std::string outfile = "-";
  std::string zname;
  bool has_outfile = false;  // two positional arguments were given
};

// Scans the arguments (without the program name), up to the first -h,
// -help, --help or --version. A third positional argument ends the run with
// "*** unknown option: %s" and status 4; so does a --semiflow-limit whose
// next argument is no number from 1 up, with "*** wrong semiflow limit: %s";
// likewise --semiflow-memory without a size from 1 (K, M or G may follow
// the number), "*** wrong semiflow memory: %s", --semiflow-time without a
// number of seconds above 0, "*** wrong semiflow time: %s", a --bound
// without a list of names joined by '+' ("*** wrong bound set: %s") and a
// --seed without a number below 2^64 ("*** wrong seed: %s").
Options ScanArguments(const std::vector<std::string_view>& args);

}  // namespace vantira
