#include "formats/recognize.h"

#include "formats/input_text.h"
#include "formats/tokens.h"

namespace vantira {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

Format RecognizeFile(std::string_view text) {
  LineCursor lines(text);
  std::string_view view;
  while (lines.Next(view)) {
    Line line{view};
    if (IsCommentLine(line)) continue;
    int32_t key = FirstNonBlank(line);
    if (key == line.Length()) continue;
    std::string_view rest = view.substr(static_cast<std::size_t>(key));
    if (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
    if (rest.starts_with('<')) return Format::kPnml;
    char c = line.At(key);
    if ((c == 'p' || c == 't' || c == 'h') && line.At(key + 1) == ' ') return Format::kNdr;
    return Format::kNet;
  }
  return Format::kNet;
}

std::string_view FormatExtension(Format format) {
  switch (format) {
    case Format::kNdr:
      return ".ndr";
    case Format::kPnml:
      return ".pnml";
    case Format::kNet:
      break;
  }
  return ".net";
}

std::string_view FormatName(Format format) {
  switch (format) {
    case Format::kNet:
      return "net";
    case Format::kNdr:
      return "ndr";
    case Format::kPnml:
      return "pnml";
  }
  return "net";
}

}  // namespace vantira
