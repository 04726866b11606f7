// Paths arrive as UTF-16 and FFmpeg opens UTF-8 file names.
#pragma once

#include <string>

// Converts a terminated UTF-16 string of any length to UTF-8. An unpaired
// surrogate becomes U+FFFD, so a damaged name fails to open rather than
// opening another file.
std::string Utf16ToUtf8(const char16_t* text);
