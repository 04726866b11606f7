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
    bool IsOpen() const { return device_ != 0; }

    // What the device really takes (valid after Open).
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

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
    void SetMixVolume(int volume) { mixVolume_.store(volume, std::memory_order_relaxed); }

private:
    static void FeedDevice(void* self, Uint8* stream, int length);
    double StarvedSeconds() const;
    void EndStarving();
    void Feed(Uint8* stream, int length);

    SDL_AudioDeviceID device_ = 0;
    bool subsystemStarted_ = false;
    int rate_ = 0;
    int channels_ = 0;
    int frameBytes_ = 0;
    std::atomic<int> mixVolume_{SDL_MIX_MAXVOLUME};

    std::mutex mutex_; // guards everything below; the device thread takes it
    std::vector<uint8_t> pending_;
    size_t readOffset_ = 0;
    double clockBase_ = 0;
    uint64_t consumedFrames_ = 0;
    // Since when the running device has found no sound to play.
    bool starved_ = false;
    std::chrono::steady_clock::time_point starvedSince_;
};
