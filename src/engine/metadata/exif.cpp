#include "engine/metadata/exif.h"

#include <cmath>

#include "engine/metadata/tiff_structure.h"

namespace ximora::engine {
namespace {

constexpr uint16_t kTagOrientation = 274;
constexpr uint16_t kTagXResolution = 282;
constexpr uint16_t kTagYResolution = 283;
constexpr uint16_t kTagResolutionUnit = 296;

}  // namespace

int exifOrientation(const std::vector<uint8_t>& exif) {
    const TiffStructure block(exif.data(), exif.size());
    const int value = block.shortValue(kTagOrientation);
    return value >= 1 && value <= 8 ? value : 0;
}

bool setExifOrientation(std::vector<uint8_t>& exif, int orientation) {
    if (orientation < 1 || orientation > 8) return false;
    const TiffStructure block(exif.data(), exif.size());
    if (block.shortValue(kTagOrientation) == 0) return false;
    const uint64_t at = block.findEntry(kTagOrientation) + 8;
    exif[at] = block.little() ? uint8_t(orientation) : 0;
    exif[at + 1] = block.little() ? 0 : uint8_t(orientation);
    return true;
}

bool exifResolution(const std::vector<uint8_t>& exif, int& dpiX, int& dpiY) {
    const TiffStructure block(exif.data(), exif.size());
    const double x = block.rationalValue(kTagXResolution);
    const double y = block.rationalValue(kTagYResolution);
    if (x <= 0 || y <= 0 || x > 1e6 || y > 1e6) return false;
    const uint16_t unit = block.shortValue(kTagResolutionUnit);
    double scale = 1.0;  // the default unit is the inch
    if (unit == 3)
        scale = 2.54;
    else if (unit == 1)
        return false;  // no absolute unit
    dpiX = int(std::lround(x * scale));
    dpiY = int(std::lround(y * scale));
    return true;
}

}  // namespace ximora::engine
