// Helpers for driving the playback library in tests: UTF-16 paths, waiting
// for a condition, reference pictures decoded by the ffmpeg program.
#pragma once

#include "vantiro.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace veltrano::test {

std::u16string Utf16(const std::string& utf8);

// Names the file and opens it; the library's result.
int OpenInLibrary(const std::string& utf8Path);

// Polls `condition` every few milliseconds until it holds or `timeoutMs` pass.
template <class Condition> bool WaitFor(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

float LibraryPosition();

// The picture at `seconds` as the ffmpeg program decodes it: top-down rows of
// width * 3 bytes, blue-green-red.
std::vector<uint8_t> ReferencePicture(const std::string& path, double seconds);

// Mean absolute difference between a library picture (bottom-up rows padded
// to VANTIRO_FRAME_STRIDE) and a reference picture, byte by byte, over the
// top `rows` rows (all when negative).
double MeanPictureDifference(const std::vector<uint8_t>& library,
                             const std::vector<uint8_t>& reference, int width, int height,
                             int rows = -1);

// The blue-green-red pixel at (x, y), y counted from the top, of a library picture.
struct Bgr {
    int blue;
    int green;
    int red;
};
Bgr LibraryPixel(const std::vector<uint8_t>& library, int width, int height, int x, int y);

} // namespace veltrano::test
