#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "store/adjacency.h"
#include "store/name_index.h"
#include "store/net_store.h"

using namespace vantira;
using V = std::vector<int32_t>;

TEST(NetStore, GrowsInFixedStepsOnlyTheTableThatIsFull) {
  NetStore s;
  AllocateStore(s);
  for (int i = 1; i <= 1022; ++i) AddPlace(s, "p"), AddTransition(s, "t");
  EXPECT_EQ(V({s.maxm, s.maxn}), V({1024, 1024}));
  AddPlace(s, "q");
  EXPECT_EQ(V({s.maxm, s.maxn}), V({2048, 1024}));
  AddTransition(s, "u");
  EXPECT_EQ(s.maxn, 2048);
  EXPECT_EQ(s.PlaceName(1023), "q");
  EXPECT_EQ(s.TransitionName(1022), "t");

  for (int i = 0; i < 2048; ++i) AppendAtp(s, 1, 1), AppendApt(s, 1, 1);
  EXPECT_EQ(V({s.maxatp, s.maxapt}), V({2048, 2048}));
  AppendAtp(s, 2, 3);
  EXPECT_EQ(V({s.maxatp, s.maxapt, s.atpt[2048], s.atpp[2048]}), V({4096, 2048, 2, 3}));

  s.fnames = 16384 - 1024;  // exactly 1024 bytes free: no growth yet
  ExpandNames(s);
  EXPECT_EQ(s.maxnames, 16384);
  const int32_t kept = CommitName(s, "x");
  ExpandNames(s);
  EXPECT_EQ(s.maxnames, 32768);
  // A very long line takes all the room it needs in one multiple of the step.
  const int64_t room = NameRoomForLine(100000);
  EXPECT_GE(room, 150000);
  ExpandNames(s, room);
  EXPECT_EQ(s.maxnames % 16384, 0);
  EXPECT_GE(s.maxnames, s.fnames + room);
  EXPECT_LT(s.maxnames - 16384, s.fnames + room);
  EXPECT_EQ(s.Name(kept), "x");
}

TEST(CArray, KeepsItsElementsThroughSmallAndLargeSteps) {
  CArray<int32_t> a;
  a.Allocate(2);
  int32_t filled = 0;
  // Steps of 3 (grown ahead, then within the room), then one step far beyond it.
  for (int32_t size : {5, 8, 11, 14, 17, 20, 23, 26, 29, 1000000}) {
    a.Resize(static_cast<std::size_t>(size));
    for (; filled < size; ++filled) a[filled] = filled * 7;
  }
  a.Resize(10);  // never shrinks
  bool intact = true;
  for (int32_t i = 0; i < filled; ++i) intact = intact && a[i] == i * 7;
  EXPECT_TRUE(intact);
  CArray<int32_t> b = std::move(a);
  b.Resize(1000001);
  b[1000000] = 1;
  b.ResizeScattered(3000000);  // large: moved to a fresh block
  b[2999999] = 2;
  EXPECT_EQ(V({b[999999], b[1000000], b[0], b[2999999]}), V({999999 * 7, 1, 0, 2}));
}

TEST(NameTable, NamesOfEveryLengthUpToTwentyAndTheirNearMisses) {
  NetStore s;
  AllocateStore(s);
  NameTable table(s, s.pn);
  const std::string letters = "abcdefghijklmnopqrstu";
  for (std::size_t len = 0; len <= 20; ++len) {
    const std::string name = letters.substr(0, len);
    table.Insert(AddPlace(s, name), name, HashName(name));
  }
  bool all_found = true;
  for (std::size_t len = 0; len <= 20; ++len) {
    const std::string name = letters.substr(0, len);
    all_found = all_found && table.Find(name, HashName(name)) == static_cast<int32_t>(len) + 1;
    // The same length with any one byte changed is another name, even when
    // it is looked up with the hash of the name it is compared with.
    for (std::size_t i = 0; i < len; ++i) {
      std::string other = name;
      other[i] = 'Z';
      all_found = all_found && table.Find(other, HashName(name)) == 0;
    }
    // So is the name one byte longer or shorter.
    all_found = all_found && table.Find(name + "Z", HashName(name)) == 0;
    if (len > 0) all_found = all_found && table.Find(name.substr(0, len - 1) + "Z", HashName(name)) == 0;
  }
  EXPECT_TRUE(all_found);
}

TEST(NameTable, NamesThatShareOneHashSpillOverBuckets) {
  NetStore s;
  AllocateStore(s);
  NameTable table(s, s.pn);
  // Every name goes in with the same hash, so all land in one bucket and
  // spill over into the next ones; the empty name's head equals an empty slot's.
  const std::vector<std::string> names = {"", "a", "ab", "abcdefgh", "abcdefghi", "abcdefghij", "b",
                                          "long name number one", "long name number two", "x", "y", "z"};
  constexpr uint32_t kHash = 12345;
  for (const std::string& name : names) table.Insert(AddPlace(s, name), name, kHash);
  bool all_found = true;
  for (std::size_t i = 0; i < names.size(); ++i) {
    all_found = all_found && table.Find(names[i], kHash) == static_cast<int32_t>(i) + 1;
  }
  EXPECT_TRUE(all_found);
  for (const char* absent : {"c", "abcdefgz", "long name number six", "abcdefghijk"}) {
    EXPECT_EQ(table.Find(absent, kHash), 0) << absent;
  }
  // Nor is the empty name found in a table that lacks it.
  NameTable other(s, s.tn);
  other.Insert(AddTransition(s, "t"), "t", kHash);
  EXPECT_EQ(other.Find("", kHash), 0);
}

TEST(CreateIOPT, LargeNetWhosePlacesAreCountedOnASecondThread) {
  // Enough arcs for the places' counts to be taken beside the transitions'
  // half; repeats and places without arcs included.
  constexpr int32_t n = 40000;
  constexpr int32_t m = 60000;
  NetStore s;
  AllocateStore(s);
  for (int32_t t = 1; t <= n; ++t) {
    ExpandNames(s);
    AddTransition(s, "t");
  }
  for (int32_t p = 1; p <= m; ++p) {
    ExpandNames(s);
    AddPlace(s, "p");
  }
  std::mt19937 random(11);
  std::vector<std::vector<int32_t>> inputs(n + 1), outputs(n + 1);
  for (int k = 0; k < 400000; ++k) {
    const int32_t t = 1 + static_cast<int32_t>(random() % n);
    const int32_t p = 1 + static_cast<int32_t>(random() % (m - 100));
    if (random() % 2) {
      AppendApt(s, p, t);
      inputs[t].push_back(p);
    } else {
      AppendAtp(s, t, p);
      outputs[t].push_back(p);
    }
  }
  std::vector<std::vector<int32_t>> producers(m + 1), consumers(m + 1);
  for (int32_t t = 1; t <= n; ++t) {
    for (int32_t p : outputs[t]) producers[p].push_back(t);
    for (int32_t p : inputs[t]) consumers[p].push_back(t);
  }
  AllocateIndex(s);
  ASSERT_EQ(CreateIOPT(s), 400000);
  auto slice = [](const CArray<int32_t>& a, int32_t from, int32_t to) { return V(a.Data() + from, a.Data() + to); };
  int32_t wrong = 0;
  for (int32_t t = 1; t <= n; ++t) {
    wrong += slice(s.at, s.tx[t], s.ty[t]) != inputs[t] || slice(s.at, s.ty[t], s.tx[t + 1]) != outputs[t];
  }
  for (int32_t p = 1; p <= m; ++p) {
    wrong += slice(s.ap, s.px[p], s.py[p]) != producers[p] || slice(s.ap, s.py[p], s.px[p + 1]) != consumers[p];
  }
  EXPECT_EQ(wrong, 0);
}
