// Replays every input the fuzzers once crashed or hung on, through the same
// code the fuzz targets run, without libFuzzer.
#include "tests/fuzz/targets/fuzz_inputs.h"
#include "tests/fuzz/targets/preview_inputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> StoredCases(const char* target) {
    std::vector<fs::path> cases;
    const fs::path dir = fs::path(VELTRANO_FUZZ_CASES_DIR) / target;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            cases.push_back(entry.path());
        }
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Replay(const char* target, void (*run)(const uint8_t*, size_t)) {
    for (const fs::path& path : StoredCases(target)) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<uint8_t> bytes = ReadBytes(path);
        run(bytes.data(), bytes.size()); // aborts on a leftover file; ASan on memory faults
    }
}

TEST(FuzzRegression, ProbeCasesProbeWithoutFault) {
    Replay("probe", veltrano::fuzz::ProbeInput);
}

TEST(FuzzRegression, ConvertCasesConvertWithoutFaultOrLeftover) {
    Replay("convert", veltrano::fuzz::ConvertInput);
}

TEST(FuzzRegression, PreviewCasesPlayWithoutFault) {
    Replay("preview", veltrano::fuzz::PlayInput);
}

} // namespace
