#include "tasks/cue_tracks.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using namespace veltrano::test;

struct ExpectedTrack {
    const char* image;
    int64_t start; // cue frames
    int64_t end;   // cue frames, -1 to the image's end
    const char* name;
};

using ExpectedTag = std::tuple<int, const char*, const char*>; // track, key, value ("" removed)

struct SheetCase {
    const char* name;
    const char* sheetName;
    std::string bytes;
    std::vector<const char*> images; // made beside the sheet, 4 s each
    std::vector<ExpectedTrack> tracks;
    std::vector<ExpectedTag> tags;
    std::vector<const char*> notices;
    int refusedLine = -1; // -1: read
    const char* refusal = nullptr;
};

const std::string kBom = "\xEF\xBB\xBF";

const std::vector<SheetCase> kSheets = {
    {"UTF-8 with a BOM, pregap to the track before",
     "album.cue",
     kBom + "REM GENRE \"Art Pop\"\r\nREM DATE 1993\r\nPERFORMER \"Björk\"\r\n"
            "TITLE \"Début\"\r\nFILE \"album.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
            "    TITLE \"Human Behaviour\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
            "    TITLE \"Crying\"\r\n    PERFORMER \"Guest\"\r\n    INDEX 00 00:01:00\r\n"
            "    INDEX 01 00:01:30\r\n",
     {"album.wav"},
     {{"album.wav", 0, 105, "01 - Human Behaviour"}, {"album.wav", 105, -1, "02 - Crying"}},
     {{0, "album", "Début"},
      {0, "artist", "Björk"},
      {1, "artist", "Guest"},
      {1, "album_artist", "Björk"},
      {1, "title", "Crying"},
      {1, "track", "2/2"},
      {0, "genre", "Art Pop"},
      {0, "date", "1993"}},
     {}},
    {"UTF-8 without a BOM, unquoted values, track facts",
     "album.cue",
     "CATALOG 0724384260927\nREM DISCNUMBER 2\nREM TOTALDISCS 3\nPERFORMER Some Band\n"
     "SONGWRITER Writer One\nFILE album.wav WAVE\nTRACK 01 AUDIO\nTITLE A/B Side\n"
     "ISRC GBAYE9300001\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nSONGWRITER Writer Two\n"
     "INDEX 01 00:02:74\n",
     {"album.wav"},
     {{"album.wav", 0, 224, "01 - A-B Side"}, {"album.wav", 224, -1, "02 - Track 02"}},
     {{0, "title", "A/B Side"},
      {0, "ISRC", "GBAYE9300001"},
      {0, "artist", "Some Band"},
      {0, "composer", "Writer One"},
      {1, "composer", "Writer Two"},
      {1, "title", ""},
      {1, "ISRC", ""},
      {1, "disc", "2/3"}},
     {}},
    {"Windows-1252",
     "album.cue",
     "PERFORMER \"Mot\xF6rhead\"\nTITLE \"Caf\xE9 \x93Noir\x94\"\nFILE \"album.wav\" WAVE\n"
     "TRACK 01 AUDIO\nTITLE \"Ni\xF1o \x96 Live\"\nINDEX 01 00:00:00\n",
     {"album.wav"},
     {{"album.wav", 0, -1, "01 - Niño – Live"}},
     {{0, "album", "Café “Noir”"}, {0, "artist", "Motörhead"}},
     {}},
    {"several FILEs, a pregap at the end of the first",
     "album.cue",
     "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "INDEX 00 00:03:00\nFILE \"b.wav\" WAVE\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n"
     "INDEX 01 00:02:10\n",
     {"a.wav", "b.wav"},
     {{"a.wav", 0, -1, "01 - Track 01"},
      {"b.wav", 0, 160, "02 - Track 02"},
      {"b.wav", 160, -1, "03 - Track 03"}},
     {{2, "track", "3/3"}},
     {}},
    {"image renamed to another extension",
     "album.cue",
     "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     {"album.flac"},
     {{"album.flac", 0, -1, "01 - Track 01"}},
     {},
     {}},
    {"image named in another case",
     "album.cue",
     "FILE \"ALBUM.WAV\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     {"album.wav"},
     {{"album.wav", 0, -1, "01 - Track 01"}},
     {},
     {}},
    {"image under the sheet's base name",
     "disc.cue",
     "FILE \"CDImage.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     {"disc.accurip", "disc.flac"},
     {{"disc.flac", 0, -1, "01 - Track 01"}},
     {},
     {}},
    {"DATA track skipped",
     "album.cue",
     "FILE \"data.bin\" BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
     "FILE \"album.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n",
     {"album.wav"},
     {{"album.wav", 0, -1, "02 - Track 02"}},
     {},
     {"track 01 is a MODE1/2352 data track and was skipped"}},
    {"missing image",
     "album.cue",
     "TITLE x\nFILE \"gone.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
     {"other.wav"},
     {},
     {},
     {},
     2,
     "the file \"gone.wav\" is not there"},
    {"no TRACK",
     "album.cue",
     "FILE \"album.wav\" WAVE\n",
     {"album.wav"},
     {},
     {},
     {},
     0,
     "no line of the sheet is a TRACK"},
    {"INDEX going backwards",
     "album.cue",
     "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\n"
     "INDEX 01 00:01:00\n",
     {"album.wav"},
     {},
     {},
     {},
     5,
     "INDEX 01 at 00:01:00 goes back before 00:02:00 on line 3"},
    {"frame field of 75",
     "album.cue",
     "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
     {"album.wav"},
     {},
     {},
     {},
     3,
     "its frames (75) are not below 75"},
    {"track past the image's end",
     "album.cue",
     "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
     "INDEX 01 00:04:00\n",
     {"album.wav"},
     {},
     {},
     {},
     5,
     "TRACK 02 starts at 00:04:00, past the end of \"album.wav\""},
    {"binary file named .cue",
     "album.cue",
     std::string("FILE \"album.wav\" WAVE\n\0\x01\x02\x03TRACK 01 AUDIO\n", 40),
     {"album.wav"},
     {},
     {},
     {},
     0,
     "it is no text"},
    {"sheet of 10 MB",
     "album.cue",
     "FILE \"album.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n" +
         std::string(10 * 1024 * 1024, ' '),
     {"album.wav"},
     {},
     {},
     {},
     0,
     "larger than any cue sheet"},
};

std::string TagOf(const TagList& tags, const std::string& key) {
    for (const auto& [k, v] : tags) {
        if (k == key) {
            return v;
        }
    }
    return "(not set)";
}

TEST(CueSheets, GiveTheirTracksAndTagsOrAreRefusedAtTheWrongLine) {
    int index = 0;
    for (const SheetCase& c : kSheets) {
        SCOPED_TRACE(c.name);
        const std::string dir = MakeScratchDir("cue_sheet_" + std::to_string(index++));
        for (const char* image : c.images) {
            // The sheet and the rip's reports lie beside an image and are
            // never it.
            if (std::string(image).ends_with(".accurip")) {
                WriteBytes(dir + "/" + image, "rip report");
                continue;
            }
            ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4",
                                  dir + "/" + image));
        }
        const std::string sheet = dir + "/" + c.sheetName;
        WriteBytes(sheet, c.bytes);
        AVConvert engine;
        const CueAlbum album = LoadCueAlbum(engine, sheet);
        if (c.refusal) {
            EXPECT_EQ(album.line, c.refusedLine);
            EXPECT_NE(album.error.find(c.refusal), std::string::npos) << album.error;
            EXPECT_TRUE(album.tracks.empty());
            continue;
        }
        ASSERT_FALSE(album.Refused()) << album.error << " on line " << album.line;
        ASSERT_EQ(album.tracks.size(), c.tracks.size());
        for (size_t t = 0; t < c.tracks.size(); ++t) {
            const CueTrack& track = album.tracks[t];
            EXPECT_EQ(track.imagePath, dir + "/" + c.tracks[t].image) << t;
            EXPECT_EQ(track.start, c.tracks[t].start) << t;
            EXPECT_EQ(track.end, c.tracks[t].end) << t;
            EXPECT_EQ(track.name, c.tracks[t].name) << t;
        }
        for (const auto& [t, key, value] : c.tags) {
            EXPECT_EQ(TagOf(album.tracks[static_cast<size_t>(t)].tags, key), value)
                << "track " << t << " " << key;
        }
        EXPECT_EQ(album.notices, std::vector<std::string>(c.notices.begin(), c.notices.end()));
    }
}

// The refusal names the sheet as the window names any file it refuses, and
// then the line.
TEST(CueSheets, RefusalMessageNamesTheFileAndTheLine) {
    CueAlbum album;
    album.line = 5;
    album.error = "INDEX 01 00:00:75: its frames (75) are not below 75";
    EXPECT_EQ(CueRefusalMessage("/music/album.cue", album),
              "File:album.cue is invalid! Line 5: INDEX 01 00:00:75: its frames (75) are not "
              "below 75.");
    album.line = 0;
    album.error = "no line of the sheet is a TRACK";
    EXPECT_EQ(CueRefusalMessage("/music/album.cue", album),
              "File:album.cue is invalid! No line of the sheet is a TRACK.");
}

TEST(CueSheets, TimesCountSeventyFiveFramesASecond) {
    std::string error;
    EXPECT_EQ(ParseCueTime("00:00:00", error), 0);
    EXPECT_EQ(ParseCueTime("01:02:03", error), (62 * 75) + 3);
    EXPECT_EQ(ParseCueTime("120:00:74", error), 120 * 60 * 75 + 74);
    EXPECT_EQ(ParseCueTime("00:60:00", error), std::nullopt);
    EXPECT_EQ(error, "its seconds (60) are not below 60");
    EXPECT_EQ(ParseCueTime("00:00", error), std::nullopt);
    EXPECT_EQ(FormatCueTime(62 * 75 + 3), "01:02:03");
}

} // namespace
