#include "engine/thumbs/thumbnail_scale.h"

#include <algorithm>

#include "engine/core/error.h"
#include "engine/thumbs/thumbnail_reducer.h"

namespace ximora::engine {

ThumbnailSize fitIntoSquare(int width, int height, int box) {
    if (width <= box && height <= box) return {width, height};
    const int64_t longer = std::max(width, height), shorter = std::min(width, height);
    const int fitted = int(std::max<int64_t>(1, (2 * shorter * box + longer) / (2 * longer)));
    return width >= height ? ThumbnailSize{box, fitted} : ThumbnailSize{fitted, box};
}

bool makeThumbnail(const Image& source, int box, Image& out) {
    if (box < 1 || box > kMaxSide) return fail(kErrBadParameter);
    if (source.empty()) return fail(kErrBadImage);
    ThumbnailReducer reducer(box);
    RowLayout layout;
    layout.width = source.width();
    layout.height = source.height();
    layout.bitsPerPixel = source.bitsPerPixel();
    layout.palette = source.palette;
    if (!reducer.start(layout)) return false;
    for (int y = 0; y < source.height(); ++y) reducer.putRow(y, source.row(y));
    return reducer.finish(out);
}

}  // namespace ximora::engine
