// libFuzzer entry: probes whatever bytes it is given.
#include "tests/fuzz/targets/fuzz_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    veltrano::fuzz::ProbeInput(data, size);
    return 0;
}
