// The batch worker: converts every row of a batch into its own output file.
#include "engine/audio_transcoder.h"
#include "engine/av_convert.h"
#include "engine/cover_art.h"
#include "engine/failure_reason.h"
#include "engine/media_input.h"
#include "engine/output_naming.h"
#include "engine/tag_copy.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Everything one row opens. Members are released in reverse order: the
// transcoder first, the input last.
struct RowResources {
    InputFormatPtr input;
    CodecContextPtr videoDecoder;
    CodecContextPtr audioDecoder;
    OutputFormatPtr output;
    AudioTranscoder transcoder;
    CoverArt cover;
    std::string workFile;                // the hidden file this row writes, until it is published
    FailureReason failure = FailureNone; // why the row failed, once it has
};

// Notes why the row fails; the first reason found is the one reported.
bool Fail(RowResources& res, FailureReason reason) {
    if (res.failure == FailureNone) {
        res.failure = reason;
    }
    return false;
}

bool FailOnOutputError(RowResources& res, int averror) {
    return Fail(res, ReasonForOutputError(averror));
}

bool OpenSource(AVConvert& engine, int row, RowResources& res) {
    // The file was accepted when it was added: failing to open it now, or its
    // picture's decoder, means it is no longer what was added.
    if (OpenMediaInput(engine.m_inputPaths[row], res.input) != ProbeOk) {
        return Fail(res, FailureSourceChanged);
    }
    FindStreams(res.input.get(), engine);
    if (engine.m_videoStream >= 0 &&
        OpenStreamDecoder(res.input->streams[engine.m_videoStream], res.videoDecoder) != 0) {
        return Fail(res, FailureSourceChanged);
    }
    if (engine.m_audioStream >= 0 &&
        OpenStreamDecoder(res.input->streams[engine.m_audioStream], res.audioDecoder) != 0) {
        return Fail(res, FailureNoSound);
    }
    ReadDurationFacts(res.input.get(), engine);
    ReadVideoFacts(res.input.get(), res.videoDecoder.get(), engine);
    return true;
}

// The part of the source to convert. A clip that ends at the source's whole
// second duration means "to the end": the seconds are truncated, the sound
// is not.
ClipWindow RowClip(const AVConvert& engine, int row, const AVFormatContext* input) {
    ClipWindow clip;
    clip.start = engine.m_clipStart[row];
    const bool toTheEnd =
        engine.m_durationSeconds >= 0 && engine.m_clipEnd[row] >= engine.m_durationSeconds;
    clip.length = toTheEnd ? std::numeric_limits<double>::infinity() : engine.m_clipLength[row];
    if (engine.m_audioStream >= 0 && input->start_time != AV_NOPTS_VALUE) {
        const AVStream* audio = input->streams[engine.m_audioStream];
        clip.sourceStartPts = av_rescale_q(input->start_time, AV_TIME_BASE_Q, audio->time_base);
    }
    return clip;
}

bool PrepareOutput(AVConvert& engine, int row, RowResources& res, const ClipWindow& clip) {
    const std::string& path = engine.m_outputPaths[row];
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!format) {
        return Fail(res, FailureEncoderRefused);
    }
    AVFormatContext* ctx = nullptr;
    if (avformat_alloc_output_context2(&ctx, format, nullptr, path.c_str()) < 0 || !ctx) {
        return Fail(res, FailureEncoderRefused);
    }
    res.output.reset(ctx);
    // Without sound the output would have no stream: fail before any file exists.
    if (engine.m_audioStream < 0) {
        return Fail(res, FailureNoSound);
    }
    OutputAudioParams params;
    params.codecId = engine.m_audioCodecId;
    params.bitRate = engine.m_audioBitRate;
    params.sampleRate = engine.m_sampleRate;
    params.channels = engine.m_channels;
    if (SetupAudioTranscoder(res.transcoder, ctx, res.audioDecoder.get(), params, clip) < 0) {
        return Fail(res, FailureEncoderRefused);
    }
    CopySourceTags(res.input.get(), res.input->streams[engine.m_audioStream], ctx,
                   res.transcoder.outputStream);
    if (const int ret = AddCoverArt(res.input.get(), ctx, res.transcoder.outputStream, res.cover);
        ret < 0) {
        return FailOnOutputError(res, ret);
    }
    return true;
}

bool CreateOutputFile(AVConvert& engine, int row, RowResources& res) {
    if (const int ret = CreateWorkFile(engine.m_outputPaths[row], res.workFile); ret < 0) {
        return FailOnOutputError(res, ret);
    }
    AVFormatContext* out = res.output.get();
    if (!(out->oformat->flags & AVFMT_NOFILE)) {
        DictionaryHolder options;
        av_dict_set(options.get(), "protocol_whitelist", "file", 0);
        if (const int ret = avio_open2(&out->pb, LocalFileUrl(res.workFile).c_str(),
                                       AVIO_FLAG_WRITE, nullptr, options.get());
            ret < 0) {
            return FailOnOutputError(res, ret);
        }
    }
    if (const int ret = avformat_write_header(out, nullptr); ret < 0) {
        return FailOnOutputError(res, ret);
    }
    if (const int ret = WriteCoverArt(out, res.cover); ret < 0) {
        return FailOnOutputError(res, ret);
    }
    return true;
}

// Closes the finished file and gives it its output name, the first of the
// row's candidates that is free now.
bool PublishOutput(AVConvert& engine, int row, RowResources& res) {
    res.transcoder.outputStream = nullptr; // freed with the output context
    res.output.reset();
    std::string chosen;
    if (const int ret = PublishOutputFile(res.workFile, engine.m_outputPaths[row], chosen);
        ret < 0) {
        return FailOnOutputError(res, ret);
    }
    engine.m_outputPaths[row] = chosen;
    res.workFile.clear();
    return true;
}

void SeekToClipStart(AVConvert& engine, int row, AVFormatContext* input) {
    if (engine.m_clipStart[row] != 0) {
        int64_t target = static_cast<int64_t>(engine.m_clipStart[row] * 1000000.0);
        if (input->start_time != AV_NOPTS_VALUE) {
            target += input->start_time;
        }
        av_seek_frame(input, -1, target, AVSEEK_FLAG_BACKWARD);
    }
    engine.m_clipStart[row] = 0;
}

int RowProgress(const AudioTranscoder& t, double target) {
    if (!(target > 0)) {
        return 0;
    }
    const double percent = WrittenSeconds(t) * 100.0 / target;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

// Reads, decodes and encodes until the source or the clip ends, a stop is
// requested or writing fails. Returns true when the source's end was reached.
bool RunPacketLoop(AVConvert& engine, RowResources& res, const ClipWindow& clip) {
    AudioTranscoder& t = res.transcoder;
    const double target = std::isinf(clip.length)
                              ? static_cast<double>(engine.m_durationMicros) / 1e6 - clip.start
                              : clip.length;
    PacketPtr packet(av_packet_alloc());
    if (!packet) {
        t.failed = true;
        return FailOnOutputError(res, AVERROR(ENOMEM));
    }
    while (!StopRequested(engine) && !t.clipEnded) {
        if (av_read_frame(res.input.get(), packet.get()) < 0) {
            return true;
        }
        if (packet->stream_index == engine.m_audioStream) {
            const int ret = TranscodePacket(t, packet.get());
            StoreRelaxed(engine.m_progress, RowProgress(t, target));
            if (ret < 0) {
                t.failed = true;
                FailOnOutputError(res, ret);
            }
        }
        av_packet_unref(packet.get());
        if (t.failed) {
            return false;
        }
    }
    return false;
}

// Converts one row; returns its status.
uint8_t ConvertRow(AVConvert& engine, int row, RowResources& res) {
    if (!OpenSource(engine, row, res)) {
        return TaskFailed;
    }
    const ClipWindow clip = RowClip(engine, row, res.input.get());
    if (!PrepareOutput(engine, row, res, clip) || !CreateOutputFile(engine, row, res)) {
        return TaskFailed;
    }
    SeekToClipStart(engine, row, res.input.get());
    const bool sourceEnded = RunPacketLoop(engine, res, clip);

    AudioTranscoder& t = res.transcoder;
    if (!t.failed) {
        if (const int ret = FinishAudioTranscoder(t, sourceEnded); ret < 0) {
            t.failed = true;
            FailOnOutputError(res, ret);
        }
    }
    // A source whose every audio packet failed to decode gives a file without
    // sound; that is no conversion.
    if (!t.failed && sourceEnded && clip.length > 0 && !t.positionKnown) {
        t.failed = true;
        Fail(res, FailureNoSound);
    }
    if (const int ret = av_write_trailer(res.output.get()); ret < 0) {
        FailOnOutputError(res, ret);
        return TaskFailed;
    }
    StoreRelaxed(engine.m_progress, 100);
    if (t.failed || !PublishOutput(engine, row, res)) {
        return TaskFailed;
    }
    return StopRequested(engine) ? TaskPending : TaskCompleted;
}

// A failed row leaves nothing behind that could pass for a conversion.
void DiscardOutput(RowResources& res) {
    if (res.workFile.empty()) {
        return;
    }
    res.output.reset(); // closes the file first
    std::remove(res.workFile.c_str());
}

void ResetRowState(AVConvert& engine) {
    StoreRelaxed(engine.m_progress, -1);
    engine.m_videoStream = -1;
    engine.m_audioStream = -1;
}

} // namespace

void ConvertBatchProc(AVConvert* engine) {
    for (int row = 0; row < engine->m_taskCount; ++row) {
        engine->m_taskReason[row].store(FailureNone, std::memory_order_relaxed);
        SetTaskStatus(*engine, row, TaskPending);
    }
    StoreRelaxed(engine->m_currentTask, 0);
    for (int row = 0; row < engine->m_taskCount; row = LoadRelaxed(engine->m_currentTask)) {
        if (StopRequested(*engine)) {
            return;
        }
        ResetRowState(*engine);
        {
            RowResources res;
            const uint8_t status = ConvertRow(*engine, row, res);
            if (status == TaskFailed) {
                DiscardOutput(res);
                SetTaskFailure(*engine, row, res.failure);
            } else {
                SetTaskStatus(*engine, row, status);
            }
        }
        StoreRelaxed(engine->m_currentTask, row + 1);
    }
}
