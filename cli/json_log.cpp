#include "cli/json_log.h"

#include "engine/failure_reason.h"
#include "engine/media_input.h"
#include "engine/utf8_text.h"

#include <cstdio>
#include <map>

namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xffffu);
    return text;
}

std::string EscapedAscii(char c) {
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    case '\b':
        return "\\b";
    case '\f':
        return "\\f";
    default:
        break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        return "\\u" + Hex4(static_cast<unsigned char>(c));
    }
    return std::string(1, c);
}

std::string Seconds(double seconds) {
    if (!(seconds >= 0)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::string OrNull(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

// How long a written file plays, by its container; negative when unknown.
double PlayingSeconds(const std::string& path) {
    InputFormatPtr input;
    if (path.empty() || OpenMediaInput(path, input) != ProbeOk || input->duration <= 0) {
        return -1;
    }
    return static_cast<double>(input->duration) / 1e6;
}

bool IsPartial(const AVConvert& engine, const SourceRecord& record) {
    return IsPartialRow(engine, record.row);
}

std::string RowReason(const AVConvert& engine, const SourceRecord& record) {
    switch (TaskStatusOf(engine, record.row)) {
    case TaskCompleted:
        return "";
    case TaskFailed:
        return TaskFailureText(engine, record.row);
    default:
        return IsPartial(engine, record) ? "stopped (partial)" : "stopped (not converted)";
    }
}

// The output a row left behind: none for a failed row or one never begun.
std::string RowOutput(const AVConvert& engine, const SourceRecord& record) {
    const uint8_t status = TaskStatusOf(engine, record.row);
    if (status == TaskCompleted || (status == TaskPending && IsPartial(engine, record))) {
        return engine.m_outputPaths[record.row];
    }
    return "";
}

} // namespace

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8Length(text, at);
        if (length == 0) {
            json += "\\u" + Hex4(0xdc00u + static_cast<unsigned char>(text[at]));
            ++at;
        } else if (length == 1) {
            json += EscapedAscii(text[at]);
            ++at;
        } else {
            json.append(text.substr(at, length));
            at += length;
        }
    }
    return json + "\"";
}

std::string_view SourceStatus(const AVConvert& engine, const SourceRecord& record) {
    switch (record.outcome) {
    case SourceOutcome::Skipped:
        return "skipped";
    case SourceOutcome::Refused:
    case SourceOutcome::Collided:
        return "failed";
    case SourceOutcome::Row:
        break;
    }
    switch (TaskStatusOf(engine, record.row)) {
    case TaskCompleted:
        return "completed";
    case TaskFailed:
        return "failed";
    default:
        return "stopped";
    }
}

std::string SourceLogLine(const AVConvert& engine, const SourceRecord& record) {
    const bool isRow = record.outcome == SourceOutcome::Row;
    // Refused and collided sources wrote nothing; a skipped one's output stays.
    const std::string output = isRow ? RowOutput(engine, record)
                               : record.outcome == SourceOutcome::Skipped ? record.output
                                                                          : "";
    const std::string reason = isRow ? RowReason(engine, record)
                               : record.outcome == SourceOutcome::Skipped ? "up to date"
                                                                          : record.reason;
    const double took =
        isRow ? engine.m_taskMillis[record.row].load(std::memory_order_relaxed) / 1000.0 : 0.0;
    return "{\"type\":\"file\",\"input\":" + JsonString(record.input) +
           ",\"output\":" + OrNull(output) +
           ",\"status\":" + JsonString(SourceStatus(engine, record)) +
           ",\"reason\":" + OrNull(reason) +
           ",\"source_seconds\":" + Seconds(record.sourceSeconds) +
           ",\"output_seconds\":" + Seconds(isRow ? PlayingSeconds(output) : -1) +
           ",\"seconds\":" + Seconds(took) + "}\n";
}

std::string SummaryLogLine(const AVConvert& engine, const std::vector<SourceRecord>& records,
                           int exitCode, double seconds) {
    std::map<std::string_view, int> counts{
        {"completed", 0}, {"failed", 0}, {"skipped", 0}, {"stopped", 0}};
    for (const SourceRecord& record : records) {
        ++counts[SourceStatus(engine, record)];
    }
    std::string line = "{\"type\":\"summary\",\"files\":" + std::to_string(records.size());
    for (const auto& [status, count] : counts) {
        line += ",\"" + std::string(status) + "\":" + std::to_string(count);
    }
    return line + ",\"exit_code\":" + std::to_string(exitCode) +
           ",\"seconds\":" + Seconds(seconds) + "}\n";
}
