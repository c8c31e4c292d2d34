// The feature-comment form of SXF. Tables (layers, colours, line types, widths, fonts) may
// stand anywhere; every other feature belongs to the assembly whose record follows it: a
// composite curve (the connected curves just before it), a compound figure ("sfig_org"), or
// the drawing sheet, which closes what is left. Figures are placed by "sfig_locate" features,
// also inside other figures. Hatches and fills name their boundaries, composite curves, by
// their number inside the assembly that holds them.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <numbers>

#include "engine/core/error.h"
#include "vector/scene/affine.h"
#include "vector/scene/curves.h"
#include "vector/sxf/sfc_records.h"
#include "vector/sxf/sxf_marks.h"
#include "vector/sxf/sxf_reader.h"
#include "vector/sxf/sxf_tables.h"

namespace ximora::vector {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// Figures placed inside figures deeper than this are left out (a drawing needs a few levels).
constexpr int kMaxDepth = 16;
// Elements drawn, placements counted; a file that needs more is built to keep a reader busy
// (figures placing figures ten times over, six deep, with nothing visible in them).
constexpr size_t kMaxVisits = 20'000'000;
// Size of a point marker of scale 1, on paper.
constexpr double kMarkerMm = 1.5;
constexpr double kDefaultArrowMm = 3;

double number(const SfcRecord& r, size_t i) {
    double v = 0;
    return i < r.params.size() && sfcNumber(r.params[i], v) ? v : 0;
}
int whole(const SfcRecord& r, size_t i) {
    const double v = number(r, i);
    return std::isfinite(v) && std::fabs(v) < 1e9 ? int(std::lround(v)) : 0;
}
const std::string& text(const SfcRecord& r, size_t i) {
    static const std::string none;
    return i < r.params.size() ? r.params[i] : none;
}
Point point(const SfcRecord& r, size_t i) { return {number(r, i), number(r, i + 1)}; }

/// The points of a list of x and a list of y coordinates of equal length.
std::vector<Point> pointList(const SfcRecord& r, size_t xs, size_t ys) {
    const std::vector<double> x = sfcList(text(r, xs)), y = sfcList(text(r, ys));
    std::vector<Point> points;
    if (x.size() != y.size()) return points;
    for (size_t i = 0; i < x.size(); ++i) points.push_back({x[i], y[i]});
    return points;
}

/// The boundary some CAD tools write into a solid fill itself instead of naming a composite
/// curve: a vertex count, then x1, y1, x2, y2... as parameters of their own, or the x and the y
/// coordinates as two lists. Empty when the record is of the usual form.
std::vector<Point> inlineRing(const SfcRecord& r) {
    if (r.name != "fill_area_style_colour_feature") return {};
    const int count = whole(r, 2);
    if (count < 3) return {};
    if (r.params.size() == 5 && text(r, 3).starts_with('(')) {
        std::vector<Point> ring = pointList(r, 3, 4);
        return ring.size() == size_t(count) ? ring : std::vector<Point>{};
    }
    if (r.params.size() != 3 + 2 * size_t(count)) return {};
    std::vector<Point> ring;
    for (size_t i = 3; i < r.params.size(); i += 2) ring.push_back(point(r, i));
    return ring;
}

bool near(Point a, Point b) {
    const double tolerance = 1e-6 * std::max({1.0, std::fabs(a.x), std::fabs(a.y)});
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance;
}

/// Points along a clothoid of parameter `a` from arc length `from` to `to`, starting at the
/// origin heading along x, turning left (or right when `clockwise`).
std::vector<Point> clothoid(double a, double from, double to, bool clockwise) {
    std::vector<Point> points;
    if (!(a > 0) || !sensible(a) || !sensible(from) || !sensible(to) || !(to > from)) return points;
    constexpr int kSteps = 64, kInner = 8;
    const double step = (to - from) / kSteps;
    // Integrate the heading s² / (2 a²) with the midpoint rule from 0 to `from`, then on.
    Point p{0, 0};
    const auto advance = [&](double s0, double length, int parts) {
        const double h = length / parts;
        for (int i = 0; i < parts; ++i) {
            const double s = s0 + (i + 0.5) * h, heading = s * s / (2 * a * a);
            p.x += h * std::cos(heading);
            p.y += h * std::sin(heading);
        }
    };
    advance(0, from, kSteps * kInner);
    points.push_back(p);
    for (int i = 0; i < kSteps; ++i) {
        advance(from + i * step, step, kInner);
        points.push_back(p);
    }
    if (clockwise)
        for (Point& q : points) q.y = -q.y;
    return points;
}

// The curve features curvePoints turns into points.
bool isCurve(const std::string& name) {
    for (const char* curve :
         {"line_feature", "polyline_feature", "circle_feature", "arc_feature", "ellipse_feature",
          "ellipse_arc_feature", "spline_feature", "clothoid_feature"})
        if (name == curve) return true;
    return false;
}

class SfcReader {
  public:
    SfcReader(std::vector<SfcRecord> records, Scene& out)
        : records_(std::move(records)), out_(out), builder_(out) {}

    bool read(SxfSheet& sheet);

  private:
    enum class Kind { Feature, Composite };
    struct Element {
        Kind kind = Kind::Feature;
        size_t index = 0;  ///< of the record, or of the composite curve
    };
    struct Composite {
        std::vector<size_t> members;  ///< records, in order along the curve
        int colour = 1, linetype = 1, width = 1;
        bool visible = true;
    };
    struct Figure {
        std::vector<Element> elements;
        int kind = 1;  ///< 1, 2 (a partial drawing; 2 in survey coordinates), 3 group, 4 part
    };

    void collect();
    void closeComposite(const SfcRecord& r);
    /// The points of a curve feature in its own coordinates; empty when it is none.
    std::vector<Point> curvePoints(const SfcRecord& r) const;
    std::vector<Point> ringOf(const Composite& composite) const;

    void emitFigure(const Figure& figure, const Affine& place, std::vector<std::string>& open);
    void emitFeature(const SfcRecord& r, const Figure& figure, const Affine& place,
                     std::vector<std::string>& open);
    void emitPath(std::vector<Point> points, const Affine& place, const Stroke& stroke);
    void emitLabel(Label label, const Affine& place);
    void emitArrow(int code, int way, Point tip, Point towards, double size, const Affine& place,
                   const Stroke& stroke);
    void emitText(const SfcRecord& r, size_t at, int colour, const Affine& place);
    void emitDimension(const SfcRecord& r, const Affine& place);
    void emitLeader(const SfcRecord& r, bool balloon, const Affine& place);
    void emitFill(const SfcRecord& r, const Figure& figure, const Affine& place);
    void emitSymbol(const SfcRecord& r, const Affine& place);

    std::vector<SfcRecord> records_;
    Scene& out_;
    SceneBuilder builder_;
    SxfTables tables_;
    std::vector<Composite> composites_;
    std::map<std::string, Figure> figures_;
    Figure sheetFigure_;
    SxfSheet sheet_;
    bool hasSheet_ = false;
    std::vector<Element> current_;  ///< elements since the last assembly
    size_t visits_ = 0;
};

void SfcReader::collect() {
    for (size_t i = 0; i < records_.size(); ++i) {
        const SfcRecord& r = records_[i];
        const std::string& n = r.name;
        if (n == "layer_feature") {
            tables_.addLayer(text(r, 0), whole(r, 1) != 0);
        } else if (n == "user_defined_colour_feature") {
            tables_.addColour({uint8_t(std::clamp(whole(r, 0), 0, 255)),
                               uint8_t(std::clamp(whole(r, 1), 0, 255)),
                               uint8_t(std::clamp(whole(r, 2), 0, 255))});
        } else if (n == "user_defined_font_feature") {
            tables_.addLinetype(sfcList(text(r, 2)));
        } else if (n == "width_feature") {
            tables_.addWidth(number(r, 0));
        } else if (n == "pre_defined_colour_feature" || n == "pre_defined_font_feature" ||
                   n == "text_font_feature" || n.starts_with("drawing_attribute") ||
                   n.starts_with("attribute_feature")) {
            // Named by SXF itself, or no drawing.
        } else if (n == "composite_curve_org_feature") {
            closeComposite(r);
        } else if (n == "sfig_org_feature") {
            figures_[text(r, 0)] = {std::move(current_), whole(r, 1)};
            current_.clear();
        } else if (n == "drawing_sheet_feature") {
            static constexpr double kA[5][2] = {
                {1189, 841}, {841, 594}, {594, 420}, {420, 297}, {297, 210}};
            const int type = whole(r, 1);
            if (type >= 0 && type <= 4) {
                sheet_ = {kA[type][0], kA[type][1]};
                if (whole(r, 2) == 0) std::swap(sheet_.width, sheet_.height);  // upright
            } else {
                sheet_ = {number(r, 3), number(r, 4)};
            }
            if (!(sheet_.width > 0) || !(sheet_.height > 0) || !sensible(sheet_.width) ||
                !sensible(sheet_.height))
                sheet_ = {};
            hasSheet_ = true;
            sheetFigure_.elements.insert(sheetFigure_.elements.end(), current_.begin(),
                                         current_.end());
            current_.clear();
        } else {
            current_.push_back({Kind::Feature, i});
        }
    }
    // What follows the sheet, or everything of a file without one, is drawn on the sheet.
    sheetFigure_.elements.insert(sheetFigure_.elements.end(), current_.begin(), current_.end());
    current_.clear();
}

std::vector<Point> SfcReader::curvePoints(const SfcRecord& r) const {
    std::vector<Point> points;
    const std::string& n = r.name;
    if (n == "line_feature") {
        points = {point(r, 4), point(r, 6)};
    } else if (n == "polyline_feature") {
        points = pointList(r, 5, 6);
    } else if (n == "circle_feature") {
        appendEllipseArc(points, point(r, 4), {number(r, 6), 0}, 1, 0, 0);
    } else if (n == "arc_feature") {
        const double start = number(r, 8) * kDegree, end = number(r, 9) * kDegree;
        if (whole(r, 7) == 1) {  // clockwise
            appendEllipseArc(points, point(r, 4), {number(r, 6), 0}, 1, end, start);
            std::reverse(points.begin(), points.end());
        } else {
            appendEllipseArc(points, point(r, 4), {number(r, 6), 0}, 1, start, end);
        }
    } else if (n == "ellipse_feature" || n == "ellipse_arc_feature") {
        const bool arc = n == "ellipse_arc_feature";
        const double rx = number(r, 6), ry = number(r, 7);
        const double turn = number(r, arc ? 9 : 8) * kDegree;
        if (!(rx > 0) || !sensible(ry)) return points;
        const Point major{rx * std::cos(turn), rx * std::sin(turn)};
        double start = 0, end = 0;
        if (arc) {
            start = number(r, 10) * kDegree;
            end = number(r, 11) * kDegree;
        }
        if (arc && whole(r, 8) == 1) {
            appendEllipseArc(points, point(r, 4), major, ry / rx, end, start);
            std::reverse(points.begin(), points.end());
        } else {
            appendEllipseArc(points, point(r, 4), major, ry / rx, start, end);
        }
    } else if (n == "spline_feature") {
        const std::vector<Point> chain = pointList(r, 6, 7);
        if (!appendBeziers(points, chain, SceneBuilder::kDefaultMaxPoints))
            appendThroughPoints(points, chain, SceneBuilder::kDefaultMaxPoints);
        if (whole(r, 4) == 0 && !points.empty() && !near(points.front(), points.back()))
            points.push_back(points.front());  // closed
    } else if (n == "clothoid_feature") {
        const Affine place = Affine::place(point(r, 4), number(r, 8) * kDegree, 1, 1);
        for (Point p : clothoid(number(r, 6), number(r, 9), number(r, 10), whole(r, 7) == 1))
            points.push_back(place(p));
    }
    return points;
}

void SfcReader::closeComposite(const SfcRecord& r) {
    // Its members are the curves just before it that join into one line, back to where the
    // line closes or the curves stop joining.
    Composite composite;
    composite.colour = whole(r, 0);
    composite.linetype = whole(r, 1);
    composite.width = whole(r, 2);
    composite.visible = whole(r, 3) != 0;
    Point head, tail;
    while (!current_.empty() && current_.back().kind == Kind::Feature) {
        const std::vector<Point> points = curvePoints(records_[current_.back().index]);
        if (points.size() < 2) break;
        if (!composite.members.empty()) {
            if (near(head, tail)) break;  // already closed
            const bool joins = near(points.back(), head) || near(points.front(), head) ||
                               near(points.back(), tail) || near(points.front(), tail);
            if (!joins) break;
            if (near(points.back(), head) || near(points.front(), head))
                head = near(points.back(), head) ? points.front() : points.back();
            else
                tail = near(points.front(), tail) ? points.back() : points.front();
        } else {
            head = points.front();
            tail = points.back();
        }
        composite.members.insert(composite.members.begin(), current_.back().index);
        current_.pop_back();
    }
    current_.push_back({Kind::Composite, composites_.size()});
    composites_.push_back(std::move(composite));
}

std::vector<Point> SfcReader::ringOf(const Composite& composite) const {
    std::vector<Point> ring;
    for (size_t member : composite.members) {
        std::vector<Point> points = curvePoints(records_[member]);
        if (points.empty()) continue;
        if (!ring.empty()) {
            const Point end = ring.back();
            const double toFront = std::hypot(points.front().x - end.x, points.front().y - end.y);
            const double toBack = std::hypot(points.back().x - end.x, points.back().y - end.y);
            if (toBack < toFront) std::reverse(points.begin(), points.end());
        } else if (composite.members.size() > 1) {
            // Start the way that leads on to the second curve.
            const std::vector<Point> next = curvePoints(records_[composite.members[1]]);
            if (!next.empty()) {
                const auto gap = [&](Point p) {
                    return std::min(std::hypot(p.x - next.front().x, p.y - next.front().y),
                                    std::hypot(p.x - next.back().x, p.y - next.back().y));
                };
                if (gap(points.front()) < gap(points.back()))
                    std::reverse(points.begin(), points.end());
            }
        }
        if (!ring.empty() && near(ring.back(), points.front())) ring.pop_back();
        ring.insert(ring.end(), points.begin(), points.end());
        if (ring.size() > SceneBuilder::kDefaultMaxPoints) break;
    }
    return ring;
}

void SfcReader::emitPath(std::vector<Point> points, const Affine& place, const Stroke& stroke) {
    for (Point& p : points) p = place(p);
    builder_.addPath({std::move(points), stroke});
}

void SfcReader::emitLabel(Label label, const Affine& place) {
    builder_.addLabel(placed(std::move(label), place));
}

void SfcReader::emitArrow(int code, int way, Point tip, Point towards, double size,
                          const Affine& place, const Stroke& stroke) {
    // 0: none, 1: the body lies towards the other end, 2: it points in from outside.
    if (way != 1 && way != 2) return;
    Point tail = place(towards);
    const Point at = place(tip);
    if (way == 2) tail = {2 * at.x - tail.x, 2 * at.y - tail.y};
    // Arrows keep their size on paper whatever the scale of the figure they are in.
    addSxfArrow(builder_, sxfArrowOfCode(code), at, tail,
                size > 0 && size < 100 ? size : kDefaultArrowMm, stroke);
}

void SfcReader::emitText(const SfcRecord& r, size_t at, int colour, const Affine& place) {
    // font, text, x, y, height, width, spacing, angle, slant, base point, direction
    emitLabel(sxfLabel(text(r, at + 1), point(r, at + 2), number(r, at + 4), number(r, at + 5),
                       number(r, at + 7), number(r, at + 8), whole(r, at + 9), whole(r, at + 10),
                       tables_.colour(colour)),
              place);
}

void SfcReader::emitDimension(const SfcRecord& r, const Affine& place) {
    const std::string& n = r.name;
    const Stroke stroke = tables_.stroke(whole(r, 1), whole(r, 2), whole(r, 3));
    const Stroke thin{stroke.colour, stroke.widthMm, {}};
    const bool round = n == "curve_dim_feature" || n == "angular_dim_feature";
    const bool single = n == "radius_dim_feature";
    const bool diameter = n == "diameter_dim_feature";
    // The dimension line: a segment, or an arc of a centre, radius and two angles.
    std::vector<Point> line;
    size_t i = 4;
    if (round) {
        appendEllipseArc(line, point(r, 4), {number(r, 6), 0}, 1, number(r, 7) * kDegree,
                         number(r, 8) * kDegree);
        i = 9;
    } else {
        line = {point(r, 4), point(r, 6)};
        i = 8;
    }
    if (line.size() < 2) return;
    emitPath(line, place, stroke);
    if (!single && !diameter) {
        // Two extension lines: a flag, a base point, a start and an end.
        for (int k = 0; k < 2; ++k, i += 7)
            if (whole(r, i) == 1) emitPath({point(r, i + 3), point(r, i + 5)}, place, thin);
    }
    // Arrows: code, way, tip, size; the body lies along the dimension line.
    const int arrows = single ? 1 : 2;
    for (int k = 0; k < arrows; ++k, i += 5) {
        const Point tip = point(r, i + 2);
        const bool atStart = std::hypot(tip.x - line.front().x, tip.y - line.front().y) <=
                             std::hypot(tip.x - line.back().x, tip.y - line.back().y);
        emitArrow(whole(r, i), whole(r, i + 1), tip, atStart ? line[1] : line[line.size() - 2],
                  number(r, i + 4), place, thin);
    }
    if (whole(r, i) == 1) emitText(r, i + 1, whole(r, 1), place);
}

void SfcReader::emitLeader(const SfcRecord& r, bool balloon, const Affine& place) {
    const Stroke stroke = tables_.stroke(whole(r, 1), whole(r, 2), whole(r, 3));
    const std::vector<Point> points = pointList(r, 5, 6);
    emitPath(points, place, stroke);
    size_t i = 7;
    if (balloon) {
        std::vector<Point> circle;
        appendEllipseArc(circle, point(r, 7), {number(r, 9), 0}, 1, 0, 0);
        emitPath(std::move(circle), place, stroke);
        i = 10;
    }
    // The arrow sits on the first point, its body along the first segment.
    if (points.size() >= 2 && whole(r, i) > 0)
        emitArrow(whole(r, i), 1, points[0], points[1], number(r, i + 1), place,
                  {stroke.colour, stroke.widthMm, {}});
    if (whole(r, i + 2) == 1) emitText(r, i + 3, whole(r, 1), place);
}

void SfcReader::emitSymbol(const SfcRecord& r, const Affine& place) {
    // (layer, whether the colour is given, colour, name, point, angle, scale); without a colour
    // of its own a symbol is drawn in black.
    const Stroke stroke{whole(r, 1) ? tables_.colour(whole(r, 2)) : Rgb{}, 0, {}};
    const std::string& name = text(r, 3);
    const Point at = point(r, 4);
    const double angle = number(r, 6) * kDegree, scale = number(r, 7);
    if (const int marker = sxfMarkerOfName(name)) {
        addSxfMarker(builder_, marker, place(at), angle, kMarkerMm * std::clamp(scale, 0.1, 20.0),
                     stroke);
    } else if (const auto* motif = sxfTileMotif(name)) {
        const Affine symbol = Affine::place(at, angle, scale, scale).then(place);
        for (const TilePattern::Segment& segment : *motif)
            emitPath({segment.from, segment.to}, symbol, stroke);
    } else {
        ++out_.skipped;  // a symbol this reader cannot draw: counted like an unknown feature
    }
}

void SfcReader::emitFill(const SfcRecord& r, const Figure& figure, const Affine& place) {
    // The boundary: an outer composite curve and holes, by their number in this figure, or, for
    // files that number them across the whole file, in the file.
    const std::string& n = r.name;
    size_t at = 2;  // where the outer curve's number stands
    if (n == "fill_area_style_hatching_feature") at = 2 + size_t(std::clamp(whole(r, 1), 0, 1000));
    const bool tiles = n.find("tiles") != std::string::npos;
    if (tiles) at = 12;
    std::vector<size_t> local;
    for (const Element& e : figure.elements)
        if (e.kind == Kind::Composite) local.push_back(e.index);
    const auto composite = [&](int code) -> const Composite* {
        if (code >= 1 && size_t(code) <= local.size()) return &composites_[local[size_t(code - 1)]];
        if (code >= 1 && size_t(code) <= composites_.size()) return &composites_[size_t(code - 1)];
        return nullptr;
    };
    Fill fill;
    if (std::vector<Point> corners = inlineRing(r); !corners.empty()) {
        fill.rings.push_back(std::move(corners));
    } else {
        std::vector<int> codes{whole(r, at)};
        for (double hole : sfcList(text(r, at + 2))) codes.push_back(int(hole));
        for (int code : codes)
            if (const Composite* c = composite(code)) fill.rings.push_back(ringOf(*c));
    }
    if (fill.rings.empty()) return;
    for (auto& ring : fill.rings)
        for (Point& p : ring) p = place(p);
    const auto hatch = [&](int colour, int linetype, int width, Point origin, double spacing,
                           double angle) {
        HatchLines line;
        line.stroke = tables_.stroke(colour, linetype, width);
        line.origin = place(origin);
        const Point along = place.turn({std::cos(angle), std::sin(angle)});
        line.angle = std::atan2(along.y, along.x);
        line.spacing = spacing * place.scale();
        fill.hatches.push_back(line);
    };
    if (n == "fill_area_style_colour_feature") {
        fill.solid = true;
        fill.colour = tables_.colour(whole(r, 1));
    } else if (n == "fill_area_style_hatching_feature") {
        for (size_t k = 2; k < at; ++k) {
            const std::vector<double> v = sfcList(text(r, k));  // colour, type, width, x, y,
            if (v.size() >= 7)                                  // spacing, angle
                hatch(int(v[0]), int(v[1]), int(v[2]), {v[3], v[4]}, v[5], v[6] * kDegree);
        }
    } else if (const auto* motif = tiles ? sxfTileMotif(text(r, 1)) : nullptr) {
        // A predefined symbol scaled and turned, repeated along two vectors.
        TilePattern pattern;
        const Affine shape =
            Affine::place({}, number(r, 11) * kDegree, number(r, 9), number(r, 10));
        for (const TilePattern::Segment& segment : *motif)
            pattern.motif.push_back({shape(segment.from), shape(segment.to)});
        pattern.origin = point(r, 3);
        const auto step = [&](double length, double degrees) {
            return Point{length * std::cos(degrees * kDegree),
                         length * std::sin(degrees * kDegree)};
        };
        pattern.step1 = step(number(r, 5), number(r, 6));
        pattern.step2 = step(number(r, 7), number(r, 8));
        pattern.stroke = tables_.stroke(whole(r, 2), 1, 1);
        fill.tiles.push_back(placed(std::move(pattern), place));
    } else {
        // A pattern SXF defines elsewhere: lines at 45°, 3 mm apart on paper.
        hatch(tiles ? whole(r, 2) : 1, 1, 1, {0, 0}, 3 / std::max(place.scale(), 1e-9),
              45 * kDegree);
    }
    builder_.addFill(std::move(fill));
}

void SfcReader::emitFeature(const SfcRecord& r, const Figure& figure, const Affine& place,
                            std::vector<std::string>& open) {
    const std::string& n = r.name;
    if (!tables_.layerVisible(whole(r, 0))) return;
    if (n == "sfig_locate_feature") {
        const auto found = figures_.find(text(r, 1));
        // A figure placing itself, directly or through others, is drawn once.
        if (found == figures_.end() || int(open.size()) >= kMaxDepth ||
            std::find(open.begin(), open.end(), found->first) != open.end())
            return;
        const Affine inner =
            Affine::place(point(r, 2), number(r, 4) * kDegree, number(r, 5), number(r, 6));
        // A partial drawing in survey coordinates is placed like any other: CAD tools write its
        // features already turned onto the sheet, and its placement's rotation orients it.
        open.push_back(found->first);
        emitFigure(found->second, inner.then(place), open);
        open.pop_back();
    } else if (n == "point_marker_feature") {
        addSxfMarker(builder_, whole(r, 4), place(point(r, 2)), number(r, 5) * kDegree,
                     kMarkerMm * std::clamp(number(r, 6), 0.1, 20.0),
                     {tables_.colour(whole(r, 1)), 0, {}});
    } else if (n == "externally_defined_symbol_feature" ||
               n == "symbol_externally_defined_feature") {
        emitSymbol(r, place);
    } else if (n == "text_string_feature") {
        emitText(r, 2, whole(r, 1), place);
    } else if (n.ends_with("_dim_feature")) {
        emitDimension(r, place);
    } else if (n == "label_feature" || n == "balloon_feature") {
        emitLeader(r, n == "balloon_feature", place);
    } else if (n.starts_with("fill_area_style") || n == "externally_defined_hatch_feature") {
        emitFill(r, figure, place);
    } else if (isCurve(n)) {
        std::vector<Point> points = curvePoints(r);
        if (points.size() >= 2)
            emitPath(std::move(points), place,
                     tables_.stroke(whole(r, 1), whole(r, 2), whole(r, 3)));
    } else {
        ++out_.skipped;  // a feature this reader does not know: counted, never dropped unsaid
    }
}

void SfcReader::emitFigure(const Figure& figure, const Affine& place,
                           std::vector<std::string>& open) {
    for (const Element& e : figure.elements) {
        if (builder_.overflow() || ++visits_ > kMaxVisits) return;
        if (e.kind == Kind::Feature) {
            emitFeature(records_[e.index], figure, place, open);
            continue;
        }
        const Composite& c = composites_[e.index];
        if (!c.visible) continue;
        const Stroke stroke = tables_.stroke(c.colour, c.linetype, c.width);
        for (size_t member : c.members)
            if (tables_.layerVisible(whole(records_[member], 0)))
                emitPath(curvePoints(records_[member]), place, stroke);
    }
}

bool SfcReader::read(SxfSheet& sheet) {
    collect();
    std::vector<std::string> open;
    emitFigure(sheetFigure_, Affine{}, open);
    if (builder_.overflow()) return engine::fail(engine::kErrMemory);
    sheet = hasSheet_ ? sheet_ : SxfSheet{};
    return true;
}

}  // namespace

bool readSfc(std::string_view text, Scene& out, SxfSheet& sheet) {
    out = {};
    sheet = {};
    std::vector<SfcRecord> records;
    int unreadable = 0;
    // A damaged record, or a file cut short, leaves out what it holds: the rest is drawn and
    // the count says how much was left out. Only a file with nothing to draw is refused.
    if (readSfcRecords(text, records, &unreadable) == SfcStatus::None)
        return engine::fail(engine::kErrBadFile);
    SfcReader reader(std::move(records), out);
    if (!reader.read(sheet)) {
        out = {};
        return false;
    }
    out.skipped += unreadable;
    if (unreadable > 0 && out.paths.empty() && out.fills.empty() && out.labels.empty()) {
        out = {};
        return engine::fail(engine::kErrFileBroken);
    }
    return true;
}

}  // namespace ximora::vector
