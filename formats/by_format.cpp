#include "formats/by_format.h"

#include "formats/ndr_reader.h"
#include "formats/ndr_writer.h"
#include "formats/net_reader.h"
#include "formats/net_writer.h"
#include "formats/recognize.h"
#include "store/adjacency.h"

namespace vantira {

void ReadByFormat(Format format, std::string_view text, NetStore& store, NameIndex& index) {
  if (format == Format::kNdr) {
    ReadNDR(text, store, index);
  } else {
    ReadNET(text, store, index);
  }
}

void IndexByFormat(Format format, NetStore& store) {
  if (format != Format::kNdr) RemoveDuplicateArcs(store);
  AllocateIndex(store);
  CreateIOPT(store);
}

void PlanByFormat(Format format, std::string_view text, const NameIndex& index, const SubnetMap& map,
                  SubnetPlan& plan) {
  if (format == Format::kNdr) {
    PlanNDR(text, index, map, plan);
  } else {
    PlanNET(text, index, map, plan);
  }
  plan.Finish(map.iSubNet);
}

}  // namespace vantira
