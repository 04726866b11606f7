// Output paths as Convert builds them: folder + "/" + base name + extension.
#pragma once

#include <string>
#include <string_view>

// "MP3-MPEG Layer-3 Audio(*.mp3)" -> ".mp3": the part after the last "*" up to
// its first ")"; the whole text when that part has no ")".
std::string ExtensionFromFormatText(std::string_view formatText);

// What follows the last "/" of a path; the whole path when it has none.
std::string_view FileNameOf(std::string_view path);

// The file name of a source path (what follows the last "/") up to its last
// ".", or the whole file name when it has no ".". Returns false when the path
// names no file (it ends in "/").
bool SourceBaseName(std::string_view sourcePath, std::string& baseName);

// Folder + "/" + base name + extension; false when the path names no file.
bool BuildOutputPath(std::string_view outputFolder, std::string_view sourcePath,
                     std::string_view extension, std::string& outputPath);
