// Faults injected below the engine: this test program defines read, close,
// fsync, rename, renameat2, link and pthread_create itself, so every call FFmpeg and the
// engine make goes through them first. Unarmed they only pass the call on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::test::shim {

// Reads of `path` fail with `error` from byte `offset` on, as a failing disk
// or a pulled memory stick fails them.
void FailReadsOf(const std::string& path, int64_t offset, int error);

// The next close of a hidden work file closes it and then reports `error`,
// as network and FUSE file systems report delayed write errors.
void FailNextWorkFileClose(int error);

// Exclusive renames and hard links are refused as on FAT file systems.
void RefuseRenameat2AndLink();

// Keeps a log of file syncs and renames: "fsync <path>", "rename <from> <to>".
void RecordSyncsAndRenames();
std::vector<std::string> RecordedEvents();

// After `successes` more threads have started, starting a thread fails with
// EAGAIN, as it does once the address space has no room for another stack.
void FailThreadStartsAfter(int successes);

// Reads of `path` from byte `offset` on wait until ResumeReads, as reads
// from a slow network share do; PausedReads counts the reads held so far.
void PauseReadsOf(const std::string& path, int64_t offset);
void ResumeReads();
int PausedReads();

// Counts the closes of hidden work files from now on (a row's file is closed
// once its sound is all written).
void CountWorkFileCloses();
int WorkFileCloses();

// Disarms everything (held reads go on) and clears the log.
void Reset();

// Counts of what was injected so far in this process.
int InjectedFaults();

} // namespace veltrano::test::shim
