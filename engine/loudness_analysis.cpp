#include "engine/loudness_analysis.h"

#include "engine/album_gain.h"
#include "engine/album_levels.h"
#include "engine/media_input.h"
#include "engine/stream_choice.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

double DbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

// The source opened for decoding its audio, from the clip's start.
struct LevelSource {
    InputFormatPtr input;
    CodecContextPtr decoder;
    int audioStream = -1;
};

RowFailure OpenLevelSource(const RowJob& job, LevelSource& source) {
    if (OpenMediaInput(job.inputPath, source.input) != ProbeOk) {
        return RowFailure{FailureSourceChanged, 0};
    }
    source.audioStream = ConvertedStreamOfType(source.input.get(), AVMEDIA_TYPE_AUDIO);
    if (source.audioStream < 0 ||
        OpenStreamDecoder(source.input->streams[source.audioStream], source.decoder) != 0) {
        return RowFailure{FailureNoSound, 0};
    }
    if (job.clipStart != 0) {
        int64_t target = static_cast<int64_t>(job.clipStart * 1000000.0);
        if (source.input->start_time != AV_NOPTS_VALUE) {
            target += source.input->start_time;
        }
        av_seek_frame(source.input.get(), -1, target, AVSEEK_FLAG_BACKWARD);
    }
    return RowFailure{};
}

// Measures the part of a decoded frame that belongs to the clip.
void MeterClipPart(LoudnessMeter& meter, ClipCursor& clip, const AVCodecContext* decoder,
                   AVFrame* frame, AVFrame* part) {
    ClipFrame clipFrame;
    clipFrame.pts = frame->pts;
    clipFrame.timeBase = decoder->pkt_timebase;
    clipFrame.sampleRate = frame->sample_rate;
    clipFrame.samples = frame->nb_samples;
    const ClipKeep keep = AdvanceClipCursor(clip, clipFrame);
    if (keep.count <= 0) {
        return;
    }
    if (keep.offset == 0 && keep.count == frame->nb_samples) {
        MeterFrame(meter, frame);
        return;
    }
    part->format = frame->format;
    part->sample_rate = frame->sample_rate;
    part->nb_samples = keep.count;
    if (av_channel_layout_copy(&part->ch_layout, &frame->ch_layout) < 0 ||
        av_frame_get_buffer(part, 0) < 0) {
        av_frame_unref(part);
        return;
    }
    av_samples_copy(part->extended_data, frame->extended_data, 0, keep.offset, keep.count,
                    frame->ch_layout.nb_channels, static_cast<AVSampleFormat>(frame->format));
    MeterFrame(meter, part);
    av_frame_unref(part);
}

struct DecodeState {
    LevelSource& source;
    LoudnessMeter& meter;
    ClipCursor clip;
    FramePtr frame{av_frame_alloc()};
    FramePtr part{av_frame_alloc()};
    bool decodedAny = false;
};

void ReceiveFrames(DecodeState& state) {
    AVCodecContext* decoder = state.source.decoder.get();
    while (avcodec_receive_frame(decoder, state.frame.get()) >= 0) {
        AVFrame* frame = state.frame.get();
        if (frame->nb_samples > 0 && frame->sample_rate > 0 && frame->ch_layout.nb_channels > 0) {
            state.decodedAny = true;
            MeterClipPart(state.meter, state.clip, decoder, frame, state.part.get());
        }
        av_frame_unref(frame);
    }
}

// Reads and decodes until the clip or the source ends; false when stopped.
bool DecodeClip(DecodeState& state, const std::atomic<bool>& stop) {
    PacketPtr packet(av_packet_alloc());
    if (!packet || !state.frame || !state.part) {
        return true;
    }
    AVFormatContext* input = state.source.input.get();
    while (!state.clip.ended) {
        if (stop.load(std::memory_order_relaxed)) {
            return false;
        }
        if (av_read_frame(input, packet.get()) < 0) {
            break; // the conversion itself tells a damaged source from its end
        }
        if (packet->stream_index == state.source.audioStream &&
            avcodec_send_packet(state.source.decoder.get(), packet.get()) >= 0) {
            ReceiveFrames(state);
        }
        av_packet_unref(packet.get());
    }
    if (!state.clip.ended && avcodec_send_packet(state.source.decoder.get(), nullptr) >= 0) {
        ReceiveFrames(state);
    }
    return true;
}

// Rows measured side by side, taken in row order.
class LevelPass {
public:
    explicit LevelPass(AVConvert& engine) : m_engine(engine) {
        if (engine.m_normalizeAlbums) {
            m_albums = std::make_unique<AlbumLevels>(
                GroupAlbums(engine, static_cast<AlbumMode>(engine.m_albumMode)),
                engine.m_normalizeLufs,
                [this](int row, const RowLevel& level) { Publish(row, level); });
        }
    }

    bool Run() {
        const int workers = std::clamp(m_engine.m_jobCount, 1, std::max(1, m_engine.m_taskCount));
        std::vector<std::thread> threads;
        for (int i = 1; i < workers; ++i) {
            try {
                threads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break; // the threads started share the rows
            }
        }
        Work();
        for (std::thread& thread : threads) {
            thread.join();
        }
        return !StopRequested(m_engine);
    }

private:
    int TakeRow() {
        std::lock_guard lock(m_mutex);
        while (m_nextRow < m_engine.m_taskCount &&
               m_engine.m_inputPaths[static_cast<size_t>(m_nextRow)].empty()) {
            ++m_nextRow;
        }
        return m_nextRow < m_engine.m_taskCount ? m_nextRow++ : -1;
    }

    void Work() {
        for (int row = TakeRow(); row >= 0 && !StopRequested(m_engine); row = TakeRow()) {
            if (!(m_albums ? MeasureAlbumRow(row) : MeasureRow(row))) {
                return;
            }
        }
    }

    // False when a stop came while measuring.
    bool MeasureRow(int row) {
        const RowLevel level = MeasureRowLevel(BatchRowJob(m_engine, row), m_engine.m_normalizeLufs,
                                               m_engine.m_stopRequested);
        if (StopRequested(m_engine)) {
            return false;
        }
        Publish(row, level);
        return true;
    }

    bool MeasureAlbumRow(int row) {
        const ClipMeasure measure = MeasureRowClip(
            BatchRowJob(m_engine, row), m_albums->MeterOf(row), m_engine.m_stopRequested);
        if (measure.stopped || StopRequested(m_engine)) {
            return false;
        }
        m_albums->Finish(row, measure.failure);
        return true;
    }

    void Publish(int row, const RowLevel& level) {
        m_engine.m_rowLevels[static_cast<size_t>(row)] = level;
        // Release: whoever sees the row measured sees its level.
        m_engine.m_taskMeasured[static_cast<size_t>(row)].store(1, std::memory_order_release);
    }

    AVConvert& m_engine;
    std::unique_ptr<AlbumLevels> m_albums; // when the rows are normalised by album
    std::mutex m_mutex;
    int m_nextRow = 0;
};

} // namespace

RowLevel NormalizingGain(const TrackLoudness& track, double targetLufs) {
    RowLevel level;
    if (track.gap != LoudnessGap::None) {
        return level; // nothing to bring anywhere
    }
    level.measured = true;
    level.integrated = track.integrated;
    level.gainDb = targetLufs - track.integrated;
    if (track.peak > 0) {
        const double peakDb = 20.0 * std::log10(track.peak);
        if (peakDb + level.gainDb > kNormalizedPeakLimit) {
            level.gainDb = kNormalizedPeakLimit - peakDb;
            level.limited = true;
        }
    }
    level.gain = DbToGain(level.gainDb);
    return level;
}

ClipMeasure MeasureRowClip(const RowJob& job, LoudnessMeter& meter, const std::atomic<bool>& stop) {
    ClipMeasure measure;
    LevelSource source;
    if (const RowFailure failure = OpenLevelSource(job, source); failure.reason != FailureNone) {
        measure.failure = failure.reason;
        return measure;
    }
    meter.truePeak = true; // the limit of a normalised output is one of true peak
    DecodeState state{source, meter,
                      StartClipCursor(RowClipWindow(job, source.input.get(), source.audioStream))};
    if (!DecodeClip(state, stop)) {
        measure.stopped = true;
    } else if (!state.decodedAny) {
        measure.failure = FailureNoSound;
    }
    return measure;
}

RowLevel MeasureRowLevel(const RowJob& job, double targetLufs, const std::atomic<bool>& stop) {
    LoudnessMeter meter;
    const ClipMeasure measure = MeasureRowClip(job, meter, stop);
    RowLevel level;
    if (measure.stopped) {
        return level;
    }
    if (measure.failure != FailureNone) {
        level.failure = measure.failure;
        return level;
    }
    return NormalizingGain(MeasuredLoudness(meter), targetLufs);
}

bool MeasureBatchLevels(AVConvert& engine) {
    StoreRelaxed(engine.m_progress, -1);
    engine.m_measuring.store(true, std::memory_order_release);
    const bool whole = LevelPass(engine).Run();
    engine.m_measuring.store(false, std::memory_order_release);
    return whole;
}
