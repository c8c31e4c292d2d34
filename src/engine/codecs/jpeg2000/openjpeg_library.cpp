#include "engine/codecs/jpeg2000/openjpeg_library.h"

namespace ximora::engine {

const OpenJpegLibrary* openJpegLibrary() {
    static const LibraryTable<OpenJpegLibrary> table({XIMORA_OPENJP2_SONAME});
    return table.functions();
}

}  // namespace ximora::engine
