#include "engine/codecs/shared_library.h"

#include <dlfcn.h>

#include "engine/core/error.h"

namespace ximora::engine {

SharedLibrary::SharedLibrary(std::initializer_list<const char*> sonames) {
    for (const char* soname : sonames) {
        // Local: the codec reaches the functions through its table alone, and they stay out of
        // the global scope, where libraries loaded later could bind to them.
        void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            problem_ = dlerror();
            return;
        }
        handles_.push_back(handle);
    }
}

void* SharedLibrary::address(const char* name) {
    if (!problem_.empty()) return nullptr;
    for (void* handle : handles_)
        if (void* found = dlsym(handle, name)) return found;
    problem_ = std::string("undefined symbol: ") + name;
    return nullptr;
}

bool failMissingLibrary(const std::string& problem) {
    return failWithDetail(kErrUnsupported, problem);
}

}  // namespace ximora::engine
