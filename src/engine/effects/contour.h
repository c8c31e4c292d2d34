#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Contour: the edges of one plane of the picture, drawn as light lines on black.
struct ContourParams {
    /// Plane 0 to 3 whose edges are traced: 0 Yellow (the luminance, which yellows dominate),
    /// 1 Red, 2 Green, 3 Blue.
    int plane = 0;
    /// Matrix pattern 0 to 2: 0 difference (right and lower neighbours), 1 Roberts (the two
    /// diagonals), 2 Sobel (3 × 3, smoothest lines).
    int matrix = 0;
    /// Line brightness 0 to 100: the edge strength is multiplied by brightness / 10, so 10 draws
    /// a step of D as grey D, 100 ten times as bright, and 0 leaves only black.
    int brightness = 10;
};

/// Replaces the covered pixels by the line drawing (R = G = B; the alpha of 32-bit images is
/// kept). Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for values
/// out of range, kErrNoImage for an empty image; the image is unchanged then.
bool contour(Image& image, const Area& area, const ContourParams& params);

}  // namespace ximora::engine
