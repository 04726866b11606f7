#include "tasks/clock_text.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

std::string TwoDigits(int value) {
    return (value <= 9 ? "0" : "") + std::to_string(value);
}

// Like atoi on the field: blanks, an optional sign, then leading digits.
int64_t ReadDecimal(std::string_view field) {
    const std::string text(field);
    return std::strtoll(text.c_str(), nullptr, 10);
}

} // namespace

std::string FormatHms(int seconds) {
    const int hours = seconds / 3600;
    const int minutes = (seconds % 3600) / 60;
    const int secs = seconds % 60;
    return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(secs);
}

int ParseHms(std::string_view text) {
    const size_t first = text.find(':');
    const size_t last = text.rfind(':');
    const int64_t hours = ReadDecimal(text.substr(0, first));
    int64_t minutes = 0;
    int64_t seconds = 0;
    if (first != std::string_view::npos) {
        minutes = ReadDecimal(text.substr(first + 1, last - first - 1));
        seconds = ReadDecimal(text.substr(last + 1));
    }
    const int64_t total = hours * 3600 + minutes * 60 + seconds;
    if (total > INT_MAX) {
        return INT_MAX;
    }
    return total < INT_MIN ? INT_MIN : static_cast<int>(total);
}
