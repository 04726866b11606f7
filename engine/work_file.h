// Work files: a row is written into a hidden file in the output folder first,
// and only a finished one is published under its output name. A work file
// stays locked while its converter runs, so that one left by a crash can be
// told apart and removed. Failures are returned as AVERROR(errno).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The folder of a path: "." for a bare file name, "/" for a file in the root.
std::string FolderOf(const std::string& path);

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

// Closes the work file, which drops its lock, and forgets it; the file stays.
void ReleaseWorkFile(WorkFile& work);

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

// Removes the work files in `folder` whose converter no longer runs (a crash,
// a power cut); returns how many went. Files of running converters and
// anything not named like a work file are left alone.
int RemoveStaleWorkFiles(const std::string& folder);
