// libFuzzer entry: plays whatever bytes it is given in the playback library.
#include "tests/fuzz/targets/preview_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    veltrano::fuzz::PlayInput(data, size);
    return 0;
}
