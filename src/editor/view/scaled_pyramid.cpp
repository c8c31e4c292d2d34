#include "editor/view/scaled_pyramid.h"

#include <algorithm>
#include <vector>

#include "engine/core/parallel.h"
#include "util/qimage_adapter.h"

namespace ximora::editor {
namespace {

// Reads row y of a source in RGB888 or RGB32 as (r, g, b) at column x.
struct RowReader {
    const uchar* row;
    bool packed24;
    void rgb(int x, int& r, int& g, int& b) const {
        if (packed24) {
            const uchar* p = row + x * 3;
            r = p[0], g = p[1], b = p[2];
        } else {
            const QRgb v = reinterpret_cast<const QRgb*>(row)[x];
            r = qRed(v), g = qGreen(v), b = qBlue(v);
        }
    }
};

}  // namespace

QImage reduceImage(const QImage& input, int factor) {
    const QImage source =
        input.format() == QImage::Format_RGB888 || input.format() == QImage::Format_RGB32
            ? input
            : input.convertToFormat(QImage::Format_RGB32);
    const bool packed = source.format() == QImage::Format_RGB888;
    const int w = std::max(1, source.width() / factor), h = std::max(1, source.height() / factor);
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull()) return out;
    const int area = factor * factor;
    engine::parallelRows(h, [&](int y0, int y1) {
        std::vector<int> sums(size_t(w) * 3);
        for (int y = y0; y < y1; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (int dy = 0; dy < factor; ++dy) {
                const RowReader row{
                    source.constScanLine(std::min(factor * y + dy, source.height() - 1)), packed};
                for (int x = 0; x < w; ++x) {
                    int* sum = sums.data() + 3 * x;
                    for (int dx = 0; dx < factor; ++dx) {
                        int r, g, b;
                        row.rgb(std::min(factor * x + dx, source.width() - 1), r, g, b);
                        sum[0] += r, sum[1] += g, sum[2] += b;
                    }
                }
            }
            QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int* sum = sums.data() + 3 * x;
                dst[x] = qRgb((sum[0] + area / 2) / area, (sum[1] + area / 2) / area,
                              (sum[2] + area / 2) / area);
            }
        }
    });
    return out;
}

void ScaledPyramid::reset(const engine::Image* image) {
    source_ = image;
    full_ = image && !image->empty() ? util::wrapForPainting(*image) : QImage();
    levels_.clear();
}

size_t ScaledPyramid::levelIndex(double scale) const {
    if (full_.isNull() || scale >= 0.5) return 0;
    // The level stays at least as large as the screen size, so it is only ever reduced.
    size_t k = 0;
    while (scale * double(2 << k) <= 1.0 && (full_.width() >> (k + 1)) > 1 &&
           (full_.height() >> (k + 1)) > 1)
        ++k;
    return k;
}

const QImage& ScaledPyramid::levelFor(double scale, int& factor) {
    const size_t k = levelIndex(scale);
    if (k > 0) {
        if (levels_.size() < k) levels_.resize(k);
        if (levels_[k - 1].isNull()) {
            size_t from = k - 1;  // the nearest larger level made so far; 0 is the image
            while (from > 0 && levels_[from - 1].isNull()) --from;
            levels_[k - 1] = reduceImage(from ? levels_[from - 1] : full_, 1 << (k - from));
        }
    }
    factor = 1 << k;
    return k == 0 ? full_ : levels_[k - 1];
}

const QImage& ScaledPyramid::builtLevelFor(double scale, int& factor, bool& ready) const {
    const size_t wanted = levelIndex(scale);
    size_t k = std::min(wanted, levels_.size());
    while (k > 0 && levels_[k - 1].isNull()) --k;  // levels are made only where asked for
    ready = k == wanted;
    factor = 1 << k;
    return k == 0 ? full_ : levels_[k - 1];
}

QImage ScaledPyramid::overview(int side) {
    if (full_.isNull()) return {};
    const int longer = std::max(full_.width(), full_.height());
    int factor = 1;
    const QImage& level = levelFor(double(side) / longer, factor);
    return level.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace ximora::editor
