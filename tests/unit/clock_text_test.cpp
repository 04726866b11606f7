#include "tasks/clock_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ClockText, FormatsWholeSeconds) {
    const std::pair<int, const char*> cases[] = {
        {0, "00:00:00"},     {59, "00:00:59"},      {60, "00:01:00"},
        {3599, "00:59:59"},  {3600, "01:00:00"},    {3725, "01:02:05"},
        {36000, "10:00:00"}, {360000, "100:00:00"}, {363661, "101:01:01"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(FormatHms(seconds), text) << seconds;
    }
}

TEST(ClockText, ParsesWhatItFormats) {
    for (int seconds : {0, 1, 59, 61, 3599, 3725, 86399, 359999, 360000, 363661, 3600000}) {
        EXPECT_EQ(ParseHms(FormatHms(seconds)), seconds) << FormatHms(seconds);
    }
}

TEST(ClockText, ReadsFieldsLikeCDecimalConversion) {
    EXPECT_EQ(ParseHms("00:01:30"), 90);
    EXPECT_EQ(ParseHms("00:04:00"), 240);
    EXPECT_EQ(ParseHms("1:2:3"), 3723);              // one-digit fields
    EXPECT_EQ(ParseHms("ab:cd:ef"), 0);              // no digits give 0
    EXPECT_EQ(ParseHms("01:2x:07"), 3600 + 120 + 7); // leading digits only
    EXPECT_EQ(ParseHms(""), 0);
    EXPECT_EQ(ParseHms("42"), 42 * 3600); // hours only
}

} // namespace
