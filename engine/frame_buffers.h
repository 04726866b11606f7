// Buffers for a frame that is filled again and again while others may still
// hold references to what it held before.
#pragma once

#include "engine/ffmpeg_ptr.h"

// Makes the audio frame the only holder of its buffer, keeping its format,
// rate, layout and sample count. A shared buffer is left to its other holders
// and the frame takes one from `pool` (made on first use), without copying
// the old samples: the caller is about to overwrite them. Returns 0 or a
// negative AVERROR.
int OwnPooledBuffer(AVFrame* frame, BufferPoolPtr& pool);
