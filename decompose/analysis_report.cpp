#include "decompose/analysis_report.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "decompose/json_text.h"

namespace vantira {

namespace {

// The table's column of each class, in NetClass order.
constexpr std::array<std::string_view, kClassCount> kColumns = {"ORD", "PUR", "SM",  "MG",  "FC",  "EFC", "CON", "SCO",
                                                                "SRP", "SKP", "SRT", "SKT", "CSV", "SUB", "SB"};

std::string_view YesNo(const std::optional<bool>& v) { return !v ? "unknown" : *v ? "yes" : "no"; }
std::string_view Mark(const std::optional<bool>& v) { return !v ? "?" : *v ? "y" : "-"; }
std::string_view Json(const std::optional<bool>& v) { return !v ? "null" : *v ? "true" : "false"; }

void PutSetName(const NetStore& s, const std::vector<int32_t>& set, Output& out) {
  for (std::size_t i = 0; i < set.size(); ++i) {
    if (i != 0) out.Put('+');
    out.Put(s.PlaceName(set[i]));
  }
}

// `NAME <= N (reached R)`, `(reached: exact)` where they meet.
void PutBound(const Bound& bound, Output& out) {
  if (bound.upper) {
    out.Put(" <= ");
    out.Put(bound.upper->ToString());
  } else {
    out.Put(bound.unbounded ? " unbounded" : " not certified");
  }
  if (bound.Exact()) {
    out.Put(" (reached: exact)\n");
    return;
  }
  out.Put(" (reached ");
  out.Put(bound.lower.ToString());
  out.Put(")\n");
}

// "upper", "lower", "exact", and "certified" when no certificate checked.
void PutJsonBoundFields(const Bound& bound, Output& out) {
  out.Put("\"upper\": ");
  out.Put(bound.upper ? bound.upper->ToString() : std::string("null"));
  out.Put(", \"lower\": ");
  out.Put(bound.lower.ToString());
  out.Put(bound.Exact() ? ", \"exact\": true" : ", \"exact\": false");
  if (!bound.upper && !bound.unbounded) out.Put(", \"certified\": false");
}

void PutJsonClasses(const Classes& classes, Output& out) {
  out.Put("{");
  for (int c = 0; c < kClassCount; ++c) {
    if (c != 0) out.Put(", ");
    out.Put('"');
    out.Put(ClassKey(static_cast<NetClass>(c)));
    out.Put("\": ");
    out.Put(Json(classes.holds[static_cast<std::size_t>(c)]));
  }
  out.Put("}");
}

}  // namespace

void WriteAnalysisSection(const NetStore& s, const Analysis& analysis, const std::vector<std::vector<int32_t>>& sets,
                          uint64_t seed, bool full, Output& out) {
  out.Put("\nSTRUCTURAL ANALYSIS ----------------------------------------\n\n");
  if (analysis.has_classes) {
    for (int c = 0; c < kClassCount; ++c) {
      out.Put(ClassWords(static_cast<NetClass>(c)));
      out.Put(": ");
      out.Put(YesNo(analysis.net.holds[static_cast<std::size_t>(c)]));
      out.Put('\n');
    }
    if (full) {
      out.Put(
          "\nclasses of the subnets (y yes, - no, ? unknown):\n"
          "ORD ordinary, PUR pure, SM state machine, MG marked graph, FC free choice,\n"
          "EFC extended free choice, CON connected, SCO strongly connected,\n"
          "SRP source place, SKP sink place, SRT source transition, SKT sink transition,\n"
          "CSV conservative, SUB subconservative, SB structurally bounded\n\n");
      // The first column holds "subnet" and the longest Zk, and a blank.
      const std::size_t width = std::max<std::size_t>(6, std::to_string(analysis.subnets.size()).size() + 1) + 1;
      out.Put("subnet");
      out.Put(std::string(width - 6, ' '));
      for (int c = 0; c < kClassCount; ++c) {
        out.Put(kColumns[static_cast<std::size_t>(c)]);
        out.Put(c + 1 < kClassCount ? " " : "\n");
      }
      for (std::size_t k = 0; k < analysis.subnets.size(); ++k) {
        std::string name(1, 'Z');
        name += std::to_string(k + 1);
        out.Put(name);
        out.Put(std::string(width - name.size(), ' '));
        for (int c = 0; c < kClassCount; ++c) {
          const std::string_view mark = Mark(analysis.subnets[k].holds[static_cast<std::size_t>(c)]);
          out.Put(mark);
          if (c + 1 < kClassCount)
            out.Put(std::string(kColumns[static_cast<std::size_t>(c)].size() + 1 - mark.size(), ' '));
        }
        out.Put('\n');
      }
    }
  }
  if (!analysis.has_bounds) return;
  const Bounds& bounds = analysis.bounds;
  if (analysis.has_classes) out.Put('\n');
  out.Put("bounds: upper from the state equation, reached by the random walk of seed ");
  out.Put(std::to_string(seed));
  out.Put('\n');
  int64_t bounded = 0, exact = 0, unbounded = 0;
  for (int32_t p = 1; p <= s.m; ++p) {
    const Bound& bound = bounds.places[static_cast<std::size_t>(p)];
    bounded += bound.upper.has_value();
    exact += bound.Exact();
    unbounded += bound.unbounded;
    if (!full) continue;
    out.Put(s.PlaceName(p));
    PutBound(bound, out);
  }
  for (std::size_t k = 0; k < sets.size(); ++k) {
    PutSetName(s, sets[k], out);
    PutBound(bounds.sets[k], out);
  }
  out.PutNumber(s.m);
  out.Put(s.m == 1 ? " place: " : " places: ");
  out.PutNumber(bounded);
  out.Put(" bounded, ");
  out.PutNumber(exact);
  out.Put(" exact, ");
  out.PutNumber(unbounded);
  out.Put(" unbounded");
  if (bounded + unbounded < s.m) {
    out.Put(", ");
    out.PutNumber(s.m - bounded - unbounded);
    out.Put(" not certified");
  }
  out.Put("\nsafe: ");
  out.Put(!bounds.safe ? "unknown" : *bounds.safe ? "proved" : "not safe");
  out.Put('\n');
}

void WriteJsonAnalysis(const NetStore& s, const Analysis& analysis, const std::vector<std::vector<int32_t>>& sets,
                       Output& out) {
  out.Put(",\n  \"analysis\": {");
  const char* separator = "\n";
  if (analysis.has_classes) {
    out.Put("\n    \"classes\": ");
    PutJsonClasses(analysis.net, out);
    out.Put(",\n    \"subnets\": [");
    for (std::size_t k = 0; k < analysis.subnets.size(); ++k) {
      out.Put(k == 0 ? "\n      " : ",\n      ");
      PutJsonClasses(analysis.subnets[k], out);
    }
    out.Put(analysis.subnets.empty() ? "]" : "\n    ]");
    separator = ",\n";
  }
  if (analysis.has_bounds) {
    const Bounds& bounds = analysis.bounds;
    out.Put(separator);
    out.Put("    \"bounds\": {");
    for (int32_t p = 1; p <= s.m; ++p) {
      out.Put(p == 1 ? "\n      " : ",\n      ");
      PutJsonName(s.names.Data() + s.pn[p], out);
      out.Put(": ");
      out.Put("{");
      PutJsonBoundFields(bounds.places[static_cast<std::size_t>(p)], out);
      out.Put("}");
    }
    out.Put(s.m == 0 ? "},\n    \"bound_sets\": [" : "\n    },\n    \"bound_sets\": [");
    for (std::size_t k = 0; k < sets.size(); ++k) {
      out.Put(k == 0 ? "\n      {\"places\": [" : ",\n      {\"places\": [");
      for (std::size_t i = 0; i < sets[k].size(); ++i) {
        if (i != 0) out.Put(", ");
        PutJsonName(s.names.Data() + s.pn[sets[k][i]], out);
      }
      out.Put("], ");
      PutJsonBoundFields(bounds.sets[k], out);
      out.Put("}");
    }
    out.Put(sets.empty() ? "],\n    \"safe\": " : "\n    ],\n    \"safe\": ");
    out.Put(Json(bounds.safe));
  }
  out.Put("\n  }");
}

}  // namespace vantira
