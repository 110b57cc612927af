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

// In the order of Format; the extension is the name behind a dot.
constexpr std::string_view kDottedNames[] = {".net", ".ndr", ".pnml"};

std::string_view FormatExtension(Format format) { return kDottedNames[static_cast<int>(format)]; }

std::string_view FormatName(Format format) { return FormatExtension(format).substr(1); }

}  // namespace vantira
