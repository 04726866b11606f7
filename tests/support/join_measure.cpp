#include "tests/support/join_measure.h"

#include <algorithm>
#include <cmath>

namespace veltrano::test {
namespace {

constexpr int kBlock = 1024;

// Per block, its error energy against the source in dB, less the file's
// median: how much worse than usual the block sounds.
std::vector<double> BlockErrorAboveMedian(const std::vector<float>& source,
                                          const std::vector<float>& output, int channels) {
    const size_t frames = std::min(source.size(), output.size()) / static_cast<size_t>(channels);
    std::vector<double> blocks(frames / kBlock);
    const size_t values = static_cast<size_t>(kBlock) * channels;
    for (size_t b = 0; b < blocks.size(); ++b) {
        double energy = 1e-20;
        for (size_t i = b * values; i < (b + 1) * values; ++i) {
            const double error = static_cast<double>(output[i]) - source[i];
            energy += error * error;
        }
        blocks[b] = 10 * std::log10(energy);
    }
    if (blocks.empty()) {
        return blocks;
    }
    std::vector<double> sorted = blocks;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (double& block : blocks) {
        block -= median;
    }
    return blocks;
}

} // namespace

JoinExcess MeasureJoins(const std::vector<float>& source, const std::vector<float>& oneEncoder,
                        const std::vector<float>& chunked, int channels, int64_t chunkSamples,
                        int around) {
    const std::vector<double> one = BlockErrorAboveMedian(source, oneEncoder, channels);
    const std::vector<double> split = BlockErrorAboveMedian(source, chunked, channels);
    const auto blocks = static_cast<int64_t>(std::min(one.size(), split.size()));
    JoinExcess result;
    result.worstDb = -1e9;
    for (int64_t join = chunkSamples; join / kBlock < blocks; join += chunkSamples) {
        ++result.joins;
        const int64_t middle = join / kBlock;
        for (int64_t b = std::max<int64_t>(0, middle - around);
             b <= std::min(blocks - 1, middle + around); ++b) {
            const double excess = split[b] - one[b];
            if (excess > result.worstDb) {
                result.worstDb = excess;
                result.atSample = b * kBlock;
            }
        }
    }
    return result;
}

} // namespace veltrano::test
