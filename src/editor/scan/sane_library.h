#pragma once
// SANE, opened on the first scan or source choice (dlopen of the soname the build found): most
// runs scan nothing, and libsane brings USB and device libraries with it.

#include <sane/sane.h>

#include "engine/codecs/shared_library.h"

namespace ximora::editor {

#define XIMORA_SANE_FUNCTIONS(F)  \
    F(sane_init)                  \
    F(sane_exit)                  \
    F(sane_get_devices)           \
    F(sane_open)                  \
    F(sane_close)                 \
    F(sane_get_option_descriptor) \
    F(sane_control_option)        \
    F(sane_start)                 \
    F(sane_get_parameters)        \
    F(sane_read)                  \
    F(sane_cancel)

struct SaneLibrary {
    XIMORA_SANE_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(engine::SharedLibrary& library) {
        library XIMORA_SANE_FUNCTIONS(XIMORA_LIBRARY_FIND);
    }
};

/// SANE's functions; nullptr with error 4 and the loader's words when libsane is missing.
const SaneLibrary* saneLibrary();

}  // namespace ximora::editor
