#pragma once
// libavif, opened the first time an AVIF file is read. It brings its AV1 decoders and encoders
// with it (about twenty libraries), which a process that never meets an AVIF file does not map.

#include <avif/avif.h>

namespace ximora::engine {

struct AvifLibrary {
    decltype(&::avifDecoderCreate) decoderCreate;
    decltype(&::avifDecoderDestroy) decoderDestroy;
    decltype(&::avifDecoderSetIO) decoderSetIO;
    decltype(&::avifDecoderSetIOMemory) decoderSetIOMemory;
    decltype(&::avifDecoderParse) decoderParse;
    decltype(&::avifDecoderNextImage) decoderNextImage;
    decltype(&::avifRGBImageSetDefaults) rgbImageSetDefaults;
    decltype(&::avifImageYUVToRGB) imageYUVToRGB;
    decltype(&::avifResultToString) resultToString;
};

/// The library, opened once; nullptr when it is not installed (or lacks a function), in which
/// case AVIF files are not read (error 4), as for any format the engine cannot read.
const AvifLibrary* avifLibrary();

}  // namespace ximora::engine
