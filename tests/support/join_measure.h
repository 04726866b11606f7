// How a file encoded in chunks sounds around its joins, against the same
// source encoded by one encoder: both are compared with the source block by
// block (1024 samples); a join is as good as one encoder where no block near
// it stands further above its file's median error than the one-core output's
// block at the same place does.
#pragma once

#include <cstdint>
#include <vector>

namespace veltrano::test {

struct JoinExcess {
    double worstDb = 0;    // the largest excess over one encoder, in dB
    int64_t atSample = -1; // the first sample of the block where it is
    int joins = 0;         // joins measured
};

// Interleaved signals at one rate, `channels` each; the joins fall at every
// multiple of `chunkSamples`, and `around` blocks either side are measured.
JoinExcess MeasureJoins(const std::vector<float>& source, const std::vector<float>& oneEncoder,
                        const std::vector<float>& chunked, int channels, int64_t chunkSamples,
                        int around = 4);

} // namespace veltrano::test
