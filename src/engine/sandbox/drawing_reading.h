#pragma once
// Drawings (WMF, EMF, DXF, SVG, SXF) read in a confined worker. The engine reads no drawing
// itself: the drawing worker (ximora-draw, which links the vector layer and Qt) installs the
// vector layer's reader here, and the program asks it through workerDrawing(), as it asks the
// decode workers for pictures. The libraries behind drawings (libwmf, libemf2svg, dxflib,
// librsvg) are the least tried of all the program uses.

#include <cstdint>
#include <string>

#include "engine/core/image.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

/// What is asked of a drawing. Neither a size nor a square: its facts only.
struct DrawingAsk {
    /// The kind, as the file name's extension says it ("WMF", "EMF", "DXF", "SVG", "SFC", "P21").
    std::string kind;
    /// The drawing painted at exactly this size over white (24-bit RGB).
    int width = 0, height = 0;
    /// Or fitted into a square of this many pixels, in its own proportions (a thumbnail).
    int fit = 0;
};

struct DrawingFacts {
    int width = 0, height = 0;  ///< the size the drawing states for itself, in pixels
    int skippedRecords = 0;     ///< records left out of the drawing (damaged, unknown)
};

/// Reads the drawing in `file`: its facts, and the picture asked for. False with the engine's
/// last error set and the user's message (UTF-8) in `message`.
using DrawingReader = bool (*)(ByteSource& file, const DrawingAsk& ask, DrawingFacts& facts,
                               Image& picture, std::string& message);

/// Installs the reader the drawing worker serves requests with.
void setDrawingReader(DrawingReader reader);
/// Reads through the installed reader; error 4 (not offered) without one.
bool readDrawingHere(ByteSource& file, const DrawingAsk& ask, DrawingFacts& facts, Image& picture,
                     std::string& message);

}  // namespace ximora::engine
