#include "editor/view/scaled_pyramid.h"

#include <algorithm>
#include <utility>

#include "engine/core/parallel.h"
#include "util/qimage_adapter.h"

namespace ximora::editor {
namespace {

// Reads a row of any layout the engine's images are painted in (RGB888, RGB32, RGB16,
// RGBA8888, Indexed8) as (r, g, b) at column x. Reading in place spares a converted copy as
// large as the picture.
struct RowReader {
    const uchar* row;
    QImage::Format format;
    const QList<QRgb>* colours;
    void rgb(int x, int& r, int& g, int& b) const {
        switch (format) {
            case QImage::Format_RGB888:
            case QImage::Format_RGBA8888: {
                const uchar* p = row + x * (format == QImage::Format_RGB888 ? 3 : 4);
                r = p[0], g = p[1], b = p[2];
                return;
            }
            case QImage::Format_RGB16: {
                const engine::Colour c =
                    engine::unpackRgb565(reinterpret_cast<const quint16*>(row)[x]);
                r = c.r, g = c.g, b = c.b;
                return;
            }
            case QImage::Format_Indexed8: {
                const uchar index = row[x];
                const QRgb v = index < colours->size() ? (*colours)[index] : qRgb(0, 0, 0);
                r = qRed(v), g = qGreen(v), b = qBlue(v);
                return;
            }
            default: {
                const QRgb v = reinterpret_cast<const QRgb*>(row)[x];
                r = qRed(v), g = qGreen(v), b = qBlue(v);
            }
        }
    }
};

bool readable(QImage::Format format) {
    return format == QImage::Format_RGB888 || format == QImage::Format_RGBA8888 ||
           format == QImage::Format_RGB16 || format == QImage::Format_Indexed8 ||
           format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
}

}  // namespace

QImage halveImage(const QImage& input) {
    const QImage source =
        readable(input.format()) ? input : input.convertToFormat(QImage::Format_RGB32);
    const int w = std::max(1, source.width() / 2), h = std::max(1, source.height() / 2);
    QImage out(w, h, QImage::Format_RGB32);
    if (source.isNull() || out.isNull()) return {};
    const QList<QRgb> colours = source.colorTable();
    engine::parallelRows(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int sy0 = std::min(2 * y, source.height() - 1);
            const int sy1 = std::min(2 * y + 1, source.height() - 1);
            const RowReader a{source.constScanLine(sy0), source.format(), &colours};
            const RowReader b{source.constScanLine(sy1), source.format(), &colours};
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
    size_t k = levelIndex(scale);
    while (levels_.size() < k) {
        QImage half = halveImage(levels_.empty() ? full_ : levels_.back());
        if (half.isNull()) break;  // no memory for the level: paint from the one above
        levels_.push_back(std::move(half));
    }
    k = std::min(k, levels_.size());
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
