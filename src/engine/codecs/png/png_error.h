#pragma once
// libpng's error plumbing for the PNG codec: errors jump back to the caller's setjmp point with
// an engine error code; warnings (damaged ancillary chunks) are ignored.

#include <csetjmp>

#include <png.h>

namespace ximora::engine {

struct PngErrorTrap {
    std::jmp_buf jump;
    int code = 0;            ///< engine error code of the error that jumped
    int reason = 0;          ///< the system's reason kept with it (a full disk), or 0
    char message[128] = {};  ///< libpng's words for the error that jumped
};

/// Error and warning callbacks for png_create_read_struct / png_create_write_struct, with
/// `&trap` as the error pointer.
void pngErrorCallback(png_structp png, png_const_charp message);
void pngWarningCallback(png_structp png, png_const_charp message);

/// Stops the codec with engine error `code` (used by the read and write callbacks).
[[noreturn]] void pngFail(png_structp png, int code, int reason = 0);

}  // namespace ximora::engine
