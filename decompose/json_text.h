// Strings of the JSON report. Names are bytes, not text: the well-formed
// UTF-8 in them is written as it is and every other byte as the Latin-1
// character of the same value, so any name makes a valid JSON string.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/output.h"

namespace vantira {

// The length of the well-formed UTF-8 sequence (RFC 3629: no overlong
// forms, no surrogates D800-DFFF, nothing above 10FFFF) at the start of
// `bytes`, 1 to 4; 0 when none starts there or `bytes` is empty.
std::size_t Utf8SequenceLength(std::string_view bytes);

// Writes `bytes` as a JSON string, quotes included. '"' and '\' are escaped,
// control characters take \b, \t, \n, \f, \r or \u00xx, and each byte that
// does not begin a well-formed UTF-8 sequence is written as \u00xx.
void PutJsonString(std::string_view bytes, Output& out);

// The same for the NUL-terminated name at `name`, found and checked 8 bytes
// at a time: the 7 bytes after its NUL must be readable.
void PutJsonName(const char* name, Output& out);

}  // namespace vantira
