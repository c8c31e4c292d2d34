#include "engine/codecs/row_convert.h"

#include <cstring>

namespace ximora::engine {

void rowToRgb(const Image& image, int y, uint8_t* out) {
    const uint8_t* in = image.row(y);
    const int w = image.width();
    switch (image.bitsPerPixel()) {
        case 24:
            std::memcpy(out, in, size_t(w) * 3);
            return;
        case 32:
            for (int x = 0; x < w; ++x, in += 4, out += 3)
                out[0] = in[0], out[1] = in[1], out[2] = in[2];
            return;
        default:
            for (int x = 0; x < w; ++x, out += 3) {
                const Colour c = image.pixel(x, y);
                out[0] = c.r, out[1] = c.g, out[2] = c.b;
            }
    }
}

void rowToRgba(const Image& image, int y, uint8_t* out) {
    const int w = image.width();
    if (image.bitsPerPixel() == 32) {
        std::memcpy(out, image.row(y), size_t(w) * 4);
        return;
    }
    for (int x = 0; x < w; ++x, out += 4) {
        const Colour c = image.pixel(x, y);
        out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
    }
}

bool indexesAreGreyLevels(const Image& image) {
    const int bits = image.bitsPerPixel();
    if (bits > 8) return false;
    if (bits != 1 && !image.grey()) return false;
    const std::vector<Colour> ramp = greyPalette(bits);
    if (image.palette.size() != ramp.size()) return false;
    for (size_t i = 0; i < ramp.size(); ++i)
        if (image.palette[i].r != ramp[i].r || image.palette[i].g != ramp[i].g ||
            image.palette[i].b != ramp[i].b)
            return false;
    return true;
}

}  // namespace ximora::engine
