#include "engine/effects/mosaic.h"

#include <algorithm>
#include <vector>

#include "engine/core/parallel.h"
#include "engine/effects/prepare.h"

namespace ximora::engine {

bool mosaic(Image& image, const Area& area, const MosaicParams& params) {
    const bool valid = params.width >= 1 && params.width <= kMaxSide && params.height >= 1 &&
                       params.height <= kMaxSide;
    if (!prepareEffect(image, valid)) return false;
    const int w = image.width(), h = image.height(), n = image.bytesPerPixel();
    const int bw = std::min(params.width, w), bh = std::min(params.height, h);
    const int columns = (w + bw - 1) / bw, bands = (h + bh - 1) / bh;
    const AreaMask mask(area, w, h);

    // Block rows are independent: each band of them is read whole before any pixel is written.
    parallelRows(
        bands,
        [&](int b0, int b1) {
            std::vector<uint64_t> sums(size_t(columns) * size_t(n));
            std::vector<uint8_t> means(size_t(columns) * size_t(n));
            for (int band = b0; band < b1; ++band) {
                const int y0 = band * bh, y1 = std::min(h, y0 + bh);
                std::fill(sums.begin(), sums.end(), uint64_t(0));
                for (int y = y0; y < y1; ++y) {
                    const uint8_t* p = image.row(y);
                    for (int col = 0; col < columns; ++col) {
                        uint64_t* sum = &sums[size_t(col * n)];
                        const int xEnd = std::min(w, (col + 1) * bw);
                        for (int x = col * bw; x < xEnd; ++x)
                            for (int c = 0; c < n; ++c) sum[c] += p[x * n + c];
                    }
                }
                for (int col = 0; col < columns; ++col) {
                    const uint64_t count =
                        uint64_t(std::min(w, (col + 1) * bw) - col * bw) * uint64_t(y1 - y0);
                    for (int c = 0; c < n; ++c) {
                        const size_t i = size_t(col * n + c);
                        means[i] = uint8_t((sums[i] + count / 2) / count);
                    }
                }
                for (int y = y0; y < y1; ++y) {
                    uint8_t* p = image.row(y);
                    for (const Span& s : mask.spans(y))
                        for (int x = s.x0; x < s.x1;) {
                            const uint8_t* mean = &means[size_t(x / bw * n)];
                            const int xEnd = std::min(s.x1, (x / bw + 1) * bw);
                            for (; x < xEnd; ++x)
                                for (int c = 0; c < n; ++c) p[x * n + c] = mean[c];
                        }
                }
            }
        },
        1);
    return true;
}

}  // namespace ximora::engine
