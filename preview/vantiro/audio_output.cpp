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
    m_subsystemStarted = true;
    SDL_AudioSpec wanted{};
    wanted.freq = wantedRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(std::clamp(wantedChannels, 1, 2));
    wanted.samples = kDeviceFrames;
    wanted.callback = &AudioOutput::FeedDevice;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    m_device =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        Close();
        return false;
    }
    m_rate = obtained.freq;
    m_channels = obtained.channels;
    m_frameBytes = m_channels * static_cast<int>(sizeof(int16_t));
    Reset(0);
    return true;
}

void AudioOutput::Close() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
    if (m_subsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemStarted = false;
    }
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    m_pending.shrink_to_fit();
    m_readOffset = 0;
}

void AudioOutput::Push(const uint8_t* bytes, size_t size, double seconds) {
    std::lock_guard lock(m_mutex);
    if (m_readOffset >= m_pending.size()) {
        // Nothing is left to play, so the clock is wherever the new sound is.
        m_starved = false;
        m_clockBase = seconds - static_cast<double>(m_consumedFrames) / m_rate;
    }
    // Consumed bytes are dropped in one move once they make up half the
    // buffer, so the buffer stays small without a move per callback.
    if (m_readOffset > 0 && m_readOffset * 2 >= m_pending.size()) {
        m_pending.erase(m_pending.begin(),
                        m_pending.begin() + static_cast<ptrdiff_t>(m_readOffset));
        m_readOffset = 0;
    }
    m_pending.insert(m_pending.end(), bytes, bytes + size);
}

double AudioOutput::BufferedSeconds() {
    std::lock_guard lock(m_mutex);
    if (m_frameBytes == 0) {
        return 0;
    }
    return static_cast<double>(m_pending.size() - m_readOffset) / m_frameBytes / m_rate;
}

bool AudioOutput::Drained() {
    std::lock_guard lock(m_mutex);
    return m_readOffset >= m_pending.size();
}

void AudioOutput::Reset(double seconds) {
    std::lock_guard lock(m_mutex);
    m_pending.clear();
    m_readOffset = 0;
    m_clockBase = seconds;
    m_consumedFrames = 0;
    m_starved = false;
}

double AudioOutput::ClockSeconds() {
    std::lock_guard lock(m_mutex);
    if (m_rate == 0) {
        return m_clockBase;
    }
    return m_clockBase + static_cast<double>(m_consumedFrames) / m_rate + StarvedSeconds();
}

double AudioOutput::StarvedSeconds() const {
    if (!m_starved) {
        return 0;
    }
    const std::chrono::duration<double> starved = std::chrono::steady_clock::now() - m_starvedSince;
    return starved.count();
}

// The time run without sound so far stays on the clock.
void AudioOutput::EndStarving() {
    m_clockBase += StarvedSeconds();
    m_starved = false;
}

void AudioOutput::SetPaused(bool paused) {
    if (m_device != 0) {
        SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
    }
    if (paused) {
        std::lock_guard lock(m_mutex);
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
    std::lock_guard lock(m_mutex);
    const size_t available = m_pending.size() - m_readOffset;
    size_t copied = std::min(available, static_cast<size_t>(length));
    copied -= copied % static_cast<size_t>(m_frameBytes);
    if (copied < static_cast<size_t>(length) && !m_starved) {
        m_starved = true;
        m_starvedSince = std::chrono::steady_clock::now();
    }
    if (copied == 0) {
        return;
    }
    SDL_MixAudioFormat(stream, m_pending.data() + m_readOffset, AUDIO_S16SYS,
                       static_cast<Uint32>(copied), m_mixVolume.load(std::memory_order_relaxed));
    m_readOffset += copied;
    m_consumedFrames += copied / static_cast<size_t>(m_frameBytes);
}
