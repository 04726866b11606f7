// The audio path of one row: decode, trim, convert, queue, encode, write.
//
// Set-up opens the encoder for the output parameters; each source packet is
// decoded, cut to the clip window (to the sample), converted to the encoder's
// sample format, rate and layout in one resampler step, queued, and encoded
// whenever a whole encoder frame is queued. Finish drains the decoder, the
// resampler, the queue and the encoder. Everything is released with the object.
#pragma once

#include "engine/clip_cursor.h"
#include "engine/ffmpeg_ptr.h"
#include "engine/split_encoding.h"
#include "engine/work_file.h"

#include <cstdint>

struct LoudnessMeter;

struct OutputAudioParams {
    int codecId = 0;
    int64_t bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
};

// What the encoder set-up takes from the source's decoder and the container.
struct EncoderSource {
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    const AVChannelLayout* layout = nullptr; // not owned; null: no layout known
    int bitsPerRawSample = 0;
    bool globalHeader = false; // the container keeps codec headers in its own header
};

// Owns the sample buffers of the converter between decoder and queue.
class SampleBuffer {
public:
    SampleBuffer() = default;
    ~SampleBuffer() { Release(); }
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;
    // Grows (never shrinks) to hold `samples` samples; false when out of memory.
    bool Reserve(int samples, int channels, AVSampleFormat format);
    uint8_t** data = nullptr;
    int capacity = 0;

private:
    void Release();
};

struct AudioTranscoder {
    // Not owned: the worker owns the containers and the decoder.
    AVFormatContext* output = nullptr;
    AVCodecContext* decoder = nullptr;
    AVStream* outputStream = nullptr;

    CodecContextPtr encoder;
    SwrPtr resampler;
    AudioFifoPtr queue;
    FramePtr decoded;
    FramePtr encoderFrame;
    // Buffers for encoderFrame while a split row's chunks hold the previous.
    BufferPoolPtr encoderFramePool;
    PacketPtr encoded;
    SampleBuffer converted;

    // What the resampler is set up for; a source may change format mid-stream.
    AVSampleFormat converterFormat = AV_SAMPLE_FMT_NONE;
    int converterRate = 0;
    AVChannelLayout converterLayout{};
    bool converterPassThrough = false;
    // Samples given to the resampler and queued from it since it was set up:
    // its output is cut to the input's length at the new rate.
    int64_t converterTaken = 0;
    int64_t converterGiven = 0;

    int frameSamples = 0;
    int64_t nextPts = 0;    // running sample count, encoder time base
    bool primed = false;    // the silence that goes before the first sample is queued
    int64_t writtenEnd = 0; // end of the audio written, output stream time base
    int64_t packetsWritten = 0;
    int startPagePackets = 0; // packets on the first page of sound; 0: as the muxer pages

    // Which decoded samples belong to the clip.
    ClipCursor clip;

    // The output's file, when the writer gives it: its data is sent to the
    // disk while converting rather than all at the final flush.
    WriteBack writeBack;

    // Loudness (engine/loudness_meter.h): a meter of the output's sound, not
    // owned, and the gain that normalises it; null and 1 when not asked for.
    LoudnessMeter* meter = nullptr;
    double gain = 1.0;

    // What the encoder was opened with, for encoders opened like it.
    OutputAudioParams params;
    EncoderSource encoderSource;
    // Set when the row's frames go to chunk encoders on other cores
    // (engine/split_encoding.h) rather than to `encoder`, which then only
    // describes the stream.
    SplitEncoderPtr split;

    AudioTranscoder() = default;
    ~AudioTranscoder() { av_channel_layout_uninit(&converterLayout); }
    AudioTranscoder(const AudioTranscoder&) = delete;
    AudioTranscoder& operator=(const AudioTranscoder&) = delete;
};

// Allocates, configures and opens the encoder for the output parameters the
// way every row's conversion does. Returns 0 or a negative AVERROR; whatever
// was allocated stays in `encoder`, which frees it.
int OpenAudioEncoder(const OutputAudioParams& params, const EncoderSource& source,
                     CodecContextPtr& encoder);

// Adds the output audio stream and opens its encoder. Returns 0 or a negative
// AVERROR; nothing is written to the output yet.
int SetupAudioTranscoder(AudioTranscoder& t, AVFormatContext* output, AVCodecContext* decoder,
                         const OutputAudioParams& params, const ClipWindow& clip);

// Decodes one packet of the source audio stream and encodes what it yields.
// Decode errors skip the packet. Returns a negative AVERROR only when
// converting, encoding or writing failed.
int TranscodePacket(AudioTranscoder& t, const AVPacket* packet);

// Drains the decoder (unless the clip already ended), the resampler, the queue
// and the encoder. Returns 0, or a negative AVERROR when encoding or writing
// failed.
int FinishAudioTranscoder(AudioTranscoder& t, bool drainDecoder);

// Writes one encoded packet (encoder time base) to the output, after the
// ones written before it. Returns 0 or a negative AVERROR.
int WriteAudioPacket(AudioTranscoder& t, AVPacket* packet);

// True once at least one sample went to the encoder.
bool WroteSound(const AudioTranscoder& t);

// Seconds of audio written so far.
double WrittenSeconds(const AudioTranscoder& t);
