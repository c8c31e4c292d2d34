// Little CMS: https://www.littlecms.com/
#include "engine/colour/lcms_context.h"

namespace ximora::engine {
namespace {

// Failures are reported through the calls' results; the text has nowhere useful to go.
void ignoreError(cmsContext, cmsUInt32Number, const char*) {}

}  // namespace

cmsContext lcmsContext() {
    static const cmsContext context = [] {
        cmsContext made = cmsCreateContext(nullptr, nullptr);
        cmsSetLogErrorHandlerTHR(made, ignoreError);
        return made;
    }();
    return context;
}

}  // namespace ximora::engine
