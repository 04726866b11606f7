// The sources of --files-from: one per line, or separated by NUL bytes as
// `find -print0` writes them, read from a file or from standard input.
#pragma once

#include <string>
#include <vector>

// Splits a list into its entries; empty entries are left out. A name may hold
// any byte but the separator.
std::vector<std::string> SplitFileList(const std::string& text, bool nullSeparated);

// Reads the list at `path` ("-" for standard input) and appends its entries
// to `files`. Returns "" or why the list cannot be read.
std::string ReadFileList(const std::string& path, bool nullSeparated,
                         std::vector<std::string>& files);
