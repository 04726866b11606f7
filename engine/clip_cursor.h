// The clip window on the source's sample grid: which samples of each decoded
// frame belong to the clip, and when the clip has ended.
//
// The grid is laid down at the first decoded frame: its sample rate counts the
// samples, and after a seek its timestamp says where it starts. Every later
// frame is taken to follow the one before without a gap. The clip's start and
// its length are each rounded to the nearest sample on their own, so a clip
// keeps the same number of samples wherever it starts.
#pragma once

#include <cstdint>
#include <limits>

extern "C" {
#include <libavutil/avutil.h>
}

// A point of the source given exactly, in units of 1/unitsPerSecond second
// (a cue sheet's frames of 1/75 s). A double of such a time is not exact, and
// a start and a length rounded apart can miss the next clip's start by a
// sample; the point itself, rounded once, never does.
struct ExactTime {
    int64_t units = -1; // below 0: not given
    int unitsPerSecond = 1;
};

inline bool IsGiven(const ExactTime& time) {
    return time.units >= 0 && time.unitsPerSecond > 0;
}

// The sample at `time` on a grid of `sampleRate`, rounded to the nearest.
int64_t SampleAt(const ExactTime& time, int sampleRate);

// Which part of the source to convert, in seconds from the source's start.
struct ClipWindow {
    ClipWindow() = default;
    // A clip in seconds, without exact bounds.
    ClipWindow(double startSeconds, double lengthSeconds, int64_t startPts)
        : start(startSeconds), length(lengthSeconds), sourceStartPts(startPts) {}

    double start = 0;
    double length = std::numeric_limits<double>::infinity(); // to the end
    // The source's start time in the audio stream's time base: timestamps are
    // measured from it.
    int64_t sourceStartPts = 0;
    // When given, these place the clip's first sample and its end instead of
    // start and length, which then serve only to seek and to show progress.
    ExactTime exactStart;
    ExactTime exactEnd;
};

struct ClipCursor {
    ClipWindow window;
    bool placed = false;     // the first frame has laid down the grid
    int64_t position = 0;    // source position of the next decoded sample
    int64_t firstSample = 0; // first sample to keep
    int64_t endSample = 0;   // one past the last sample to keep
    bool ended = false;      // every wanted sample has been taken
};

// A decoded frame as the clip sees it. Only the first frame's timestamp and
// rate are read.
struct ClipFrame {
    int64_t pts = AV_NOPTS_VALUE;
    AVRational timeBase{0, 1}; // of pts
    int sampleRate = 0;
    int samples = 0;
};

// The part of a frame to keep: `count` samples from sample `offset` on.
struct ClipKeep {
    int offset = 0;
    int count = 0;
};

// A cursor before the first frame. A start before the source's start is its
// start; a clip of no length (or none at all) has ended before it began.
ClipCursor StartClipCursor(const ClipWindow& clip);

// Moves the cursor over the next decoded frame and says what of it to keep.
// Once the frame reaching the clip's end has passed, `ended` is set and
// nothing more is kept.
ClipKeep AdvanceClipCursor(ClipCursor& cursor, const ClipFrame& frame);
