// Runs the built veltrano-convert program on generated media and checks its
// outputs with ffprobe and ffmpeg.
#include "cli_process.h"
#include "engine/encoder_check.h"
#include "engine/work_file.h"
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"
#include "resources/version.h"
#include "tasks/output_path.h"
#include "tests/support/media_check.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

constexpr const char* kTryHelp = "Try 'veltrano-convert --help'.\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    for (const std::string& l : Lines(text)) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

size_t EntriesIn(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

std::string ProbeFact(const std::string& block, const std::string& key) {
    for (const std::string& line : Lines(block)) {
        if (line.rfind(key + ": ", 0) == 0) {
            return line.substr(key.size() + 2);
        }
    }
    return "<missing " + key + ">";
}

TEST(CliConvert, OutputsHaveTheRequestedCodecRateChannelsAndLength) {
    struct Case {
        const char* source;
        std::vector<std::string> options;
        const char* extension;
        const char* codec; // ffprobe's name
        int sampleRate;
        int channels;
    };
    const Case cases[] = {
        {"stereo44.wav", {"-f", "mp3"}, "mp3", "mp3", 44100, 2},
        {"surround48.flac",
         {"-f", "mp3", "--rate", "22050", "--channels", "1"},
         "mp3",
         "mp3",
         22050,
         1},
        {"video_sound.mp4", {"-f", "ogg"}, "ogg", "vorbis", 44100, 2},
        {"mono8.wav", {}, "aac", "aac", 48000, 2},
        {"surround48.flac",
         {"-f", ".FLAC", "--rate", "48000", "--channels", "1"},
         "flac",
         "flac",
         48000,
         1},
        {"surround48.flac",
         {"-f", "ra", "--rate", "32000", "--channels", "6"},
         "ra",
         "ac3",
         32000,
         6},
        {"stereo44.wav",
         {"-f", "wma", "--encoder", "WMA7", "--bitrate", "64k", "--rate", "22050"},
         "wma",
         "wmav1",
         22050,
         2},
        {"stereo44.wav", {"-f", "opus"}, "opus", "opus", 48000, 2},
        {"hires96.flac", {"-f", "alac"}, "m4a", "alac", 96000, 2},
        {"hires96.flac", {"-f", "flac", "--rate", "source"}, "flac", "flac", 96000, 2},
        {"surround48.flac", {"-f", "mp3", "--channels", "source"}, "mp3", "mp3", 44100, 2},
        {"mono8.wav",
         {"-f", "wav", "--rate", "source", "--channels", "source"},
         "wav",
         "pcm_s16le",
         8000,
         1},
    };
    for (const Case& c : cases) {
        const std::string dir = MakeScratchDir("cli_convert");
        const std::string source = FixturePath(c.source);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-o", dir + "/out", source});
        const CliRun run = RunCli(args, dir);
        const std::string label = std::string(c.source) + " " + testing::PrintToString(c.options);

        const std::string output =
            dir + "/out/" + fs::path(c.source).stem().string() + "." + c.extension;
        EXPECT_EQ(run.exitCode, 0) << label << "\n" << run.err;
        EXPECT_EQ(run.out, "Completed " + output + "\n") << label;
        EXPECT_EQ(run.err.find('\r'), std::string::npos) << "not a terminal: no redraws";
        EXPECT_TRUE(HasLine(run.err, "[1/1] " + source + ": converting")) << run.err;
        EXPECT_TRUE(HasLine(run.err, "[1/1] " + source + ": completed")) << run.err;
        const ProbedAudio probed = ProbeAudio(output);
        ASSERT_TRUE(probed.ok) << label;
        EXPECT_EQ(ProbeAudio(output).codecName, c.codec) << label;
        EXPECT_EQ(probed.sampleRate, c.sampleRate) << label;
        EXPECT_EQ(probed.channels, c.channels) << label;
        EXPECT_NEAR(PlayedSeconds(output), PlayedSeconds(source), 0.1) << label;
    }
}

TEST(CliConvert, RefusedFileIsReportedWhileTheGoodOneConverts) {
    const std::string dir = MakeScratchDir("cli_refused");
    const std::string text = FixturePath("text.txt");
    const CliRun run =
        RunCli({"-f", "mp3", "-o", dir + "/out", text, FixturePath("stereo44.wav")}, dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err).front(), "File:" + text + " is invalid!");
    EXPECT_EQ(run.out, "Completed " + dir + "/out/stereo44.mp3\n");
    EXPECT_TRUE(ProbeAudio(dir + "/out/stereo44.mp3").ok);
    EXPECT_EQ(EntriesIn(dir + "/out"), 1u);
}

TEST(CliConvert, OnlyRefusedFilesConvertNothing) {
    const std::string dir = MakeScratchDir("cli_all_refused");
    const std::string empty = FixturePath("empty.wav");
    const std::string missing = dir + "/missing.wav";
    const CliRun run = RunCli({"-o", dir + "/out", empty, missing}, dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "File:" + empty + " is invalid!\nFile:" + missing + " is invalid!\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(EntriesIn(dir + "/out"), 0u);
}

TEST(CliConvert, UsageErrorsConvertAndCreateNothing) {
    const std::string stereo = FixturePath("stereo44.wav");
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"-f", "xyz"},
        {"--encoder", "mp3"},
        {"--bitrate", "fast"},
        {"-f", "mp3", "--rate", "96000"},
        {"-f", "mp2", "--channels", "6"},
        {"-f", "ogg", "--channels", "6"},
        {"-f", "mp3", "--encoder", "AAC"},
        {"-f", "mp3", "--bitrate", "112k"},
        {"-f", "ac3", "--rate", "22050"},
        {"--start", "00:00:03", "--end", "00:00:02"},
    };
    for (const auto& options : cases) {
        const std::string dir = MakeScratchDir("cli_usage");
        std::vector<std::string> args = options;
        args.insert(args.end(), {"-o", dir + "/new/sub", stereo});
        const CliRun run = RunCli(args, dir);
        const std::string label = testing::PrintToString(options);
        EXPECT_EQ(run.exitCode, 2) << label;
        EXPECT_EQ(Lines(run.err).size(), 2u) << label << "\n" << run.err;
        EXPECT_TRUE(run.err.ends_with(kTryHelp)) << label << "\n" << run.err;
        EXPECT_EQ(run.out, "") << label;
        EXPECT_FALSE(FileExists(dir + "/new")) << label;
    }
    // Without any FILE, and in the folder it runs in.
    const std::string dir = MakeScratchDir("cli_usage_nofile");
    const CliRun run = RunCli({"-f", "mp3"}, dir, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "veltrano-convert: missing FILE\n" + std::string(kTryHelp));
    EXPECT_EQ(EntriesIn(dir), 2u); // the captured stdout and stderr only
}

// Refused before any file or folder is made: a combination the encoder
// cannot open, and one it would write at a lower bit rate than asked.
TEST(CliConvert, UnwritableCombinationIsRefusedWithTheDialogsMessage) {
    struct Case {
        std::vector<std::string> options;
        std::string message;
    };
    const Case cases[] = {
        {{"-f", "mp2", "--rate", "22050", "--bitrate", "256k"},
         EncoderRefusalMessage("MP2", "22050 Hz", "2 Channel Stereo", "256 kbps")},
        {{"-f", "mp3", "--rate", "22050", "--bitrate", "320k"},
         EncoderRefusalMessage("MP3", "22050 Hz", "2 Channel Stereo", "320 kbps")},
    };
    for (const Case& c : cases) {
        const std::string label = testing::PrintToString(c.options);
        const std::string dir = MakeScratchDir("cli_unwritable");
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-o", dir + "/out", FixturePath("stereo44.wav")});
        const CliRun run = RunCli(args, dir);
        EXPECT_EQ(run.exitCode, 2) << label;
        EXPECT_EQ(run.err, "veltrano-convert: " + c.message + "\n" + kTryHelp) << label;
        EXPECT_EQ(run.out, "") << label;
        EXPECT_FALSE(FileExists(dir + "/out")) << label;
    }
}

TEST(CliConvert, FolderThatCannotBeMadeIsRefused) {
    const std::string dir = MakeScratchDir("cli_bad_folder");
    fs::copy_file(FixturePath("text.txt"), dir + "/plain");
    const CliRun run = RunCli({"-o", dir + "/plain/out", FixturePath("stereo44.wav")}, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "The folder that you selected does not exit.Please specify a different folder!\n");
    EXPECT_EQ(run.out, "");
}

TEST(CliConvert, StartAndEndGiveAClipOfThatLength) {
    const std::string dir = MakeScratchDir("cli_clip");
    const CliRun run = RunCli({"-f", "wav", "--start", "00:00:01", "--end", "00:00:03", "-o",
                               dir + "/out", FixturePath("stereo44.wav")},
                              dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(ProbeAudio(dir + "/out/stereo44.wav").ok);
    EXPECT_NEAR(PlayedSeconds(dir + "/out/stereo44.wav"), 2.0, 0.05);
}

TEST(CliConvert, EndBeyondTheFileConvertsToItsEnd) {
    const std::string dir = MakeScratchDir("cli_clip_long_end");
    const std::string source = FixturePath("stereo44.wav");
    const CliRun run =
        RunCli({"-f", "wav", "--start", "00:00:02", "--end", "01:00:00", "-o", dir, source}, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NEAR(PlayedSeconds(dir + "/stereo44.wav"), PlayedSeconds(source) - 2, 0.05);
}

TEST(CliConvert, SecondRunIntoTheSameFolderGetsANewName) {
    const std::string dir = MakeScratchDir("cli_second_run");
    fs::copy_file(FixturePath("stereo44.wav"), dir + "/song.wav");
    // No -o: the current folder.
    const CliRun first = RunCli({"-f", "mp3", "song.wav"}, dir, dir);
    const CliRun second = RunCli({"-f", "mp3", "song.wav"}, dir, dir);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "Completed ./song.mp3\n");
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, "Completed ./song(0).mp3\n");
    EXPECT_TRUE(ProbeAudio(dir + "/song.mp3").ok);
    EXPECT_TRUE(ProbeAudio(dir + "/song(0).mp3").ok);
}

TEST(CliConvert, VideoWithoutSoundFailsAndLeavesNoFile) {
    const std::string dir = MakeScratchDir("cli_silent_video");
    const std::string source = FixturePath("video_silent.mp4");
    const CliRun run = RunCli({"-f", "mp3", "-o", dir + "/out", source}, dir);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Failure " + FixturePath("video_silent.mp4") +
                           " (nothing written): no sound could be decoded\n");
    EXPECT_TRUE(HasLine(run.err, "[1/1] " + source + ": failed")) << run.err;
    EXPECT_EQ(EntriesIn(dir + "/out"), 0u);
}

TEST(CliProbe, PrintsTheMediaFactsOfEachFile) {
    const std::string dir = MakeScratchDir("cli_probe");
    const std::string stereo = FixturePath("stereo44.wav");
    const std::string video = FixturePath("video_sound.mp4");
    const CliRun run = RunCli({"--probe", stereo, video}, dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const size_t gap = run.out.find("\n\n");
    ASSERT_NE(gap, std::string::npos) << run.out;
    const std::string audio = run.out.substr(0, gap + 1);
    const std::string movie = run.out.substr(gap + 2);

    EXPECT_EQ(ProbeFact(audio, "file"), stereo);
    EXPECT_EQ(ProbeFact(audio, "result"), "0");
    EXPECT_EQ(ProbeFact(audio, "sample rate"), "44100");
    EXPECT_EQ(ProbeFact(audio, "channels"), "2");
    EXPECT_EQ(ProbeFact(audio, "audio codec"), "pcm_s16le");
    EXPECT_EQ(ProbeFact(audio, "video stream"), "-1");
    EXPECT_EQ(ProbeFact(audio, "duration seconds"), "5");

    EXPECT_EQ(ProbeFact(movie, "file"), video);
    EXPECT_EQ(ProbeFact(movie, "stream count"), "2");
    EXPECT_EQ(ProbeFact(movie, "width"), "160");
    EXPECT_EQ(ProbeFact(movie, "height"), "120");
    EXPECT_EQ(ProbeFact(movie, "video codec"), "mpeg4");
    EXPECT_EQ(ProbeFact(movie, "frame rate num"), "25");
    EXPECT_EQ(ProbeFact(movie, "frame rate den"), "1");
    EXPECT_EQ(ProbeFact(movie, "audio codec"), "aac");
    EXPECT_EQ(ProbeFact(movie, "sample rate"), "44100");
    EXPECT_EQ(ProbeFact(movie, "duration seconds"), "4");
    for (const char* key :
         {"video stream", "audio stream", "start seconds", "duration micros", "video codec id",
          "video bit rate", "frame rate", "audio codec id", "audio bit rate"}) {
        EXPECT_EQ(ProbeFact(movie, key).find("<missing"), std::string::npos) << key;
    }
}

TEST(CliProbe, UnreadableFileGivesANegativeCodeAndExitOne) {
    const std::string dir = MakeScratchDir("cli_probe_text");
    const std::string text = FixturePath("text.txt");
    const CliRun run = RunCli({"--probe", FixturePath("mono8.wav"), text}, dir);
    EXPECT_EQ(run.exitCode, 1);
    const std::string block = run.out.substr(run.out.find("\n\n") + 2);
    EXPECT_EQ(ProbeFact(block, "file"), text);
    EXPECT_LT(std::stoi(ProbeFact(block, "result")), 0) << run.out;
}

TEST(CliHelp, DocumentsEveryFormatEncoderAndExitCode) {
    const std::string dir = MakeScratchDir("cli_help");
    const CliRun run = RunCli({"--help"}, dir);
    EXPECT_EQ(run.exitCode, 0);
    for (const OutputFormat& row : kOutputFormats) {
        const std::string extension = row.name;
        // The table row: format, encoder and its defaults; "source" for
        // "Same as source".
        const auto text = [](int value) {
            return value == kSameAsSource ? std::string("source") : std::to_string(value);
        };
        bool found = false;
        for (const std::string& line : Lines(run.out)) {
            std::istringstream words(line);
            std::string ext, encoder, rate, channels;
            int bitRate = 0;
            words >> ext >> encoder >> bitRate >> rate >> channels;
            found =
                found || (ext == extension && encoder == row.encoder && bitRate == row.bitRate &&
                          rate == text(row.sampleRate) && channels == text(row.channels));
        }
        EXPECT_TRUE(found) << extension;
    }
    for (std::string_view name : kEncoderNames) {
        EXPECT_NE(run.out.find(" " + std::string(name)), std::string::npos) << name;
    }
    for (const char* text : {"130", "Ctrl-C", "--probe", "--verbose", "--start", "--end"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
}

TEST(CliVersion, PrintsTheProgramAndItsVersion) {
    const std::string dir = MakeScratchDir("cli_version");
    const CliRun run = RunCli({"--version"}, dir);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string("veltrano-convert ") + kVeltranoVersion + "\n");
    EXPECT_TRUE(run.err.empty()) << run.err;
    // CMake's project version: numbers and dots.
    EXPECT_TRUE(std::regex_match(kVeltranoVersion, std::regex(R"(\d+(\.\d+)*)")))
        << kVeltranoVersion;
}

TEST(CliHelp, NamesTheVersionOptionAndEndsWithTheLicence) {
    const std::string dir = MakeScratchDir("cli_help_licence");
    const CliRun run = RunCli({"--help"}, dir);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("\n  --version "), std::string::npos) << run.out;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("GNU General Public License, version 3 or later"),
              std::string::npos)
        << lines.back();
}

std::string Joined(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) {
        list += (list.empty() ? "" : ", ") + item;
    }
    return list;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    for (size_t start = 0; start <= text.size();) {
        const size_t comma = std::min(text.find(", ", start), text.size());
        items.push_back(text.substr(start, comma - start));
        start = comma + 2;
    }
    return items;
}

// The encoder lists as --help prints them: an indented header naming the
// encoders ("  AC3:") and one line per list below it.
struct HelpChoices {
    std::string bitRates, sampleRates, channels;
};
std::map<std::string, HelpChoices> EncoderChoicesInHelp(const std::string& help) {
    std::map<std::string, HelpChoices> found;
    const std::vector<std::string> lines = Lines(help);
    for (size_t i = 0; i + 3 < lines.size(); ++i) {
        const std::string& header = lines[i];
        if (header.rfind("  ", 0) != 0 || header[2] == ' ' || !header.ends_with(":") ||
            lines[i + 1].rfind("    bit rates:    ", 0) != 0) {
            continue;
        }
        const HelpChoices choices{lines[i + 1].substr(18), lines[i + 2], lines[i + 3]};
        for (const std::string& encoder : SplitList(header.substr(2, header.size() - 3))) {
            found[encoder] = choices;
        }
    }
    return found;
}

TEST(CliHelp, ListsEachFormatsEncodersAndEachEncodersChoicesAsTheDialogDoes) {
    const std::string dir = MakeScratchDir("cli_help_choices");
    const CliRun run = RunCli({"--help"}, dir);
    ASSERT_EQ(run.exitCode, 0);
    for (const OutputFormat& row : kOutputFormats) {
        const std::string extension = row.name;
        const FormatPreset* preset = FindFormatPreset(row.profileId);
        ASSERT_NE(preset, nullptr);
        std::string expected = Joined(preset->encoders);
        if (preset->encoders.size() > 1) {
            expected += " (default " + preset->defaultEncoder + ")";
        }
        char line[120];
        std::snprintf(line, sizeof line, "  %-6s %s", extension.c_str(), expected.c_str());
        EXPECT_TRUE(HasLine(run.out, line)) << line;
    }
    const std::map<std::string, HelpChoices> listed = EncoderChoicesInHelp(run.out);
    for (std::string_view name : kEncoderNames) {
        const std::string encoder(name);
        ASSERT_TRUE(listed.count(encoder)) << encoder << "\n" << run.out;
        const EncoderChoiceLists lists = EncoderChoices(encoder);
        EXPECT_EQ(listed.at(encoder).bitRates, Joined(lists.bitRates.items)) << encoder;
        EXPECT_EQ(listed.at(encoder).sampleRates,
                  "    sample rates: " + Joined(lists.sampleRates.items))
            << encoder;
        EXPECT_EQ(listed.at(encoder).channels, "    channels:     " + Joined(lists.channels.items))
            << encoder;
    }
    for (const char* text : {"192 kbps", "44100 Hz", "2 Channel Stereo", "5.1 Channel"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
}

// Waits, without any time limit on the program, until `ready` holds or the
// program has exited.
template <typename Ready> bool WaitFor(CliProcess& process, Ready ready) {
    for (int polls = 0; polls < 6000; ++polls) {
        if (ready()) {
            return true;
        }
        if (kill(process.pid(), 0) != 0) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Fifteen minutes of sound: long enough to interrupt its conversion.
std::string MakeLongSource(const std::string& dir) {
    const std::string source = dir + "/long.wav";
    EXPECT_TRUE(MakeMedia(
        "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=900 -c:a pcm_s16le", source));
    return source;
}

// The hidden work files in a folder.
std::vector<std::string> WorkFilesIn(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (IsWorkFileName(entry.path().filename().string())) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

// Starts converting the long source (then mono8.wav) to MP3 into `folder` and
// waits until the first file is well under way.
bool StartLongConversion(CliProcess& process, const std::string& source,
                         const std::string& folder) {
    return WaitFor(process, [&] {
        return HasLine(process.ErrorSoFar(), "[1/2] " + source + ": converting") &&
               WorkFilesIn(folder).size() == 1 && FileSize(WorkFilesIn(folder)[0]) > 64 * 1024;
    });
}

TEST(CliInterrupt, StopSignalFinishesTheCurrentFileShortAndExits130) {
    const std::string dir = MakeScratchDir("cli_interrupt");
    const std::string source = MakeLongSource(dir);
    const double sourceSeconds = 900;

    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const std::string folder = dir + "/out" + std::to_string(signal);
        const std::string output = folder + "/long.mp3";
        CliProcess process({"-j", "1", "-f", "mp3", "-o", folder, source, FixturePath("mono8.wav")},
                           dir);
        ASSERT_TRUE(StartLongConversion(process, source, folder))
            << "the conversion ended before it could be interrupted";
        ASSERT_EQ(kill(process.pid(), signal), 0);
        const CliRun run = process.Wait();

        EXPECT_EQ(run.exitCode, 130) << signal << "\n" << run.err;
        EXPECT_EQ(run.out, "Stopped (partial) " + output + "\nStopped (not converted) " +
                               FixturePath("mono8.wav") + "\n");
        ASSERT_TRUE(ProbeAudio(output).ok) << signal;
        EXPECT_EQ(ProbeAudio(output).codecName, "mp3");
        const double played = PlayedSeconds(output);
        EXPECT_GT(played, 0) << signal;
        EXPECT_LT(played, sourceSeconds - 1) << signal;
        EXPECT_FALSE(FileExists(folder + "/mono8.mp3")) << signal;
        EXPECT_TRUE(WorkFilesIn(folder).empty()) << signal;
    }
}

// A file a stop cut short is valid but not whole: under --update the next
// run must take it for out of date, not skip it as newer than its source.
TEST(CliInterrupt, AFileStoppedUnderUpdateIsConvertedAgainByTheNextRun) {
    const std::string dir = MakeScratchDir("cli_interrupt_update");
    const std::string source = MakeLongSource(dir);
    const std::string folder = dir + "/out";
    const std::vector<std::string> args = {
        "-j", "1", "-f", "mp3", "-o", folder, "--update", source, FixturePath("mono8.wav")};
    CliProcess process(args, dir);
    ASSERT_TRUE(StartLongConversion(process, source, folder))
        << "the conversion ended before it could be interrupted";
    ASSERT_EQ(kill(process.pid(), SIGHUP), 0);
    const CliRun stopped = process.Wait();
    ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
    ASSERT_EQ(stopped.out, "Stopped (partial) " + folder + "/long.mp3\nStopped (not converted) " +
                               FixturePath("mono8.wav") + "\n");

    // The rerun is stopped too once it is well into the long file again: it
    // began it anew rather than skipping it.
    CliProcess rerun(args, dir);
    EXPECT_TRUE(StartLongConversion(rerun, source, folder)) << rerun.ErrorSoFar();
    kill(rerun.pid(), SIGINT);
    const CliRun second = rerun.Wait();
    EXPECT_EQ(second.out.find("Skipped"), std::string::npos) << second.out;
}

TEST(CliInterrupt, AKilledConversionLeavesNothingUnderTheOutputName) {
    const std::string dir = MakeScratchDir("cli_killed");
    const std::string source = MakeLongSource(dir);
    const std::string folder = dir + "/out";
    CliProcess process({"-j", "1", "-f", "mp3", "-o", folder, source, FixturePath("mono8.wav")},
                       dir);
    ASSERT_TRUE(StartLongConversion(process, source, folder))
        << "the conversion ended before it could be killed";
    ASSERT_EQ(kill(process.pid(), SIGKILL), 0);
    process.Wait();

    // Only the hidden work file is left: no cut-short file passes for a result.
    EXPECT_FALSE(FileExists(folder + "/long.mp3"));
    EXPECT_FALSE(FileExists(folder + "/mono8.mp3"));
    EXPECT_EQ(WorkFilesIn(folder).size(), 1u);
}

} // namespace

namespace {

// The program's outputs with the output folder's path taken out, so that
// runs into different folders compare.
std::string WithoutFolder(std::string text, const std::string& folder) {
    for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
        text.replace(at, folder.size(), "<out>");
    }
    return text;
}

// Two files at once give what one at a time gives: the same names, in row
// order even where a later row finishes first and wants the same name, the
// same failure and the same exit code.
TEST(CliJobs, SideBySideGivesTheNamesResultsAndExitCodeOfOneAtATime) {
    const std::string dir = MakeScratchDir("cli_jobs_same");
    for (const char* sub : {"/a", "/b", "/c"}) {
        fs::create_directories(dir + sub);
    }
    // The first row takes longest, so the second and third end before it.
    ASSERT_TRUE(
        MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=30 -c:a pcm_s16le",
                  dir + "/a/song.wav"));
    fs::copy_file(FixturePath("tagged.ogg"), dir + "/b/song.ogg");
    fs::copy_file(FixturePath("mono8.wav"), dir + "/c/song(0).wav");
    const std::vector<std::string> files = {dir + "/a/song.wav", dir + "/b/song.ogg",
                                            FixturePath("video_silent.mp4"),
                                            dir + "/c/song(0).wav"};

    std::map<std::string, CliRun> runs;
    for (const char* jobs : {"1", "2", "3"}) {
        const std::string folder = dir + "/out" + jobs;
        std::vector<std::string> args = {"-j", jobs, "-f", "mp3", "-o", folder};
        args.insert(args.end(), files.begin(), files.end());
        CliRun run = RunCli(args, dir);
        run.out = WithoutFolder(run.out, folder);
        runs[jobs] = run;
        EXPECT_EQ(run.exitCode, 1) << jobs << "\n" << run.err;
        EXPECT_EQ(run.out, "Completed <out>/song.mp3\n"
                           "Completed <out>/song(0).mp3\n"
                           "Failure " +
                               FixturePath("video_silent.mp4") +
                               " (nothing written): no sound could be decoded\n"
                               "Completed <out>/song(0)(0).mp3\n")
            << jobs;
        EXPECT_NEAR(PlayedSeconds(folder + "/song.mp3"), 30.0, 0.1) << jobs;
        EXPECT_NEAR(PlayedSeconds(folder + "/song(0).mp3"), PlayedSeconds(dir + "/b/song.ogg"), 0.1)
            << jobs;
        EXPECT_NEAR(PlayedSeconds(folder + "/song(0)(0).mp3"),
                    PlayedSeconds(dir + "/c/song(0).wav"), 0.1)
            << jobs;
        EXPECT_EQ(EntriesIn(folder), 3u) << jobs;
    }
    EXPECT_EQ(runs["2"].out, runs["1"].out);
    EXPECT_EQ(runs["3"].out, runs["1"].out);
}

// Ctrl-C with two files under way finishes both as valid, shorter files
// under their own names and starts nothing more.
TEST(CliJobs, StopSignalFinishesEveryStartedFile) {
    const std::string dir = MakeScratchDir("cli_jobs_interrupt");
    const std::string first = MakeLongSource(dir);
    fs::create_directories(dir + "/b");
    const std::string second = dir + "/b/long.wav";
    fs::copy_file(first, second);
    const std::string folder = dir + "/out";
    CliProcess process(
        {"-j", "2", "-f", "mp3", "-o", folder, first, second, FixturePath("mono8.wav")}, dir);
    const bool underWay = WaitFor(process, [&] {
        const std::string err = process.ErrorSoFar();
        const std::vector<std::string> work = WorkFilesIn(folder);
        return HasLine(err, "[1/3] " + first + ": converting") &&
               HasLine(err, "[2/3] " + second + ": converting") && work.size() == 2 &&
               FileSize(work[0]) > 64 * 1024 && FileSize(work[1]) > 64 * 1024;
    });
    ASSERT_TRUE(underWay) << "the conversions ended before they could be interrupted";
    ASSERT_EQ(kill(process.pid(), SIGINT), 0);
    const CliRun run = process.Wait();

    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_EQ(run.out, "Stopped (partial) " + folder + "/long.mp3\nStopped (partial) " + folder +
                           "/long(0).mp3\nStopped (not converted) " + FixturePath("mono8.wav") +
                           "\n");
    for (const char* name : {"/long.mp3", "/long(0).mp3"}) {
        ASSERT_TRUE(ProbeAudio(folder + name).ok) << name;
        const double played = PlayedSeconds(folder + name);
        EXPECT_GT(played, 0) << name;
        EXPECT_LT(played, 899) << name;
    }
    EXPECT_EQ(EntriesIn(folder), 2u);
}

} // namespace
