#pragma once
// The part of an image a pixel operation works on: the whole image, or the inside or the
// outside of a polygon (the editor's ranges are four-point polygons).

#include <array>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

/// Region kind 1 = whole image, 2 = polygon; area code 1 = inside, 0 = outside the polygon.
struct Area {
    int regionKind = 1;
    int areaCode = 1;
    std::vector<Point> polygon;  ///< image pixels; four points for the editor's ranges

    static Area whole() { return {}; }
    static Area inside(std::vector<Point> points) { return {2, 1, std::move(points)}; }
    static Area outside(std::vector<Point> points) { return {2, 0, std::move(points)}; }
    bool isWhole() const { return regionKind != 2; }
};

/// Half-open run of covered pixels [x0, x1) in one row.
struct Span {
    int x0 = 0, x1 = 0;
};

/// The pixels an area covers on a width × height image. A pixel belongs to the polygon when its
/// centre lies inside it (even-odd rule); a polygon partly or wholly off the image is clipped.
class AreaMask {
  public:
    AreaMask(const Area& area, int width, int height);

    bool coversAll() const { return coversAll_; }
    /// Covered runs of row y, ascending and disjoint.
    const std::vector<Span>& spans(int y) const { return rows_[size_t(y)]; }
    bool contains(int x, int y) const;
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_, height_;
    bool coversAll_ = false;
    std::vector<std::vector<Span>> rows_;
};

/// After an operation computed on the whole image: copies every pixel that the area does not
/// cover from `before` back into `after` (same size and depth), so they stay bit-identical.
/// Returns false (error 5) when the images differ in size or depth.
bool restoreOutside(const AreaMask& mask, const Image& before, Image& after);

}  // namespace ximora::engine
