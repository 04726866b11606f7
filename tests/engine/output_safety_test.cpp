// What a conversion may touch: only local files for input, and nothing left
// behind that looks like a finished conversion when writing fails.
#include "profiles/output_catalogue.h"
#include "tests/engine/batch_runner.h"
#include "tests/support/file_size_cap.h"
#include "tests/support/media_check.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrano::test {
namespace {

TEST(EngineOutputSafety, AFailedWriteFailsTheRowAndRemovesItsFile) {
    const std::string folder = EngineScratchDir("write_failure");
    const int wav = FindOutputFormatByExtension("wav");
    const int flac = FindOutputFormatByExtension("flac");
    for (int format : {wav, flac}) {
        SCOPED_TRACE(CatalogueExtension(format));
        AVConvert engine;
        {
            // Room for the header and a little sound, not for five seconds of it.
            FileSizeCap cap(64 * 1024);
            RunBatch(engine, {{FixturePath("stereo44.wav")}, {FixturePath("mono8.wav")}},
                     CatalogueOutput(format), folder);
        }
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
        EXPECT_EQ(TaskStatusOf(engine, 1), TaskFailed);
        EXPECT_EQ(LoadRelaxed(engine.m_currentTask), 2);
        EXPECT_TRUE(ListFolder(folder).empty());
    }
}

// A listening socket on the loopback interface that counts who connects.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 8);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int port() const { return port_; }
    bool WasContacted() const {
        const int client = accept(fd_, nullptr, nullptr);
        if (client >= 0) {
            close(client);
            return true;
        }
        return false;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(EngineOutputSafety, PlaylistsCannotMakeTheEngineReachTheNetwork) {
    const std::string folder = EngineScratchDir("playlists");
    Listener listener;
    ASSERT_GT(listener.port(), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(listener.port()) + "/x.wav";
    const std::string hls = folder + "/list.m3u8";
    WriteText(hls, "#EXTM3U\n#EXT-X-TARGETDURATION:5\n#EXTINF:5,\n" + url + "\n#EXT-X-ENDLIST\n");
    const std::string concat = folder + "/list.ffconcat";
    WriteText(concat, "ffconcat version 1.0\nfile '" + url + "'\n");

    for (const std::string& playlist : {hls, concat}) {
        SCOPED_TRACE(playlist);
        AVConvert engine;
        engine.m_probePath = playlist;
        ProbeMediaFile(engine);
        RunBatch(engine, {{playlist, true, 0, 5}},
                 CatalogueOutput(FindOutputFormatByExtension("mp3")), folder + "/out");
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
        EXPECT_FALSE(listener.WasContacted());
    }
}

TEST(EngineOutputSafety, FileNamesThatLookLikeUrlsAreLocalFiles) {
    const std::string folder = EngineScratchDir("url_like_names");
    const std::string local = folder + "/http:song.wav";
    std::filesystem::copy_file(FixturePath("mono8.wav"), local);
    // Relative, so FFmpeg would read the part before ":" as a protocol.
    ASSERT_EQ(chdir(folder.c_str()), 0);
    AVConvert engine;
    engine.m_probePath = "http:song.wav";
    EXPECT_EQ(ProbeMediaFile(engine), ProbeOk);
    EXPECT_EQ(engine.m_sampleRate, 8000);
    OutputChoice sameSound = CatalogueOutput(FindOutputFormatByExtension("wav"));
    sameSound.sampleRate = 8000;
    sameSound.channels = 1;
    RunBatch(engine, {{"http:song.wav"}}, sameSound, ".");
    EXPECT_EQ(TaskStatusOf(engine, 0), TaskCompleted);
    EXPECT_EQ(engine.m_outputPaths[0], "./http:song(0).wav");
    EXPECT_EQ(DecodeS16(folder + "/http:song(0).wav"), DecodeS16(local));
}

TEST(EngineOutputSafety, OnlyRegularFilesAreOpened) {
    const std::string folder = EngineScratchDir("not_regular");
    const std::string fifo = folder + "/pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directories(folder + "/out");
    // Each of these would block or read without end if it were opened.
    for (const std::string& path : {fifo, std::string("/dev/zero"), folder}) {
        SCOPED_TRACE(path);
        AVConvert engine;
        engine.m_probePath = path;
        EXPECT_EQ(ProbeMediaFile(engine), ProbeCannotOpen);
        RunBatch(engine, {{path, true, 0, 5}}, CatalogueOutput(FindOutputFormatByExtension("wav")),
                 folder + "/out");
        EXPECT_EQ(TaskStatusOf(engine, 0), TaskFailed);
    }
    EXPECT_TRUE(ListFolder(folder + "/out").empty());
}

} // namespace
} // namespace veltrano::test
