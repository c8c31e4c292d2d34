#include "engine/codecs/jxl/jxl_error.h"

#include "engine/core/error.h"

namespace ximora::engine {

int jxlError(JxlDecoderStatus status) {
    return status == JXL_DEC_NEED_MORE_INPUT ? kErrCannotRead : kErrFileBroken;
}

std::unique_ptr<JxlDecoder, JxlDecoderDeleter> makeJxlDecoder(
    const uint8_t* data, size_t size, int threads,
    std::unique_ptr<void, JxlRunnerDeleter>& runner) {
    std::unique_ptr<JxlDecoder, JxlDecoderDeleter> decoder(JxlDecoderCreate(nullptr));
    runner.reset(JxlThreadParallelRunnerCreate(nullptr, size_t(threads)));
    if (!decoder || !runner ||
        JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), data, size) != JXL_DEC_SUCCESS)
        return nullptr;
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

}  // namespace ximora::engine
