#include "engine/codecs/avif/avif_library.h"

namespace ximora::engine {

const AvifLibrary* avifLibrary() {
    // The soname of the libavif the program was built against (from the build): another one
    // may differ in the structures this code reads.
    static const LibraryTable<AvifLibrary> table({XIMORA_AVIF_SONAME});
    return table.functions();
}

}  // namespace ximora::engine
