#include "cli/source_record.h"

#include "cli/batch_report.h"

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
