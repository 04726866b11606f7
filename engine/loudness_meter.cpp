#include "engine/loudness_meter.h"

#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

namespace {

// EBU R128 integrates over blocks of 400 ms: a shorter track has none.
constexpr double kBlockSeconds = 0.4;

bool IsLossless(AVCodecID id) {
    const AVCodecDescriptor* desc = avcodec_descriptor_get(id);
    return desc && (desc->props & AV_CODEC_PROP_LOSSLESS) && !(desc->props & AV_CODEC_PROP_LOSSY);
}

int OpenOutputDecoder(LoudnessMeter& meter, const AVCodecContext* encoder) {
    const AVCodec* codec = avcodec_find_decoder(encoder->codec_id);
    if (!codec) {
        return AVERROR_DECODER_NOT_FOUND;
    }
    meter.decoder.reset(avcodec_alloc_context3(codec));
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!meter.decoder || !params) {
        avcodec_parameters_free(&params);
        return AVERROR(ENOMEM);
    }
    int ret = avcodec_parameters_from_context(params, encoder);
    if (ret >= 0) {
        ret = avcodec_parameters_to_context(meter.decoder.get(), params);
    }
    avcodec_parameters_free(&params);
    if (ret < 0) {
        return ret;
    }
    meter.decoder->pkt_timebase = encoder->time_base;
    return avcodec_open2(meter.decoder.get(), codec, nullptr);
}

int EbuChannelOf(const AVChannelLayout& layout, int index) {
    switch (av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(index))) {
    case AV_CHAN_FRONT_LEFT:
        return EBUR128_LEFT;
    case AV_CHAN_FRONT_RIGHT:
        return EBUR128_RIGHT;
    case AV_CHAN_FRONT_CENTER:
        return EBUR128_CENTER;
    case AV_CHAN_BACK_LEFT:
    case AV_CHAN_SIDE_LEFT:
        return EBUR128_LEFT_SURROUND;
    case AV_CHAN_BACK_RIGHT:
    case AV_CHAN_SIDE_RIGHT:
        return EBUR128_RIGHT_SURROUND;
    case AV_CHAN_LOW_FREQUENCY:
    case AV_CHAN_LOW_FREQUENCY_2:
        return EBUR128_UNUSED;
    default:
        // Channels R128 gives no weight of its own count like the front ones.
        return layout.nb_channels == 1 ? EBUR128_LEFT : EBUR128_CENTER;
    }
}

// The first frame settles the sound's rate and layout; the meter follows only
// that sound, as a player of the file would.
bool SetUpState(LoudnessMeter& meter, const AVFrame* frame) {
    const int channels = frame->ch_layout.nb_channels;
    meter.state.reset(ebur128_init(
        static_cast<unsigned>(channels), static_cast<unsigned long>(frame->sample_rate),
        EBUR128_MODE_I | (meter.truePeak ? EBUR128_MODE_TRUE_PEAK : EBUR128_MODE_SAMPLE_PEAK)));
    if (!meter.state) {
        return false;
    }
    for (int c = 0; c < channels; ++c) {
        ebur128_set_channel(meter.state.get(), static_cast<unsigned>(c),
                            EbuChannelOf(frame->ch_layout, c));
    }
    meter.rate = frame->sample_rate;
    meter.channels = channels;
    return true;
}

bool PrepareFloatConverter(LoudnessMeter& meter, const AVFrame* frame) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    if (meter.toFloat && meter.fromFormat == format) {
        return true;
    }
    SwrContext* swr = nullptr;
    // FFmpeg 5.1 declares the layouts writable; it only reads them.
    auto* layout = const_cast<AVChannelLayout*>(&frame->ch_layout);
    if (swr_alloc_set_opts2(&swr, layout, AV_SAMPLE_FMT_FLT, frame->sample_rate, layout, format,
                            frame->sample_rate, 0, nullptr) < 0) {
        swr_free(&swr);
        return false;
    }
    meter.toFloat.reset(swr);
    meter.fromFormat = format;
    return swr_init(swr) >= 0;
}

bool ReserveInterleaved(LoudnessMeter& meter, int samples) {
    if (samples <= meter.interleavedCapacity) {
        return true;
    }
    av_freep(&meter.interleaved);
    meter.interleavedCapacity = 0;
    const size_t bytes = sizeof(float) * static_cast<size_t>(samples) * meter.channels;
    meter.interleaved = static_cast<float*>(av_malloc(bytes));
    if (!meter.interleaved) {
        return false;
    }
    meter.interleavedCapacity = samples;
    return true;
}

template <typename Sample> void Interleave(const AVFrame* frame, int channels, Sample* out) {
    for (int c = 0; c < channels; ++c) {
        const auto* plane = reinterpret_cast<const Sample*>(frame->extended_data[c]);
        for (int i = 0; i < frame->nb_samples; ++i) {
            out[static_cast<size_t>(i) * channels + c] = plane[i];
        }
    }
}

// Formats libebur128 takes as they are; anything else through the resampler.
bool AddFrameSamples(LoudnessMeter& meter, const AVFrame* frame) {
    ebur128_state* state = meter.state.get();
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const auto count = static_cast<size_t>(frame->nb_samples);
    const uint8_t* packed = frame->extended_data[0];
    switch (format) {
    case AV_SAMPLE_FMT_S16:
        return ebur128_add_frames_short(state, reinterpret_cast<const short*>(packed), count) ==
               EBUR128_SUCCESS;
    case AV_SAMPLE_FMT_S32:
        return ebur128_add_frames_int(state, reinterpret_cast<const int*>(packed), count) ==
               EBUR128_SUCCESS;
    case AV_SAMPLE_FMT_FLT:
        return ebur128_add_frames_float(state, reinterpret_cast<const float*>(packed), count) ==
               EBUR128_SUCCESS;
    case AV_SAMPLE_FMT_DBL:
        return ebur128_add_frames_double(state, reinterpret_cast<const double*>(packed), count) ==
               EBUR128_SUCCESS;
    default:
        break;
    }
    if (!ReserveInterleaved(meter, frame->nb_samples)) {
        return false;
    }
    // Lossy decoders give planar floats: put side by side without converting.
    switch (format) {
    case AV_SAMPLE_FMT_FLTP:
        Interleave(frame, meter.channels, meter.interleaved);
        return ebur128_add_frames_float(state, meter.interleaved, count) == EBUR128_SUCCESS;
    case AV_SAMPLE_FMT_S16P:
        Interleave(frame, meter.channels, reinterpret_cast<short*>(meter.interleaved));
        return ebur128_add_frames_short(state, reinterpret_cast<const short*>(meter.interleaved),
                                        count) == EBUR128_SUCCESS;
    case AV_SAMPLE_FMT_S32P:
        Interleave(frame, meter.channels, reinterpret_cast<int*>(meter.interleaved));
        return ebur128_add_frames_int(state, reinterpret_cast<const int*>(meter.interleaved),
                                      count) == EBUR128_SUCCESS;
    default:
        break;
    }
    if (!PrepareFloatConverter(meter, frame)) {
        return false;
    }
    auto* out = reinterpret_cast<uint8_t*>(meter.interleaved);
    const int converted =
        swr_convert(meter.toFloat.get(), &out, meter.interleavedCapacity,
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    return converted == frame->nb_samples &&
           ebur128_add_frames_float(state, meter.interleaved, count) == EBUR128_SUCCESS;
}

double HighestPeak(const LoudnessMeter& meter) {
    const auto peakOf = meter.truePeak ? ebur128_true_peak : ebur128_sample_peak;
    double peak = 0;
    for (int c = 0; c < meter.channels; ++c) {
        double channelPeak = 0;
        if (peakOf(meter.state.get(), static_cast<unsigned>(c), &channelPeak) == EBUR128_SUCCESS) {
            peak = std::max(peak, channelPeak);
        }
    }
    return peak;
}

void MeterDecodedFrames(LoudnessMeter& meter) {
    while (avcodec_receive_frame(meter.decoder.get(), meter.decoded.get()) >= 0) {
        MeterFrame(meter, meter.decoded.get());
        av_frame_unref(meter.decoded.get());
    }
}

} // namespace

void EbuStateFreer::operator()(ebur128_state* state) const {
    ebur128_destroy(&state);
}

LoudnessMeter::~LoudnessMeter() {
    av_freep(&interleaved);
}

int StartLoudnessMeter(LoudnessMeter& meter, const AVCodecContext* encoder) {
    meter.decodesPackets = !IsLossless(encoder->codec_id);
    if (!meter.decodesPackets) {
        return 0;
    }
    meter.decoded.reset(av_frame_alloc());
    if (!meter.decoded) {
        return AVERROR(ENOMEM);
    }
    return OpenOutputDecoder(meter, encoder);
}

void MeterFrame(LoudnessMeter& meter, const AVFrame* frame) {
    if (meter.failed || frame->nb_samples <= 0) {
        return;
    }
    if (!meter.state && !SetUpState(meter, frame)) {
        meter.failed = true;
        return;
    }
    if (frame->sample_rate != meter.rate || frame->ch_layout.nb_channels != meter.channels) {
        return; // not the sound the file's player hears
    }
    if (!AddFrameSamples(meter, frame)) {
        meter.failed = true;
        return;
    }
    meter.samples += frame->nb_samples;
}

void MeterEncoderInput(LoudnessMeter* meter, const AVFrame* frame) {
    if (meter && !meter->decodesPackets) {
        MeterFrame(*meter, frame);
    }
}

void MeterEncodedPacket(LoudnessMeter* meter, const AVPacket* packet) {
    if (!meter || !meter->decodesPackets || !meter->decoder || meter->failed) {
        return;
    }
    // A packet the decoder refuses is a packet a player skips too.
    if (avcodec_send_packet(meter->decoder.get(), packet) >= 0) {
        MeterDecodedFrames(*meter);
    }
}

void FinishLoudnessMeter(LoudnessMeter& meter) {
    if (meter.decodesPackets && meter.decoder && !meter.failed &&
        avcodec_send_packet(meter.decoder.get(), nullptr) >= 0) {
        MeterDecodedFrames(meter);
    }
    // Only the measurement waits for the album's other tracks.
    meter.decoder.reset();
    meter.decoded.reset();
    meter.toFloat.reset();
    av_freep(&meter.interleaved);
    meter.interleavedCapacity = 0;
}

TrackLoudness MeasuredLoudness(const LoudnessMeter& meter) {
    TrackLoudness track;
    if (meter.failed) {
        return track;
    }
    if (!meter.state || static_cast<double>(meter.samples) < kBlockSeconds * meter.rate) {
        track.gap = LoudnessGap::TooShort;
        return track;
    }
    track.state = meter.state.get();
    double loudness = -HUGE_VAL;
    if (ebur128_loudness_global(meter.state.get(), &loudness) != EBUR128_SUCCESS) {
        return track;
    }
    if (!std::isfinite(loudness)) {
        track.gap = LoudnessGap::Silence;
        return track;
    }
    track.gap = LoudnessGap::None;
    track.integrated = loudness;
    track.peak = HighestPeak(meter);
    return track;
}

double MeasuredPeak(const LoudnessMeter& meter) {
    return meter.state && !meter.failed ? HighestPeak(meter) : 0;
}

TrackLoudness AlbumLoudness(const TrackLoudness* tracks, int count) {
    std::vector<ebur128_state*> states;
    double peak = 0;
    for (int i = 0; i < count; ++i) {
        if (tracks[i].gap == LoudnessGap::None && tracks[i].state) {
            states.push_back(const_cast<ebur128_state*>(tracks[i].state));
            peak = std::max(peak, tracks[i].peak);
        }
    }
    TrackLoudness album;
    album.gap = LoudnessGap::Silence;
    double loudness = -HUGE_VAL;
    if (states.empty() ||
        ebur128_loudness_global_multiple(states.data(), states.size(), &loudness) !=
            EBUR128_SUCCESS ||
        !std::isfinite(loudness)) {
        return album;
    }
    album.gap = LoudnessGap::None;
    album.integrated = loudness;
    album.peak = peak;
    return album;
}
