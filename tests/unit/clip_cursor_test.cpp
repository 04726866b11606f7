#include "engine/clip_cursor.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kToTheEnd = std::numeric_limits<double>::infinity();
constexpr int64_t kNoPts = AV_NOPTS_VALUE;

// One decoded frame and what the cursor must say about it.
struct Step {
    int64_t pts;
    int samples;
    int keepOffset;
    int keepCount;
    bool ended;
};

struct Case {
    const char* name;
    ClipWindow clip;
    AVRational timeBase;
    int sampleRate;
    bool endedAtStart;
    std::vector<Step> steps;
};

// Seconds are chosen exact in binary where a product with the rate must be
// exact, so every expected sample follows from the arithmetic by hand.
const std::vector<Case> kCases = {
    {"whole source",
     {0, kToTheEnd, 0},
     {1, 44100},
     44100,
     false,
     {{0, 1152, 0, 1152, false}, {1152, 1152, 0, 1152, false}, {2304, 500, 0, 500, false}}},
    // Samples 250 to 750 of a 1000-sample frame.
    {"start and end inside one frame",
     {0.25, 0.5, 0},
     {1, 1000},
     1000,
     false,
     {{0, 1000, 250, 500, true}}},
    // Samples 500 to 1000: the frames before only bring the clip closer, the
    // frame ending on sample 1000 ends it.
    {"start and end on frame edges",
     {0.5, 0.5, 0},
     {1, 1000},
     1000,
     false,
     {{0, 250, 0, 0, false},
      {250, 250, 0, 0, false},
      {500, 250, 0, 250, false},
      {750, 250, 0, 250, true},
      {1000, 250, 0, 0, true}}},
    // Samples 0 to 375 from frames of 256.
    {"end inside a later frame",
     {0, 0.375, 0},
     {1, 1000},
     1000,
     false,
     {{0, 256, 0, 256, false}, {256, 256, 0, 119, true}, {512, 256, 0, 0, true}}},
    // The seek landed on sample 200, after the clip's start at 125: what lies
    // before the first frame is not there to keep, and the clip still ends at
    // 125 + 500.
    {"first frame after the clip start",
     {0.125, 0.5, 0},
     {1, 1000},
     1000,
     false,
     {{200, 256, 0, 256, false}, {456, 256, 0, 169, true}}},
    {"clip after the last frame",
     {10, 1, 0},
     {1, 1000},
     1000,
     false,
     {{0, 1000, 0, 0, false}, {1000, 1000, 0, 0, false}}},
    {"clip end after the last frame",
     {0, 5, 0},
     {1, 1000},
     1000,
     false,
     {{0, 1000, 0, 1000, false}, {1000, 1000, 0, 1000, false}}},
    // 0.5 s at 11025 Hz is 5512.5 samples: the start rounds up to 5513, and
    // the length, rounded on its own, to 5513 too, so the clip ends at 11026.
    {"half-sample start and length round up each on its own",
     {0.5, 0.5, 0},
     {1, 11025},
     11025,
     false,
     {{4096, 4096, 5513 - 4096, 8192 - 5513, false}, {8192, 4096, 0, 11026 - 8192, true}}},
    // Start 0.015625 s is sample 689.0625, so 689; length 0.0078125 s is
    // 344.53125 samples, so 345. The first frame's 15 ms are 661.5 samples,
    // so it starts at 662.
    {"first frame timestamp rounds to the nearest sample",
     {0.015625, 0.0078125, 0},
     {1, 1000},
     44100,
     false,
     {{15, 1152, 689 - 662, 345, true}}},
    // Timestamps count from the source's start at 1.4 s (126000 at 90 kHz):
    // the first frame is 89000 / 90000 s in, sample 43610 at 44100 Hz; the
    // clip starts at 44100.
    {"source start time shifts the timestamps",
     {1, 0.25, 126000},
     {1, 90000},
     44100,
     false,
     {{215000, 1152, 44100 - 43610, 43610 + 1152 - 44100, false}}},
    // A frame stamped 100 ms before the source's start covers samples -100 to
    // 400 at 1000 Hz.
    {"first frame before the source start",
     {0.25, kToTheEnd, 1000},
     {1, 1000},
     1000,
     false,
     {{900, 500, 350, 150, false}, {1400, 500, 0, 500, false}}},
    // Without a timestamp the seek is trusted: the frame starts at sample 250.
    {"first frame without a timestamp after a seek",
     {0.25, 0.125, 0},
     {1, 1000},
     1000,
     false,
     {{kNoPts, 100, 0, 100, false}, {kNoPts, 100, 0, 25, true}}},
    // Without a seek the first frame is the source's start, whatever its
    // timestamp.
    {"clip from the source start reads no timestamp",
     {0, 0.125, 0},
     {1, 1000},
     1000,
     false,
     {{5000, 100, 0, 100, false}, {5100, 100, 0, 25, true}}},
    {"start before the source start is its start",
     {-2.5, 0.125, 0},
     {1, 1000},
     1000,
     false,
     {{7000, 100, 0, 100, false}, {7100, 100, 0, 25, true}}},
    // 2^-20 s is 0.046 of a sample at 48 kHz: the clip is the empty stretch at
    // sample 6000, ended by the frame that reaches it.
    {"length below half a sample keeps nothing",
     {0.125, std::ldexp(1.0, -20), 0},
     {1, 48000},
     48000,
     false,
     {{4096, 1024, 0, 0, false}, {5120, 1024, 0, 0, true}}},
    {"no length", {1, 0, 0}, {1, 1000}, 1000, true, {}},
    {"negative length", {1, -1, 0}, {1, 1000}, 1000, true, {}},
    {"length not a number", {1, std::nan(""), 0}, {1, 1000}, 1000, true, {}},
};

TEST(ClipCursor, KeepsTheClipsSamplesOfEachFrame) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ClipCursor cursor = StartClipCursor(c.clip);
        EXPECT_EQ(cursor.ended, c.endedAtStart);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const Step& step = c.steps[i];
            const ClipKeep keep = AdvanceClipCursor(
                cursor, ClipFrame{step.pts, c.timeBase, c.sampleRate, step.samples});
            EXPECT_EQ(keep.offset, step.keepOffset);
            EXPECT_EQ(keep.count, step.keepCount);
            EXPECT_EQ(cursor.ended, step.ended);
        }
    }
}

// Clips given in cue frames (1/75 s) from one frame to the next, side by side:
// each ends on the very sample where the next begins, at rates where a frame
// is a whole number of samples (588 at 44.1 kHz) and where it is not (426 2/3
// at 32 kHz), and none is found from seconds in a double.
TEST(ClipCursor, ExactClipsSideBySideShareEachBoundarySample) {
    const int64_t boundaries[] = {0, 1, 112, 221, 4499, 75 * 60 * 74 + 37};
    for (const int rate : {44100, 48000, 32000, 22050, 11025, 8000}) {
        SCOPED_TRACE("rate " + std::to_string(rate));
        int64_t previousEnd = 0;
        for (size_t i = 0; i + 1 < std::size(boundaries); ++i) {
            ClipWindow clip;
            clip.start = static_cast<double>(boundaries[i]) / 75;
            clip.length = static_cast<double>(boundaries[i + 1] - boundaries[i]) / 75;
            clip.exactStart = ExactTime{boundaries[i], 75};
            clip.exactEnd = ExactTime{boundaries[i + 1], 75};
            ClipCursor cursor = StartClipCursor(clip);
            // A frame whose timestamp puts it right on the clip's start.
            AdvanceClipCursor(cursor, ClipFrame{boundaries[i] * rate / 75, {1, rate}, rate, 1});
            EXPECT_EQ(cursor.firstSample, previousEnd) << "clip " << i;
            // The nearest sample to the boundary, by integer arithmetic.
            const int64_t end = (boundaries[i + 1] * rate * 2 + 75) / 150;
            EXPECT_EQ(cursor.endSample, end) << "clip " << i;
            previousEnd = cursor.endSample;
        }
    }
    EXPECT_EQ(SampleAt(ExactTime{112, 75}, 44100), 112 * 588);
}

} // namespace
