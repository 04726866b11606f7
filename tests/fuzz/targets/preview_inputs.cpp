#include "tests/fuzz/targets/preview_inputs.h"

#include "tests/fuzz/targets/fuzz_inputs.h"
#include "vantiro.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace veltrano::fuzz {

namespace {

// Each stretch of playback is short: the decoding thread runs ahead of the
// sound by half a second, so most of what a stretch decodes comes at once.
constexpr auto kPlayStretch = std::chrono::milliseconds(30);
constexpr auto kPollPeriod = std::chrono::milliseconds(5);

void IgnoreEnd() {}
void IgnoreValue(int32_t) {}

void Fail(const char* what) {
    std::fprintf(stderr, "playback library: %s\n", what);
    std::abort();
}

// The input's path is plain ASCII, so each byte is one UTF-16 unit.
std::u16string Utf16Path(const std::string& path) {
    return {path.begin(), path.end()};
}

void CheckPolls() {
    float fraction = -1;
    double seconds = -1;
    if (Vantiro_GetPos(&fraction) != 0 || !(fraction >= 0 && fraction <= 1)) {
        Fail("position outside 0 to 1");
    }
    if (Vantiro_GetDuration(&seconds) != 0 || !(seconds >= 0) || !std::isfinite(seconds)) {
        Fail("duration negative or not finite");
    }
}

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> buffer;
};

// Plays for a moment, polling the position and taking pictures as the
// clip dialog's timers do.
void PlayStretch(Frame& frame) {
    Vantiro_Start();
    const auto until = std::chrono::steady_clock::now() + kPlayStretch;
    while (std::chrono::steady_clock::now() < until) {
        CheckPolls();
        if (!frame.buffer.empty()) {
            Vantiro_GetFrame(frame.buffer.data(), frame.width, frame.height);
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
}

Frame FrameFor(bool hasPicture) {
    Frame frame;
    if (!hasPicture) {
        return frame;
    }
    if (Vantiro_GetFrameSize(&frame.width, &frame.height) != 0 || frame.width <= 0 ||
        frame.height <= 0) {
        Fail("a picture without a size");
    }
    frame.buffer.resize(VANTIRO_FRAME_STRIDE(static_cast<size_t>(frame.width)) *
                        static_cast<size_t>(frame.height));
    return frame;
}

} // namespace

void PlayInput(const uint8_t* data, size_t size) {
    // Never a real sound device; set before each open starts SDL's sound.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::u16string path = Utf16Path(WriteInput(data, size));
    Vantiro_Initialize(&IgnoreEnd, &IgnoreValue, u"FuzzPreview");
    Vantiro_SetFileName(path.c_str());
    if (Vantiro_Open() != 0) {
        CheckPolls();
        return;
    }
    int hasPicture = 0;
    int reserved = 0;
    Vantiro_GetMideaType(&hasPicture, &reserved);
    Frame frame = FrameFor(hasPicture != 0);
    PlayStretch(frame);
    Vantiro_Pause();
    Vantiro_SetPos(0.5f);
    PlayStretch(frame);
    Vantiro_Pause();
    Vantiro_SetPos(0.95f);
    PlayStretch(frame);
    Vantiro_Stop();
    PlayStretch(frame);
    Vantiro_Close();
    CheckPolls();
}

} // namespace veltrano::fuzz
