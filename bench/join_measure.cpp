// veltrano_join_measure SOURCE ONE_CORE SPLIT RATE FRAME_SAMPLES
// Decodes the three files with the ffmpeg program at RATE, stereo, and prints
// "<joins> <worst dB> <one-core samples> <split samples>": the worst excess of
// the split output's error over the one-core output's near any join (see
// tests/support/join_measure.h), and both decoded lengths per channel.
#include "tests/support/join_measure.h"
#include "engine/split_encoding.h"
#include "tests/support/media_check.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s SOURCE ONE_CORE SPLIT RATE FRAME_SAMPLES\n", argv[0]);
        return 2;
    }
    using namespace veltrano::test;
    const int rate = std::atoi(argv[4]);
    const int frameSamples = std::atoi(argv[5]);
    const std::vector<float> source = DecodeFloat(argv[1], rate, 2);
    const std::vector<float> one = DecodeFloat(argv[2], rate, 2);
    const std::vector<float> split = DecodeFloat(argv[3], rate, 2);
    const JoinExcess joins = MeasureJoins(source, one, split, 2,
                                          SplitChunkSamples(rate, frameSamples, 2 * sizeof(float)));
    std::printf("%d %.2f %zu %zu\n", joins.joins, joins.worstDb, one.size() / 2, split.size() / 2);
    return 0;
}
