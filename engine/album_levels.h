// Normalising by album: the analysis keeps each row's measurement until the
// last row of its album is measured. Then every row of the album gets one
// gain, the one that brings the album's integrated loudness to the target,
// held back so that the album's highest true peak stays within the limit:
// the tracks keep their differences in level. Silent and too short tracks
// are left out of the album's loudness but get its gain all the same.
#pragma once

#include "engine/av_convert.h"
#include "engine/loudness_meter.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The level of a row normalised with its album: the album's gain, the row's
// own loudness. An album without a loudness leaves the row's level alone.
RowLevel AlbumRowLevel(const TrackLoudness& track, const RowLevel& album);

class AlbumLevels {
public:
    // Stores a row's final level where the batch reads it.
    using PublishLevel = std::function<void(int row, const RowLevel& level)>;

    // `albumOfRow` as GroupAlbums gives it: per row its album, -1 for none.
    AlbumLevels(std::vector<int> albumOfRow, double targetLufs, PublishLevel publish);

    // The meter for a row's clip; kept here until its album is complete.
    LoudnessMeter& MeterOf(int row);

    // Takes a measured row, or one whose source failed (a FailureReason).
    // When it completes its album, every row of the album is published.
    void Finish(int row, uint8_t failure);

private:
    struct Album {
        std::vector<int> rows;
        int left = 0; // rows not measured yet
    };
    void PublishAlbum(const Album& album);

    std::mutex m_mutex;
    std::vector<int> m_albumOfRow;
    double m_targetLufs;
    PublishLevel m_publish;
    std::vector<Album> m_albums;
    std::vector<std::unique_ptr<LoudnessMeter>> m_meters;
    std::vector<uint8_t> m_failures;
};
