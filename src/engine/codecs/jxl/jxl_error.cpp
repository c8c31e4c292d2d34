#include "engine/codecs/jxl/jxl_error.h"

#include <string_view>

#include "engine/core/error.h"

namespace ximora::engine {

int jxlError(JxlDecoderStatus status) {
    return status == JXL_DEC_NEED_MORE_INPUT ? kErrCannotRead : kErrFileBroken;
}

namespace {

// libjxl gives a status and no message: the words say what the status tells and no more. The
// input is always closed before the end, so wanting more means that the file ended.
std::string_view statusWords(JxlDecoderStatus status) {
    switch (status) {
        case JXL_DEC_ERROR:
            return "the decoder found an error in the data";
        case JXL_DEC_NEED_MORE_INPUT:
            return "the file ends before the picture";
        case JXL_DEC_SUCCESS:
            return "the file holds no picture";
        default:
            return {};
    }
}

}  // namespace

bool failWithJxl(JxlDecoderStatus status) {
    return failWithDetail(jxlError(status), statusWords(status));
}

JxlDecoderPtr newJxlDecoder() {
    if (!jxlLibrary()) return nullptr;
    JxlDecoderPtr decoder(jxlLibrary()->JxlDecoderCreate(nullptr));
    if (!decoder) fail(kErrMemory);
    return decoder;
}

JxlDecoderPtr makeJxlDecoder(const uint8_t* data, size_t size, int threads,
                             std::unique_ptr<void, JxlRunnerDeleter>& runner) {
    JxlDecoderPtr decoder = newJxlDecoder();
    if (!decoder) return nullptr;
    runner.reset(jxlLibrary()->JxlThreadParallelRunnerCreate(nullptr, size_t(threads)));
    if (!runner ||
        jxlLibrary()->JxlDecoderSetParallelRunner(decoder.get(),
                                                  jxlLibrary()->JxlThreadParallelRunner,
                                                  runner.get()) != JXL_DEC_SUCCESS ||
        jxlLibrary()->JxlDecoderSetInput(decoder.get(), data, size) != JXL_DEC_SUCCESS) {
        fail(kErrMemory);
        return nullptr;
    }
    jxlLibrary()->JxlDecoderCloseInput(decoder.get());
    return decoder;
}

}  // namespace ximora::engine
