// Little CMS: https://www.littlecms.com/
#include "engine/colour/lcms_library.h"

namespace ximora::engine {
namespace {

// Failures are reported through the calls' results; the text has nowhere useful to go.
void ignoreError(cmsContext, cmsUInt32Number, const char*) {}

}  // namespace

void LcmsLibrary::find(SharedLibrary& library) {
    library XIMORA_LCMS_FUNCTIONS(XIMORA_LIBRARY_FIND);
    if (!cmsCreateContext || !cmsSetLogErrorHandlerTHR) return;
    context = cmsCreateContext(nullptr, nullptr);
    cmsSetLogErrorHandlerTHR(context, ignoreError);
}

const LcmsLibrary* lcms() {
    static const LibraryTable<LcmsLibrary> table({XIMORA_LCMS2_SONAME});
    return table.opened() ? table.functions() : nullptr;
}

}  // namespace ximora::engine
