#include "engine/codecs/webp/webp_library.h"

namespace ximora::engine {

const WebpLibrary* webpLibrary() {
    static const LibraryTable<WebpLibrary> table(
        {XIMORA_WEBP_SONAME, XIMORA_WEBPDEMUX_SONAME, XIMORA_WEBPMUX_SONAME});
    return table.functions();
}

}  // namespace ximora::engine
