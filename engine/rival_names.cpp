#include "engine/rival_names.h"

#include "engine/output_naming.h"
#include "engine/work_file.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <clocale>
#include <cwchar>
#include <cwctype>
#include <locale.h>
#include <sys/stat.h>

namespace {

bool IsDigits(const std::string& text, size_t first, size_t last) {
    return first < last && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(first),
                                       text.begin() + static_cast<std::ptrdiff_t>(last),
                                       [](char c) { return c >= '0' && c <= '9'; });
}

// Where a "(digits)" that ends `stem` opens, or npos. The counter may take
// the whole file name: a base name ".mp3" leads to "(0).mp3".
size_t TrailingCounter(const std::string& stem, size_t nameStart) {
    if (stem.empty() || stem.back() != ')') {
        return std::string::npos;
    }
    const size_t open = stem.rfind('(');
    if (open == std::string::npos || open < nameStart ||
        !IsDigits(stem, open + 1, stem.size() - 1)) {
        return std::string::npos;
    }
    return open;
}

// The locale whose case mappings are Unicode's, whatever the program's
// own locale is; null when the system has none.
locale_t Utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

std::string FoldAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Lower case of a UTF-8 text; bytes that are no UTF-8 stay as they are.
std::string FoldCase(const std::string& text) {
    const locale_t utf8 = Utf8Locale();
    if (!utf8) {
        return FoldAscii(text);
    }
    const locale_t previous = uselocale(utf8);
    std::string folded;
    std::mbstate_t in{};
    for (size_t at = 0; at < text.size();) {
        wchar_t wide = 0;
        const size_t length = std::mbrtowc(&wide, text.data() + at, text.size() - at, &in);
        if (length == 0 || length > text.size() - at) { // a NUL, or not UTF-8
            folded += text[at++];
            in = std::mbstate_t{};
            continue;
        }
        char bytes[MB_LEN_MAX];
        std::mbstate_t out{};
        const size_t written = std::wcrtomb(
            bytes, static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wide))), &out);
        if (written == static_cast<size_t>(-1)) {
            folded.append(text, at, length);
        } else {
            folded.append(bytes, written);
        }
        at += length;
    }
    uselocale(previous);
    return folded;
}

std::string WithSwappedCase(const std::string& text) {
    std::string swapped = text;
    for (char& c : swapped) {
        const auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(std::islower(byte) ? std::toupper(byte) : std::tolower(byte));
    }
    return swapped;
}

} // namespace

std::string RivalNameGroup(const std::string& outputPath, bool ignoreCase) {
    const size_t slash = outputPath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t at = CounterPosition(outputPath);
    std::string stem = outputPath.substr(0, at);
    for (size_t open = TrailingCounter(stem, nameStart); open != std::string::npos;
         open = TrailingCounter(stem, nameStart)) {
        stem.resize(open);
    }
    std::string name = stem.substr(nameStart) + outputPath.substr(at);
    return stem.substr(0, nameStart) + (ignoreCase ? FoldCase(name) : name);
}

bool FolderIgnoresCase(const std::string& folder) {
    // A work file's name is in lower case: if the same name in upper case
    // finds the very same file, the folder ignores case.
    WorkFile probe;
    if (CreateWorkFile(folder + "/probe", probe) < 0) {
        return false;
    }
    const size_t slash = probe.path.rfind('/');
    const std::string swapped =
        probe.path.substr(0, slash + 1) + WithSwappedCase(probe.path.substr(slash + 1));
    struct stat original {};
    struct stat other {};
    const bool same = ::fstat(probe.fd, &original) == 0 && ::stat(swapped.c_str(), &other) == 0 &&
                      original.st_dev == other.st_dev && original.st_ino == other.st_ino;
    DiscardWorkFile(probe);
    return same;
}
