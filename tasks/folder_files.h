// The files of a folder tree, for adding whole folders of music.
#pragma once

#include <string>
#include <vector>

// True when `path` names a folder (a link to one counts).
bool IsFolder(const std::string& path);

// Every regular file below `folder`, as paths relative to it ("A/01.flac"),
// in name order: each folder's entries sorted by name, a subfolder's files
// standing where its name falls. Hidden files and folders (names starting
// with ".") are left out, and so is the subfolder `skipFolder` (the output
// folder: outputs written into the tree are no sources) with all it holds;
// `folder` itself is always listed, so that a folder can be converted into
// itself. Links to folders below the top one are not followed, so no link can
// make the walk go round; folders that cannot be read add nothing.
std::vector<std::string> FilesInFolder(const std::string& folder, const std::string& skipFolder);

// `folder` + "/" + `relativePath`, without doubling a trailing "/".
std::string JoinPath(const std::string& folder, const std::string& relativePath);
