#include "tasks/ini_file.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Trim(const std::string& text) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

// The section named by a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string text = Trim(line);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
        return std::nullopt;
    }
    return Trim(text.substr(1, text.size() - 2));
}

// True when `line` is "key=..." for `key`; `value` gets the rest.
bool KeyLine(const std::string& line, const std::string& key, std::string& value) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || !SameName(Trim(line.substr(0, equals)), key)) {
        return false;
    }
    value = Trim(line.substr(equals + 1));
    return true;
}

// The file's lines; none when it exists but cannot be read. A missing file
// has no lines.
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    if (!in && ::access(path.c_str(), F_OK) == 0) {
        return std::nullopt;
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// Puts "key=value" into the lines: over the key's line in the section, else
// after the section's last non-blank line, else in a new section at the end.
void SetKey(std::vector<std::string>& lines, const std::string& section, const std::string& key,
            const std::string& value) {
    const std::string entry = key + "=" + value;
    bool inSection = false;
    std::optional<size_t> insertAt;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            inSection = SameName(*name, section);
            if (inSection) {
                insertAt = i + 1;
            }
            continue;
        }
        std::string ignored;
        if (inSection && KeyLine(lines[i], key, ignored)) {
            lines[i] = entry;
            return;
        }
        if (inSection && !Trim(lines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (insertAt) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAt), entry);
        return;
    }
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0) {
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

// Writes `text` to a new file beside `path`, flushed to the disk, then
// renames it over `path`.
bool ReplaceFile(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key) {
    bool inSection = false;
    for (const std::string& line : ReadLines(path).value_or(std::vector<std::string>{})) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            continue;
        }
        std::string value;
        if (inSection && KeyLine(line, key, value)) {
            return value;
        }
    }
    return "";
}

bool WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    // A line break in the value would end the line early and add a stray one.
    if (value.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    std::optional<std::vector<std::string>> lines = ReadLines(path);
    if (!lines) {
        return false;
    }
    SetKey(*lines, section, key, value);
    std::string text;
    for (const std::string& line : *lines) {
        text += line + "\n";
    }
    return ReplaceFile(path, text);
}
