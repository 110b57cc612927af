// Tells the input formats apart by their content.
#pragma once

#include <string_view>

namespace vantira {

enum class Format { kNet, kNdr, kPnml };

// Looks at the first significant line only: "<" at its first non-blank
// position, or right after a UTF-8 byte-order mark there, means a PNML
// document; "p ", "t " or "h " means a drawing; anything else, and an input
// without a significant line, means a net description.
Format RecognizeFile(std::string_view text);

// ".net", ".ndr" or ".pnml", the extension of subnet files in a format.
std::string_view FormatExtension(Format format);

// "net", "ndr" or "pnml", the format's name in the JSON report.
std::string_view FormatName(Format format);

}  // namespace vantira
