// libFuzzer harness for the SVG path: librsvg reads the input through our document wrapper,
// which asks its size and paints it into a small picture. librsvg itself is not instrumented,
// so this finds crashes rather than steering into its code.
#include <cstdint>
#include <vector>

#include "vector/svg/rsvg_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using ximora::vector::RsvgDocument;
    const auto document = RsvgDocument::read(data, size);
    if (!document) return 0;
    double width = 0, height = 0;
    if (!document->size(width, height)) width = height = 100;
    std::vector<uint8_t> pixels(32 * 32 * 4);
    document->render(pixels.data(), 32, 32, 32 * 4, width, height);
    return 0;
}
