#include "vantiro_test_support.h"

#include "tests/support/media_check.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace veltrano::test {

std::u16string Utf16(const std::string& utf8) {
    const QString text = QString::fromStdString(utf8);
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

int OpenInLibrary(const std::string& utf8Path) {
    const std::u16string path = Utf16(utf8Path);
    Vantiro_SetFileName(path.c_str());
    return Vantiro_Open();
}

float LibraryPosition() {
    float position = -1;
    Vantiro_GetPos(&position);
    return position;
}

std::vector<uint8_t> ReferencePicture(const std::string& path, double seconds) {
    const std::string raw = MakeScratchDir("reference_picture") + "/frame.raw";
    char start[32];
    std::snprintf(start, sizeof start, "%.3f", seconds);
    RunCommand("ffmpeg -nostdin -v error -y -ss " + std::string(start) + " -i " + ShellQuote(path) +
               " -frames:v 1 -f rawvideo -pix_fmt bgr24 " + ShellQuote(raw));
    std::vector<uint8_t> pixels;
    if (FILE* file = std::fopen(raw.c_str(), "rb")) {
        int byte = 0;
        while ((byte = std::fgetc(file)) != EOF) {
            pixels.push_back(static_cast<uint8_t>(byte));
        }
        std::fclose(file);
    }
    return pixels;
}

double MeanPictureDifference(const std::vector<uint8_t>& library,
                             const std::vector<uint8_t>& reference, int width, int height,
                             int rows) {
    const size_t stride = VANTIRO_FRAME_STRIDE(static_cast<size_t>(width));
    const size_t row = static_cast<size_t>(width) * 3;
    if (reference.size() < row * height || library.size() < stride * height) {
        return 255;
    }
    const int compared = rows < 0 ? height : std::min(rows, height);
    double total = 0;
    for (int y = 0; y < compared; ++y) {
        const uint8_t* ours = library.data() + stride * static_cast<size_t>(height - 1 - y);
        const uint8_t* theirs = reference.data() + row * static_cast<size_t>(y);
        for (size_t x = 0; x < row; ++x) {
            total += std::abs(int(ours[x]) - int(theirs[x]));
        }
    }
    return total / (static_cast<double>(row) * compared);
}

Bgr LibraryPixel(const std::vector<uint8_t>& library, int width, int height, int x, int y) {
    const size_t stride = VANTIRO_FRAME_STRIDE(static_cast<size_t>(width));
    const uint8_t* pixel =
        library.data() + stride * static_cast<size_t>(height - 1 - y) + static_cast<size_t>(x) * 3;
    return {pixel[0], pixel[1], pixel[2]};
}

} // namespace veltrano::test
