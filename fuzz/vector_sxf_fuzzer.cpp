// libFuzzer harness for the SXF reader, both forms (the content decides which; Shift-JIS or
// UTF-8): any input must read or fail cleanly, and what is read lies within the box it has.
#include <cstdlib>
#include <string_view>

#include "vector/sxf/sxf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ximora::vector;
    Scene scene;
    if (!readSxf(std::string_view(reinterpret_cast<const char*>(data), size), scene)) return 0;
    for (const Path& path : scene.paths)
        for (Point p : path.points)
            if (!sensible(p)) std::abort();
    for (const Label& label : scene.labels)
        if (!sensible(label.at) || !(label.height > 0)) std::abort();
    return 0;
}
