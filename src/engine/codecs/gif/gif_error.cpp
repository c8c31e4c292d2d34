#include "engine/codecs/gif/gif_error.h"

#include <gif_lib.h>

#include "engine/core/error.h"

namespace ximora::engine {

int gifErrorCode(int giflibError) {
    switch (giflibError) {
        case D_GIF_ERR_NOT_GIF_FILE:
        case D_GIF_ERR_NO_SCRN_DSCR:
            return kErrBadFile;
        case D_GIF_ERR_READ_FAILED:
        case D_GIF_ERR_EOF_TOO_SOON:
            return kErrCannotRead;
        case D_GIF_ERR_NOT_ENOUGH_MEM:
        case E_GIF_ERR_NOT_ENOUGH_MEM:
            return kErrMemory;
        case E_GIF_ERR_WRITE_FAILED:
        case E_GIF_ERR_DISK_IS_FULL:
        case E_GIF_ERR_CLOSE_FAILED:
        case E_GIF_ERR_NOT_WRITEABLE:
            return kErrCannotWrite;
        default:
            return giflibError >= D_GIF_ERR_OPEN_FAILED ? kErrFileBroken : kErrCannotWrite;
    }
}

bool failWithGifError(int giflibError) {
    const char* words = GifErrorString(giflibError);  // null for a code giflib does not know
    return failWithDetail(gifErrorCode(giflibError), words ? words : "");
}

}  // namespace ximora::engine
