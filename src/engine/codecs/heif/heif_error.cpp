#include "engine/codecs/heif/heif_error.h"

#include "engine/core/error.h"

namespace ximora::engine {

int heifError(const heif_error& error) {
    if (error.subcode == heif_suberror_End_of_data) return kErrCannotRead;
    if (error.subcode == heif_suberror_Security_limit_exceeded) return kErrMemory;
    switch (error.code) {
        case heif_error_Ok:
            return kOk;
        case heif_error_Input_does_not_exist:
            return kErrFileNotFound;
        case heif_error_Unsupported_filetype:
            return kErrBadFile;
        case heif_error_Unsupported_feature:
            return kErrUnsupported;
        case heif_error_Memory_allocation_error:
            return kErrMemory;
        default:
            return kErrFileBroken;
    }
}

bool failWithHeif(const heif_error& error, int code) {
    return failWithDetail(code ? code : heifError(error), error.message ? error.message : "");
}

HeifPtr<heif_context> newHeifContext() {
    if (!heifLibrary()) return nullptr;
    HeifPtr<heif_context> context(heifLibrary()->heif_context_alloc());
    if (!context) fail(kErrMemory);
    return context;
}

}  // namespace ximora::engine
