// A part of the net that holds no token: every weighting weighs M0 at 0, so
// each place's bound is 0 when a weighting weighs it and none when a ray
// gains on it, and one of the two always exists. Both are found piece by
// piece: the part's strongly connected pieces in order, most of them without
// a linear program, and the rest each by one small program (SolvePiece)
// instead of one program per place over the whole part, whose single vertex
// is degenerate.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "analysis/certificate.h"
#include "analysis/token_net.h"

namespace vantira {

struct TokenlessAnswer {
  SparseVector ray;        // gains on every place some ray gains on; empty when none does
  SparseVector weighting;  // weighs every other place of the part
};

// `places` are a part's, sorted, each changed by some transition and none
// marked; the part holds every place its transitions change. Empty when a
// piece's program fails or its answer does not check in whole numbers; the
// certificates are still to be checked on the whole net.
std::optional<TokenlessAnswer> CertifyTokenless(const TokenNet& net, std::span<const int32_t> places);

}  // namespace vantira
