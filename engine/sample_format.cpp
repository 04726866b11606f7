#include "engine/sample_format.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <iterator>

namespace {

bool Lists(const AVSampleFormat* formats, AVSampleFormat wanted) {
    for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == wanted) {
            return true;
        }
    }
    return false;
}

// Higher is less lossy: wider samples first, float before integer of the same
// width (a float keeps the headroom of decoded audio).
int Fidelity(AVSampleFormat format) {
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    const bool isFloat = packed == AV_SAMPLE_FMT_FLT || packed == AV_SAMPLE_FMT_DBL;
    return av_get_bytes_per_sample(format) * 2 + (isFloat ? 1 : 0);
}

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) {
    return av_channel_layout_compare(&a, &b) == 0;
}

bool EncoderLists(const AVCodec* encoder, const AVChannelLayout& layout) {
    if (!encoder->ch_layouts) {
        return true;
    }
    for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l) {
        if (SameLayout(*l, layout)) {
            return true;
        }
    }
    return false;
}

// Encoders that list no layouts but refuse more channels than this when opened.
int ChannelLimit(const AVCodec* encoder) {
    switch (encoder->id) {
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return 2;
    // Beyond 7.1 these take no channel mapping FFmpeg sets up by itself.
    case AV_CODEC_ID_OPUS:
    case AV_CODEC_ID_FLAC:
        return 8;
    default:
        return 0; // no limit known
    }
}

// Encoders that list no layouts but take only FFmpeg's standard layout of each
// channel count (libopus maps channels the Vorbis way: 5.1 with back, not side
// channels).
bool TakesOnlyStandardLayouts(const AVCodec* encoder) {
    return encoder->id == AV_CODEC_ID_OPUS;
}

} // namespace

AVSampleFormat ChooseEncoderSampleFormat(const AVCodec* encoder, AVSampleFormat decoded) {
    const AVSampleFormat* formats = encoder->sample_fmts;
    if (!formats) {
        return decoded;
    }
    if (Lists(formats, decoded)) {
        return decoded;
    }
    const AVSampleFormat twin = av_sample_fmt_is_planar(decoded)
                                    ? av_get_packed_sample_fmt(decoded)
                                    : av_get_planar_sample_fmt(decoded);
    if (Lists(formats, twin)) {
        return twin;
    }
    AVSampleFormat best = formats[0];
    for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (Fidelity(*f) > Fidelity(best)) {
            best = *f;
        }
    }
    return best;
}

bool ChooseEncoderLayout(const AVCodec* encoder, int channels, const AVChannelLayout& source,
                         AVChannelLayout& chosen) {
    const int limit = ChannelLimit(encoder);
    if (channels <= 0 || (limit > 0 && channels > limit)) {
        return false;
    }
    if (source.nb_channels == channels && source.order == AV_CHANNEL_ORDER_NATIVE &&
        EncoderLists(encoder, source) && !TakesOnlyStandardLayouts(encoder)) {
        return av_channel_layout_copy(&chosen, &source) == 0;
    }
    AVChannelLayout standard;
    av_channel_layout_default(&standard, channels);
    if (EncoderLists(encoder, standard)) {
        chosen = standard;
        return true;
    }
    for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l) {
        if (l->nb_channels == channels) {
            return av_channel_layout_copy(&chosen, l) == 0;
        }
    }
    return false;
}

bool EncoderTakesSampleRate(const AVCodec* encoder, int sampleRate) {
    if (sampleRate <= 0) {
        return false;
    }
    if (!encoder->supported_samplerates) {
        return true;
    }
    for (const int* r = encoder->supported_samplerates; *r; ++r) {
        if (*r == sampleRate) {
            return true;
        }
    }
    return false;
}

const AVCodec* FindOutputEncoder(int codecId) {
    static constexpr AVCodecID kAllowed[] = {
        AV_CODEC_ID_AAC,       AV_CODEC_ID_AC3,       AV_CODEC_ID_MP3,       AV_CODEC_ID_MP2,
        AV_CODEC_ID_WMAV1,     AV_CODEC_ID_WMAV2,     AV_CODEC_ID_VORBIS,    AV_CODEC_ID_FLAC,
        AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_PCM_S16BE, AV_CODEC_ID_PCM_MULAW, AV_CODEC_ID_PCM_ALAW,
        AV_CODEC_ID_OPUS,      AV_CODEC_ID_ALAC,      AV_CODEC_ID_PCM_S24LE, AV_CODEC_ID_PCM_F32LE,
        AV_CODEC_ID_PCM_S24BE,
    };
    const auto id = static_cast<AVCodecID>(codecId);
    if (std::find(std::begin(kAllowed), std::end(kAllowed), id) == std::end(kAllowed)) {
        return nullptr;
    }
    // FFmpeg's own Opus encoder is experimental; libopus is the one to use.
    if (id == AV_CODEC_ID_OPUS) {
        return avcodec_find_encoder_by_name("libopus");
    }
    return avcodec_find_encoder(id);
}

bool OutputContainerTakes(const char* fileName, int codecId) {
    const AVOutputFormat* format = av_guess_format(nullptr, fileName, nullptr);
    if (!format) {
        return false;
    }
    return avformat_query_codec(format, static_cast<AVCodecID>(codecId), FF_COMPLIANCE_NORMAL) != 0;
}
