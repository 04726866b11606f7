// Where a source's sound ends. Tags and stray bytes after the last audio
// block are common (a tagging program appends its tag, a download appends
// padding); a demuxer that stops at them reports a parse error, just as it
// does for a block damaged half-way. What was read before the error tells
// the two apart: trailing data comes once the whole duration is read.
#pragma once

#include "engine/ffmpeg_ptr.h"

#include <cstdint>

struct SourceReading {
    const AVStream* audio = nullptr;  // not owned
    int64_t readEnd = AV_NOPTS_VALUE; // end of the audio read so far, stream time base
};

// Starts following the reading of `input`'s audio stream `audioStream`.
SourceReading FollowSourceReading(const AVFormatContext* input, int audioStream);

// Notes an audio packet just read.
void NoteAudioPacket(SourceReading& reading, const AVPacket* packet);

// True when the audio read so far reaches the duration the source declares;
// false when it falls short or the source declares none.
bool ReadWholeDuration(const SourceReading& reading, const AVFormatContext* input);

// Whole seconds from the source's start to the end of the audio read so far.
int32_t ReadSeconds(const SourceReading& reading);
