// The tracks of a cue sheet as rows to convert: which image, from which
// frame to which, under which name and with which tags.
#pragma once

#include "engine/av_convert.h"
#include "engine/row_track.h"
#include "tasks/cue_sheet.h"

#include <set>
#include <string>
#include <vector>

struct CueTrack {
    std::string imagePath;
    int number = 0;
    int64_t start = 0; // in cue frames from the image's start
    int64_t end = -1;  // in cue frames; -1: the image's end
    int64_t imageDurationMicros = 0;
    std::string name; // "03 - Title", or "03 - Track 03" without a title
    TagList tags;
};

// The audio tracks of a sheet, or why the sheet is refused: the line at
// fault (0 for the whole sheet) and what is wrong there.
struct CueAlbum {
    std::vector<CueTrack> tracks;
    std::vector<std::string> notices; // DATA tracks skipped
    int line = 0;
    std::string error;

    bool Refused() const { return !error.empty(); }
};

// Reads the sheet and probes each image it names with `engine`.
CueAlbum LoadCueAlbum(AVConvert& engine, const std::string& sheetPath);

// The images a sheet names, where they were found; none for a sheet that
// cannot be read. Probes nothing.
std::vector<std::string> CueImagesOf(const std::string& sheetPath);

// "Line 7: INDEX 01 ... ." for a refused sheet; without a line for a fault
// of the whole sheet.
std::string CueRefusalReason(const CueAlbum& album);

// "File:album.cue is invalid! Line 7: ..." for a refused sheet.
std::string CueRefusalMessage(const std::string& sheetPath, const CueAlbum& album);

// Drops from `paths` every image that a cue sheet among them names: a folder
// that holds an image and its sheet gives the image's tracks, not the image
// as well.
std::vector<std::string> WithoutCueImages(std::vector<std::string> paths);

// The images that the cue sheets among `paths` name.
std::set<std::string> CueImagesAmong(const std::vector<std::string>& paths);

// "File:album.cue: ..." for a note about a sheet that was read.
std::string CueNoticeMessage(const std::string& sheetPath, const std::string& notice);

// The track's start and end in seconds, the end of an image's last track
// being the image's duration; the task list shows them truncated to whole
// seconds.
double CueTrackStartSeconds(const CueTrack& track);
double CueTrackEndSeconds(const CueTrack& track);

// The engine's view of the track: exact bounds and tags.
RowTrack RowTrackOf(const CueTrack& track);

// The output folder + "/" + the track's name + `extension`.
std::string CueTrackOutputPath(const std::string& outputFolder, const CueTrack& track,
                               const std::string& extension);

// Writes a batch row that converts the track into `outputFolder`.
void FillCueTrackRow(AVConvert& engine, int row, const CueTrack& track,
                     const std::string& outputFolder, const std::string& extension);
