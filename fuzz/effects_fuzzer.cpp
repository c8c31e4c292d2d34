// Drives random effects with random parameters and areas over small images of every depth.
// Besides the sanitizers' checks it asserts the effects' promises: a failure changes nothing,
// pixels outside the area stay as they were, and one worker gives the same result as several.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/core/parallel.h"
#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"

using namespace ximora::engine;

namespace {

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int16_t word() { return int16_t(byte() | (byte() << 8)); }
    // Mostly values near the useful range, sometimes anything at all.
    double real() { return byte() == 255 ? double(word()) * 1e3 : word() / 100.0; }

  private:
    const uint8_t* data_;
    size_t size_, pos_ = 0;
};

bool sameRaster(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() ||
        a.bitsPerPixel() != b.bitsPerPixel() || a.palette != b.palette)
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), size_t(a.width() * a.bytesPerPixel())) != 0)
            return false;
    return true;
}

bool apply(int which, Reader& in, Image& image, const Area& area) {
    switch (which) {
        case 0:
            return emboss(image, area, {in.byte() % 9, in.byte() % 7, in.word() % 300});
        case 1:
            return mosaic(image, area, {in.word() % 40, in.word() % 40});
        case 2:
            return contour(image, area, {in.byte() % 5, in.byte() % 4, in.word() % 120});
        case 3:
            return motionBlur(image, area, {in.byte() % 4, in.word() % 300, in.word()});
        case 4:
            return wave(
                image, area,
                {in.byte() % 3, in.byte() % 3, in.word(), in.word(), in.real(), in.byte() % 3});
        case 5:
            return ripple(image, area,
                          {in.real(), in.real(), in.real(), in.real(), bool(in.byte() & 1)});
        case 6:
            return swirl(image, area, {in.real() * 10, in.real(), in.real()});
        case 7:
            return lens(image, area,
                        {in.real(), bool(in.byte() & 1),
                         Colour{in.byte(), in.byte(), in.byte(), in.byte()}});
        default:
            return canvas(image, area, {in.byte() % 5, in.word() % 300});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    const int width = 1 + in.byte() % 24, height = 1 + in.byte() % 24;
    static const int depths[] = {1, 4, 8, 16, 24, 32};
    const int depth = depths[in.byte() % 6];
    const int which = in.byte() % 9;
    Area area;
    const int kind = in.byte() % 3;
    if (kind > 0) {
        std::vector<Point> polygon(3 + in.byte() % 3);
        for (Point& p : polygon) p = {in.word() % 80, in.word() % 80};
        area = kind == 1 ? Area::inside(polygon) : Area::outside(polygon);
    }

    Image image;
    if (!image.allocate(width, height, depth)) return 0;
    if (depth <= 8) {
        image.palette.resize(size_t(1) << depth);
        for (Colour& c : image.palette) c = {in.byte(), in.byte(), in.byte(), 255};
    }
    const int limit = depth <= 8 ? 1 << depth : 256;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * image.bytesPerPixel(); ++x)
            image.row(y)[x] = uint8_t(in.byte() % limit);
    const Image before = image;

    // The parameters are read twice from the same bytes, for one worker and for three.
    Reader again = in;
    Image single = image;
    setWorkerCount(1);
    const bool ok = apply(which, in, single, area);
    setWorkerCount(3);
    const bool okMany = apply(which, again, image, area);
    setWorkerCount(0);
    if (ok != okMany || !sameRaster(single, image)) std::abort();
    if (!ok) {
        if (!sameRaster(image, before)) std::abort();
        return 0;
    }
    // Palette and 16-bit images become 24-bit: outside the area the colours stay the same.
    const AreaMask mask(area, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!mask.contains(x, y) && !(image.pixel(x, y) == before.pixel(x, y))) std::abort();
    return 0;
}
