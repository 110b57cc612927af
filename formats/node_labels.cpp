#include "formats/node_labels.h"

#include "formats/xml_stream.h"

namespace vantira {

std::string LabelText(std::string_view token) {
  if (token.size() < 2 || token.front() != '{' || token.back() != '}') return std::string(token);
  std::string text;
  text.reserve(token.size() - 2);
  for (std::size_t i = 1; i + 1 < token.size(); ++i) {
    const char next = token[i + 1];
    if (token[i] == '\\' && i + 2 < token.size() && (next == '{' || next == '}' || next == '\\')) ++i;
    text += token[i];
  }
  return text;
}

std::string_view NdrLabel(const Line& record) {
  int32_t cursor = FirstNonBlank(record);
  const bool place = record.At(cursor) == 'p';
  ++cursor;  // the key; the rest of its word is the first field
  for (int field = 0; field < 2; ++field) {
    SwallowSpace(record, cursor);
    SkipToken(record, cursor);
  }
  SwallowSpace(record, cursor);
  GetName(record, cursor);
  // The last two tokens are kept as the scan goes: a label may be braced and
  // hold blanks, so each token is read as a name.
  std::string_view before_last;
  std::string_view last;
  int tokens = 0;
  for (SwallowSpace(record, cursor); cursor < record.Length(); SwallowSpace(record, cursor)) {
    const int32_t from = cursor;
    GetName(record, cursor);
    SkipToken(record, cursor);  // a "*" ends a plain name, not a token
    before_last = last;
    last = record.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(cursor - from));
    ++tokens;
  }
  return tokens >= (place ? 4 : 5) ? before_last : std::string_view();
}

void NoteNdrLabel(const Line& record, std::string_view name, int32_t node, NodeLabels& labels) {
  const std::string text = LabelText(NdrLabel(record));
  if (text == name) return;
  labels.Note(node, text);
}

bool PnmlNodeName::Start(uint64_t depth, std::string_view name) {
  if (taken_) return false;
  if (depth == 1 && name == "name") in_name_ = true;
  if (depth != 2 || !in_name_ || name != "text") return false;
  in_text_ = true;
  return true;
}

bool PnmlNodeName::End(uint64_t depth, NodeLabels& labels) {
  if (depth == 1) in_name_ = false;
  if (depth == 2 && in_text_) {
    in_text_ = false;
    taken_ = true;
    return true;
  }
  if (depth != 0) return false;
  const std::string_view text = TrimXmlSpace(text_);
  if (taken_ && text != id_) labels.Note(node_, text);
  node_ = 0;
  return false;
}

}  // namespace vantira
