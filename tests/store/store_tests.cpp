#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/failure.h"
#include "store/adjacency.h"
#include "store/name_index.h"
#include "store/net_store.h"

using namespace vantira;
using V = std::vector<int32_t>;

// What growth must guarantee, whatever the steps: every add finds room
// (the index's sentinel ends included) and keeps what was added before, a
// table is never more than one step ahead of its count, a name of any length
// goes in, and a count that would pass 2^31 - 1 fails cleanly.
TEST(NetStore, AddsMakeTheirOwnRoomAndKeepWhatCameBefore) {
  NetStore s;
  AllocateStore(s);
  std::mt19937 random(5);
  std::vector<std::string> places, transitions;
  std::vector<std::pair<int32_t, int32_t>> atp, apt;
  bool room = true;
  for (int i = 0; i < 30000; ++i) {
    // Names mostly short, now and then far longer than any step.
    const std::size_t length = random() % 500 == 0 ? 40000 + random() % 20000 : random() % 12;
    std::string name(length, static_cast<char>('a' + random() % 26));
    name += std::to_string(i);
    switch (random() % 4) {
      case 0:
        places.push_back(name);
        EXPECT_EQ(AddPlace(s, name), static_cast<int32_t>(places.size()));
        break;
      case 1:
        transitions.push_back(name);
        EXPECT_EQ(AddTransition(s, name), static_cast<int32_t>(transitions.size()));
        break;
      default:
        if (places.empty() || transitions.empty()) break;
        const int32_t p = 1 + static_cast<int32_t>(random() % places.size());
        const int32_t t = 1 + static_cast<int32_t>(random() % transitions.size());
        if (random() % 2) {
          AppendAtp(s, t, p, ArcStore::kLists);
          atp.emplace_back(t, p);
        } else {
          AppendApt(s, p, t, ArcStore::kLists);
          apt.emplace_back(p, t);
        }
    }
    room = room && s.m + 1 < s.maxm && s.n + 1 < s.maxn && s.fatp <= s.maxatp && s.fapt <= s.maxapt &&
           s.fnames + NetStore::kNameSlack <= s.maxnames;
    // Never doubled: at most one step beyond the count.
    room = room && s.maxm <= s.m + 2 + NetStore::kNodeStep && s.maxn <= s.n + 2 + NetStore::kNodeStep &&
           s.maxatp <= s.fatp + NetStore::kArcStep && s.maxapt <= s.fapt + NetStore::kArcStep &&
           s.maxnames <= s.fnames + NetStore::kNamesStep + NetStore::kNameSlack;
  }
  EXPECT_TRUE(room);
  SetNetName(s, "first");
  SetNetName(s, "net");
  EXPECT_EQ(s.NetName(), "net");
  ASSERT_EQ(s.m, static_cast<int32_t>(places.size()));
  ASSERT_EQ(s.n, static_cast<int32_t>(transitions.size()));
  ASSERT_EQ(s.fatp, static_cast<int32_t>(atp.size()));
  ASSERT_EQ(s.fapt, static_cast<int32_t>(apt.size()));
  int wrong = 0;
  for (int32_t p = 1; p <= s.m; ++p) wrong += s.PlaceName(p) != places[p - 1];
  for (int32_t t = 1; t <= s.n; ++t) wrong += s.TransitionName(t) != transitions[t - 1];
  for (std::size_t k = 0; k < atp.size(); ++k) wrong += atp[k] != std::pair(s.atpt[k], s.atpp[k]);
  for (std::size_t k = 0; k < apt.size(); ++k) wrong += apt[k] != std::pair(s.aptp[k], s.aptt[k]);
  EXPECT_EQ(wrong, 0);

  // Counts that cannot grow further: no wrap-around, and nothing changed.
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
  for (int32_t t = 1; t <= n; ++t) AddTransition(s, "t");
  for (int32_t p = 1; p <= m; ++p) AddPlace(s, "p");
  std::mt19937 random(11);
  std::vector<std::vector<int32_t>> inputs(n + 1), outputs(n + 1);
  for (int k = 0; k < 400000; ++k) {
    const int32_t t = 1 + static_cast<int32_t>(random() % n);
    const int32_t p = 1 + static_cast<int32_t>(random() % (m - 100));
    if (random() % 2) {
      AppendApt(s, p, t, ArcStore::kLists);
      inputs[t].push_back(p);
    } else {
      AppendAtp(s, t, p, ArcStore::kLists);
      outputs[t].push_back(p);
    }
  }
  std::vector<std::vector<int32_t>> producers(m + 1), consumers(m + 1);
  for (int32_t t = 1; t <= n; ++t) {
    for (int32_t p : outputs[t]) producers[p].push_back(t);
    for (int32_t p : inputs[t]) consumers[p].push_back(t);
  }
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
