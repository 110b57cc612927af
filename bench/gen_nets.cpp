// vantira-gen: writes large seeded nets of a few shapes, in the .net, the
// .ndr and the PNML format, and prints how many functional subnets each net
// has.
//
// The count comes from a union-find over "shares an input place or shares an
// output place", which has nothing in common with the program's growth
// passes, so the benchmark can hold vantira's answer against it. Shapes whose
// subnets are known by construction check the union-find against that too.
//
// Everything is drawn from one seeded generator of our own (not the standard
// distributions, whose results differ between library versions), so a seed
// gives the same bytes on every machine.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  // splitmix64: small, fast, and good enough to shape test data.
  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, bound).
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(((Next() >> 32) * bound) >> 32); }
  // True with probability percent/100.
  bool Percent(uint32_t percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

// Where a .net file states an arc: on the transition's line, on the place's
// line, or on both (the reader must then store it once).
enum class Where : uint8_t { kTr, kPl, kBoth };

struct Arc {
  int32_t t;
  int32_t p;
  bool out;  // t -> p; otherwise p -> t
  uint8_t weight;
  Where where;
};

struct Net {
  std::string name;
  std::vector<std::string> tname;
  std::vector<std::string> pname;
  std::vector<Arc> arcs;

  // Decorations, used by the "mix" writers only.
  std::vector<std::string> interval;  // per transition, empty for none
  std::vector<std::string> label;     // per element label text, empty for none
  std::vector<std::string> plabel;
  std::vector<int32_t> marking;      // per place, -1 for none
  std::vector<int32_t> group_start;  // first transition of each module
  std::vector<int32_t> group_place;  // first place of each module
  int32_t shared_places = 0;         // places [0, shared) are declared up front

  int64_t by_construction = -1;  // subnet count when the shape fixes it

  // Arcs of each transition and of each place, in the order they were added.
  std::vector<uint32_t> t_begin, t_arcs, p_begin, p_arcs;

  int32_t AddTransition(std::string name) {
    tname.push_back(std::move(name));
    return static_cast<int32_t>(tname.size() - 1);
  }
  int32_t AddPlace(std::string name) {
    pname.push_back(std::move(name));
    return static_cast<int32_t>(pname.size() - 1);
  }
  void AddArc(int32_t t, int32_t p, bool out, uint8_t weight = 1, Where where = Where::kTr) {
    arcs.push_back(Arc{t, p, out, weight, where});
  }

  void Index() {
    Group(t_begin, t_arcs, tname.size(), [](const Arc& a) { return a.t; });
    Group(p_begin, p_arcs, pname.size(), [](const Arc& a) { return a.p; });
  }

 private:
  // Stable counting sort of arc indices by one end.
  template <class Key>
  void Group(std::vector<uint32_t>& begin, std::vector<uint32_t>& order, std::size_t count, Key key) {
    begin.assign(count + 1, 0);
    for (const Arc& a : arcs) ++begin[static_cast<std::size_t>(key(a)) + 1];
    std::partial_sum(begin.begin(), begin.end(), begin.begin());
    order.resize(arcs.size());
    std::vector<uint32_t> next(begin.begin(), begin.end() - 1);
    for (uint32_t i = 0; i < arcs.size(); ++i) order[next[static_cast<std::size_t>(key(arcs[i]))]++] = i;
  }
};

std::string Numbered(std::string_view prefix, int64_t number) {
  std::string s(prefix);
  s += std::to_string(number);
  return s;
}

// ---------------------------------------------------------------- counting

class UnionFind {
 public:
  explicit UnionFind(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  uint32_t Find(uint32_t x) {
    while (parent_[x] != x) {
      parent_[x] = parent_[parent_[x]];
      x = parent_[x];
    }
    return x;
  }
  void Unite(uint32_t a, uint32_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent_[a < b ? b : a] = a < b ? a : b;
  }

 private:
  std::vector<uint32_t> parent_;
};

// Transitions that consume a common place, or produce a common place, are in
// one subnet; producer and consumer of a place are not bound by it. A net
// without transitions still has one (empty) subnet.
int64_t CountSubnets(const Net& net) {
  const std::size_t n = net.tname.size();
  if (n == 0) return 1;
  UnionFind sets(n);
  std::vector<int32_t> first_consumer(net.pname.size(), -1);
  std::vector<int32_t> first_producer(net.pname.size(), -1);
  for (const Arc& a : net.arcs) {
    int32_t& first = a.out ? first_producer[a.p] : first_consumer[a.p];
    if (first < 0) {
      first = a.t;
    } else {
      sets.Unite(static_cast<uint32_t>(first), static_cast<uint32_t>(a.t));
    }
  }
  int64_t roots = 0;
  for (uint32_t t = 0; t < n; ++t) roots += sets.Find(t) == t;
  return roots;
}

// ---------------------------------------------------------------- shapes

// 1-4 places per side, mostly few: keeps the 10^6 net near 41 MB.
uint32_t SideCount(Rng& rng) {
  uint32_t r = rng.Below(100);
  return r < 50 ? 1 : r < 80 ? 2 : r < 95 ? 3 : 4;
}

// Every transition draws its places from one pool as large as the number of
// transitions; most of the net ends up in one subnet, with a tail of small
// ones whose number only the count can tell.
Net BuildRandom(int64_t n, Rng& rng) {
  Net net;
  net.name = Numbered("random_", n);
  for (int64_t p = 1; p <= n; ++p) net.AddPlace(Numbered("p", p));
  const uint32_t pool = static_cast<uint32_t>(n);
  for (int64_t i = 1; i <= n; ++i) {
    int32_t t = net.AddTransition(Numbered("t", i));
    uint32_t ins = SideCount(rng);
    uint32_t outs = SideCount(rng);
    for (uint32_t j = 0; j < ins; ++j) net.AddArc(t, static_cast<int32_t>(rng.Below(pool)), false);
    for (uint32_t j = 0; j < outs; ++j) net.AddArc(t, static_cast<int32_t>(rng.Below(pool)), true);
  }
  return net;
}

// Subnets of 1-5 transitions, bound inside by alternately shared input and
// output places. Between subnets only link places run, each with exactly one
// producer and one consumer in two different subnets, so they bind nothing
// but give the graph of subnets its edges: a chain through all subnets,
// forward links from recent subnets, feedback links, and parallel links.
Net BuildWide(int64_t n, Rng& rng) {
  Net net;
  net.name = Numbered("wide_", n);
  int64_t made = 0;
  int64_t places = 0;
  std::vector<int32_t> first;  // first transition of each subnet; sizes follow
  auto new_place = [&] { return net.AddPlace(Numbered("p", ++places)); };
  auto pick = [&](std::size_t s) {
    int32_t begin = first[s];
    int32_t end = s + 1 < first.size() ? first[s + 1] : static_cast<int32_t>(net.tname.size());
    return begin + static_cast<int32_t>(rng.Below(static_cast<uint32_t>(end - begin)));
  };
  auto link = [&](std::size_t from, std::size_t to) {
    int32_t p = new_place();
    net.AddArc(pick(from), p, true);
    net.AddArc(pick(to), p, false);
  };
  while (made < n) {
    const int64_t size = std::min<int64_t>(1 + rng.Below(5), n - made);
    const std::size_t s = first.size();
    first.push_back(static_cast<int32_t>(net.tname.size()));
    for (int64_t j = 0; j < size; ++j) net.AddTransition(Numbered("t", ++made));
    const int32_t t0 = first[s];
    for (int64_t j = 0; j + 1 < size; ++j) {
      int32_t p = new_place();
      const bool out = j % 2 == 1;
      net.AddArc(t0 + static_cast<int32_t>(j), p, out);
      net.AddArc(t0 + static_cast<int32_t>(j) + 1, p, out);
    }
    // A private source place now and then: an input place nobody else uses.
    for (int64_t j = 0; j < size; ++j) {
      if (rng.Percent(30)) net.AddArc(t0 + static_cast<int32_t>(j), new_place(), false);
    }
    if (s == 0) continue;
    link(s - 1, s);
    if (rng.Percent(10)) link(s - 1, s);
    const uint32_t window = static_cast<uint32_t>(std::min<std::size_t>(s, 1000));
    if (rng.Percent(50)) link(s - 1 - rng.Below(window), s);
    if (rng.Percent(20)) link(s, s - 1 - rng.Below(window));
  }
  net.by_construction = n == 0 ? 1 : static_cast<int64_t>(first.size());
  return net;
}

// One chain t1 - t2 - ... - tn, neighbours bound alternately through a shared
// input place and a shared output place. Growth from t1 meets one new
// transition per pass, so the subnet needs n passes.
Net BuildDeep(int64_t n, Rng& rng) {
  (void)rng;  // nothing to draw: the shape is fixed by n
  Net net;
  net.name = Numbered("deep_", n);
  for (int64_t i = 1; i <= n; ++i) net.AddTransition(Numbered("t", i));
  for (int64_t i = 1; i < n; ++i) {
    int32_t p = net.AddPlace(Numbered("p", i));
    const bool out = i % 2 == 0;
    net.AddArc(static_cast<int32_t>(i - 1), p, out);
    net.AddArc(static_cast<int32_t>(i), p, out);
  }
  net.by_construction = 1;
  return net;
}

// Every transition a subnet of its own, joined to later ones only through
// link places of one producer and one consumer: a million subnets and a
// graph of subnets with two or three million edges, so that the report
// outgrows the net.
Net BuildLinks(int64_t n, Rng& rng) {
  Net net;
  net.name = Numbered("links_", n);
  for (int64_t i = 1; i <= n; ++i) net.AddTransition(Numbered("t", i));
  int64_t places = 0;
  for (int64_t i = 0; i < n; ++i) {
    const uint32_t outs = 1 + rng.Below(3);
    for (uint32_t j = 0; j < outs; ++j) {
      const int32_t p = net.AddPlace(Numbered("p", ++places));
      net.AddArc(static_cast<int32_t>(i), p, true);
      const int64_t later = n - i - 1;
      if (later == 0) continue;
      const auto step = rng.Below(static_cast<uint32_t>(std::min<int64_t>(later, 1000)));
      net.AddArc(static_cast<int32_t>(i + 1 + step), p, false);
    }
  }
  net.by_construction = n == 0 ? 1 : n;
  return net;
}

// Modules that look like what people draw: a cyclic workflow per module, with
// alternatives (two transitions on the same step), test flags (self-loops),
// shared resources taken by one step and given back by a later one, and
// messages from one module to the next. Markings, weights, intervals, labels
// and arcs stated on place lines come along for the writers.
Net BuildMix(int64_t n, Rng& rng) {
  static const char* const kVerbs[] = {"start", "load", "check", "send",   "recv",
                                       "store", "ack",  "retry", "commit", "poll"};
  static const char* const kNouns[] = {"idle", "ready", "busy", "wait", "done", "buf", "queue", "msg_in"};
  static const char* const kTexts[] = {"start of job",       "hand over to the next stage",
                                       "wait for the reply", "retry after a time-out",
                                       "write the result",   "free the channel"};
  Net net;
  net.name = Numbered("mix_", n);
  auto where = [&]() {
    uint32_t r = rng.Below(100);
    return r < 75 ? Where::kTr : r < 90 ? Where::kBoth : Where::kPl;
  };
  auto weight = [&]() { return static_cast<uint8_t>(rng.Percent(10) ? 2 + rng.Below(3) : 1); };
  // Arguments are evaluated in no fixed order, so the draws for one arc are
  // made one by one before the call; a seed then gives the same net whatever
  // the compiler.
  auto arc = [&](int32_t t, int32_t p, bool out) {
    const Where stated = where();
    const uint8_t w = weight();
    net.AddArc(t, p, out, w, stated);
  };
  auto add_place = [&](std::string name, int32_t mark) {
    net.marking.push_back(mark);
    net.plabel.emplace_back();
    return net.AddPlace(std::move(name));
  };
  auto add_transition = [&](std::string name) {
    net.interval.emplace_back();
    if (rng.Percent(30)) {
      uint32_t a = rng.Below(5);
      uint32_t b = a + rng.Below(10);
      net.interval.back() = (rng.Percent(10) ? "]" : "[") + std::to_string(a) + "," + std::to_string(b) + "]";
    }
    net.label.emplace_back(rng.Percent(20) ? kTexts[rng.Below(6)] : "");
    return net.AddTransition(std::move(name));
  };

  const int64_t resources = std::max<int64_t>(1, n / 40);
  for (int64_t r = 1; r <= resources; ++r) add_place(Numbered("res_", r), 1 + static_cast<int32_t>(rng.Below(3)));
  net.shared_places = static_cast<int32_t>(resources);

  int64_t made = 0;
  int32_t message = -1;  // sent by the previous module, received by this one
  for (int64_t g = 1; made < n; ++g) {
    net.group_start.push_back(static_cast<int32_t>(net.tname.size()));
    net.group_place.push_back(static_cast<int32_t>(net.pname.size()));
    const uint32_t steps = 2 + rng.Below(5);
    const std::string tag = "_" + std::to_string(g) + "_";
    std::vector<int32_t> q;
    for (uint32_t j = 0; j < steps; ++j) {
      std::string name = kNouns[rng.Below(8)] + tag + std::to_string(j);
      // Now and then a name with blanks, which needs braces.
      if (rng.Percent(2))
        name = "{" + std::string(kNouns[rng.Below(8)]) + " room " + std::to_string(g) + "." + std::to_string(j) + "}";
      q.push_back(add_place(std::move(name), j == 0            ? 1 + static_cast<int32_t>(rng.Below(3))
                                             : rng.Percent(10) ? 0
                                                               : -1));
      if (rng.Percent(10)) net.plabel.back() = "state of module " + std::to_string(g);
    }
    int32_t flag = -1;
    std::vector<int32_t> step;
    for (uint32_t j = 0; j < steps && made < n; ++j) {
      const int32_t from = q[j];
      const int32_t to = q[(j + 1) % steps];
      int32_t t = add_transition(kVerbs[rng.Below(10)] + tag + std::to_string(j));
      ++made;
      step.push_back(t);
      arc(t, from, false);
      arc(t, to, true);
      if (made < n && rng.Percent(25)) {
        int32_t alt = add_transition("alt" + tag + std::to_string(j));
        ++made;
        arc(alt, from, false);
        arc(alt, to, true);
      }
      if (rng.Percent(10)) {
        if (flag < 0) flag = add_place(Numbered("flag_", g), static_cast<int32_t>(rng.Below(2)));
        net.AddArc(t, flag, false, 1, where());
        net.AddArc(t, flag, true, 1, where());
      }
    }
    if (step.size() >= 2 && rng.Percent(30)) {
      const int32_t res = static_cast<int32_t>(rng.Below(static_cast<uint32_t>(resources)));
      const uint32_t take = rng.Below(static_cast<uint32_t>(step.size() - 1));
      const uint32_t give = take + 1 + rng.Below(static_cast<uint32_t>(step.size() - 1 - take));
      const uint8_t w = weight();
      net.AddArc(step[take], res, false, w, where());
      net.AddArc(step[give], res, true, w, where());
    }
    if (message >= 0) {
      const Where stated = where();
      net.AddArc(step[rng.Below(static_cast<uint32_t>(step.size()))], message, false, 1, stated);
    }
    message = -1;
    if (rng.Percent(50)) {
      message = add_place(Numbered("out_", g), -1);
      const Where stated = where();
      net.AddArc(step[rng.Below(static_cast<uint32_t>(step.size()))], message, true, 1, stated);
    }
    // An unused place now and then, as drawings have: it is in no subnet.
    if (rng.Percent(3)) add_place(Numbered("spare_", g), 0);
  }
  return net;
}

// The shapes of the semiflow benchmark, weighted where their invariants
// should be: each has P- and T-semiflows to find, and none is one subnet.

// Modules of 3-6 transitions, each a cycle through its own places, in a ring:
// one transition of every module passes a token to the next module, which
// takes it in one of its own. A chain of subnets along the ring.
Net BuildChain(int64_t n, Rng& rng) {
  Net net;
  net.name = Numbered("chain_", n);
  std::vector<int32_t> senders, receivers;
  for (int64_t made = 0; made < n;) {
    const auto size = static_cast<int32_t>(3 + rng.Below(4));
    const int32_t first_place = static_cast<int32_t>(net.pname.size());
    for (int32_t k = 0; k < size; ++k) net.AddPlace(Numbered("p", static_cast<int64_t>(net.pname.size()) + 1));
    const int32_t first = static_cast<int32_t>(net.tname.size());
    for (int32_t k = 0; k < size; ++k) {
      const int32_t t = net.AddTransition(Numbered("t", ++made));
      net.AddArc(t, first_place + k, false);
      net.AddArc(t, first_place + (k + 1) % size, true);
    }
    senders.push_back(first + static_cast<int32_t>(rng.Below(static_cast<uint32_t>(size))));
    receivers.push_back(first + static_cast<int32_t>(rng.Below(static_cast<uint32_t>(size))));
  }
  for (std::size_t m = 0; m < senders.size(); ++m) {
    const int32_t link = net.AddPlace(Numbered("link", static_cast<int64_t>(m) + 1));
    net.AddArc(senders[m], link, true);
    net.AddArc(receivers[(m + 1) % receivers.size()], link, false);
  }
  return net;
}

// Rings of 4-10 transitions whose arcs weigh 1-3, so that the semiflows have
// weights other than 1: each place draws a weight y, and the transition from
// place k to place k+1 takes y(k+1) tokens and gives y(k), which conserves
// the sum of y times the marking. A pair of transitions moves tokens between
// a place of each ring and the first place of the next one, weighted alike.
Net BuildWeightedCycles(int64_t n, Rng& rng) {
  Net net;
  net.name = Numbered("wcycle_", n);
  std::vector<uint8_t> y;
  int32_t previous_place = -1;
  for (int64_t made = 0; made < n;) {
    const auto size = static_cast<int32_t>(4 + rng.Below(7));
    const int32_t first_place = static_cast<int32_t>(net.pname.size());
    for (int32_t k = 0; k < size; ++k) {
      net.AddPlace(Numbered("p", static_cast<int64_t>(net.pname.size()) + 1));
      y.push_back(static_cast<uint8_t>(1 + rng.Below(3)));
    }
    for (int32_t k = 0; k < size; ++k) {
      const int32_t t = net.AddTransition(Numbered("t", ++made));
      const int32_t from = first_place + k, to = first_place + (k + 1) % size;
      net.AddArc(t, from, false, y[to]);
      net.AddArc(t, to, true, y[from]);
    }
    if (previous_place >= 0) {
      const int32_t forth = net.AddTransition(Numbered("t", ++made)), back = net.AddTransition(Numbered("t", ++made));
      net.AddArc(forth, previous_place, false, y[first_place]);
      net.AddArc(forth, first_place, true, y[previous_place]);
      net.AddArc(back, first_place, false, y[previous_place]);
      net.AddArc(back, previous_place, true, y[first_place]);
    }
    previous_place = first_place + static_cast<int32_t>(rng.Below(static_cast<uint32_t>(size)));
  }
  return net;
}

// Processes in a ring, each idle -> waiting -> critical -> idle, entering
// with the resource it shares with its left neighbour and the one it shares
// with its right one, and giving both back when it leaves.
Net BuildMutex(int64_t n, Rng& rng) {
  (void)rng;  // the shape is fixed by n
  Net net;
  net.name = Numbered("mutex_", n);
  const int64_t processes = std::max<int64_t>(2, n / 3);
  for (int64_t i = 0; i < processes; ++i) net.AddPlace(Numbered("r", i + 1));
  for (int64_t i = 0; i < processes; ++i) {
    const int32_t idle = net.AddPlace(Numbered("idle", i + 1)), wait = net.AddPlace(Numbered("wait", i + 1)),
                  crit = net.AddPlace(Numbered("crit", i + 1));
    const auto left = static_cast<int32_t>(i), right = static_cast<int32_t>((i + 1) % processes);
    const int32_t ask = net.AddTransition(Numbered("ask", i + 1)), enter = net.AddTransition(Numbered("enter", i + 1)),
                  leave = net.AddTransition(Numbered("leave", i + 1));
    net.AddArc(ask, idle, false);
    net.AddArc(ask, wait, true);
    net.AddArc(enter, wait, false);
    net.AddArc(enter, left, false);
    net.AddArc(enter, right, false);
    net.AddArc(enter, crit, true);
    net.AddArc(leave, crit, false);
    net.AddArc(leave, left, true);
    net.AddArc(leave, right, true);
    net.AddArc(leave, idle, true);
  }
  return net;
}

// Workflow modules: a loop of 4-12 steps with now and then a choice of two
// transitions between the same steps; a step may take 1-2 units of a shared
// resource, given back by a later step of the same loop.
Net BuildWorkflow(int64_t n, Rng& rng) {
  Net net;
  net.name = Numbered("workflow_", n);
  const auto resources = static_cast<uint32_t>(std::max<int64_t>(1, n / 40));
  for (uint32_t r = 0; r < resources; ++r) net.AddPlace(Numbered("res", r + 1));
  for (int64_t made = 0; made < n;) {
    const auto steps = static_cast<int32_t>(4 + rng.Below(9));
    const int32_t first_place = static_cast<int32_t>(net.pname.size());
    for (int32_t k = 0; k < steps; ++k) net.AddPlace(Numbered("s", static_cast<int64_t>(net.pname.size()) + 1));
    int32_t held = -1;
    uint8_t amount = 1;
    for (int32_t k = 0; k < steps; ++k) {
      const bool choice = rng.Percent(25);
      for (int copy = choice ? 2 : 1; copy > 0; --copy) {
        const int32_t t = net.AddTransition(Numbered("t", ++made));
        net.AddArc(t, first_place + k, false);
        net.AddArc(t, first_place + (k + 1) % steps, true);
        if (held < 0 && k + 2 < steps && copy == 1 && rng.Percent(30)) {
          held = static_cast<int32_t>(rng.Below(resources));
          amount = static_cast<uint8_t>(1 + rng.Below(2));
          net.AddArc(t, held, false, amount);
        } else if (held >= 0 && k + 1 == steps) {
          net.AddArc(t, held, true, amount);
        }
      }
    }
  }
  return net;
}

// ---------------------------------------------------------------- writing

class Sink {
 public:
  explicit Sink(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) Fail("cannot create");
    buffer_.reserve(kBlock + 4096);
  }
  ~Sink() { Close(); }
  Sink& operator<<(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlock) Flush();
    return *this;
  }
  Sink& operator<<(char c) {
    buffer_.push_back(c);
    return *this;
  }
  Sink& operator<<(int64_t value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
  }
  Sink& operator<<(int32_t value) { return *this << static_cast<int64_t>(value); }
  Sink& operator<<(uint32_t value) { return *this << static_cast<int64_t>(value); }
  void Close() {
    if (file_ == nullptr) return;
    Flush();
    if (std::fclose(file_) != 0) Fail("cannot write");
    file_ = nullptr;
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  void Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      Fail("cannot write");
    buffer_.clear();
  }
  [[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "vantira-gen: %s %s\n", what, path_.c_str());
    std::exit(1);
  }
  std::string path_;
  std::FILE* file_;
  std::string buffer_;
};

// Coordinates on a grid, only so that drawings look like drawings.
int64_t GridX(int64_t k) { return 40 * (k % 250) + 20; }
int64_t GridY(int64_t k) { return 40 * (k / 250) + 20; }

// One "tr" line per transition, arcs on it only.
void PutWeighted(Sink& out, const std::string& name, uint8_t weight) {
  out << ' ' << name;
  if (weight > 1) out << '*' << static_cast<int32_t>(weight);
}

void WritePlainNet(const Net& net, const std::string& path) {
  Sink out(path);
  out << "net " << net.name << '\n';
  for (std::size_t t = 0; t < net.tname.size(); ++t) {
    out << "tr " << net.tname[t];
    for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
      const Arc& a = net.arcs[net.t_arcs[i]];
      if (!a.out) PutWeighted(out, net.pname[a.p], a.weight);
    }
    out << " ->";
    for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
      const Arc& a = net.arcs[net.t_arcs[i]];
      if (a.out) PutWeighted(out, net.pname[a.p], a.weight);
    }
    out << '\n';
  }
}

// Transition by transition: the records of its places not yet drawn, its own
// record, then its edges, so every edge follows both of its nodes.
void WritePlainNdr(const Net& net, const std::string& path) {
  Sink out(path);
  std::vector<bool> drawn(net.pname.size(), false);
  for (std::size_t t = 0; t < net.tname.size(); ++t) {
    const uint32_t begin = net.t_begin[t];
    const uint32_t end = net.t_begin[t + 1];
    for (uint32_t i = begin; i < end; ++i) {
      const int32_t p = net.arcs[net.t_arcs[i]].p;
      if (drawn[p]) continue;
      drawn[p] = true;
      out << "p " << GridX(p) << ' ' << GridY(p) << ' ' << net.pname[p] << '\n';
    }
    const int64_t k = static_cast<int64_t>(t);
    out << "t " << GridX(k) + 20 << ' ' << GridY(k) << ' ' << net.tname[t] << '\n';
    for (uint32_t i = begin; i < end; ++i) {
      const Arc& a = net.arcs[net.t_arcs[i]];
      if (a.out) {
        out << "e " << net.tname[t] << ' ' << net.pname[a.p] << '\n';
      } else {
        out << "e " << net.pname[a.p] << ' ' << net.tname[t] << '\n';
      }
    }
  }
}

bool NeedsPlaceLine(const Net& net, int32_t p) {
  if (net.marking[p] >= 0 || net.p_begin[p] == net.p_begin[p + 1]) return true;
  for (uint32_t i = net.p_begin[p]; i < net.p_begin[p + 1]; ++i) {
    if (net.arcs[net.p_arcs[i]].where != Where::kTr) return true;
  }
  return false;
}

void WritePlaceLine(Sink& out, const Net& net, int32_t p) {
  out << "pl " << net.pname[p];
  if (net.marking[p] >= 0) out << " (" << net.marking[p] << ')';
  bool arrow = false;
  for (int side = 0; side < 2; ++side) {  // producers, then consumers
    for (uint32_t i = net.p_begin[p]; i < net.p_begin[p + 1]; ++i) {
      const Arc& a = net.arcs[net.p_arcs[i]];
      if (a.where == Where::kTr || a.out != (side == 0)) continue;
      if (side == 1 && !arrow) {
        out << " ->";
        arrow = true;
      }
      PutWeighted(out, net.tname[a.t], a.weight);
    }
  }
  out << '\n';
}

void WriteMixNet(const Net& net, const std::string& path) {
  Sink out(path);
  out << "# benchmark net " << net.name << ": workflow modules sharing resources\n";
  out << "net " << net.name << "\n\n# shared resources\n";
  for (int32_t p = 0; p < net.shared_places; ++p) WritePlaceLine(out, net, p);
  const std::size_t groups = net.group_start.size();
  for (std::size_t g = 0; g < groups; ++g) {
    const int32_t t_end = g + 1 < groups ? net.group_start[g + 1] : static_cast<int32_t>(net.tname.size());
    const int32_t p_end = g + 1 < groups ? net.group_place[g + 1] : static_cast<int32_t>(net.pname.size());
    out << "\n# module " << static_cast<int64_t>(g + 1) << '\n';
    for (int32_t p = net.group_place[g]; p < p_end; ++p) {
      if (NeedsPlaceLine(net, p)) WritePlaceLine(out, net, p);
    }
    for (int32_t t = net.group_start[g]; t < t_end; ++t) {
      out << "tr " << net.tname[t];
      if (!net.interval[t].empty()) out << ' ' << net.interval[t];
      bool arrow = false;
      for (int side = 0; side < 2; ++side) {  // inputs, then outputs
        for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
          const Arc& a = net.arcs[net.t_arcs[i]];
          if (a.where == Where::kPl || a.out != (side == 1)) continue;
          if (side == 1 && !arrow) {
            out << " ->";
            arrow = true;
          }
          PutWeighted(out, net.pname[a.p], a.weight);
        }
      }
      out << '\n';
    }
    for (int32_t t = net.group_start[g]; t < t_end; ++t) {
      if (!net.label[t].empty()) out << "lb " << net.tname[t] << ' ' << net.label[t] << '\n';
    }
    for (int32_t p = net.group_place[g]; p < p_end; ++p) {
      if (!net.plabel[p].empty()) out << "lb " << net.pname[p] << ' ' << net.plabel[p] << '\n';
    }
  }
}

// Records carry the extra fields a drawing has (marking, label position,
// bend points before the target, weight after it), with comments between
// modules.
void WriteMixNdr(const Net& net, const std::string& path) {
  Sink out(path);
  out << "# drawing of " << net.name << "\n# resources first, then one block per module\n";
  out << "h " << net.name << '\n';
  std::vector<bool> drawn(net.pname.size(), false);
  auto place = [&](int32_t p) {
    drawn[p] = true;
    out << "p " << GridX(p) << ".0 " << GridY(p) << ".0 " << net.pname[p] << ' ' << std::max(net.marking[p], 0) << " n";
    if (!net.plabel[p].empty()) out << " {" << net.plabel[p] << '}';
    out << '\n';
  };
  for (int32_t p = 0; p < net.shared_places; ++p) place(p);
  const std::size_t groups = net.group_start.size();
  for (std::size_t g = 0; g < groups; ++g) {
    const int32_t t_end = g + 1 < groups ? net.group_start[g + 1] : static_cast<int32_t>(net.tname.size());
    out << "# module " << static_cast<int64_t>(g + 1) << '\n';
    for (int32_t t = net.group_start[g]; t < t_end; ++t) {
      for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
        const int32_t p = net.arcs[net.t_arcs[i]].p;
        if (!drawn[p]) place(p);
      }
      out << "t " << GridX(t) + 20 << ".0 " << GridY(t) << ".0 " << net.tname[t] << " 0 w n";
      if (!net.interval[t].empty()) out << ' ' << net.interval[t];
      out << '\n';
      for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
        const Arc& a = net.arcs[net.t_arcs[i]];
        const std::string& from = a.out ? net.tname[t] : net.pname[a.p];
        const std::string& to = a.out ? net.pname[a.p] : net.tname[t];
        out << "e " << from;
        const uint32_t bends = net.t_arcs[i] % 7;  // 0, 1 or 2 numeric fields
        if (bends >= 5) out << ' ' << static_cast<int64_t>(bends) << ".5";
        if (bends == 6) out << " 30";
        out << ' ' << to << ' ' << static_cast<int32_t>(a.weight) << " n\n";
      }
    }
    if (g % 10 == 9) out << '\n';
  }
  // Places no transition touches still have records.
  for (std::size_t p = 0; p < net.pname.size(); ++p) {
    if (!drawn[p]) place(static_cast<int32_t>(p));
  }
}

// PNML in the layout of the Model Checking Contest's P/T models: one page
// holding all places, then all transitions, then all arcs, each element over
// several indented lines, the net's name last.
constexpr std::string_view kPnmlHead =
    "<?xml version=\"1.0\"?>\n<pnml xmlns=\"http://www.pnml.org/version-2009/grammar/pnml\">\n";
constexpr std::string_view kPtNetType = "\" type=\"http://www.pnml.org/version-2009/grammar/ptnet\">\n";

// A braced name loses its braces; nothing the shapes name needs escaping.
std::string_view PnmlId(const std::string& name) {
  std::string_view id = name;
  if (id.size() >= 2 && id.front() == '{' && id.back() == '}') id = id.substr(1, id.size() - 2);
  return id;
}

void PnmlNode(Sink& out, std::string_view indent, std::string_view tag, std::string_view id, int32_t marking) {
  out << indent << '<' << tag << " id=\"" << id << "\">\n" << indent << "  <name>\n" << indent << "    <text>" << id
      << "</text>\n" << indent << "  </name>\n";
  if (marking >= 0) {
    out << indent << "  <initialMarking>\n" << indent << "    <text>" << marking << "</text>\n"
        << indent << "  </initialMarking>\n";
  }
  out << indent << "</" << tag << ">\n";
}

void PnmlArc(Sink& out, std::string_view indent, int64_t k, std::string_view source, std::string_view target,
             uint8_t weight) {
  out << indent << "<arc id=\"a" << k << "\" source=\"" << source << "\" target=\"" << target << "\">\n"
      << indent << "  <inscription>\n" << indent << "    <text>" << static_cast<int32_t>(weight) << "</text>\n"
      << indent << "  </inscription>\n" << indent << "</arc>\n";
}

void PnmlTail(Sink& out, std::string_view name) {
  out << "    <name>\n      <text>" << name << "</text>\n    </name>\n  </net>\n</pnml>\n";
}

void WritePlainPnml(const Net& net, const std::string& path) {
  Sink out(path);
  out << kPnmlHead << "  <net id=\"" << net.name << kPtNetType
      << "    <page id=\"page0\">\n      <name>\n        <text>DefaultPage</text>\n      </name>\n";
  std::vector<bool> used(net.pname.size(), false);
  for (const Arc& a : net.arcs) used[a.p] = true;
  for (std::size_t p = 0; p < net.pname.size(); ++p) {
    if (used[p]) PnmlNode(out, "      ", "place", net.pname[p], -1);
  }
  for (const std::string& t : net.tname) PnmlNode(out, "      ", "transition", t, -1);
  int64_t k = 0;
  for (std::size_t t = 0; t < net.tname.size(); ++t) {
    for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
      const Arc& a = net.arcs[net.t_arcs[i]];
      const std::string& place = net.pname[a.p];
      PnmlArc(out, "      ", ++k, a.out ? net.tname[t] : place, a.out ? place : net.tname[t], a.weight);
    }
  }
  out << "    </page>\n";
  PnmlTail(out, net.name);
}

// Modules as pages nested in one top page that holds the shared resources;
// a module reaches a resource through a reference place on its own page,
// and the message places of other modules likewise. Arcs a .net file states
// on both lines are written twice.
void WriteMixPnml(const Net& net, const std::string& path) {
  Sink out(path);
  out << kPnmlHead << "  <!-- benchmark net " << net.name << ": workflow modules sharing resources -->\n"
      << "  <net id=\"" << net.name << kPtNetType << "    <page id=\"top\">\n";
  for (int32_t p = 0; p < net.shared_places; ++p) PnmlNode(out, "      ", "place", PnmlId(net.pname[p]), net.marking[p]);
  const std::size_t groups = net.group_start.size();
  std::vector<int32_t> home(net.pname.size(), -1);  // module whose page declares a place
  for (std::size_t g = 0; g < groups; ++g) {
    const int32_t p_end = g + 1 < groups ? net.group_place[g + 1] : static_cast<int32_t>(net.pname.size());
    for (int32_t p = net.group_place[g]; p < p_end; ++p) home[p] = static_cast<int32_t>(g);
  }
  int64_t k = 0;
  std::vector<int64_t> referenced(net.pname.size(), -1);  // last module that made a reference to a place
  for (std::size_t g = 0; g < groups; ++g) {
    const int32_t t_end = g + 1 < groups ? net.group_start[g + 1] : static_cast<int32_t>(net.tname.size());
    const int32_t p_end = g + 1 < groups ? net.group_place[g + 1] : static_cast<int32_t>(net.pname.size());
    out << "      <page id=\"module_" << static_cast<int64_t>(g + 1) << "\">\n";
    for (int32_t p = net.group_place[g]; p < p_end; ++p) PnmlNode(out, "        ", "place", PnmlId(net.pname[p]), net.marking[p]);
    // Places of other pages: resources and messages, by reference.
    auto id_of = [&](int32_t p) -> std::string {
      std::string id(PnmlId(net.pname[p]));
      if (home[p] == static_cast<int32_t>(g)) return id;
      std::string ref = "ref_" + std::to_string(g + 1) + "_" + id;
      if (referenced[p] != static_cast<int64_t>(g)) {
        referenced[p] = static_cast<int64_t>(g);
        out << "        <referencePlace id=\"" << ref << "\" ref=\"" << id << "\"/>\n";
      }
      return ref;
    };
    for (int32_t t = net.group_start[g]; t < t_end; ++t) PnmlNode(out, "        ", "transition", net.tname[t], -1);
    for (int32_t t = net.group_start[g]; t < t_end; ++t) {
      for (uint32_t i = net.t_begin[t]; i < net.t_begin[t + 1]; ++i) {
        const Arc& a = net.arcs[net.t_arcs[i]];
        const std::string place = id_of(a.p);
        for (int copy = a.where == Where::kBoth ? 2 : 1; copy > 0; --copy) {
          PnmlArc(out, "        ", ++k, a.out ? net.tname[t] : place, a.out ? place : net.tname[t], a.weight);
        }
      }
    }
    out << "      </page>\n";
  }
  out << "    </page>\n";
  PnmlTail(out, net.name);
}

int Usage() {
  std::fprintf(stderr,
               "usage: vantira-gen [--seed N] [--format net|ndr|both|pnml] SHAPE TRANSITIONS OUTBASE\n"
               "  SHAPE: random, wide, deep, mix or links; for the semiflows chain, wcycle, mutex\n"
               "  or workflow (their .net files carry arc weights)\n"
               "  writes OUTBASE.net and OUTBASE.ndr (both, the default), or one of them,\n"
               "  or OUTBASE.pnml, and prints one line:\n"
               "  shape=... transitions=... places=... arcs=... subnets=...\n");
  return 2;
}

bool ParseNumber(const char* text, int64_t& value) {
  const char* end = text + std::strlen(text);
  auto result = std::from_chars(text, end, value);
  return result.ec == std::errc() && result.ptr == end && value >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  int64_t seed = 1;
  std::string format = "both";
  std::vector<const char*> args;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--seed" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], seed)) return Usage();
    } else if (arg == "--format" && i + 1 < argc) {
      format = argv[++i];
    } else {
      args.push_back(argv[i]);
    }
  }
  int64_t n = 0;
  if (args.size() != 3 || !ParseNumber(args[1], n) || n > 100'000'000) return Usage();
  if (format != "net" && format != "ndr" && format != "both" && format != "pnml") return Usage();
  const std::string shape = args[0];
  const std::string base = args[2];

  // The shape takes part in the seed, so shapes of one size are unrelated.
  uint64_t mixed = static_cast<uint64_t>(seed) * 0x9e3779b97f4a7c15ULL ^ static_cast<uint64_t>(n);
  for (char c : shape) mixed = (mixed ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;  // FNV-1a step
  Rng rng(mixed);
  Net net;
  if (shape == "random") {
    net = BuildRandom(n, rng);
  } else if (shape == "wide") {
    net = BuildWide(n, rng);
  } else if (shape == "deep") {
    net = BuildDeep(n, rng);
  } else if (shape == "mix") {
    net = BuildMix(n, rng);
  } else if (shape == "links") {
    net = BuildLinks(n, rng);
  } else if (shape == "chain") {
    net = BuildChain(n, rng);
  } else if (shape == "wcycle") {
    net = BuildWeightedCycles(n, rng);
  } else if (shape == "mutex") {
    net = BuildMutex(n, rng);
  } else if (shape == "workflow") {
    net = BuildWorkflow(n, rng);
  } else {
    return Usage();
  }
  net.Index();

  const int64_t subnets = CountSubnets(net);
  if (net.by_construction >= 0 && net.by_construction != subnets) {
    std::fprintf(stderr, "vantira-gen: %s net built with %lld subnets, union-find finds %lld\n", shape.c_str(),
                 static_cast<long long>(net.by_construction), static_cast<long long>(subnets));
    return 1;
  }
  const bool mix = shape == "mix";
  if (format == "pnml") {
    (mix ? WriteMixPnml : WritePlainPnml)(net, base + ".pnml");
  } else {
    if (format != "ndr") (mix ? WriteMixNet : WritePlainNet)(net, base + ".net");
    if (format != "net") (mix ? WriteMixNdr : WritePlainNdr)(net, base + ".ndr");
  }

  // Places that no arc touches are left out of the plain writers' files.
  std::vector<bool> used(net.pname.size(), mix);
  for (const Arc& a : net.arcs) used[a.p] = true;
  long long places = 0;
  for (bool u : used) places += u;
  std::printf("shape=%s transitions=%lld places=%lld arcs=%zu subnets=%lld seed=%lld\n", shape.c_str(),
              static_cast<long long>(n), places, net.arcs.size(), static_cast<long long>(subnets),
              static_cast<long long>(seed));
  return 0;
}
