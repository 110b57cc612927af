#include "planners/nupn_plan.h"

#include <algorithm>
#include <string_view>

namespace vantira {

namespace {

// `text` as XML character data or an attribute value in double quotes.
void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out.append("&amp;");
        break;
      case '<':
        out.append("&lt;");
        break;
      case '>':
        out.append("&gt;");
        break;
      case '"':
        out.append("&quot;");
        break;
      default:
        out.push_back(c);
    }
  }
}

}  // namespace

NupnBlocks::NupnBlocks(const NetLayout& layout, const SubnetMap& map)
    : nupn_(layout.nupn),
      transitions_(static_cast<std::size_t>(map.iSubNet) + 1, 0),
      arcs_(static_cast<std::size_t>(map.iSubNet) + 1, 0),
      stamp_(nupn_.unit_ids.size(), 0) {
  const auto subnets = static_cast<std::size_t>(map.iSubNet);
  const auto m = static_cast<int32_t>(nupn_.unit_of_place.size()) - 1;
  // A place's subnets: those it is an input, internal or output place of.
  auto for_each_subnet = [&](int32_t p, auto&& take) {
    for (int32_t k : {map.SX[p], map.SQ[p], map.SY[p]}) {
      if (k != 0) take(k);
    }
  };
  place_start_.assign(subnets + 2, 0);
  for (int32_t p = 1; p <= m; ++p) for_each_subnet(p, [&](int32_t k) { ++place_start_[k + 1]; });
  for (std::size_t k = 1; k < place_start_.size(); ++k) place_start_[k] += place_start_[k - 1];
  places_.resize(static_cast<std::size_t>(place_start_.back()));
  std::vector<int32_t> fill(place_start_.begin(), place_start_.end() - 1);
  for (int32_t p = 1; p <= m; ++p) for_each_subnet(p, [&](int32_t k) { places_[fill[k]++] = p; });
  for (const NetLayout::Record& element : layout.records) {
    if (element.follows >= 0 || element.reference) continue;
    ++(element.arc ? arcs_ : transitions_)[map.SubNet[-element.follows]];
  }
}

void NupnBlocks::KeepUnits(int32_t k, int32_t* first, int32_t* last) {
  const std::vector<int32_t>& unit_of = nupn_.unit_of_place;
  // The units kept: every unit on the way from a place's unit up to the root.
  kept_.clear();
  for (auto* p = first; p != last; ++p) {
    for (int32_t u = unit_of[*p]; u >= 0 && stamp_[u] != k; u = nupn_.parent[u]) {
      stamp_[u] = k;
      kept_.push_back(u);
    }
  }
  if (stamp_[nupn_.root] != k) {
    stamp_[nupn_.root] = k;
    kept_.push_back(nupn_.root);
  }
  std::sort(kept_.begin(), kept_.end());
  std::sort(first, last, [&](int32_t a, int32_t b) {
    return unit_of[a] != unit_of[b] ? unit_of[a] < unit_of[b] : nupn_.rank_in_unit[a] < nupn_.rank_in_unit[b];
  });
  children_.clear();
  for (int32_t u : kept_) {
    if (u != nupn_.root) children_.push_back(u);
  }
  std::sort(children_.begin(), children_.end(), [&](int32_t a, int32_t b) {
    const int32_t pa = nupn_.parent[a], pb = nupn_.parent[b];
    return pa != pb ? pa < pb : nupn_.rank_in_parent[a] < nupn_.rank_in_parent[b];
  });
}

std::string NupnBlocks::Block(int32_t k) {
  const std::vector<int32_t>& unit_of = nupn_.unit_of_place;
  auto* first = places_.data() + place_start_[k];
  auto* last = places_.data() + place_start_[k + 1];
  KeepUnits(k, first, last);
  const std::string& le = nupn_.line_end;
  std::string out = nupn_.start_tag;
  out.append(le);
  out.append("<size places=\"")
      .append(std::to_string(last - first))
      .append("\" transitions=\"")
      .append(std::to_string(transitions_[k]))
      .append("\" arcs=\"")
      .append(std::to_string(arcs_[k]))
      .append("\"/>")
      .append(le);
  out.append("<structure units=\"").append(std::to_string(kept_.size())).append("\" root=\"");
  AppendEscaped(out, nupn_.unit_ids[nupn_.root]);
  out.append("\" safe=\"false\">").append(le);
  auto* place = first;
  auto child = children_.begin();
  for (int32_t u : kept_) {
    out.append("<unit id=\"");
    AppendEscaped(out, nupn_.unit_ids[u]);
    out.append("\">").append(le);
    auto* end = place;
    while (end != last && unit_of[*end] == u) ++end;
    if (end == place) {
      out.append("<places/>");
    } else {
      out.append("<places>");
      for (auto* p = place; p != end; ++p) {
        if (p != place) out.push_back(' ');
        AppendEscaped(out, nupn_.place_ids[*p]);
      }
      out.append("</places>");
    }
    out.append(le);
    place = end;
    auto child_end = child;
    while (child_end != children_.end() && nupn_.parent[*child_end] == u) ++child_end;
    if (child_end == child) {
      out.append("<subunits/>");
    } else {
      out.append("<subunits>");
      for (auto c = child; c != child_end; ++c) {
        if (c != child) out.push_back(' ');
        AppendEscaped(out, nupn_.unit_ids[*c]);
      }
      out.append("</subunits>");
    }
    out.append(le);
    child = child_end;
    out.append("</unit>").append(le);
  }
  out.append("</structure>").append(le).append("</toolspecific>");
  if (nupn_.ends_line) out.append(le);
  return out;
}

}  // namespace vantira
