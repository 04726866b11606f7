#include "tasks/job_count.h"

#include "tasks/ini_file.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace {

constexpr const char* kSettingsSection = "Info";
constexpr const char* kJobsKey = "Jobs";
constexpr const char* kSplitKey = "Split";

} // namespace

int DefaultJobCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp<unsigned>(cores, 1, kMaxJobCount));
}

std::optional<int> ParseJobCount(const std::string& text) {
    int value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || ptr != last || value < 1 || value > kMaxJobCount) {
        return std::nullopt;
    }
    return value;
}

bool WindowSplitsRows(const MainWindowState& state) {
    return state.m_iniPath.empty() ||
           ReadIniValue(state.m_iniPath, kSettingsSection, kSplitKey) != "0";
}

int WindowJobCount(const MainWindowState& state) {
    if (state.m_iniPath.empty()) {
        return DefaultJobCount();
    }
    return ParseJobCount(ReadIniValue(state.m_iniPath, kSettingsSection, kJobsKey))
        .value_or(DefaultJobCount());
}
