#include "engine/album_gain.h"

#include "engine/album_rows.h"
#include "engine/ffmpeg_ptr.h"
#include "engine/media_input.h"
#include "engine/output_naming.h"
#include "engine/work_file.h"

#include <map>
#include <utility>

namespace {

const char* AlbumTagOf(const AVDictionary* tags) {
    const AVDictionaryEntry* entry = av_dict_get(tags, "album", nullptr, 0);
    return entry && entry->value[0] ? entry->value : nullptr;
}

// The source's album tag; "" when it has none.
std::string SourceAlbumTag(const std::string& path, const RowTrack& track) {
    for (const auto& [key, value] : track.tags) {
        if (key == "album") {
            return value;
        }
    }
    InputFormatPtr input;
    if (OpenMediaInput(path, input) != ProbeOk) {
        return {};
    }
    if (const char* album = AlbumTagOf(input->metadata)) {
        return album;
    }
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        if (const char* album = AlbumTagOf(input->streams[i]->metadata)) {
            return album;
        }
    }
    return {};
}

LoudnessNote NoteForGap(LoudnessGap gap) {
    switch (gap) {
    case LoudnessGap::Silence:
        return LoudnessNoteSilence;
    case LoudnessGap::TooShort:
        return LoudnessNoteTooShort;
    default:
        return LoudnessNoteNone;
    }
}

// Values for a row that may hold album values: only a whole track.
TrackLoudness AlbumMember(const FinishedRow& row, const LoudnessMeter& meter) {
    if (!row.workFile || !row.whole) {
        return TrackLoudness{};
    }
    return MeasuredLoudness(meter);
}

} // namespace

const char* LoudnessNoteText(uint8_t note) {
    switch (note) {
    case LoudnessNoteSilence:
        return "no ReplayGain tags: the track is silent";
    case LoudnessNoteTooShort:
        return "no ReplayGain tags: the track is shorter than 400 ms";
    case LoudnessNoteLimited:
        return "held back by the true-peak limit of -1 dBTP";
    default:
        return "";
    }
}

LoudnessBatch::LoudnessBatch(std::vector<int> albumOfRow)
    : m_albumOfRow(std::move(albumOfRow)), m_meters(m_albumOfRow.size()),
      m_waiting(m_albumOfRow.size()) {
    CollectAlbumRows(m_albumOfRow, m_albums, m_meters);
}

LoudnessMeter& LoudnessBatch::MeterOf(int row) {
    return *m_meters[static_cast<size_t>(row)];
}

bool LoudnessBatch::InAlbum(int row) const {
    return row >= 0 && static_cast<size_t>(row) < m_albumOfRow.size() &&
           m_albumOfRow[static_cast<size_t>(row)] >= 0;
}

void LoudnessBatch::Finish(int row, FinishedRow finished) {
    if (!InAlbum(row)) {
        record(row, finished.result, finished.percent);
        return;
    }
    std::lock_guard lock(m_mutex);
    m_waiting[static_cast<size_t>(row)] = std::make_unique<FinishedRow>(std::move(finished));
    Album& album = m_albums[static_cast<size_t>(m_albumOfRow[static_cast<size_t>(row)])];
    if (--album.left == 0) {
        PublishAlbum(album);
    }
}

void LoudnessBatch::PublishWaiting() {
    std::lock_guard lock(m_mutex);
    std::vector<TrackLoudness> albums;
    for (const Album& album : m_albums) {
        albums.push_back(AlbumLoudnessOf(album));
    }
    for (size_t row = 0; row < m_albumOfRow.size(); ++row) {
        if (const int album = m_albumOfRow[row]; album >= 0) {
            PublishRow(static_cast<int>(row), &albums[static_cast<size_t>(album)]);
        }
    }
}

TrackLoudness LoudnessBatch::AlbumLoudnessOf(const Album& album) const {
    std::vector<TrackLoudness> tracks;
    for (const int row : album.rows) {
        const auto& waiting = m_waiting[static_cast<size_t>(row)];
        if (waiting) {
            tracks.push_back(AlbumMember(*waiting, *m_meters[static_cast<size_t>(row)]));
        }
    }
    return AlbumLoudness(tracks.data(), static_cast<int>(tracks.size()));
}

void LoudnessBatch::PublishAlbum(const Album& album) {
    const TrackLoudness albumLoudness = AlbumLoudnessOf(album);
    for (const int row : album.rows) {
        PublishRow(row, &albumLoudness);
    }
}

// Tags the row's work file, gives it its name and records the row; a row
// published already or not finished yet is left alone.
void LoudnessBatch::PublishRow(int row, const TrackLoudness* album) {
    std::unique_ptr<FinishedRow> finished = std::move(m_waiting[static_cast<size_t>(row)]);
    if (!finished) {
        return;
    }
    RowResult result = std::move(finished->result);
    if (finished->workFile) {
        const TrackLoudness track = MeasuredLoudness(*m_meters[static_cast<size_t>(row)]);
        if (const LoudnessNote gapNote = NoteForGap(track.gap); gapNote != LoudnessNoteNone) {
            result.loudnessNote = gapNote;
        }
        // A track cut short by a stop is no measure of the whole album.
        const ReplayGainValues values = ReplayGainOf(track, finished->whole ? album : nullptr);
        WorkFile& work = *finished->workFile;
        std::string chosen;
        int ret = WriteReplayGainTags(work.path, finished->style, values) ? 0 : AVERROR(EIO);
        if (ret == 0) {
            ret = finished->replaceExisting ? ReplaceOutputFile(work, finished->outputPath, chosen)
                                            : PublishOutputFile(work, finished->outputPath, chosen);
        }
        if (ret < 0) {
            DiscardWorkFile(work);
            result.status = TaskFailed;
            result.failure = RowFailure{ReasonForOutputError(ret), 0};
            chosen = finished->outputPath;
        }
        result.outputPath = chosen;
    }
    m_meters[static_cast<size_t>(row)].reset(); // its album no longer needs it
    record(row, result, finished->percent);
}

std::vector<int> GroupAlbums(const AVConvert& engine, AlbumMode mode) {
    std::map<std::pair<std::string, std::string>, int> albumOf;
    std::vector<int> albums(static_cast<size_t>(engine.m_taskCount), -1);
    for (int row = 0; row < engine.m_taskCount; ++row) {
        const auto index = static_cast<size_t>(row);
        const std::string& input = engine.m_inputPaths[index];
        if (input.empty()) {
            continue;
        }
        std::string tag =
            mode == AlbumByTag ? SourceAlbumTag(input, engine.m_rowTracks[index]) : std::string();
        const auto [it, added] = albumOf.try_emplace(
            std::make_pair(FolderOf(input), std::move(tag)), static_cast<int>(albumOf.size()));
        albums[index] = it->second;
    }
    return albums;
}

std::shared_ptr<LoudnessBatch> StartLoudnessBatch(const AVConvert& engine) {
    if (!engine.m_writeReplayGain) {
        return nullptr;
    }
    return std::make_shared<LoudnessBatch>(
        GroupAlbums(engine, static_cast<AlbumMode>(engine.m_albumMode)));
}
