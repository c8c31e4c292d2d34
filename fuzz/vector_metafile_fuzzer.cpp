// libFuzzer harness for the WMF and EMF structure checks: any input must pass or fail cleanly,
// and a stated size is never negative.
#include <cstdlib>
#include <initializer_list>

#include "vector/metafile/metafile_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ximora::vector::MetafileExtent extent;
    for (auto check : {ximora::vector::checkWmf, ximora::vector::checkEmf}) {
        if (check(data, size, extent) && (extent.width < 0 || extent.height < 0)) std::abort();
    }
    return 0;
}
