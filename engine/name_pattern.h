// Output names made from a source's tags: "{albumartist}/{album}/{track:02}
// {title}" gives "Artist/Album/03 Title.mp3" below the output folder. Each
// field becomes exactly one name component whatever its tag holds, so no tag
// can lead a name out of the output folder.
#pragma once

#include <string>
#include <vector>

// The fields a pattern may name.
enum class NameField {
    Artist,
    AlbumArtist,
    Album,
    Title,
    Track,
    Disc,
    Year,
    Genre,
    Name,   // the source's file name without its extension
    Folder, // the source's folder relative to the FILE argument it came from
};

struct NamePiece {
    bool isField = false;
    std::string text; // literal text; for a field its name as written
    NameField field = NameField::Name;
    int width = 0; // {track:02}: pad with zeros to this many digits
};

struct NamePattern {
    std::vector<NamePiece> pieces;
};

// Reads a pattern. Returns "" with `pattern` filled, or why it is refused
// naming the field or brace at fault.
std::string ParseNamePattern(const std::string& text, NamePattern& pattern);

// What the fields of one source are; empty means the tag is missing.
struct NameTags {
    std::string artist;
    std::string albumArtist;
    std::string album;
    std::string title;
    std::string track; // "3" or "3/12"
    std::string disc;
    std::string date; // "2001" or "2001-05-03"
    std::string genre;
    std::string name;
    std::string folder; // "" for a source named on its own; "/" between subfolders
};

// Which characters a name component may hold.
enum class NameRules {
    Posix,    // everything but "/" and NUL (control characters are replaced too)
    Portable, // what FAT, exFAT, NTFS and Windows accept
};

// The largest name component, in bytes, that common file systems take.
inline constexpr size_t kMaxNameBytes = 255;

// The relative output path of a source: the pattern's text with its fields
// filled in, `extension` (".mp3") added to the last component, every
// component made acceptable under `rules` and cut to kMaxNameBytes on a
// UTF-8 character boundary. Components left empty by the pattern are
// dropped.
std::string ExpandNamePattern(const NamePattern& pattern, const NameTags& tags, NameRules rules,
                              const std::string& extension);

// Portable for folders on file systems that hold fewer characters than
// Linux's own (FAT, exFAT, NTFS, SMB shares), else Posix.
NameRules NameRulesOfFolder(const std::string& folder);
