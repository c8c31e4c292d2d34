#pragma once
// libavif, opened the first time an AVIF file is read. It brings its AV1 decoders and encoders
// with it (about twenty libraries), which a process that never meets an AVIF file does not map.

#include <avif/avif.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

// clang-format off
#define XIMORA_AVIF_FUNCTIONS(F) \
    F(avifDecoderCreate)         \
    F(avifDecoderDestroy)        \
    F(avifDecoderSetIO)          \
    F(avifDecoderSetIOMemory)    \
    F(avifDecoderParse)          \
    F(avifDecoderNextImage)      \
    F(avifRGBImageSetDefaults)   \
    F(avifImageYUVToRGB)         \
    F(avifResultToString)
// clang-format on

struct AvifLibrary {
    XIMORA_AVIF_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library XIMORA_AVIF_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

/// The library's functions, looked up the first time; nullptr with error 4 set when it is not
/// installed (or lacks one of them).
const AvifLibrary* avifLibrary();

}  // namespace ximora::engine
