// The subnet-file writer step of each format: the one planner
// (subnet_routes.h) with the format's rules for the records it rewrites.
#pragma once

#include <string_view>

#include "base/subnet_map.h"
#include "formats/grammar.h"
#include "formats/net_layout.h"
#include "planners/subnet_plan.h"

namespace vantira {

// A net description (.net): comment and blank lines go to all files, a
// transition line and its label lines to its subnet's file, a place line
// unchanged to the file of the subnet it is internal to, or rewritten with
// only the arcs of that subnet for the subnets it is an input or output place
// of, and the net line to all files with the subnet's number in the name. The
// wider grammar keeps a place's label in its rewritten lines, sends a
// priority line to the subnet that holds all its transitions, if one does,
// and a note line nowhere.
void WriteNET(std::string_view text, Grammar grammar, const NetLayout& layout, const SubnetMap& map, SubnetPlan& plan);

// A net drawing (.ndr): comment and blank lines go to all files, each
// followed by an extra LF; net-name records to all files with the subnet's
// number in the name; a place record to every subnet the place is an input,
// internal or output place of; transition and edge records to their
// transition's subnet; other records nowhere. In the wider grammar an edge
// between two transitions goes to their subnet when they share one.
void WriteNDR(std::string_view text, const NetLayout& layout, const SubnetMap& map, SubnetPlan& plan);

// A PNML document, as a filtered copy of its bytes: everything outside the
// node and arc elements goes to all files, with the file's subnet number
// spliced into the net's name text; a node or arc element goes to the files
// of the subnets it follows and is cut from the others, with its lines when
// it has them alone; the NUPN block is each file's own (nupn_plan.h), or none
// in any file when `layout.nupn_fault` says why.
void WritePNML(std::string_view text, const NetLayout& layout, const SubnetMap& map, SubnetPlan& plan);

}  // namespace vantira
