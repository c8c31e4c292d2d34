#pragma once
// Looking at rendered drawings: colours near a point, ink in an area.

#include <QImage>
#include <QRect>
#include <functional>

namespace ximora::test {

// Antialiased lines on pixel edges come out half as strong: the tests ask for the hue.
inline bool reddish(QRgb c) { return qRed(c) - qGreen(c) > 80 && qRed(c) - qBlue(c) > 80; }
inline bool bluish(QRgb c) { return qBlue(c) - qRed(c) > 80 && qBlue(c) - qGreen(c) > 80; }
inline bool white(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }
inline bool dark(QRgb c) { return qGray(c) < 160; }

/// How many pixels of `area` (clipped to the image) satisfy `test`.
inline int countIn(const QImage& image, QRect area, const std::function<bool(QRgb)>& test) {
    area &= image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) count += test(image.pixel(x, y));
    return count;
}

/// Whether a pixel within `radius` of (x, y) satisfies `test`.
inline bool near(const QImage& image, int x, int y, const std::function<bool(QRgb)>& test,
                 int radius = 2) {
    return countIn(image, QRect(x - radius, y - radius, 2 * radius + 1, 2 * radius + 1), test) > 0;
}

/// Whether the blue bricks of the tiled-symbol tests are laid on an A4 sheet drawn at one pixel
/// per millimetre: bricks 20 × 10 over 150..250 × 20..120 from (150, 20), courses at 20, 30,
/// 40..., joints at 150, 170... in the lower course of each pair and at 160, 180... in the
/// upper one, nothing blue beyond the area.
inline bool brickTilesLaid(const QImage& image) {
    const auto row = [](double y) { return int(210 - y); };
    return near(image, 175, row(30), bluish, 1) && near(image, 170, row(25), bluish, 1) &&
           white(image.pixel(160, row(25))) && near(image, 160, row(35), bluish, 1) &&
           white(image.pixel(170, row(35))) &&
           countIn(image, QRect(255, row(120), 30, 100), bluish) == 0;
}

}  // namespace ximora::test
