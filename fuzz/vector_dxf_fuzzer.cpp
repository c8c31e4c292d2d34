// libFuzzer harness for the DXF reader: any text must read or fail cleanly, and a drawing read
// has a bounding box around all of its lines and areas.
#include <cstdlib>
#include <string>

#include "vector/dxf/dxf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ximora::vector;
    Scene scene;
    if (!readDxf(std::string(reinterpret_cast<const char*>(data), size), scene)) return 0;
    const auto inside = [&](Point p) {
        return p.x >= scene.min.x && p.x <= scene.max.x && p.y >= scene.min.y && p.y <= scene.max.y;
    };
    for (const Path& path : scene.paths)
        for (Point p : path.points)
            if (!inside(p)) std::abort();
    for (const Fill& fill : scene.fills)
        for (const auto& ring : fill.rings)
            for (Point p : ring)
                if (!inside(p)) std::abort();
    return 0;
}
