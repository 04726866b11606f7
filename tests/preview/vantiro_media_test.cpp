// The playback library on media of more than one simple shape: sound or
// pictures that change shape part-way, sound and pictures of different
// lengths, two sound tracks. The media are made here with the ffmpeg program.
#include "vantiro.h"
#include "vantiro_test_support.h"

#include "engine/av_convert.h"
#include "tests/support/media_check.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

std::atomic<int> g_endCalls{0};

void CountEnd() {
    ++g_endCalls;
}

void IgnoreValue(int32_t) {}

// Two files of one kind written one after the other: how joined recordings
// and broadcasts that change their format reach the player. A second part
// in MPEG-TS is written one second later, so the times run on.
std::string JoinedMedia(const std::string& folder, const std::string& name,
                        const std::string& firstPart, const std::string& secondPart) {
    const std::string first = folder + "/first-" + name;
    const std::string second = folder + "/second-" + name;
    const std::string joined = folder + "/" + name;
    if (!MakeMedia(firstPart, first) || !MakeMedia(secondPart, second)) {
        return "";
    }
    int code = 0;
    RunCommand("cat " + ShellQuote(first) + " " + ShellQuote(second) + " >" + ShellQuote(joined),
               &code);
    return code == 0 ? joined : "";
}

class VantiroMediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_endCalls = 0;
        Vantiro_Initialize(&CountEnd, &IgnoreValue, u"Clip Dialog");
    }
    void TearDown() override { Vantiro_Close(); }

    // Plays the open file from its start until the end callback, taking
    // pictures as the clip dialog does. False when the end never came.
    bool PlayToTheEnd() {
        int hasPicture = 0;
        Vantiro_GetMideaType(&hasPicture, nullptr);
        int width = 0;
        int height = 0;
        if (hasPicture != 0) {
            Vantiro_GetFrameSize(&width, &height);
        }
        lastPicture_.assign(VANTIRO_FRAME_STRIDE(width) * static_cast<size_t>(height), 0);
        pictureCount_ = 0;
        g_endCalls = 0;
        Vantiro_Start();
        return WaitFor(
            [&] {
                if (hasPicture != 0 && Vantiro_GetFrame(lastPicture_.data(), width, height) == 0) {
                    ++pictureCount_;
                }
                return g_endCalls.load() > 0;
            },
            15000);
    }

    // Seconds played when the end came.
    static double PlayedSeconds() {
        double duration = 0;
        Vantiro_GetDuration(&duration);
        return LibraryPosition() * duration;
    }

    std::vector<uint8_t> lastPicture_;
    int pictureCount_ = 0;
};

struct ShapeChange {
    const char* name;
    const char* firstPart;
    const char* secondPart;
};

const ShapeChange kShapeChanges[] = {
    {"stereo-then-mono.mp3",
     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 2 -c:a libmp3lame",
     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 1 -c:a libmp3lame"},
    {"44100-then-22050.mp3",
     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -ac 2 -c:a libmp3lame",
     "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 -ac 2 -c:a libmp3lame"},
    {"surround-then-stereo.ts", "-f lavfi -i anoisesrc=d=1:r=48000:a=0.3 -ac 6 -c:a ac3 -f mpegts",
     "-f lavfi -i anoisesrc=d=1:r=48000:a=0.3 -ac 2 -c:a ac3 -output_ts_offset 1 -f mpegts"},
    {"small-then-large-picture.ts",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg2video -f mpegts",
     "-f lavfi -i testsrc=size=320x240:rate=25:duration=1 -c:v mpeg2video -output_ts_offset 1 "
     "-f mpegts"},
    {"420-then-422-picture.ts",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg2video -pix_fmt yuv420p "
     "-f mpegts",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg2video -pix_fmt yuv422p "
     "-output_ts_offset 1 -f mpegts"},
};

TEST_F(VantiroMediaTest, MediaWhoseShapeChangesPartWayPlaysToTheEnd) {
    const std::string folder = MakeScratchDir("shape_changes");
    for (const ShapeChange& media : kShapeChanges) {
        SCOPED_TRACE(media.name);
        const std::string path = JoinedMedia(folder, media.name, media.firstPart, media.secondPart);
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(OpenInLibrary(path), 0);
        ASSERT_TRUE(PlayToTheEnd());
        // Both parts played, not only the first.
        EXPECT_GT(PlayedSeconds(), 1.5);
        Vantiro_Close();
    }
}

struct UnevenStreams {
    const char* name;
    const char* media;
    double lastPictureSeconds;
};

const UnevenStreams kUnevenStreams[] = {
    {"long-picture.mp4",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=4 "
     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -c:v mpeg4 -c:a aac",
     3.96},
    {"long-sound.mp4",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 -c:v mpeg4 -c:a aac",
     0.96},
};

// Playback ends when both the sound and the pictures are over, whichever
// lasts longer, and the pictures move on to their last one.
TEST_F(VantiroMediaTest, PlaybackLastsAsLongAsTheLongerOfSoundAndPicture) {
    const std::string folder = MakeScratchDir("uneven_streams");
    for (const UnevenStreams& media : kUnevenStreams) {
        SCOPED_TRACE(media.name);
        const std::string path = folder + "/" + media.name;
        ASSERT_TRUE(MakeMedia(media.media, path));
        ASSERT_EQ(OpenInLibrary(path), 0);
        ASSERT_TRUE(PlayToTheEnd());
        EXPECT_GT(PlayedSeconds(), 3.8);
        int width = 0;
        int height = 0;
        Vantiro_GetFrameSize(&width, &height);
        ASSERT_GT(pictureCount_, 0);
        // The picture shown at the end is the last one, not one from where
        // the shorter stream ended.
        const double atEnd = MeanPictureDifference(
            lastPicture_, ReferencePicture(path, media.lastPictureSeconds), width, height);
        const double midway = MeanPictureDifference(
            lastPicture_, ReferencePicture(path, media.lastPictureSeconds - 0.5), width, height);
        EXPECT_LT(atEnd, midway);
        Vantiro_Close();
    }
}

// The converter takes the last of two sound tracks; the preview plays that
// one too. The tracks differ in length, so the played length tells which.
TEST_F(VantiroMediaTest, PlaysTheSoundTrackThatIsConverted) {
    const std::string path = MakeScratchDir("two_tracks") + "/two-tracks.mkv";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 "
                          "-f lavfi -i sine=frequency=880:sample_rate=22050:duration=3 "
                          "-map 0 -map 1 -c:a flac -ac:0 2 -ac:1 1",
                          path));
    AVConvert engine;
    engine.m_probePath = path;
    ASSERT_EQ(ProbeMediaFile(engine), ProbeOk);
    ASSERT_EQ(engine.m_audioStream, 1);

    ASSERT_EQ(OpenInLibrary(path), 0);
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_NEAR(PlayedSeconds(), 3.0, 0.2);
}

} // namespace
