#include "engine/utf8_text.h"

size_t Utf8Length(std::string_view text, size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    if (byte < 0x80) {
        return 1;
    }
    if (byte >= 0xc2 && byte <= 0xdf) {
        length = 2;
    } else if (byte >= 0xe0 && byte <= 0xef) {
        length = 3;
    } else if (byte >= 0xf0 && byte <= 0xf4) {
        length = 4;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xc0) != 0x80) {
            return 0;
        }
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    const bool overlong = (byte == 0xe0 && second < 0xa0) || (byte == 0xf0 && second < 0x90);
    const bool outOfRange = (byte == 0xed && second >= 0xa0) || (byte == 0xf4 && second >= 0x90);
    return overlong || outOfRange ? 0 : length;
}
