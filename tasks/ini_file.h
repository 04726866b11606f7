// Reading and writing one key of an initialisation file: "[Section]" lines
// and "key=value" lines below them. Section and key names are matched without
// regard to case.
#pragma once

#include <string>

// The key's value with surrounding blanks removed; "" when the file, the
// section or the key is missing, and when the file is no settings file at all
// (unreadable, not a regular file, binary or over 256 kB); such a file is
// left as it is.
std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key);

// Sets the key, keeping every other line of the file; makes the section and
// the file when missing. The new file replaces the old one in one rename, so
// a crash leaves either the old or the new file, never half of one. A
// symbolic link is followed: the file it names is updated, the link stays. A
// binary or oversized file is replaced by one holding just the key; one that
// cannot be read is left alone. False when the file could not be written.
bool WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);
