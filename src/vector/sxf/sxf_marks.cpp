#include "vector/sxf/sxf_marks.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string_view>

#include "vector/scene/curves.h"
#include "vector/sxf/ignoring_case.h"

namespace ximora::vector {

namespace {

constexpr double kDegree = std::numbers::pi / 180;

// SXF's terminator symbols, in the order of their names.
constexpr std::array<std::pair<std::string_view, SxfArrow>, 11> kArrows{{
    {"blanked arrow", SxfArrow::Blanked},
    {"blanked box", SxfArrow::BlankedBox},
    {"blanked dot", SxfArrow::BlankedDot},
    {"dimension origin", SxfArrow::Origin},
    {"filled box", SxfArrow::FilledBox},
    {"filled arrow", SxfArrow::Filled},
    {"filled dot", SxfArrow::FilledDot},
    {"integral symbol", SxfArrow::Open},
    {"open arrow", SxfArrow::Open},
    {"slash", SxfArrow::Slash},
    {"unfilled arrow", SxfArrow::Blanked},
}};

constexpr std::array<std::string_view, 7> kMarkers{"asterisk", "circle",   "dot", "plus",
                                                   "square",   "triangle", "x"};

std::vector<Point> circle(Point centre, double radius) {
    std::vector<Point> points;
    appendEllipseArc(points, centre, {radius, 0}, 1, 0, 0);
    return points;
}

void addOutline(SceneBuilder& out, std::vector<Point> ring, bool filled, const Stroke& stroke) {
    if (filled) {
        Fill fill;
        fill.solid = true;
        fill.colour = stroke.colour;
        fill.rings.push_back(ring);
        out.addFill(std::move(fill));
    }
    ring.push_back(ring.front());
    out.addPath({std::move(ring), stroke});
}

}  // namespace

SxfArrow sxfArrowOfCode(int code) {
    return code >= 1 && code <= int(kArrows.size()) ? kArrows[size_t(code - 1)].second
                                                    : SxfArrow::Open;
}

SxfArrow sxfArrowOfName(const std::string& name) {
    for (const auto& [arrowName, arrow] : kArrows)
        if (arrowName == name) return arrow;
    return SxfArrow::Open;
}

const std::vector<TilePattern::Segment>* sxfTileMotif(std::string_view name) {
    using Segment = TilePattern::Segment;
    // Bricks 200 long and 100 high, each course shifted by half a brick.
    static const std::vector<Segment> bricks{{{0, 0}, {200, 0}},
                                             {{200, 0}, {200, 100}},
                                             {{200, 100}, {0, 100}},
                                             {{100, 100}, {100, 200}}};
    // Interlocking stones, laid at 45°.
    static const std::vector<Segment> stones = [] {
        const std::vector<Segment> flat{{{0, 0}, {100, 0}},        {{100, -100}, {100, 100}},
                                        {{100, 100}, {300, 100}},  {{300, 100}, {300, 0}},
                                        {{300, 0}, {400, 0}},      {{200, 100}, {200, -200}},
                                        {{200, -100}, {300, -100}}};
        const double c = std::cos(45 * kDegree), s = std::sin(45 * kDegree);
        const auto turn = [&](Point p) { return Point{c * p.x - s * p.y, s * p.x + c * p.y}; };
        std::vector<Segment> turned;
        for (const Segment& segment : flat)
            turned.push_back({turn(segment.from), turn(segment.to)});
        return turned;
    }();
    if (equalsIgnoringCase(name, "sxf_hatch_style_7_symbol")) return &bricks;
    if (equalsIgnoringCase(name, "sxf_hatch_style_8_symbol")) return &stones;
    return nullptr;
}

int sxfMarkerOfName(const std::string& name) {
    for (size_t i = 0; i < kMarkers.size(); ++i)
        if (kMarkers[i] == name) return int(i) + 1;
    return 0;
}

void addSxfArrow(SceneBuilder& out, SxfArrow arrow, Point tip, Point tail, double size,
                 const Stroke& stroke) {
    const double length = std::hypot(tail.x - tip.x, tail.y - tip.y);
    if (!(length > 0) || !(size > 0) || !sensible(size)) return;
    // u along the body (away from the tip), v across it.
    const Point u{(tail.x - tip.x) / length, (tail.y - tip.y) / length}, v{-u.y, u.x};
    const auto at = [&](double along, double across) {
        return Point{tip.x + u.x * along * size + v.x * across * size,
                     tip.y + u.y * along * size + v.y * across * size};
    };
    switch (arrow) {
        case SxfArrow::Open:
            out.addPath({{at(1, 1.0 / 6), tip, at(1, -1.0 / 6)}, stroke});
            break;
        case SxfArrow::Filled:
        case SxfArrow::Blanked:
            addOutline(out, {tip, at(1, 1.0 / 6), at(1, -1.0 / 6)}, arrow == SxfArrow::Filled,
                       stroke);
            break;
        case SxfArrow::FilledDot:
        case SxfArrow::BlankedDot:
        case SxfArrow::Origin:
            addOutline(out, circle(tip, size / 4), arrow == SxfArrow::FilledDot, stroke);
            break;
        case SxfArrow::FilledBox:
        case SxfArrow::BlankedBox:
            addOutline(out, {at(-0.25, -0.25), at(-0.25, 0.25), at(0.25, 0.25), at(0.25, -0.25)},
                       arrow == SxfArrow::FilledBox, stroke);
            break;
        case SxfArrow::Slash:
            out.addPath({{at(0.35, 0.35), at(-0.35, -0.35)}, stroke});
            break;
    }
}

void addSxfMarker(SceneBuilder& out, int code, Point at, double angle, double size,
                  const Stroke& stroke) {
    if (!(size > 0) || !sensible(size)) return;
    const double h = size / 2, c = std::cos(angle), s = std::sin(angle);
    const auto p = [&](double x, double y) {
        return Point{at.x + (x * c - y * s) * h, at.y + (x * s + y * c) * h};
    };
    switch (code) {
        case 1:  // asterisk
            out.addPath({{p(-1, 0), p(1, 0)}, stroke});
            out.addPath({{p(-0.5, -0.87), p(0.5, 0.87)}, stroke});
            out.addPath({{p(-0.5, 0.87), p(0.5, -0.87)}, stroke});
            break;
        case 2:
            addOutline(out, circle(at, h), false, stroke);
            break;
        case 4:
            out.addPath({{p(-1, 0), p(1, 0)}, stroke});
            out.addPath({{p(0, -1), p(0, 1)}, stroke});
            break;
        case 5:
            addOutline(out, {p(-1, -1), p(1, -1), p(1, 1), p(-1, 1)}, false, stroke);
            break;
        case 6:
            addOutline(out, {p(-1, -0.58), p(1, -0.58), p(0, 1.15)}, false, stroke);
            break;
        case 7:
            out.addPath({{p(-1, -1), p(1, 1)}, stroke});
            out.addPath({{p(-1, 1), p(1, -1)}, stroke});
            break;
        default:  // 3 and anything unknown: a dot
            addOutline(out, circle(at, h / 3), true, stroke);
            break;
    }
}

Label sxfLabel(std::string text, Point at, double height, double width, double angleDegrees,
               double slantDegrees, int basePoint, int direction, Rgb colour) {
    Label label;
    label.text = std::move(text);
    label.at = at;
    label.height = height;
    label.width = width > 0 ? width : 0;
    label.angle = angleDegrees * kDegree;
    label.slant = std::fabs(slantDegrees) < 80 ? slantDegrees * kDegree : 0;
    const int index = basePoint >= 1 && basePoint <= 9 ? basePoint - 1 : 0;
    label.across = static_cast<Label::Across>(index % 3);
    label.up = index / 3 == 0   ? Label::Up::Bottom
               : index / 3 == 1 ? Label::Up::Middle
                                : Label::Up::Top;
    label.vertical = direction == 2;
    label.colour = colour;
    return label;
}

}  // namespace ximora::vector
