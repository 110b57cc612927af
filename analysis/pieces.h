// The rays and one weighting of a part of the net, found piece by piece:
// its strongly connected pieces in order, most of them without a linear
// program, the rest each by one small program (SolvePiece). Neither looks at
// the marking. Every place of the part gets one of the two: a ray that gains
// on it (so the state equation bounds it nowhere) or a weight. In a part
// that holds no token the weighting weighs M0 at 0, and so the two decide
// every bound there, with no program over the whole part, whose one vertex
// is degenerate; elsewhere the weighting bounds every other place, perhaps
// loosely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "analysis/certificate.h"
#include "analysis/token_net.h"

namespace vantira {

struct PieceCertificates {
  SparseVector ray;        // gains on every place some ray gains on; empty when none does
  SparseVector weighting;  // weighs every other place of the part
};

// `places` are a part's, sorted, each changed by some transition; the part
// holds every place its transitions change. The pieces' programs add their
// work (LpAnswer::work's units) to `work` and stop past `budget`. Empty when
// one stops or fails, or its answer does not check in whole numbers; the
// certificates are still to be checked on the whole net.
std::optional<PieceCertificates> CertifyByPieces(const TokenNet& net, std::span<const int32_t> places,
                                                 std::size_t& work, std::size_t budget);

}  // namespace vantira
