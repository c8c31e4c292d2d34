#pragma once
// A plane affine map, for placing parts of a drawing (figures, blocks, symbols) in it.

#include <cmath>

#include "vector/scene/scene.h"

namespace ximora::vector {

/// x' = a x + c y + tx, y' = b x + d y + ty.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    Point operator()(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    /// A direction (no translation).
    Point turn(Point v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
    /// This map followed by `outer`.
    Affine then(const Affine& outer) const {
        return {outer.a * a + outer.c * b,
                outer.b * a + outer.d * b,
                outer.a * c + outer.c * d,
                outer.b * c + outer.d * d,
                outer.a * tx + outer.c * ty + outer.tx,
                outer.b * tx + outer.d * ty + outer.ty};
    }
    /// How much lengths grow, on average over directions.
    double scale() const { return std::sqrt(std::fabs(a * d - b * c)); }
    bool mirrored() const { return a * d - b * c < 0; }

    /// Scaling by `sx`, `sy`, then turning by `angle` (radians), then moving to `at`.
    static Affine place(Point at, double angle, double sx, double sy) {
        const double cs = std::cos(angle), sn = std::sin(angle);
        return {cs * sx, sn * sx, -sn * sy, cs * sy, at.x, at.y};
    }
};

/// `label` placed by `place`: its point moved, its base line turned, its height and width
/// scaled along its own directions.
inline Label placed(Label label, const Affine& place) {
    const Point along = place.turn({std::cos(label.angle), std::sin(label.angle)});
    const Point up = place.turn({-std::sin(label.angle), std::cos(label.angle)});
    label.at = place(label.at);
    label.angle = std::atan2(along.y, along.x);
    label.height *= std::hypot(up.x, up.y);
    label.width *= std::hypot(along.x, along.y);
    return label;
}

/// `tiles` placed by `place`: its lattice point moved, its motif and lattice vectors turned and
/// scaled with the drawing.
inline TilePattern placed(TilePattern tiles, const Affine& place) {
    for (TilePattern::Segment& segment : tiles.motif)
        segment = {place.turn(segment.from), place.turn(segment.to)};
    tiles.origin = place(tiles.origin);
    tiles.step1 = place.turn(tiles.step1);
    tiles.step2 = place.turn(tiles.step2);
    return tiles;
}

}  // namespace ximora::vector
