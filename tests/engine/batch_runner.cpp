#include "tests/engine/batch_runner.h"

#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "tasks/batch_start.h"
#include "tasks/output_path.h"
#include "tests/support/media_check.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace veltrano::test {

namespace {

constexpr double kShapeWindowSeconds = 0.25;
constexpr double kShapeMaxShiftSeconds = 0.05;

// Probes a checked row's source and sets its clip the way the task list
// does; an untrimmed row ends at the probed whole seconds.
void FillRowClip(AVConvert& engine, int index, const BatchRow& row) {
    double end = row.clipEnd;
    if (end < 0) {
        engine.m_probePath = row.source;
        end = ProbeMediaFile(engine) == ProbeOk ? static_cast<double>(engine.m_durationSeconds) : 0;
    }
    SetRowClip(engine, index, row.clipStart, end);
}

} // namespace

std::string EngineScratchDir(const std::string& name) {
    return MakeScratchDir("engine_" + name);
}

OutputChoice CatalogueOutput(int index) {
    OutputParameters settings;
    SelectOutputFormat(settings, index);
    OutputChoice choice;
    choice.extension = ExtensionFromFormatText(kOutputFormats[index].text);
    choice.encoder = settings.audioEncoder;
    choice.bitRate = settings.audioBitRate;
    choice.sampleRate = settings.sampleRate;
    choice.channels = settings.channels;
    return choice;
}

std::string CatalogueExtension(int index) {
    return ExtensionFromFormatText(kOutputFormats[index].text).substr(1);
}

std::string CatalogueName(int index) {
    return kOutputFormats[index].name;
}

void FillBatch(AVConvert& engine, const std::vector<BatchRow>& rows, const OutputChoice& output,
               const std::string& folder) {
    PrepareBatch(engine, static_cast<int32_t>(rows.size()));
    engine.m_checkedCount = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const BatchRow& row = rows[i];
        const int index = static_cast<int>(i);
        BuildOutputPath(folder, row.source, output.extension, engine.m_outputPaths[i]);
        if (row.checked) {
            engine.m_inputPaths[i] = row.source;
            ++engine.m_checkedCount;
            FillRowClip(engine, index, row);
        }
    }
    // The probes above overwrote the audio facts; the output parameters go last.
    int codecId = 0;
    LookupEncoderCodec(output.encoder, codecId);
    SetOutputParameters(engine, codecId, output.bitRate, output.sampleRate, output.channels);
}

void RunBatch(AVConvert& engine, const std::vector<BatchRow>& rows, const OutputChoice& output,
              const std::string& folder) {
    FillBatch(engine, rows, output, folder);
    ConvertBatchProc(&engine);
}

double MiddleCorrelation(const std::vector<float>& reference, const std::vector<float>& output,
                         int channels, int sampleRate) {
    const size_t window = static_cast<size_t>(kShapeWindowSeconds * sampleRate) * channels;
    const size_t shift = static_cast<size_t>(kShapeMaxShiftSeconds * sampleRate) * channels;
    const size_t frames = reference.size() / channels;
    const size_t start = (frames / 2) * channels;
    if (start < shift || start + window > reference.size() || start - shift >= output.size()) {
        return -1;
    }
    const std::vector<float> a(reference.begin() + static_cast<ptrdiff_t>(start),
                               reference.begin() + static_cast<ptrdiff_t>(start + window));
    const size_t bEnd = std::min(output.size(), start + window + shift);
    const std::vector<float> b(output.begin() + static_cast<ptrdiff_t>(start - shift),
                               output.begin() + static_cast<ptrdiff_t>(bEnd));
    return BestCorrelation(a, b, channels, static_cast<int>(2 * shift / channels));
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace veltrano::test
