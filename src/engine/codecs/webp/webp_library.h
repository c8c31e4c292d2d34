#pragma once
// libwebp with its demuxer and muxer, opened the first time a WebP file is read or written;
// each of the codec's entry points asks for them first. (libtiff, once opened for a TIFF file,
// maps libwebp too, for TIFF's WebP compression; the demuxer and the muxer are mapped only here.)
//
// The functions the headers define inline (WebPGetFeatures, WebPDemux, WebPConfigPreset, ...)
// are called as what they call: the exported *Internal function with the ABI version this code
// was built with.

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

// clang-format off
#define XIMORA_WEBP_FUNCTIONS(F)          \
    F(WebPGetFeaturesInternal)            \
    F(WebPInitDecoderConfigInternal)      \
    F(WebPDecode)                         \
    F(WebPFreeDecBuffer)                  \
    F(WebPConfigInitInternal)             \
    F(WebPValidateConfig)                 \
    F(WebPPictureInitInternal)            \
    F(WebPPictureImportRGB)               \
    F(WebPPictureImportRGBA)              \
    F(WebPPictureFree)                    \
    F(WebPMemoryWriterInit)               \
    F(WebPMemoryWrite)                    \
    F(WebPMemoryWriterClear)              \
    F(WebPEncode)                         \
    F(WebPFree)                           \
    F(WebPDemuxInternal)                  \
    F(WebPDemuxGetI)                      \
    F(WebPDemuxGetChunk)                  \
    F(WebPDemuxReleaseChunkIterator)      \
    F(WebPDemuxDelete)                    \
    F(WebPAnimDecoderOptionsInitInternal) \
    F(WebPAnimDecoderNewInternal)         \
    F(WebPAnimDecoderGetNext)             \
    F(WebPAnimDecoderDelete)              \
    F(WebPMuxCreateInternal)              \
    F(WebPMuxSetChunk)                    \
    F(WebPMuxAssemble)                    \
    F(WebPMuxDelete)
// clang-format on

struct WebpLibrary {
    XIMORA_WEBP_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library XIMORA_WEBP_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

/// The libraries' functions, looked up the first time; nullptr with error 4 set when one of
/// them is not installed (or lacks one of its functions).
const WebpLibrary* webpLibrary();

}  // namespace ximora::engine
