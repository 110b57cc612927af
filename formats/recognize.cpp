#include "formats/recognize.h"

#include "formats/input_text.h"
#include "formats/tokens.h"

namespace vantira {

Format RecognizeFile(std::string_view text) {
  LineCursor lines(text);
  std::string_view view;
  while (lines.Next(view)) {
    Line line{view};
    if (IsCommentLine(line)) continue;
    int32_t key = FirstNonBlank(line);
    if (key == line.Length()) continue;
    char c = line.At(key);
    if ((c == 'p' || c == 't' || c == 'h') && line.At(key + 1) == ' ') return Format::kNdr;
    return Format::kNet;
  }
  return Format::kNet;
}

std::string_view FormatExtension(Format format) { return format == Format::kNdr ? ".ndr" : ".net"; }

std::string_view FormatName(Format format) {
  switch (format) {
    case Format::kNet:
      return "net";
    case Format::kNdr:
      return "ndr";
  }
  return "net";
}

}  // namespace vantira
