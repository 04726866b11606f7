#include "engine/media_input.h"

#include <algorithm>

namespace {

// What the container or codec header says: the raw sample depth where it is
// known, else a PCM codec's sample size, else the sample size a lossless
// codec's header carries (ALAC in MP4).
int32_t SourceBitDepth(const AVCodecParameters* audio) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(audio->codec_id);
    if (!descriptor || !(descriptor->props & AV_CODEC_PROP_LOSSLESS)) {
        return 0;
    }
    if (audio->bits_per_raw_sample > 0) {
        return audio->bits_per_raw_sample;
    }
    if (const int bits = av_get_bits_per_sample(audio->codec_id); bits > 0) {
        return bits;
    }
    return std::max(audio->bits_per_coded_sample, 0);
}

void ReadAudioFacts(const AVCodecParameters* audio, AVConvert& engine) {
    if (!audio) {
        engine.m_audioCodecId = 0;
        engine.m_channels = 0;
        engine.m_sampleRate = 0;
        engine.m_audioBitRate = 0;
        engine.m_bitDepth = 0;
        return;
    }
    engine.m_audioCodecId = audio->codec_id;
    engine.m_channels = audio->ch_layout.nb_channels;
    engine.m_sampleRate = audio->sample_rate;
    engine.m_audioBitRate = static_cast<int32_t>(audio->bit_rate);
    engine.m_bitDepth = SourceBitDepth(audio);
}

} // namespace

int ProbeMediaFile(AVConvert& engine) {
    engine.m_videoStream = -1;
    engine.m_audioStream = -1;

    InputFormatPtr input;
    if (const int result = OpenMediaInput(engine.m_probePath, input); result != ProbeOk) {
        return result;
    }
    FindStreams(input.get(), engine);

    CodecContextPtr videoDecoder;
    if (engine.m_videoStream >= 0) {
        const int result = OpenStreamDecoder(input->streams[engine.m_videoStream], videoDecoder);
        if (result != 0) {
            return result;
        }
    }
    // An audio stream without a usable decoder is not a probe failure; the
    // conversion of such a row fails instead.
    const AVCodecParameters* audio = nullptr;
    if (engine.m_audioStream >= 0) {
        audio = input->streams[engine.m_audioStream]->codecpar;
    }

    ReadVideoFacts(input.get(), videoDecoder.get(), engine);
    ReadAudioFacts(audio, engine);
    ReadDurationFacts(input.get(), engine);
    return ProbeOk;
}
