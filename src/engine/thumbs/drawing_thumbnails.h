#pragma once
// Thumbnails of drawings (WMF, EMF, DXF, SVG, SXF files). The engine reads no drawing itself:
// while drawings are read in the drawing worker, it paints them; otherwise the program installs
// a rasteriser of the vector layer at start-up.

#include <string>
#include <string_view>

#include "engine/core/image.h"

namespace ximora::engine {

/// Makes the thumbnail of the drawing at `path`: 24-bit RGB, the drawing fitted into a square
/// of `size` pixels on white. False with the engine's last error set. Called on worker threads,
/// several at once.
using DrawingRasteriser = bool (*)(const std::string& path, int size, Image& thumb);

/// Installs `rasteriser` for every later thumbnail (nullptr: none). Call before thumbnails are
/// made; it is read without a lock.
void setDrawingRasteriser(DrawingRasteriser rasteriser);

/// Whether the file name's extension is one of a drawing ("WMF;EMF;DXF;SVG;SFC;P21", any
/// case).
bool isDrawingFile(std::string_view path);

/// The thumbnail of a drawing from the drawing worker while one runs, else through the installed
/// rasteriser; kErrUnsupported without either.
bool drawingThumbnail(const std::string& path, int size, Image& thumb);

}  // namespace ximora::engine
