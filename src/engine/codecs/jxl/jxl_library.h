#pragma once
// libjxl and its thread pool, libjxl_threads, opened the first time a JPEG XL file is read.
// They bring highway, brotli and their helpers with them, which a process that never meets a
// JPEG XL file does not map.

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

// clang-format off
#define XIMORA_JXL_FUNCTIONS(F)           \
    F(JxlColorEncodingSetToSRGB)          \
    F(JxlDecoderCloseInput)               \
    F(JxlDecoderCreate)                   \
    F(JxlDecoderDestroy)                  \
    F(JxlDecoderGetBasicInfo)             \
    F(JxlDecoderGetColorAsEncodedProfile) \
    F(JxlDecoderGetColorAsICCProfile)     \
    F(JxlDecoderGetICCProfileSize)        \
    F(JxlDecoderImageOutBufferSize)       \
    F(JxlDecoderProcessInput)             \
    F(JxlDecoderReleaseInput)             \
    F(JxlDecoderSetImageOutBuffer)        \
    F(JxlDecoderSetInput)                 \
    F(JxlDecoderSetParallelRunner)        \
    F(JxlDecoderSetPreferredColorProfile) \
    F(JxlDecoderSubscribeEvents)          \
    F(JxlThreadParallelRunner)            \
    F(JxlThreadParallelRunnerCreate)      \
    F(JxlThreadParallelRunnerDestroy)
// clang-format on

struct JxlLibrary {
    XIMORA_JXL_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library XIMORA_JXL_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

/// The libraries' functions, looked up the first time; nullptr with error 4 set when either is
/// not installed (or lacks one of them).
const JxlLibrary* jxlLibrary();

}  // namespace ximora::engine
