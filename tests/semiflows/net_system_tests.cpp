#include <gtest/gtest.h>

#include <string>

#include "base/failure.h"
#include "formats/by_format.h"
#include "semiflows/net_system.h"

using namespace vantira;

namespace {

struct Net {
  NetStore store;
  NetValues values;
};

// Reads `text` and its weights, as a run with -p -t does.
void Read(std::string text, Net& net) {
  NameIndex index(net.store);
  AllocateStore(net.store);
  GrammarHint hint;
  const Format format = PrepareByFormat(text);
  TextBlocks input(text);
  ReadByFormat(format, Grammar::kBasic, input, {net.store, ArcStore::kLists, index, hint, nullptr, &net.values});
}

template <class T>
std::vector<T> V(std::initializer_list<T> values) {
  return std::vector<T>(values);
}

TEST(NetSystem, ColumnsOfBothSystems) {
  // v's loop on c cancels, d has no arcs.
  Net net;
  Read("tr t a*2 -> b\ntr u b -> a*2 c\ntr v c -> c\npl d\n", net);

  const SparseSystem p = PlaceSystem(net.store, net.values);
  EXPECT_EQ(p.variables, 4);
  EXPECT_EQ(p.equations, 3);
  EXPECT_EQ(p.start, V<int64_t>({0, 2, 4, 5, 5}));
  EXPECT_EQ(p.equation, V<int32_t>({0, 1, 0, 1, 1}));
  EXPECT_EQ(p.coefficient, V<int64_t>({-2, 2, 1, -1, 1}));

  const SparseSystem t = TransitionSystem(net.store, net.values);
  EXPECT_EQ(t.variables, 3);
  EXPECT_EQ(t.equations, 4);
  EXPECT_EQ(t.start, V<int64_t>({0, 2, 5, 5}));
  EXPECT_EQ(t.equation, V<int32_t>({0, 1, 0, 1, 2}));
  EXPECT_EQ(t.coefficient, V<int64_t>({-2, 1, 2, -1, 1}));
}

TEST(NetSystem, RepeatedEdgesAddUpAndMayNotPassSixtyFourBits) {
  Net net;
  Read("p 0 0 a 0 n\nt 0 0 t 0 w n\ne a t 2 n\ne a t 3 n\ne t a 1 n\n", net);
  EXPECT_EQ(PlaceSystem(net.store, net.values).coefficient, V<int64_t>({-4}));

  Net big;
  Read("p 0 0 a 0 n\nt 0 0 t 0 w n\ne a t 9223372036854775807 n\ne a t 1 n\n", big);
  try {
    PlaceSystem(big.store, big.values);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.Message(), "*** weight too large: a -> t\n");
    EXPECT_EQ(f.Status(), kExitBadInput);
  }
}

}  // namespace
