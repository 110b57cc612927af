#include "formats/by_format.h"

#include "formats/ndr_reader.h"
#include "formats/ndr_writer.h"
#include "formats/net_reader.h"
#include "formats/net_writer.h"
#include "formats/recognize.h"
#include "store/adjacency.h"

namespace vantira {

void ReadByFormat(int format, std::string_view text, NetStore& store, NameIndex& index) {
  if (format == kFormatNdr) {
    ReadNDR(text, store, index);
  } else {
    ReadNET(text, store, index);
  }
}

void IndexByFormat(int format, NetStore& store) {
  if (format != kFormatNdr) RemoveDuplicateArcs(store);
  AllocateIndex(store);
  CreateIOPT(store);
}

void PlanByFormat(int format, std::string_view text, const NameIndex& index, const SubnetMap& map,
                  SubnetPlan& plan) {
  if (format == kFormatNdr) {
    PlanNDR(text, index, map, plan);
  } else {
    PlanNET(text, index, map, plan);
  }
  plan.Finish(map.iSubNet);
}

}  // namespace vantira
