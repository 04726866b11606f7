// The playback library on generated media, with SDL's dummy sound driver
// (the device consumes samples in real time, so waits stay short).
#include "vantiro.h"
#include "vantiro_test_support.h"

#include "tests/support/media_check.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace veltrano::test;

std::atomic<int> g_endCalls{0};

void CountEnd() {
    ++g_endCalls;
}

void IgnoreValue(int32_t) {}

class VantiroTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_endCalls = 0;
        Vantiro_Initialize(&CountEnd, &IgnoreValue, u"Clip Dialog");
    }
    void TearDown() override { Vantiro_Close(); }

    // Starts playback and waits for the first picture.
    std::vector<uint8_t> FirstPicture(int width, int height) {
        std::vector<uint8_t> buffer(VANTIRO_FRAME_STRIDE(width) * static_cast<size_t>(height));
        Vantiro_Start();
        const bool got =
            WaitFor([&] { return Vantiro_GetFrame(buffer.data(), width, height) == 0; }, 5000);
        Vantiro_Pause();
        EXPECT_TRUE(got);
        return buffer;
    }
};

TEST_F(VantiroTest, SoundPlaysAndPauseHoldsThePosition) {
    ASSERT_EQ(OpenInLibrary(FixturePath("stereo44.wav")), 0);
    int hasPicture = -1;
    int reserved = -1;
    Vantiro_GetMideaType(&hasPicture, &reserved);
    EXPECT_EQ(hasPicture, 0);
    double duration = 0;
    Vantiro_GetDuration(&duration);
    EXPECT_NEAR(duration, 5.0, 0.05);
    EXPECT_EQ(LibraryPosition(), 0.0f);

    Vantiro_Start();
    ASSERT_TRUE(WaitFor([] { return LibraryPosition() > 0.02f; }, 5000));
    Vantiro_Pause();
    const float held = LibraryPosition();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(LibraryPosition(), held);
    EXPECT_LT(held, 0.3f);
}

TEST_F(VantiroTest, SeekToTheMiddleShowsTheMiddlePicture) {
    const std::string path = FixturePath("video_sound.mp4");
    ASSERT_EQ(OpenInLibrary(path), 0);
    int width = 0;
    int height = 0;
    Vantiro_GetFrameSize(&width, &height);
    ASSERT_EQ(width, 160);
    ASSERT_EQ(height, 120);
    Vantiro_Pause();
    Vantiro_SetPos(0.5f);
    EXPECT_NEAR(LibraryPosition(), 0.5f, 0.01f);
    const std::vector<uint8_t> picture = FirstPicture(width, height);
    // Playback went on from the middle (a loaded machine may take a moment).
    EXPECT_NEAR(LibraryPosition(), 0.5f, 0.15f);
    double duration = 0;
    Vantiro_GetDuration(&duration);
    const double middle = duration / 2;
    // The seek lands on the picture of the middle, not on a key frame before it.
    EXPECT_LT(MeanPictureDifference(picture, ReferencePicture(path, middle), width, height),
              MeanPictureDifference(picture, ReferencePicture(path, middle - 0.5), width, height));
}

TEST_F(VantiroTest, EndCallbackFiresOnceAtTheEnd) {
    ASSERT_EQ(OpenInLibrary(FixturePath("short_sound.wav")), 0);
    Vantiro_Start();
    ASSERT_TRUE(WaitFor([] { return g_endCalls.load() > 0; }, 6000));
    EXPECT_GT(LibraryPosition(), 0.95f);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(g_endCalls.load(), 1);
}

// 150 pixels make rows of 450 bytes: the library pads them to 452 as a 24-bit
// bitmap does, so each row starts where the drawing code looks for it.
TEST_F(VantiroTest, PictureHasTheSizeAndColoursOfTheSource) {
    for (const char* name : {"video_sound.mp4", "odd_width.mp4"}) {
        SCOPED_TRACE(name);
        const std::string path = FixturePath(name);
        ASSERT_EQ(OpenInLibrary(path), 0);
        int hasPicture = 0;
        Vantiro_GetMideaType(&hasPicture, nullptr);
        ASSERT_NE(hasPicture, 0);
        int width = 0;
        int height = 0;
        Vantiro_GetFrameSize(&width, &height);
        const std::vector<uint8_t> reference = ReferencePicture(path, 0);
        ASSERT_FALSE(reference.empty());
        const std::vector<uint8_t> picture = FirstPicture(width, height);
        // The top third of the pattern (bars and circle) stands still from
        // picture to picture, so the comparison does not depend on which
        // picture of the first few was shown.
        EXPECT_LT(MeanPictureDifference(picture, reference, width, height, height / 3), 8.0);
        // The top row of the test pattern: red, blue and green bars.
        const Bgr red = LibraryPixel(picture, width, height, width * 3 / 16, 2);
        const Bgr blue = LibraryPixel(picture, width, height, width * 7 / 16, 2);
        const Bgr green = LibraryPixel(picture, width, height, width * 11 / 16, 2);
        EXPECT_TRUE(red.red > 200 && red.green < 60 && red.blue < 60);
        EXPECT_TRUE(blue.blue > 200 && blue.green < 60 && blue.red < 60);
        EXPECT_TRUE(green.green > 200 && green.red < 60 && green.blue < 60);
        // The white bar reaches the last column.
        const Bgr white = LibraryPixel(picture, width, height, width - 1, 2);
        EXPECT_TRUE(white.red > 200 && white.green > 200 && white.blue > 200);
    }
}

// Without sound the picture runs on a clock of its own.
TEST_F(VantiroTest, PictureWithoutSoundPlaysOnItsOwnClock) {
    ASSERT_EQ(OpenInLibrary(FixturePath("video_silent.mp4")), 0);
    int width = 0;
    int height = 0;
    Vantiro_GetFrameSize(&width, &height);
    ASSERT_EQ(width, 160);
    FirstPicture(width, height);
    Vantiro_Start();
    ASSERT_TRUE(WaitFor([] { return LibraryPosition() > 0.1f; }, 5000));
    Vantiro_Pause();
    const float held = LibraryPosition();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(LibraryPosition(), held);
}

TEST_F(VantiroTest, PollsWithoutAFileAreHarmless) {
    std::vector<uint8_t> buffer(64, 0xAB);
    EXPECT_EQ(Vantiro_GetFrame(buffer.data(), 4, 4), -1);
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xAB));
    EXPECT_EQ(LibraryPosition(), 0.0f);
    double duration = -1;
    Vantiro_GetDuration(&duration);
    EXPECT_EQ(duration, 0.0);
    EXPECT_EQ(Vantiro_Start(), -1);
    EXPECT_EQ(Vantiro_Pause(), -1);
    EXPECT_EQ(Vantiro_SetPos(0.5f), -1);
    EXPECT_EQ(Vantiro_Stop(), -1);
    EXPECT_EQ(Vantiro_Close(), 0);
}

TEST_F(VantiroTest, FailedOpenLeavesNoFileOpen) {
    for (const char* name : {"text.txt", "empty.wav", "no such file.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(OpenInLibrary(FixturePath(name)), -1);
        double duration = -1;
        Vantiro_GetDuration(&duration);
        EXPECT_EQ(duration, 0.0);
        EXPECT_EQ(Vantiro_Start(), -1);
    }
}

TEST_F(VantiroTest, StartAfterStopPlaysFromTheBeginning) {
    ASSERT_EQ(OpenInLibrary(FixturePath("stereo44.wav")), 0);
    Vantiro_SetPos(0.6f);
    Vantiro_Start();
    ASSERT_TRUE(WaitFor([] { return LibraryPosition() > 0.61f; }, 5000));
    Vantiro_Stop();
    EXPECT_EQ(LibraryPosition(), 0.0f);
    EXPECT_EQ(Vantiro_Start(), 0);
    ASSERT_TRUE(WaitFor([] { return LibraryPosition() > 0.0f; }, 5000));
    EXPECT_LT(LibraryPosition(), 0.3f);
}

TEST_F(VantiroTest, OpenWhileOpenTakesTheNewFile) {
    ASSERT_EQ(OpenInLibrary(FixturePath("odd_width.mp4")), 0);
    Vantiro_Start();
    ASSERT_EQ(OpenInLibrary(FixturePath("mono8.wav")), 0);
    int hasPicture = -1;
    Vantiro_GetMideaType(&hasPicture, nullptr);
    EXPECT_EQ(hasPicture, 0);
    double duration = 0;
    Vantiro_GetDuration(&duration);
    EXPECT_NEAR(duration, 5.0, 0.05);
    EXPECT_EQ(LibraryPosition(), 0.0f);
}

// Each cycle releases the file, the decoders and the sound device: the
// sanitizer build's leak check at exit sees anything left behind.
TEST_F(VantiroTest, OpenPlayCloseCyclesLeaveNothingBehind) {
    for (int cycle = 0; cycle < 4; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_EQ(OpenInLibrary(FixturePath(cycle % 2 == 0 ? "odd_width.mp4" : "tagged.ogg")), 0);
        Vantiro_Start();
        ASSERT_TRUE(WaitFor([] { return LibraryPosition() > 0.0f; }, 5000));
        EXPECT_EQ(Vantiro_Close(), 0);
        EXPECT_EQ(LibraryPosition(), 0.0f);
        EXPECT_EQ(Vantiro_Start(), -1);
    }
}

// A path past the old 260-character limit, with Cyrillic, Greek and Japanese
// letters, opens whole.
TEST_F(VantiroTest, LongNonLatinPathOpens) {
    // Folders are added until the path is long enough wherever the build
    // tree lies.
    std::filesystem::path folder = MakeScratchDir("long_path");
    for (int level = 0; Utf16((folder / "клип_音.wav").string()).size() <= 300; ++level) {
        folder /= "Звук_Ήχος_音楽_папка_" + std::to_string(level);
    }
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "клип_音.wav";
    std::filesystem::copy_file(FixturePath("short_sound.wav"), file);
    ASSERT_GT(Utf16(file.string()).size(), 260u);
    ASSERT_EQ(OpenInLibrary(file.string()), 0);
    double duration = 0;
    Vantiro_GetDuration(&duration);
    EXPECT_NEAR(duration, 0.6, 0.05);
}

} // namespace
