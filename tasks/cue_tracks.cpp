#include "tasks/cue_tracks.h"

#include "tasks/add_files.h"
#include "tasks/batch_start.h"
#include "tasks/output_path.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace {

// File names longer than this are refused by most file systems (255 bytes),
// and the unique-name counter and the extension still need room.
constexpr size_t kLongestTitleBytes = 200;

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

// Cut at a character's start, never inside one.
std::string CutUtf8(std::string text, size_t bytes) {
    if (text.size() <= bytes) {
        return text;
    }
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

// A title as part of a file name: a "/" would make it a folder, and control
// characters make names nobody can type.
std::string TitleForFileName(const std::string& title) {
    std::string name;
    for (const char ch : title) {
        const auto c = static_cast<unsigned char>(ch);
        name += ch == '/' ? '-' : (c < 0x20 || c == 0x7F ? ' ' : ch);
    }
    const size_t first = name.find_first_not_of(' ');
    const size_t last = name.find_last_not_of(' ');
    name = first == std::string::npos ? "" : name.substr(first, last - first + 1);
    return CutUtf8(name, kLongestTitleBytes);
}

std::string TrackName(const CueTrackEntry& entry) {
    const std::string number = TwoDigits(entry.number);
    const std::string title = TitleForFileName(entry.title);
    return number + " - " + (title.empty() ? "Track " + number : title);
}

std::string FirstOf(const std::string& first, const std::string& second) {
    return first.empty() ? second : first;
}

int LastAudioNumber(const CueSheet& sheet) {
    int last = 0;
    for (const CueTrackEntry& entry : sheet.tracks) {
        if (entry.IsAudio()) {
            last = std::max(last, entry.number);
        }
    }
    return last;
}

// What the sheet says of a track, over the image's own tags; what the image
// says of itself as a whole (its title, its track number, its embedded
// sheet) is no track's and goes.
TagList TrackTags(const CueSheet& sheet, const CueTrackEntry& entry) {
    TagList tags;
    const auto set = [&](const char* key, const std::string& value) {
        if (!value.empty()) {
            tags.emplace_back(key, value);
        }
    };
    set("album", sheet.title);
    set("artist", FirstOf(entry.performer, sheet.performer));
    set("album_artist", sheet.performer);
    set("composer", FirstOf(entry.songwriter, sheet.songwriter));
    set("date", sheet.date);
    set("genre", sheet.genre);
    set("disc", sheet.discNumber.empty() || sheet.totalDiscs.empty()
                    ? sheet.discNumber
                    : sheet.discNumber + "/" + sheet.totalDiscs);
    tags.emplace_back("title", entry.title);
    tags.emplace_back("track",
                      std::to_string(entry.number) + "/" + std::to_string(LastAudioNumber(sheet)));
    tags.emplace_back("ISRC", entry.isrc);
    for (const char* key : {"cuesheet", "tracktotal", "totaltracks"}) {
        tags.emplace_back(key, "");
    }
    return tags;
}

struct Image {
    std::string path;
    int64_t durationMicros = 0;
    bool used = false;
};

// Finds and probes every image an audio track is in.
bool OpenImages(AVConvert& engine, const std::string& sheetPath, const CueSheet& sheet,
                std::vector<Image>& images, CueAlbum& album) {
    images.resize(sheet.files.size());
    for (const CueTrackEntry& entry : sheet.tracks) {
        if (entry.IsAudio()) {
            images[static_cast<size_t>(entry.file)].used = true;
        }
    }
    for (size_t i = 0; i < images.size(); ++i) {
        const CueFile& file = sheet.files[i];
        if (!images[i].used) {
            continue;
        }
        const std::optional<std::string> path =
            FindCueImage(sheetPath, file.name, sheet.files.size() == 1);
        album.line = file.line;
        if (!path) {
            album.error = "the file \"" + file.name + "\" is not there";
            return false;
        }
        if (!AcceptsMediaFile(engine, *path)) {
            album.error = "\"" + std::string(FileNameOf(*path)) + "\" cannot be read as sound";
            return false;
        }
        images[i] = {*path, engine.m_durationMicros, true};
    }
    album.line = 0;
    return true;
}

// The next track's INDEX 01 in the same image, or the image's end.
int64_t TrackEnd(const CueSheet& sheet, size_t index) {
    const CueTrackEntry& entry = sheet.tracks[index];
    if (index + 1 < sheet.tracks.size() && sheet.tracks[index + 1].file == entry.file) {
        return sheet.tracks[index + 1].start;
    }
    return -1;
}

bool CheckTrackPlace(const CueTrackEntry& entry, int64_t end, const Image& image, CueAlbum& album) {
    const std::string track = "TRACK " + TwoDigits(entry.number);
    album.line = entry.startLine;
    if (entry.start * 1000000 >= image.durationMicros * kCueFramesPerSecond) {
        album.error = track + " starts at " + FormatCueTime(entry.start) + ", past the end of \"" +
                      std::string(FileNameOf(image.path)) + "\"";
        return false;
    }
    if (end == entry.start) {
        album.error = track + " starts where the next track starts";
        return false;
    }
    album.line = 0;
    return true;
}

} // namespace

CueAlbum LoadCueAlbum(AVConvert& engine, const std::string& sheetPath) {
    CueAlbum album;
    CueReadResult read = ReadCueSheetFile(sheetPath);
    if (!read.sheet) {
        album.line = read.line;
        album.error = read.error;
        return album;
    }
    const CueSheet& sheet = *read.sheet;
    std::vector<Image> images;
    if (!OpenImages(engine, sheetPath, sheet, images, album)) {
        return album;
    }
    for (size_t i = 0; i < sheet.tracks.size(); ++i) {
        const CueTrackEntry& entry = sheet.tracks[i];
        if (!entry.IsAudio()) {
            album.notices.push_back("track " + TwoDigits(entry.number) + " is a " + entry.type +
                                    " data track and was skipped");
            continue;
        }
        const Image& image = images[static_cast<size_t>(entry.file)];
        const int64_t end = TrackEnd(sheet, i);
        if (!CheckTrackPlace(entry, end, image, album)) {
            album.tracks.clear();
            return album;
        }
        CueTrack track;
        track.imagePath = image.path;
        track.number = entry.number;
        track.start = entry.start;
        track.end = end;
        track.imageDurationMicros = image.durationMicros;
        track.name = TrackName(entry);
        track.tags = TrackTags(sheet, entry);
        album.tracks.push_back(std::move(track));
    }
    return album;
}

std::vector<std::string> CueImagesOf(const std::string& sheetPath) {
    std::vector<std::string> paths;
    const CueReadResult read = ReadCueSheetFile(sheetPath);
    if (!read.sheet) {
        return paths;
    }
    for (const CueFile& file : read.sheet->files) {
        if (auto path = FindCueImage(sheetPath, file.name, read.sheet->files.size() == 1)) {
            paths.push_back(std::move(*path));
        }
    }
    return paths;
}

std::string CueRefusalReason(const CueAlbum& album) {
    const std::string where = album.line > 0 ? "Line " + std::to_string(album.line) + ": " : "";
    std::string reason = album.error;
    if (where.empty() && !reason.empty()) {
        reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    }
    return where + reason + ".";
}

std::string CueRefusalMessage(const std::string& sheetPath, const CueAlbum& album) {
    return RefusedFileMessage(sheetPath) + " " + CueRefusalReason(album);
}

std::set<std::string> CueImagesAmong(const std::vector<std::string>& paths) {
    std::set<std::string> images;
    for (const std::string& path : paths) {
        if (IsCueSheetPath(path)) {
            for (std::string& image : CueImagesOf(path)) {
                images.insert(std::move(image));
            }
        }
    }
    return images;
}

std::vector<std::string> WithoutCueImages(std::vector<std::string> paths) {
    const std::set<std::string> images = CueImagesAmong(paths);
    if (!images.empty()) {
        paths.erase(std::remove_if(paths.begin(), paths.end(),
                                   [&](const std::string& path) { return images.count(path) > 0; }),
                    paths.end());
    }
    return paths;
}

std::string CueNoticeMessage(const std::string& sheetPath, const std::string& notice) {
    return "File:" + std::string(FileNameOf(sheetPath)) + ": " + notice + ".";
}

double CueTrackStartSeconds(const CueTrack& track) {
    return static_cast<double>(track.start) / kCueFramesPerSecond;
}

double CueTrackEndSeconds(const CueTrack& track) {
    return track.end >= 0 ? static_cast<double>(track.end) / kCueFramesPerSecond
                          : static_cast<double>(track.imageDurationMicros) / 1e6;
}

RowTrack RowTrackOf(const CueTrack& track) {
    RowTrack row;
    row.start = ExactTime{track.start, kCueFramesPerSecond};
    if (track.end >= 0) {
        row.end = ExactTime{track.end, kCueFramesPerSecond};
    }
    row.tags = track.tags;
    return row;
}

std::string CueTrackOutputPath(const std::string& outputFolder, const CueTrack& track,
                               const std::string& extension) {
    return outputFolder + "/" + track.name + extension;
}

void FillCueTrackRow(AVConvert& engine, int row, const CueTrack& track,
                     const std::string& outputFolder, const std::string& extension) {
    const auto index = static_cast<size_t>(row);
    engine.m_inputPaths[index] = track.imagePath;
    engine.m_outputPaths[index] = CueTrackOutputPath(outputFolder, track, extension);
    SetRowTrack(engine, row, CueTrackStartSeconds(track), CueTrackEndSeconds(track),
                RowTrackOf(track));
}
