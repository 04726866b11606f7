// The batch worker: converts every row of a batch into its own output file.
//
// Each step of a row returns why the row fails, FailureNone meaning "go on";
// the first reason met is the one reported.
#include "engine/album_gain.h"
#include "engine/audio_transcoder.h"
#include "engine/av_convert.h"
#include "engine/container_length.h"
#include "engine/convert_row.h"
#include "engine/cover_art.h"
#include "engine/failure_reason.h"
#include "engine/loudness_analysis.h"
#include "engine/media_input.h"
#include "engine/output_naming.h"
#include "engine/sample_format.h"
#include "engine/source_end.h"
#include "engine/source_fit.h"
#include "engine/stream_choice.h"
#include "engine/tag_copy.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <set>
#include <thread>

namespace {

// What the row reads of its source once it is open.
struct SourceFacts {
    int audioStream = -1;
    int videoStream = -1;
    int64_t durationMicros = 0;
};

// Everything one row opens. Members are released in reverse order: the
// transcoder first, the input last.
struct RowResources {
    InputFormatPtr input;
    SourceFacts source;
    CodecContextPtr videoDecoder;
    CodecContextPtr audioDecoder;
    OutputFormatPtr output;
    AudioTranscoder transcoder;
    CoverArt cover;
    WorkFile workFile; // the hidden file this row writes, until it is published
    // The finished work file handed to the batch's ReplayGain, and how its
    // container keeps tags.
    std::unique_ptr<WorkFile> keptFile;
    GainTagStyle tagStyle = GainTagStyle::None;
};

// How the packet loop ended; a failure carries its reason.
enum class LoopEndKind { SourceEnded, ClipEnded, Stopped, Failed };

struct LoopEnd {
    LoopEndKind kind = LoopEndKind::SourceEnded;
    RowFailure failure;
};

// What writing the work file gave.
struct WrittenRow {
    RowFailure failure;
    bool soundWanted = false; // the clip is not empty
    bool whole = false;       // the source or the clip ended: no stop cut it short
};

// A demuxer that has nothing yet (EAGAIN) is asked again after a short pause,
// for at most this many times in a row.
constexpr int kReadRetries = 200;
constexpr auto kReadRetryPause = std::chrono::milliseconds(10);

constexpr RowFailure kGoOn{};

bool IsFailure(const RowFailure& failure) {
    return failure.reason != FailureNone;
}

RowFailure Failure(FailureReason reason) {
    return RowFailure{reason, 0};
}

RowFailure OutputFailure(int averror) {
    return Failure(ReasonForOutputError(averror));
}

RowFailure FirstOf(const RowFailure& first, const RowFailure& then) {
    return IsFailure(first) ? first : then;
}

// The row's length in seconds, to the end of the source for an open clip.
double RowSeconds(const ClipWindow& clip, const SourceFacts& source) {
    return std::isinf(clip.length) ? static_cast<double>(source.durationMicros) / 1e6 - clip.start
                                   : clip.length;
}

// Whether the row's encoding goes to chunk encoders (engine/split_encoding.h):
// cores are idle, the row is long, and its format joins seamlessly.
bool WillSplit(const RowJob& job, const OutputAudioParams& params, double seconds) {
    if (job.splitWays < 2 || !(seconds > kSplitMinSeconds)) {
        return false;
    }
    const AVCodec* encoder = FindOutputEncoder(params.codecId);
    const AVOutputFormat* format = av_guess_format(nullptr, job.outputPath.c_str(), nullptr);
    return encoder && format && SplitsEncoder(encoder->id, format);
}

RowFailure OpenSource(const RowJob& job, const OutputAudioParams& params, RowResources& res) {
    // The file was accepted when it was added: failing to open it now, or its
    // picture's decoder, means it is no longer what was added.
    if (OpenMediaInput(job.inputPath, res.input) != ProbeOk) {
        return Failure(FailureSourceChanged);
    }
    SourceFacts& source = res.source;
    source.videoStream = ConvertedStreamOfType(res.input.get(), AVMEDIA_TYPE_VIDEO);
    source.audioStream = ConvertedStreamOfType(res.input.get(), AVMEDIA_TYPE_AUDIO);
    source.durationMicros = res.input->duration;
    if (source.videoStream >= 0 &&
        OpenStreamDecoder(res.input->streams[source.videoStream], res.videoDecoder) != 0) {
        return Failure(FailureSourceChanged);
    }
    // A split row's chunks are encoded on the idle cores. With many of them
    // the row's own decoding would hold the encoders up, so a decoder that can
    // decode on those cores too does; with few, handing frames between its
    // threads costs more than it gives (on two cores, 12 % more CPU for
    // FLAC to FLAC).
    const ClipWindow clip = RowClipWindow(job, res.input.get(), source.audioStream);
    const bool split = WillSplit(job, params, RowSeconds(clip, source));
    const int decoderThreads = split && job.splitWays >= kThreadedDecodeWays ? job.splitWays : 1;
    if (source.audioStream >= 0 && OpenStreamDecoder(res.input->streams[source.audioStream],
                                                     res.audioDecoder, decoderThreads) != 0) {
        return Failure(FailureNoSound);
    }
    return kGoOn;
}

ClipWindow RowClip(const RowJob& job, const RowResources& res) {
    return RowClipWindow(job, res.input.get(), res.source.audioStream);
}

RowFailure PrepareOutput(const RowJob& job, const OutputAudioParams& params, RowResources& res,
                         const ClipWindow& clip) {
    const std::string& path = job.outputPath;
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!format) {
        return Failure(FailureEncoderRefused);
    }
    AVFormatContext* ctx = nullptr;
    if (avformat_alloc_output_context2(&ctx, format, nullptr, path.c_str()) < 0 || !ctx) {
        return Failure(FailureEncoderRefused);
    }
    res.output.reset(ctx);
    // Without sound the output would have no stream: fail before any file exists.
    if (res.source.audioStream < 0) {
        return Failure(FailureNoSound);
    }
    // "Same as source" is this row's source.
    OutputAudioParams rowParams = params;
    if (!FitOutputToDecoder(rowParams, res.audioDecoder.get())) {
        return Failure(FailureNothingFits);
    }
    if (SetupAudioTranscoder(res.transcoder, ctx, res.audioDecoder.get(), rowParams, clip) < 0) {
        return Failure(FailureEncoderRefused);
    }
    CopySourceTags(res.input.get(), res.input->streams[res.source.audioStream], ctx,
                   res.transcoder.outputStream);
    ApplyRowTags(job.track.tags, ctx, res.transcoder.outputStream);
    if (const int ret = AddCoverArt(res.input.get(), ctx, res.transcoder.outputStream, res.cover);
        ret < 0) {
        return OutputFailure(ret);
    }
    return kGoOn;
}

// The container header, with the options that let the file say the sound's
// exact length.
int WriteOutputHeader(AVFormatContext* out, const AudioTranscoder& t) {
    DictionaryHolder options;
    AddExactLengthOptions(out->oformat, t.encoder->sample_rate, options.get());
    return avformat_write_header(out, options.get());
}

RowFailure CreateOutputFile(const RowJob& job, RowResources& res) {
    if (const int ret = CreateWorkFile(job.outputPath, res.workFile); ret < 0) {
        return OutputFailure(ret);
    }
    res.transcoder.writeBack.fd = res.workFile.fd;
    AVFormatContext* out = res.output.get();
    if (!(out->oformat->flags & AVFMT_NOFILE)) {
        DictionaryHolder options;
        av_dict_set(options.get(), "protocol_whitelist", "file", 0);
        if (const int ret = avio_open2(&out->pb, LocalFileUrl(res.workFile.path).c_str(),
                                       AVIO_FLAG_WRITE, nullptr, options.get());
            ret < 0) {
            return OutputFailure(ret);
        }
    }
    if (const int ret = WriteOutputHeader(out, res.transcoder); ret < 0) {
        return OutputFailure(ret);
    }
    if (const int ret = WriteCoverArt(out, res.cover); ret < 0) {
        return OutputFailure(ret);
    }
    return kGoOn;
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
RowFailure PublishOutput(const RowJob& job, RowResources& res, std::string& chosen) {
    res.transcoder.outputStream = nullptr; // freed with the output context
    res.output.reset();
    const int ret = job.replaceExisting ? ReplaceOutputFile(res.workFile, job.outputPath, chosen)
                                        : PublishOutputFile(res.workFile, job.outputPath, chosen);
    if (ret < 0) {
        return OutputFailure(ret);
    }
    return kGoOn;
}

void SeekToClipStart(double clipStart, AVFormatContext* input) {
    if (clipStart != 0) {
        int64_t target = static_cast<int64_t>(clipStart * 1000000.0);
        if (input->start_time != AV_NOPTS_VALUE) {
            target += input->start_time;
        }
        av_seek_frame(input, -1, target, AVSEEK_FLAG_BACKWARD);
    }
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
int ReadNextPacket(AVFormatContext* input, AVPacket* packet, const std::atomic<bool>& stop) {
    for (int retry = 0;; ++retry) {
        const int ret = av_read_frame(input, packet);
        if (ret == AVERROR(EAGAIN) && retry < kReadRetries &&
            !stop.load(std::memory_order_relaxed)) {
            std::this_thread::sleep_for(kReadRetryPause);
            continue;
        }
        if (ret < 0 && input->pb && input->pb->error < 0 && input->pb->error != AVERROR_EOF) {
            return input->pb->error;
        }
        return ret;
    }
}

LoopEnd LoopFailed(const RowFailure& failure) {
    return LoopEnd{LoopEndKind::Failed, failure};
}

// What a read that gave no packet means: the source's end, or a failure.
LoopEnd EndOfReading(int ret, const SourceReading& reading, const AVFormatContext* input,
                     const AudioTranscoder& t) {
    if (ret == AVERROR_EOF) {
        return LoopEnd{LoopEndKind::SourceEnded, kGoOn};
    }
    if (ret == AVERROR_INVALIDDATA) {
        // A tag or stray bytes after the last audio block end the source;
        // anything that cuts its duration short is damage.
        if (ReadWholeDuration(reading, input)) {
            return LoopEnd{LoopEndKind::SourceEnded, kGoOn};
        }
        return LoopFailed(RowFailure{FailureDamaged, ReadSeconds(reading)});
    }
    // A failing disk or a pulled stick: the source is no longer what was
    // added. Data no decoder could take before that is no sound.
    return LoopFailed(Failure(t.clip.placed ? FailureSourceChanged : FailureNoSound));
}

// Reads, decodes and encodes until the source or the clip ends, a stop comes
// or reading or writing fails.
LoopEnd RunPacketLoop(RowResources& res, const ClipWindow& clip, std::atomic<int>& percent,
                      const std::atomic<bool>& stop) {
    AudioTranscoder& t = res.transcoder;
    const double target = std::isinf(clip.length)
                              ? static_cast<double>(res.source.durationMicros) / 1e6 - clip.start
                              : clip.length;
    PacketPtr packet(av_packet_alloc());
    if (!packet) {
        return LoopFailed(OutputFailure(AVERROR(ENOMEM)));
    }
    SourceReading reading = FollowSourceReading(res.input.get(), res.source.audioStream);
    while (!t.clip.ended) {
        if (stop.load(std::memory_order_relaxed)) {
            return LoopEnd{LoopEndKind::Stopped, kGoOn};
        }
        if (const int ret = ReadNextPacket(res.input.get(), packet.get(), stop); ret < 0) {
            return EndOfReading(ret, reading, res.input.get(), t);
        }
        if (packet->stream_index == res.source.audioStream) {
            NoteAudioPacket(reading, packet.get());
            const int ret = TranscodePacket(t, packet.get());
            percent.store(RowProgress(t, target), std::memory_order_relaxed);
            if (ret < 0) {
                return LoopFailed(OutputFailure(ret));
            }
        }
        av_packet_unref(packet.get());
    }
    return LoopEnd{LoopEndKind::ClipEnded, kGoOn};
}

// Ends the work file after the packet loop: what the converter and the
// encoder still hold is written when the loop went well; the trailer is
// written and the file closed whatever happened.
RowFailure EndWorkFile(RowResources& res, const ClipWindow& clip, const LoopEnd& end,
                       std::atomic<int>& percent) {
    AudioTranscoder& t = res.transcoder;
    const bool sourceEnded = end.kind == LoopEndKind::SourceEnded;
    RowFailure failure = end.failure;
    if (!IsFailure(failure)) {
        if (const int ret = FinishAudioTranscoder(t, sourceEnded); ret < 0) {
            failure = OutputFailure(ret);
        }
    }
    // A source whose every audio packet failed to decode gives a file without
    // sound; that is no conversion.
    if (!IsFailure(failure) && sourceEnded && clip.length > 0 && !t.clip.placed) {
        failure = Failure(FailureNoSound);
    }
    if (const int ret = av_write_trailer(res.output.get()); ret < 0) {
        return FirstOf(failure, OutputFailure(ret));
    }
    if (const int ret = CloseOutputFile(res); ret < 0) {
        return FirstOf(failure, OutputFailure(ret));
    }
    percent.store(100, std::memory_order_relaxed);
    return failure;
}

// The normalising gain, and the meter of the output's sound when the batch
// writes ReplayGain tags.
RowFailure AttachLoudness(const RowJob& job, RowResources& res) {
    res.transcoder.gain = job.gain;
    if (!job.loudness || !job.loudness->InAlbum(job.row)) {
        return kGoOn;
    }
    LoudnessMeter& meter = job.loudness->MeterOf(job.row);
    if (StartLoudnessMeter(meter, res.transcoder.encoder.get()) < 0) {
        return Failure(FailureEncoderRefused);
    }
    res.transcoder.meter = &meter;
    return kGoOn;
}

// A long row whose format joins seamlessly is encoded on the idle cores;
// without memory for the chunks, on one core as any other row.
void SplitLongRow(const RowJob& job, const OutputAudioParams& params, RowResources& res,
                  const ClipWindow& clip) {
    if (WillSplit(job, params, RowSeconds(clip, res.source))) {
        StartSplitEncoding(res.transcoder, job.splitWays);
    }
}

// Writes the row's work file, from opening the source to closing the file.
WrittenRow WriteWorkFile(const RowJob& job, const OutputAudioParams& params, RowResources& res,
                         std::atomic<int>& percent, const std::atomic<bool>& stop) {
    WrittenRow written;
    written.failure = OpenSource(job, params, res);
    if (IsFailure(written.failure)) {
        return written;
    }
    const ClipWindow clip = RowClip(job, res);
    written.soundWanted = clip.length > 0;
    written.failure = PrepareOutput(job, params, res, clip);
    if (!IsFailure(written.failure)) {
        written.failure = AttachLoudness(job, res);
    }
    if (!IsFailure(written.failure)) {
        written.failure = CreateOutputFile(job, res);
    }
    if (IsFailure(written.failure)) {
        return written;
    }
    SplitLongRow(job, params, res, clip);
    SeekToClipStart(job.clipStart, res.input.get());
    const LoopEnd end = RunPacketLoop(res, clip, percent, stop);
    // Whether the row is whole is settled here: a stop that comes later, while
    // the finished file waits for its name, cuts nothing short.
    written.whole = end.kind == LoopEndKind::SourceEnded || end.kind == LoopEndKind::ClipEnded;
    written.failure = EndWorkFile(res, clip, end, percent);
    if (res.transcoder.meter) {
        FinishLoudnessMeter(*res.transcoder.meter);
    }
    return written;
}

RowResult FailedRow(const RowJob& job, const RowFailure& failure) {
    return RowResult{TaskFailed, failure, job.outputPath};
}

// Keeps the closed work file, unnamed, for the batch's ReplayGain.
void KeepForAlbum(RowResources& res) {
    res.tagStyle = GainTagStyleOf(res.output->oformat, res.transcoder.encoder->codec_id);
    res.transcoder.outputStream = nullptr; // freed with the output context
    res.output.reset();
    res.keptFile = std::make_unique<WorkFile>();
    std::swap(res.keptFile->path, res.workFile.path);
    std::swap(res.keptFile->fd, res.workFile.fd);
}

// Hands the finished row to the batch's ReplayGain, which records it.
void HandOnRow(const RowJob& job, RowResources& res, const WrittenRow& written, RowResult& result,
               int percent) {
    FinishedRow finished;
    finished.result = result;
    finished.percent = percent;
    finished.workFile = std::move(res.keptFile);
    finished.outputPath = job.outputPath;
    finished.replaceExisting = job.replaceExisting;
    finished.whole = written.whole;
    finished.style = res.tagStyle;
    job.loudness->Finish(job.row, std::move(finished));
    result.handedOn = true;
}

// Gives the written file its name; a stop before any sound leaves no file.
RowResult PublishRow(const RowJob& job, RowResources& res, const WrittenRow& written,
                     const BeforePublish& beforePublish) {
    // A file without a single sample opens in no player; only an empty clip
    // asked for on purpose is written that way.
    if (written.soundWanted && !WroteSound(res.transcoder)) {
        if (written.whole) {
            return FailedRow(job, Failure(FailureNoSound));
        }
        return RowResult{TaskPending, kGoOn, ""}; // stopped before any sound: no file at all
    }
    if (job.loudness) {
        KeepForAlbum(res);
        return RowResult{written.whole ? TaskCompleted : TaskPending, kGoOn, job.outputPath};
    }
    if (beforePublish) {
        beforePublish();
    }
    std::string chosen;
    if (const RowFailure failure = PublishOutput(job, res, chosen); IsFailure(failure)) {
        return FailedRow(job, failure);
    }
    return RowResult{written.whole ? TaskCompleted : TaskPending, kGoOn, chosen};
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

} // namespace

// The part of the source to convert. A clip that ends at the source's whole
// second duration means "to the end": the seconds are truncated, the sound
// is not.
ClipWindow RowClipWindow(const RowJob& job, const AVFormatContext* input, int audioStream) {
    ClipWindow clip;
    clip.start = job.clipStart;
    const int64_t durationSeconds = input->duration / 1000000;
    const bool toTheEnd = IsGiven(job.track.start)
                              ? !IsGiven(job.track.end)
                              : durationSeconds >= 0 && job.clipEnd >= durationSeconds;
    clip.length = toTheEnd ? std::numeric_limits<double>::infinity() : job.clipLength;
    clip.exactStart = job.track.start;
    clip.exactEnd = job.track.end;
    if (audioStream >= 0 && input->start_time != AV_NOPTS_VALUE) {
        const AVStream* audio = input->streams[audioStream];
        clip.sourceStartPts = av_rescale_q(input->start_time, AV_TIME_BASE_Q, audio->time_base);
    }
    return clip;
}

RowJob BatchRowJob(const AVConvert& engine, int row) {
    const auto index = static_cast<size_t>(row);
    RowJob job;
    job.inputPath = engine.m_inputPaths[index];
    job.outputPath = engine.m_outputPaths[index];
    job.clipStart = engine.m_clipStart[index];
    job.clipEnd = engine.m_clipEnd[index];
    job.clipLength = engine.m_clipLength[index];
    job.replaceExisting = engine.m_replaceOutputs;
    job.track = engine.m_rowTracks[index];
    job.row = row;
    job.splitWays = RowSplitWays(engine, engine.m_taskCount - row, 0);
    job.loudness = engine.m_loudness.get();
    if (engine.m_normalizeLufs != 0) {
        const RowLevel& level = engine.m_rowLevels[index];
        job.gain = level.gain;
        job.loudnessNote = level.limited ? LoudnessNoteLimited : LoudnessNoteNone;
        job.measureFailure.reason = static_cast<FailureReason>(level.failure);
    }
    return job;
}

int RowSplitWays(const AVConvert& engine, int rowsLeft, int othersRunning) {
    if (!engine.m_splitRows) {
        return 1;
    }
    const int jobs = std::max(1, engine.m_jobCount);
    const int busy = std::min(jobs, othersRunning + std::max(1, rowsLeft));
    return 1 + (jobs - busy);
}

OutputAudioParams BatchOutputParams(const AVConvert& engine) {
    OutputAudioParams params;
    params.codecId = engine.m_audioCodecId;
    params.bitRate = engine.m_audioBitRate;
    params.sampleRate = engine.m_sampleRate;
    params.channels = engine.m_channels;
    return params;
}

RowResult ConvertBatchRow(const RowJob& job, const OutputAudioParams& params,
                          std::atomic<int>& percent, const std::atomic<bool>& stop,
                          const BeforePublish& beforePublish) {
    percent.store(-1, std::memory_order_relaxed);
    const auto began = std::chrono::steady_clock::now();
    RowResources res;
    // A source the analysis could not decode fails as it would here.
    const WrittenRow written = IsFailure(job.measureFailure)
                                   ? WrittenRow{job.measureFailure}
                                   : WriteWorkFile(job, params, res, percent, stop);
    RowResult result = IsFailure(written.failure) ? FailedRow(job, written.failure)
                                                  : PublishRow(job, res, written, beforePublish);
    DiscardOutput(res);
    const auto took = std::chrono::steady_clock::now() - began;
    result.millis = static_cast<int32_t>(
        std::min<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(),
                          std::numeric_limits<int32_t>::max()));
    if (result.status != TaskFailed) {
        result.loudnessNote = job.loudnessNote;
    }
    if (job.loudness) {
        HandOnRow(job, res, written, result, percent.load(std::memory_order_relaxed));
    }
    return result;
}

void RecordRowResult(AVConvert& engine, int row, const RowResult& result, int percent) {
    engine.m_outputPaths[static_cast<size_t>(row)] = result.outputPath;
    SetTaskProgress(engine, row, std::max(0, percent));
    engine.m_taskMillis[static_cast<size_t>(row)].store(result.millis, std::memory_order_relaxed);
    engine.m_taskLoudness[static_cast<size_t>(row)].store(result.loudnessNote,
                                                          std::memory_order_relaxed);
    if (result.status == TaskFailed) {
        SetTaskFailure(engine, row, result.failure);
    } else {
        SetTaskStatus(engine, row, result.status);
    }
}

namespace {

// Rows handed to the batch's ReplayGain are recorded when their album is
// measured, later than their turn: the current row is the lowest one not
// recorded yet.
class RowsRecorded {
public:
    explicit RowsRecorded(AVConvert& engine)
        : m_engine(engine), m_recorded(static_cast<size_t>(engine.m_taskCount), false) {}

    void Record(int row, const RowResult& result, int percent) {
        RecordRowResult(m_engine, row, result, percent);
        m_recorded[static_cast<size_t>(row)] = true;
    }

    // Release: whoever sees the new row also sees the finished rows' statuses.
    void Advance() {
        while (m_lowestOpen < m_engine.m_taskCount &&
               m_recorded[static_cast<size_t>(m_lowestOpen)]) {
            ++m_lowestOpen;
        }
        PublishCurrentTask(m_engine, m_lowestOpen);
    }

private:
    AVConvert& m_engine;
    std::vector<bool> m_recorded;
    int m_lowestOpen = 0;
};

void ConvertRowsOneByOne(AVConvert& engine) {
    const OutputAudioParams params = BatchOutputParams(engine);
    RowsRecorded recorded(engine);
    if (engine.m_loudness) {
        engine.m_loudness->record = [&recorded](int row, const RowResult& result, int percent) {
            recorded.Record(row, result, percent);
        };
    }
    for (int row = 0; row < engine.m_taskCount && !StopRequested(engine); ++row) {
        SetTaskProgress(engine, row, 0);
        const RowResult result = ConvertBatchRow(BatchRowJob(engine, row), params,
                                                 engine.m_progress, engine.m_stopRequested);
        if (!result.handedOn) {
            recorded.Record(row, result, LoadRelaxed(engine.m_progress));
        }
        recorded.Advance();
    }
    if (engine.m_loudness) {
        engine.m_loudness->PublishWaiting();
        recorded.Advance();
    }
}

} // namespace

void ConvertBatchProc(AVConvert* engine) {
    // Set before the first row is published: no row starts while measuring.
    engine->m_measuring.store(engine->m_normalizeLufs != 0, std::memory_order_release);
    for (int row = 0; row < engine->m_taskCount; ++row) {
        engine->m_taskReason[row].store(FailureNone, std::memory_order_relaxed);
        engine->m_taskLoudness[row].store(LoudnessNoteNone, std::memory_order_relaxed);
        SetTaskStatus(*engine, row, TaskPending);
        SetTaskProgress(*engine, row, -1);
    }
    RemoveLeftWorkFiles(*engine);
    engine->m_loudness = StartLoudnessBatch(*engine);
    PublishCurrentTask(*engine, 0);
    // Normalising needs every row's loudness first; a stop then writes nothing.
    if (engine->m_normalizeLufs != 0 && !MeasureBatchLevels(*engine)) {
        engine->m_loudness.reset();
        return;
    }
    // With no thread to spare, this thread converts the rows itself.
    if (engine->m_jobCount <= 1 || engine->m_taskCount <= 1 || !ConvertRowsSideBySide(*engine)) {
        ConvertRowsOneByOne(*engine);
    }
    engine->m_loudness.reset();
}
