#include "analysis/analysis.h"

#include "analysis/token_net.h"

namespace vantira {

Analysis Analyse(const NetStore& store, const NetValues& values, const SubnetMap& map, const AnalysisRequest& request) {
  const TokenNet net(store, values);
  Analysis analysis;
  if (request.bounds) {
    analysis.has_bounds = true;
    analysis.bounds = ComputeBounds(net, request.sets, request.walk);
  }
  if (request.classes) {
    analysis.has_classes = true;
    analysis.net = NetClasses(net, request.bounds ? &analysis.bounds : nullptr);
    analysis.subnets = SubnetClasses(net, map);
  }
  return analysis;
}

}  // namespace vantira
