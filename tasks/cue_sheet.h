// Cue sheets: the text file that says where each track of an album image
// (one FLAC, APE or WAV holding the whole disc) starts. Read here as plain
// data; tasks/cue_tracks.h turns a sheet into the tracks to convert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A cue sheet's times count frames of 1/75 second (mm:ss:ff).
inline constexpr int kCueFramesPerSecond = 75;

// A real sheet is a few kilobytes; anything this large is no sheet, and
// reading it whole would hold up the adding of every other file.
inline constexpr std::size_t kMaxCueSheetBytes = 1024 * 1024;

struct CueFile {
    std::string name; // as the sheet writes it
    int line = 0;
};

struct CueTrackEntry {
    int number = 0;
    int line = 0;        // the TRACK line
    std::string type;    // "AUDIO", or a data mode such as "MODE1/2352"
    int file = -1;       // index into CueSheet::files of the FILE in force
    int64_t pregap = -1; // INDEX 00 in frames; -1 when the track has none
    int64_t start = -1;  // INDEX 01 in frames
    int startLine = 0;   // the INDEX 01 line
    std::string title;
    std::string performer;
    std::string songwriter;
    std::string isrc;

    bool IsAudio() const { return type == "AUDIO"; }
};

struct CueSheet {
    std::string title;
    std::string performer;
    std::string songwriter;
    std::string date;
    std::string genre;
    std::string discNumber;
    std::string totalDiscs;
    std::string catalog;
    std::vector<CueFile> files;
    std::vector<CueTrackEntry> tracks; // DATA tracks included
};

// A sheet, or why it was refused: the line at fault (0 when the fault is the
// whole file's) and what is wrong with it.
struct CueReadResult {
    std::optional<CueSheet> sheet;
    int line = 0;
    std::string error;
};

// The text as UTF-8: UTF-8 with or without a byte-order mark, UTF-16 with
// one, and anything else read as Windows-1252, the code page of most older
// sheets.
std::string CueTextAsUtf8(std::string_view bytes);

// True when the bytes hold a NUL or many control characters: no text at all.
bool LooksBinary(std::string_view text);

// Reads a sheet from its bytes.
CueReadResult ParseCueSheet(std::string_view bytes);

// Reads the sheet at `path`: a file larger than kMaxCueSheetBytes or one that
// is not text is refused before it is read whole.
CueReadResult ReadCueSheetFile(const std::string& path);

// "mm:ss:ff" in frames; nothing when the text is no such time. `error` says
// why (frames of 75 or more, seconds of 60 or more).
std::optional<int64_t> ParseCueTime(std::string_view text, std::string& error);

// "mm:ss:ff" of a frame count.
std::string FormatCueTime(int64_t frames);

// True when the path ends in ".cue", in any case.
bool IsCueSheetPath(std::string_view path);

// Where the image a FILE line names is: the name as written, beside the sheet
// when it is relative; else a file of that name beside the sheet in any case;
// else, for a sheet made for another copy of the image (album.wav beside
// album.flac), a file beside the sheet with the named file's base name or,
// for a sheet of one FILE, the sheet's own base name, and another extension.
// Nothing when none of these is there.
std::optional<std::string> FindCueImage(const std::string& sheetPath, const std::string& name,
                                        bool onlyFile);
