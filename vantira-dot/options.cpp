#include "options.h"

#include <charconv>
#include <string>

namespace vantira_dot {

namespace {

ReportError Refused(const std::string& message, const std::string& reason) {
  return ReportError{"*** " + message, 4, reason};
}

// A decimal number of at least `least` and at most 2^31 - 1, nothing else.
bool TakeNumber(std::string_view text, int least, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() && text[0] != '-' && value >= least;
}

constexpr std::string_view kValued[] = {"--subnet", "--depth", "--top"};

std::string Why(std::string_view option) {
  if (option == "--subnet") return "--subnet takes subnet numbers from 1, such as --subnet 3 or --subnet 3,7";
  if (option == "--depth") return "--depth takes a number of steps from 0, such as --depth 2";
  return "--top takes a number of subnets from 1, such as --top 30";
}

void TakeValue(Options& options, std::string_view option, std::string_view value) {
  const std::string wrong = "wrong value of " + std::string(option) + ": " + std::string(value);
  if (option == "--subnet") {
    for (std::size_t from = 0;;) {
      const std::size_t comma = value.find(',', from);
      int k = 0;
      if (!TakeNumber(value.substr(from, comma - from), 1, k)) throw Refused(wrong, Why(option));
      options.subnets.push_back(k);
      if (comma == std::string_view::npos) return;
      from = comma + 1;
    }
  }
  if (!TakeNumber(value, option == "--depth" ? 0 : 1, option == "--depth" ? options.depth : options.top)) {
    throw Refused(wrong, Why(option));
  }
}

}  // namespace

Options ScanOptions(const std::vector<std::string_view>& args) {
  Options options;
  bool named = false;
  bool depth = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-h" || arg == "-help" || arg == "--help") {
      options.help = true;
      return options;
    }
    if (arg == "--version") {
      options.version = true;
      return options;
    }
    if (arg == "--net") {
      options.net = true;
      continue;
    }
    if (arg == "--labels" || arg == "--tooltips") {
      (arg == "--labels" ? options.draw.labels : options.draw.tooltips) = true;
      continue;
    }
    bool valued = false;
    for (std::string_view option : kValued) {
      if (arg != option && !(arg.starts_with(option) && arg.substr(option.size()).starts_with('='))) continue;
      valued = true;
      std::string_view value;
      if (arg == option) {
        if (++i == args.size()) throw Refused("missing value of " + std::string(option), Why(option));
        value = args[i];
      } else {
        value = arg.substr(option.size() + 1);
      }
      depth |= option == "--depth";
      TakeValue(options, option, value);
    }
    if (valued) continue;
    if (named) {
      throw Refused("unknown option: " + std::string(arg),
                    "'" + std::string(arg) + "' would be a second file name; vantira-dot -h lists the options");
    }
    options.report = arg;
    named = true;
  }
  if (options.top != 0 && (options.net || !options.subnets.empty())) {
    throw Refused("--top does not go with --net or --subnet",
                  "--top draws the graph of subnets; --net and --subnet draw the net");
  }
  if (depth && options.subnets.empty()) {
    throw Refused("--depth goes with --subnet", "--depth D tells how far around the subnets of --subnet to draw");
  }
  return options;
}

}  // namespace vantira_dot
