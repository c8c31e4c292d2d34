#include "engine/codecs/avif/avif_library.h"

#include <dlfcn.h>

namespace ximora::engine {
namespace {

// The soname of the libavif the program was built against (from the build): another one may
// differ in the structures this code reads.
constexpr const char* kSoname = XIMORA_AVIF_SONAME;

template <typename Function>
bool find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

const AvifLibrary* open() {
    void* library = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static AvifLibrary avif{};
    const bool complete = find(library, "avifDecoderCreate", avif.decoderCreate) &&
                          find(library, "avifDecoderDestroy", avif.decoderDestroy) &&
                          find(library, "avifDecoderSetIO", avif.decoderSetIO) &&
                          find(library, "avifDecoderSetIOMemory", avif.decoderSetIOMemory) &&
                          find(library, "avifDecoderParse", avif.decoderParse) &&
                          find(library, "avifDecoderNextImage", avif.decoderNextImage) &&
                          find(library, "avifRGBImageSetDefaults", avif.rgbImageSetDefaults) &&
                          find(library, "avifImageYUVToRGB", avif.imageYUVToRGB) &&
                          find(library, "avifResultToString", avif.resultToString);
    // Kept open for the life of the process either way: decoders made from it may live on.
    return complete ? &avif : nullptr;
}

}  // namespace

const AvifLibrary* avifLibrary() {
    static const AvifLibrary* const library = open();
    return library;
}

}  // namespace ximora::engine
