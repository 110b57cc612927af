// vantira-dot: the report as read, and what kind it is.
#pragma once

#include <istream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "json_report.h"

namespace vantira_dot {

// All of `in`, with the room behind it that the JSON parser reads ahead into.
inline std::string ReadWhole(std::istream& in) {
  std::string text(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
  text.reserve(text.size() + kJsonPadding);
  return text;
}

// vantira's own failure: a report whose first line is its "*** " message.
// That line, without its line end; nothing for any other report.
inline std::optional<std::string_view> FailureLine(std::string_view text) {
  if (!text.starts_with("*** ")) return std::nullopt;
  std::string_view line = text.substr(0, text.find('\n'));
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

// The JSON report opens with "{"; the text report never does.
inline bool IsJson(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '{';
}

}  // namespace vantira_dot
