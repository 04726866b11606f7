// Output names from tags: which pattern, tags and file system give which
// relative path, and which patterns are refused before anything runs.
#include "engine/name_pattern.h"

#include <gtest/gtest.h>

namespace {

NameTags FullTags() {
    NameTags tags;
    tags.artist = "Nina Vale";
    tags.albumArtist = "Various";
    tags.album = "Night Songs";
    tags.title = "Blue Hour";
    tags.track = "3/12";
    tags.disc = "2/2";
    tags.date = "2001-05-03";
    tags.genre = "Jazz";
    tags.name = "03 blue";
    tags.folder = "A/CD2";
    return tags;
}

NameTags NameOnly() {
    NameTags tags;
    tags.name = "take 7";
    return tags;
}

NameTags WithTitle(const std::string& title) {
    NameTags tags = NameOnly();
    tags.title = title;
    return tags;
}

NameTags WithArtist(const std::string& artist) {
    NameTags tags = NameOnly();
    tags.artist = artist;
    return tags;
}

constexpr NameRules kPosix = NameRules::Posix;
constexpr NameRules kPortable = NameRules::Portable;

struct Case {
    const char* pattern;
    NameTags tags;
    NameRules rules;
    std::string expected;
};

TEST(NamePattern, FillsFieldsAndMakesNamesTheFileSystemHolds) {
    const std::string longTitle(300, 'x');
    const std::string euro = "\xe2\x82\xac"; // three bytes
    const std::string euros = [&] {
        std::string text;
        for (int i = 0; i < 100; ++i) {
            text += euro;
        }
        return text;
    }();
    const Case cases[] = {
        {"{albumartist}/{album}/{disc}-{track:02} {title}", FullTags(), kPosix,
         "Various/Night Songs/2-03 Blue Hour.mp3"},
        {"{artist} - {year} - {genre}", FullTags(), kPosix, "Nina Vale - 2001 - Jazz.mp3"},
        {"{folder}/{name}", FullTags(), kPosix, "A/CD2/03 blue.mp3"},
        {"{track:03}", FullTags(), kPosix, "003.mp3"},
        // Missing tags fall back; a missing album artist is the artist.
        {"{albumartist}/{album}/{disc}-{track:02} {title}", NameOnly(), kPosix,
         "Unknown Artist/Unknown Album/1-00 take 7.mp3"},
        {"{albumartist}/{title}", WithArtist("Solo"), kPosix, "Solo/take 7.mp3"},
        {"{year} {genre}", NameOnly(), kPosix, "Unknown Year Unknown Genre.mp3"},
        {"{title}", WithTitle("   "), kPosix, "take 7.mp3"},
        // A source named on its own has no folder: the empty component goes.
        {"{folder}/{name}", NameOnly(), kPosix, "take 7.mp3"},
        // Each field is one component: no tag can climb out or make folders.
        {"{artist}/{title}", WithArtist("../../etc"), kPosix, ".._.._etc/take 7.mp3"},
        {"{artist}/{title}", WithArtist(".."), kPosix, "__/take 7.mp3"},
        {"{artist}/{title}", WithArtist("."), kPosix, "_/take 7.mp3"},
        {"{title}", WithTitle(std::string("a\0b/c", 5)), kPosix, "a_b_c.mp3"},
        {"{title}", WithTitle("tab\there\nnew"), kPosix, "tab_here_new.mp3"},
        {"/{title}", NameOnly(), kPosix, "take 7.mp3"},
        {"../{title}", NameOnly(), kPosix, "__/take 7.mp3"},
        // What Linux file systems hold stays; FAT and Windows take less.
        {"{title}", WithTitle("What? <Live> \"A|B\" 1:2 *\\"), kPosix,
         "What? <Live> \"A|B\" 1:2 *\\.mp3"},
        {"{title}", WithTitle("What? <Live> \"A|B\" 1:2 *\\"), kPortable,
         "What_ _Live_ _A_B_ 1_2 __.mp3"},
        {"{artist}/{title}", WithArtist("Trailing. "), kPortable, "Trailing/take 7.mp3"},
        {"{artist}/{title}", WithArtist("Trailing. "), kPosix, "Trailing./take 7.mp3"},
        {"{title}", WithTitle("con"), kPortable, "_con.mp3"},
        {"{title}/{name}", WithTitle("LPT1.txt"), kPortable, "_LPT1.txt/take 7.mp3"},
        {"{title}", WithTitle("COM10"), kPortable, "COM10.mp3"},
        {"{title}", WithTitle("con"), kPosix, "con.mp3"},
        {"{title}", WithTitle("bad\xff utf8"), kPosix, "bad\xff utf8.mp3"},
        {"{title}", WithTitle("bad\xff utf8"), kPortable, "bad_ utf8.mp3"},
        // 255 bytes per component, the extension included, cut between characters.
        {"{title}", WithTitle(longTitle), kPosix, std::string(251, 'x') + ".mp3"},
        {"{artist}/x", WithArtist(longTitle), kPosix, std::string(255, 'x') + "/x.mp3"},
        {"{title}", WithTitle(euros), kPosix, euros.substr(0, 83 * 3) + ".mp3"},
        {"{artist}/x", WithArtist(euros), kPortable, euros.substr(0, 85 * 3) + "/x.mp3"},
    };
    for (const Case& c : cases) {
        NamePattern pattern;
        ASSERT_EQ(ParseNamePattern(c.pattern, pattern), "") << c.pattern;
        const std::string name = ExpandNamePattern(pattern, c.tags, c.rules, ".mp3");
        EXPECT_EQ(name, c.expected) << c.pattern << " / " << c.tags.title << c.tags.artist;
        for (size_t at = 0, slash = 0; slash != std::string::npos; at = slash + 1) {
            slash = name.find('/', at);
            EXPECT_LE(name.substr(at, slash - at).size(), kMaxNameBytes) << name;
        }
    }
}

TEST(NamePattern, RefusesUnknownFieldsAndUnclosedBracesNamingThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"{artist}/{albun}", "unknown field '{albun}'"},
        {"{Artist}", "unknown field '{Artist}'"},
        {"{}", "unknown field '{}'"},
        {"{album", "unclosed brace '{album'"},
        {"{artist/{title}", "unclosed brace '{artist/'"},
        {"{title:02}", "bad width in field '{title:02}'"},
        {"{track:x}", "bad width in field '{track:x}'"},
        {"{album}/", "ends in '/'"},
        {"", "empty"},
    };
    for (const auto& [text, error] : cases) {
        NamePattern pattern;
        EXPECT_NE(ParseNamePattern(text, pattern).find(error), std::string::npos)
            << text << ": " << ParseNamePattern(text, pattern);
    }
}

} // namespace
