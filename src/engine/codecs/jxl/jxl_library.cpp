#include "engine/codecs/jxl/jxl_library.h"

namespace ximora::engine {

const JxlLibrary* jxlLibrary() {
    static const LibraryTable<JxlLibrary> table({XIMORA_JXL_SONAME, XIMORA_JXL_THREADS_SONAME});
    return table.functions();
}

}  // namespace ximora::engine
