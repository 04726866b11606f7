#include "engine/audio_transcoder.h"

#include "engine/container_length.h"
#include "engine/frame_buffers.h"
#include "engine/loudness_gain.h"
#include "engine/loudness_meter.h"
#include "engine/sample_format.h"

#include <algorithm>
#include <array>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace {

// Chunk size for encoders without a frame size of their own (PCM).
constexpr int kPcmChunkSamples = 4096;
// Resampler filter: 16 taps, 2^10 phases, no linear interpolation, cutoff 0.8.
constexpr int kFilterLength = 16;
constexpr int kPhaseShift = 10;
constexpr double kCutoff = 0.8;
constexpr int kMaxChannels = 64;

using PlanePointers = std::array<const uint8_t*, kMaxChannels>;

// Each stage hands its samples on to the next; these are the ones an earlier
// stage calls.
int PrepareConverter(AudioTranscoder& t, const AVFrame* frame);
int ConvertIntoQueue(AudioTranscoder& t, const uint8_t* const* input, int samples);
int DrainConverter(AudioTranscoder& t);
int QueueLeadingSilence(AudioTranscoder& t);
int EncodeWholeFrames(AudioTranscoder& t);
int EncodeDecodedFrame(AudioTranscoder& t, AVFrame* frame);
int ReceiveEncodedPackets(AudioTranscoder& t);

// ---- set-up ---------------------------------------------------------------

int ConfigureEncoder(AVCodecContext* enc, const AVCodec* codec, const OutputAudioParams& params,
                     const EncoderSource& source) {
    enc->sample_rate = params.sampleRate;
    enc->bit_rate = params.bitRate;
    enc->time_base = AVRational{1, params.sampleRate};
    enc->sample_fmt = ChooseEncoderSampleFormat(codec, source.sampleFormat);
    const AVChannelLayout noLayout{};
    if (!ChooseEncoderLayout(codec, params.channels, source.layout ? *source.layout : noLayout,
                             enc->ch_layout)) {
        return AVERROR(EINVAL);
    }
    // Codec headers go into the container header where the container wants it
    // (mp4, mov, 3gp and the ipod muxer that .m4a selects).
    if (source.globalHeader) {
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (codec->id == AV_CODEC_ID_FLAC && enc->sample_fmt == AV_SAMPLE_FMT_S32) {
        const int sourceBits = source.bitsPerRawSample;
        enc->bits_per_raw_sample = (sourceBits > 16 && sourceBits <= 24) ? sourceBits : 24;
    }
    // ALAC writes 32-bit planes as 24-bit samples, the deepest it takes.
    if (codec->id == AV_CODEC_ID_ALAC && enc->sample_fmt == AV_SAMPLE_FMT_S32P) {
        enc->bits_per_raw_sample = 24;
    }
    return 0;
}

EncoderSource RowEncoderSource(const AVCodecContext* decoder, const AVFormatContext* output) {
    EncoderSource source;
    source.sampleFormat = decoder->sample_fmt;
    source.layout = &decoder->ch_layout;
    source.bitsPerRawSample = decoder->bits_per_raw_sample;
    source.globalHeader = (output->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    return source;
}

int AllocateWorkBuffers(AudioTranscoder& t) {
    const AVCodecContext* enc = t.encoder.get();
    t.queue.reset(av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels,
                                      std::max(t.frameSamples * 4, 16384)));
    t.decoded.reset(av_frame_alloc());
    t.encoderFrame.reset(av_frame_alloc());
    t.encoded.reset(av_packet_alloc());
    if (!t.queue || !t.decoded || !t.encoderFrame || !t.encoded) {
        return AVERROR(ENOMEM);
    }
    AVFrame* frame = t.encoderFrame.get();
    frame->nb_samples = t.frameSamples;
    frame->format = enc->sample_fmt;
    frame->sample_rate = enc->sample_rate;
    if (const int ret = av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout); ret < 0) {
        return ret;
    }
    return av_frame_get_buffer(frame, 0);
}

} // namespace

bool SampleBuffer::Reserve(int samples, int channels, AVSampleFormat format) {
    if (samples <= capacity && data) {
        return true;
    }
    Release();
    const int wanted = std::max(samples, 4096);
    if (av_samples_alloc_array_and_samples(&data, nullptr, channels, wanted, format, 0) < 0) {
        data = nullptr;
        return false;
    }
    capacity = wanted;
    return true;
}

void SampleBuffer::Release() {
    if (data) {
        av_freep(&data[0]);
        av_freep(&data);
    }
    capacity = 0;
}

int OpenAudioEncoder(const OutputAudioParams& params, const EncoderSource& source,
                     CodecContextPtr& encoder) {
    const AVCodec* codec = FindOutputEncoder(params.codecId);
    if (!codec) {
        return AVERROR_ENCODER_NOT_FOUND;
    }
    if (!EncoderTakesSampleRate(codec, params.sampleRate) || params.channels <= 0 ||
        params.channels > kMaxChannels) {
        return AVERROR(EINVAL);
    }
    encoder.reset(avcodec_alloc_context3(codec));
    if (!encoder) {
        return AVERROR(ENOMEM);
    }
    if (const int ret = ConfigureEncoder(encoder.get(), codec, params, source); ret < 0) {
        return ret;
    }
    return avcodec_open2(encoder.get(), codec, nullptr);
}

int SetupAudioTranscoder(AudioTranscoder& t, AVFormatContext* output, AVCodecContext* decoder,
                         const OutputAudioParams& params, const ClipWindow& clip) {
    t.output = output;
    t.decoder = decoder;
    t.clip = StartClipCursor(clip);
    t.params = params;
    t.encoderSource = RowEncoderSource(decoder, output);

    if (const int ret = OpenAudioEncoder(params, t.encoderSource, t.encoder); ret < 0) {
        return ret;
    }
    t.outputStream = avformat_new_stream(output, nullptr);
    if (!t.outputStream) {
        return AVERROR(ENOMEM);
    }
    t.outputStream->id = static_cast<int>(output->nb_streams) - 1;
    if (const int ret = avcodec_parameters_from_context(t.outputStream->codecpar, t.encoder.get());
        ret < 0) {
        return ret;
    }
    t.outputStream->time_base = t.encoder->time_base;
    t.frameSamples = t.encoder->frame_size > 1 ? t.encoder->frame_size : kPcmChunkSamples;
    t.startPagePackets = StartPagePackets(output->oformat);
    return AllocateWorkBuffers(t);
}

// ---- decoding and trimming ------------------------------------------------

namespace {

// The clip reads the first frame's timestamp in the decoder's packet time
// base, the one the demuxer's timestamps arrive in.
ClipFrame AsClipFrame(const AudioTranscoder& t, const AVFrame* frame) {
    ClipFrame clipFrame;
    clipFrame.pts = frame->pts;
    clipFrame.timeBase = t.decoder->pkt_timebase;
    clipFrame.sampleRate = frame->sample_rate;
    clipFrame.samples = frame->nb_samples;
    return clipFrame;
}

void OffsetPlanes(const AVFrame* frame, int offset, PlanePointers& planes) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int bytes = av_get_bytes_per_sample(format);
    const int channels = frame->ch_layout.nb_channels;
    if (av_sample_fmt_is_planar(format)) {
        for (int c = 0; c < channels; ++c) {
            planes[c] = frame->extended_data[c] + static_cast<ptrdiff_t>(offset) * bytes;
        }
    } else {
        planes[0] = frame->extended_data[0] + static_cast<ptrdiff_t>(offset) * bytes * channels;
    }
}

// Encoders without a frame size of their own (PCM) take frames of any size.
bool TakesAnyFrameSize(const AudioTranscoder& t) {
    return t.encoder->frame_size <= 1;
}

// A whole decoded frame that needs no conversion is the encoder's frame as it
// is, when it has the encoder's size and nothing queued must go first: the
// two copies through the queue are most of the work of a PCM or FLAC output.
bool GoesStraightToEncoder(const AudioTranscoder& t, const AVFrame* frame) {
    if (!t.converterPassThrough ||
        av_channel_layout_compare(&frame->ch_layout, &t.encoder->ch_layout) != 0) {
        return false;
    }
    if (TakesAnyFrameSize(t)) {
        return true; // what is queued is encoded first
    }
    return frame->nb_samples == t.frameSamples && av_audio_fifo_size(t.queue.get()) == 0;
}

int TakeDecodedFrame(AudioTranscoder& t, AVFrame* frame) {
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0 ||
        frame->ch_layout.nb_channels > kMaxChannels) {
        return 0; // nothing usable in a damaged frame
    }
    const ClipKeep keep = AdvanceClipCursor(t.clip, AsClipFrame(t, frame));
    if (keep.count == 0) {
        return 0;
    }
    if (const int ret = PrepareConverter(t, frame); ret < 0) {
        return ret;
    }
    if (const int ret = QueueLeadingSilence(t); ret < 0) {
        return ret;
    }
    if (keep.offset == 0 && keep.count == frame->nb_samples && GoesStraightToEncoder(t, frame)) {
        return EncodeDecodedFrame(t, frame);
    }
    PlanePointers planes{};
    OffsetPlanes(frame, keep.offset, planes);
    const int queued = ConvertIntoQueue(t, planes.data(), keep.count);
    return queued < 0 ? queued : 0;
}

int ReceiveDecodedFrames(AudioTranscoder& t) {
    for (;;) {
        const int ret = avcodec_receive_frame(t.decoder, t.decoded.get());
        if (ret < 0) {
            // EAGAIN, end of stream, or a damaged packet: nothing more from it.
            return 0;
        }
        const int taken = TakeDecodedFrame(t, t.decoded.get());
        av_frame_unref(t.decoded.get());
        if (taken < 0) {
            return taken;
        }
    }
}

} // namespace

int TranscodePacket(AudioTranscoder& t, const AVPacket* packet) {
    if (t.clip.ended) {
        return 0;
    }
    if (avcodec_send_packet(t.decoder, packet) < 0) {
        return 0; // a packet the decoder refuses is skipped
    }
    if (const int ret = ReceiveDecodedFrames(t); ret < 0) {
        return ret;
    }
    return EncodeWholeFrames(t);
}

// ---- conversion and queueing ----------------------------------------------

namespace {

void EffectiveLayout(const AVChannelLayout& layout, AVChannelLayout& effective) {
    if (layout.order == AV_CHANNEL_ORDER_NATIVE || layout.order == AV_CHANNEL_ORDER_AMBISONIC) {
        av_channel_layout_copy(&effective, &layout);
    } else {
        av_channel_layout_default(&effective, layout.nb_channels);
    }
}

bool IsFloatFormat(AVSampleFormat format) {
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    return packed == AV_SAMPLE_FMT_FLT || packed == AV_SAMPLE_FMT_DBL;
}

// The bits of a sample that carry sound: a wide format can hold fewer (24-bit
// FLAC decodes to 32-bit samples). A float counts as wider than any integer.
int SignificantBits(AVSampleFormat format, int rawBits, int codedBits) {
    constexpr int kFloatBits = 64;
    if (IsFloatFormat(format)) {
        return kFloatBits;
    }
    int bits = av_get_bytes_per_sample(format) * 8;
    for (const int narrower : {rawBits, codedBits}) {
        if (narrower > 0 && narrower < bits) {
            bits = narrower;
        }
    }
    return bits;
}

// The bits each output sample keeps, when fewer than the source's: the
// conversion must dither. 0 when it keeps or raises the depth.
int LoweredOutputBits(const AudioTranscoder& t, AVSampleFormat decoded) {
    const AVCodecContext* enc = t.encoder.get();
    if (IsFloatFormat(enc->sample_fmt)) {
        return 0;
    }
    const int source = SignificantBits(decoded, t.decoder->bits_per_raw_sample, 0);
    // PCM encoders of 24-bit samples take them in 32 bits; the 8-bit companding
    // ones take 16 and keep more than 8 bits of level.
    const bool wide = av_get_packed_sample_fmt(enc->sample_fmt) == AV_SAMPLE_FMT_S32;
    const int output = SignificantBits(enc->sample_fmt, enc->bits_per_raw_sample,
                                       wide ? enc->bits_per_coded_sample : 0);
    return output < source ? output : 0;
}

// Triangular dither at the output's last bit: lowering the depth then leaves
// noise rather than distortion, and quiet sound below that bit survives.
void SetDither(SwrContext* swr, AVSampleFormat output, int outputBits) {
    av_opt_set_int(swr, "dither_method", SWR_DITHER_TRIANGULAR, 0);
    if (av_get_packed_sample_fmt(output) == AV_SAMPLE_FMT_S32 && outputBits < 32) {
        av_opt_set_int(swr, "output_sample_bits", outputBits, 0);
    }
}

// (Re)creates the converter when the decoded format differs from what it was
// set up for; when nothing differs from the encoder, samples pass through.
int PrepareConverter(AudioTranscoder& t, const AVFrame* frame) {
    AVChannelLayout layout{};
    EffectiveLayout(frame->ch_layout, layout);
    const auto format = static_cast<AVSampleFormat>(frame->format);
    if (t.converterFormat == format && t.converterRate == frame->sample_rate &&
        av_channel_layout_compare(&t.converterLayout, &layout) == 0) {
        av_channel_layout_uninit(&layout);
        return 0;
    }
    if (const int ret = DrainConverter(t); ret < 0) {
        av_channel_layout_uninit(&layout);
        return ret;
    }
    AVCodecContext* enc = t.encoder.get();
    t.converterFormat = format;
    t.converterRate = frame->sample_rate;
    av_channel_layout_uninit(&t.converterLayout);
    t.converterLayout = layout; // takes ownership
    const int loweredBits = LoweredOutputBits(t, format);
    t.converterPassThrough = format == enc->sample_fmt && frame->sample_rate == enc->sample_rate &&
                             av_channel_layout_compare(&layout, &enc->ch_layout) == 0 &&
                             loweredBits == 0;
    t.resampler.reset();
    t.converterTaken = 0;
    t.converterGiven = 0;
    if (t.converterPassThrough) {
        return 0;
    }
    SwrContext* swr = nullptr;
    int ret = swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate,
                                  &t.converterLayout, format, frame->sample_rate, 0, nullptr);
    t.resampler.reset(swr);
    if (ret < 0) {
        return ret;
    }
    av_opt_set_int(swr, "filter_size", kFilterLength, 0);
    av_opt_set_int(swr, "phase_shift", kPhaseShift, 0);
    av_opt_set_int(swr, "linear_interp", 0, 0);
    av_opt_set_double(swr, "cutoff", kCutoff, 0);
    if (loweredBits > 0) {
        SetDither(swr, enc->sample_fmt, loweredBits);
    }
    return swr_init(swr);
}

// The samples the input taken so far lasts at the encoder's rate, rounded to
// the nearest: all the resampler may give.
int64_t ConvertedLength(const AudioTranscoder& t) {
    return av_rescale_rnd(t.converterTaken, t.encoder->sample_rate, t.converterRate,
                          AV_ROUND_NEAR_INF);
}

// Converts `samples` input samples (none: flush the resampler) and queues the
// result. Returns the number of samples queued or a negative AVERROR.
int ConvertIntoQueue(AudioTranscoder& t, const uint8_t* const* input, int samples) {
    if (t.converterPassThrough) {
        auto planes = reinterpret_cast<void**>(const_cast<uint8_t**>(input));
        return av_audio_fifo_write(t.queue.get(), planes, samples);
    }
    t.converterTaken += samples;
    const AVCodecContext* enc = t.encoder.get();
    const int room = swr_get_out_samples(t.resampler.get(), samples);
    if (room < 0) {
        return room;
    }
    if (!t.converted.Reserve(room, enc->ch_layout.nb_channels, enc->sample_fmt)) {
        return AVERROR(ENOMEM);
    }
    int produced = swr_convert(t.resampler.get(), t.converted.data, t.converted.capacity,
                               const_cast<const uint8_t**>(input), samples);
    if (!input && produced > 0) {
        // The flushed filter tail runs past the last input sample's time.
        produced = static_cast<int>(
            std::clamp<int64_t>(ConvertedLength(t) - t.converterGiven, 0, produced));
    }
    if (produced <= 0) {
        return produced;
    }
    t.converterGiven += produced;
    return av_audio_fifo_write(t.queue.get(), reinterpret_cast<void**>(t.converted.data), produced);
}

// Queues the samples the resampler still holds (its filter delay).
int DrainConverter(AudioTranscoder& t) {
    if (!t.resampler || t.converterPassThrough) {
        return 0;
    }
    for (;;) {
        const int queued = ConvertIntoQueue(t, nullptr, 0);
        if (queued <= 0) {
            return queued;
        }
    }
}

int QueueSilence(AudioTranscoder& t, int samples) {
    if (samples <= 0) {
        return 0;
    }
    const AVCodecContext* enc = t.encoder.get();
    const int channels = enc->ch_layout.nb_channels;
    if (!t.converted.Reserve(samples, channels, enc->sample_fmt)) {
        return AVERROR(ENOMEM);
    }
    av_samples_set_silence(t.converted.data, 0, samples, channels, enc->sample_fmt);
    return av_audio_fifo_write(t.queue.get(), reinterpret_cast<void**>(t.converted.data), samples);
}

// WMA encoders start with the first real samples where their decoders
// expect a frame of priming: the decoder drops the first frame it decodes,
// and with it the sound's first frame. A frame of silence goes first instead.
int LeadingSilenceSamples(const AVCodecContext* encoder, int frameSamples) {
    switch (encoder->codec_id) {
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return frameSamples;
    default:
        return 0;
    }
}

int QueueLeadingSilence(AudioTranscoder& t) {
    if (t.primed) {
        return 0;
    }
    t.primed = true;
    const int queued = QueueSilence(t, LeadingSilenceSamples(t.encoder.get(), t.frameSamples));
    return queued < 0 ? queued : 0;
}

} // namespace

// ---- encoding -------------------------------------------------------------

namespace {

bool AcceptsShortFrames(const AVCodecContext* encoder) {
    return encoder->codec->capabilities &
           (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
}

// The normalising gain goes on before the encoder, and the meter of a
// lossless output hears what the encoder is given.
int PrepareEncoderInput(AudioTranscoder& t, AVFrame* frame) {
    if (const int ret = ApplyGain(frame, t.gain); ret < 0) {
        return ret;
    }
    MeterEncoderInput(t.meter, frame);
    return 0;
}

// Stamps a frame to follow the ones sent before it and hands it to the
// encoder, taking whatever packets that frees.
int SendToEncoder(AudioTranscoder& t, AVFrame* frame) {
    if (const int ret = PrepareEncoderInput(t, frame); ret < 0) {
        return ret;
    }
    frame->pts = t.nextPts;
    t.nextPts += frame->nb_samples;
    if (t.split) {
        return SplitTakeFrame(t, frame);
    }
    if (const int ret = avcodec_send_frame(t.encoder.get(), frame); ret < 0) {
        return ret;
    }
    return ReceiveEncodedPackets(t);
}

// Encodes `samples` queued samples as one frame. A short last frame is padded
// with silence for encoders that only take whole frames.
int EncodeQueuedFrame(AudioTranscoder& t, int samples) {
    AVFrame* frame = t.encoderFrame.get();
    frame->nb_samples = t.frameSamples;
    // A split row's chunks keep the frames they were given: the frame then
    // takes a pooled buffer instead of a copy the queue would overwrite.
    if (const int ret = OwnPooledBuffer(frame, t.encoderFramePool); ret < 0) {
        return ret;
    }
    const int read =
        av_audio_fifo_read(t.queue.get(), reinterpret_cast<void**>(frame->data), samples);
    if (read < 0) {
        return read;
    }
    if (read < t.frameSamples) {
        if (AcceptsShortFrames(t.encoder.get())) {
            frame->nb_samples = read;
        } else {
            av_samples_set_silence(frame->data, read, t.frameSamples - read,
                                   frame->ch_layout.nb_channels,
                                   static_cast<AVSampleFormat>(frame->format));
        }
    }
    return SendToEncoder(t, frame);
}

int EncodeWholeFrames(AudioTranscoder& t) {
    while (av_audio_fifo_size(t.queue.get()) >= t.frameSamples) {
        if (const int ret = EncodeQueuedFrame(t, t.frameSamples); ret < 0) {
            return ret;
        }
    }
    return 0;
}

// Sends a frame GoesStraightToEncoder let through, after what is queued.
int EncodeDecodedFrame(AudioTranscoder& t, AVFrame* frame) {
    if (const int ret = EncodeWholeFrames(t); ret < 0) {
        return ret;
    }
    // Only an encoder that takes any frame size may get a short frame here;
    // to the others it would be their last.
    if (const int left = av_audio_fifo_size(t.queue.get()); left > 0 && TakesAnyFrameSize(t)) {
        if (const int ret = EncodeQueuedFrame(t, left); ret < 0) {
            return ret;
        }
    }
    return SendToEncoder(t, frame);
}

} // namespace

// ---- writing --------------------------------------------------------------

namespace {

// Ends the first page of sound once it holds the packets StartPagePackets
// asks for: what the interleaver holds is written, then the page.
int EndStartPage(AudioTranscoder& t) {
    if (t.startPagePackets <= 0 || t.packetsWritten != t.startPagePackets) {
        return 0;
    }
    if (const int ret = av_interleaved_write_frame(t.output, nullptr); ret < 0) {
        return ret;
    }
    const int ret = av_write_frame(t.output, nullptr);
    return ret < 0 ? ret : 0;
}

} // namespace

int WriteAudioPacket(AudioTranscoder& t, AVPacket* pkt) {
    // Only ended before a packet follows: a last page is never the first.
    if (const int ret = EndStartPage(t); ret < 0) {
        return ret;
    }
    MeterEncodedPacket(t.meter, pkt);
    av_packet_rescale_ts(pkt, t.encoder->time_base, t.outputStream->time_base);
    pkt->stream_index = t.outputStream->index;
    if (pkt->pts != AV_NOPTS_VALUE) {
        t.writtenEnd = std::max(t.writtenEnd, pkt->pts + pkt->duration);
    }
    const int ret = av_interleaved_write_frame(t.output, pkt);
    if (ret < 0) {
        return ret;
    }
    ++t.packetsWritten;
    if (const AVIOContext* pb = t.output->pb) {
        // What the writer still buffers has not reached the file yet. A file
        // system without write-back loses nothing by it: the final flush counts.
        StartWriteBack(t.writeBack, avio_tell(t.output->pb) - (pb->buf_ptr - pb->buffer));
    }
    return ret;
}

namespace {

int ReceiveEncodedPackets(AudioTranscoder& t) {
    for (;;) {
        const int ret = avcodec_receive_packet(t.encoder.get(), t.encoded.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return 0;
        }
        if (ret < 0) {
            return ret;
        }
        if (const int written = WriteAudioPacket(t, t.encoded.get()); written < 0) {
            return written;
        }
    }
}

} // namespace

// ---- finishing ------------------------------------------------------------

namespace {

// Silence queued after the last real sample, so that every real sample
// reaches the file. WMA encoders overlap each frame with the next and keep no
// frames back to give up when flushed: their last real frame only reaches the
// file whole when one more frame follows.
int TrailingSilenceSamples(const AVCodecContext* encoder, int frameSamples) {
    switch (encoder->codec_id) {
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return frameSamples;
    default:
        return 0;
    }
}

} // namespace

int FinishAudioTranscoder(AudioTranscoder& t, bool drainDecoder) {
    if (drainDecoder && !t.clip.ended && avcodec_send_packet(t.decoder, nullptr) >= 0) {
        if (const int ret = ReceiveDecodedFrames(t); ret < 0) {
            return ret;
        }
    }
    if (const int ret = DrainConverter(t); ret < 0) {
        return ret;
    }
    if (WroteSound(t) || av_audio_fifo_size(t.queue.get()) > 0) {
        if (const int ret =
                QueueSilence(t, TrailingSilenceSamples(t.encoder.get(), t.frameSamples));
            ret < 0) {
            return ret;
        }
    }
    if (const int ret = EncodeWholeFrames(t); ret < 0) {
        return ret;
    }
    if (const int left = av_audio_fifo_size(t.queue.get()); left > 0) {
        if (const int ret = EncodeQueuedFrame(t, left); ret < 0) {
            return ret;
        }
    }

    if (t.split) {
        return FinishSplitEncoding(t);
    }
    // Encoders hold frames back (look-ahead, priming); ask for all of them.
    if (const int ret = avcodec_send_frame(t.encoder.get(), nullptr); ret < 0) {
        return ret;
    }
    return ReceiveEncodedPackets(t);
}

bool WroteSound(const AudioTranscoder& t) {
    return t.nextPts > 0;
}

double WrittenSeconds(const AudioTranscoder& t) {
    if (!t.outputStream || t.writtenEnd <= 0) {
        return 0;
    }
    return static_cast<double>(t.writtenEnd) * av_q2d(t.outputStream->time_base);
}
