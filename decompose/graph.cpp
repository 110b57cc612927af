#include "decompose/graph.h"

namespace vantira {

namespace {

// Stable counting sort of connections by one end, subnets 1..count.
std::vector<Connection> SortBy(const std::vector<Connection>& links, int32_t Connection::*end, int32_t count) {
  std::vector<int32_t> start(static_cast<std::size_t>(count) + 2, 0);
  for (const Connection& link : links) ++start[link.*end + 1];
  for (int32_t k = 1; k <= count + 1; ++k) start[k] += start[k - 1];
  std::vector<Connection> sorted(links.size());
  for (const Connection& link : links) sorted[start[link.*end]++] = link;
  return sorted;
}

// The connecting places in place order.
std::vector<Connection> ConnectionsByPlace(const NetStore& s, const SubnetMap& map) {
  std::vector<Connection> links;
  for (int32_t p = 1; p <= s.m; ++p) {
    if (map.SX[p] != 0 && map.SY[p] != 0) links.push_back(Connection{map.SY[p], map.SX[p], p});
  }
  return links;
}

// Writes the entries of subnet k's side: links [*pos, ...) whose `key` is k,
// grouped by `other` (they are sorted by it), advancing *pos past them.
void PutSide(const std::vector<Connection>& links, std::size_t& pos, int32_t k, int32_t Connection::*key,
             int32_t Connection::*other, Output& out) {
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

std::vector<Connection> ConnectionsByFrom(const NetStore& s, const SubnetMap& map) {
  // Stable passes keep place order within each pair.
  return SortBy(SortBy(ConnectionsByPlace(s, map), &Connection::to, map.iSubNet), &Connection::from, map.iSubNet);
}

void WriteGraph(const NetStore& s, const SubnetMap& map, Output& out) {
  out.Put("\nGRAPH OF FUNCTIONAL SUBNETS ------------------------------------------------\n\n");
  const int32_t count = map.iSubNet;
  const std::vector<Connection> links = ConnectionsByPlace(s, map);
  // Two stable passes give the order (to, from) for predecessors and
  // (from, to) for successors.
  std::vector<Connection> preds = SortBy(SortBy(links, &Connection::from, count), &Connection::to, count);
  std::vector<Connection> succs = SortBy(SortBy(links, &Connection::to, count), &Connection::from, count);
  std::size_t pred_pos = 0;
  std::size_t succ_pos = 0;
  for (int32_t k = 1; k <= count; ++k) {
    out.Put('Z');
    out.PutNumber(k);
    out.Put(':');
    PutSide(preds, pred_pos, k, &Connection::to, &Connection::from, out);
    out.Put(" ->");
    PutSide(succs, succ_pos, k, &Connection::from, &Connection::to, out);
    out.Put('\n');
  }
}

}  // namespace vantira
