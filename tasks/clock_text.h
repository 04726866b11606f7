// Clip times as the task list writes them: hours:minutes:seconds.
#pragma once

#include <string>
#include <string_view>

// 0 -> "00:00:00", 3725 -> "01:02:05", 360000 -> "100:00:00".
std::string FormatHms(int seconds);

// Reads a FormatHms text back into whole seconds: hours before the first ":",
// minutes between the first and the last ":", seconds after the last ":".
// Each field is read like a C decimal conversion (leading digits; none give 0).
int ParseHms(std::string_view text);
