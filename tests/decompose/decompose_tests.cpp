#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "decompose/decompose.h"
#include "decompose/partition.h"
#include "decompose/report.h"
#include "store/adjacency.h"

using namespace vantira;

namespace {

using Arcs = std::vector<std::pair<int, int>>;
using List = std::vector<int32_t>;
const std::string kHeading = "\nFUNCTIONAL SUBNETS " + std::string(40, '-') + "\n";

List Slice(const CArray<int32_t>& a, int from, int to) { return List(a.Data() + from, a.Data() + to); }

// Transitions t1..tn and places p1..pm with the given arcs.
void Fill(NetStore& s, int n, int m, const Arcs& place_to_transition, const Arcs& transition_to_place,
          ArcStore arcs = ArcStore::kLists) {
  AllocateStore(s);
  char name[16];
  for (int t = 1; t <= n; ++t) AddTransition(s, std::string_view(name, std::snprintf(name, sizeof name, "t%d", t)));
  for (int p = 1; p <= m; ++p) AddPlace(s, std::string_view(name, std::snprintf(name, sizeof name, "p%d", p)));
  for (auto [p, t] : place_to_transition) AppendApt(s, p, t, arcs);
  for (auto [t, p] : transition_to_place) AppendAtp(s, t, p, arcs);
}

// That net, indexed and decomposed.
struct Net {
  NetStore s;
  SubnetMap map;
  Output report;
  Arcs in, out;
  Net(int n, int m, const Arcs& place_to_transition, const Arcs& transition_to_place, bool full = true)
      : in(place_to_transition), out(transition_to_place) {
    Fill(s, n, m, in, out);
    CreateIOPT(s);
    Decompose(s, map);
    if (full) WriteSubnetListings(s, map, report);
  }
};

// Every number of a map, for comparing two maps of one net.
List Numbers(const SubnetMap& map, int n, int m) {
  List all = Slice(map.SubNet, 1, n + 1);
  for (const CArray<int32_t>* role : {&map.SX, &map.SQ, &map.SY}) {
    List part = Slice(*role, 1, m + 1);
    all.insert(all.end(), part.begin(), part.end());
  }
  all.push_back(map.iSubNet);
  return all;
}

// The maps the digest report uses, from the arc lists and from the classes
// joined while the arcs come; both must be the one Decompose makes.
void ExpectPartitionsEqual(const Net& net, int n, int m, int round) {
  for (bool joined : {false, true}) {
    const ArcStore arcs = joined ? ArcStore::kClasses : ArcStore::kLists;
    NetStore s;
    Fill(s, n, m, net.in, net.out, arcs);
    SubnetMap map;
    PartitionArcs(s, arcs, map);
    ASSERT_EQ(Numbers(map, n, m), Numbers(net.map, n, m)) << "round " << round << (joined ? ", joined" : "");
  }
}

// The decomposition done the slow, obvious way, straight from the arc lists:
// every pass reclassifies all places against all members and finds new
// transitions by linear scans.
struct Reference {
  std::vector<List> inputs, outputs, producers, consumers;
  List SubNet, SX, SQ, SY;
  int32_t iSubNet = 1;
  std::string listing = kHeading;
  bool reordered = false;  // some member joined after a higher-numbered one

  explicit Reference(const NetStore& s)
      : inputs(s.n + 1), outputs(s.n + 1), producers(s.m + 1), consumers(s.m + 1),
        SubNet(s.n + 1), SX(s.m + 1), SQ(s.m + 1), SY(s.m + 1) {
    for (int k = 0; k < s.fapt; ++k) inputs[s.aptt[k]].push_back(s.aptp[k]);
    for (int k = 0; k < s.fatp; ++k) outputs[s.atpt[k]].push_back(s.atpp[k]);
    for (int t = 1; t <= s.n; ++t) {
      for (int p : outputs[t]) producers[p].push_back(t);
      for (int p : inputs[t]) consumers[p].push_back(t);
    }
    List members, X, Q, Y;
    if (s.n >= 1) members = {1}, SubNet[1] = 1;
    for (int32_t k = 1;; ++k) {
      while (!members.empty()) {
        X.clear(), Q.clear(), Y.clear();
        List fresh;
        auto in = [](const List& list, int32_t e) { return std::find(list.begin(), list.end(), e) != list.end(); };
        for (int32_t p = 1; p <= s.m; ++p) {
          bool consumed = false, produced = false;
          for (int32_t t : members) consumed |= in(inputs[t], p), produced |= in(outputs[t], p);
          if (consumed && produced) Q.push_back(p), SX[p] = SY[p] = 0, SQ[p] = k;
          else if (consumed) X.push_back(p), SX[p] = k;
          else if (produced) Y.push_back(p), SY[p] = k;
        }
        auto candidates = [&](const List& ts) {
          for (int32_t t : ts) if (!in(members, t) && !in(fresh, t)) fresh.push_back(t);
        };
        for (int32_t p : X) candidates(consumers[p]);
        for (int32_t p : Y) candidates(producers[p]);
        for (int32_t p : Q) candidates(producers[p]), candidates(consumers[p]);
        if (fresh.empty()) break;
        for (int32_t t : fresh) reordered |= t < members.back(), members.push_back(t), SubNet[t] = k;
      }
      listing += "\nsubnet Z" + std::to_string(k) + ":\nT: ";
      for (int32_t t : members) listing.append(s.TransitionName(t)) += ' ';
      for (auto [label, places] : {std::pair{"\nX: ", &X}, {"\nQ: ", &Q}, {"\nY: ", &Y}}) {
        listing += label;
        for (int32_t p : *places) listing.append(s.PlaceName(p)) += ' ';
      }
      listing += "\n";
      int32_t t = 1;
      while (t <= s.n && SubNet[t] != 0) ++t;
      if (t > s.n) return;
      iSubNet = k + 1, SubNet[t] = k + 1, members = {t};
    }
  }
};

}  // namespace

// (The index itself is checked against the arc lists by StoreFaults, in the
// store and formats tests.)
TEST(Decompose, ResultMatchesTheSlowReferenceOnRandomNets) {
  std::mt19937 random(20240611);
  int reordered = 0;
  for (int round = 0; round < 400; ++round) {
    // Every fourth net has many places and few arcs, so that passes both
    // mark their changed places and list them.
    const bool sparse = round % 4 == 3;
    const int n = random() % (sparse ? 40 : 10), m = sparse ? 300 + random() % 300 : random() % 10;
    Arcs in, out;  // repeats allowed: the drawing reader keeps them
    for (int a = random() % (sparse ? 3 * n + 1 : 2 * (n + m) + 1); n > 0 && m > 0 && a > 0; --a) {
      int p = 1 + random() % m, t = 1 + random() % n;
      (random() % 2 ? in.emplace_back(p, t) : out.emplace_back(t, p));
    }
    const Net net(n, m, in, out);
    const NetStore& s = net.s;
    const SubnetMap& map = net.map;
    const Reference ref(s);
    reordered += ref.reordered;
    ASSERT_EQ(net.report.Text(), ref.listing) << "round " << round;
    ExpectPartitionsEqual(net, n, m, round);
    ASSERT_EQ(map.iSubNet, ref.iSubNet);
    ASSERT_EQ(Slice(map.SubNet, 1, n + 1), List(ref.SubNet.begin() + 1, ref.SubNet.end()));
    for (int p = 1; p <= m; ++p) {
      ASSERT_EQ(List({map.SX[p], map.SQ[p], map.SY[p]}), List({ref.SX[p], ref.SQ[p], ref.SY[p]})) << round;
    }
  }
  EXPECT_GT(reordered, 20);  // the nets do make members join out of number order

  // Bigger nets, where the classes of the partition grow deep trees.
  for (int round = 0; round < 20; ++round) {
    const int n = 1 + random() % 3000, m = 1 + random() % 3000;
    Arcs in, out;
    for (int a = random() % (2 * (n + m)); a > 0; --a) {
      int p = 1 + random() % m, t = 1 + random() % n;
      (random() % 2 ? in.emplace_back(p, t) : out.emplace_back(t, p));
    }
    const Net net(n, m, in, out, false);
    ExpectPartitionsEqual(net, n, m, round);
  }
}
