// Preview benchmark over the playback library's C interface:
//   start  time from Vantiro_Start to the first samples the sound device
//          has taken (the position leaves 0 only then)
//   seek   how far from the target the first sample played after a seek
//          lies: the sound is a ramp whose value is its own time, and the
//          samples come back through SDL's "disk" driver, which writes
//          what the device plays into a file.
// Usage: vantiro-bench start FILE RUNS | seek FILE RAW_OUT
#include "vantiro.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The ramp: a sample's value is its time in seconds times 3276.7 (ten
// seconds span the positive 16-bit range).
constexpr double kRampUnitsPerSecond = 3276.7;

std::u16string Utf16(const std::string& text) {
    return {text.begin(), text.end()}; // the bench's paths are ASCII
}

bool OpenFile(const std::string& path) {
    const std::u16string name = Utf16(path);
    Vantiro_SetFileName(name.c_str());
    return Vantiro_Open() == 0;
}

float Position() {
    float position = 0;
    Vantiro_GetPos(&position);
    return position;
}

int StartLatency(const std::string& path, int runs) {
    std::vector<double> millis;
    for (int run = 0; run < runs; ++run) {
        if (!OpenFile(path)) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            return 1;
        }
        const Clock::time_point start = Clock::now();
        Vantiro_Start();
        while (Position() <= 0.0f) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        Vantiro_Close();
    }
    std::sort(millis.begin(), millis.end());
    std::printf(
        "start to first samples taken: min %.1f ms, median %.1f ms, max %.1f ms (%d runs)\n",
        millis.front(), millis[millis.size() / 2], millis.back(), runs);
    return 0;
}

// The first sample that is not silence, as the ramp's time in seconds.
double FirstPlayedSeconds(const std::string& raw) {
    FILE* file = std::fopen(raw.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    int16_t sample = 0;
    double seconds = -1;
    while (std::fread(&sample, sizeof sample, 1, file) == 1) {
        if (sample != 0) {
            seconds = sample / kRampUnitsPerSecond;
            break;
        }
    }
    std::fclose(file);
    return seconds;
}

int SeekAccuracy(const std::string& path, const std::string& raw) {
    const float targets[] = {0.1f, 0.25f, 0.333f, 0.5f, 0.777f, 0.9f};
    double worst = 0;
    for (float target : targets) {
        if (!OpenFile(path)) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            return 1;
        }
        double duration = 0;
        Vantiro_GetDuration(&duration);
        Vantiro_Pause();
        Vantiro_SetPos(target);
        Vantiro_Start();
        while (Position() < target + 0.01f) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Vantiro_Close(); // closes the device, so the disk file is complete
        const double wanted = target * duration;
        const double played = FirstPlayedSeconds(raw);
        const double error = (played - wanted) * 1000;
        worst = std::max(worst, std::abs(error));
        std::printf("seek to %.3f (%.3f s): first sample played is %.4f s, off by %+.2f ms\n",
                    target, wanted, played, error);
    }
    std::printf("worst seek error: %.2f ms\n", worst);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start" && argc == 4) {
        return StartLatency(argv[2], std::atoi(argv[3]));
    }
    if (mode == "seek" && argc == 4) {
        return SeekAccuracy(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: vantiro-bench start FILE RUNS | seek FILE RAW_OUT\n");
    return 2;
}
