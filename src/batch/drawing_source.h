#pragma once
// Drawings (WMF, EMF, DXF, SVG, SFC, P21) as pictures for ximora-batch: read and rasterised on
// white by the drawing worker (ximora-draw, whatever --no-sandbox says: ximora-batch carries no
// drawing library of its own), at the drawing's own size (96 pixels to the inch) or at a size
// or resolution the command gives.

#include <string>
#include <vector>

#include "engine/core/image.h"

namespace ximora::batch {

struct DrawingSize {
    int width = 0, height = 0;  ///< a size given (--size WxH); 0 for none
    int dpi = 0;                ///< a resolution given (--dpi N); 0 for the drawing's own 96

    bool givesPixels() const { return width > 0 && height > 0; }
};

/// Reads "--size WxH" and "--dpi N" at args[i] (advancing i past the value); true when args[i]
/// was one of them. A bad value sets `bad`.
bool takeDrawingSizeOption(const std::vector<std::string>& args, size_t& i, DrawingSize& size,
                           bool& bad);

/// Whether `path` names a drawing (by its extension).
bool isDrawing(const std::string& path);

/// The size the drawing states for itself, in pixels at 96 dpi; false with the user's message
/// (UTF-8; the reason, and the file's name on a line of its own) in `why`.
bool drawingNaturalSize(const std::string& path, int& width, int& height, std::string& why);

/// The drawing rendered over white into a 24-bit picture whose resolution says the size it was
/// drawn at; false with the user's message in `why`, as drawingNaturalSize's (a drawing that
/// cannot be read, a size past the memory budget). `skipped` (optional) receives the records of the
/// file left out of it.
bool rasteriseDrawing(const std::string& path, const DrawingSize& size, engine::Image& out,
                      std::string& why, int* skipped = nullptr);

/// The line that says a drawing was drawn without `skipped` of its records.
std::string skippedRecordsLine(const std::string& path, int skipped);

}  // namespace ximora::batch
