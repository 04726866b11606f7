#include "tasks/ini_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A settings file is a few lines; anything bigger is not one of ours and is
// not read into memory.
constexpr off_t kMaxFileBytes = 256 * 1024;
constexpr int kMaxLinkHops = 40;

// What is at a settings path.
enum class FileState {
    Missing,
    Text,     // a regular file of text, read into `text`
    NotText,  // a regular file too big or binary (a NUL byte) to be settings
    Unusable, // unreadable, or not a regular file (folder, pipe, device)
};

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

// Reads a settings file without blocking on a pipe or reading a device or a
// huge file without end.
FileState ReadSettingsFile(const std::string& path, std::string& text) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? FileState::Missing : FileState::Unusable;
    }
    struct stat info {};
    FileState state = FileState::Text;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        state = FileState::Unusable;
    } else if (info.st_size > kMaxFileBytes) {
        state = FileState::NotText;
    } else {
        char buffer[8192];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                state = FileState::Unusable;
                break;
            }
            if (got == 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(got));
            if (text.size() > static_cast<size_t>(kMaxFileBytes)) {
                state = FileState::NotText; // grew while being read
                break;
            }
        }
        if (state == FileState::Text && text.find('\0') != std::string::npos) {
            state = FileState::NotText;
        }
    }
    ::close(fd);
    if (state != FileState::Text) {
        text.clear();
    }
    return state;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The file's lines for reading: none when it is missing, unusable or not a
// settings file at all.
std::vector<std::string> ReadLines(const std::string& path) {
    std::string text;
    return ReadSettingsFile(path, text) == FileState::Text ? SplitLines(text)
                                                           : std::vector<std::string>{};
}

// The file a path finally names, following symbolic links (also one that
// points at nothing yet), so that saving updates a linked file rather than
// replacing the link.
std::string ResolveLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
        if (length <= 0) {
            return path;
        }
        const std::string next(target, static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        path = (next.front() == '/' || slash == std::string::npos)
                   ? next
                   : path.substr(0, slash + 1) + next;
    }
    return path;
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
        if (written < 0 && errno == EINTR) {
            continue;
        }
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
    for (const std::string& line : ReadLines(path)) {
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
    const std::string target = ResolveLinks(path);
    std::string old;
    std::vector<std::string> lines;
    switch (ReadSettingsFile(target, old)) {
    case FileState::Unusable:
        return false; // never replace what could not even be read
    case FileState::Text:
        lines = SplitLines(old);
        break;
    case FileState::Missing:
    case FileState::NotText:
        break; // a garbage file gives way to the settings saved now
    }
    SetKey(lines, section, key, value);
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return ReplaceFile(target, text);
}
