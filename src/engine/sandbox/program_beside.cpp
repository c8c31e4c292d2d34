#include "engine/sandbox/program_beside.h"

#include <unistd.h>

#include <climits>

namespace ximora::engine {

std::string programBeside(const char* name) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    std::string path(self, size_t(length));
    path.resize(path.rfind('/') + 1);
    path += name;
    return access(path.c_str(), X_OK) == 0 ? path : std::string();
}

}  // namespace ximora::engine
