#include "engine/name_pattern.h"

#include "engine/utf8_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <sys/statfs.h>

namespace {

struct FieldName {
    std::string_view name;
    NameField field;
    bool numeric; // takes a zero-padded width such as {track:02}
};

constexpr std::array kFieldNames = {
    FieldName{"artist", NameField::Artist, false},
    FieldName{"albumartist", NameField::AlbumArtist, false},
    FieldName{"album", NameField::Album, false},
    FieldName{"title", NameField::Title, false},
    FieldName{"track", NameField::Track, true},
    FieldName{"disc", NameField::Disc, true},
    FieldName{"year", NameField::Year, false},
    FieldName{"genre", NameField::Genre, false},
    FieldName{"name", NameField::Name, false},
    FieldName{"folder", NameField::Folder, false},
};

std::string KnownFields() {
    std::string list;
    for (const FieldName& known : kFieldNames) {
        list += (list.empty() ? "{" : ", {") + std::string(known.name) + "}";
    }
    return list;
}

const FieldName* FindField(std::string_view name) {
    for (const FieldName& known : kFieldNames) {
        if (known.name == name) {
            return &known;
        }
    }
    return nullptr;
}

// ":02" -> 2; -1 for anything else.
int ParseWidth(std::string_view spec) {
    if (spec.size() < 2 || spec.size() > 3 || spec[0] != ':' ||
        !std::all_of(spec.begin() + 1, spec.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    const int width = std::stoi(std::string(spec.substr(1)));
    return width >= 1 && width <= 20 ? width : -1;
}

// Reads "{...}" whose "{" is at `open`; returns "" and the piece, or why not.
std::string ParseField(const std::string& text, size_t open, NamePiece& piece, size_t& next) {
    const size_t close = text.find('}', open);
    const size_t nextOpen = text.find('{', open + 1);
    if (close == std::string::npos || (nextOpen != std::string::npos && nextOpen < close)) {
        const size_t end = nextOpen == std::string::npos ? text.size() : nextOpen;
        return "unclosed brace '" + text.substr(open, end - open) + "' in the name pattern";
    }
    const std::string written = text.substr(open, close - open + 1);
    const std::string_view inside = std::string_view(text).substr(open + 1, close - open - 1);
    const size_t colon = inside.find(':');
    const FieldName* known = FindField(inside.substr(0, colon));
    if (!known) {
        return "unknown field '" + written + "' in the name pattern (one of: " + KnownFields() +
               ")";
    }
    piece.isField = true;
    piece.text = written;
    piece.field = known->field;
    if (colon != std::string_view::npos) {
        piece.width = known->numeric ? ParseWidth(inside.substr(colon)) : -1;
        if (piece.width < 0) {
            return "bad width in field '" + written + "' (give a zero-padded count such as " +
                   (known->numeric ? "{" + std::string(known->name) + ":02}" : "{track:02}") + ")";
        }
    }
    next = close + 1;
    return "";
}

std::string Trimmed(const std::string& text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isSpace(text[first])) {
        ++first;
    }
    while (last > first && isSpace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

std::string OrElse(const std::string& tag, const std::string& fallback) {
    const std::string value = Trimmed(tag);
    return value.empty() ? fallback : value;
}

// "3/12" -> "3"; padded to `width` digits when it is a number.
std::string NumberField(const std::string& tag, const std::string& fallback, int width) {
    std::string value = OrElse(tag.substr(0, tag.find('/')), fallback);
    const bool digits =
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && static_cast<int>(value.size()) < width) {
        value.insert(0, static_cast<size_t>(width) - value.size(), '0');
    }
    return value;
}

std::string YearOf(const std::string& date) {
    const std::string value = OrElse(date, "Unknown Year");
    const bool leadingYear =
        value.size() >= 4 && std::all_of(value.begin(), value.begin() + 4, [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
    return leadingYear ? value.substr(0, 4) : value;
}

std::string FieldValue(const NamePiece& piece, const NameTags& tags) {
    switch (piece.field) {
    case NameField::Artist:
        return OrElse(tags.artist, "Unknown Artist");
    case NameField::AlbumArtist:
        return OrElse(tags.albumArtist, OrElse(tags.artist, "Unknown Artist"));
    case NameField::Album:
        return OrElse(tags.album, "Unknown Album");
    case NameField::Title:
        return OrElse(tags.title, OrElse(tags.name, "_"));
    case NameField::Track:
        return NumberField(tags.track, "0", piece.width);
    case NameField::Disc:
        return NumberField(tags.disc, "1", piece.width);
    case NameField::Year:
        return YearOf(tags.date);
    case NameField::Genre:
        return OrElse(tags.genre, "Unknown Genre");
    case NameField::Name:
        return OrElse(tags.name, "_");
    case NameField::Folder:
        return tags.folder;
    }
    return "";
}

bool IsHeldBy(unsigned char c, NameRules rules) {
    if (c == '/' || c < 0x20 || c == 0x7f) {
        return false;
    }
    return rules == NameRules::Posix ||
           std::string_view("<>:\"\\|?*").find(static_cast<char>(c)) == std::string_view::npos;
}

// One field's or literal's text with every character the file system cannot
// hold replaced by "_". Portable names must also be valid UTF-8.
std::string HeldText(std::string_view text, NameRules rules) {
    std::string held;
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8Length(text, at);
        if (length == 0) {
            held += rules == NameRules::Portable ? '_' : text[at];
            ++at;
        } else if (length == 1) {
            const auto c = static_cast<unsigned char>(text[at]);
            held += IsHeldBy(c, rules) ? text[at] : '_';
            ++at;
        } else {
            held.append(text.substr(at, length));
            at += length;
        }
    }
    return held;
}

// The longest start of `text` within `limit` bytes that ends on a character
// boundary (a byte that is no UTF-8 counts as one character).
std::string CutToBytes(const std::string& text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t length = std::max<size_t>(1, Utf8Length(text, end));
        if (end + length > limit) {
            break;
        }
        end += length;
    }
    return text.substr(0, end);
}

bool IsReservedDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") {
        return true;
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

void DropTrailingDotsAndSpaces(std::string& name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.pop_back();
    }
}

// A component the folder can hold, within `limit` bytes: never "." or "..",
// and under the portable rules no trailing dot or space and no device name.
std::string FinishedComponent(std::string name, NameRules rules, size_t limit) {
    if (rules == NameRules::Portable) {
        DropTrailingDotsAndSpaces(name);
        if (IsReservedDeviceName(name)) {
            name.insert(0, "_");
        }
    }
    name = CutToBytes(name, limit);
    if (rules == NameRules::Portable) {
        DropTrailingDotsAndSpaces(name);
    }
    if (name.empty() || name == "." || name == "..") {
        std::replace(name.begin(), name.end(), '.', '_');
        if (name.empty()) {
            name = "_";
        }
    }
    return name;
}

// The pattern's components, each with its fields filled in and its
// characters made ones the folder can hold; {folder} brings its own.
std::vector<std::string> FilledComponents(const NamePattern& pattern, const NameTags& tags,
                                          NameRules rules) {
    std::vector<std::string> components(1);
    for (const NamePiece& piece : pattern.pieces) {
        if (!piece.isField) {
            for (size_t at = 0, slash = 0; slash != std::string::npos; at = slash + 1) {
                slash = piece.text.find('/', at);
                if (at > 0) {
                    components.emplace_back();
                }
                components.back() += HeldText(piece.text.substr(at, slash - at), rules);
            }
            continue;
        }
        const std::string value = FieldValue(piece, tags);
        if (piece.field != NameField::Folder) {
            components.back() += HeldText(value, rules);
            continue;
        }
        for (size_t at = 0, slash = 0; slash != std::string::npos; at = slash + 1) {
            slash = value.find('/', at);
            if (at > 0) {
                components.emplace_back();
            }
            components.back() += HeldText(value.substr(at, slash - at), rules);
        }
    }
    return components;
}

} // namespace

std::string ParseNamePattern(const std::string& text, NamePattern& pattern) {
    pattern.pieces.clear();
    if (text.empty()) {
        return "the name pattern is empty";
    }
    for (size_t at = 0; at < text.size();) {
        const size_t open = text.find('{', at);
        if (open != at) {
            const size_t end = open == std::string::npos ? text.size() : open;
            pattern.pieces.push_back(NamePiece{false, text.substr(at, end - at)});
            at = end;
            continue;
        }
        NamePiece piece;
        if (std::string error = ParseField(text, open, piece, at); !error.empty()) {
            return error;
        }
        pattern.pieces.push_back(std::move(piece));
    }
    if (text.back() == '/') {
        return "the name pattern '" + text + "' ends in '/' and so names no file";
    }
    return "";
}

std::string ExpandNamePattern(const NamePattern& pattern, const NameTags& tags, NameRules rules,
                              const std::string& extension) {
    std::vector<std::string> components = FilledComponents(pattern, tags, rules);
    std::string stem = components.back();
    components.pop_back();
    std::string path;
    for (const std::string& component : components) {
        if (!component.empty()) {
            path += FinishedComponent(component, rules, kMaxNameBytes) + "/";
        }
    }
    const size_t room = kMaxNameBytes > extension.size() ? kMaxNameBytes - extension.size() : 1;
    return path + FinishedComponent(stem, rules, room) + extension;
}

NameRules NameRulesOfFolder(const std::string& folder) {
    constexpr long kMsdos = 0x4d44;
    constexpr long kExfat = 0x2011BAB0;
    constexpr long kNtfs = 0x5346544e;
    constexpr long kSmb = 0x517B;
    constexpr long kCifs = 0xFF534D42;
    constexpr long kSmb2 = 0xFE534D42;
    // A folder not made yet is on its nearest existing parent's file system.
    std::string probe = folder.empty() ? "." : folder;
    struct statfs info {};
    while (::statfs(probe.c_str(), &info) != 0) {
        const size_t slash = probe.find_last_of('/');
        if (slash == std::string::npos || probe == "/") {
            probe = probe == "." ? "/" : ".";
        } else {
            probe = slash == 0 ? "/" : probe.substr(0, slash);
        }
        if (probe == "/" && ::statfs("/", &info) != 0) {
            return NameRules::Posix;
        }
    }
    const auto type = static_cast<long>(info.f_type);
    for (long portable : {kMsdos, kExfat, kNtfs, kSmb, kCifs, kSmb2}) {
        if (type == portable) {
            return NameRules::Portable;
        }
    }
    return NameRules::Posix;
}
