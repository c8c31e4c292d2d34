#pragma once
// libjxl's error plumbing for the JPEG XL codec: owners for its decoder and thread pool, and
// its statuses as engine error codes.

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <memory>

namespace ximora::engine {

/// The engine error for a decoder status that ends decoding before the picture is whole: 23
/// when the data ends early, 17 otherwise (damaged data, or a file without a picture).
int jxlError(JxlDecoderStatus status);

/// Sets jxlError(status) with what the status says in words, and returns false.
bool failWithJxl(JxlDecoderStatus status);

struct JxlDecoderDeleter {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
struct JxlRunnerDeleter {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};

/// A decoder reading `size` bytes at `data` (all of the file) on `threads` threads; `runner`
/// receives the thread pool, which must outlive the decoder. nullptr when either cannot be made.
std::unique_ptr<JxlDecoder, JxlDecoderDeleter> makeJxlDecoder(
    const uint8_t* data, size_t size, int threads, std::unique_ptr<void, JxlRunnerDeleter>& runner);

}  // namespace ximora::engine
