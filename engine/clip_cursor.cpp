#include "engine/clip_cursor.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

void PlaceFirstFrame(ClipCursor& cursor, const ClipFrame& frame) {
    const int rate = frame.sampleRate;
    const ClipWindow& clip = cursor.window;
    cursor.placed = true;
    cursor.firstSample = IsGiven(clip.exactStart) ? SampleAt(clip.exactStart, rate)
                                                  : std::llround(clip.start * rate);
    if (IsGiven(clip.exactEnd)) {
        cursor.endSample = std::max(cursor.firstSample, SampleAt(clip.exactEnd, rate));
    } else {
        cursor.endSample =
            std::isinf(clip.length)
                ? INT64_MAX
                : cursor.firstSample + std::llround(std::max(0.0, clip.length) * rate);
    }
    // Without a seek the first frame is the source's start. After a seek it
    // can start anywhere before the clip start; its timestamp says where, and
    // without one the seek is trusted to have landed on the clip start.
    if (clip.start <= 0) {
        cursor.position = 0;
    } else if (frame.pts != AV_NOPTS_VALUE) {
        cursor.position =
            av_rescale_q(frame.pts - clip.sourceStartPts, frame.timeBase, AVRational{1, rate});
    } else {
        cursor.position = cursor.firstSample;
    }
}

} // namespace

int64_t SampleAt(const ExactTime& time, int sampleRate) {
    return av_rescale(time.units, sampleRate, time.unitsPerSecond);
}

ClipCursor StartClipCursor(const ClipWindow& clip) {
    ClipCursor cursor;
    cursor.window = clip;
    cursor.window.start = std::max(0.0, clip.start);
    cursor.ended = !(clip.length > 0);
    return cursor;
}

ClipKeep AdvanceClipCursor(ClipCursor& cursor, const ClipFrame& frame) {
    if (!cursor.placed) {
        PlaceFirstFrame(cursor, frame);
    }
    const int64_t begin = std::max(cursor.position, cursor.firstSample);
    const int64_t end = std::min(cursor.position + frame.samples, cursor.endSample);
    const int64_t offset = begin - cursor.position;
    cursor.position += frame.samples;
    if (cursor.position >= cursor.endSample) {
        cursor.ended = true;
    }
    if (end <= begin) {
        return {};
    }
    return {static_cast<int>(offset), static_cast<int>(end - begin)};
}
