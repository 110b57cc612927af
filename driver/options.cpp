#include "driver/options.h"

#include <charconv>
#include <system_error>

#include "base/failure.h"

namespace vantira {

namespace {

// The number after --semiflow-limit: rows, from 1 up.
uint64_t SemiflowLimit(const std::vector<std::string_view>& args, std::size_t& i) {
  const std::string_view arg = ++i < args.size() ? args[i] : std::string_view();
  uint64_t limit = 0;
  const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), limit);
  if (arg.empty() || error != std::errc() || end != arg.data() + arg.size() || limit == 0 || arg[0] == '+') {
    throw MakeFailure(kExitFile, std::string("wrong semiflow limit: ").append(arg))
        .Because(i < args.size() ? Quoted(arg).append(" is no number of rows from 1 to 2^64 - 1")
                                 : std::string("--semiflow-limit needs a number of rows after it"));
  }
  return limit;
}

// The size after --semiflow-memory: bytes from 1, or with K, M or G after
// the number, KiB, MiB or GiB.
uint64_t SemiflowMemory(const std::vector<std::string_view>& args, std::size_t& i) {
  const std::string_view arg = ++i < args.size() ? args[i] : std::string_view();
  uint64_t size = 0;
  const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), size);
  const std::string_view suffix(end, static_cast<std::size_t>(arg.data() + arg.size() - end));
  int shift = -1;
  if (suffix.empty()) shift = 0;
  if (suffix == "K" || suffix == "k") shift = 10;
  if (suffix == "M" || suffix == "m") shift = 20;
  if (suffix == "G" || suffix == "g") shift = 30;
  if (arg.empty() || error != std::errc() || arg[0] == '+' || size == 0 || shift < 0 || (size >> (63 - shift)) != 0) {
    throw MakeFailure(kExitFile, std::string("wrong semiflow memory: ").append(arg))
        .Because(i < args.size() ? Quoted(arg).append(" is no size from 1 byte (K, M or G may follow the number)")
                                 : std::string("--semiflow-memory needs a size after it, as 1G"));
  }
  return size << shift;
}

// The seconds after --semiflow-time: a decimal number above 0, digits with
// at most one point among them (read by hand: not every C++ library reads a
// double with from_chars).
double SemiflowTime(const std::vector<std::string_view>& args, std::size_t& i) {
  const std::string_view arg = ++i < args.size() ? args[i] : std::string_view();
  double seconds = 0, scale = 1;
  bool point = false, digits = false, well_formed = !arg.empty();
  for (char c : arg) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point) {
        scale /= 10;
        seconds += (c - '0') * scale;
      } else {
        seconds = seconds * 10 + (c - '0');
      }
    } else {
      well_formed = false;
    }
  }
  if (!well_formed || !digits || !(seconds > 0) || seconds > 1e9) {
    throw MakeFailure(kExitFile, std::string("wrong semiflow time: ").append(arg))
        .Because(i < args.size() ? Quoted(arg).append(" is no number of seconds above 0")
                                 : std::string("--semiflow-time needs a number of seconds after it"));
  }
  return seconds;
}

// The names after --bound, joined by '+', none empty.
std::vector<std::string> BoundSet(const std::vector<std::string_view>& args, std::size_t& i) {
  const bool given = ++i < args.size();
  const std::string_view arg = given ? args[i] : std::string_view();
  std::vector<std::string> names;
  std::size_t start = 0;
  while (given) {
    const std::size_t plus = arg.find('+', start);
    names.emplace_back(arg.substr(start, plus == std::string_view::npos ? std::string_view::npos : plus - start));
    if (names.back().empty() || plus == std::string_view::npos) break;
    start = plus + 1;
  }
  if (!given || names.back().empty()) {
    throw MakeFailure(kExitFile, std::string("wrong bound set: ").append(arg))
        .Because(given ? Quoted(arg).append(" is no list of place names joined by '+'")
                       : std::string("--bound needs place names joined by '+' after it"));
  }
  return names;
}

// The number after --seed, from 0 to 2^64 - 1.
uint64_t Seed(const std::vector<std::string_view>& args, std::size_t& i) {
  const std::string_view arg = ++i < args.size() ? args[i] : std::string_view();
  uint64_t seed = 0;
  const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), seed);
  if (arg.empty() || error != std::errc() || end != arg.data() + arg.size() || arg[0] == '+') {
    throw MakeFailure(kExitFile, std::string("wrong seed: ").append(arg))
        .Because(i < args.size() ? Quoted(arg).append(" is no number from 0 to 2^64 - 1")
                                 : std::string("--seed needs a number after it"));
  }
  return seed;
}

}  // namespace

Options ScanArguments(const std::vector<std::string_view>& args) {
  enum State { kInfile, kOutfile, kNoMore, kZname };
  Options options;
  State state = kInfile;
  State remembered = kInfile;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-h" || arg == "-help" || arg == "--help") {
      options.usage = true;
      return options;
    }
    if (arg == "--version") {
      options.version = true;
      return options;
    }
    if (arg == "-q") {
      options.full = false;
    } else if (arg == "-v") {
      options.full = true;
    } else if (arg == "-s") {
      options.subnet_files = true;
    } else if (arg == "-g") {
      options.graph = true;
    } else if (arg == "-e") {
      options.wide_grammar = true;
    } else if (arg == "-j") {
      options.json = true;
    } else if (arg == "-p") {
      options.p_semiflows = true;
    } else if (arg == "-t") {
      options.t_semiflows = true;
    } else if (arg == "-a") {
      options.analysis = true;
    } else if (arg == "--bound") {
      options.bound_sets.push_back(BoundSet(args, i));
    } else if (arg == "--seed") {
      options.seed = Seed(args, i);
    } else if (arg == "--semiflow-limit") {
      options.semiflow_limit = SemiflowLimit(args, i);
    } else if (arg == "--semiflow-memory") {
      options.semiflow_memory = SemiflowMemory(args, i);
      options.semiflow_memory_text = args[i];
    } else if (arg == "--semiflow-time") {
      options.semiflow_time = SemiflowTime(args, i);
      options.semiflow_time_text = args[i];
    } else if (arg == "--basis") {
      options.basis = true;
    } else if (arg == "-z") {
      options.subnet_files = true;
      // A second -z while a zname is still pending keeps the first state, so
      // "-z -z sub a.net" still reads a.net.
      if (state != kZname) remembered = state;
      state = kZname;
    } else if (state == kInfile) {
      options.infile = arg;
      state = kOutfile;
    } else if (state == kOutfile) {
      options.outfile = arg;
      state = kNoMore;
    } else if (state == kZname) {
      options.zname = arg;
      state = remembered;
    } else {
      throw MakeFailure(kExitFile, std::string("unknown option: ").append(arg))
          .Because(Quoted(arg).append(" would be a third file name; vantira -h lists the options"));
    }
  }
  // A trailing -z without a zname leaves the positional state as it was, so
  // an outfile named before it is still honoured.
  if (state == kZname) state = remembered;
  options.has_outfile = state == kNoMore;
  return options;
}

}  // namespace vantira
