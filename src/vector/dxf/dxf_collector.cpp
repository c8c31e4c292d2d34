#include "vector/dxf/dxf_collector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ximora::vector {

namespace {

constexpr double kTurn = 2 * std::numbers::pi;
// Segments for a full turn of a circle or ellipse.
constexpr int kTurnSegments = 96;
// More copies than this of one insert are no drawing anyone made by hand.
constexpr long kMaxInsertCopies = 10'000;

bool finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e12; }
bool finite(DxfPoint p) { return finite(p.x) && finite(p.y); }
double radians(double degrees) { return degrees * std::numbers::pi / 180; }

/// Points along a bulged polyline segment (tangent of a quarter of its included angle) from
/// `a` to `b`, without `a`.
void appendBulge(DxfPoint a, DxfPoint b, double bulge, std::vector<DxfPoint>& out) {
    const double chord = std::hypot(b.x - a.x, b.y - a.y);
    if (chord == 0 || bulge == 0 || !finite(bulge)) {
        out.push_back(b);
        return;
    }
    // The centre lies off the chord's middle: to the left for a positive bulge up to a half
    // turn, to the right beyond it.
    const double sweep = 4 * std::atan(bulge);  // counter-clockwise when positive
    const double radius = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
    const double offset = chord / 2 * (1 - bulge * bulge) / (2 * bulge);
    const DxfPoint centre{(a.x + b.x) / 2 - (b.y - a.y) / chord * offset,
                          (a.y + b.y) / 2 + (b.x - a.x) / chord * offset};
    const double start = std::atan2(a.y - centre.y, a.x - centre.x);
    const int steps = std::max(2, int(std::ceil(kTurnSegments * std::fabs(sweep) / kTurn)));
    for (int i = 1; i < steps; ++i) {
        const double t = start + sweep * i / steps;
        out.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
    }
    out.push_back(b);
}

}  // namespace

bool DxfCollector::reserve(size_t points) {
    if (points > maxPoints_ - totalPoints_) {
        overflow_ = true;
        return false;
    }
    totalPoints_ += points;
    return true;
}

void DxfCollector::addBlock(const DL_BlockData& d) {
    finishPolyline();
    // A block defined again replaces the first definition.
    block_ = &(blocks_[d.name] = Part{});
    if (finite(DxfPoint{d.bpx, d.bpy})) block_->base = {d.bpx, d.bpy};
}

void DxfCollector::endBlock() {
    finishPolyline();
    block_ = nullptr;
}

void DxfCollector::addLine(const DL_LineData& d) { addPath({{d.x1, d.y1}, {d.x2, d.y2}}); }

void DxfCollector::addCircle(const DL_CircleData& d) {
    addCurve({d.cx, d.cy}, {d.radius, 0}, 1.0, 0, kTurn);
}

void DxfCollector::addArc(const DL_ArcData& d) {
    // A circle of radius r is the ellipse with major axis (r, 0) and ratio 1.
    addCurve({d.cx, d.cy}, {d.radius, 0}, 1.0, radians(d.angle1), radians(d.angle2));
}

void DxfCollector::addEllipse(const DL_EllipseData& d) {
    addCurve({d.cx, d.cy}, {d.mx, d.my}, d.ratio, d.angle1, d.angle2);
}

void DxfCollector::addCurve(DxfPoint centre, DxfPoint major, double ratio, double t1, double t2) {
    if (!finite(centre) || !finite(major) || !finite(ratio) || !finite(t1) || !finite(t2)) return;
    // Counter-clockwise from t1 to t2; equal angles mean the whole turn.
    t1 = std::fmod(t1, kTurn);
    double span = std::fmod(t2 - t1, kTurn);
    if (!(span > 1e-12)) span += kTurn;
    const DxfPoint minor{-major.y * ratio, major.x * ratio};
    const int steps = std::max(2, int(std::ceil(kTurnSegments * span / kTurn)));
    std::vector<DxfPoint> points;
    points.reserve(size_t(steps) + 1);
    for (int i = 0; i <= steps; ++i) {
        const double t = t1 + span * i / steps;
        points.push_back({centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
                          centre.y + major.y * std::cos(t) + minor.y * std::sin(t)});
    }
    addPath(std::move(points));
}

void DxfCollector::addPolyline(const DL_PolylineData& d) {
    finishPolyline();
    inPolyline_ = true;
    closed_ = (d.flags & 1) != 0;
}

void DxfCollector::addVertex(const DL_VertexData& d) {
    if (!inPolyline_) return;
    if (polyline_.size() >= maxPoints_ - totalPoints_) {
        overflow_ = true;
        return;
    }
    polyline_.push_back({{d.x, d.y}, d.bulge});
}

void DxfCollector::finishPolyline() {
    if (!inPolyline_) return;
    inPolyline_ = false;
    std::vector<Vertex> vertices = std::move(polyline_);
    polyline_.clear();
    if (vertices.size() < 2) return;
    std::vector<DxfPoint> points{vertices.front().at};
    const size_t segments = closed_ ? vertices.size() : vertices.size() - 1;
    for (size_t i = 0; i < segments; ++i) {
        const Vertex& from = vertices[i];
        appendBulge(from.at, vertices[(i + 1) % vertices.size()].at, from.bulge, points);
        if (points.size() > maxPoints_ - totalPoints_) {
            overflow_ = true;
            return;
        }
    }
    addPath(std::move(points));
}

void DxfCollector::addPath(std::vector<DxfPoint> points) {
    if (overflow_ || points.size() < 2) return;
    if (!std::all_of(points.begin(), points.end(), [](DxfPoint p) { return finite(p); })) return;
    if (!reserve(points.size())) return;
    target().paths.push_back(std::move(points));
}

void DxfCollector::addText(const DL_TextData& d) {
    addLabel({d.ipx, d.ipy}, d.height, d.angle, d.text);
}

void DxfCollector::addMText(const DL_MTextData& d) {
    // Formatting codes: "\P" ends a line, "\X...;" switches something, braces group.
    std::string plain;
    const std::string& text = d.text;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '}') continue;
        if (c == '\\' && i + 1 < text.size()) {
            const char code = text[++i];
            if (code == 'P')
                plain += ' ';
            else if (code == '\\' || code == '{' || code == '}')
                plain += code;
            else if (const size_t end = text.find(';', i); end != std::string::npos)
                i = end;
            else
                break;
            continue;
        }
        plain += c;
    }
    addLabel({d.ipx, d.ipy}, d.height, d.angle, std::move(plain));
}

void DxfCollector::addLabel(DxfPoint at, double height, double angle, std::string text) {
    if (text.empty() || !finite(at) || !finite(height) || height <= 0 || !finite(angle)) return;
    if (!reserve(2)) return;  // a text counts as its two corner points
    target().texts.push_back({at, height, angle, std::move(text)});
}

void DxfCollector::addInsert(const DL_InsertData& d) {
    if (overflow_) return;
    const auto found = blocks_.find(d.name);
    // A block cannot hold itself: an insert of the block being defined is left out.
    if (found == blocks_.end() || &found->second == block_) return;
    const Part block = found->second;  // a copy: target() may be the map's storage
    const long cols = std::max(1, d.cols), rows = std::max(1, d.rows);
    if (cols * rows > kMaxInsertCopies || !finite(d.ipx) || !finite(d.ipy) || !finite(d.sx) ||
        !finite(d.sy) || !finite(d.angle) || !finite(d.colSp) || !finite(d.rowSp))
        return;
    const double angle = radians(d.angle), c = std::cos(angle), s = std::sin(angle);
    const DxfPoint origin = block.base;
    for (long row = 0; row < rows; ++row) {
        for (long col = 0; col < cols; ++col) {
            const double ox = col * d.colSp, oy = row * d.rowSp;
            const auto place = [&](DxfPoint p) {
                const double x = (p.x - origin.x) * d.sx + ox, y = (p.y - origin.y) * d.sy + oy;
                return DxfPoint{d.ipx + x * c - y * s, d.ipy + x * s + y * c};
            };
            for (const auto& path : block.paths) {
                std::vector<DxfPoint> placed;
                placed.reserve(path.size());
                for (const DxfPoint& p : path) placed.push_back(place(p));
                addPath(std::move(placed));
            }
            for (const DxfText& text : block.texts)
                addLabel(place(text.at), text.height * std::fabs(d.sy), text.angle + angle,
                         text.text);
            if (overflow_) return;
        }
    }
}

void DxfCollector::finish() {
    finishPolyline();
    out_.paths = std::move(model_.paths);
    out_.texts = std::move(model_.texts);
    const auto grow = [this](DxfPoint p) {
        if (out_.empty()) {
            out_.min = out_.max = p;
            return;
        }
        out_.min = {std::min(out_.min.x, p.x), std::min(out_.min.y, p.y)};
        out_.max = {std::max(out_.max.x, p.x), std::max(out_.max.y, p.y)};
    };
    for (const auto& path : out_.paths)
        for (const DxfPoint& p : path) grow(p);
    for (const DxfText& text : out_.texts) {
        grow(text.at);
        grow({text.at.x, text.at.y + text.height});
    }
}

}  // namespace ximora::vector
