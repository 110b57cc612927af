#include "store/adjacency.h"

#include <vector>

#include "base/second_thread.h"

namespace vantira {

namespace {

// Below this many arcs a second thread gains less than it costs to start.
constexpr int64_t kArcsForThread = int64_t{1} << 18;

// Turns per-element counts held in first[e] and second[e] (e = 1..count) into
// the starts of back-to-back ranges [first, second) [second, first[e+1]).
void CountsToStarts(int32_t* first, int32_t* second, int32_t count) {
  int32_t running = 0;
  for (int32_t e = 1; e <= count; ++e) {
    int32_t a = first[e];
    int32_t b = second[e];
    first[e] = running;
    second[e] = running + a;
    running += a + b;
  }
  first[count + 1] = running;
}

// Filling used first[e] and second[e] as write cursors, which left them at
// the old second[e] and first[e+1]; shift them back to the range starts.
void CursorsToStarts(int32_t* first, int32_t* second, int32_t count) {
  for (int32_t e = count; e >= 1; --e) {
    int32_t end_of_first = first[e];
    first[e] = e > 1 ? second[e - 1] : 0;
    second[e] = end_of_first;
  }
}

}  // namespace

int32_t CreateIOPT(NetStore& s) {
  const std::size_t entries = static_cast<std::size_t>(s.fatp) + static_cast<std::size_t>(s.fapt) + 1;
  s.at.Allocate(entries);
  s.ap.Allocate(entries);
  const int32_t n = s.n;
  const int32_t m = s.m;
  int32_t* tx = s.tx.Data();
  int32_t* ty = s.ty.Data();
  int32_t* px = s.px.Data();
  int32_t* py = s.py.Data();
  int32_t* at = s.at.Data();
  int32_t* ap = s.ap.Data();

  // The places' counts need nothing of the transitions' half: on a large
  // net they are taken on a second thread while that half is sorted.
  auto count_places = [&s, px, py, m] {
    for (int32_t p = 1; p <= m; ++p) px[p] = py[p] = 0;
    for (int32_t k = 0; k < s.fapt; ++k) ++py[s.aptp[k]];
    for (int32_t k = 0; k < s.fatp; ++k) ++px[s.atpp[k]];
    CountsToStarts(px, py, m);
  };
  SecondThread places;
  if (static_cast<int64_t>(s.fapt) + s.fatp >= kArcsForThread) places.Start(count_places);

  // Transitions: a stable counting sort of both arc lists by transition.
  for (int32_t t = 1; t <= n; ++t) tx[t] = ty[t] = 0;
  for (int32_t k = 0; k < s.fapt; ++k) ++tx[s.aptt[k]];
  for (int32_t k = 0; k < s.fatp; ++k) ++ty[s.atpt[k]];
  CountsToStarts(tx, ty, n);
  for (int32_t k = 0; k < s.fapt; ++k) at[tx[s.aptt[k]]++] = s.aptp[k];
  for (int32_t k = 0; k < s.fatp; ++k) at[ty[s.atpt[k]]++] = s.atpp[k];
  CursorsToStarts(tx, ty, n);
  s.fat = tx[n + 1];

  if (places.Started()) {
    places.Join();
  } else {
    count_places();  // a small net, or no thread to be had
  }
  // Places: walking transitions in increasing order makes each place's
  // producers and consumers come out in increasing transition number.
  for (int32_t t = 1; t <= n; ++t) {
    for (int32_t p : s.Inputs(t)) ap[py[p]++] = t;
    for (int32_t p : s.Outputs(t)) ap[px[p]++] = t;
  }
  CursorsToStarts(px, py, m);
  s.fap = px[m + 1];
  return s.fap;
}

namespace {

// True when the arcs of every transition form one run in the list, as in a
// net given by transition lines alone; repeats can then only lie in a run.
bool RunsPerTransition(const CArray<int32_t>& trans, int32_t count, int32_t n) {
  std::vector<bool> started(static_cast<std::size_t>(n) + 1, false);
  for (int32_t k = 0; k < count; ++k) {
    const int32_t t = trans[k];
    if (k > 0 && trans[k - 1] == t) continue;
    if (started[t]) return false;
    started[t] = true;
  }
  return true;
}

// Arc indices grouped by transition, in list order within a group (a stable
// counting sort).
std::vector<int32_t> GroupByTransition(const CArray<int32_t>& trans, int32_t count, int32_t n) {
  std::vector<int32_t> start(static_cast<std::size_t>(n) + 2, 0);
  for (int32_t k = 0; k < count; ++k) ++start[trans[k] + 1];
  for (int32_t t = 1; t <= n + 1; ++t) start[t] += start[t - 1];
  std::vector<int32_t> order(static_cast<std::size_t>(count));
  for (int32_t k = 0; k < count; ++k) order[start[trans[k]]++] = k;
  return order;
}

// Marks repeats in one arc list by setting their transition to 0, then
// compacts the list. Arcs are visited grouped by transition, so a per-place
// stamp of the last transition seen detects repeats.
void RemoveDuplicates(CArray<int32_t>& trans, CArray<int32_t>& places, int32_t& count, int32_t n,
                      int32_t m) {
  if (count < 2) return;
  std::vector<int32_t> seen_by(static_cast<std::size_t>(m) + 1, 0);
  bool any = false;
  auto visit = [&](int32_t k) {
    const int32_t t = trans[k];
    const int32_t p = places[k];
    if (seen_by[p] == t) {
      trans[k] = 0;
      any = true;
    } else {
      seen_by[p] = t;
    }
  };
  if (RunsPerTransition(trans, count, n)) {
    for (int32_t k = 0; k < count; ++k) visit(k);
  } else {
    for (int32_t k : GroupByTransition(trans, count, n)) visit(k);
  }
  if (!any) return;
  int32_t kept = 0;
  for (int32_t k = 0; k < count; ++k) {
    if (trans[k] == 0) continue;
    trans[kept] = trans[k];
    places[kept] = places[k];
    ++kept;
  }
  count = kept;
}

}  // namespace

void RemoveDuplicateArcs(NetStore& s) {
  RemoveDuplicates(s.aptt, s.aptp, s.fapt, s.n, s.m);
  RemoveDuplicates(s.atpt, s.atpp, s.fatp, s.n, s.m);
}

}  // namespace vantira
