#include "formats/net_writer.h"

#include <string>

#include "formats/input_text.h"
#include "formats/net_reader.h"
#include "formats/tokens.h"

namespace vantira {

namespace {

// Copies the arc entries up to the arrow (or the line's end, after the arrow)
// when `keep`, each name with its weight, and steps over them otherwise.
void CopyEntries(const Line& line, int32_t& cursor, bool before_arrow, bool keep, std::string& out) {
  while (cursor < line.Length() && !(before_arrow && ArrowAt(line, cursor))) {
    std::string_view name = GetName(line, cursor);
    if (keep) out.append(" ").append(name);
    if (line.At(cursor) == '*') {
      int32_t from = cursor;
      ++cursor;
      SkipToken(line, cursor);
      if (keep) out.append(line.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(cursor - from)));
    }
    SwallowSpace(line, cursor);
  }
}

// A place line for a subnet that only produces into the place (keep the
// entries before the arrow) or only consumes from it (keep those after).
std::string_view RewritePlaceLine(const Line& line, int32_t cursor, std::string_view name, bool producers,
                                  SubnetPlan& plan, std::string& out) {
  out.assign("pl ").append(name);
  SwallowSpace(line, cursor);
  if (line.At(cursor) == '(') {
    int32_t from = cursor;
    SkipToken(line, cursor);
    out.append(" ").append(line.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(cursor - from)));
  }
  SwallowSpace(line, cursor);
  CopyEntries(line, cursor, true, producers, out);
  if (ArrowAt(line, cursor)) {
    out.append(" ->");
    cursor += 2;
    SwallowSpace(line, cursor);
    CopyEntries(line, cursor, false, !producers, out);
  }
  out.push_back('\n');
  return plan.Keep(out);
}

// Sends a line to the files of the distinct non-zero subnets among a place's roles.
void AddForPlace(const SubnetMap& map, int32_t p, std::string_view text, SubnetPlan& plan) {
  if (map.SQ[p] != 0) plan.AddFor(map.SQ[p], text);
  if (map.SX[p] != 0) plan.AddFor(map.SX[p], text);
  if (map.SY[p] != 0) plan.AddFor(map.SY[p], text);
}

}  // namespace

void PlanNET(std::string_view text, const NameIndex& index, const SubnetMap& map, SubnetPlan& plan) {
  std::string scratch;
  LineCursor lines(text);
  std::string_view view;
  for (; lines.Next(view); plan.NextLine()) {
    Line line{view};
    int32_t cursor = FirstNonBlank(line);
    if (IsCommentLine(line) || cursor == line.Length()) {
      plan.AddCommon(view);
      continue;
    }
    std::string_view keyword = GetName(line, cursor);
    SwallowSpace(line, cursor);
    std::string_view name = GetName(line, cursor);
    uint32_t hash = HashName(name);
    if (keyword == "pl") {
      int32_t p = index.places.Find(name, hash);
      if (p == 0) return plan.FailHere(MakeFailure(kExitBadInput, std::string("unknown place: ").append(name)));
      if (map.SQ[p] != 0) {
        plan.AddFor(map.SQ[p], view);
        continue;
      }
      // The entries' transitions all exist: the reader created every one of them.
      if (map.SX[p] != 0) plan.AddFor(map.SX[p], RewritePlaceLine(line, cursor, name, false, plan, scratch));
      if (map.SY[p] != 0) plan.AddFor(map.SY[p], RewritePlaceLine(line, cursor, name, true, plan, scratch));
    } else if (keyword == "tr") {
      int32_t t = index.transitions.Find(name, hash);
      if (t == 0) return plan.FailHere(MakeFailure(kExitBadInput, std::string("unknown transition: ").append(name)));
      plan.AddFor(map.SubNet[t], view);
    } else if (keyword == "lb") {
      if (int32_t t = index.transitions.Find(name, hash)) {
        plan.AddFor(map.SubNet[t], view);
      } else if (int32_t p = index.places.Find(name, hash)) {
        AddForPlace(map, p, view, plan);
      } else {
        // The reader never looks at labels, so this is where a label that
        // names nothing is found.
        return plan.FailHere(MakeFailure(kExitBadInput, std::string("unknown label name: ").append(name)));
      }
    } else if (keyword == "net") {
      if (!name.empty() && name.back() == '}') {
        plan.AddCommon(plan.Keep(std::string("net ").append(name.substr(0, name.size() - 1)).append(" z")), true,
                       "}\n");
      } else {
        plan.AddCommon(plan.Keep(std::string("net ").append(name).append("_z")), true, "\n");
      }
    } else {
      return plan.FailHere(MakeFailure(kExitBadInput, std::string("unknown command: ").append(keyword)));
    }
  }
}

}  // namespace vantira
