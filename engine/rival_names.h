// Which rows of a batch may compete for the same output name. Rows converted
// side by side take their names in row order only within such a group, so
// the names come out as when the rows run one after another.
#pragma once

#include <string>

// The group of an output path: every row whose base name can lead to the
// same candidate falls into it. Candidates add "(n)" counters to a base name
// that may end in counters already (song(0).mp3 gives song(0)(0).mp3), so
// every trailing counter is set aside. With `ignoreCase`, for a folder whose
// file system takes Song.mp3 and song.mp3 for one name, the file name's
// case is folded too.
std::string RivalNameGroup(const std::string& outputPath, bool ignoreCase);

// True when `folder` treats names that differ only in case as one name
// (FAT and exFAT memory sticks, NTFS, SMB shares, case-folding ext4
// folders), found by asking the folder itself. False when it cannot be
// asked.
bool FolderIgnoresCase(const std::string& folder);
