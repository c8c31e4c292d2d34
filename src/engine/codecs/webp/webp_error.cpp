#include "engine/codecs/webp/webp_error.h"

#include "engine/core/error.h"

namespace ximora::engine {

int webpDecodeError(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return kOk;
        case VP8_STATUS_NOT_ENOUGH_DATA:
        case VP8_STATUS_SUSPENDED:
            return kErrCannotRead;
        case VP8_STATUS_OUT_OF_MEMORY:
            return kErrMemory;
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return kErrUnsupported;
        default:
            return kErrFileBroken;
    }
}

int webpEncodeError(WebPEncodingError error) {
    switch (error) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return kErrMemory;
        case VP8_ENC_ERROR_BAD_DIMENSION:
        case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
        case VP8_ENC_ERROR_PARTITION_OVERFLOW:
        case VP8_ENC_ERROR_FILE_TOO_BIG:
            return kErrNotApplicable;
        case VP8_ENC_ERROR_BAD_WRITE:
            return kErrCannotWrite;
        default:
            return kErrOther;
    }
}

}  // namespace ximora::engine
