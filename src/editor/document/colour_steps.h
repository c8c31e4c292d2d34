#pragma once
// Colour reduction as the editor's commands use it: error diffusion off for 2 and 16 colours
// and 16 grey levels, on otherwise, no fixed palette, threshold 128; 16 grey levels are reached
// through 256 grey levels.

#include "engine/core/image.h"

namespace ximora::editor {

/// Converts `image` to colour code 1, 4, 40, 8, 80, 16, 24 or 32. On failure the image is
/// unchanged and the engine's last error says why.
bool changeColourCode(engine::Image& image, int code);

/// Takes a palette image out of its palette for geometry: to 16 bits when every colour of the
/// palette has an exact 16-bit form (black and white, for one), otherwise to 24 bits, so that
/// a flip, turn or band removal never changes a colour. Failures as changeColourCode.
bool toGeometryDepth(engine::Image& image);

}  // namespace ximora::editor
