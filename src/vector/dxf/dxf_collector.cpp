#include "vector/dxf/dxf_collector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "vector/scene/curves.h"

namespace ximora::vector {

namespace {

constexpr double kTurn = 2 * std::numbers::pi;
// More copies than this of one insert are no drawing anyone made by hand.
constexpr long kMaxInsertCopies = 10'000;
// Lines of a multi-line text are this many heights apart.
constexpr double kLineSpacing = 5.0 / 3.0;

double radians(double degrees) { return degrees * std::numbers::pi / 180; }

/// Placing a block: scaled about its base point, turned, moved to the insert's point.
struct Placement {
    Point base, at;
    double sx = 1, sy = 1, cos = 1, sin = 0;
    Point operator()(Point p) const {
        const double x = (p.x - base.x) * sx, y = (p.y - base.y) * sy;
        return {at.x + x * cos - y * sin, at.y + x * sin + y * cos};
    }
    double angle() const { return std::atan2(sin, cos); }
};

/// The lines of a multi-line text without its formatting codes: "\P" ends a line, "\X...;"
/// switches something, braces group.
std::vector<std::string> mtextLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '}') continue;
        if (c == '\\' && i + 1 < text.size()) {
            const char code = text[++i];
            if (code == 'P')
                lines.emplace_back();
            else if (code == '\\' || code == '{' || code == '}')
                lines.back() += code;
            else if (code == '~')
                lines.back() += ' ';
            else if (const size_t end = text.find(';', i); end != std::string::npos)
                i = end;
            else
                break;
            continue;
        }
        lines.back() += c;
    }
    return lines;
}

}  // namespace

DxfStyle DxfCollector::currentStyle() {
    const DL_Attributes a = getAttributes();
    DxfStyle style;
    style.layer = a.getLayer();
    style.aci = a.getColor();
    style.rgb = a.getColor24();
    style.weight = a.getWidth();
    style.linetype = a.getLinetype();
    const double scale = a.getLinetypeScale();
    style.linetypeScale = sensible(scale) && scale > 0 ? scale : 1;
    return style;
}

void DxfCollector::addLayer(const DL_LayerData& d) {
    DxfStyle style = currentStyle();
    if (d.off && style.aci > 0) style.aci = -style.aci;
    table_.addLayer(d.name, style, (d.flags & 1) != 0);
}

void DxfCollector::addLinetype(const DL_LinetypeData& d) {
    // dxflib reports the dashes of a line type before the line type itself.
    std::vector<double> dashes = std::move(dashes_);
    dashes_.clear();
    std::erase_if(dashes, [](double v) { return !sensible(v); });
    const bool visible = std::any_of(dashes.begin(), dashes.end(), [](double v) { return v != 0; });
    table_.addLinetype(d.name, visible ? dashes : std::vector<double>{});
}

void DxfCollector::setVariableDouble(const std::string& key, double value, int) {
    if (key == "$LTSCALE") table_.setGlobalLinetypeScale(value);
}

void DxfCollector::addBlock(const DL_BlockData& d) {
    finishPending();
    // A block defined again replaces the first definition.
    block_ = &(blocks_[d.name] = Part{});
    if (sensible(Point{d.bpx, d.bpy})) block_->base = {d.bpx, d.bpy};
}

void DxfCollector::endBlock() {
    finishPending();
    block_ = nullptr;
}

void DxfCollector::addPath(std::vector<Point> points) {
    if (budget_.exhausted() || points.size() < 2) return;
    if (!std::all_of(points.begin(), points.end(), [](Point p) { return sensible(p); })) return;
    if (!budget_.take(points.size())) return;
    target().paths.push_back({std::move(points), currentStyle()});
}

void DxfCollector::addFill(Fill fill) {
    size_t points = 0;
    for (const auto& ring : fill.rings) points += ring.size();
    if (fill.rings.empty() || !budget_.take(points)) return;
    target().fills.push_back({std::move(fill), currentStyle()});
}

void DxfCollector::addLabel(Label label) {
    if (label.text.empty() || !sensible(label.at) || !sensible(label.height) ||
        !(label.height > 0) || !sensible(label.angle) || !budget_.take(2))
        return;
    target().labels.push_back({std::move(label), currentStyle()});
}

void DxfCollector::addLine(const DL_LineData& d) {
    finishPending();
    addPath({{d.x1, d.y1}, {d.x2, d.y2}});
}

void DxfCollector::addCircle(const DL_CircleData& d) {
    finishPending();
    std::vector<Point> points;
    appendEllipseArc(points, {d.cx, d.cy}, {d.radius, 0}, 1, 0, kTurn);
    addPath(std::move(points));
}

void DxfCollector::addArc(const DL_ArcData& d) {
    finishPending();
    std::vector<Point> points;
    appendEllipseArc(points, {d.cx, d.cy}, {d.radius, 0}, 1, radians(d.angle1), radians(d.angle2));
    addPath(std::move(points));
}

void DxfCollector::addEllipse(const DL_EllipseData& d) {
    finishPending();
    std::vector<Point> points;
    appendEllipseArc(points, {d.cx, d.cy}, {d.mx, d.my}, d.ratio, d.angle1, d.angle2);
    addPath(std::move(points));
}

void DxfCollector::addPolyline(const DL_PolylineData& d) {
    finishPending();
    pending_.kind = Pending::Kind::Polyline;
    pending_.style = currentStyle();
    pending_.closed = (d.flags & 1) != 0;
}

void DxfCollector::addVertex(const DL_VertexData& d) {
    if (pending_.kind != Pending::Kind::Polyline) return;
    if (pending_.vertices.size() >= budget_.left()) {
        budget_.exhaust();
        return;
    }
    pending_.vertices.push_back({{d.x, d.y}, d.bulge});
}

void DxfCollector::addSpline(const DL_SplineData& d) {
    finishPending();
    pending_.kind = Pending::Kind::Spline;
    pending_.style = currentStyle();
    pending_.degree = int(std::min(d.degree, 100u));
    pending_.closed = (d.flags & 1) != 0;
}

void DxfCollector::addControlPoint(const DL_ControlPointData& d) {
    if (pending_.kind != Pending::Kind::Spline) return;
    pending_.controls.push_back({d.x, d.y});
    pending_.weights.push_back(d.w);
}

void DxfCollector::addFitPoint(const DL_FitPointData& d) {
    if (pending_.kind == Pending::Kind::Spline) pending_.fits.push_back({d.x, d.y});
}

void DxfCollector::addKnot(const DL_KnotData& d) {
    if (pending_.kind == Pending::Kind::Spline) pending_.knots.push_back(d.k);
}

void DxfCollector::finishPending() {
    Pending pending = std::move(pending_);
    pending_ = Pending{};
    std::vector<Point> points;
    const size_t room = budget_.left();
    if (pending.kind == Pending::Kind::Polyline) {
        const std::vector<Vertex>& vertices = pending.vertices;
        if (vertices.size() < 2) return;
        points.push_back(vertices.front().at);
        const size_t segments = pending.closed ? vertices.size() : vertices.size() - 1;
        for (size_t i = 0; i < segments; ++i) {
            appendBulge(points, vertices[i].at, vertices[(i + 1) % vertices.size()].at,
                        vertices[i].bulge);
            if (points.size() > room) {
                budget_.exhaust();
                return;
            }
        }
    } else if (pending.kind == Pending::Kind::Spline) {
        // Weights of 1 everywhere (or none stated) make an ordinary spline.
        std::vector<double> weights = pending.weights;
        if (std::all_of(weights.begin(), weights.end(), [](double w) { return w == 1; }))
            weights.clear();
        if (!appendBSpline(points, pending.degree, pending.controls, pending.knots, weights, room))
            appendThroughPoints(points, pending.fits.empty() ? pending.controls : pending.fits,
                                room);
        if (pending.closed && !points.empty() && !(points.front() == points.back()))
            points.push_back(points.front());
    } else {
        return;
    }
    if (points.size() < 2 || !budget_.take(points.size())) return;
    if (!std::all_of(points.begin(), points.end(), [](Point p) { return sensible(p); })) return;
    target().paths.push_back({std::move(points), pending.style});
}

void DxfCollector::addQuad(const DL_TraceData& d) {
    finishPending();
    // The corners come in the order 1, 2, 4, 3 around the area; a triangle repeats the third.
    Fill fill;
    fill.solid = true;
    fill.rings.push_back({{d.x[0], d.y[0]}, {d.x[1], d.y[1]}, {d.x[3], d.y[3]}, {d.x[2], d.y[2]}});
    if (!std::all_of(fill.rings[0].begin(), fill.rings[0].end(),
                     [](Point p) { return sensible(p); }))
        return;
    addFill(std::move(fill));
}

void DxfCollector::addSolid(const DL_SolidData& d) { addQuad(d); }
void DxfCollector::addTrace(const DL_TraceData& d) { addQuad(d); }

void DxfCollector::addHatch(const DL_HatchData& d) {
    finishPending();
    // dxflib reports the hatches in file order; one it skipped is passed over here.
    while (!hatches_.empty()) {
        DxfGroups groups = std::move(hatches_.front());
        hatches_.pop_front();
        DxfHatch hatch;
        if (!readDxfHatch(groups, budget_.left(), hatch)) continue;
        if (hatch.pattern != d.pattern || hatch.loopCount != d.numLoops) continue;
        addFill(std::move(hatch.fill));
        return;
    }
}

void DxfCollector::addText(const DL_TextData& d) {
    finishPending();
    Label label;
    label.text = d.text;
    label.height = d.height;
    label.angle = radians(d.angle);
    label.at = {d.ipx, d.ipy};
    // Justified texts hang from their second point: 72 across (left, centre, right, aligned,
    // middle, fit), 73 up (baseline, bottom, middle, top).
    const int across = d.hJustification, up = d.vJustification;
    if (across != 0 || up != 0) {
        const Point second{d.apx, d.apy};
        if (across == 3 || across == 5) {
            // Between the two points.
            const double length = std::hypot(second.x - d.ipx, second.y - d.ipy);
            if (length > 0) {
                label.width = length;
                label.angle = std::atan2(second.y - d.ipy, second.x - d.ipx);
            }
        } else {
            label.at = second;
            label.across = across == 2   ? Label::Across::Right
                           : across == 0 ? Label::Across::Left
                                         : Label::Across::Centre;
            label.up =
                across == 4 ? Label::Up::Middle : static_cast<Label::Up>(std::clamp(up, 0, 3));
        }
    }
    addLabel(std::move(label));
}

void DxfCollector::addMText(const DL_MTextData& d) {
    finishPending();
    // Attachment 1 to 9: top, middle, bottom rows of left, centre, right.
    const int attachment = std::clamp(d.attachmentPoint, 1, 9) - 1;
    const std::vector<std::string> lines = mtextLines(d.text);
    const double step = d.height * kLineSpacing;
    const double block = step * double(lines.size() - 1);
    // How far the first line's top lies above the attachment point.
    const double firstTop = attachment / 3 == 0   ? 0
                            : attachment / 3 == 1 ? (block + d.height) / 2
                                                  : block + d.height;
    // dxflib gives this angle in degrees (a single-line text's in radians).
    const double angle = radians(d.angle);
    const double c = std::cos(angle), s = std::sin(angle);
    for (size_t i = 0; i < lines.size(); ++i) {
        Label label;
        label.text = lines[i];
        label.height = d.height;
        label.angle = angle;
        label.across = static_cast<Label::Across>(attachment % 3);
        label.up = Label::Up::Top;
        const double down = double(i) * step - firstTop;
        label.at = {d.ipx + s * down, d.ipy - c * down};
        addLabel(std::move(label));
    }
}

void DxfCollector::addInsert(const DL_InsertData& d) {
    finishPending();
    if (budget_.exhausted()) return;
    const auto found = blocks_.find(d.name);
    // A block cannot hold itself: an insert of the block being defined is left out.
    if (found == blocks_.end() || &found->second == block_) return;
    const Part block = found->second;  // a copy: target() may be the map's storage
    const long cols = std::max(1, d.cols), rows = std::max(1, d.rows);
    if (cols * rows > kMaxInsertCopies || !sensible(d.ipx) || !sensible(d.ipy) || !sensible(d.sx) ||
        !sensible(d.sy) || !sensible(d.angle) || !sensible(d.colSp) || !sensible(d.rowSp))
        return;
    const DxfStyle insertStyle = currentStyle();
    Placement place;
    place.base = block.base;
    place.sx = d.sx;
    place.sy = d.sy;
    place.cos = std::cos(radians(d.angle));
    place.sin = std::sin(radians(d.angle));
    for (long row = 0; row < rows; ++row) {
        for (long col = 0; col < cols; ++col) {
            // Array copies step along the insert's turned axes.
            const double ox = col * d.colSp, oy = row * d.rowSp;
            place.at = {d.ipx + ox * place.cos - oy * place.sin,
                        d.ipy + ox * place.sin + oy * place.cos};
            for (const auto& [points, style] : block.paths) {
                if (!budget_.take(points.size())) return;
                std::vector<Point> placed;
                placed.reserve(points.size());
                for (Point p : points) placed.push_back(place(p));
                target().paths.push_back({std::move(placed), style.placedBy(insertStyle)});
            }
            for (const auto& [fill, style] : block.fills) {
                Fill placed = fill;
                size_t points = 0;
                for (auto& ring : placed.rings) {
                    for (Point& p : ring) p = place(p);
                    points += ring.size();
                }
                for (HatchLines& hatch : placed.hatches) {
                    hatch.origin = place(hatch.origin);
                    hatch.angle += place.angle();
                    hatch.spacing *= std::sqrt(std::fabs(place.sx * place.sy));
                }
                if (!budget_.take(points)) return;
                target().fills.push_back({std::move(placed), style.placedBy(insertStyle)});
            }
            for (const auto& [label, style] : block.labels) {
                if (!budget_.take(2)) return;
                Label placed = label;
                placed.at = place(label.at);
                placed.height *= std::fabs(place.sy);
                placed.width *= std::fabs(place.sx);
                placed.angle += place.angle();
                target().labels.push_back({std::move(placed), style.placedBy(insertStyle)});
            }
        }
    }
}

void DxfCollector::finish(Scene& out) {
    finishPending();
    SceneBuilder builder(out, maxPoints_);
    for (auto& [fill, style] : model_.fills) {
        if (!table_.visible(style)) continue;
        const Stroke stroke = table_.stroke(style);
        fill.colour = stroke.colour;
        for (HatchLines& hatch : fill.hatches) hatch.stroke.colour = stroke.colour;
        builder.addFill(std::move(fill));
    }
    for (auto& [points, style] : model_.paths)
        if (table_.visible(style)) builder.addPath({std::move(points), table_.stroke(style)});
    for (auto& [label, style] : model_.labels) {
        if (!table_.visible(style)) continue;
        label.colour = table_.stroke(style).colour;
        builder.addLabel(std::move(label));
    }
    model_ = Part{};
    if (builder.overflow()) overflow_ = true;
}

}  // namespace ximora::vector
