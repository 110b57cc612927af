#include "tooltips.h"

#include "net_dot.h"

namespace vantira_dot {

std::string Escaped(std::string_view name) {
  const std::string quoted = DotString(name);
  return quoted.substr(1, quoted.size() - 2);
}

std::string SubnetName(std::size_t k) {
  std::string name(1, 'Z');
  return name.append(std::to_string(k));
}

std::string Counted(std::size_t count, std::string_view noun) {
  std::string text = std::to_string(count);
  text.append(" ").append(noun);
  if (count != 1) text += 's';
  return text;
}

std::string DotLines(const std::vector<std::string>& lines) {
  std::string text = "\"";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += "\\n";
    text += lines[i];
  }
  return text + '"';
}

std::string SubnetTooltip(int k, int transitions, int input, int internal, int output,
                          const std::vector<std::string>& first) {
  std::vector<std::string> lines{SubnetName(k) + ": " + Counted(transitions, "transition"),
                                 "places: " + std::to_string(input) + " input (X), " + std::to_string(internal) +
                                     " internal (Q), " + std::to_string(output) + " output (Y)"};
  if (!first.empty()) {
    std::string names;
    for (const std::string& name : first) names.append(names.empty() ? "" : ", ").append(Escaped(name));
    if (first.size() < static_cast<std::size_t>(transitions)) names += ", ...";
    lines.push_back(std::move(names));
  }
  return DotLines(lines);
}

std::string PlaceTooltip(std::string_view place, int input_of, int internal_of, int output_of) {
  std::vector<std::string> lines{"place " + Escaped(place)};
  if (input_of != 0) lines.push_back("input (X) of " + SubnetName(input_of));
  if (internal_of != 0) lines.push_back("internal (Q) of " + SubnetName(internal_of));
  if (output_of != 0) lines.push_back("output (Y) of " + SubnetName(output_of));
  if (lines.size() == 1) lines.emplace_back("without arcs, in no subnet");
  return DotLines(lines);
}

std::string TransitionTooltip(std::string_view transition, int subnet) {
  return DotLines({"transition " + Escaped(transition), "in " + SubnetName(subnet)});
}

}  // namespace vantira_dot
