#include "engine/codecs/avif/avif_error.h"

#include <string>

#include "engine/core/error.h"

namespace ximora::engine {

int avifError(avifResult result) {
    switch (result) {
        case AVIF_RESULT_OK:
            return kOk;
        case AVIF_RESULT_TRUNCATED_DATA:
        case AVIF_RESULT_IO_ERROR:
        case AVIF_RESULT_WAITING_ON_IO:
            return kErrCannotRead;
        case AVIF_RESULT_OUT_OF_MEMORY:
            return kErrMemory;
        case AVIF_RESULT_NO_CODEC_AVAILABLE:
        case AVIF_RESULT_NOT_IMPLEMENTED:
        case AVIF_RESULT_UNSUPPORTED_DEPTH:
            return kErrUnsupported;
        default:
            return kErrFileBroken;
    }
}

bool failWithAvif(avifResult result, const avifDecoder* decoder) {
    std::string words = avifLibrary()->avifResultToString(result);
    if (decoder && decoder->diag.error[0] != '\0') words += std::string(": ") + decoder->diag.error;
    return failWithDetail(avifError(result), words);
}

}  // namespace ximora::engine
