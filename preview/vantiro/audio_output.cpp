#include "audio_output.h"

#include <algorithm>
#include <cstring>

namespace {

// Small device buffers keep the clock close to what is heard.
constexpr Uint16 kDeviceFrames = 1024;

} // namespace

AudioOutput::~AudioOutput() {
    Close();
}

bool AudioOutput::Open(int wantedRate, int wantedChannels) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    subsystemStarted_ = true;
    SDL_AudioSpec wanted{};
    wanted.freq = wantedRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(std::clamp(wantedChannels, 1, 2));
    wanted.samples = kDeviceFrames;
    wanted.callback = &AudioOutput::FeedDevice;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device_ =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device_ == 0) {
        Close();
        return false;
    }
    rate_ = obtained.freq;
    channels_ = obtained.channels;
    frameBytes_ = channels_ * static_cast<int>(sizeof(int16_t));
    Reset(0);
    return true;
}

void AudioOutput::Close() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (subsystemStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted_ = false;
    }
    std::lock_guard lock(mutex_);
    pending_.clear();
    pending_.shrink_to_fit();
    readOffset_ = 0;
}

void AudioOutput::Push(const uint8_t* bytes, size_t size, double seconds) {
    std::lock_guard lock(mutex_);
    if (readOffset_ >= pending_.size()) {
        // Nothing is left to play, so the clock is wherever the new sound is.
        starved_ = false;
        clockBase_ = seconds - static_cast<double>(consumedFrames_) / rate_;
    }
    // Consumed bytes are dropped in one move once they make up half the
    // buffer, so the buffer stays small without a move per callback.
    if (readOffset_ > 0 && readOffset_ * 2 >= pending_.size()) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(readOffset_));
        readOffset_ = 0;
    }
    pending_.insert(pending_.end(), bytes, bytes + size);
}

double AudioOutput::BufferedSeconds() {
    std::lock_guard lock(mutex_);
    if (frameBytes_ == 0) {
        return 0;
    }
    return static_cast<double>(pending_.size() - readOffset_) / frameBytes_ / rate_;
}

bool AudioOutput::Drained() {
    std::lock_guard lock(mutex_);
    return readOffset_ >= pending_.size();
}

void AudioOutput::Reset(double seconds) {
    std::lock_guard lock(mutex_);
    pending_.clear();
    readOffset_ = 0;
    clockBase_ = seconds;
    consumedFrames_ = 0;
    starved_ = false;
}

double AudioOutput::ClockSeconds() {
    std::lock_guard lock(mutex_);
    if (rate_ == 0) {
        return clockBase_;
    }
    return clockBase_ + static_cast<double>(consumedFrames_) / rate_ + StarvedSeconds();
}

double AudioOutput::StarvedSeconds() const {
    if (!starved_) {
        return 0;
    }
    const std::chrono::duration<double> starved = std::chrono::steady_clock::now() - starvedSince_;
    return starved.count();
}

// The time run without sound so far stays on the clock.
void AudioOutput::EndStarving() {
    clockBase_ += StarvedSeconds();
    starved_ = false;
}

void AudioOutput::SetPaused(bool paused) {
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, paused ? 1 : 0);
    }
    if (paused) {
        std::lock_guard lock(mutex_);
        EndStarving();
    }
}

void AudioOutput::FeedDevice(void* self, Uint8* stream, int length) {
    static_cast<AudioOutput*>(self)->Feed(stream, length);
}

// Runs on the device's thread: whatever is missing is played as silence,
// and from then on the clock runs in real time.
void AudioOutput::Feed(Uint8* stream, int length) {
    std::memset(stream, 0, static_cast<size_t>(length));
    std::lock_guard lock(mutex_);
    const size_t available = pending_.size() - readOffset_;
    size_t copied = std::min(available, static_cast<size_t>(length));
    copied -= copied % static_cast<size_t>(frameBytes_);
    if (copied < static_cast<size_t>(length) && !starved_) {
        starved_ = true;
        starvedSince_ = std::chrono::steady_clock::now();
    }
    if (copied == 0) {
        return;
    }
    SDL_MixAudioFormat(stream, pending_.data() + readOffset_, AUDIO_S16SYS,
                       static_cast<Uint32>(copied), mixVolume_.load(std::memory_order_relaxed));
    readOffset_ += copied;
    consumedFrames_ += copied / static_cast<size_t>(frameBytes_);
}
