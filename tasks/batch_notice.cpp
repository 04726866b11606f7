#include "tasks/batch_notice.h"

#include <algorithm>

namespace {

struct BatchResults {
    int converted = 0;
    int failed = 0;
};

BatchResults CountBatchResults(const MainWindowState& state, const AVConvert& engine) {
    BatchResults results;
    const size_t rows = std::min(state.m_checkedRows.size(), engine.m_taskStatus.size());
    for (size_t i = 0; i < rows; ++i) {
        if (state.m_checkedRows[i] < 0) {
            continue;
        }
        const uint8_t status = TaskStatusOf(engine, static_cast<int32_t>(i));
        results.converted += status == TaskCompleted ? 1 : 0;
        results.failed += status == TaskFailed ? 1 : 0;
    }
    return results;
}

} // namespace

std::string BatchEndNotice(int converted, int failed) {
    std::string text =
        "Converted " + std::to_string(converted) + (converted == 1 ? " file" : " files");
    if (failed > 0) {
        text += ", " + std::to_string(failed) + " failed";
    }
    return text;
}

void NotifyBatchEndWhenAway(DesktopNotifier& notifier, const MainWindowState& state,
                            const AVConvert& engine) {
    if (notifier.ProgramIsActive()) {
        return;
    }
    const BatchResults results = CountBatchResults(state, engine);
    notifier.Notify(BatchEndNotice(results.converted, results.failed));
}
