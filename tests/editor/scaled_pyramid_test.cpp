// Reduced levels of the view: each pixel is the rounded mean of its block, in every layout the
// engine's pictures are painted in, computed here independently through QImage::pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <QRandomGenerator>
#include <tuple>

#include "editor/view/scaled_pyramid.h"

namespace ximora::editor {
namespace {

QImage randomPicture(int w, int h, QImage::Format format) {
    QImage image(w, h, QImage::Format_ARGB32);
    QRandomGenerator random(uint(w * 131 + h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, random.generate());
    if (format == QImage::Format_Indexed8)
        return image.convertToFormat(format, Qt::ThresholdDither);
    return image.convertToFormat(format);
}

QRgb blockMean(const QImage& source, int factor, int x, int y) {
    int sum[3] = {0, 0, 0};
    for (int dy = 0; dy < factor; ++dy)
        for (int dx = 0; dx < factor; ++dx) {
            const QRgb v = source.pixel(std::min(factor * x + dx, source.width() - 1),
                                        std::min(factor * y + dy, source.height() - 1));
            sum[0] += qRed(v), sum[1] += qGreen(v), sum[2] += qBlue(v);
        }
    const int area = factor * factor;
    return qRgb((sum[0] + area / 2) / area, (sum[1] + area / 2) / area, (sum[2] + area / 2) / area);
}

TEST(ReduceImage, EachPixelIsTheMeanOfItsBlockInEveryLayout) {
    for (const QImage::Format format :
         {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32,
          QImage::Format_RGBA8888, QImage::Format_RGB16, QImage::Format_Indexed8}) {
        for (const auto& [w, h, factor] : {std::tuple{37, 23, 2}, std::tuple{37, 23, 8},
                                           std::tuple{5, 40, 8}, std::tuple{64, 64, 4}}) {
            const QImage source = randomPicture(w, h, format);
            const QImage reduced = reduceImage(source, factor);
            ASSERT_EQ(reduced.size(), QSize(std::max(1, w / factor), std::max(1, h / factor)));
            for (int y = 0; y < reduced.height(); ++y)
                for (int x = 0; x < reduced.width(); ++x)
                    ASSERT_EQ(reduced.pixel(x, y) | 0xff000000u, blockMean(source, factor, x, y))
                        << "format " << format << ", " << w << "×" << h << " by " << factor
                        << " at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace ximora::editor
