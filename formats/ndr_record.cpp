#include "formats/ndr_record.h"

#include <algorithm>

#include "store/name_index.h"

namespace vantira {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipNumericField(const Line& line, int32_t& cursor) {
  SwallowSpace(line, cursor);
  if (IsDigit(line.At(cursor))) SkipToken(line, cursor);
}

// The name after the blanks at the cursor.
std::string_view NextName(const Line& line, int32_t& cursor) {
  SwallowSpace(line, cursor);
  return GetName(line, cursor);
}

}  // namespace

void ParseNdrRecord(const Line& line, NdrRecord& out) {
  out = NdrRecord{};
  if (IsCommentLine(line)) return;
  int32_t cursor = FirstNonBlank(line);
  if (cursor == line.Length()) return;
  const char key = line.At(cursor);
  ++cursor;
  switch (key) {
    case 'h':
      out.kind = NdrRecord::Kind::kNetName;
      out.name = NextName(line, cursor);
      out.rest = line.text.substr(static_cast<std::size_t>(std::min(cursor, line.Length())));
      return;
    case 'p':
    case 't':
      out.kind = key == 'p' ? NdrRecord::Kind::kPlace : NdrRecord::Kind::kTransition;
      for (int field = 0; field < 2; ++field) {
        SwallowSpace(line, cursor);
        SkipToken(line, cursor);
      }
      out.name = NextName(line, cursor);
      out.hash = HashName(out.name);
      return;
    case 'e':
      out.kind = NdrRecord::Kind::kEdge;
      out.name = NextName(line, cursor);
      out.hash = HashName(out.name);
      SkipNumericField(line, cursor);
      SkipNumericField(line, cursor);
      out.target = NextName(line, cursor);
      out.target_hash = HashName(out.target);
      return;
    default:
      out.kind = NdrRecord::Kind::kOther;
      return;
  }
}

}  // namespace vantira
