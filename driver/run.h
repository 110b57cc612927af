// One run of the program, from the command line to the exit status.
#pragma once

#include <string_view>
#include <vector>

namespace vantira {

// Runs the fixed sequence of phases: scan the arguments, open the streams,
// read the net, write the report (building the index it needs and
// decomposing), then the subnet files. A failure returns its exit status
// after its "*** " line, on standard output (on standard error with -j, or
// when standard output is what failed), and its reason on standard error; a
// reader gone from standard output's pipe is told nothing.
int Run(const std::vector<std::string_view>& args);

}  // namespace vantira
