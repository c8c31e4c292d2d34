// libFuzzer harness for the DXF reader: any text must read or fail cleanly, and a drawing read
// has a bounding box around all of its points.
#include <cstdlib>
#include <string>

#include "vector/dxf/dxf_shapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ximora::vector::DxfShapes shapes;
    if (!ximora::vector::readDxf(std::string(reinterpret_cast<const char*>(data), size), shapes))
        return 0;
    for (const auto& path : shapes.paths)
        for (const auto& p : path)
            if (p.x < shapes.min.x || p.x > shapes.max.x || p.y < shapes.min.y ||
                p.y > shapes.max.y)
                std::abort();
    return 0;
}
