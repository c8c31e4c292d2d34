#pragma once
// libtiff, opened the first time a TIFF file is read or written. It brings its compressions'
// libraries with it (WebP, zstd, LZMA, LERC, JBIG), which a process that never meets a TIFF
// file does not map.

#include <tiffio.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

// clang-format off
#define XIMORA_TIFF_FUNCTIONS(F)                \
    F(TIFFClientOpenExt)                        \
    F(TIFFClose)                                \
    F(TIFFOpenOptionsAlloc)                     \
    F(TIFFOpenOptionsFree)                      \
    F(TIFFOpenOptionsSetErrorHandlerExtR)       \
    F(TIFFOpenOptionsSetWarningHandlerExtR)     \
    F(TIFFOpenOptionsSetMaxSingleMemAlloc)      \
    F(TIFFSetErrorHandler)                      \
    F(TIFFSetWarningHandler)                    \
    F(TIFFGetField)                             \
    F(TIFFGetFieldDefaulted)                    \
    F(TIFFSetField)                             \
    F(TIFFIsTiled)                              \
    F(TIFFReadDirectory)                        \
    F(TIFFWriteDirectory)                       \
    F(TIFFScanlineSize64)                       \
    F(TIFFReadScanline)                         \
    F(TIFFWriteScanline)                        \
    F(TIFFDefaultStripSize)                     \
    F(TIFFTileRowSize64)                        \
    F(TIFFTileSize64)                           \
    F(TIFFComputeTile)                          \
    F(TIFFReadEncodedTile)                      \
    F(TIFFRGBAImageOK)                          \
    F(TIFFRGBAImageBegin)                       \
    F(TIFFRGBAImageGet)                         \
    F(TIFFRGBAImageEnd)
// clang-format on

struct TiffLibrary {
    XIMORA_TIFF_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library XIMORA_TIFF_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

/// The library's functions, looked up the first time; nullptr with error 4 set when it is not
/// installed (or lacks one of them).
const TiffLibrary* tiffLibrary();

}  // namespace ximora::engine
