#include <algorithm>
#include <cstring>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/geometry.h"

namespace ximora::engine {

bool trim(Image& image, const Rect& rect) {
    if (image.empty()) return fail(kErrNoImage);
    const int left = std::clamp(rect.left, 0, image.width()),
              right = std::clamp(rect.right, 0, image.width());
    const int top = std::clamp(rect.top, 0, image.height()),
              bottom = std::clamp(rect.bottom, 0, image.height());
    if (right <= left || bottom <= top) return fail(kErrBadParameter);
    if (left == 0 && top == 0 && right == image.width() && bottom == image.height()) return true;
    std::unique_ptr<DeepSamples> deep;
    if (const DeepSamples* samples = currentDeepSamples(image)) {
        deep = trimmedDeepSamples(*samples, left, top, right, bottom);
        if (!deep) return false;
    }
    Image out;
    if (!out.allocate(right - left, bottom - top, image.bitsPerPixel(), image.grey())) return false;
    const size_t n = size_t(image.bytesPerPixel()), len = size_t(right - left) * n;
    parallelRows(out.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(out.row(y), image.row(top + y) + size_t(left) * n, len);
    });
    out.palette = std::move(image.palette);
    out.dpiX = image.dpiX, out.dpiY = image.dpiY;
    out.comment = std::move(image.comment);
    out.metadata = std::move(image.metadata);
    image = std::move(out);
    attachDeepSamples(image, std::move(deep));
    return true;
}

}  // namespace ximora::engine
