// UTF-8 as names, tags and logs meet it: well-formed or not.
#pragma once

#include <cstddef>
#include <string_view>

// Bytes of the well-formed UTF-8 character starting at `at` (1 to 4); 0 when
// none starts there: a stray continuation byte, a cut-off, overlong or
// surrogate sequence, or one beyond U+10FFFF.
std::size_t Utf8Length(std::string_view text, std::size_t at);
