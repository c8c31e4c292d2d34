#pragma once
// Curves of the drawing formats turned into points: elliptic arcs, bulged polyline segments,
// B-splines (from control points or through fit points) and cubic Bézier chains.

#include <cstddef>
#include <vector>

#include "vector/scene/scene.h"

namespace ximora::vector {

/// Segments for a whole turn of a circle or an ellipse.
inline constexpr int kTurnSegments = 96;

/// Points of the ellipse around `centre` with the major half axis `major` and the minor one
/// `ratio` times as long (turned a quarter counter-clockwise from it), from parameter `t1` to
/// `t2` (radians) counter-clockwise; equal parameters give the whole ellipse. Both ends are
/// included. Nothing for values that are not finite.
void appendEllipseArc(std::vector<Point>& out, Point centre, Point major, double ratio, double t1,
                      double t2);

/// Points from `a` to `b` along a polyline segment with `bulge` (the tangent of a quarter of
/// its included angle, counter-clockwise when above 0), without `a`.
void appendBulge(std::vector<Point>& out, Point a, Point b, double bulge);

/// Points of a B-spline of `degree` (1 to 10) over `controls` with `knots` (non-decreasing,
/// controls + degree + 1 of them; empty: clamped and uniform) and `weights` (one per control
/// point, all above 0; empty: all 1). False for a spline that does not fit together; at most
/// `maxPoints` points.
bool appendBSpline(std::vector<Point>& out, int degree, const std::vector<Point>& controls,
                   std::vector<double> knots, const std::vector<double>& weights, size_t maxPoints);

/// Points of a smooth curve through every fit point (a natural cubic spline over the chord
/// lengths); at most `maxPoints`.
void appendThroughPoints(std::vector<Point>& out, const std::vector<Point>& fits, size_t maxPoints);

/// Points of a chain of cubic Bézier curves: start, control, control, end, control, control,
/// end... (3n + 1 points); false when the count does not fit.
bool appendBeziers(std::vector<Point>& out, const std::vector<Point>& chain, size_t maxPoints);

}  // namespace ximora::vector
