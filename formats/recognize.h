// Tells the two input formats apart by their content.
#pragma once

#include <string_view>

namespace vantira {

enum Format : int { kFormatNdr = 1, kFormatNet = 2 };

// Looks at the first significant line only: "p ", "t " or "h " at its first
// non-blank position means a drawing; anything else, and an input without a
// significant line, means a net description.
int RecognizeFile(std::string_view text);

// ".ndr" or ".net", the extension of subnet files for a format code.
std::string_view FormatExtension(int format);

}  // namespace vantira
