// A constant gain applied to the samples going to the encoder: the step that
// brings a track to the loudness it is normalised to.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

// Multiplies every sample of `frame` by `gain`, clipping integer samples to
// their range; copies the frame's data first when it is shared. A gain of 1
// changes nothing. Returns 0 or a negative AVERROR.
int ApplyGain(AVFrame* frame, double gain);
