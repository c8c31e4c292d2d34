// libFuzzer harness for the PCX decoder: any input must decode or fail cleanly.
#include <cstddef>
#include <cstdint>

#include "engine/codecs/pcx/pcx_codec.h"
#include "engine/core/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ximora::engine;
    // Keep each attempt well inside the fuzzer's memory budget.
    setMemoryLimit(uint64_t(64) << 20);
    Image image;
    decodePcx(data, size, LoadOptions{}, image);
    return 0;
}
