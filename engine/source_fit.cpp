#include "engine/source_fit.h"

#include "engine/sample_format.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// The most channels a common downmix starts from (7.1).
constexpr int kLargestDownmixedLayout = 8;

// Rates tried for encoders that list none of their own.
constexpr int kCommonRates[] = {8000,  11025, 16000, 22050,  32000, 44100,
                                48000, 88200, 96000, 176400, 192000};

bool WritesChannels(const AVCodec* codec, int channels, const AVChannelLayout& source) {
    AVChannelLayout chosen{};
    const bool writes = ChooseEncoderLayout(codec, channels, source, chosen);
    av_channel_layout_uninit(&chosen);
    return writes;
}

int FittedChannels(const AVCodec* codec, const AVChannelLayout& source) {
    const int count = source.nb_channels;
    if (count <= 0) {
        return 0;
    }
    if (WritesChannels(codec, count, source)) {
        return count;
    }
    if (count > kLargestDownmixedLayout) {
        return 0;
    }
    const AVChannelLayout none{};
    for (int fewer = count - 1; fewer > 0; --fewer) {
        if (WritesChannels(codec, fewer, none)) {
            return fewer;
        }
    }
    return 0;
}

// The rates worth trying, best first: the source's own, then the nearest
// above it (no band of the source is lost), then the nearest below.
std::vector<int> CandidateRates(const AVCodec* codec, int sourceRate) {
    std::vector<int> rates;
    if (codec->supported_samplerates) {
        for (const int* rate = codec->supported_samplerates; *rate; ++rate) {
            rates.push_back(*rate);
        }
    } else {
        rates.assign(std::begin(kCommonRates), std::end(kCommonRates));
        rates.push_back(sourceRate);
    }
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    const auto firstAbove = std::lower_bound(rates.begin(), rates.end(), sourceRate);
    std::vector<int> ordered(firstAbove, rates.end());
    ordered.insert(ordered.end(), std::make_reverse_iterator(firstAbove), rates.rend());
    return ordered;
}

bool EncoderOpens(const OutputAudioParams& params, const EncoderSource& source) {
    CodecContextPtr encoder;
    return OpenAudioEncoder(params, source, encoder) >= 0;
}

} // namespace

bool FitOutputToSource(OutputAudioParams& params, int sourceRate, const EncoderSource& source) {
    if (params.sampleRate != kSameAsSource && params.channels != kSameAsSource) {
        return true;
    }
    const AVCodec* codec = FindOutputEncoder(params.codecId);
    if (!codec) {
        return true; // the encoder's set-up names what is missing
    }
    if (!source.layout) {
        return false;
    }
    if (params.channels == kSameAsSource) {
        params.channels = FittedChannels(codec, *source.layout);
        if (params.channels == 0) {
            return false;
        }
    }
    if (params.sampleRate != kSameAsSource) {
        return true;
    }
    if (sourceRate <= 0) {
        return false;
    }
    for (const int rate : CandidateRates(codec, sourceRate)) {
        params.sampleRate = rate;
        if (EncoderOpens(params, source)) {
            return true;
        }
    }
    params.sampleRate = kSameAsSource;
    return false;
}

bool FitOutputToDecoder(OutputAudioParams& params, const AVCodecContext* decoder) {
    EncoderSource source;
    source.sampleFormat = decoder->sample_fmt;
    source.layout = &decoder->ch_layout;
    source.bitsPerRawSample = decoder->bits_per_raw_sample;
    return FitOutputToSource(params, decoder->sample_rate, source);
}
