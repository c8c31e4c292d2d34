#include "engine/codecs/tiff/tiff_library.h"

namespace ximora::engine {

const TiffLibrary* tiffLibrary() {
    // The soname of the libtiff the program was built against (from the build): another one
    // may differ in the structures this code reads (TIFFRGBAImage).
    static const LibraryTable<TiffLibrary> table({XIMORA_TIFF_SONAME});
    return table.functions();
}

}  // namespace ximora::engine
