// Faults injected under a running batch: read errors part-way, failed
// closes, refused renames, full disks, unwritable folders, sources that
// change between adding and converting, and crashes. Each time the row fails
// or stops, the batch goes on, no existing file is overwritten and nothing is
// left that pretends to be a conversion.
#include "engine/work_file.h"
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/faults/fault_shim.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace veltrano::test {
namespace {

namespace fs = std::filesystem;

class EngineFaults : public ::testing::Test {
protected:
    void TearDown() override { shim::Reset(); }
};

OutputChoice Format(const char* extension) {
    return CatalogueOutput(FindOutputFormatByExtension(extension));
}

// Ten seconds of noise as FLAC: several hundred kilobytes to fail part-way.
std::string MakeFlacSource(const std::string& folder) {
    const std::string path = folder + "/noise.flac";
    EXPECT_TRUE(MakeMedia("-f lavfi -i anoisesrc=d=10:r=44100:a=0.3:seed=3 -ac 2 -c:a flac", path));
    return path;
}

// Every file in the folder is a finished output ffprobe reads; no work file.
void ExpectOnlyReadableOutputs(const std::string& folder) {
    for (const std::string& name : ListFolder(folder)) {
        EXPECT_FALSE(IsWorkFileName(name)) << "work file left: " << name;
        EXPECT_TRUE(ProbeAudio(folder + "/" + name).ok) << "unreadable file left: " << name;
    }
}

TEST_F(EngineFaults, AReadErrorPartWayFailsTheRowInsteadOfEndingItEarly) {
    const std::string dir = EngineScratchDir("fault_read");
    const std::string source = MakeFlacSource(dir);
    const int64_t size = FileSize(source);
    struct Case {
        const char* name;
        double at; // fraction of the source read before the error
        int error;
    };
    const Case cases[] = {
        {"EIO at 30%", 0.3, EIO}, {"ENODEV at 60%", 0.6, ENODEV}, {"EIO at 95%", 0.95, EIO}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = dir + "/out_" + std::to_string(c.error) + "_" +
                                std::to_string(static_cast<int>(c.at * 100));
        fs::create_directories(out);
        AVConvert engine;
        FillBatch(engine, {{source}, {FixturePath("mono8.wav")}}, Format("mp3"), out);
        shim::FailReadsOf(source, static_cast<int64_t>(c.at * static_cast<double>(size)), c.error);
        ConvertBatchProc(&engine);
        shim::Reset();
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
        EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
        EXPECT_EQ(ListFolder(out), std::vector<std::string>{"mono8.mp3"});
    }
    // Unharmed, the same source converts whole.
    const std::string whole = dir + "/whole";
    fs::create_directories(whole);
    AVConvert engine;
    RunBatch(engine, {{source}}, Format("mp3"), whole);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_NEAR(PlayedSeconds(whole + "/noise.mp3"), 10.0, 0.1);
}

TEST_F(EngineFaults, AFailedCloseFailsTheRowAndRemovesItsFile) {
    const std::string dir = EngineScratchDir("fault_close");
    for (const int error : {EIO, EDQUOT, ENOSPC}) {
        SCOPED_TRACE(error);
        const std::string out = dir + "/out" + std::to_string(error);
        fs::create_directories(out);
        AVConvert engine;
        FillBatch(engine, {{FixturePath("stereo44.wav")}, {FixturePath("mono8.wav")}},
                  Format("flac"), out);
        shim::FailNextWorkFileClose(error);
        ConvertBatchProc(&engine);
        shim::Reset();
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
        EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
        EXPECT_EQ(ListFolder(out), std::vector<std::string>{"mono8.flac"});
    }
}

// The order a power cut cannot undo: data on disk, then the name, then the
// folder entry on disk.
TEST_F(EngineFaults, AFileIsOnDiskBeforeItGetsItsNameAndTheFolderAfter) {
    const std::string out = EngineScratchDir("fault_sync");
    AVConvert engine;
    FillBatch(engine, {{FixturePath("mono8.wav")}}, Format("mp3"), out);
    shim::RecordSyncsAndRenames();
    ConvertBatchProc(&engine);
    const std::vector<std::string> events = shim::RecordedEvents();
    shim::Reset();
    ASSERT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    const std::string folder = fs::canonical(out).string();
    const std::string output = engine.m_outputPaths[0];
    size_t fileSync = events.size();
    size_t rename = events.size();
    size_t folderSync = events.size();
    for (size_t i = 0; i < events.size(); ++i) {
        const std::string& e = events[i];
        if (e.starts_with("fsync " + folder + "/.veltrano-") && fileSync == events.size()) {
            fileSync = i;
        } else if (e.starts_with("rename ") && e.ends_with(" " + output)) {
            rename = i;
        } else if (e == "fsync " + folder && rename < events.size()) {
            folderSync = i;
        }
    }
    ASSERT_LT(fileSync, events.size()) << "the work file was never synced";
    ASSERT_LT(rename, events.size()) << "the work file was never renamed";
    ASSERT_LT(folderSync, events.size()) << "the folder was never synced after the rename";
    EXPECT_LT(fileSync, rename);
    EXPECT_LT(rename, folderSync);
}

// On FAT (a memory stick) there is neither an exclusive rename nor a hard
// link: names are still unique and nothing is overwritten.
TEST_F(EngineFaults, WithoutExclusiveRenameOrHardLinksNothingIsOverwritten) {
    const std::string out = EngineScratchDir("fault_fat");
    WriteBytes(out + "/mono8.mp3", "a file of the user's");
    AVConvert engine;
    FillBatch(engine, {{FixturePath("mono8.wav")}, {FixturePath("mono8.wav")}}, Format("mp3"), out);
    const int before = shim::InjectedFaults();
    shim::RefuseRenameat2AndLink();
    ConvertBatchProc(&engine);
    shim::Reset();
    EXPECT_GE(shim::InjectedFaults() - before, 4); // each publish was refused both ways
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
    EXPECT_EQ(ReadBytes(out + "/mono8.mp3"), "a file of the user's");
    EXPECT_EQ(ListFolder(out),
              (std::vector<std::string>{"mono8(0).mp3", "mono8(1).mp3", "mono8.mp3"}));
    EXPECT_TRUE(ProbeAudio(out + "/mono8(1).mp3").ok);
}

// Out of threads (a tight address-space limit leaves no room for another
// stack), the rows still all convert: on the workers that did start, or on
// the batch's own thread when none did.
TEST_F(EngineFaults, RowsConvertWhenWorkerThreadsCannotStart) {
    const std::string dir = EngineScratchDir("fault_threads");
    const std::vector<BatchRow> rows = {{FixturePath("mono8.wav")},
                                        {FixturePath("stereo44.wav"), true, 0, 1},
                                        {FixturePath("mono8.wav")},
                                        {FixturePath("mono8.wav")},
                                        {FixturePath("tagged.ogg")}};
    const std::string expectedFolder = dir + "/one_at_a_time";
    fs::create_directories(expectedFolder);
    AVConvert expected;
    RunBatch(expected, rows, Format("mp3"), expectedFolder);
    for (const int started : {0, 1, 2}) {
        SCOPED_TRACE(std::to_string(started) + " threads start");
        const std::string out = dir + "/out" + std::to_string(started);
        fs::create_directories(out);
        AVConvert engine;
        FillBatch(engine, rows, Format("mp3"), out);
        engine.m_jobCount = 4;
        const int before = shim::InjectedFaults();
        shim::FailThreadStartsAfter(started);
        ConvertBatchProc(&engine);
        shim::Reset();
        EXPECT_GT(shim::InjectedFaults(), before);
        EXPECT_EQ(LoadCurrentTask(engine), static_cast<int>(rows.size()));
        for (size_t row = 0; row < rows.size(); ++row) {
            EXPECT_EQ(TaskStatusOf(engine, static_cast<int>(row)), TaskCompleted) << row;
            EXPECT_EQ(engine.m_outputPaths[row].substr(out.size()),
                      expected.m_outputPaths[row].substr(expectedFolder.size()))
                << row;
        }
        EXPECT_EQ(ListFolder(out), ListFolder(expectedFolder));
        ExpectOnlyReadableOutputs(out);
    }
}

// Runs `body` in a child process and returns its exit code; limits such as
// RLIMIT_FSIZE and a changed user stay in the child.
int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The two rows' statuses as a child's exit code: 10 × first + second.
int StatusCode(const AVConvert& engine) {
    return 10 * TaskStatusOf(engine, 0) + TaskStatusOf(engine, 1);
}

TEST_F(EngineFaults, AFullDiskFailsTheRowThatDoesNotFitAndTheBatchGoesOn) {
    const std::string out = EngineScratchDir("fault_fsize");
    // Room for a second of sound (176 kB as WAV), not for five.
    const int code = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{200 * 1024, 200 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        AVConvert engine;
        RunBatch(engine, {{FixturePath("stereo44.wav")}, {FixturePath("mono8.wav"), true, 0, 1}},
                 Format("wav"), out);
        return StatusCode(engine);
    });
    EXPECT_EQ(code, 10 * TaskFailed + TaskCompleted);
    EXPECT_EQ(ListFolder(out), std::vector<std::string>{"mono8.wav"});
    ExpectOnlyReadableOutputs(out);
}

// A small tmpfs, where the machine lets the tests mount one.
TEST_F(EngineFaults, ASmallFileSystemFillsUpWithoutLosingAnything) {
    const std::string out = EngineScratchDir("fault_tmpfs");
    // Room for a second of sound as WAV (176 kB), not for five (882 kB).
    if (mount("tmpfs", out.c_str(), "tmpfs", 0, "size=512k") != 0) {
        GTEST_SKIP() << "tmpfs cannot be mounted here: " << std::strerror(errno);
    }
    WriteBytes(out + "/stereo44.wav", "the user's own file");
    AVConvert engine;
    RunBatch(engine, {{FixturePath("stereo44.wav")}, {FixturePath("mono8.wav"), true, 0, 1}},
             Format("wav"), out);
    const std::vector<std::string> left = ListFolder(out);
    const std::string kept = ReadBytes(out + "/stereo44.wav");
    const bool converted = ProbeAudio(out + "/mono8.wav").ok;
    umount(out.c_str());
    EXPECT_TRUE(converted);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
    EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
    EXPECT_EQ(left, (std::vector<std::string>{"mono8.wav", "stereo44.wav"}));
    EXPECT_EQ(kept, "the user's own file");
}

TEST_F(EngineFaults, AnUnwritableFolderFailsEveryRowAndCreatesNothing) {
    const std::string out = EngineScratchDir("fault_readonly");
    ASSERT_EQ(chmod(out.c_str(), 0555), 0);
    const int code = InChild([&] {
        // Root writes anywhere; the user who cannot is played by nobody.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            return 99;
        }
        AVConvert engine;
        RunBatch(engine, {{FixturePath("mono8.wav")}, {FixturePath("stereo44.wav")}}, Format("mp3"),
                 out);
        return StatusCode(engine);
    });
    chmod(out.c_str(), 0755);
    EXPECT_EQ(code, 10 * TaskFailed + TaskFailed);
    EXPECT_TRUE(ListFolder(out).empty());
}

// A source that changes between Add (the probe) and Convert.
TEST_F(EngineFaults, ASourceChangedAfterAddingFailsOrConvertsWhatIsThere) {
    const std::string dir = EngineScratchDir("fault_changed");
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        bool mayConvert; // what is left is still sound
    };
    const Case cases[] = {
        {"deleted", [](const std::string& p) { fs::remove(p); }, false},
        {"truncated to nothing", [](const std::string& p) { fs::resize_file(p, 0); }, false},
        {"truncated to its header", [](const std::string& p) { fs::resize_file(p, 60); }, false},
        {"cut in half", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) / 2); },
         true},
        {"replaced by text",
         [](const std::string& p) { WriteBytes(p, "no longer a sound file\n"); }, false},
        {"replaced by a folder",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir + "/song" + std::to_string(index++) + ".wav";
        fs::copy_file(FixturePath("stereo44.wav"), source);
        const std::string out = source + ".out";
        fs::create_directories(out);
        AVConvert engine;
        FillBatch(engine, {{source}, {FixturePath("mono8.wav")}}, Format("wav"), out);
        c.change(source);
        ConvertBatchProc(&engine);
        const uint8_t first = TaskStatusOf(engine, 0);
        EXPECT_TRUE(first == TaskFailed || (c.mayConvert && first == TaskCompleted)) << int(first);
        EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
        ExpectOnlyReadableOutputs(out);
        EXPECT_EQ(ListFolder(out).size(), first == TaskCompleted ? 2u : 1u);
    }
}

// Six seconds of sound: a row long enough to stop at many points.
std::string MakeLongWav(const std::string& folder) {
    const std::string path = folder + "/long.wav";
    EXPECT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=6 -ac 2 "
                          "-c:a pcm_s16le",
                          path));
    return path;
}

TEST_F(EngineFaults, StopAtAnyPointLeavesAFinishedFileOrNone) {
    const std::string dir = EngineScratchDir("fault_stop");
    const std::string source = MakeLongWav(dir);
    // Stop once the row's progress reaches each of these (-1: before its first packet).
    for (const int at : {-1, 0, 5, 50, 95}) {
        SCOPED_TRACE("stop at " + std::to_string(at) + "%");
        const std::string out = dir + "/out" + std::to_string(at + 1);
        fs::create_directories(out);
        AVConvert engine;
        FillBatch(engine, {{source}, {FixturePath("mono8.wav")}}, Format("flac"), out);
        std::thread worker(ConvertBatchProc, &engine);
        while (LoadCurrentTask(engine) < 0 ||
               (LoadCurrentTask(engine) == 0 && LoadRelaxed(engine.m_progress) < at)) {
            std::this_thread::yield();
        }
        RequestStop(engine);
        worker.join();
        EXPECT_NE(TaskStatusOf(engine, 0), TaskFailed);
        EXPECT_EQ(TaskStatusOf(engine, 1), TaskPending); // never started
        ExpectOnlyReadableOutputs(out);
        const std::vector<std::string> left = ListFolder(out);
        ASSERT_LE(left.size(), 1u);
        if (!left.empty()) {
            EXPECT_EQ(left[0], "long.flac");
            EXPECT_GT(PlayedSeconds(out + "/long.flac"), 0.0);
        }
    }
}

// Two rows side by side that want the same name: the short second one has
// all its sound written and waits for the long first one to take its name
// when the stop comes. It is a whole conversion; only the first is cut short.
TEST_F(EngineFaults, ARowWaitingForItsNameWhenAStopComesIsComplete) {
    const std::string dir = EngineScratchDir("fault_stop_waiting");
    // Long enough that, once let go, it is still converting when the stop
    // reaches it.
    const std::string longSource = dir + "/long.wav";
    ASSERT_TRUE(MakeMedia("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=30 -ac 2 "
                          "-c:a pcm_s16le",
                          longSource));
    fs::create_directories(dir + "/short");
    const std::string shortSource = dir + "/short/long.wav";
    fs::copy_file(FixturePath("mono8.wav"), shortSource);
    const std::string out = dir + "/out";
    fs::create_directories(out);
    AVConvert engine;
    FillBatch(engine, {{longSource}, {shortSource}}, Format("mp3"), out);
    engine.m_jobCount = 2;
    // The long row is held a tenth of the way in, as behind a slow share,
    // until the stop.
    shim::PauseReadsOf(longSource, FileSize(longSource) / 10);
    shim::CountWorkFileCloses();
    std::thread worker(ConvertBatchProc, &engine);
    while (shim::PausedReads() == 0 || shim::WorkFileCloses() == 0) {
        std::this_thread::yield();
    }
    RequestStop(engine);
    shim::ResumeReads();
    worker.join();
    shim::Reset();

    EXPECT_EQ(TaskStatusOf(engine, 0), TaskPending);
    EXPECT_EQ(TaskStatusOf(engine, 1), TaskCompleted);
    EXPECT_EQ(engine.m_outputPaths[0], out + "/long.mp3");
    EXPECT_EQ(engine.m_outputPaths[1], out + "/long(0).mp3");
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"long(0).mp3", "long.mp3"}));
    EXPECT_NEAR(PlayedSeconds(out + "/long(0).mp3"), PlayedSeconds(shortSource), 0.1);
    const double partial = PlayedSeconds(out + "/long.mp3");
    EXPECT_GT(partial, 0.0);
    EXPECT_LT(partial, PlayedSeconds(longSource) - 1.0);
}

// A converter killed mid-row (SIGKILL, a power cut) leaves its work file;
// the next batch into that folder removes it, but never one whose converter
// still runs.
TEST_F(EngineFaults, WorkFilesOfACrashedConverterGoWithTheNextBatch) {
    const std::string dir = EngineScratchDir("fault_crash");
    const std::string source = MakeLongWav(dir);
    const std::string out = dir + "/out";
    fs::create_directories(out);

    const pid_t crashed = fork();
    if (crashed == 0) {
        AVConvert engine;
        RunBatch(engine, {{source}}, Format("wav"), out);
        _exit(0);
    }
    // Held by a converter that is still running.
    WorkFile running;
    ASSERT_EQ(CreateWorkFile(out + "/other.mp3", running), 0);
    WriteBytes(running.path, "still being written");

    std::string leftover;
    for (int i = 0; i < 5000 && leftover.empty(); ++i) {
        for (const std::string& name : ListFolder(out)) {
            if (IsWorkFileName(name) && out + "/" + name != running.path &&
                FileSize(out + "/" + name) > 16 * 1024) {
                leftover = out + "/" + name;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    kill(crashed, SIGKILL);
    waitpid(crashed, nullptr, 0);
    ASSERT_FALSE(leftover.empty()) << "the conversion ended before it could be killed";
    ASSERT_TRUE(FileExists(leftover));

    AVConvert engine;
    RunBatch(engine, {{FixturePath("mono8.wav")}}, Format("mp3"), out);
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_FALSE(FileExists(leftover));
    EXPECT_EQ(ReadBytes(running.path), "still being written");
    DiscardWorkFile(running);
    EXPECT_EQ(ListFolder(out), std::vector<std::string>{"mono8.mp3"});
}

} // namespace
} // namespace veltrano::test
