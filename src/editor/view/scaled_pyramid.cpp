#include "editor/view/scaled_pyramid.h"

#include <algorithm>
#include <utility>
#include <vector>

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

// Writes the means of the factor × factor blocks of output rows [y0, y1) for `Bytes` per pixel
// with red, green and blue at R, G and B: the layouts of nearly every picture. The source
// holds whole blocks (no edge to clamp) and factor is at most 256, so that a column of a block
// sums in 16 bits. The rows are summed byte by byte first, a loop the compiler vectorises,
// which leaves a block's columns to add up once per output row.
template <int Bytes, int R, int G, int B>
void reduceWholeBlocks(const QImage& source, QImage& out, int factor, int y0, int y1) {
    const int w = out.width(), area = factor * factor;
    const size_t span = size_t(w) * size_t(factor) * Bytes;
    std::vector<uint16_t> columns(span);
    for (int y = y0; y < y1; ++y) {
        std::fill(columns.begin(), columns.end(), 0);
        for (int dy = 0; dy < factor; ++dy) {
            const uchar* p = source.constScanLine(factor * y + dy);
            uint16_t* column = columns.data();
            for (size_t i = 0; i < span; ++i) column[i] = uint16_t(column[i] + p[i]);
        }
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        const uint16_t* column = columns.data();
        for (int x = 0; x < w; ++x) {
            int r = 0, g = 0, b = 0;
            for (int dx = 0; dx < factor; ++dx, column += Bytes)
                r += column[R], g += column[G], b += column[B];
            dst[x] = qRgb((r + area / 2) / area, (g + area / 2) / area, (b + area / 2) / area);
        }
    }
}

// As reduceWholeBlocks for any readable layout, clamping blocks at the edges.
void reduceAnyRows(const QImage& source, QImage& out, int factor, int y0, int y1) {
    const int w = out.width(), area = factor * factor;
    const QList<QRgb> colours = source.colorTable();
    std::vector<int> sums(size_t(w) * 3);
    for (int y = y0; y < y1; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < factor; ++dy) {
            const RowReader row{
                source.constScanLine(std::min(factor * y + dy, source.height() - 1)),
                source.format(), &colours};
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
}

}  // namespace

QImage reduceImage(const QImage& input, int factor) {
    const QImage source =
        readable(input.format()) ? input : input.convertToFormat(QImage::Format_RGB32);
    const int w = std::max(1, source.width() / factor), h = std::max(1, source.height() / factor);
    QImage out(w, h, QImage::Format_RGB32);
    if (source.isNull() || out.isNull()) return {};
    const bool wholeBlocks = source.width() >= factor && source.height() >= factor && factor <= 256;
    const QImage::Format format = source.format();
    engine::parallelRows(h, [&](int y0, int y1) {
        if (wholeBlocks && format == QImage::Format_RGB888)
            reduceWholeBlocks<3, 0, 1, 2>(source, out, factor, y0, y1);
        else if (wholeBlocks && format == QImage::Format_RGBA8888)
            reduceWholeBlocks<4, 0, 1, 2>(source, out, factor, y0, y1);
        else if (wholeBlocks && (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32))
            reduceWholeBlocks<4, Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 2 : 1,
                              Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 1 : 2,
                              Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : 3>(source, out, factor, y0, y1);
        else
            reduceAnyRows(source, out, factor, y0, y1);
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
    if (k > 0) {
        if (levels_.size() < k) levels_.resize(k);
        if (levels_[k - 1].isNull()) {
            size_t from = k - 1;  // the nearest larger level made so far; 0 is the image
            while (from > 0 && levels_[from - 1].isNull()) --from;
            levels_[k - 1] = reduceImage(from ? levels_[from - 1] : full_, 1 << (k - from));
            if (levels_[k - 1].isNull()) k = from;  // no memory for it: paint from that one
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
