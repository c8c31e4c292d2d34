#pragma once
// Little CMS, opened the first time a picture's colours are converted (dlopen of the soname the
// build found), with one process-wide context whose error handler keeps quiet, so that a
// damaged profile in a file fails its call instead of printing to the terminal. Without the
// library pictures keep the colours they are stored with.

#include <lcms2.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

#define XIMORA_LCMS_FUNCTIONS(F)   \
    F(cmsCreateContext)            \
    F(cmsSetLogErrorHandlerTHR)    \
    F(cmsCreate_sRGBProfileTHR)    \
    F(cmsOpenProfileFromMemTHR)    \
    F(cmsCreateRGBProfileTHR)      \
    F(cmsGetColorSpace)            \
    F(cmsCloseProfile)             \
    F(cmsCreateTransformTHR)       \
    F(cmsDeleteTransform)          \
    F(cmsDoTransform)              \
    F(cmsBuildParametricToneCurve) \
    F(cmsFreeToneCurve)            \
    F(cmsMLUalloc)                 \
    F(cmsMLUsetASCII)              \
    F(cmsMLUfree)                  \
    F(cmsWriteTag)                 \
    F(cmsSaveProfileToMem)

struct LcmsLibrary {
    XIMORA_LCMS_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    /// The context every call of the engine uses (thread-safe, never freed).
    cmsContext context = nullptr;
    void find(SharedLibrary& library);
};

/// Little CMS's functions and the engine's context; nullptr when the library is missing (no
/// error is set: colour management is then simply not done).
const LcmsLibrary* lcms();

}  // namespace ximora::engine
