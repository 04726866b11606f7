#include "cli/file_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The whole of a stream; false on a read error.
bool ReadAll(std::FILE* in, std::string& text) {
    char buffer[65536];
    for (size_t got = 0; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        text.append(buffer, got);
    }
    return std::ferror(in) == 0;
}

} // namespace

std::vector<std::string> SplitFileList(const std::string& text, bool nullSeparated) {
    const char separator = nullSeparated ? '\0' : '\n';
    std::vector<std::string> entries;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(separator, at);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > at) {
            entries.push_back(text.substr(at, end - at));
        }
        at = end + 1;
    }
    return entries;
}

std::string ReadFileList(const std::string& path, bool nullSeparated,
                         std::vector<std::string>& files) {
    const bool standardInput = path == "-";
    std::FILE* in = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!in) {
        return "cannot read the file list '" + path + "': " + std::strerror(errno);
    }
    std::string text;
    const bool read = ReadAll(in, text);
    const int error = errno;
    if (!standardInput) {
        std::fclose(in);
    }
    if (!read) {
        return "cannot read the file list '" + path + "': " + std::strerror(error);
    }
    for (std::string& entry : SplitFileList(text, nullSeparated)) {
        files.push_back(std::move(entry));
    }
    return "";
}
