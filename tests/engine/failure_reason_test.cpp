// Every failed row says why, and the reason names what really went wrong.
#include "engine/failure_reason.h"
#include "profiles/output_catalogue.h"
#include "tasks/batch_start.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/file_size_cap.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>

extern "C" {
#include <libavutil/error.h>
}

namespace veltrano::test {
namespace {

namespace fs = std::filesystem;

struct FailureCase {
    const char* name;
    FailureReason reason;
    const char* text;
    // Runs the one-row batch of the case in `folder` (empty beforehand).
    std::function<void(AVConvert& engine, const std::string& folder)> run;
};

OutputChoice Mp3Output() {
    return CatalogueOutput(FindOutputFormatByExtension("mp3"));
}

// A copy of a fixture in the scratch folder, which the case may then change.
std::string OwnCopy(const std::string& fixture, const std::string& folder) {
    const std::string path = folder + "/source_" + fixture;
    fs::copy_file(FixturePath(fixture), path);
    return path;
}

const FailureCase kFailureCases[] = {
    {"NoSound", FailureNoSound, "no sound could be decoded",
     [](AVConvert& engine, const std::string& folder) {
         RunBatch(engine, {{FixturePath("video_silent.mp4")}}, Mp3Output(), folder);
     }},
    {"NothingDecodes", FailureNoSound, "no sound could be decoded",
     [](AVConvert& engine, const std::string& folder) {
         RunBatch(engine, {{FixturePath("undecodable.mkv")}}, Mp3Output(), folder);
     }},
    {"DiskFull", FailureDiskFull, "the disk is full",
     [](AVConvert& engine, const std::string& folder) {
         FileSizeCap cap(64 * 1024); // room for the header and a little sound
         RunBatch(engine, {{FixturePath("stereo44.wav")}},
                  CatalogueOutput(FindOutputFormatByExtension("wav")), folder);
     }},
    {"FolderNotWritable", FailureFolderNotWritable, "the output folder cannot be written",
     [](AVConvert& engine, const std::string& folder) {
         // The output folder went away between Convert and the row.
         FillBatch(engine, {{FixturePath("stereo44.wav")}}, Mp3Output(), folder + "/gone");
         ConvertBatchProc(&engine);
     }},
    {"EncoderRefused", FailureEncoderRefused, "the encoder refused the settings",
     [](AVConvert& engine, const std::string& folder) {
         OutputChoice output = Mp3Output();
         output.sampleRate = 7000; // no MP3 sample rate
         RunBatch(engine, {{FixturePath("stereo44.wav")}}, output, folder);
     }},
    {"NothingFits", FailureNothingFits, "the format cannot hold the file's channels or sample rate",
     [](AVConvert& engine, const std::string& folder) {
         // Opus has no mapping of its own for more channels than 7.1.
         const OutputChoice output{".opus", "OPUS", 128000, 48000, kSameAsSource};
         RunBatch(engine, {{FixturePath("channels16.wav")}}, output, folder);
     }},
    {"SourceRemoved", FailureSourceChanged, "the file changed or disappeared",
     [](AVConvert& engine, const std::string& folder) {
         const std::string source = OwnCopy("stereo44.wav", folder);
         FillBatch(engine, {{source}}, Mp3Output(), folder);
         fs::remove(source);
         ConvertBatchProc(&engine);
     }},
    {"SourceReplaced", FailureSourceChanged, "the file changed or disappeared",
     [](AVConvert& engine, const std::string& folder) {
         const std::string source = OwnCopy("stereo44.wav", folder);
         FillBatch(engine, {{source}}, Mp3Output(), folder);
         fs::copy_file(FixturePath("text.txt"), source, fs::copy_options::overwrite_existing);
         ConvertBatchProc(&engine);
     }},
};

class EngineFailureReason : public testing::TestWithParam<FailureCase> {};

TEST_P(EngineFailureReason, FailedRowSaysWhyAndLeavesNoOutput) {
    const FailureCase& c = GetParam();
    const std::string folder = EngineScratchDir(std::string("reason_") + c.name);
    AVConvert engine;
    c.run(engine, folder);
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskFailed);
    EXPECT_EQ(TaskReasonOf(engine, 0), c.reason);
    EXPECT_STREQ(FailureReasonText(TaskReasonOf(engine, 0)), c.text);
    for (const std::string& name : ListFolder(folder)) {
        EXPECT_EQ(name.rfind("source_", 0), 0u) << name << " was left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(EngineFailure, EngineFailureReason, testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EngineFailureReasons, CompletedRowsAndANewBatchCarryNoReason) {
    const std::string folder = EngineScratchDir("reason_cleared");
    AVConvert engine;
    RunBatch(engine, {{FixturePath("video_silent.mp4")}, {FixturePath("mono8.wav")}}, Mp3Output(),
             folder);
    EXPECT_EQ(TaskReasonOf(engine, 0), FailureNoSound);
    EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
    EXPECT_EQ(TaskReasonOf(engine, 1), FailureNone);
    // The worker starts every batch afresh, even over the same arrays.
    engine.m_inputPaths[0] = FixturePath("stereo44.wav");
    SetRowClip(engine, 0, 0, 5);
    ConvertBatchProc(&engine);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(TaskReasonOf(engine, 0), FailureNone);
}

// Errors met while writing, by what the user can do about them.
TEST(EngineFailureReasons, OutputErrorsAreToldApart) {
    const std::pair<int, FailureReason> cases[] = {
        {AVERROR(ENOSPC), FailureDiskFull},
        {AVERROR(EDQUOT), FailureDiskFull},
        {AVERROR(EFBIG), FailureDiskFull},
        {AVERROR(EACCES), FailureFolderNotWritable},
        {AVERROR(EROFS), FailureFolderNotWritable},
        {AVERROR(ENOENT), FailureFolderNotWritable},
        {AVERROR(EIO), FailureFolderNotWritable},
        {AVERROR(EINVAL), FailureEncoderRefused},
        {AVERROR_ENCODER_NOT_FOUND, FailureEncoderRefused},
        {AVERROR_PATCHWELCOME, FailureEncoderRefused},
    };
    for (const auto& [error, reason] : cases) {
        EXPECT_EQ(ReasonForOutputError(error), reason) << "error " << error;
    }
}

} // namespace
} // namespace veltrano::test
