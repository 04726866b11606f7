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

// Disarms everything and clears the log.
void Reset();

// Counts of what was injected so far in this process.
int InjectedFaults();

} // namespace veltrano::test::shim
