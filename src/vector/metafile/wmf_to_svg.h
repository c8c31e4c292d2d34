#pragma once
// libwmf's SVG device layer behind a plain interface: libwmf's headers define macros that
// clash with Qt's, so they stay inside wmf_to_svg.cpp.

#include <cstddef>
#include <string>

namespace ximora::vector {

/// The converted drawing: SVG text and the drawing's size at 96 dpi from its records.
struct WmfSvg {
    std::string svg;
    unsigned width = 0, height = 0;
};

enum class WmfResult { Ok, Broken, NoSize };

/// A box in pixels at 96 dpi.
struct WmfBox {
    double left = 0, top = 0, width = 0, height = 0;
};

/// Converts the WMF bytes; `stated` (the placeable header's box; all 0 for none, then the
/// records' box is used) sets the part shown and the SVG's size. The bytes are read only.
WmfResult wmfToSvg(const unsigned char* data, size_t size, const WmfBox& stated, WmfSvg& out);

}  // namespace ximora::vector
