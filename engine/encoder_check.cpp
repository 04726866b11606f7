#include "engine/encoder_check.h"

#include "engine/ffmpeg_ptr.h"
#include "engine/joined_list.h"
#include "engine/sample_format.h"
#include "engine/source_fit.h"

#include <algorithm>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/samplefmt.h>
}

namespace {

std::string CodecName(int codecId) {
    return avcodec_get_name(static_cast<AVCodecID>(codecId));
}

std::string ErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

std::string ListedSampleRates(const AVCodec* codec) {
    std::vector<std::string> rates;
    for (const int* rate = codec->supported_samplerates; rate && *rate; ++rate) {
        rates.push_back(std::to_string(*rate));
    }
    return JoinedList(rates);
}

bool WritesChannels(const AVCodec* codec, int channels) {
    AVChannelLayout standard{};
    if (channels > 0) {
        av_channel_layout_default(&standard, channels);
    }
    AVChannelLayout chosen{};
    const bool writes = ChooseEncoderLayout(codec, channels, standard, chosen);
    av_channel_layout_uninit(&chosen);
    av_channel_layout_uninit(&standard);
    return writes;
}

// Names the step of the encoder set-up that refused, in the order the set-up
// takes them.
std::string RefusalReason(const OutputAudioParams& params, int error) {
    const AVCodec* codec = FindOutputEncoder(params.codecId);
    const std::string encoder = "the " + CodecName(params.codecId) + " encoder";
    if (!codec) {
        return "FFmpeg has no encoder for " + CodecName(params.codecId);
    }
    if (!EncoderTakesSampleRate(codec, params.sampleRate)) {
        return encoder + " takes only " + ListedSampleRates(codec) + " Hz, not " +
               std::to_string(params.sampleRate);
    }
    if (!WritesChannels(codec, params.channels)) {
        return encoder + " cannot write " + std::to_string(params.channels) + " channels";
    }
    const std::string channels =
        params.channels == 1 ? "1 channel" : std::to_string(params.channels) + " channels";
    return encoder + " refuses to open at " + std::to_string(params.sampleRate) + " Hz, " +
           channels + ", " + std::to_string(params.bitRate) + " bit/s (" + ErrorText(error) + ")";
}

// The source only steers which of the encoder's own sample formats and
// layouts the set-up picks, so any source stands for all; float planes are
// what most decoders give.
EncoderSource CheckedSource(const AVChannelLayout& layout, std::string_view extension) {
    EncoderSource source;
    source.sampleFormat = AV_SAMPLE_FMT_FLTP;
    source.layout = &layout;
    if (!extension.empty()) {
        const std::string name = "x" + std::string(extension);
        const AVOutputFormat* format = av_guess_format(nullptr, name.c_str(), nullptr);
        source.globalHeader = format && (format->flags & AVFMT_GLOBALHEADER);
    }
    return source;
}

// PCM and lossless encoders size their output by the sample rate and the
// channels alone; a bit rate means nothing to them.
bool TakesBitRate(int codecId) {
    const auto id = static_cast<AVCodecID>(codecId);
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
    const bool lossless = descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
    return av_get_bits_per_sample(id) == 0 && !lossless;
}

FramePtr SilentFrame(const AVCodecContext* encoder) {
    FramePtr frame(av_frame_alloc());
    if (!frame) {
        return frame;
    }
    constexpr int kVariableFrameSamples = 1024;
    frame->nb_samples = encoder->frame_size > 0 ? encoder->frame_size : kVariableFrameSamples;
    frame->format = encoder->sample_fmt;
    frame->sample_rate = encoder->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0) {
        return nullptr;
    }
    av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, frame->ch_layout.nb_channels,
                           encoder->sample_fmt);
    return frame;
}

// Feeds silence until the encoder gives its first packet, draining it at the
// end if its delay is longer than the frames fed. Leaves the encoder flushed.
PacketPtr FirstEncodedPacket(AVCodecContext* encoder) {
    PacketPtr packet(av_packet_alloc());
    FramePtr frame = SilentFrame(encoder);
    if (!packet || !frame) {
        return nullptr;
    }
    constexpr int kFramesFed = 8;
    for (int index = 0; index < kFramesFed; ++index) {
        frame->pts = static_cast<int64_t>(index) * frame->nb_samples;
        if (avcodec_send_frame(encoder, frame.get()) < 0) {
            return nullptr;
        }
        if (avcodec_receive_packet(encoder, packet.get()) == 0) {
            return packet;
        }
    }
    avcodec_send_frame(encoder, nullptr);
    return avcodec_receive_packet(encoder, packet.get()) == 0 ? std::move(packet) : nullptr;
}

struct ParametersFreer {
    void operator()(AVCodecParameters* parameters) const { avcodec_parameters_free(&parameters); }
};
using ParametersPtr = std::unique_ptr<AVCodecParameters, ParametersFreer>;

// The bit rate FFmpeg's own decoder reads from the encoder's first packet; 0
// when the codec's packets do not carry it or it cannot be read.
int64_t BitRateReadBack(AVCodecContext* encoder) {
    const PacketPtr packet = FirstEncodedPacket(encoder);
    const AVCodec* codec = packet ? avcodec_find_decoder(encoder->codec_id) : nullptr;
    CodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    ParametersPtr parameters(avcodec_parameters_alloc());
    FramePtr frame(av_frame_alloc());
    if (!decoder || !parameters || !frame ||
        avcodec_parameters_from_context(parameters.get(), encoder) < 0 ||
        avcodec_parameters_to_context(decoder.get(), parameters.get()) < 0) {
        return 0;
    }
    // A decoder fills in the bit rate of the stream only when it has none.
    decoder->bit_rate = 0;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0 ||
        avcodec_send_packet(decoder.get(), packet.get()) < 0) {
        return 0;
    }
    avcodec_receive_frame(decoder.get(), frame.get());
    return decoder->bit_rate;
}

// Some encoders keep the bit rate asked for in their context while their
// frame format caps it lower (LAME at MPEG-2 rates writes at most 160 kbit/s);
// their packets tell the truth, so the lower of the two counts.
int64_t BitRateInUse(AVCodecContext* encoder) {
    const int64_t readBack = BitRateReadBack(encoder);
    return readBack > 0 ? std::min(readBack, encoder->bit_rate) : encoder->bit_rate;
}

std::string LoweredBitRateReason(const OutputAudioParams& params, int64_t inUse) {
    return "the " + CodecName(params.codecId) + " encoder writes " + std::to_string(inUse) +
           " bit/s at " + std::to_string(params.sampleRate) + " Hz, not the " +
           std::to_string(params.bitRate) + " asked for";
}

EncoderCheck CheckConcreteParams(const OutputAudioParams& params, std::string_view extension) {
    AVChannelLayout layout{};
    if (params.channels > 0) {
        av_channel_layout_default(&layout, params.channels);
    }
    CodecContextPtr encoder;
    const int opened = OpenAudioEncoder(params, CheckedSource(layout, extension), encoder);
    av_channel_layout_uninit(&layout);
    if (opened < 0) {
        return {false, RefusalReason(params, opened)};
    }
    if (TakesBitRate(params.codecId)) {
        if (const int64_t inUse = BitRateInUse(encoder.get()); inUse < params.bitRate) {
            return {false, LoweredBitRateReason(params, inUse), inUse};
        }
    }
    const std::string fileName = "x" + std::string(extension);
    if (!extension.empty() && !OutputContainerTakes(fileName.c_str(), params.codecId)) {
        return {false, "a " + std::string(extension) + " file cannot hold " +
                           CodecName(params.codecId) + " audio"};
    }
    return {true, ""};
}

// The sources a "Same as source" choice is checked for: which ones a batch
// will hold is known only when its rows convert them, and these are the
// commonest.
constexpr int kUsualSourceRates[] = {44100, 48000};
constexpr int kUsualSourceChannels = 2;

} // namespace

EncoderCheck CheckEncoderOpens(const OutputAudioParams& params, std::string_view extension) {
    if (params.sampleRate != kSameAsSource && params.channels != kSameAsSource) {
        return CheckConcreteParams(params, extension);
    }
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, kUsualSourceChannels);
    EncoderSource source;
    source.sampleFormat = AV_SAMPLE_FMT_FLTP;
    source.layout = &layout;
    for (const int rate : kUsualSourceRates) {
        OutputAudioParams fitted = params;
        if (!FitOutputToSource(fitted, rate, source)) {
            return {false, "the " + CodecName(params.codecId) + " encoder takes nothing near a " +
                               std::to_string(rate) + " Hz stereo source"};
        }
        if (EncoderCheck check = CheckConcreteParams(fitted, extension); !check.opens) {
            return check;
        }
    }
    return {true, ""};
}

std::string EncoderRefusalMessage(std::string_view encoderName, std::string_view sampleRateText,
                                  std::string_view channelText, std::string_view bitRateText) {
    return "The " + std::string(encoderName) + " encoder cannot write " +
           std::string(sampleRateText) + ", " + std::string(channelText) + " at " +
           std::string(bitRateText) + ". Please choose another sample rate, bit rate or channel.";
}
