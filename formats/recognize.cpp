#include "formats/recognize.h"

#include "formats/input_text.h"
#include "formats/tokens.h"

namespace vantira {

int RecognizeFile(std::string_view text) {
  LineCursor lines(text);
  std::string_view view;
  while (lines.Next(view)) {
    Line line{view};
    if (IsCommentLine(line)) continue;
    int32_t key = FirstNonBlank(line);
    if (key == line.Length()) continue;
    char c = line.At(key);
    if ((c == 'p' || c == 't' || c == 'h') && line.At(key + 1) == ' ') return kFormatNdr;
    return kFormatNet;
  }
  return kFormatNet;
}

std::string_view FormatExtension(int format) { return format == kFormatNdr ? ".ndr" : ".net"; }

}  // namespace vantira
