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
    void SetFileName(std::string utf8Path) { m_fileName = std::move(utf8Path); }

    bool Open();
    void Close();
    void Start();
    void Pause();
    void Stop();
    void Seek(double fraction);

    bool IsOpen() const { return m_open; }
    bool HasPicture() const { return m_open && m_source.HasPicture(); }
    int Width() const { return HasPicture() ? m_source.Width() : 0; }
    int Height() const { return HasPicture() ? m_source.Height() : 0; }
    double Duration() const { return m_open ? m_source.Duration() : 0; }
    // Fraction of the duration that has been played.
    double Position();
    bool CopyPicture(unsigned char* buffer, int width, int height);

    void SetVolume(int volume);
    int Volume() const { return m_volume; }

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

    std::string m_fileName;
    MediaSource m_source;
    AudioOutput m_audio;
    bool m_open = false;
    bool m_playing = false;
    int m_volume = 65535;

    std::thread m_decoder;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_ended{false};
    std::atomic<Vantiro_EndCallback> m_endCallback{nullptr};

    std::mutex m_mutex; // guards the pictures and the wall clock
    std::deque<Picture> m_pictures;
    Picture m_current;
    bool m_hasCurrent = false;
    WallClock m_wallClock;
};
