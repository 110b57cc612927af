#include "planners/net_plan.h"

#include <string>

#include "formats/bad_input.h"
#include "formats/input_text.h"
#include "formats/net_line.h"

namespace vantira {

namespace {

// A braced name that no "}" closed: a CR in the line cut it short. Anything
// written behind it on the same line would become part of it.
bool OpenBrace(std::string_view name) {
  if (name.empty() || name[0] != '{') return false;
  if (name.size() < 2 || name.back() != '}') return true;
  std::size_t backslashes = 0;
  while (backslashes + 2 < name.size() && name[name.size() - 2 - backslashes] == '\\') ++backslashes;
  return backslashes % 2 == 1;  // the last "}" is escaped
}

// A place line for a subnet that only produces into the place (keeps the
// entries before the arrow) or only consumes from it (keeps those after),
// in the one spacing the files use, ending in LF. A token behind an open
// braced name is set off by a CR, as in the input, not by a space.
std::string_view RewritePlaceLine(const NetLine& line, bool producers, SubnetPlan& plan, std::string& out) {
  bool open = false;
  const auto piece = [&](std::string_view name, std::string_view suffix = {}) {
    out.push_back(open ? '\r' : ' ');
    out.append(name).append(suffix);
    open = suffix.empty() && OpenBrace(name);
  };
  out.assign("pl");
  piece(line.name);
  if (line.labelled) {
    piece(":");
    piece(line.label);
  }
  if (!line.marking.empty()) piece(line.marking);
  for (std::size_t i = 0; i < line.entries.size(); ++i) {
    if (i == line.before_arrow && line.arrow) piece("->");
    if ((i < line.before_arrow) != producers) continue;
    piece(line.entries[i].name, line.entries[i].suffix);
  }
  if (line.arrow && line.before_arrow == line.entries.size()) piece("->");
  out.push_back('\n');
  return plan.Keep(out);
}

Failure UnknownCommand(std::string_view keyword, Grammar grammar, const SubnetPlan& plan) {
  return BadInput("unknown command: ", keyword).Because(AtLine(plan.Line(), UnknownCommandReason(keyword, grammar)));
}

// The one subnet that holds every transition a priority line names; 0 when
// they lie in several, one is no transition, or the line names none.
int32_t PrioritySubnet(const NetLine& line, const NameIndex& index, const SubnetMap& map) {
  int32_t subnet = 0;
  for (const NetEntry& entry : line.entries) {
    const int32_t t = index.transitions.Find(entry.name, entry.hash);
    if (t == 0 || (subnet != 0 && map.SubNet[t] != subnet)) return 0;
    subnet = map.SubNet[t];
  }
  return subnet;
}

}  // namespace

void PlanNET(std::string_view text, Grammar grammar, const NameIndex& index, const SubnetMap& map, SubnetPlan& plan) {
  const bool wide = grammar == Grammar::kWide;
  NetLine line;
  std::string scratch;
  LineCursor lines(text);
  std::string_view view;
  for (; lines.Next(view); plan.NextLine()) {
    ParseNetLine(Line{view}, grammar, line);
    switch (line.kind) {
      case NetLine::Kind::kSkip:
        plan.AddCommon(view);
        break;
      case NetLine::Kind::kPlace: {
        int32_t p = index.places.Find(line.name, line.hash);
        if (p == 0) {
          return plan.FailHere(NotRead(plan, "place", line.name));
        }
        // A place's producers all lie in one subnet, and so do its consumers,
        // so each side of the arrow goes whole to one file. The entries'
        // transitions all exist: the reader created every one of them.
        if (map.SQ[p] != 0) {
          plan.AddFor(map.SQ[p], view);
          break;
        }
        if (map.SX[p] != 0) plan.AddFor(map.SX[p], RewritePlaceLine(line, false, plan, scratch));
        if (map.SY[p] != 0) plan.AddFor(map.SY[p], RewritePlaceLine(line, true, plan, scratch));
        break;
      }
      case NetLine::Kind::kTransition: {
        int32_t t = index.transitions.Find(line.name, line.hash);
        if (t == 0) {
          return plan.FailHere(NotRead(plan, "transition", line.name));
        }
        plan.AddFor(map.SubNet[t], view);
        break;
      }
      case NetLine::Kind::kLabel: {
        const uint32_t hash = HashName(line.name);
        if (int32_t t = index.transitions.Find(line.name, hash)) {
          plan.AddFor(map.SubNet[t], view);
        } else if (int32_t p = index.places.Find(line.name, hash)) {
          if (map.SQ[p] != 0) plan.AddFor(map.SQ[p], view);
          if (map.SX[p] != 0) plan.AddFor(map.SX[p], view);
          if (map.SY[p] != 0) plan.AddFor(map.SY[p], view);
        } else {
          // The reader never looks at labels, so this is where a label that
          // names nothing is found.
          return plan.FailHere(
              BadInput("unknown label name: ", line.name)
                  .Because(AtLine(plan.Line(), Quoted(line.name).append(" is no place or transition"))));
        }
        break;
      }
      case NetLine::Kind::kNet:
        AddNetName(plan, "net ", line.name, "\n");
        break;
      case NetLine::Kind::kPriority:
        if (!wide) return plan.FailHere(UnknownCommand(line.keyword, grammar, plan));
        if (int32_t k = PrioritySubnet(line, index, map)) plan.AddFor(k, view);
        break;
      case NetLine::Kind::kNote:
        // A note names itself, no element: it belongs to no subnet.
        if (!wide) return plan.FailHere(UnknownCommand(line.keyword, grammar, plan));
        break;
      case NetLine::Kind::kUnknown:
        return plan.FailHere(UnknownCommand(line.keyword, grammar, plan));
    }
  }
}

}  // namespace vantira
