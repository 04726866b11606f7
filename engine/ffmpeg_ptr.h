// Owning holders for FFmpeg objects: each object has exactly one owner and is
// freed with its matching function on every path.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

struct InputFormatCloser {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatCloser>;

// An output container context; closes its I/O context too when one was opened.
struct OutputFormatCloser {
    void operator()(AVFormatContext* ctx) const {
        if (ctx->pb && !(ctx->oformat->flags & AVFMT_NOFILE)) {
            avio_closep(&ctx->pb);
        }
        avformat_free_context(ctx);
    }
};
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatCloser>;

struct CodecContextFreer {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;

struct PacketFreer {
    void operator()(AVPacket* pkt) const { av_packet_free(&pkt); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;

struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

// A pool's buffers outlive it: the pool goes once the last of them returns.
struct BufferPoolFreer {
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolFreer>;

struct SwrFreer {
    void operator()(SwrContext* ctx) const { swr_free(&ctx); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;

struct AudioFifoFreer {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFreer>;

// A dictionary of options; whatever the callee leaves unconsumed is freed here.
class DictionaryHolder {
public:
    DictionaryHolder() = default;
    ~DictionaryHolder() { av_dict_free(&m_dict); }
    DictionaryHolder(const DictionaryHolder&) = delete;
    DictionaryHolder& operator=(const DictionaryHolder&) = delete;
    AVDictionary** get() { return &m_dict; }

private:
    AVDictionary* m_dict = nullptr;
};
