// The structural classes of a net and of each of its subnets, from the arcs
// that move tokens (token_net.h). One pass over the arcs, but for the
// linear program that settles structural boundedness when the weights alone
// do not.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "analysis/bounds.h"
#include "analysis/certificate.h"
#include "analysis/token_net.h"
#include "base/subnet_map.h"

namespace vantira {

enum NetClass {
  kOrdinary,             // every arc weight is 1
  kPure,                 // no transition has a place as input and as output
  kStateMachine,         // every transition has one input and one output place
  kMarkedGraph,          // every place has one producer and one consumer
  kFreeChoice,           // a place with several consumers is their only input
  kExtendedFreeChoice,   // places with a common consumer have the same consumers
  kConnected,            // the graph of places and transitions, arcs undirected
  kStronglyConnected,    // the same, arcs directed
  kSourcePlace,          // some place has no producer
  kSinkPlace,            // some place has no consumer
  kSourceTransition,     // some transition has no input place
  kSinkTransition,       // some transition has no output place
  kConservative,         // every transition puts back the weight it takes
  kSubconservative,      // no transition puts back more
  kStructurallyBounded,  // some y > 0 has y.C <= 0
  kClassCount
};

// The JSON key (`free_choice`) and the text's words (`free choice`) of a class.
std::string_view ClassKey(NetClass c);
std::string_view ClassWords(NetClass c);

struct Classes {
  // Every class but structural boundedness is decided; that one is empty
  // when neither a weighting nor a ray could be certified.
  std::array<std::optional<bool>, kClassCount> holds;
  // The certificate of structural boundedness: y > 0 on every place with
  // y.C <= 0 (weighting), or s >= 0 with C.s >= 0, C.s != 0 (ray).
  SparseVector weighting;
  SparseVector ray;
};

// A net, or a part of it: its places and transitions, and the arcs of its
// transitions (which join only places of the part).
struct NetPart {
  std::vector<int32_t> places;
  std::vector<int32_t> transitions;
};

// The whole net, and subnet k (1..map.iSubNet) with its transitions and its
// X, Q and Y places, at k - 1.
NetPart WholeNet(const TokenNet& net);
std::vector<NetPart> Subnets(const TokenNet& net, const SubnetMap& map);

// The classes of the whole net, and of each subnet in subnet order. The
// net's structural boundedness comes from `bounds` when every place has a
// certificate there (their weightings' sum, or a ray); otherwise, as for
// the subnets, from a linear program, left undecided past 5000 places.
Classes NetClasses(const TokenNet& net, const Bounds* bounds = nullptr);
std::vector<Classes> SubnetClasses(const TokenNet& net, const SubnetMap& map);

}  // namespace vantira
