#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/failure.h"
#include "store/adjacency.h"
#include "store/name_index.h"
#include "store/net_store.h"
#include "tests/store/store_invariants.h"

using namespace vantira;

// Growth itself (names far longer than a step, a million places or
// transitions, every arc kept) is faults.sh's huge inputs and every reader
// test's StoreFaults; here, a count that would pass 2^31 - 1 fails cleanly,
// with no wrap-around and nothing changed.
TEST(NetStore, CountsThatCannotGrowFurtherFailCleanly) {
  NetStore full;
  AllocateStore(full);
  full.maxm = std::numeric_limits<int32_t>::max() - 10;
  full.m = full.maxm - 2;
  EXPECT_THROW(AddPlace(full, "p"), Failure);
  EXPECT_EQ(full.m, full.maxm - 2);
  full.maxnames = std::numeric_limits<int32_t>::max() - 10;
  full.fnames = full.maxnames - 20;
  EXPECT_THROW(SetNetName(full, std::string(40, 'n')), Failure);
  EXPECT_EQ(full.netname, -1);
}

// Names of every length up to twenty, each against its near misses, even
// looked up with the hash of the name it is compared with; then names that
// all go in with one hash, land in one bucket and spill over into the next.
TEST(NameTable, FindsEveryNameAndNoNearMiss) {
  NetStore s;
  AllocateStore(s);
  NameTable table(s, s.pn);
  const std::string letters = "abcdefghijklmnopqrstu";
  for (std::size_t len = 0; len <= 20; ++len) {
    const std::string name = letters.substr(0, len);
    table.Insert(AddPlace(s, name), name, HashName(name));
  }
  int wrong = 0;
  for (std::size_t len = 0; len <= 20; ++len) {
    const std::string name = letters.substr(0, len);
    const uint32_t hash = HashName(name);
    wrong += table.Find(name, hash) != static_cast<int32_t>(len) + 1;
    for (std::size_t i = 0; i < len; ++i) {
      std::string other = name;
      other[i] = 'Z';
      wrong += table.Find(other, hash) != 0;
    }
    wrong += table.Find(name + "Z", hash) != 0;
    if (len > 0) wrong += table.Find(name.substr(0, len - 1) + "Z", hash) != 0;
  }
  EXPECT_EQ(wrong, 0);

  NameTable shared(s, s.tn);
  constexpr uint32_t kHash = 12345;
  shared.Insert(AddTransition(s, "t"), "t", kHash);
  EXPECT_EQ(shared.Find("", kHash), 0);  // the empty name's head equals an empty slot's
  const std::vector<std::string> names = {"", "a", "ab", "abcdefgh", "abcdefghi", "abcdefghij", "b",
                                          "long name number one", "long name number two", "x", "y", "z"};
  for (const std::string& name : names) shared.Insert(AddTransition(s, name), name, kHash);
  for (std::size_t i = 0; i < names.size(); ++i) wrong += shared.Find(names[i], kHash) != static_cast<int32_t>(i) + 2;
  for (const char* absent : {"c", "abcdefgz", "long name number six", "abcdefghijk"}) wrong += shared.Find(absent, kHash) != 0;
  EXPECT_EQ(wrong, 0);
}

TEST(CreateIOPT, LargeNetWhosePlacesAreCountedOnASecondThread) {
  // Enough arcs for the places' counts to be taken beside the transitions'
  // half; repeats and places without arcs included. StoreFaults builds the
  // index and compares both its halves with the arc lists.
  NetStore s;
  NameIndex unfilled(s);
  AllocateStore(s);
  for (int32_t t = 1; t <= 40000; ++t) AddTransition(s, "t");
  for (int32_t p = 1; p <= 60000; ++p) AddPlace(s, "p");
  std::mt19937 random(11);
  for (int k = 0; k < 400000; ++k) {
    const int32_t t = 1 + static_cast<int32_t>(random() % 40000), p = 1 + static_cast<int32_t>(random() % 59900);
    random() % 2 ? AppendApt(s, p, t, ArcStore::kLists) : AppendAtp(s, t, p, ArcStore::kLists);
  }
  EXPECT_EQ(StoreFaults(s, unfilled), "");
  EXPECT_EQ(s.fat, 400000);
}
