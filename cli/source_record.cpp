#include "cli/source_record.h"

#include "cli/batch_report.h"

#include <fcntl.h>
#include <sys/stat.h>

std::string SettledSummary(const SourceRecord& record) {
    switch (record.outcome) {
    case SourceOutcome::Skipped:
        return "Skipped (up to date) " + record.output;
    case SourceOutcome::Collided:
        return "Failure " + record.input + " (nothing written): " + record.reason;
    case SourceOutcome::Row:
    case SourceOutcome::Refused:
        break;
    }
    return "";
}

std::string SourcesSummary(const AVConvert& engine, const std::vector<SourceRecord>& records) {
    std::string text;
    for (const SourceRecord& record : records) {
        const std::string line = record.outcome == SourceOutcome::Row
                                     ? RowSummaryLine(engine, record.row)
                                     : SettledSummary(record);
        if (!line.empty()) {
            text += line + "\n";
        }
    }
    return text;
}

size_t SettledFailures(const std::vector<SourceRecord>& records) {
    size_t failures = 0;
    for (const SourceRecord& record : records) {
        failures +=
            record.outcome == SourceOutcome::Refused || record.outcome == SourceOutcome::Collided;
    }
    return failures;
}

bool IsPartialRow(const AVConvert& engine, int row) {
    return TaskStatusOf(engine, row) == TaskPending && row < LoadCurrentTask(engine) &&
           !engine.m_outputPaths[row].empty();
}

void MarkPartialOutputsOutOfDate(const AVConvert& engine,
                                 const std::vector<SourceRecord>& records) {
    const struct timespec epoch[2] = {{0, 0}, {0, 0}};
    for (const SourceRecord& record : records) {
        if (record.outcome == SourceOutcome::Row && IsPartialRow(engine, record.row)) {
            ::utimensat(AT_FDCWD, engine.m_outputPaths[record.row].c_str(), epoch, 0);
        }
    }
}
