#include "editor/view/scaled_pyramid.h"

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

QImage halveImage(const QImage& input) {
    const QImage source =
        input.format() == QImage::Format_RGB888 || input.format() == QImage::Format_RGB32
            ? input
            : input.convertToFormat(QImage::Format_RGB32);
    const bool packed = source.format() == QImage::Format_RGB888;
    const int w = std::max(1, source.width() / 2), h = std::max(1, source.height() / 2);
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull()) return out;
    engine::parallelRows(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int sy0 = std::min(2 * y, source.height() - 1);
            const int sy1 = std::min(2 * y + 1, source.height() - 1);
            const RowReader a{source.constScanLine(sy0), packed};
            const RowReader b{source.constScanLine(sy1), packed};
            QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int sx0 = std::min(2 * x, source.width() - 1);
                const int sx1 = std::min(2 * x + 1, source.width() - 1);
                int r = 0, g = 0, bl = 0, tr, tg, tb;
                a.rgb(sx0, tr, tg, tb), r += tr, g += tg, bl += tb;
                a.rgb(sx1, tr, tg, tb), r += tr, g += tg, bl += tb;
                b.rgb(sx0, tr, tg, tb), r += tr, g += tg, bl += tb;
                b.rgb(sx1, tr, tg, tb), r += tr, g += tg, bl += tb;
                dst[x] = qRgb((r + 2) / 4, (g + 2) / 4, (bl + 2) / 4);
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
    while (levels_.size() < k)
        levels_.push_back(halveImage(levels_.empty() ? full_ : levels_.back()));
    factor = 1 << k;
    return k == 0 ? full_ : levels_[k - 1];
}

const QImage& ScaledPyramid::builtLevelFor(double scale, int& factor, bool& ready) const {
    const size_t k = std::min(levelIndex(scale), levels_.size());
    ready = k == levelIndex(scale);
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
