// What the File Information dialog shows for a task's facts.
#include "tasks/file_info_display.h"
#include "tasks/task_list.h"
#include "tests/support/media_check.h"
#include "tests/tasks/task_harness.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

void PrintTo(const FileInfoDisplay& shown, std::ostream* out) {
    *out << "{" << shown.fileName << " | " << shown.mediaLength << " | " << shown.pictureSize
         << " | " << shown.frameRate << " | " << shown.videoBitRate << " | " << shown.audioBitRate
         << " | " << shown.sampleRate << " | " << shown.channelLayout << "}";
}

namespace {

using namespace veltrano::test;

// The probe's texts for a file: path, end time, then video (frame rate,
// width, height, codec, bit rate) and audio (codec, channels, sample rate,
// bit rate).
FileInfoTexts Facts(const char* path, const char* endTime, const char* frameRate, const char* width,
                    const char* height, const char* videoCodec, const char* videoBitRate,
                    const char* audioCodec, const char* channels, const char* sampleRate,
                    const char* audioBitRate) {
    FileInfoTexts facts;
    facts.filePathText = path;
    facts.endTimeText = endTime;
    facts.frameRateText = frameRate;
    facts.widthText = width;
    facts.heightText = height;
    facts.videoCodecText = videoCodec;
    facts.videoBitRateText = videoBitRate;
    facts.audioCodecText = audioCodec;
    facts.channelsText = channels;
    facts.sampleRateText = sampleRate;
    facts.audioBitRateText = audioBitRate;
    return facts;
}

struct DisplayCase {
    const char* name;
    FileInfoTexts facts;
    FileInfoDisplay shown; // name, length, size, frame rate, video kbps, audio kbps, Hz, channels
};

const std::vector<DisplayCase> kDisplayCases = {
    {"Mp3Song",
     Facts("/home/user/music/song.mp3", "00:03:25", " 0.00 fps", "0", "0", "0", "0", "86017", "2",
           "44100", "128000"),
     {"song.mp3", "00:03:25", "", "", "", "128 Kbps", "44100 Hz", "2 Channel stereo"}},
    {"SixChannels",
     Facts("/m/surround.flac", "00:00:05", " 0.00 fps", "0", "0", "0", "0", "86028", "6", "48000",
           "0"),
     {"surround.flac", "00:00:05", "", "", "", "0 Kbps", "48000 Hz", "6 Channel stereo"}},
    {"FourChannelsShowTheBareCount",
     Facts("/m/quad.wav", "00:00:05", " 0.00 fps", "0", "0", "0", "0", "65536", "4", "44100",
           "2822400"),
     {"quad.wav", "00:00:05", "", "", "", "2822 Kbps", "44100 Hz", "4"}},
    {"MonoBitRateIsCutNotRounded",
     Facts("/m/voice.mp3", "00:00:09", " 0.00 fps", "0", "0", "0", "0", "86017", "1", "8000",
           "127999"),
     {"voice.mp3", "00:00:09", "", "", "", "127 Kbps", "8000 Hz", "1 Channel Mono"}},
    {"VideoWithoutSoundEmptiesTheAudioFields",
     Facts("/v/clip.mp4", "00:00:03", "25.00 fps", "640", "480", "12", "500", "0", "0", "0", "0"),
     {"clip.mp4", "00:00:03", "640*480", "25.00 fps", "0 Kbps", "", "", ""}},
    {"VideoWithSound",
     Facts("/v/film.mkv", "01:30:00", "29.97 fps", "1920", "1080", "27", "4500000", "86018", "2",
           "48000", "192000"),
     {"film.mkv", "01:30:00", "1920*1080", "29.97 fps", "4500 Kbps", "192 Kbps", "48000 Hz",
      "2 Channel stereo"}},
    {"PathWithoutSlashIsTheWholeName",
     Facts("song.mp3", "00:00:01", " 0.00 fps", "0", "0", "0", "0", "86017", "2", "44100",
           "128000"),
     {"song.mp3", "00:00:01", "", "", "", "128 Kbps", "44100 Hz", "2 Channel stereo"}},
    // A Linux file name may hold a backslash; only "/" separates folders.
    {"BackslashBelongsToTheFileName",
     Facts("/m/a\\b.wav", "00:00:01", " 0.00 fps", "0", "0", "0", "0", "65536", "2", "44100",
           "1411200"),
     {"a\\b.wav", "00:00:01", "", "", "", "1411 Kbps", "44100 Hz", "2 Channel stereo"}},
    {"EmptyTextsStayEmpty",
     Facts("/m/odd.wav", "00:00:01", "", "", "480", "5", "", "7", "", "", ""),
     {"odd.wav", "00:00:01", "", "", "", "", "", ""}},
};

class FileInfoDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(FileInfoDisplayTest, ShowsTheEightTexts) {
    EXPECT_EQ(FileInfoDisplayTexts(GetParam().facts), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Facts, FileInfoDisplayTest, ::testing::ValuesIn(kDisplayCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileInfoDisplay, LengthIsTheRowsEndTimeAfterAClip) {
    TaskHarness h;
    h.view.AppendRow(FixturePath("video_sound.mp4"));
    h.view.rows[0].endTime = "00:00:01"; // the Clip dialog's end time
    h.view.selection = {0};
    ASSERT_TRUE(GatherTaskFacts(h.view, h.state));

    const FileInfoDisplay shown = FileInfoDisplayTexts(g_fileInfoTexts);
    EXPECT_EQ(shown.fileName, "video_sound.mp4");
    EXPECT_EQ(shown.mediaLength, "00:00:01");
    EXPECT_EQ(shown.pictureSize, "160*120");
    EXPECT_EQ(shown.frameRate, "25.00 fps");
    EXPECT_EQ(shown.sampleRate, "44100 Hz");
    EXPECT_EQ(shown.channelLayout, "2 Channel stereo");
}

// A source with a depth (PCM, lossless) shows it beside its sample rate; a
// lossy one has none to show.
TEST(FileInfoDisplay, BitDepthStandsBesideTheSampleRate) {
    const std::pair<const char*, const char*> cases[] = {
        {"stereo44.wav", "44100 Hz, 16 bits"},    {"hires96.flac", "96000 Hz, 24 bits"},
        {"deep44.flac", "44100 Hz, 24 bits"},     {"alac96.m4a", "96000 Hz, 24 bits"},
        {"surround48.flac", "48000 Hz, 24 bits"}, {"tagged.ogg", "44100 Hz"},
        {"video_sound.mp4", "44100 Hz"},
    };
    for (const auto& [fixture, shownRate] : cases) {
        TaskHarness h;
        h.view.AppendRow(FixturePath(fixture));
        h.view.selection = {0};
        ASSERT_TRUE(GatherTaskFacts(h.view, h.state)) << fixture;
        EXPECT_EQ(FileInfoDisplayTexts(g_fileInfoTexts).sampleRate, shownRate) << fixture;
    }
    FileInfoTexts facts =
        Facts("/m/a.wav", "00:00:01", " 0.00 fps", "0", "0", "0", "0", "65536", "2", "", "1411200");
    facts.bitDepthText = "24";
    EXPECT_EQ(FileInfoDisplayTexts(facts).sampleRate, "") << "no rate, no depth either";
}

} // namespace
