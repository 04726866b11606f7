#include "engine/media_input.h"

#include "engine/stream_choice.h"

#include <sys/stat.h>

namespace {

constexpr const char* kLocalProtocols = "file";

// Only regular files are media files here: opening a FIFO would block until
// someone writes to it, and a device can be read without end.
bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string LocalFileUrl(const std::string& path) {
    return "file:" + path;
}

int OpenMediaInput(const std::string& path, InputFormatPtr& input) {
    input.reset();
    if (!IsRegularFile(path)) {
        return ProbeCannotOpen;
    }
    DictionaryHolder options;
    av_dict_set(options.get(), "protocol_whitelist", kLocalProtocols, 0);
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, LocalFileUrl(path).c_str(), nullptr, options.get()) < 0) {
        return ProbeCannotOpen; // avformat_open_input frees ctx on failure
    }
    input.reset(ctx);
    if (avformat_find_stream_info(ctx, nullptr) < 0) {
        input.reset();
        return ProbeNoStreamInfo;
    }
    return ProbeOk;
}

void FindStreams(const AVFormatContext* input, AVConvert& engine) {
    engine.m_streamCount = static_cast<int32_t>(input->nb_streams);
    engine.m_videoStream = ConvertedStreamOfType(input, AVMEDIA_TYPE_VIDEO);
    engine.m_audioStream = ConvertedStreamOfType(input, AVMEDIA_TYPE_AUDIO);
}

int OpenStreamDecoder(const AVStream* stream, CodecContextPtr& decoder, int audioThreads) {
    decoder.reset();
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        return ProbeNoVideoDecoder;
    }
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0) {
        return ProbeVideoDecoderFailed;
    }
    ctx->pkt_timebase = stream->time_base;
    // Pictures are never decoded here; one thread is all an open needs.
    if (codec->type == AVMEDIA_TYPE_VIDEO) {
        ctx->thread_count = 1;
    } else if (audioThreads > 1 && (codec->capabilities & AV_CODEC_CAP_FRAME_THREADS)) {
        ctx->thread_count = audioThreads;
        ctx->thread_type = FF_THREAD_FRAME;
    }
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) {
        return ProbeVideoDecoderFailed;
    }
    decoder = std::move(ctx);
    return 0;
}

static void ReadFrameRate(const AVStream* stream, AVConvert& engine) {
    int num = stream->r_frame_rate.num;
    int den = stream->r_frame_rate.den;
    if (den != 0) {
        engine.m_frameRate = static_cast<double>(num / den);
    }
    // A rate above 1000 fps is a mis-stored NTSC rate.
    if (engine.m_frameRate > 1000) {
        den = 1001;
        engine.m_frameRate = static_cast<double>(num / 1001);
    }
    engine.m_frameRateDen = den;
    engine.m_frameRateNum = num;
}

void ReadVideoFacts(const AVFormatContext* input, const AVCodecContext* videoDecoder,
                    AVConvert& engine) {
    if (engine.m_videoStream < 0 || !videoDecoder) {
        engine.m_videoHeight = 0;
        engine.m_videoWidth = 0;
        engine.m_videoCodecId = 0;
        engine.m_videoBitRate = 0;
        return;
    }
    engine.m_videoHeight = videoDecoder->height;
    engine.m_videoWidth = videoDecoder->width;
    engine.m_videoCodecId = videoDecoder->codec_id;
    engine.m_videoBitRate = static_cast<int32_t>(videoDecoder->bit_rate);
    ReadFrameRate(input->streams[engine.m_videoStream], engine);
}

void ReadDurationFacts(const AVFormatContext* input, AVConvert& engine) {
    engine.m_durationMicros = input->duration;
    engine.m_startSeconds = 0;
    engine.m_durationSeconds = engine.m_durationMicros / 1000000;
}
