#include "engine/codecs/png/png_error.h"

#include <cstdio>
#include <cstring>

#include "engine/core/error.h"

namespace ximora::engine {

void pngErrorCallback(png_structp png, png_const_charp message) {
    auto* trap = static_cast<PngErrorTrap*>(png_get_error_ptr(png));
    if (trap->code == 0)
        trap->code =
            message && (std::strstr(message, "memory") || std::strstr(message, "too large"))
                ? kErrMemory
                : kErrFileBroken;
    if (message && trap->message[0] == '\0')
        std::snprintf(trap->message, sizeof trap->message, "%s", message);
    std::longjmp(trap->jump, 1);
}

void pngWarningCallback(png_structp, png_const_charp) {}

void pngFail(png_structp png, int code, int reason) {
    auto* trap = static_cast<PngErrorTrap*>(png_get_error_ptr(png));
    trap->code = code;
    trap->reason = reason;
    png_error(png, "stopped");
}

}  // namespace ximora::engine
