// HATCH groups as the DXF reference describes them: loops (92 type, then a polyline with 72,
// 73, 93 and vertices, or 93 edges of type 72), each followed by 97 and its source objects;
// then the style, the pattern (52, 41, 77) and 78 pattern lines (53, 43-46, 79 dashes of 49).
// https://help.autodesk.com/view/OARX/2024/ENU/?guid=GUID-C6C71CED-CE0F-4184-82A5-07AD6241F15B
#include "vector/dxf/dxf_hatch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <numbers>

#include "vector/scene/curves.h"

namespace ximora::vector {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr long kMaxLoops = 100'000;

class Cursor {
  public:
    explicit Cursor(const DxfGroups& groups) : groups_(groups) {}
    bool more() const { return at_ < groups_.size(); }
    int code() const { return more() ? groups_[at_].first : -1; }
    int codeAfter() const { return at_ + 1 < groups_.size() ? groups_[at_ + 1].first : -1; }
    void skip() { ++at_; }
    double number() {
        const double v = std::strtod(groups_[at_].second.c_str(), nullptr);
        ++at_;
        return v;
    }
    long whole() {
        const long v = std::strtol(groups_[at_].second.c_str(), nullptr, 10);
        ++at_;
        return v;
    }
    std::string text() { return groups_[at_++].second; }
    /// Reads the value when the next group has `code`.
    bool take(int code, double& v) {
        if (this->code() != code) return false;
        v = number();
        return true;
    }
    bool take(int code, long& v) {
        if (this->code() != code) return false;
        v = whole();
        return true;
    }

  private:
    const DxfGroups& groups_;
    size_t at_ = 0;
};

std::vector<Point> polylineLoop(Cursor& c) {
    long hasBulge = 0, closed = 0, count = 0;
    c.take(72, hasBulge);
    c.take(73, closed);
    c.take(93, count);
    struct Vertex {
        Point at;
        double bulge = 0;
    };
    std::vector<Vertex> vertices;
    while (c.code() == 10 || c.code() == 20 || c.code() == 42) {
        if (c.code() == 10)
            vertices.push_back({{c.number(), 0}, 0});
        else if (vertices.empty())
            c.skip();
        else if (c.code() == 20)
            vertices.back().at.y = c.number();
        else
            vertices.back().bulge = c.number();
    }
    std::vector<Point> ring;
    if (vertices.empty()) return ring;
    ring.push_back(vertices.front().at);
    for (size_t i = 0; i < vertices.size(); ++i) {
        const bool last = i + 1 == vertices.size();
        appendBulge(ring, vertices[i].at, vertices[last ? 0 : i + 1].at, vertices[i].bulge);
    }
    return ring;
}

/// An arc edge (circular when `major` is (radius, 0) and `ratio` 1) from `start` to `end`
/// degrees; a clockwise one states its angles mirrored.
void arcEdge(std::vector<Point>& ring, Point centre, Point major, double ratio, double start,
             double end, bool ccw) {
    std::vector<Point> arc;
    if (std::fabs(end - start) >= 360) end = start;  // the whole ellipse
    if (ccw) {
        appendEllipseArc(arc, centre, major, ratio, start * kDegree, end * kDegree);
    } else {
        appendEllipseArc(arc, centre, major, ratio, -end * kDegree, -start * kDegree);
        std::reverse(arc.begin(), arc.end());
    }
    ring.insert(ring.end(), arc.begin(), arc.end());
}

void splineEdge(Cursor& c, std::vector<Point>& ring, size_t maxPoints) {
    long degree = 3, rational = 0, periodic = 0, knotCount = 0, controlCount = 0;
    c.take(94, degree);
    c.take(73, rational);
    c.take(74, periodic);
    c.take(95, knotCount);
    c.take(96, controlCount);
    std::vector<double> knots, weights;
    std::vector<Point> controls, fits;
    while (c.code() == 40) knots.push_back(c.number());
    while (c.code() == 10 || c.code() == 20 || c.code() == 42) {
        if (c.code() == 10)
            controls.push_back({c.number(), 0});
        else if (controls.empty())
            c.skip();
        else if (c.code() == 20)
            controls.back().y = c.number();
        else
            weights.push_back(c.number());
    }
    // The fit data of newer files; a 97 followed by anything else ends the loop's edges.
    if (c.code() == 97 && (c.codeAfter() == 11 || c.codeAfter() == 12 || c.codeAfter() == 13)) {
        c.skip();
        while (c.code() == 11 || c.code() == 21) {
            if (c.code() == 11)
                fits.push_back({c.number(), 0});
            else if (fits.empty())
                c.skip();
            else
                fits.back().y = c.number();
        }
        while (c.code() == 12 || c.code() == 22 || c.code() == 13 || c.code() == 23) c.skip();
    }
    if (weights.size() != controls.size()) weights.clear();
    if (!appendBSpline(ring, int(degree), controls, knots, weights, maxPoints))
        appendThroughPoints(ring, fits.empty() ? controls : fits, maxPoints);
}

bool edgeLoop(Cursor& c, std::vector<Point>& ring, size_t maxPoints) {
    long edges = 0;
    c.take(93, edges);
    for (long e = 0; e < edges && c.code() == 72; ++e) {
        const long type = c.whole();
        double x = 0, y = 0, x2 = 0, y2 = 0, radius = 0, start = 0, end = 0;
        long ccw = 1;
        switch (type) {
            case 1:  // line
                c.take(10, x), c.take(20, y), c.take(11, x2), c.take(21, y2);
                ring.push_back({x, y});
                ring.push_back({x2, y2});
                break;
            case 2:  // circular arc
                c.take(10, x), c.take(20, y), c.take(40, radius), c.take(50, start),
                    c.take(51, end), c.take(73, ccw);
                arcEdge(ring, {x, y}, {radius, 0}, 1, start, end, ccw != 0);
                break;
            case 3:  // elliptic arc: the major axis end relative to the centre
                c.take(10, x), c.take(20, y), c.take(11, x2), c.take(21, y2), c.take(40, radius),
                    c.take(50, start), c.take(51, end), c.take(73, ccw);
                arcEdge(ring, {x, y}, {x2, y2}, radius, start, end, ccw != 0);
                break;
            case 4:
                splineEdge(c, ring, maxPoints);
                break;
            default:
                return false;
        }
        if (ring.size() > maxPoints) return false;
    }
    return true;
}

}  // namespace

bool readDxfHatch(const DxfGroups& groups, size_t maxPoints, DxfHatch& out) {
    out = {};
    Cursor c(groups);
    long solid = 0;
    while (c.more() && c.code() != 91) {
        if (c.code() == 2)
            out.pattern = c.text();
        else if (c.code() == 70)
            solid = c.whole();
        else
            c.skip();
    }
    long loops = 0;
    if (!c.take(91, loops) || loops < 0 || loops > kMaxLoops) return false;
    out.loopCount = int(loops);
    size_t points = 0;
    for (long l = 0; l < loops && c.code() == 92; ++l) {
        const long type = c.whole();
        std::vector<Point> ring;
        if (type & 2) {
            ring = polylineLoop(c);
        } else if (!edgeLoop(c, ring, maxPoints - std::min(points, maxPoints))) {
            return false;
        }
        long sources = 0;
        if (c.take(97, sources))
            while (c.code() == 330) c.skip();
        points += ring.size();
        if (points > maxPoints) return false;
        out.fill.rings.push_back(std::move(ring));
    }
    // The pattern lines follow the loops.
    double angle = 0, scale = 1;
    while (c.more()) {
        const int code = c.code();
        if (code == 52) {
            angle = c.number();
        } else if (code == 41) {
            scale = c.number();
        } else if (code == 53) {
            HatchLines line;
            line.angle = c.number() * kDegree;
            double bx = 0, by = 0, ox = 0, oy = 0;
            c.take(43, bx), c.take(44, by), c.take(45, ox), c.take(46, oy);
            line.origin = {bx, by};
            // The offset is from one line to the next; its part across the lines is the spacing.
            line.spacing = std::fabs(-std::sin(line.angle) * ox + std::cos(line.angle) * oy);
            out.fill.hatches.push_back(line);
        } else {
            c.skip();
        }
    }
    out.fill.solid = solid != 0;
    if (!out.fill.solid && out.fill.hatches.empty()) {
        // A pattern without its lines: plain lines, as the pattern's angle and scale say.
        HatchLines line;
        line.angle = (45 + angle) * kDegree;
        line.spacing = 3 * (sensible(scale) && scale > 0 ? scale : 1);
        out.fill.hatches.push_back(line);
    }
    return true;
}

}  // namespace ximora::vector
