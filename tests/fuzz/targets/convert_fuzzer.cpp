// libFuzzer entry: converts whatever bytes it is given to WAV and to MP3.
#include "tests/fuzz/targets/fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    veltrano::fuzz::ConvertInput(data, size);
    return 0;
}
