#include "net_index.h"

#include <string>

namespace vantira_dot {

namespace {

ReportError Wrong(const std::string& what) {
  return ReportError{"*** wrong JSON report: " + what, 2, "the report's arcs and its subnets do not agree"};
}

}  // namespace

NetIndex IndexNet(const NetReport& report) {
  NetIndex index;
  index.transition_names.emplace_back();
  index.place_names.emplace_back();
  auto number_place = [&](const std::string& p) {
    if (index.place_of.emplace(p, static_cast<int>(index.place_names.size())).second) index.place_names.push_back(p);
  };
  for (const NetReport::Arcs& arcs : report.arcs) {
    if (!index.transition_of.emplace(arcs.transition, static_cast<int>(index.transition_names.size())).second) {
      throw Wrong("arcs of transition " + arcs.transition + " listed twice");
    }
    index.transition_names.push_back(arcs.transition);
    for (const std::string& p : arcs.input) number_place(p);
    for (const std::string& p : arcs.output) number_place(p);
  }
  index.with_arcs = index.place_names.size();
  for (const std::string& p : report.isolated_places) number_place(p);

  index.subnet_of_transition.assign(index.transition_names.size(), 0);
  index.input_of.assign(index.place_names.size(), 0);
  index.internal_of.assign(index.place_names.size(), 0);
  index.output_of.assign(index.place_names.size(), 0);
  for (std::size_t k = 0; k < report.subnets.size(); ++k) {
    const NetReport::Subnet& subnet = report.subnets[k];
    const int z = static_cast<int>(k) + 1;
    for (const std::string& t : subnet.transitions) {
      auto found = index.transition_of.find(t);
      if (found == index.transition_of.end() || index.subnet_of_transition[found->second] != 0) {
        throw Wrong("transition " + t + " without arcs entry, or in two subnets");
      }
      index.subnet_of_transition[found->second] = z;
    }
    for (const std::string& p : subnet.internal) {
      auto found = index.place_of.find(p);
      if (found == index.place_of.end() || index.internal_of[found->second] != 0) {
        throw Wrong("internal place " + p + " without arcs, or in two subnets");
      }
      index.internal_of[found->second] = z;
    }
    // A place with arcs is a place of the subnets of its arcs' transitions.
    for (const auto& [places, of] :
         {std::pair{&subnet.input, &index.input_of}, std::pair{&subnet.output, &index.output_of}}) {
      for (const std::string& p : *places) {
        auto found = index.place_of.find(p);
        if (found != index.place_of.end()) (*of)[found->second] = z;
      }
    }
  }
  for (std::size_t t = 1; t < index.subnet_of_transition.size(); ++t) {
    if (index.subnet_of_transition[t] == 0) throw Wrong("a transition with arcs in no subnet");
  }
  for (std::size_t p = 1; p < index.with_arcs; ++p) {
    if (index.input_of[p] == 0 && index.internal_of[p] == 0 && index.output_of[p] == 0) {
      throw Wrong("arc of place " + std::string(index.place_names[p]) + ", which no subnet lists");
    }
  }
  return index;
}

}  // namespace vantira_dot
