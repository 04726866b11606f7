// EBU R128 loudness of a row's output, measured on the sound a player will
// hear: a lossy encoder changes the loudness, so each encoded packet is
// decoded again as it is written; a lossless encoder's input is that sound
// already. The measurement itself is libebur128's.
#pragma once

#include "engine/ffmpeg_ptr.h"

#include <cstdint>
#include <memory>

#include <ebur128.h>

struct EbuStateFreer {
    void operator()(ebur128_state* state) const;
};
using EbuStatePtr = std::unique_ptr<ebur128_state, EbuStateFreer>;

// Why a measured track has no loudness to tag.
enum class LoudnessGap : uint8_t {
    None,
    Silence,  // nothing above the gate: the integrated loudness is minus infinity
    TooShort, // shorter than one 400 ms block
    Failed,   // the meter could not follow the sound
};

struct LoudnessMeter {
    bool decodesPackets = false; // a lossy output: its packets are decoded again
    CodecContextPtr decoder;     // the output's own decoder, for a lossy output
    FramePtr decoded;
    SwrPtr toFloat;
    AVSampleFormat fromFormat = AV_SAMPLE_FMT_NONE;
    int rate = 0;
    int channels = 0;
    // The limit a normalised output keeps to is a true peak; the peaks
    // ReplayGain tags hold are sample peaks, which players read them as, and
    // which cost a fraction of the true peak's 4x oversampling.
    bool truePeak = false;
    EbuStatePtr state;
    int64_t samples = 0; // samples measured, at `rate`
    float* interleaved = nullptr;
    int interleavedCapacity = 0;
    bool failed = false;

    LoudnessMeter() = default;
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;
};

// A track's measured loudness.
struct TrackLoudness {
    LoudnessGap gap = LoudnessGap::Failed;
    double integrated = 0;                // LUFS
    double peak = 0;                      // linear, 1.0 is full scale; true or sample peak
    const ebur128_state* state = nullptr; // for the album's value; owned by the meter
};

// Prepares the meter for the opened encoder. Returns 0 or a negative AVERROR.
int StartLoudnessMeter(LoudnessMeter& meter, const AVCodecContext* encoder);

// The hooks the transcoder calls; each does nothing without a meter or when
// the meter measures the other side of the encoder.
void MeterEncoderInput(LoudnessMeter* meter, const AVFrame* frame);
void MeterEncodedPacket(LoudnessMeter* meter, const AVPacket* packet);

// Measures any frames of a lossy output the decoder still holds, and frees
// everything but the measurement.
void FinishLoudnessMeter(LoudnessMeter& meter);

// Measures one decoded frame of any format and layout; the analysis before
// normalising feeds the source's sound this way.
void MeterFrame(LoudnessMeter& meter, const AVFrame* frame);

TrackLoudness MeasuredLoudness(const LoudnessMeter& meter);

// The highest peak the meter saw, of a track too short for a loudness too;
// linear, 0 when it saw nothing.
double MeasuredPeak(const LoudnessMeter& meter);

// The integrated loudness of several tracks together and their highest
// peak: an album's. Tracks with a gap are left out; gap Silence when none is left.
TrackLoudness AlbumLoudness(const TrackLoudness* tracks, int count);
