// veltrano-convert --normalize: a pass measures every file before any is
// converted, each output reaches the chosen loudness unless its true peak
// would pass -1 dBTP, and a stop while measuring writes nothing.
#include "cli_process.h"
#include "engine/work_file.h"
#include "tests/support/media_check.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace veltrano::test;
namespace fs = std::filesystem;

// FFmpeg's ebur128 filter, independent of the converter's meter.
struct FfmpegLevel {
    double integrated = NAN; // LUFS
    double truePeak = NAN;   // dBTP
};

double LastValue(const std::string& lines, const std::string& key) {
    const size_t at = lines.rfind(key + "=");
    return at == std::string::npos ? NAN : std::atof(lines.c_str() + at + key.size() + 1);
}

FfmpegLevel MeasureWithFfmpeg(const std::string& path) {
    const std::string lines = RunCommand(
        "ffmpeg -nostdin -nostats -v error -i " + ShellQuote(path) +
        " -af ebur128=metadata=1:peak=true,ametadata=mode=print:file=- -f null - | tail -n 20");
    FfmpegLevel level;
    level.integrated = LastValue(lines, "lavfi.r128.I");
    const double peak = LastValue(lines, "lavfi.r128.true_peak");
    level.truePeak = peak > 0 ? 20.0 * std::log10(peak) : NAN;
    return level;
}

bool HasText(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliNormalize, LosslessOutputsReachTheTargetAndAPeakyFileIsHeldBack) {
    const std::string dir = MakeScratchDir("cli_normalize");
    ASSERT_TRUE(MakeMedia("-f lavfi -i anoisesrc=color=pink:d=6:r=44100:amplitude=0.03 -ac 2",
                          dir + "/quiet.wav"));
    ASSERT_TRUE(MakeMedia("-f lavfi -i anoisesrc=color=pink:d=6:r=44100:amplitude=0.5 -ac 2",
                          dir + "/loud.wav"));
    // A quiet tone with a click near full scale every second.
    ASSERT_TRUE(MakeMedia("-f lavfi -i \"aevalsrc='0.02*sin(2*PI*440*t)+"
                          "if(lt(mod(t\\,1)\\,0.001)\\,0.9\\,0)':d=6:s=44100\" -ac 2",
                          dir + "/peaky.wav"));
    const std::string out = dir + "/out";
    const CliRun run = RunCli({"-f", "flac", "--normalize", "-16", "-o", out, dir + "/quiet.wav",
                               dir + "/loud.wav", dir + "/peaky.wav"},
                              dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    for (const char* name : {"quiet", "loud"}) {
        const FfmpegLevel level = MeasureWithFfmpeg(out + "/" + name + ".flac");
        EXPECT_NEAR(level.integrated, -16.0, 0.5) << name;
        EXPECT_LE(level.truePeak, -0.8) << name;
        EXPECT_TRUE(HasText(run.err, std::string(name) + ".wav: loudness ")) << run.err;
        EXPECT_FALSE(HasText(run.err, std::string(name) + ".wav: completed (held back")) << run.err;
    }
    // Brought to -16 LUFS its clicks would pass full scale: it stops at -1 dBTP,
    // well short of the target, and says so.
    const FfmpegLevel peaky = MeasureWithFfmpeg(out + "/peaky.flac");
    EXPECT_LT(peaky.integrated, -20.0);
    EXPECT_NEAR(peaky.truePeak, -1.0, 0.2);
    EXPECT_TRUE(HasText(run.err, "peaky.wav: completed (held back by the true-peak limit of "
                                 "-1 dBTP)"))
        << run.err;
    // Every file is measured before the first is converted.
    EXPECT_LT(run.err.find("peaky.wav: loudness"), run.err.find(": converting")) << run.err;
}

TEST(CliNormalize, OnlyTheOfferedTargetsAreTaken) {
    const std::string dir = MakeScratchDir("cli_normalize_targets");
    for (const char* target : {"-20", "16", "loud"}) {
        const CliRun run =
            RunCli({"--normalize", target, "-o", dir + "/out", FixturePath("stereo44.wav")}, dir);
        EXPECT_EQ(run.exitCode, 2) << target;
        EXPECT_TRUE(HasText(run.err, std::string("option '--normalize' needs -14, -16, -18 or "
                                                 "-23, not '") +
                                         target + "'"))
            << run.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/out"));
}

bool WaitForText(CliProcess& process, const std::string& text) {
    for (int polls = 0; polls < 6000; ++polls) {
        if (HasText(process.ErrorSoFar(), text)) {
            return true;
        }
        if (kill(process.pid(), 0) != 0) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(CliNormalize, AStopWhileMeasuringWritesNothing) {
    const std::string dir = MakeScratchDir("cli_normalize_stop");
    // Ten minutes of 5.1 at 48 kHz: long enough to measure that the stop
    // comes while it is measured.
    const std::string longSource = dir + "/long.flac";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=48000:duration=600 "
                          "-af \"pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\" -c:a flac",
                          longSource));
    const std::string first = FixturePath("mono8.wav");
    const std::string out = dir + "/out";
    CliProcess process(
        {"-j", "1", "-f", "flac", "--normalize", "-16", "-o", out, first, longSource}, dir);
    ASSERT_TRUE(WaitForText(process, "[1/2] " + first + ": loudness"))
        << "the first file was not measured";
    ASSERT_EQ(kill(process.pid(), SIGINT), 0);
    const CliRun run = process.Wait();

    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_FALSE(HasText(run.err, "[2/2] " + longSource + ": loudness"))
        << "the stop came after measuring: " << run.err;
    EXPECT_FALSE(HasText(run.err, "converting")) << run.err;
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(out)) {
        written.push_back(entry.path().filename().string());
    }
    EXPECT_TRUE(written.empty()) << written.front();
}

} // namespace
