#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/colour_function.h"
#include "engine/ops/samples.h"

namespace ximora::engine {
namespace {

// Fixed-point source coordinates: 32 fractional bits keep the accumulated error of stepping
// across a 65535-pixel row far below the 8 bits the interpolation uses.
constexpr int kFracBits = 32;
constexpr int64_t kOne = int64_t(1) << kFracBits;

// Background samples in the layout of `samples` for an image of kind `kind`.
void backgroundSamples(const Colour& c, int channels, uint8_t (&bg)[4]) {
    if (channels == 1)
        bg[0] = luma(c.r, c.g, c.b);
    else
        bg[0] = c.r, bg[1] = c.g, bg[2] = c.b, bg[3] = c.a;
}

// Inverse mapping with bilinear sampling; source pixels outside the image read as background.
void rotateSamples(const Plane& src, const Plane& dst, double radians, const uint8_t (&bg)[4]) {
    const double cs = std::cos(radians), sn = std::sin(radians);
    const int c = src.channels;
    const double scx = src.width / 2.0, scy = src.height / 2.0;
    const double dcx = dst.width / 2.0, dcy = dst.height / 2.0;
    const int64_t stepX = std::llround(cs * kOne), stepY = std::llround(sn * kOne);
    parallelRows(dst.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            // Source position of the centre of pixel (0, y), in pixel-index units.
            const double X = 0.5 - dcx, Y = y + 0.5 - dcy;
            int64_t sx = std::llround((scx + X * cs - Y * sn - 0.5) * kOne);
            int64_t sy = std::llround((scy + X * sn + Y * cs - 0.5) * kOne);
            uint8_t* d = dst.row(y);
            for (int x = 0; x < dst.width; ++x, sx += stepX, sy += stepY, d += c) {
                const int64_t ix = sx >> kFracBits, iy = sy >> kFracBits;
                if (ix < -1 || iy < -1 || ix >= src.width || iy >= src.height) {
                    std::memcpy(d, bg, size_t(c));
                    continue;
                }
                const int fx = int((sx >> (kFracBits - 8)) & 255),
                          fy = int((sy >> (kFracBits - 8)) & 255);
                const bool inX0 = ix >= 0, inX1 = ix + 1 < src.width, inY0 = iy >= 0,
                           inY1 = iy + 1 < src.height;
                const uint8_t* r0 = inY0 ? src.row(int(iy)) : nullptr;
                const uint8_t* r1 = inY1 ? src.row(int(iy + 1)) : nullptr;
                const uint8_t* p00 = inY0 && inX0 ? r0 + ix * c : bg;
                const uint8_t* p01 = inY0 && inX1 ? r0 + (ix + 1) * c : bg;
                const uint8_t* p10 = inY1 && inX0 ? r1 + ix * c : bg;
                const uint8_t* p11 = inY1 && inX1 ? r1 + (ix + 1) * c : bg;
                const int w00 = (256 - fx) * (256 - fy), w01 = fx * (256 - fy),
                          w10 = (256 - fx) * fy, w11 = fx * fy;
                for (int ch = 0; ch < c; ++ch)
                    d[ch] = uint8_t(
                        (p00[ch] * w00 + p01[ch] * w01 + p10[ch] * w10 + p11[ch] * w11 + 32768) >>
                        16);
            }
        }
    });
}

// Side of the canvas that holds a rotated rectangle; tiny floating errors must not add a pixel.
int grownSide(double a, double b) { return std::max(1, int(std::ceil(a + b - 1e-6))); }

// The canvas for a cut-corner quarter turn: the turned image centred on the old size.
bool centreOnCanvas(Image& turned, int width, int height, const Colour& background) {
    if (turned.width() == width && turned.height() == height) return true;
    Image canvas;
    if (!canvas.allocate(width, height, turned.bitsPerPixel(), turned.grey())) return false;
    uint8_t pixel[4] = {background.r, background.g, background.b, background.a};
    if (turned.bitsPerPixel() <= 8) {
        pixel[0] = paletteEntryFor(turned.palette, turned.bitsPerPixel(), background);
        updateGreyFlag(turned);
        canvas.setGrey(turned.grey());
    } else if (turned.bitsPerPixel() == 16) {
        const uint16_t v = packRgb565(background.r, background.g, background.b);
        std::memcpy(pixel, &v, 2);
    }
    const size_t n = size_t(canvas.bytesPerPixel());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) std::memcpy(canvas.row(y) + size_t(x) * n, pixel, n);
    canvas.palette = turned.palette;
    if (!composite(canvas, turned, (width - turned.width()) / 2, (height - turned.height()) / 2))
        return false;
    canvas.dpiX = turned.dpiX, canvas.dpiY = turned.dpiY;
    canvas.comment = std::move(turned.comment);
    canvas.metadata = std::move(turned.metadata);
    turned = std::move(canvas);
    return true;
}

bool rotateUnmirrored(Image& image, const RotateParams& params) {
    const int angle = ((params.angle % 36000) + 36000) % 36000;
    if (angle % 9000 == 0) {
        const int width = image.width(), height = image.height();
        if (!turn(image, angle / 9000)) return false;
        if (!params.cutCorners || centreOnCanvas(image, width, height, params.background))
            return true;
        const int error = lastError();
        turn(image, -angle / 9000);
        return fail(error);
    }
    const double radians = angle / 100.0 * std::numbers::pi / 180.0;
    const double ac = std::abs(std::cos(radians)), as = std::abs(std::sin(radians));
    const int w =
        params.cutCorners ? image.width() : grownSide(image.width() * ac, image.height() * as);
    const int h =
        params.cutCorners ? image.height() : grownSide(image.width() * as, image.height() * ac);
    if (!Image::fitsLimits(w, h, 32)) return false;
    Image samples;
    const bool native = sampleKind(image) == SampleKind::Native;
    if (!native && !extractSamples(image, samples)) return false;
    const Image& src = native ? image : samples;
    Image dst;
    if (!dst.allocate(w, h, src.bitsPerPixel())) return false;
    uint8_t bg[4];
    backgroundSamples(params.background, src.bytesPerPixel(), bg);
    rotateSamples(planeOf(src), planeOf(dst), radians, bg);
    samples = Image();
    Image out;
    if (!samplesToImage(std::move(dst), image, out)) return false;
    image = std::move(out);
    return true;
}

}  // namespace

bool rotate(Image& image, const RotateParams& params) {
    if (image.empty()) return fail(kErrNoImage);
    if (params.mirrorLeftRight) flipHorizontal(image);
    if (params.mirrorTopBottom) flipVertical(image);
    if (rotateUnmirrored(image, params)) return true;
    // Mirrors are their own inverse: a failed rotation leaves the image as it came.
    const int error = lastError();
    if (params.mirrorTopBottom) flipVertical(image);
    if (params.mirrorLeftRight) flipHorizontal(image);
    return fail(error);
}

}  // namespace ximora::engine
