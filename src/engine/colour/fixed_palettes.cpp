#include "engine/colour/fixed_palettes.h"

namespace ximora::engine {

std::vector<Colour> standard16Palette() {
    return {{0, 0, 0, 255},       {128, 0, 0, 255},   {0, 128, 0, 255},   {128, 128, 0, 255},
            {0, 0, 128, 255},     {128, 0, 128, 255}, {0, 128, 128, 255}, {192, 192, 192, 255},
            {128, 128, 128, 255}, {255, 0, 0, 255},   {0, 255, 0, 255},   {255, 255, 0, 255},
            {0, 0, 255, 255},     {255, 0, 255, 255}, {0, 255, 255, 255}, {255, 255, 255, 255}};
}

std::vector<Colour> uniform256Palette() {
    std::vector<Colour> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[size_t(i)] = Colour{uint8_t((i >> 5) * 255 / 7), uint8_t(((i >> 2) & 7) * 255 / 7),
                                    uint8_t((i & 3) * 255 / 3), 255};
    return palette;
}

}  // namespace ximora::engine
