// Output files: unique names (song.mp3, song(0).mp3, song(1).mp3, ...) and a
// finished file appearing under its name in one step. A row is written into a
// hidden work file in the output folder first, flushed to the disk and only
// then renamed, so that a crash or a power cut never leaves a cut-short or
// empty file under a name that looks finished.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The candidate for a counter: the base name itself for -1, else the base
// name with "(counter)" before the extension of its file name.
std::string OutputNameCandidate(const std::string& baseName, int counter);

// Where OutputNameCandidate puts the counter: before the extension of the
// file name, or at the end when it has none.
size_t CounterPosition(const std::string& baseName);

// A work file of this process, ".veltrano-<12 hex digits>.part" in the output
// folder: short, so that any output name the file system takes can be
// written, and recognisable, so that one left by a crash can be removed. It
// stays locked (flock) while this object holds it open, which tells other
// converters that its owner still runs.
struct WorkFile {
    std::string path;
    int fd = -1;

    WorkFile() = default;
    ~WorkFile();
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;
};

// True for the file name (not path) of a work file made by CreateWorkFile.
bool IsWorkFileName(std::string_view fileName);

// Creates and locks a new work file in the folder of `outputPath`. Returns 0
// or a negative AVERROR; `work` is untouched on failure.
int CreateWorkFile(const std::string& outputPath, WorkFile& work);

// Starts writing a growing file's new data to the disk in the background,
// a few MiB at a time, so that the flush before publishing finds little left
// to wait for. `written` is how many bytes of the file exist so far; nothing
// happens while less than a step is new since the last start. The data is
// only durable after PublishOutputFile's flush: this only moves the work
// earlier, while the conversion still has encoding to do. Returns 0, or a
// negative AVERROR from a file system that cannot do it (nothing is lost:
// the flush still writes everything).
struct WriteBack {
    int fd = -1; // not owned; -1: no write-back
    int64_t started = 0;
};
int StartWriteBack(WriteBack& writeBack, int64_t written);

// Removes the work file and releases it; nothing when there is none.
void DiscardWorkFile(WorkFile& work);

// Flushes the finished work file to the disk, moves it to the first candidate
// name of `baseName` that does not exist, never replacing a file, not even
// one that appears meanwhile, and flushes the folder so the name lasts too.
// Returns 0 with `chosen` set and the work file released, or a negative
// AVERROR; the work file then stays where it was.
int PublishOutputFile(WorkFile& work, const std::string& baseName, std::string& chosen);

// Removes the work files in `folder` whose converter no longer runs (a crash,
// a power cut); returns how many went. Files of running converters and
// anything not named like a work file are left alone.
int RemoveStaleWorkFiles(const std::string& folder);
