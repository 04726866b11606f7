#include "player.h"

#include <algorithm>
#include <cstring>

namespace {

// Enough decoded sound to ride out a slow picture decode, little enough that
// a seek or a pause answers at once.
constexpr double kSoundAheadSeconds = 0.5;
// Below this much sound the decoder never waits for the picture queue.
constexpr double kSoundLowSeconds = 0.2;
constexpr size_t kPicturesAhead = 12;
constexpr auto kIdleWait = std::chrono::milliseconds(5);

} // namespace

Player::~Player() {
    Close();
}

void Player::SetEndCallback(Vantiro_EndCallback callback) {
    m_endCallback.store(callback);
}

bool Player::Open() {
    Close();
    if (!m_source.Open(m_fileName)) {
        m_source = MediaSource();
        return false;
    }
    if (m_source.HasSound()) {
        const bool device = m_audio.Open(m_source.SourceRate(), m_source.SourceChannels());
        if (!device || !m_source.SetSoundOutput(m_audio.Rate(), m_audio.Channels())) {
            // Without a sound device the file still plays, silently, on the
            // wall clock: the position moves and the picture shows.
            m_audio.Close();
            m_source.DropSound();
        }
    }
    m_audio.SetMixVolume(m_volume * SDL_MIX_MAXVOLUME / 65535);
    m_open = true;
    MoveTo(0);
    return true;
}

void Player::Close() {
    JoinDecoder();
    m_audio.Close();
    m_source = MediaSource();
    m_open = false;
    m_playing = false;
    std::lock_guard lock(m_mutex);
    m_pictures.clear();
    m_current = Picture();
    m_hasCurrent = false;
    m_wallClock = WallClock();
}

void Player::Start() {
    if (!m_open) {
        return;
    }
    if (m_ended.load()) {
        MoveTo(0);
    }
    if (!m_decoder.joinable()) {
        m_quit = false;
        m_decoder = std::thread(&Player::Run, this);
    }
    m_audio.SetPaused(false);
    std::lock_guard lock(m_mutex);
    if (!m_wallClock.running) {
        m_wallClock.startedAt = std::chrono::steady_clock::now();
        m_wallClock.running = true;
    }
    m_playing = true;
}

void Player::Pause() {
    if (!m_open) {
        return;
    }
    HoldClock();
    m_playing = false;
}

void Player::Stop() {
    if (m_open) {
        MoveTo(0);
    }
}

void Player::Seek(double fraction) {
    if (m_open) {
        MoveTo(std::clamp(fraction, 0.0, 1.0) * m_source.Duration());
    }
}

// Holds playback at `seconds`: the decoder is stopped, the file positioned
// and every buffer emptied, so the next Start plays from there.
void Player::MoveTo(double seconds) {
    JoinDecoder();
    m_audio.SetPaused(true);
    m_source.SeekTo(seconds);
    m_audio.Reset(seconds);
    m_ended = false;
    m_playing = false;
    std::lock_guard lock(m_mutex);
    m_pictures.clear();
    m_wallClock = WallClock();
    m_wallClock.baseSeconds = seconds;
}

void Player::JoinDecoder() {
    m_quit = true;
    if (m_decoder.joinable()) {
        m_decoder.join();
    }
}

double Player::ClockSeconds() {
    if (m_audio.IsOpen()) {
        return m_audio.ClockSeconds();
    }
    std::lock_guard lock(m_mutex);
    double seconds = m_wallClock.baseSeconds;
    if (m_wallClock.running) {
        const std::chrono::duration<double> run =
            std::chrono::steady_clock::now() - m_wallClock.startedAt;
        seconds += run.count();
    }
    return seconds;
}

double Player::Position() {
    const double duration = Duration();
    if (duration <= 0) {
        return 0;
    }
    return std::clamp(ClockSeconds() / duration, 0.0, 1.0);
}

// Pictures whose time has come replace the current one; the rest wait.
void Player::TakeDuePictures() {
    const double now = ClockSeconds();
    std::lock_guard lock(m_mutex);
    while (!m_pictures.empty() && m_pictures.front().seconds <= now) {
        m_current = std::move(m_pictures.front());
        m_pictures.pop_front();
        m_hasCurrent = true;
    }
}

bool Player::CopyPicture(unsigned char* buffer, int width, int height) {
    if (!HasPicture() || buffer == nullptr || width != Width() || height != Height()) {
        return false;
    }
    TakeDuePictures();
    std::lock_guard lock(m_mutex);
    if (!m_hasCurrent) {
        return false;
    }
    // Kept top-down, handed out bottom-up as a device-independent bitmap.
    const size_t stride = VANTIRO_FRAME_STRIDE(static_cast<size_t>(width));
    for (int row = 0; row < height; ++row) {
        std::memcpy(buffer + stride * static_cast<size_t>(height - 1 - row),
                    m_current.pixels.data() + stride * static_cast<size_t>(row), stride);
    }
    return true;
}

void Player::SetVolume(int volume) {
    m_volume = std::clamp(volume, 0, 65535);
    m_audio.SetMixVolume(m_volume * SDL_MIX_MAXVOLUME / 65535);
}

// The decoding thread.
void Player::Run() {
    DecodeUntilEnd();
    WaitForPlaybackEnd();
    if (m_quit.load()) {
        return;
    }
    HoldClock();
    m_ended = true;
    if (Vantiro_EndCallback callback = m_endCallback.load()) {
        callback();
    }
}

// Stops the sound and the clock where they are: at a pause, and at the end,
// where the position stays until the client stops or seeks.
void Player::HoldClock() {
    m_audio.SetPaused(true);
    std::lock_guard lock(m_mutex);
    if (m_wallClock.running) {
        const std::chrono::duration<double> run =
            std::chrono::steady_clock::now() - m_wallClock.startedAt;
        m_wallClock.baseSeconds += run.count();
        m_wallClock.running = false;
    }
}

void Player::DecodeUntilEnd() {
    Sound sound;
    std::vector<Picture> decoded;
    while (!m_quit.load()) {
        TakeDuePictures();
        if (BuffersFull()) {
            std::this_thread::sleep_for(kIdleWait);
            continue;
        }
        const MediaSource::Step step = m_source.DecodeNext(sound, decoded);
        if (!sound.bytes.empty() && m_audio.IsOpen()) {
            m_audio.Push(sound.bytes.data(), sound.bytes.size(), sound.seconds);
        }
        sound.bytes.clear();
        if (!decoded.empty()) {
            std::lock_guard lock(m_mutex);
            std::move(decoded.begin(), decoded.end(), std::back_inserter(m_pictures));
        }
        decoded.clear();
        if (step == MediaSource::Step::End) {
            return;
        }
    }
}

// The picture queue is emptied by time, and the clock runs on even when the
// sound runs dry, so a full queue empties by itself. Only a picture that is
// not due for a while (a jump in the pictures' times) is dropped while the
// sound runs low, so that the sound does not wait for it.
bool Player::BuffersFull() {
    const bool soundFull = m_audio.IsOpen() && m_audio.BufferedSeconds() >= kSoundAheadSeconds;
    const double now = ClockSeconds();
    std::lock_guard lock(m_mutex);
    if (m_pictures.size() < kPicturesAhead) {
        return soundFull;
    }
    if (m_audio.IsOpen() && m_audio.BufferedSeconds() < kSoundLowSeconds &&
        m_pictures.front().seconds > now + kSoundAheadSeconds) {
        m_pictures.pop_front();
        return false;
    }
    return true;
}

// The end is reached when the device has played the last sample and the
// clock has passed the last picture; without a sound device, when the clock
// passes the last picture (or the duration when there is none).
void Player::WaitForPlaybackEnd() {
    double end = 0;
    if (m_source.HasPicture()) {
        std::lock_guard lock(m_mutex);
        end = m_pictures.empty() ? m_current.seconds : m_pictures.back().seconds;
    } else if (!m_audio.IsOpen()) {
        end = m_source.Duration();
    }
    while (!m_quit.load()) {
        TakeDuePictures();
        if ((!m_audio.IsOpen() || m_audio.Drained()) && ClockSeconds() >= end) {
            return;
        }
        std::this_thread::sleep_for(kIdleWait);
    }
}
