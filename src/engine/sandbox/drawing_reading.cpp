#include "engine/sandbox/drawing_reading.h"

#include "engine/core/error.h"

namespace ximora::engine {
namespace {
DrawingReader gReader = nullptr;
}  // namespace

void setDrawingReader(DrawingReader reader) { gReader = reader; }

bool readDrawingHere(ByteSource& file, const DrawingAsk& ask, DrawingFacts& facts, Image& picture,
                     std::string& message) {
    if (!gReader) return fail(kErrUnsupported);
    return gReader(file, ask, facts, picture, message);
}

}  // namespace ximora::engine
