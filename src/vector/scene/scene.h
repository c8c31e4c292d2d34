#pragma once
// What the drawing readers (DXF, SXF) make of a file: filled areas, lines and texts with their
// colours, widths and dash patterns, in the drawing's own coordinates (y upwards). No Qt here,
// so that the readers and their fuzz harnesses stay plain C++; `SceneDrawing` paints it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ximora::vector {

struct Point {
    double x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// How a line is drawn.
struct Stroke {
    Rgb colour;
    double widthMm = 0;          ///< on paper, millimetres; 0 is the thinnest line shown
    std::vector<double> dashes;  ///< drawing units: dash, gap, dash, gap...; empty is solid
};

/// An open line through its points; a closed one repeats its first point at the end.
struct Path {
    std::vector<Point> points;
    Stroke stroke;
};

/// A family of parallel lines across a filled area.
struct HatchLines {
    Point origin;        ///< one of the lines passes through it
    double angle = 0;    ///< of the lines, radians counter-clockwise from the x axis
    double spacing = 0;  ///< between neighbouring lines, drawing units, above 0
    Stroke stroke;
};

/// A motif of line segments repeated over a filled area at the points of a lattice: bricks,
/// tiles and the like.
struct TilePattern {
    struct Segment {
        Point from, to;
    };
    std::vector<Segment> motif;  ///< drawing units, relative to a lattice point
    Point origin;                ///< one of the lattice points
    Point step1, step2;          ///< the lattice's two vectors, drawing units, not parallel
    Stroke stroke;
};

/// An area bounded by closed rings (the even-odd rule: a ring inside another makes a hole),
/// filled with a colour, with hatch lines, with repeated motifs, or any of them together.
struct Fill {
    std::vector<std::vector<Point>> rings;
    bool solid = false;
    Rgb colour;  ///< when solid
    std::vector<HatchLines> hatches;
    std::vector<TilePattern> tiles;
};

/// A text placed at a point.
struct Label {
    enum class Across { Left, Centre, Right };
    enum class Up { Baseline, Bottom, Middle, Top };
    Point at;                      ///< the alignment point
    double height = 0;             ///< of the characters, drawing units, above 0
    double width = 0;              ///< of the whole text when above 0 (it is stretched to it)
    double angle = 0;              ///< of the base line, radians counter-clockwise
    double slant = 0;              ///< of the characters, radians (oblique to the right)
    Across across = Across::Left;  ///< which part of the text sits at `at`
    Up up = Up::Baseline;
    bool vertical = false;  ///< characters stacked downwards instead of side by side
    std::string text;       ///< UTF-8, one line
    Rgb colour;
};

/// Everything drawable of one drawing. Fills are painted first, then lines, then texts.
struct Scene {
    std::vector<Fill> fills;
    std::vector<Path> paths;
    std::vector<Label> labels;
    /// Drawing units per millimetre on paper: converts the strokes' widths.
    double unitsPerMm = 1;
    /// The part of the drawing to show (drawing units); empty (min > max) until bound().
    Point min{1, 1}, max{0, 0};
    /// Records the reader left out and drew the rest without: damaged ones, features it does
    /// not know, and (counted as one) the part of a file cut short.
    int skipped = 0;
    bool empty() const { return min.x > max.x || min.y > max.y; }
    /// Sets min and max to the box around every point, fill and text anchor (with its height).
    void bound();
};

/// A count of the points a reader keeps, so that a forged file cannot make a drawing larger than
/// its limit.
class PointBudget {
  public:
    explicit PointBudget(size_t limit) : limit_(limit) {}
    /// Takes `points` from the budget; false (and exhausted from then on) when they do not fit.
    bool take(size_t points) {
        if (exhausted_ || points > limit_ - used_) {
            exhausted_ = true;
            return false;
        }
        used_ += points;
        return true;
    }
    /// For a caller that finds on its own that something will not fit.
    void exhaust() { exhausted_ = true; }
    /// Whether something was refused.
    bool exhausted() const { return exhausted_; }
    /// How many points are left.
    size_t left() const { return limit_ - used_; }

  private:
    size_t limit_;
    size_t used_ = 0;
    bool exhausted_ = false;
};

/// Adds to a scene within a point budget (paths, rings and texts together; a text counts as 2).
class SceneBuilder {
  public:
    explicit SceneBuilder(Scene& scene, size_t maxPoints = kDefaultMaxPoints)
        : scene_(scene), budget_(maxPoints) {}
    static constexpr size_t kDefaultMaxPoints = 4'000'000;

    /// Each drops what has fewer than 2 points (1 for a text) or a coordinate that is not a
    /// finite number of sensible size; false when the point limit was reached.
    bool addPath(Path path);
    bool addFill(Fill fill);
    bool addLabel(Label label);
    /// Whether anything was dropped because of the point limit.
    bool overflow() const { return budget_.exhausted(); }

  private:
    Scene& scene_;
    PointBudget budget_;
};

/// Whether `v` is a coordinate the readers keep: finite and below 1e12 in size.
bool sensible(double v);
inline bool sensible(Point p) { return sensible(p.x) && sensible(p.y); }

}  // namespace ximora::vector
