#include "formats/by_format.h"

#include "formats/ndr_reader.h"
#include "formats/ndr_writer.h"
#include "formats/net_reader.h"
#include "formats/net_writer.h"
#include "formats/recognize.h"
#include "store/adjacency.h"

namespace vantira {

void ReadByFormat(Format format, Grammar grammar, std::string_view text, NetStore& store, NameIndex& index,
                  GrammarHint& hint) {
  if (format == Format::kNdr) {
    ReadNDR(text, grammar, store, index, hint);
  } else {
    ReadNET(text, grammar, store, index, hint);
  }
}

void IndexByFormat(Format format, NetStore& store) {
  if (format != Format::kNdr) RemoveDuplicateArcs(store);
  AllocateIndex(store);
  CreateIOPT(store);
}

void PlanByFormat(Format format, Grammar grammar, std::string_view text, const NameIndex& index, const SubnetMap& map,
                  SubnetPlan& plan) {
  if (format == Format::kNdr) {
    PlanNDR(text, grammar, index, map, plan);
  } else {
    PlanNET(text, grammar, index, map, plan);
  }
  plan.Finish(map.iSubNet);
}

}  // namespace vantira
