// "Same as source" made concrete for one source: the source's sample rate
// and channel layout where the encoder takes them, else the nearest it takes.
#pragma once

#include "engine/audio_transcoder.h"
#include "engine/same_as_source.h"

// Replaces a kSameAsSource sample rate or channel count in `params` by the
// value the output gets for a source of `sourceRate` Hz whose decoded samples
// `source` describes (its layout is required). The channels are the source's
// when the encoder writes them, else the most the encoder writes below them:
// 7.1 becomes 5.1 for AC-3. A source of more channels than 7.1 has no such
// downmix: unless the encoder writes all of them, nothing fits. The rate is
// the source's when the encoder opens at it, else the nearest above it that
// opens, else the nearest below: 96 kHz becomes 48 kHz for MP3. Returns false
// when nothing fits; `params` is then left unusable.
bool FitOutputToSource(OutputAudioParams& params, int sourceRate, const EncoderSource& source);

// The same for the source an open decoder reads.
bool FitOutputToDecoder(OutputAudioParams& params, const AVCodecContext* decoder);
