// The format, its refined settings and a browsed folder kept between runs as
// extra keys of the settings file's [Info] section.
#include "profiles/output_catalogue.h"
#include "tasks/ini_file.h"
#include "tasks/output_folder.h"
#include "tasks/remembered_output.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

namespace {

using namespace veltrano::test;
using namespace std::string_literals;
namespace fs = std::filesystem;

const int kMp3Index = 6;
const int kOggIndex = 7;
const int kWavIndex = 9;
const int kAlacIndex = 13;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

auto AudioFields(const OutputParameters& settings) {
    return std::tuple(settings.profileId, settings.audioEncoder, settings.audioBitRate,
                      settings.sampleRate, settings.channels);
}

// A program folder with its "bin" folder, and the state LoadOutputFolder
// would leave.
struct SettingsFile {
    explicit SettingsFile(const std::string& name) : app(MakeScratchDir(name)) {
        fs::create_directory(app + "/bin");
        state.m_iniPath = app + "/bin/Path_Registration.ini";
    }
    std::string app;
    MainWindowState state;
};

TEST(RememberedOutput, ARestartGetsBackTheFormatAndItsSettings) {
    SettingsFile file("tasks_remember_restart");
    OutputParameters chosen;
    SelectOutputFormat(chosen, kWavIndex);
    chosen.audioEncoder = "PCM_ALAW";
    chosen.audioBitRate = 320000;
    chosen.sampleRate = 22050;
    chosen.channels = 1;
    SaveOutputChoice(file.state, chosen);

    OutputParameters restored;
    SelectOutputFormat(restored, kMp3Index); // whatever the process held before
    EXPECT_EQ(LoadOutputChoice(file.state, restored), kWavIndex);
    EXPECT_EQ(AudioFields(restored), AudioFields(chosen));
}

TEST(RememberedOutput, ARestartGetsBackAlacAndSameAsSource) {
    SettingsFile file("tasks_remember_alac");
    OutputParameters chosen;
    SelectOutputFormat(chosen, kAlacIndex);
    SaveOutputChoice(file.state, chosen);
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "Format"), "alac");
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "SampleRate"), "0");
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "Channels"), "0");

    OutputParameters restored;
    EXPECT_EQ(LoadOutputChoice(file.state, restored), kAlacIndex);
    EXPECT_EQ(AudioFields(restored), AudioFields(chosen));
    EXPECT_EQ(restored.sampleRate, kSameAsSource);
}

TEST(RememberedOutput, ARestartGetsBackTheLoudnessAndAnOlderFileLoadsItOff) {
    SettingsFile file("tasks_remember_loudness");
    OutputParameters chosen;
    SelectOutputFormat(chosen, kMp3Index);
    chosen.writeReplayGain = true;
    chosen.normalizeLufs = -23;
    chosen.normalizeAlbums = true;
    SaveOutputChoice(file.state, chosen);
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "NormalizeAlbums"), "1");
    OutputParameters restored;
    EXPECT_EQ(LoadOutputChoice(file.state, restored), kMp3Index);
    EXPECT_TRUE(restored.writeReplayGain);
    EXPECT_EQ(restored.normalizeLufs, -23);
    EXPECT_TRUE(restored.normalizeAlbums);

    // A file of an earlier version, and one edited to a target not offered.
    for (const std::string& text : {"[Info]\nFormat=mp3\nEncoder=MP3\n"s,
                                    "[Info]\nFormat=mp3\nReplayGain=yes\nNormalize=-20\n"
                                    "NormalizeAlbums=yes\n"s}) {
        WriteText(file.state.m_iniPath, text);
        OutputParameters older;
        older.writeReplayGain = true; // whatever the process held before
        older.normalizeLufs = -14;
        older.normalizeAlbums = true;
        EXPECT_EQ(LoadOutputChoice(file.state, older), kMp3Index) << text;
        EXPECT_FALSE(older.writeReplayGain) << text;
        EXPECT_EQ(older.normalizeLufs, 0) << text;
        EXPECT_FALSE(older.normalizeAlbums) << text;
    }
}

TEST(RememberedOutput, ARestartGetsBackTheOutputNamesAndAnUnreadablePatternIsDropped) {
    SettingsFile file("tasks_remember_names");
    OutputParameters chosen;
    SelectOutputFormat(chosen, kMp3Index);
    chosen.namePattern = "{albumartist}/{album}/{track:02} {title}";
    chosen.onlyNewAndChanged = true;
    SaveOutputChoice(file.state, chosen);
    OutputParameters restored;
    EXPECT_EQ(LoadOutputChoice(file.state, restored), kMp3Index);
    EXPECT_EQ(restored.namePattern, chosen.namePattern);
    EXPECT_TRUE(restored.onlyNewAndChanged);

    // A file of an earlier version, and one edited by hand into no pattern.
    for (const std::string& text :
         {"[Info]\nFormat=mp3\n"s,
          "[Info]\nFormat=mp3\nOutputNames={bogus}\nOnlyNewAndChanged=yes\n"s}) {
        WriteText(file.state.m_iniPath, text);
        OutputParameters older;
        older.namePattern = "{title}"; // whatever the process held before
        older.onlyNewAndChanged = true;
        EXPECT_EQ(LoadOutputChoice(file.state, older), kMp3Index) << text;
        EXPECT_TRUE(older.namePattern.empty()) << text;
        EXPECT_FALSE(older.onlyNewAndChanged) << text;
    }
}

TEST(RememberedOutput, KeepsTheFilesOtherKeysAndSections) {
    SettingsFile file("tasks_remember_keeps");
    WriteText(file.state.m_iniPath, "; by hand\n[Other]\nFormat=keep\n\n[info]\nPath=/music/out\n"
                                    "Colour=blue\n\n[Last]\ny=2\n");
    OutputParameters chosen;
    SelectOutputFormat(chosen, kOggIndex);
    SaveOutputChoice(file.state, chosen);
    EXPECT_EQ(ReadText(file.state.m_iniPath),
              "; by hand\n[Other]\nFormat=keep\n\n[info]\nPath=/music/out\nColour=blue\n"
              "Format=ogg\nEncoder=VORBIS\nBitRate=128000\nSampleRate=44100\nChannels=2\n"
              "ReplayGain=0\nNormalize=0\nNormalizeAlbums=0\nOutputNames=\nOnlyNewAndChanged=0\n\n"
              "[Last]\ny=2\n");

    // Saving again replaces the keys in place.
    chosen.audioBitRate = 192000;
    SaveOutputChoice(file.state, chosen);
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "BitRate"), "192000");
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "Path"), "/music/out");
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Other", "Format"), "keep");
}

struct FallbackCase {
    const char* name;
    std::string fileText; // empty: no file at all
    int formatIndex;
    std::string encoder;
    int32_t bitRate;
    int32_t sampleRate;
    int32_t channels;
};

// Whatever is missing or unreadable falls back, value by value, to a first
// start's state: the first format, or the remembered format's defaults.
TEST(RememberedOutput, MissingOrUnreadableValuesFallBack) {
    const FallbackCase cases[] = {
        {"no file", "", 0, "AAC", 192000, 48000, 2},
        {"no keys", "[Info]\nPath=/x\n", 0, "AAC", 192000, 48000, 2},
        {"unknown format", "[Info]\nFormat=xyz\nEncoder=MP3\n", 0, "AAC", 192000, 48000, 2},
        {"keys in another section", "[Other]\nFormat=mp3\n", 0, "AAC", 192000, 48000, 2},
        {"format only", "[Info]\nformat=MP3\n", kMp3Index, "MP3", 128000, 44100, 2},
        {"everything",
         "[Info]\nFormat=wav\nEncoder=PCM_MULAW\nBitRate=64000\nSampleRate=32000\nChannels=1\n",
         kWavIndex, "PCM_MULAW", 64000, 32000, 1},
        {"unreadable numbers", "[Info]\nFormat=mp3\nBitRate=fast\nSampleRate=48000Hz\nChannels=\n",
         kMp3Index, "MP3", 128000, 44100, 2},
        {"numbers out of range", "[Info]\nFormat=mp3\nBitRate=99999999999999\nChannels=-2\n",
         kMp3Index, "MP3", 128000, 44100, 2},
        {"values the dialog does not offer",
         "[Info]\nFormat=wav\nEncoder=MP3\nBitRate=1411200\nSampleRate=8000\nChannels=6\n",
         kWavIndex, "PCM_S16LE", 128000, 44100, 2},
        {"mono for Vorbis", "[Info]\nFormat=ogg\nChannels=1\nBitRate=192000\n", kOggIndex, "VORBIS",
         192000, 44100, 2},
        // "Same as source" is kept as 0; ALAC, which shares .m4a with M4A, by its name.
        {"same as source", "[Info]\nFormat=mp3\nSampleRate=0\nChannels=0\n", kMp3Index, "MP3",
         128000, kSameAsSource, kSameAsSource},
        {"alac by its name", "[Info]\nFormat=alac\nSampleRate=96000\n", kAlacIndex, "ALAC", 128000,
         96000, kSameAsSource},
        {"m4a is not alac", "[Info]\nFormat=m4a\nSampleRate=0\n", 4, "AAC", 192000, kSameAsSource,
         2},
        // LAME would write 160 kbit/s: the whole refinement gives way.
        {"a combination the encoder refuses",
         "[Info]\nFormat=mp3\nBitRate=320000\nSampleRate=22050\nChannels=1\n", kMp3Index, "MP3",
         128000, 44100, 2},
        {"garbage",
         "\x7f"
         "ELF\0\0\x01\xff[Info\nFormat\n=\n"s,
         0, "AAC", 192000, 48000, 2},
    };
    for (const FallbackCase& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile file("tasks_remember_fallback");
        if (!c.fileText.empty()) {
            WriteText(file.state.m_iniPath, c.fileText);
        }
        OutputParameters settings;
        SelectOutputFormat(settings, kWavIndex);
        settings.audioBitRate = 320000;
        EXPECT_EQ(LoadOutputChoice(file.state, settings), c.formatIndex);
        EXPECT_EQ(AudioFields(settings),
                  std::tuple(kOutputFormats[c.formatIndex].profileId, c.encoder, c.bitRate,
                             c.sampleRate, c.channels));
    }
}

TEST(RememberedOutput, AnUnreadableFileOrPlaceGivesTheStartState) {
    SettingsFile file("tasks_remember_unreadable");
    // A folder where the file should be.
    fs::create_directory(file.state.m_iniPath);
    OutputParameters settings;
    SelectOutputFormat(settings, kMp3Index);
    EXPECT_EQ(LoadOutputChoice(file.state, settings), 0);
    EXPECT_EQ(AudioFields(settings), AudioFields(OutputParameters{}));
    SaveOutputChoice(file.state, settings);
    EXPECT_TRUE(fs::is_directory(file.state.m_iniPath));

    MainWindowState nowhere; // no settings file known
    SelectOutputFormat(settings, kMp3Index);
    EXPECT_EQ(LoadOutputChoice(nowhere, settings), 0);
    EXPECT_EQ(AudioFields(settings), AudioFields(OutputParameters{}));
}

TEST(RememberedOutput, StoredOnlyWhereTheFolderMayBeUsed) {
    // A program folder without "bin" keeps nothing.
    const std::string app = MakeScratchDir("tasks_remember_nobin");
    MainWindowState state;
    state.m_iniPath = app + "/bin/Path_Registration.ini";
    SaveOutputChoice(state, OutputParameters{});
    EXPECT_FALSE(fs::exists(app + "/bin"));

    // The user's own settings folder is made.
    state.m_iniPath = app + "/config/veltrano/Path_Registration.ini";
    state.m_makeIniFolder = true;
    SaveOutputChoice(state, OutputParameters{});
    EXPECT_EQ(ReadIniValue(state.m_iniPath, "Info", "Format"), "aac");
}

TEST(BrowseOutputFolder, RemembersTheChosenFolderForTheNextStart) {
    SettingsFile file("tasks_remember_browse");
    const std::string chosen = file.app + "/picked";
    fs::create_directory(chosen);
    WriteText(file.state.m_iniPath, "[Info]\nPath=/old\nFormat=mp3\n");
    TaskHarness h;
    h.state.m_iniPath = file.state.m_iniPath;
    h.fakes.dialogs.folderChoices = {chosen};
    BrowseOutputFolder(h.view, h.state, h.fakes.dialogs);
    EXPECT_EQ(ReadText(file.state.m_iniPath), "[Info]\nPath=" + chosen + "\nFormat=mp3\n");

    // A cancelled chooser remembers nothing new.
    TaskHarness cancelled;
    cancelled.state.m_iniPath = file.state.m_iniPath;
    BrowseOutputFolder(cancelled.view, cancelled.state, cancelled.fakes.dialogs);
    EXPECT_EQ(ReadIniValue(file.state.m_iniPath, "Info", "Path"), chosen);

    AppLocations locations{file.state.m_iniPath, file.app + "/OutPut"};
    TaskHarness next;
    LoadOutputFolder(next.view, next.state, locations);
    EXPECT_EQ(next.state.m_outputFolder, chosen);
}

} // namespace
