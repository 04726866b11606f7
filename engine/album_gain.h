// ReplayGain for a batch: every row's output is measured while it is
// written, and its finished work file waits, unnamed, until the last track
// of its album is measured; then the album's value is known, the tags go
// into each file and the files take their names in row order. An album is
// the rows from one source folder that carry the same album tag (or, by
// choice, the folder alone); rows without an album tag in a folder form one.
#pragma once

#include "engine/convert_row.h"
#include "engine/loudness_meter.h"
#include "engine/replaygain_tags.h"
#include "engine/work_file.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What the row's tooltip and the command line's line say about its loudness.
enum LoudnessNote : uint8_t {
    LoudnessNoteNone = 0,
    LoudnessNoteSilence = 1,  // no gain tags: the track is silent
    LoudnessNoteTooShort = 2, // no gain tags: shorter than 400 ms
    LoudnessNoteLimited = 3,  // normalising stopped short at the true-peak limit
};

// The words for a note; "" for none.
const char* LoudnessNoteText(uint8_t note);

// How the rows are grouped into albums.
enum AlbumMode : uint8_t {
    AlbumByTag = 0,    // the source folder and the album tag
    AlbumByFolder = 1, // the source folder alone
};

// A finished row handed to the batch: its work file when it wrote one, or
// the result it ends with when it did not.
struct FinishedRow {
    RowResult result;
    int percent = 100;
    std::unique_ptr<WorkFile> workFile; // null: no file to publish
    std::string outputPath;
    bool replaceExisting = false;
    bool whole = false; // not cut short by a stop
    GainTagStyle style = GainTagStyle::None;
};

class LoudnessBatch {
public:
    // Stores a published or failed row's result in the batch, as the batch
    // loop would; called from whichever thread completes the row's album.
    using RecordRow = std::function<void(int row, const RowResult& result, int percent)>;

    explicit LoudnessBatch(std::vector<int> albumOfRow);

    // The meter for a row's output; owned here, as the album needs it later.
    LoudnessMeter& MeterOf(int row);
    bool InAlbum(int row) const;

    // Takes a finished row. When it completes its album, every row of the
    // album is tagged, published and recorded in row order.
    void Finish(int row, FinishedRow finished);

    // After a stop: publishes the rows still waiting, each album's value
    // taken over its whole tracks only.
    void PublishWaiting();

    RecordRow record;

private:
    struct Album {
        std::vector<int> rows;
        int left = 0; // rows not finished yet
    };
    TrackLoudness AlbumLoudnessOf(const Album& album) const;
    void PublishAlbum(const Album& album);
    void PublishRow(int row, const TrackLoudness* album);

    std::mutex m_mutex;
    std::vector<int> m_albumOfRow;
    std::vector<Album> m_albums;
    std::vector<std::unique_ptr<LoudnessMeter>> m_meters;
    std::vector<std::unique_ptr<FinishedRow>> m_waiting;
};

// Groups the batch's rows (those with a source) into albums: per row its
// album's index, -1 for a row without a source.
std::vector<int> GroupAlbums(const AVConvert& engine, AlbumMode mode);

// Sets up the batch's ReplayGain when it is asked for; null otherwise.
std::shared_ptr<LoudnessBatch> StartLoudnessBatch(const AVConvert& engine);
