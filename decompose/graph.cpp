#include "decompose/graph.h"

#include "base/group_layout.h"

namespace vantira {

namespace {

// The text graph counts places and need not know which: two thirds the
// memory of a Connection.
struct Link {
  int32_t from;  // the producers' subnet
  int32_t to;    // the consumers' subnet
};

// Stable counting sort of links by one end, subnets 1..count.
template <class L>
std::vector<L> SortBy(std::vector<L> links, int32_t L::*end, int32_t count) {
  SortByKey<int32_t>(links, static_cast<std::size_t>(count) + 1, [end](const L& link) { return link.*end; });
  return links;
}

// Writes the entries of subnet k's side: links [*pos, ...) whose `key` is k,
// grouped by `other` (they are sorted by it), advancing *pos past them.
void PutSide(const std::vector<Link>& links, std::size_t& pos, int32_t k, int32_t Link::*key, int32_t Link::*other,
             Output& out) {
  while (pos < links.size() && links[pos].*key == k) {
    int32_t j = links[pos].*other;
    int32_t count = 0;
    while (pos < links.size() && links[pos].*key == k && links[pos].*other == j) {
      ++count;
      ++pos;
    }
    out.Put(" Z");
    out.PutNumber(j);
    if (count > 1) {
      out.Put('*');
      out.PutNumber(count);
    }
  }
}

}  // namespace

std::vector<Connection> OrderByFrom(const std::vector<Connection>& by_place, int32_t count) {
  // Stable passes keep place order within each pair.
  return SortBy(SortBy(by_place, &Connection::to, count), &Connection::from, count);
}

void WriteGraph(const NetStore& s, const SubnetMap& map, Output& out) {
  out.Put("\nGRAPH OF FUNCTIONAL SUBNETS ------------------------------------------------\n\n");
  const int32_t count = map.iSubNet;
  std::vector<Link> links;
  for (int32_t p = 1; p <= s.m; ++p) {
    if (map.SX[p] != 0 && map.SY[p] != 0) links.push_back(Link{map.SY[p], map.SX[p]});
  }
  // Two stable passes give the order (to, from) for predecessors and
  // (from, to) for successors.
  std::vector<Link> preds = SortBy(SortBy(links, &Link::from, count), &Link::to, count);
  std::vector<Link> succs = SortBy(SortBy(links, &Link::to, count), &Link::from, count);
  std::size_t pred_pos = 0;
  std::size_t succ_pos = 0;
  for (int32_t k = 1; k <= count; ++k) {
    out.Put('Z');
    out.PutNumber(k);
    out.Put(':');
    PutSide(preds, pred_pos, k, &Link::to, &Link::from, out);
    out.Put(" ->");
    PutSide(succs, succ_pos, k, &Link::from, &Link::to, out);
    out.Put('\n');
  }
}

}  // namespace vantira
