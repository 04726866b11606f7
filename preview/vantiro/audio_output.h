// The sound device and the clock that the picture follows: the clock is the
// position of the last sample the device has consumed. It stands still while
// the device is paused; while the device runs out of sound (the sound ended
// before the picture, or has a gap) it goes on in real time, and the next
// sound pushed sets it to that sound's own time.
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class AudioOutput {
public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens a device near the wanted rate and channel count, paused, with
    // interleaved signed 16-bit samples. False when no device can be opened.
    bool Open(int wantedRate, int wantedChannels);
    void Close();
    bool IsOpen() const { return m_device != 0; }

    // What the device really takes (valid after Open).
    int Rate() const { return m_rate; }
    int Channels() const { return m_channels; }

    // `seconds` is the time of the first pushed sample in the file.
    void Push(const uint8_t* bytes, size_t size, double seconds);
    double BufferedSeconds();
    // True when every pushed sample has been consumed.
    bool Drained();
    // Empties the buffer and restarts the clock at `seconds`.
    void Reset(double seconds);
    double ClockSeconds();
    void SetPaused(bool paused);

    // 0 to SDL_MIX_MAXVOLUME.
    void SetMixVolume(int volume) { m_mixVolume.store(volume, std::memory_order_relaxed); }

private:
    static void FeedDevice(void* self, Uint8* stream, int length);
    double StarvedSeconds() const;
    void EndStarving();
    void Feed(Uint8* stream, int length);

    SDL_AudioDeviceID m_device = 0;
    bool m_subsystemStarted = false;
    int m_rate = 0;
    int m_channels = 0;
    int m_frameBytes = 0;
    std::atomic<int> m_mixVolume{SDL_MIX_MAXVOLUME};

    std::mutex m_mutex; // guards everything below; the device thread takes it
    std::vector<uint8_t> m_pending;
    size_t m_readOffset = 0;
    double m_clockBase = 0;
    uint64_t m_consumedFrames = 0;
    // Since when the running device has found no sound to play.
    bool m_starved = false;
    std::chrono::steady_clock::time_point m_starvedSince;
};
