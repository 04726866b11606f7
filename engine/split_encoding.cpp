#include "engine/split_encoding.h"

#include "engine/audio_transcoder.h"
#include "engine/flac_join.h"
#include "engine/mp3_join.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// About this much sound per chunk: long enough that the warm-up and run-out
// cost little (MP3's 24 frames are 3 % of 20 seconds; 10-second chunks cost
// a split row 6 % more CPU), short enough that the chunks in flight stay
// small: a 90-minute MP3 to MP3 row peaks at about 60 MB against 38 MB on
// one core. Many channels or high rates get shorter chunks, so the frames a
// chunk holds never exceed kChunkBytes.
constexpr double kChunkSeconds = 20.0;
constexpr int64_t kChunkBytes = int64_t{8} << 20;

// How many frames before and after its chunk each encoder hears. Frames of
// FLAC and ALAC stand alone; MP3 overlaps each frame with the next and looks
// ahead; Opus keeps predictions over many of its short frames. Measured on
// five minutes of noise and tone (the worst block near a join against one
// encoder): MP3 with 8 frames 2.4 dB, with 16 1.0 dB; Opus with 10 frames
// 0.5 dB, 25 0.4 dB, 50 0.0 dB.
struct Overlap {
    int warmUpFrames = 0;
    int runOutFrames = 0;
};

Overlap OverlapOf(AVCodecID codec) {
    switch (codec) {
    case AV_CODEC_ID_MP3:
        return {16, 8};
    case AV_CODEC_ID_OPUS:
        return {25, 12};
    default:
        return {0, 0};
    }
}

struct Chunk {
    int64_t start = 0;  // the chunk's first sample in the whole stream
    int index = 0;      // in the stream's order
    int64_t warmUp = 0; // samples before `start` at the head of `frames`
    int64_t length = 0; // the chunk's own samples
    int64_t runOut = 0; // samples after the chunk at the tail of `frames`
    bool last = false;  // the stream ends with this chunk
    // Warm-up, the chunk, run-out: references to the row's frames, which
    // neighbouring chunks share rather than copy.
    std::vector<FramePtr> frames;
    size_t warmUpFrames = 0;
    // Every packet, stamped in the whole stream's time; those from firstKept
    // to endKept are the chunk's own, the rest belong to its neighbours.
    std::vector<PacketPtr> packets;
    size_t firstKept = 0;
    size_t endKept = 0;
    int result = 0;
    bool handedOut = false;
    std::atomic<bool> done{false};
    std::thread thread;
};

// What every chunk's encoder is opened with: the row encoder's settings,
// copied so that the chunks' threads share nothing the row's thread changes.
struct ChunkSettings {
    OutputAudioParams params;
    EncoderSource source;
    AVChannelLayout layout{};
    int frameSamples = 0;

    ChunkSettings() = default;
    ~ChunkSettings() { av_channel_layout_uninit(&layout); }
    ChunkSettings(const ChunkSettings&) = delete;
    ChunkSettings& operator=(const ChunkSettings&) = delete;
};

} // namespace

struct SplitEncoder {
    ChunkSettings settings;
    int ways = 2;
    int64_t chunkSamples = 0;
    Overlap overlap;
    int64_t taken = 0; // samples taken so far
    // Chunks in stream order: those encoding or encoded and not yet written,
    // then at most one waiting for its run-out, then the one being filled.
    std::deque<std::unique_ptr<Chunk>> chunks;
    int running = 0; // chunks handed to a thread and not yet written
    bool flac = false;
    // FLAC's MD5 sums the chunks in order, on their own threads.
    FlacStreamTotals flacTotals;
    std::mutex md5Mutex;
    std::condition_variable md5Turn;
    int md5NextChunk = 0;
    int chunksOpened = 0;
    // Encoders whose frames stand alone (FLAC, ALAC) go on from one chunk to
    // the next instead of being opened for each: opening FLAC's clears
    // megabytes, which costs as much as a chunk's MD5.
    std::mutex idleMutex;
    std::vector<CodecContextPtr> idleEncoders;
    // MP3: the last chunk written, from a few frames before its join on, is
    // held back until the next chunk's frames there are known.
    bool mp3 = false;
    std::unique_ptr<Chunk> held;
    size_t heldFrom = 0; // its packets before this are written
    int failure = 0;

    ~SplitEncoder() {
        for (auto& chunk : chunks) {
            if (chunk->thread.joinable()) {
                chunk->thread.join();
            }
        }
    }
};

void SplitEncoderFreer::operator()(SplitEncoder* split) const {
    delete split;
}

namespace {

std::atomic<int64_t> g_chunksEncoded{0};

int64_t RunOutSamples(const SplitEncoder& s, const AudioTranscoder& t) {
    return static_cast<int64_t>(s.overlap.runOutFrames) * t.frameSamples;
}

// ---- one chunk's encoder ----------------------------------------------------

// Keeps the packets that belong to the chunk: those a single encoder would
// have made from the chunk's own frames. An encoder's packets trail its
// frames by its delay, the same in every chunk.
bool KeepsPacket(const Chunk& chunk, const AVCodecContext* encoder, int64_t pts) {
    const int64_t delay = encoder->initial_padding;
    if (chunk.warmUp > 0 && pts < chunk.start - delay) {
        return false;
    }
    return chunk.last || pts < chunk.start + chunk.length - delay;
}

int CollectPackets(Chunk& chunk, AVCodecContext* encoder, AVPacket* packet) {
    for (;;) {
        const int ret = avcodec_receive_packet(encoder, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return 0;
        }
        if (ret < 0) {
            return ret;
        }
        if (packet->pts == AV_NOPTS_VALUE) {
            av_packet_unref(packet);
            continue;
        }
        PacketPtr kept(av_packet_alloc());
        if (!kept) {
            return AVERROR(ENOMEM);
        }
        av_packet_move_ref(kept.get(), packet);
        chunk.packets.push_back(std::move(kept));
    }
}

// Sums the chunk's own samples into the stream's MD5 once every chunk
// before it has.
void SumChunkInTurn(SplitEncoder& s, const Chunk& chunk) {
    std::unique_lock lock(s.md5Mutex);
    s.md5Turn.wait(lock, [&] { return s.md5NextChunk == chunk.index; });
    for (size_t i = chunk.warmUpFrames; i < chunk.frames.size(); ++i) {
        AddFlacSamples(s.flacTotals, chunk.frames[i].get());
    }
    ++s.md5NextChunk;
    s.md5Turn.notify_all();
}

// FLAC frames carry their number in the whole stream; every frame before the
// last has the encoder's frame size, so a chunk knows where its own begin.
int NumberFlacFrames(Chunk& chunk, int frameSamples) {
    int64_t number = chunk.start / frameSamples;
    for (size_t i = chunk.firstKept; i < chunk.packets.size(); ++i) {
        AVPacket* packet = chunk.packets[i].get();
        if (packet->size == 0) {
            continue; // the encoder's closing STREAMINFO
        }
        if (const int ret = RenumberFlacFrame(packet, number++); ret < 0) {
            return ret;
        }
    }
    return 0;
}

// Frames that need no warm-up or run-out stand alone, so one encoder may
// take chunk after chunk.
bool ReusesEncoders(const SplitEncoder& s) {
    return s.overlap.warmUpFrames == 0 && s.overlap.runOutFrames == 0;
}

int TakeEncoder(SplitEncoder& s, CodecContextPtr& encoder) {
    if (ReusesEncoders(s)) {
        std::lock_guard lock(s.idleMutex);
        if (!s.idleEncoders.empty()) {
            encoder = std::move(s.idleEncoders.back());
            s.idleEncoders.pop_back();
            return 0;
        }
    }
    return OpenAudioEncoder(s.settings.params, s.settings.source, encoder);
}

void GiveEncoderBack(SplitEncoder& s, CodecContextPtr encoder) {
    std::lock_guard lock(s.idleMutex);
    s.idleEncoders.push_back(std::move(encoder));
}

int EncodeChunk(Chunk& chunk, SplitEncoder& s) {
    if (s.flac) {
        SumChunkInTurn(s, chunk);
    }
    CodecContextPtr encoder;
    if (const int ret = TakeEncoder(s, encoder); ret < 0) {
        return ret;
    }
    PacketPtr packet(av_packet_alloc());
    if (!packet) {
        return AVERROR(ENOMEM);
    }
    // Stamped in the whole stream's time, so that an encoder that goes on
    // to a later chunk sees its time go forward.
    int64_t pts = chunk.start - chunk.warmUp;
    for (FramePtr& frame : chunk.frames) {
        frame->pts = pts;
        pts += frame->nb_samples;
        if (const int ret = avcodec_send_frame(encoder.get(), frame.get()); ret < 0) {
            return ret;
        }
        frame.reset(); // the chunk's memory goes as soon as it is encoded
        if (const int ret = CollectPackets(chunk, encoder.get(), packet.get()); ret < 0) {
            return ret;
        }
    }
    // A reused encoder has given every packet of its frames already; only the
    // stream's last chunk is drained, for FLAC's closing STREAMINFO.
    const bool drains = !ReusesEncoders(s) || chunk.last;
    if (drains) {
        if (const int ret = avcodec_send_frame(encoder.get(), nullptr); ret < 0) {
            return ret;
        }
        if (const int ret = CollectPackets(chunk, encoder.get(), packet.get()); ret < 0) {
            return ret;
        }
    }
    chunk.firstKept = chunk.packets.size();
    for (size_t i = 0; i < chunk.packets.size(); ++i) {
        if (KeepsPacket(chunk, encoder.get(), chunk.packets[i]->pts)) {
            chunk.firstKept = std::min(chunk.firstKept, i);
            chunk.endKept = i + 1;
        }
    }
    chunk.endKept = std::max(chunk.endKept, chunk.firstKept);
    if (!drains) {
        GiveEncoderBack(s, std::move(encoder));
    }
    return s.flac ? NumberFlacFrames(chunk, s.settings.frameSamples) : 0;
}

// ---- handing chunks out and writing them back in order ----------------------

// The FLAC encoder ends with an empty packet that carries its STREAMINFO:
// only the last one is written, with the whole stream's.
int WriteFlacPacket(SplitEncoder& s, AudioTranscoder& t, AVPacket* packet, bool lastOfAll) {
    if (packet->size == 0 && !lastOfAll) {
        return 0;
    }
    if (packet->size > 0) {
        AddFlacFrame(s.flacTotals, packet->size);
    }
    av_packet_free_side_data(packet); // each chunk's own STREAMINFO
    if (lastOfAll) {
        if (const int ret = AttachFlacStreamInfo(s.flacTotals, t.encoder.get(), packet); ret < 0) {
            return ret;
        }
    }
    return WriteAudioPacket(t, packet);
}

int WritePackets(SplitEncoder& s, AudioTranscoder& t, Chunk& chunk, size_t from, size_t end) {
    for (size_t i = from; i < end; ++i) {
        AVPacket* packet = chunk.packets[i].get();
        const bool lastOfAll = chunk.last && i + 1 == chunk.packets.size();
        const int ret =
            s.flac ? WriteFlacPacket(s, t, packet, lastOfAll) : WriteAudioPacket(t, packet);
        if (ret < 0) {
            return ret;
        }
    }
    return 0;
}

// Frames an MP3 join may move by, either way, to find a frame whose reservoir
// fits; and frames held back before a join for the reservoir copied there.
constexpr size_t kMp3JoinReach = 6;
constexpr size_t kMp3HeldFrames = 12;

size_t IndexOfPts(const Chunk& chunk, int64_t pts) {
    for (size_t i = 0; i < chunk.packets.size(); ++i) {
        if (chunk.packets[i]->pts == pts) {
            return i;
        }
    }
    return chunk.packets.size();
}

std::vector<AVPacket*> PacketsBetween(const Chunk& chunk, size_t from, size_t end) {
    std::vector<AVPacket*> packets;
    for (size_t i = from; i < end; ++i) {
        packets.push_back(chunk.packets[i].get());
    }
    return packets;
}

// Tries to join the held chunk to `next` at the held chunk's packet `at`.
bool JoinMp3At(SplitEncoder& s, Chunk& next, size_t at, size_t& nextFrom) {
    Chunk& held = *s.held;
    if (at < s.heldFrom || at >= held.packets.size()) {
        return false;
    }
    const size_t joining = IndexOfPts(next, held.packets[at]->pts);
    if (joining >= next.packets.size() || joining < kMp3JoinReach) {
        return false;
    }
    if (!CarryMp3Reservoir(PacketsBetween(held, s.heldFrom, at), PacketsBetween(next, 0, joining),
                           next.packets[joining].get(), held.packets[at].get())) {
        return false;
    }
    nextFrom = joining;
    return true;
}

// Writes the held chunk up to the join with `next` and says where `next`
// takes over: at the planned join when its reservoir fits there, else at the
// nearest frame where it does.
int WriteMp3Join(SplitEncoder& s, AudioTranscoder& t, Chunk& next, size_t& nextFrom) {
    Chunk& held = *s.held;
    const size_t planned = held.endKept;
    size_t at = planned;
    for (size_t step = 0; step <= 2 * kMp3JoinReach; ++step) {
        const size_t offset = (step + 1) / 2;
        if (step % 2 == 1 ? planned + offset < held.packets.size()
                          : planned >= offset + s.heldFrom) {
            const size_t candidate = step % 2 == 1 ? planned + offset : planned - offset;
            if (JoinMp3At(s, next, candidate, nextFrom)) {
                at = candidate;
                break;
            }
        }
        if (step == 2 * kMp3JoinReach) {
            // No frame nearby fits: join as planned; the first frame's borrowed
            // bytes are then the held chunk's, one frame of noise.
            nextFrom = next.firstKept;
        }
    }
    const int ret = WritePackets(s, t, held, s.heldFrom, at);
    s.held.reset();
    return ret;
}

// Writes a chunk's own packets, joined to the chunk before.
int WriteChunk(SplitEncoder& s, AudioTranscoder& t, std::unique_ptr<Chunk> chunk) {
    size_t from = chunk->firstKept;
    if (s.held) {
        if (const int ret = WriteMp3Join(s, t, *chunk, from); ret < 0) {
            return ret;
        }
    }
    size_t end = chunk->last ? chunk->packets.size() : chunk->endKept;
    if (s.mp3 && !chunk->last) {
        end = std::max(from, end >= kMp3HeldFrames ? end - kMp3HeldFrames : 0);
    }
    if (const int ret = WritePackets(s, t, *chunk, from, end); ret < 0) {
        return ret;
    }
    if (s.mp3 && !chunk->last) {
        s.heldFrom = end;
        s.held = std::move(chunk);
    }
    return 0;
}

// Writes the oldest chunk's packets once its thread is done.
int WriteOldestChunk(SplitEncoder& s, AudioTranscoder& t) {
    std::unique_ptr<Chunk> chunk = std::move(s.chunks.front());
    s.chunks.pop_front();
    if (chunk->thread.joinable()) {
        chunk->thread.join();
    }
    --s.running;
    if (chunk->result < 0) {
        return chunk->result;
    }
    return WriteChunk(s, t, std::move(chunk));
}

// Writes every chunk at the head that is already encoded, without waiting.
int WriteFinishedChunks(SplitEncoder& s, AudioTranscoder& t) {
    while (!s.chunks.empty() && s.chunks.front()->handedOut &&
           s.chunks.front()->done.load(std::memory_order_acquire)) {
        if (const int ret = WriteOldestChunk(s, t); ret < 0) {
            return ret;
        }
    }
    return 0;
}

// Starts the chunk's encoder on a thread of its own, once one of the `ways`
// is free; without a thread to start, the chunk is encoded here.
int HandOut(SplitEncoder& s, AudioTranscoder& t, Chunk& chunk) {
    while (s.running >= s.ways) {
        if (const int ret = WriteOldestChunk(s, t); ret < 0) {
            return ret;
        }
    }
    Chunk* job = &chunk;
    SplitEncoder* split = &s;
    chunk.handedOut = true;
    ++s.running;
    try {
        chunk.thread = std::thread([job, split] {
            job->result = EncodeChunk(*job, *split);
            g_chunksEncoded.fetch_add(1, std::memory_order_relaxed);
            job->done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        chunk.result = EncodeChunk(chunk, s);
        g_chunksEncoded.fetch_add(1, std::memory_order_relaxed);
        chunk.done.store(true, std::memory_order_release);
    }
    return WriteFinishedChunks(s, t);
}

// The chunk being filled and, before it, the one waiting for its run-out.
Chunk* FillingChunk(SplitEncoder& s) {
    return s.chunks.empty() ? nullptr : s.chunks.back().get();
}

Chunk* ChunkWaitingForRunOut(SplitEncoder& s) {
    if (s.chunks.size() < 2) {
        return nullptr;
    }
    Chunk* before = s.chunks[s.chunks.size() - 2].get();
    return before->handedOut ? nullptr : before;
}

int AppendFrame(Chunk& chunk, const AVFrame* frame) {
    FramePtr reference(av_frame_clone(frame));
    if (!reference) {
        return AVERROR(ENOMEM);
    }
    chunk.frames.push_back(std::move(reference));
    return 0;
}

// Opens the next chunk at `start`, its warm-up the last frames of the chunk
// before.
int OpenChunk(SplitEncoder& s, int64_t start) {
    auto chunk = std::make_unique<Chunk>();
    chunk->start = start;
    chunk->index = s.chunksOpened++;
    if (Chunk* before = FillingChunk(s)) {
        const size_t wanted = static_cast<size_t>(s.overlap.warmUpFrames);
        const size_t from = before->frames.size() - std::min(wanted, before->frames.size());
        for (size_t i = from; i < before->frames.size(); ++i) {
            if (const int ret = AppendFrame(*chunk, before->frames[i].get()); ret < 0) {
                return ret;
            }
            chunk->warmUp += before->frames[i]->nb_samples;
        }
        chunk->warmUpFrames = chunk->frames.size();
    }
    s.chunks.push_back(std::move(chunk));
    return 0;
}

} // namespace

int64_t SplitChunkSamples(int sampleRate, int frameSamples, int bytesPerSample) {
    int64_t samples = static_cast<int64_t>(kChunkSeconds * sampleRate);
    if (bytesPerSample > 0) {
        samples = std::min(samples, kChunkBytes / bytesPerSample);
    }
    return std::max<int64_t>(1, samples / frameSamples) * frameSamples;
}

int64_t SplitChunksEncoded() {
    return g_chunksEncoded.load(std::memory_order_relaxed);
}

bool SplitsEncoder(AVCodecID encoder, const AVOutputFormat* format) {
    const std::string_view name = format->name;
    switch (encoder) {
    case AV_CODEC_ID_FLAC:
        return name == "flac";
    case AV_CODEC_ID_MP3:
        return name == "mp3";
    case AV_CODEC_ID_ALAC:
        return name == "ipod" || name == "mp4";
    case AV_CODEC_ID_OPUS:
        return name == "ogg" || name == "opus";
    default:
        return false;
    }
}

int StartSplitEncoding(AudioTranscoder& t, int ways) {
    if (ways < 2 || t.frameSamples <= 0 || t.split) {
        return AVERROR(EINVAL);
    }
    SplitEncoderPtr split(new (std::nothrow) SplitEncoder);
    if (!split) {
        return AVERROR(ENOMEM);
    }
    ChunkSettings& settings = split->settings;
    settings.params = t.params;
    settings.source = t.encoderSource;
    if (t.encoderSource.layout) {
        if (const int ret = av_channel_layout_copy(&settings.layout, t.encoderSource.layout);
            ret < 0) {
            return ret;
        }
        settings.source.layout = &settings.layout;
    }
    settings.frameSamples = t.frameSamples;
    split->ways = ways;
    const AVCodecContext* encoder = t.encoder.get();
    split->overlap = OverlapOf(encoder->codec_id);
    split->chunkSamples = SplitChunkSamples(encoder->sample_rate, t.frameSamples,
                                            encoder->ch_layout.nb_channels *
                                                av_get_bytes_per_sample(encoder->sample_fmt));
    split->flac = encoder->codec_id == AV_CODEC_ID_FLAC;
    split->mp3 = encoder->codec_id == AV_CODEC_ID_MP3;
    if (split->flac) {
        if (const int ret = StartFlacTotals(split->flacTotals, encoder); ret < 0) {
            return ret;
        }
    }
    t.split = std::move(split);
    return 0;
}

int SplitTakeFrame(AudioTranscoder& t, const AVFrame* frame) {
    SplitEncoder& s = *t.split;
    if (s.failure < 0) {
        return s.failure;
    }
    Chunk* filling = FillingChunk(s);
    if (!filling || s.taken >= filling->start + s.chunkSamples) {
        if (filling) {
            filling->length = s.taken - filling->start;
        }
        if (const int ret = OpenChunk(s, s.taken); ret < 0) {
            return s.failure = ret;
        }
        filling = FillingChunk(s);
    }
    int ret = AppendFrame(*filling, frame);
    if (Chunk* before = ChunkWaitingForRunOut(s); ret >= 0 && before) {
        if (before->runOut < RunOutSamples(s, t)) {
            ret = AppendFrame(*before, frame);
            before->runOut += frame->nb_samples;
        }
        // Chunks that need no run-out go as soon as the next one begins.
        if (ret >= 0 && before->runOut >= RunOutSamples(s, t)) {
            ret = HandOut(s, t, *before);
        }
    }
    s.taken += frame->nb_samples;
    if (ret < 0) {
        s.failure = ret;
    }
    return ret;
}

int FinishSplitEncoding(AudioTranscoder& t) {
    SplitEncoder& s = *t.split;
    int ret = s.failure;
    Chunk* filling = FillingChunk(s);
    if (ret >= 0 && filling) {
        filling->length = s.taken - filling->start;
        if (filling->length == 0) {
            // The stream ended at a chunk boundary: the chunk before is the last.
            s.chunks.pop_back();
            filling = FillingChunk(s);
        }
    }
    if (ret >= 0 && filling) {
        filling->last = true;
        if (Chunk* before = ChunkWaitingForRunOut(s); before) {
            ret = HandOut(s, t, *before);
        }
        if (ret >= 0) {
            ret = HandOut(s, t, *filling);
        }
    }
    // Every chunk handed out is written, or at least waited for, in order.
    while (!s.chunks.empty() && s.chunks.front()->handedOut) {
        const int written = WriteOldestChunk(s, t);
        if (ret >= 0) {
            ret = written;
        }
    }
    s.chunks.clear();
    return ret;
}
