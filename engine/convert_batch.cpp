// The batch worker: converts every row of a batch into its own output file.
#include "engine/audio_transcoder.h"
#include "engine/av_convert.h"
#include "engine/convert_row.h"
#include "engine/cover_art.h"
#include "engine/failure_reason.h"
#include "engine/media_input.h"
#include "engine/output_naming.h"
#include "engine/source_end.h"
#include "engine/tag_copy.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <set>
#include <thread>

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
    WorkFile workFile;  // the hidden file this row writes, until it is published
    RowFailure failure; // why the row failed, once it has
};

// A demuxer that has nothing yet (EAGAIN) is asked again after a short pause,
// for at most this many times in a row.
constexpr int kReadRetries = 200;
constexpr auto kReadRetryPause = std::chrono::milliseconds(10);

// Notes why the row fails; the first reason found is the one reported.
bool Fail(RowResources& res, FailureReason reason) {
    if (res.failure.reason == FailureNone) {
        res.failure.reason = reason;
    }
    return false;
}

bool FailAsDamaged(RowResources& res, int32_t seconds) {
    if (res.failure.reason == FailureNone) {
        res.failure.damagedAtSeconds = seconds;
    }
    return Fail(res, FailureDamaged);
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
    res.transcoder.writeBack.fd = res.workFile.fd;
    AVFormatContext* out = res.output.get();
    if (!(out->oformat->flags & AVFMT_NOFILE)) {
        DictionaryHolder options;
        av_dict_set(options.get(), "protocol_whitelist", "file", 0);
        if (const int ret = avio_open2(&out->pb, LocalFileUrl(res.workFile.path).c_str(),
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

// Closes the written file. Network and FUSE file systems report delayed
// write and quota errors only when the file is closed: such a file is not
// finished.
// Returns 0 or the first error met.
int CloseOutputFile(RowResources& res) {
    AVFormatContext* out = res.output.get();
    if (!out->pb || (out->oformat->flags & AVFMT_NOFILE)) {
        return 0;
    }
    avio_flush(out->pb);
    const int written = out->pb->error;
    const int closed = avio_closep(&out->pb);
    return written < 0 ? written : std::min(closed, 0);
}

// Gives the closed file its output name, the first of the row's candidates
// that is free now.
bool PublishOutput(AVConvert& engine, int row, RowResources& res) {
    res.transcoder.outputStream = nullptr; // freed with the output context
    res.output.reset();
    std::string chosen;
    if (const int ret = PublishOutputFile(res.workFile, engine.m_outputPaths[row], chosen);
        ret < 0) {
        return FailOnOutputError(res, ret);
    }
    engine.m_outputPaths[row] = chosen;
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

// The next packet of the source: 0, AVERROR_EOF at its real end, or the
// error that cut the reading short. A read error is never taken for the end
// of the source, nor for data the demuxer could not parse, whatever the
// demuxer made of it.
int ReadNextPacket(AVConvert& engine, AVFormatContext* input, AVPacket* packet) {
    for (int retry = 0;; ++retry) {
        const int ret = av_read_frame(input, packet);
        if (ret == AVERROR(EAGAIN) && retry < kReadRetries && !StopRequested(engine)) {
            std::this_thread::sleep_for(kReadRetryPause);
            continue;
        }
        if (ret < 0 && input->pb && input->pb->error < 0 && input->pb->error != AVERROR_EOF) {
            return input->pb->error;
        }
        return ret;
    }
}

// Reads, decodes and encodes until the source or the clip ends, a stop is
// requested or reading or writing fails. Returns true when the source's end
// was reached.
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
    SourceReading reading = FollowSourceReading(res.input.get(), engine.m_audioStream);
    while (!StopRequested(engine) && !t.clip.ended) {
        if (const int ret = ReadNextPacket(engine, res.input.get(), packet.get()); ret < 0) {
            if (ret == AVERROR_EOF) {
                return true;
            }
            if (ret == AVERROR_INVALIDDATA) {
                // A tag or stray bytes after the last audio block end the
                // source; anything that cuts its duration short is damage.
                if (ReadWholeDuration(reading, res.input.get())) {
                    return true;
                }
                t.failed = true;
                return FailAsDamaged(res, ReadSeconds(reading));
            }
            // A failing disk or a pulled stick: the source is no longer what
            // was added. Data no decoder could take before that is no sound.
            t.failed = true;
            return Fail(res, t.clip.placed ? FailureSourceChanged : FailureNoSound);
        }
        if (packet->stream_index == engine.m_audioStream) {
            NoteAudioPacket(reading, packet.get());
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
uint8_t ConvertRow(AVConvert& engine, int row, RowResources& res,
                   const BeforePublish& beforePublish) {
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
    // Whether the row is whole is settled here: a stop that comes later, while
    // the finished file waits for its name, cuts nothing short.
    const bool whole = sourceEnded || t.clip.ended;

    if (!t.failed) {
        if (const int ret = FinishAudioTranscoder(t, sourceEnded); ret < 0) {
            t.failed = true;
            FailOnOutputError(res, ret);
        }
    }
    // A source whose every audio packet failed to decode gives a file without
    // sound; that is no conversion.
    if (!t.failed && sourceEnded && clip.length > 0 && !t.clip.placed) {
        t.failed = true;
        Fail(res, FailureNoSound);
    }
    if (const int ret = av_write_trailer(res.output.get()); ret < 0) {
        FailOnOutputError(res, ret);
        return TaskFailed;
    }
    if (const int ret = CloseOutputFile(res); ret < 0) {
        FailOnOutputError(res, ret);
        return TaskFailed;
    }
    StoreRelaxed(engine.m_progress, 100);
    if (t.failed) {
        return TaskFailed;
    }
    // A file without a single sample opens in no player; only an empty clip
    // asked for on purpose is written that way.
    if (clip.length > 0 && !WroteSound(t)) {
        if (whole) {
            Fail(res, FailureNoSound);
            return TaskFailed;
        }
        engine.m_outputPaths[row].clear(); // stopped before any sound: no file at all
        return TaskPending;
    }
    if (beforePublish) {
        beforePublish();
    }
    if (!PublishOutput(engine, row, res)) {
        return TaskFailed;
    }
    return whole ? TaskCompleted : TaskPending;
}

// Whatever a row did not publish is removed: nothing is left behind that
// could pass for a conversion.
void DiscardOutput(RowResources& res) {
    res.transcoder.outputStream = nullptr;
    res.output.reset(); // closes the file first
    DiscardWorkFile(res.workFile);
}

// Work files of converters that crashed in the batch's output folders.
void RemoveLeftWorkFiles(const AVConvert& engine) {
    std::set<std::string> folders;
    for (int row = 0; row < engine.m_taskCount; ++row) {
        const std::string& output = engine.m_outputPaths[row];
        const size_t slash = output.rfind('/');
        if (!engine.m_inputPaths[row].empty() && slash != std::string::npos) {
            folders.insert(slash == 0 ? "/" : output.substr(0, slash));
        }
    }
    for (const std::string& folder : folders) {
        RemoveStaleWorkFiles(folder);
    }
}

void ResetRowState(AVConvert& engine) {
    StoreRelaxed(engine.m_progress, -1);
    engine.m_videoStream = -1;
    engine.m_audioStream = -1;
}

} // namespace

uint8_t ConvertBatchRow(AVConvert& engine, int row, const BeforePublish& beforePublish,
                        RowFailure& failure) {
    ResetRowState(engine);
    RowResources res;
    const uint8_t status = ConvertRow(engine, row, res, beforePublish);
    DiscardOutput(res);
    failure = res.failure;
    return status;
}

namespace {

void ConvertRowsOneByOne(AVConvert& engine) {
    for (int row = 0; row < engine.m_taskCount; row = LoadRelaxed(engine.m_currentTask)) {
        if (StopRequested(engine)) {
            return;
        }
        SetTaskProgress(engine, row, 0);
        RowFailure failure;
        const uint8_t status = ConvertBatchRow(engine, row, nullptr, failure);
        SetTaskProgress(engine, row, std::max(0, LoadRelaxed(engine.m_progress)));
        if (status == TaskFailed) {
            SetTaskFailure(engine, row, failure);
        } else {
            SetTaskStatus(engine, row, status);
        }
        // Release: whoever sees the new row also sees the finished row's status.
        PublishCurrentTask(engine, row + 1);
    }
}

} // namespace

void ConvertBatchProc(AVConvert* engine) {
    for (int row = 0; row < engine->m_taskCount; ++row) {
        engine->m_taskReason[row].store(FailureNone, std::memory_order_relaxed);
        SetTaskStatus(*engine, row, TaskPending);
        SetTaskProgress(*engine, row, -1);
    }
    RemoveLeftWorkFiles(*engine);
    PublishCurrentTask(*engine, 0);
    // With no thread to spare, this thread converts the rows itself.
    if (engine->m_jobCount <= 1 || engine->m_taskCount <= 1 || !ConvertRowsSideBySide(*engine)) {
        ConvertRowsOneByOne(*engine);
    }
}
