#include "engine/colour/srgb_conversion.h"

#include <string_view>

#include "engine/colour/colour_transform.h"

namespace ximora::engine {

bool profileDescribesPixels(const Image& image) {
    return profileDescribesPixels(image.metadata.icc, image.hasPalette() && image.grey());
}

bool profileDescribesPixels(const std::vector<uint8_t>& icc, bool greyPicture) {
    if (icc.size() < 20) return false;
    // The data colour space, bytes 16 to 19 of the profile's header.
    const std::string_view space(reinterpret_cast<const char*>(icc.data()) + 16, 4);
    if (space == "RGB ") return true;
    return space == "GRAY" && greyPicture;
}

void convertToSrgb(Image& image) {
    if (image.metadata.icc.empty() || image.empty()) return;
    const std::vector<uint8_t> profile = std::move(image.metadata.icc);
    image.metadata.icc.clear();
    const int bits = image.bitsPerPixel();
    if (bits == 24 || bits == 32) {
        const auto transform = ColourTransform::between(
            profile, {}, bits == 32 ? PixelLayout::Rgba : PixelLayout::Rgb);
        if (transform)
            transform->apply(image.data(), image.stride(), image.width(), image.height());
        return;
    }
    if (!image.hasPalette() || image.palette.empty()) return;
    const auto transform = ColourTransform::between(profile, {}, PixelLayout::Rgba);
    if (!transform) return;
    std::vector<uint8_t> entries;
    for (const Colour& c : image.palette) entries.insert(entries.end(), {c.r, c.g, c.b, c.a});
    transform->applyRow(entries.data(), int(image.palette.size()));
    bool changed = false;
    for (size_t i = 0; i < image.palette.size(); ++i) {
        const uint8_t* p = entries.data() + 4 * i;
        const Colour converted{p[0], p[1], p[2], p[3]};
        changed = changed || converted != image.palette[i];
        image.palette[i] = converted;
    }
    // A grey image's palette is its ramp of levels; a converted one is that no longer.
    if (changed) image.setGrey(false);
}

}  // namespace ximora::engine
