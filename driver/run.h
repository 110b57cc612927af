// One run of the program, from the command line to the exit status.
#pragma once

#include <string_view>
#include <vector>

namespace vantira {

// Runs the fixed sequence of phases: scan the arguments, open the streams,
// read the input, recognize and read the net, build the index, write the
// report while decomposing, then the subnet files. Every failure becomes one
// "*** " line on standard output and the returned exit status.
int Run(const std::vector<std::string_view>& args);

}  // namespace vantira
