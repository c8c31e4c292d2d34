#pragma once
// Geometric operations: trimming, resizing, flips, turns and free rotation, and compositing.
// They work on the whole image. Unless stated otherwise, every depth is handled and kept:
// flips, turns, trimming and compositing copy pixels (palette indexes at 1/4/8 bits) and are
// lossless; resampling operations (resize, rotation by other angles) filter grey palette images
// by their grey levels and keep the palette, go through 8-bit RGB for 16 bits and pack back,
// and turn colour palette images into 24-bit images. Resolution, comment and metadata are kept.
// On failure (error 5 for a bad parameter, 24 without an image, 3 out of memory) the image is
// unchanged. None needs more memory than a small multiple (at most about three) of the larger of
// the image and its result.

#include "engine/core/image.h"

namespace ximora::engine {

/// A rectangle in image pixels; left and top inclusive, right and bottom exclusive, so its width
/// is right − left (the editor's selection rectangle).
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

/// Keeps the part of the image inside `rect`, clipped to the image. Error 5 when nothing of the
/// image is left.
bool trim(Image& image, const Rect& rect);

/// Resizes to width × height pixels (1 to 65535). Along an axis that shrinks, each new pixel is
/// the area-weighted mean of the old pixels it covers; along an axis that grows, bicubic
/// interpolation (Catmull–Rom). The same size leaves the image unchanged.
struct ResizeParams {
    int width = 0, height = 0;
};
bool resize(Image& image, const ResizeParams& params);

/// Mirror images: left ↔ right, top ↔ bottom. In place, exact.
bool flipHorizontal(Image& image);
bool flipVertical(Image& image);

/// Turns by quarter turns anticlockwise (1 = left 90°, 2 = 180°, 3 = right 90°; any integer,
/// taken modulo 4). Exact and lossless at every depth.
bool turn(Image& image, int quarterTurns);

/// Rotation by `angle` hundredths of a degree, positive anticlockwise (9000 = left 90°),
/// around the image centre, after the chosen mirrors. Multiples of 9000 are exact turns.
/// Other angles sample bilinearly; pixels that the rotated image does not cover get
/// `background`, and the image's edge is blended with it. `cutCorners` false: the canvas grows to
/// hold the whole rotated image; true: the canvas keeps its size and the corners are cut.
struct RotateParams {
    int angle = 0;
    bool mirrorLeftRight = false;
    bool mirrorTopBottom = false;
    Colour background{255, 255, 255, 255};
    bool cutCorners = false;
};
bool rotate(Image& image, const RotateParams& params);

/// Copies `source` onto `target` with its top-left corner at (x, y) of target (may be negative
/// or past the edges; only the overlap is copied). The target keeps its size and depth: equal
/// layouts copy bytes; otherwise colours are converted (for palette targets to the entry of the
/// same colour, a new entry while there is room, else the nearest). Alpha is copied, not blended.
bool composite(Image& target, const Image& source, int x, int y);

}  // namespace ximora::engine
