#include "engine/loudness_gain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace {

template <typename Sample> Sample Scaled(Sample value, double gain) {
    if constexpr (std::is_floating_point_v<Sample>) {
        return static_cast<Sample>(value * gain);
    } else {
        constexpr double kLow = static_cast<double>(std::numeric_limits<Sample>::min());
        constexpr double kHigh = static_cast<double>(std::numeric_limits<Sample>::max());
        return static_cast<Sample>(std::clamp(std::nearbyint(value * gain), kLow, kHigh));
    }
}

template <typename Sample> void ScalePlane(uint8_t* data, int count, double gain) {
    auto* samples = reinterpret_cast<Sample*>(data);
    for (int i = 0; i < count; ++i) {
        samples[i] = Scaled(samples[i], gain);
    }
}

// Unsigned 8-bit samples are centred on 128.
void ScaleUnsignedPlane(uint8_t* data, int count, double gain) {
    for (int i = 0; i < count; ++i) {
        const double centred = (static_cast<double>(data[i]) - 128.0) * gain;
        data[i] = static_cast<uint8_t>(std::clamp(std::nearbyint(centred) + 128.0, 0.0, 255.0));
    }
}

void ScalePlaneOf(AVSampleFormat packed, uint8_t* data, int count, double gain) {
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        ScaleUnsignedPlane(data, count, gain);
        break;
    case AV_SAMPLE_FMT_S16:
        ScalePlane<int16_t>(data, count, gain);
        break;
    case AV_SAMPLE_FMT_S32:
        ScalePlane<int32_t>(data, count, gain);
        break;
    case AV_SAMPLE_FMT_FLT:
        ScalePlane<float>(data, count, gain);
        break;
    case AV_SAMPLE_FMT_DBL:
        ScalePlane<double>(data, count, gain);
        break;
    default:
        break;
    }
}

} // namespace

int ApplyGain(AVFrame* frame, double gain) {
    if (gain == 1.0 || frame->nb_samples <= 0) {
        return 0;
    }
    if (const int ret = av_frame_make_writable(frame); ret < 0) {
        return ret;
    }
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    const int channels = frame->ch_layout.nb_channels;
    if (av_sample_fmt_is_planar(format)) {
        for (int c = 0; c < channels; ++c) {
            ScalePlaneOf(packed, frame->extended_data[c], frame->nb_samples, gain);
        }
    } else {
        ScalePlaneOf(packed, frame->extended_data[0], frame->nb_samples * channels, gain);
    }
    return 0;
}
