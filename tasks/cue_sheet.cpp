#include "tasks/cue_sheet.h"

#include "engine/utf8_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <strings.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Windows-1252's 0x80 to 0x9F; its five unassigned bytes stay the C1
// controls they are in Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Files that lie beside an image and are never the image itself.
constexpr const char* kNotImages[] = {"cue", "log",  "txt", "nfo", "m3u",    "m3u8",
                                      "jpg", "jpeg", "png", "gif", "bmp",    "pdf",
                                      "md5", "sfv",  "ffp", "toc", "accurip"};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t length = Utf8Length(s, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (const char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view s, bool bigEndian) {
    std::string out;
    const auto unit = [&](size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(s[i]);
        const auto b = static_cast<unsigned char>(s[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < s.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

// The first blank-separated word, and what follows it.
std::string_view TakeWord(std::string_view& s) {
    s = Trim(s);
    size_t end = 0;
    while (end < s.size() && !std::isspace(static_cast<unsigned char>(s[end]))) {
        ++end;
    }
    const std::string_view word = s.substr(0, end);
    s = Trim(s.substr(end));
    return word;
}

// A quoted value up to its closing quote (or the line's end), or the rest of
// the line unquoted: sheets write TITLE Some Song as often as "Some Song".
std::string Value(std::string_view rest) {
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        return std::string(rest.substr(0, rest.find('"')));
    }
    return std::string(rest);
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::optional<int64_t> DigitsValue(std::string_view s, int64_t limit) {
    if (s.empty() || s.size() > 9) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value <= limit ? std::optional<int64_t>(value) : std::nullopt;
}

// The sheet as it is read line by line.
class SheetReader {
public:
    CueReadResult Read(std::string_view text) {
        const std::vector<std::string_view> lines = SplitLines(text);
        for (size_t i = 0; i < lines.size() && m_error.empty(); ++i) {
            m_line = static_cast<int>(i + 1);
            ReadLine(lines[i]);
        }
        if (m_error.empty()) {
            CheckTracks();
        }
        CueReadResult result;
        if (!m_error.empty()) {
            result.line = m_errorLine;
            result.error = m_error;
            return result;
        }
        result.sheet = std::move(m_sheet);
        return result;
    }

private:
    void Fail(const std::string& error, int line) {
        if (m_error.empty()) {
            m_error = error;
            m_errorLine = line;
        }
    }

    CueTrackEntry* Track() { return m_sheet.tracks.empty() ? nullptr : &m_sheet.tracks.back(); }

    void ReadLine(std::string_view line) {
        std::string_view rest = line;
        const std::string keyword = Upper(TakeWord(rest));
        if (keyword == "FILE") {
            ReadFile(rest);
        } else if (keyword == "TRACK") {
            ReadTrack(rest);
        } else if (keyword == "INDEX") {
            ReadIndex(rest);
        } else if (keyword == "REM") {
            ReadRemark(rest);
        } else if (keyword == "CATALOG") {
            m_sheet.catalog = Value(rest);
        } else if (keyword == "ISRC" && Track()) {
            Track()->isrc = Value(rest);
        } else if (keyword == "TITLE") {
            (Track() ? Track()->title : m_sheet.title) = Value(rest);
        } else if (keyword == "PERFORMER") {
            (Track() ? Track()->performer : m_sheet.performer) = Value(rest);
        } else if (keyword == "SONGWRITER") {
            (Track() ? Track()->songwriter : m_sheet.songwriter) = Value(rest);
        }
        // FLAGS, PREGAP, POSTGAP, CDTEXTFILE and the like change no sample of
        // the image.
    }

    // FILE "name" TYPE, or an unquoted name that may hold blanks.
    void ReadFile(std::string_view rest) {
        rest = Trim(rest);
        std::string name;
        if (!rest.empty() && rest.front() == '"') {
            name = Value(rest);
        } else {
            const size_t lastBlank = rest.find_last_of(" \t");
            name = std::string(
                Trim(lastBlank == std::string_view::npos ? rest : rest.substr(0, lastBlank)));
        }
        if (name.empty()) {
            Fail("FILE names no file", m_line);
            return;
        }
        m_sheet.files.push_back({name, m_line});
    }

    void ReadTrack(std::string_view rest) {
        if (m_sheet.files.empty()) {
            Fail("TRACK comes before any FILE", m_line);
            return;
        }
        const std::string_view numberText = TakeWord(rest);
        const std::optional<int64_t> number = DigitsValue(numberText, 99);
        if (!number || *number < 1) {
            Fail("TRACK needs a number from 1 to 99, not \"" + std::string(numberText) + "\"",
                 m_line);
            return;
        }
        CueTrackEntry track;
        track.number = static_cast<int>(*number);
        track.line = m_line;
        track.type = Upper(TakeWord(rest));
        m_sheet.tracks.push_back(std::move(track));
    }

    void ReadIndex(std::string_view rest) {
        CueTrackEntry* track = Track();
        if (!track) {
            Fail("INDEX comes before any TRACK", m_line);
            return;
        }
        const std::string_view numberText = TakeWord(rest);
        const std::optional<int64_t> number = DigitsValue(numberText, 99);
        const std::string timeText(TakeWord(rest));
        std::string timeError;
        const std::optional<int64_t> frames = ParseCueTime(timeText, timeError);
        if (!number) {
            Fail("INDEX needs a number from 0 to 99, not \"" + std::string(numberText) + "\"",
                 m_line);
            return;
        }
        const std::string index = "INDEX " + std::string(numberText);
        if (!frames) {
            Fail(index + " " + timeText + ": " + timeError, m_line);
            return;
        }
        const int file = static_cast<int>(m_sheet.files.size()) - 1;
        if (file == m_lastIndexFile && *frames < m_lastIndexFrames) {
            Fail(index + " at " + timeText + " goes back before " +
                     FormatCueTime(m_lastIndexFrames) + " on line " +
                     std::to_string(m_lastIndexLine),
                 m_line);
            return;
        }
        m_lastIndexFile = file;
        m_lastIndexFrames = *frames;
        m_lastIndexLine = m_line;
        if (*number == 0) {
            track->pregap = *frames;
        } else if (*number == 1) {
            if (track->start >= 0) {
                Fail("a second INDEX 01 in TRACK " + std::to_string(track->number), m_line);
                return;
            }
            track->start = *frames;
            track->startLine = m_line;
            track->file = file;
        }
    }

    void ReadRemark(std::string_view rest) {
        const std::string key = Upper(TakeWord(rest));
        if (key == "DATE") {
            m_sheet.date = Value(rest);
        } else if (key == "GENRE") {
            m_sheet.genre = Value(rest);
        } else if (key == "DISCNUMBER") {
            m_sheet.discNumber = Value(rest);
        } else if (key == "TOTALDISCS") {
            m_sheet.totalDiscs = Value(rest);
        }
    }

    void CheckTracks() {
        bool audio = false;
        for (const CueTrackEntry& track : m_sheet.tracks) {
            if (track.start < 0) {
                Fail("TRACK " + std::to_string(track.number) + " has no INDEX 01", track.line);
                return;
            }
            audio = audio || track.IsAudio();
        }
        if (m_sheet.tracks.empty()) {
            Fail("no line of the sheet is a TRACK", 0);
        } else if (!audio) {
            Fail("no TRACK of the sheet is an AUDIO track", 0);
        }
    }

    CueSheet m_sheet;
    int m_line = 0;
    int m_lastIndexFile = -1;
    int64_t m_lastIndexFrames = 0;
    int m_lastIndexLine = 0;
    std::string m_error;
    int m_errorLine = 0;
};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string StemOf(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string ExtensionOf(const std::string& fileName) {
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? "" : Lower(fileName.substr(dot + 1));
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool MayBeImage(const std::string& fileName) {
    const std::string extension = ExtensionOf(fileName);
    return std::none_of(std::begin(kNotImages), std::end(kNotImages),
                        [&](const char* other) { return extension == other; });
}

std::vector<std::string> SortedFileNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string CueTextAsUtf8(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
    }
    if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
        return Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE');
    }
    return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

bool LooksBinary(std::string_view text) {
    size_t controls = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0) {
            return true;
        }
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7F) {
            ++controls;
        }
    }
    return controls * 100 > text.size();
}

CueReadResult ParseCueSheet(std::string_view bytes) {
    const std::string text = CueTextAsUtf8(bytes);
    if (LooksBinary(text)) {
        CueReadResult result;
        result.error = "it is no text, so no cue sheet";
        return result;
    }
    return SheetReader().Read(text);
}

CueReadResult ReadCueSheetFile(const std::string& path) {
    CueReadResult refused;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        refused.error = "it cannot be read";
        return refused;
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxCueSheetBytes) {
        refused.error = "it is larger than any cue sheet (1 MB)";
        return refused;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (!in && !in.eof()) {
        refused.error = "it cannot be read";
        return refused;
    }
    return ParseCueSheet(bytes);
}

std::optional<int64_t> ParseCueTime(std::string_view text, std::string& error) {
    const size_t first = text.find(':');
    const size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) {
        error = "no time in mm:ss:ff";
        return std::nullopt;
    }
    const std::optional<int64_t> minutes = DigitsValue(text.substr(0, first), 99999);
    const std::optional<int64_t> seconds =
        DigitsValue(text.substr(first + 1, second - first - 1), 99);
    const std::optional<int64_t> frames = DigitsValue(text.substr(second + 1), 99);
    if (!minutes || !seconds || !frames) {
        error = "no time in mm:ss:ff";
        return std::nullopt;
    }
    if (*seconds >= 60) {
        error = "its seconds (" + std::to_string(*seconds) + ") are not below 60";
        return std::nullopt;
    }
    if (*frames >= kCueFramesPerSecond) {
        error = "its frames (" + std::to_string(*frames) + ") are not below 75";
        return std::nullopt;
    }
    return (*minutes * 60 + *seconds) * kCueFramesPerSecond + *frames;
}

std::string FormatCueTime(int64_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(frames / (60 * kCueFramesPerSecond)),
                  static_cast<long long>(frames / kCueFramesPerSecond % 60),
                  static_cast<long long>(frames % kCueFramesPerSecond));
    return text;
}

bool IsCueSheetPath(std::string_view path) {
    return path.size() >= 4 && SameTextIgnoringCase(path.substr(path.size() - 4), ".cue");
}

std::optional<std::string> FindCueImage(const std::string& sheetPath, const std::string& name,
                                        bool onlyFile) {
    const size_t slash = sheetPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "./" : sheetPath.substr(0, slash + 1);
    if (name.empty()) {
        return std::nullopt;
    }
    // Sheets made on Windows separate folders with backslashes.
    std::string written = name;
    std::replace(written.begin(), written.end(), '\\', '/');
    const std::string asWritten = written.front() == '/' ? written : folder + written;
    if (IsRegularFile(asWritten)) {
        return asWritten;
    }
    const std::string fileName = written.substr(written.rfind('/') + 1);
    const std::string sheetName = sheetPath.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::vector<std::string> names = SortedFileNames(folder);
    const auto find = [&](const auto& matches) -> std::optional<std::string> {
        for (const std::string& candidate : names) {
            if (matches(candidate) && IsRegularFile(folder + candidate)) {
                return folder + candidate;
            }
        }
        return std::nullopt;
    };
    if (auto found =
            find([&](const std::string& n) { return SameTextIgnoringCase(n, fileName); })) {
        return found;
    }
    const auto sameStem = [&](const std::string& stem) {
        return [&, stem](const std::string& n) {
            return SameTextIgnoringCase(StemOf(n), stem) && MayBeImage(n);
        };
    };
    if (auto found = find(sameStem(StemOf(fileName)))) {
        return found;
    }
    if (onlyFile) {
        return find(sameStem(StemOf(sheetName)));
    }
    return std::nullopt;
}
