#pragma once
// Structural checks of Windows metafiles (WMF, EMF) before a converter library reads them: the
// header and every record must lie inside the file and the record chain must end properly, so
// that a damaged file is refused here with a clear reason instead of reaching the converter.

#include <cstddef>
#include <cstdint>

namespace ximora::vector {

/// The size a metafile states for itself, in pixels at 96 dots per inch; 0 when it states none.
struct MetafileExtent {
    int width = 0;
    int height = 0;
    /// Where the stated box starts (WMF only: the placeable header's left and top), same units.
    double left = 0, top = 0;
};

/// Checks a WMF (with or without the placeable header). The extent comes from the placeable
/// header's bounding box; a plain WMF states none. False with kErrBadFile (not a WMF) or
/// kErrFileBroken (a record outside the file, no end record).
bool checkWmf(const uint8_t* data, size_t size, MetafileExtent& out);

/// Checks an EMF. The extent comes from the header's frame (0.01 mm), or its bounds (device
/// pixels) when the frame is empty. False with kErrBadFile or kErrFileBroken as for checkWmf.
bool checkEmf(const uint8_t* data, size_t size, MetafileExtent& out);

}  // namespace ximora::vector
