#include "engine/ops/pick_colour.h"

#include "engine/core/error.h"

namespace ximora::engine {

bool pickColour(const Image& image, int x, int y, Colour& colour) {
    if (image.empty()) return fail(kErrNoImage);
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return fail(kErrBadParameter);
    colour = image.pixel(x, y);
    return true;
}

}  // namespace ximora::engine
