#include "formats/pnml_writer.h"

namespace vantira {

namespace {

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// What a file that leaves the element out loses: the element itself, or,
// when nothing but blanks precede it on its first line and only the line end
// follows it on its last, those whole lines with their line ends.
std::pair<std::size_t, std::size_t> CutOf(std::string_view text, const PnmlLayout::Element& element) {
  const std::size_t begin = element.begin;
  const std::size_t end = element.end;
  std::size_t line_start = begin;
  while (line_start > 0 && (text[line_start - 1] == ' ' || text[line_start - 1] == '\t' || text[line_start - 1] == '\r')) {
    --line_start;
  }
  if (line_start > 0 && text[line_start - 1] != '\n') return {begin, end};
  if (end == text.size()) return {line_start, end};
  if (text[end] == '\n') return {line_start, end + 1};
  if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') return {line_start, end + 2};
  return {begin, end};
}

// Where "_zK" goes into the name text: after the last byte of its raw
// content that is not blank, or at the content's start.
std::size_t NameMark(std::string_view text, const PnmlLayout& layout) {
  std::size_t at = layout.name_end;
  while (at > layout.name_begin && IsBlankByte(text[at - 1])) --at;
  return at;
}

}  // namespace

void PlanPNML(std::string_view text, const PnmlLayout& layout, const SubnetMap& map, SubnetPlan& plan) {
  std::size_t done = 0;
  // Bytes up to `to` that no element takes; gaps between neighbouring cuts
  // are mostly empty and give no piece, so every file does not pay for them.
  auto keep_to = [&](std::size_t to) {
    if (to > done) {
      plan.AddCommon(text.substr(done, to - done));
      plan.NextLine();
    }
    done = to;
  };
  bool name_pending = layout.has_name_text;
  const std::size_t mark = name_pending ? NameMark(text, layout) : 0;
  auto put_name_number = [&] {
    keep_to(mark);
    if (layout.name_empty_tag) {
      plan.AddCommon(">_z", true, "</text>");
      done = mark + 2;  // past the "/>"
    } else {
      plan.AddCommon("_z", true);
    }
    plan.NextLine();
    name_pending = false;
  };

  for (const PnmlLayout::Element& element : layout.elements) {
    const auto [from, to] = CutOf(text, element);
    // The name text lies outside every page, so never inside a cut.
    if (name_pending && mark <= from) put_name_number();
    keep_to(from);
    const std::string_view piece = text.substr(from, to - from);
    if (element.follows < 0) {
      plan.AddFor(map.SubNet[-element.follows], piece);
    } else {
      const int32_t p = element.follows;
      // At most two of them: a place internal to a subnet is nothing else.
      for (int32_t subnet : {map.SX[p], map.SQ[p], map.SY[p]}) {
        if (subnet != 0) plan.AddFor(subnet, piece);
      }
    }
    plan.NextLine();
    done = to;
  }
  if (name_pending) put_name_number();
  keep_to(text.size());
}

}  // namespace vantira
