#include "engine/codecs/webp/webp_error.h"

#include <string_view>

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

namespace {

// libwebp has no text for its statuses; these are their names.
std::string_view statusWords(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return {};
        case VP8_STATUS_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_STATUS_INVALID_PARAM:
            return "invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR:
            return "bitstream error";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "unsupported feature";
        case VP8_STATUS_SUSPENDED:
            return "suspended";
        case VP8_STATUS_USER_ABORT:
            return "user abort";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "not enough data";
    }
    return {};
}

}  // namespace

bool failWithWebp(VP8StatusCode status) {
    return failWithDetail(webpDecodeError(status), statusWords(status));
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
