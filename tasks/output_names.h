// Output names from a source's tags, and whether an output is still up to
// date: shared by the window's batch and the command line's.
#pragma once

#include "engine/name_pattern.h"

#include <string>

// The output path of `sourcePath` below `folder`: the pattern filled from
// the source's tags (read from its header), its file name and `subfolder`
// (the source's folder below the one it was added with, "" for none).
// False when the path names no file. `opensAsMedia`, when given, tells
// whether the source opens as media with sound.
bool NamedOutputPath(const NamePattern& pattern, NameRules rules, const std::string& folder,
                     const std::string& sourcePath, const std::string& subfolder,
                     const std::string& extension, std::string& outputPath,
                     bool* opensAsMedia = nullptr);

// True when `outputPath` is a file written after `sourcePath` last changed.
bool IsUpToDate(const std::string& sourcePath, const std::string& outputPath);

// The name `patternText` gives the output of `sourcePath` (of no file: every
// tag missing), below the output folder, under the rules every file system
// takes; "" when the text is empty or is no pattern.
std::string NamePreview(const std::string& patternText, const std::string& sourcePath,
                        const std::string& extension);
