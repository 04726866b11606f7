#include "engine/album_levels.h"

#include "engine/album_rows.h"
#include "engine/failure_reason.h"
#include "engine/loudness_analysis.h"

#include <algorithm>
#include <utility>

RowLevel AlbumRowLevel(const TrackLoudness& track, const RowLevel& album) {
    if (!album.measured) {
        return RowLevel{};
    }
    RowLevel level = album;
    level.measured = track.gap == LoudnessGap::None;
    level.integrated = level.measured ? track.integrated : 0;
    level.byAlbum = true;
    level.albumIntegrated = album.integrated;
    return level;
}

AlbumLevels::AlbumLevels(std::vector<int> albumOfRow, double targetLufs, PublishLevel publish)
    : m_albumOfRow(std::move(albumOfRow)), m_targetLufs(targetLufs), m_publish(std::move(publish)),
      m_meters(m_albumOfRow.size()), m_failures(m_albumOfRow.size(), FailureNone) {
    CollectAlbumRows(m_albumOfRow, m_albums, m_meters);
}

LoudnessMeter& AlbumLevels::MeterOf(int row) {
    return *m_meters[static_cast<size_t>(row)];
}

void AlbumLevels::Finish(int row, uint8_t failure) {
    std::lock_guard lock(m_mutex);
    m_failures[static_cast<size_t>(row)] = failure;
    Album& album = m_albums[static_cast<size_t>(m_albumOfRow[static_cast<size_t>(row)])];
    if (--album.left == 0) {
        PublishAlbum(album);
    }
}

void AlbumLevels::PublishAlbum(const Album& album) {
    // A source that failed has no sound to count; AlbumLoudness skips gaps.
    std::vector<TrackLoudness> tracks;
    double peak = 0;
    for (const int row : album.rows) {
        if (m_failures[static_cast<size_t>(row)] == FailureNone) {
            const LoudnessMeter& meter = *m_meters[static_cast<size_t>(row)];
            tracks.push_back(MeasuredLoudness(meter));
            peak = std::max(peak, MeasuredPeak(meter));
        }
    }
    TrackLoudness albumLoudness = AlbumLoudness(tracks.data(), static_cast<int>(tracks.size()));
    // Every track gets the gain, so the limit holds for the short ones too.
    albumLoudness.peak = std::max(albumLoudness.peak, peak);
    const RowLevel albumLevel = NormalizingGain(albumLoudness, m_targetLufs);
    for (const int row : album.rows) {
        const auto index = static_cast<size_t>(row);
        RowLevel level;
        if (m_failures[index] != FailureNone) {
            level.failure = m_failures[index];
        } else {
            level = AlbumRowLevel(MeasuredLoudness(*m_meters[index]), albumLevel);
        }
        m_meters[index].reset(); // the album no longer needs it
        m_publish(row, level);
    }
}
