#include <algorithm>
#include <cstring>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/geometry.h"
#include "engine/geometry/half_turn.h"
#include "engine/geometry/pixel_bytes.h"

namespace ximora::engine {
namespace {

// Tiles of kTile × kTile pixels keep both the rows read and the rows written in the cache while
// the transposition walks across them.
constexpr int kTile = 64;

// Quarter turn into dst (src.height() wide, src.width() tall). Left: dst(x, y) =
// src(W − 1 − y, x). Right: dst(x, y) = src(y, H − 1 − x). Bands are rows of dst.
template <int N>
void quarterTurn(const Image& src, Image& dst, bool left) {
    const int sw = src.width(), sh = src.height();
    parallelRows(
        dst.height(),
        [&](int y0, int y1) {
            for (int ty = y0; ty < y1; ty += kTile) {
                const int tyEnd = std::min(y1, ty + kTile);
                for (int tx = 0; tx < sh; tx += kTile) {
                    const int txEnd = std::min(sh, tx + kTile);
                    for (int y = ty; y < tyEnd; ++y) {
                        uint8_t* d = dst.row(y);
                        const size_t sx = size_t(left ? sw - 1 - y : y);
                        auto srcRow = [&](int x) { return src.row(left ? x : sh - 1 - x); };
                        int x = tx;
                        if constexpr (N == 3) {
                            // Whole 4-byte words are cheaper than 3-byte copies. Each word
                            // written spills one byte into the next pixel, which is written
                            // after it; the tile's last pixel is copied alone. The word read
                            // stays inside the source row unless sx is its last pixel.
                            for (; x + 1 < txEnd && sx + 1 < size_t(sw); ++x) {
                                uint32_t v;
                                std::memcpy(&v, srcRow(x) + sx * 3, 4);
                                std::memcpy(d + size_t(x) * 3, &v, 4);
                            }
                        }
                        for (; x < txEnd; ++x)
                            storePixel<N>(d, size_t(x), loadPixel<N>(srcRow(x), sx));
                    }
                }
            }
        },
        kTile);
}

}  // namespace

bool turn(Image& image, int quarterTurns) {
    if (image.empty()) return fail(kErrNoImage);
    const int q = ((quarterTurns % 4) + 4) % 4;
    if (q == 0) return true;
    if (q == 2) return turnHalf(image);
    Image out;
    if (!out.allocate(image.height(), image.width(), image.bitsPerPixel(), image.grey()))
        return false;
    withPixelSize(image.bytesPerPixel(), [&]<int N>() { quarterTurn<N>(image, out, q == 1); });
    out.palette = std::move(image.palette);
    std::swap(image.dpiX, image.dpiY);
    out.dpiX = image.dpiX, out.dpiY = image.dpiY;
    out.comment = std::move(image.comment);
    out.metadata = std::move(image.metadata);
    image = std::move(out);
    return true;
}

}  // namespace ximora::engine
