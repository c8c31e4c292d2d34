// libFuzzer harness for the WMF and EMF structure checks: any input must pass or fail cleanly,
// and a stated size is never negative.
#include <cstdlib>
#include <initializer_list>

#include "engine/vector/metafile_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ximora::engine::MetafileExtent extent;
    for (auto check : {ximora::engine::checkWmf, ximora::engine::checkEmf}) {
        if (check(data, size, extent) && (extent.width < 0 || extent.height < 0)) std::abort();
    }
    return 0;
}
