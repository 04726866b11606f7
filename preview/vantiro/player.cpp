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
    endCallback_.store(callback);
}

bool Player::Open() {
    Close();
    if (!source_.Open(fileName_)) {
        source_ = MediaSource();
        return false;
    }
    if (source_.HasSound()) {
        const bool device = audio_.Open(source_.SourceRate(), source_.SourceChannels());
        if (!device || !source_.SetSoundOutput(audio_.Rate(), audio_.Channels())) {
            // Without a sound device the file still plays, silently, on the
            // wall clock: the position moves and the picture shows.
            audio_.Close();
            source_.DropSound();
        }
    }
    audio_.SetMixVolume(volume_ * SDL_MIX_MAXVOLUME / 65535);
    open_ = true;
    MoveTo(0);
    return true;
}

void Player::Close() {
    JoinDecoder();
    audio_.Close();
    source_ = MediaSource();
    open_ = false;
    playing_ = false;
    std::lock_guard lock(mutex_);
    pictures_.clear();
    current_ = Picture();
    hasCurrent_ = false;
    wallClock_ = WallClock();
}

void Player::Start() {
    if (!open_) {
        return;
    }
    if (ended_.load()) {
        MoveTo(0);
    }
    if (!decoder_.joinable()) {
        quit_ = false;
        decoder_ = std::thread(&Player::Run, this);
    }
    audio_.SetPaused(false);
    std::lock_guard lock(mutex_);
    if (!wallClock_.running) {
        wallClock_.startedAt = std::chrono::steady_clock::now();
        wallClock_.running = true;
    }
    playing_ = true;
}

void Player::Pause() {
    if (!open_) {
        return;
    }
    HoldClock();
    playing_ = false;
}

void Player::Stop() {
    if (open_) {
        MoveTo(0);
    }
}

void Player::Seek(double fraction) {
    if (open_) {
        MoveTo(std::clamp(fraction, 0.0, 1.0) * source_.Duration());
    }
}

// Holds playback at `seconds`: the decoder is stopped, the file positioned
// and every buffer emptied, so the next Start plays from there.
void Player::MoveTo(double seconds) {
    JoinDecoder();
    audio_.SetPaused(true);
    source_.SeekTo(seconds);
    audio_.Reset(seconds);
    ended_ = false;
    playing_ = false;
    std::lock_guard lock(mutex_);
    pictures_.clear();
    wallClock_ = WallClock();
    wallClock_.baseSeconds = seconds;
}

void Player::JoinDecoder() {
    quit_ = true;
    if (decoder_.joinable()) {
        decoder_.join();
    }
}

double Player::ClockSeconds() {
    if (audio_.IsOpen()) {
        return audio_.ClockSeconds();
    }
    std::lock_guard lock(mutex_);
    double seconds = wallClock_.baseSeconds;
    if (wallClock_.running) {
        const std::chrono::duration<double> run =
            std::chrono::steady_clock::now() - wallClock_.startedAt;
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
    std::lock_guard lock(mutex_);
    while (!pictures_.empty() && pictures_.front().seconds <= now) {
        current_ = std::move(pictures_.front());
        pictures_.pop_front();
        hasCurrent_ = true;
    }
}

bool Player::CopyPicture(unsigned char* buffer, int width, int height) {
    if (!HasPicture() || buffer == nullptr || width != Width() || height != Height()) {
        return false;
    }
    TakeDuePictures();
    std::lock_guard lock(mutex_);
    if (!hasCurrent_) {
        return false;
    }
    // Kept top-down, handed out bottom-up as a device-independent bitmap.
    const size_t stride = VANTIRO_FRAME_STRIDE(static_cast<size_t>(width));
    for (int row = 0; row < height; ++row) {
        std::memcpy(buffer + stride * static_cast<size_t>(height - 1 - row),
                    current_.pixels.data() + stride * static_cast<size_t>(row), stride);
    }
    return true;
}

void Player::SetVolume(int volume) {
    volume_ = std::clamp(volume, 0, 65535);
    audio_.SetMixVolume(volume_ * SDL_MIX_MAXVOLUME / 65535);
}

// The decoding thread.
void Player::Run() {
    DecodeUntilEnd();
    WaitForPlaybackEnd();
    if (quit_.load()) {
        return;
    }
    HoldClock();
    ended_ = true;
    if (Vantiro_EndCallback callback = endCallback_.load()) {
        callback();
    }
}

// Stops the sound and the clock where they are: at a pause, and at the end,
// where the position stays until the client stops or seeks.
void Player::HoldClock() {
    audio_.SetPaused(true);
    std::lock_guard lock(mutex_);
    if (wallClock_.running) {
        const std::chrono::duration<double> run =
            std::chrono::steady_clock::now() - wallClock_.startedAt;
        wallClock_.baseSeconds += run.count();
        wallClock_.running = false;
    }
}

void Player::DecodeUntilEnd() {
    Sound sound;
    std::vector<Picture> decoded;
    while (!quit_.load()) {
        TakeDuePictures();
        if (BuffersFull()) {
            std::this_thread::sleep_for(kIdleWait);
            continue;
        }
        const MediaSource::Step step = source_.DecodeNext(sound, decoded);
        if (!sound.bytes.empty() && audio_.IsOpen()) {
            audio_.Push(sound.bytes.data(), sound.bytes.size(), sound.seconds);
        }
        sound.bytes.clear();
        if (!decoded.empty()) {
            std::lock_guard lock(mutex_);
            std::move(decoded.begin(), decoded.end(), std::back_inserter(pictures_));
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
    const bool soundFull = audio_.IsOpen() && audio_.BufferedSeconds() >= kSoundAheadSeconds;
    const double now = ClockSeconds();
    std::lock_guard lock(mutex_);
    if (pictures_.size() < kPicturesAhead) {
        return soundFull;
    }
    if (audio_.IsOpen() && audio_.BufferedSeconds() < kSoundLowSeconds &&
        pictures_.front().seconds > now + kSoundAheadSeconds) {
        pictures_.pop_front();
        return false;
    }
    return true;
}

// The end is reached when the device has played the last sample and the
// clock has passed the last picture; without a sound device, when the clock
// passes the last picture (or the duration when there is none).
void Player::WaitForPlaybackEnd() {
    double end = 0;
    if (source_.HasPicture()) {
        std::lock_guard lock(mutex_);
        end = pictures_.empty() ? current_.seconds : pictures_.back().seconds;
    } else if (!audio_.IsOpen()) {
        end = source_.Duration();
    }
    while (!quit_.load()) {
        TakeDuePictures();
        if ((!audio_.IsOpen() || audio_.Drained()) && ClockSeconds() >= end) {
            return;
        }
        std::this_thread::sleep_for(kIdleWait);
    }
}
