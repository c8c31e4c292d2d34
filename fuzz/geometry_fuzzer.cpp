// Drives the geometric and area operations with sizes, depths, angles, rectangles and polygons
// taken from the input, including 1-pixel images and polygons partly or wholly off the image.
// Any outcome is fine except a crash or a sanitizer report; a success must leave an image.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/corrections.h"
#include "engine/ops/pick_colour.h"
#include "engine/ops/tone.h"

using namespace ximora::engine;

namespace {

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int16_t signed16() { return int16_t(uint16_t(byte()) | uint16_t(byte()) << 8); }
    int range(int lo, int hi) {
        return lo + int(uint16_t(byte() | byte() << 8) % uint32_t(hi - lo + 1));
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

Image makeImage(Input& in) {
    static const int kDepths[] = {1, 4, 8, 16, 24, 32};
    const int bits = kDepths[in.byte() % 6];
    const bool grey = bits <= 8 && (in.byte() & 1);
    Image image;
    if (!image.allocate(in.range(1, 40), in.range(1, 40), bits, grey)) std::abort();
    const int entries = in.range(0, bits <= 8 ? 1 << bits : 0);  // palettes may be short
    for (int i = 0; i < entries; ++i)
        image.palette.push_back(Colour{in.byte(), in.byte(), in.byte(), 255});
    uint8_t seed = in.byte();
    const uint8_t limit = uint8_t(bits <= 8 ? (1 << bits) - 1 : 255);
    for (int y = 0; y < image.height(); ++y)
        for (size_t x = 0; x < size_t(image.width()) * size_t(image.bytesPerPixel()); ++x)
            image.row(y)[x] = uint8_t((seed = uint8_t(seed * 73 + 41)) & limit);
    return image;
}

Area makeArea(Input& in) {
    const int kind = in.byte() % 3;
    if (kind == 0) return Area::whole();
    std::vector<Point> points(size_t(in.range(0, 6)));
    for (Point& p : points) p = {in.range(-60, 100), in.range(-60, 100)};
    return kind == 1 ? Area::inside(points) : Area::outside(points);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    Image image = makeImage(in);
    for (int step = 0; step < 4; ++step) {
        bool ok = true;
        switch (in.byte() % 16) {
            case 0:
                ok = rotate(image, {in.signed16() * 3, bool(in.byte() & 1), bool(in.byte() & 1),
                                    Colour{in.byte(), 0, 255, 255}, bool(in.byte() & 1)});
                break;
            case 1:
                ok = resize(image, {in.range(0, 90), in.range(0, 90)});
                break;
            case 2:
                ok = trim(image, {in.range(-50, 60), in.range(-50, 60), in.range(-50, 60),
                                  in.range(-50, 60)});
                break;
            case 3:
                ok = turn(image, in.range(-5, 5));
                break;
            case 4:
                ok = flipHorizontal(image) && flipVertical(image);
                break;
            case 5: {
                const Image other = makeImage(in);
                ok = composite(image, other, in.range(-60, 60), in.range(-60, 60));
                break;
            }
            case 6:
                ok = adjustBrightness(image, makeArea(in),
                                      {in.range(-300, 300), in.range(-255, 255), 0});
                break;
            case 7:
                ok = adjustSaturation(image, makeArea(in), {in.range(-120, 1020)});
                break;
            case 8:
                ok = invertChannels(image, makeArea(in),
                                    {bool(in.byte() & 1), bool(in.byte() & 1), true});
                break;
            case 9: {
                ToneCurveParams p;
                for (int i = 0; i < 5; ++i)
                    p.inputs[size_t(i)] = in.range(-1, 256),
                    p.outputs[size_t(i)] = in.range(0, 255);
                p.space = in.byte() & 1 ? ToneSpace::YCrCb : ToneSpace::Rgb;
                ok = applyToneCurve(image, makeArea(in), p);
                break;
            }
            case 10:
                ok = fillArea(image, makeArea(in),
                              Colour{in.byte(), in.byte(), in.byte(), in.byte()});
                break;
            case 11:
                ok = blur(image, makeArea(in), {in.range(0, 21)});
                break;
            case 12:
                ok = sharpen(image, makeArea(in), {in.range(-1, 101)});
                break;
            case 13:
                ok = removeNoise(image, makeArea(in), {bool(in.byte() & 1), in.range(-1, 256)});
                break;
            case 14:
                ok = smoothEdges(image, makeArea(in));
                break;
            default: {
                Colour c;
                ok = pickColour(image, in.range(-2, 45), in.range(-2, 45), c) || true;
            }
        }
        if (ok && image.empty()) std::abort();
    }
    return 0;
}
