#pragma once
// libjxl's plumbing for the JPEG XL codec: owners for its decoder and thread pool, its
// statuses as engine error codes, and the decoder every use of it starts with.

#include <memory>

#include "engine/codecs/jxl/jxl_library.h"

namespace ximora::engine {

/// The engine error for a decoder status that ends decoding before the picture is whole: 23
/// when the data ends early, 17 otherwise (damaged data, or a file without a picture).
int jxlError(JxlDecoderStatus status);

/// Sets jxlError(status) with what the status says in words, and returns false.
bool failWithJxl(JxlDecoderStatus status);

struct JxlDecoderDeleter {
    void operator()(JxlDecoder* decoder) const { jxlLibrary()->JxlDecoderDestroy(decoder); }
};
struct JxlRunnerDeleter {
    void operator()(void* runner) const { jxlLibrary()->JxlThreadParallelRunnerDestroy(runner); }
};

using JxlDecoderPtr = std::unique_ptr<JxlDecoder, JxlDecoderDeleter>;

/// A new decoder: nullptr with the engine error set when libjxl is missing (4) or out of memory
/// (3). Every use of libjxl starts here.
JxlDecoderPtr newJxlDecoder();

/// A decoder reading `size` bytes at `data` (all of the file) on `threads` threads; `runner`
/// receives the thread pool, which must outlive the decoder. nullptr with the engine error set
/// when either cannot be made.
JxlDecoderPtr makeJxlDecoder(const uint8_t* data, size_t size, int threads,
                             std::unique_ptr<void, JxlRunnerDeleter>& runner);

}  // namespace ximora::engine
