#include "engine/codecs/heif/heif_library.h"

namespace ximora::engine {

const HeifLibrary* heifLibrary() {
    static const LibraryTable<HeifLibrary> table({XIMORA_HEIF_SONAME});
    return table.functions();
}

}  // namespace ximora::engine
