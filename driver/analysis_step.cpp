#include "driver/analysis_step.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/failure.h"

namespace vantira {

bool WantsAnalysis(const Options& options) { return options.analysis || !options.bound_sets.empty(); }

std::vector<std::vector<int32_t>> BoundSets(const NetStore& store, const Options& options) {
  std::vector<std::vector<int32_t>> sets;
  if (options.bound_sets.empty()) return sets;
  std::unordered_map<std::string_view, int32_t> places;
  for (int32_t p = 1; p <= store.m; ++p) places.emplace(store.PlaceName(p), p);
  for (const std::vector<std::string>& names : options.bound_sets) {
    std::vector<int32_t> set;
    for (const std::string& name : names) {
      const auto found = places.find(name);
      if (found == places.end()) {
        std::string list;
        for (const std::string& n : names) list.append(list.empty() ? "" : "+").append(n);
        throw MakeFailure(kExitFile, "unknown place: " + name)
            .Because("--bound " + list + ": " + Quoted(name) + " is no place of the net");
      }
      if (std::find(set.begin(), set.end(), found->second) == set.end()) set.push_back(found->second);
    }
    sets.push_back(std::move(set));
  }
  return sets;
}

Analysis AnalyseNet(const NetStore& store, const NetValues& values, const SubnetMap& map, const Options& options,
                    const std::vector<std::vector<int32_t>>& sets) {
  AnalysisRequest request;
  request.classes = options.analysis;
  request.bounds = true;
  request.sets = sets;
  request.walk.seed = options.seed;
  return Analyse(store, values, map, request);
}

}  // namespace vantira
