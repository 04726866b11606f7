// The one player behind the C interface: opens a file, runs the decoding on
// a thread of its own and keeps the picture in step with the sound's clock.
// Every method except the decoding thread's runs on the client's thread.
#pragma once

#include "audio_output.h"
#include "media_source.h"
#include "vantiro.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class Player {
public:
    Player() = default;
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void SetEndCallback(Vantiro_EndCallback callback);
    void SetFileName(std::string utf8Path) { fileName_ = std::move(utf8Path); }

    bool Open();
    void Close();
    void Start();
    void Pause();
    void Stop();
    void Seek(double fraction);

    bool IsOpen() const { return open_; }
    bool HasPicture() const { return open_ && source_.HasPicture(); }
    int Width() const { return HasPicture() ? source_.Width() : 0; }
    int Height() const { return HasPicture() ? source_.Height() : 0; }
    double Duration() const { return open_ ? source_.Duration() : 0; }
    // Fraction of the duration that has been played.
    double Position();
    bool CopyPicture(unsigned char* buffer, int width, int height);

    void SetVolume(int volume);
    int Volume() const { return volume_; }

private:
    void Run();
    void DecodeUntilEnd();
    void WaitForPlaybackEnd();
    void HoldClock();
    bool BuffersFull();
    void TakeDuePictures();
    void JoinDecoder();
    void MoveTo(double seconds);
    double ClockSeconds();

    // Playback without sound runs on a clock of its own.
    struct WallClock {
        std::chrono::steady_clock::time_point startedAt;
        double baseSeconds = 0;
        bool running = false;
    };

    std::string fileName_;
    MediaSource source_;
    AudioOutput audio_;
    bool open_ = false;
    bool playing_ = false;
    int volume_ = 65535;

    std::thread decoder_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> ended_{false};
    std::atomic<Vantiro_EndCallback> endCallback_{nullptr};

    std::mutex mutex_; // guards the pictures and the wall clock
    std::deque<Picture> pictures_;
    Picture current_;
    bool hasCurrent_ = false;
    WallClock wallClock_;
};
