#pragma once
// Thumbnails of drawings for the engine's thumbnail producer, which paints no drawing itself:
// painted in the program, for when drawings are not read in the drawing worker.

#include <string>

#include "engine/core/image.h"

namespace ximora::vector {

/// The drawing at `path` (WMF, EMF, DXF, SVG, SXF, by its extension) as a thumbnail: 24-bit RGB,
/// its natural proportions fitted into a square of `size` pixels (1 to 65535), on white. The
/// drawing is painted at that size whatever size it claims. False with the engine's last
/// error set (16 vanished, 6 not a drawing, 17 damaged, 3 too large).
bool rasteriseDrawing(const std::string& path, int size, engine::Image& thumb);

/// Installs rasteriseDrawing() as the engine's drawing rasteriser. The program calls it once at
/// start-up, with a QGuiApplication in place (texts need fonts).
void installDrawingThumbnails();

}  // namespace ximora::vector
