// vantira-dot: the tooltips of the drawings, each a DOT string whose lines
// SVG viewers show on hover. Names in them are ids, never labels.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantira_dot {

// "Zk: T transitions", its numbers of input, internal and output places,
// then its first transitions, "..." after them when there are more.
std::string SubnetTooltip(int k, int transitions, int input, int internal, int output,
                          const std::vector<std::string>& first);

// The place's id, then its roles: input (X) of Zi, internal (Q) of Zj,
// output (Y) of Zk, for each that is not 0; a place of no subnet says so.
std::string PlaceTooltip(std::string_view place, int input_of, int internal_of, int output_of);

// The transition's id and its subnet.
std::string TransitionTooltip(std::string_view transition, int subnet);

// "1 transition", "2 transitions": `count` and `noun`, with an "s" but for one.
std::string Counted(std::size_t count, std::string_view noun);

// Lines joined into one DOT string; each line is DOT-escaped text.
std::string DotLines(const std::vector<std::string>& lines);

// "Zk".
std::string SubnetName(std::size_t k);

// A name as DOT-escaped text, without quotes.
std::string Escaped(std::string_view name);

}  // namespace vantira_dot
