#include "vector/scene/scene_drawing.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "vector/vector_messages.h"

namespace ximora::vector {

namespace {

constexpr int kTextPixels = 100;  // texts are laid out at this size, then scaled
// A dash pattern shorter than this (pixels) is drawn as a solid line, and so is one that would
// repeat more often than kMaxDashes along a path: the stroker would spend long on dots no one
// can see.
constexpr double kMinDashPattern = 3;
constexpr double kMaxDashes = 100'000;
// Hatch lines closer than this (pixels) or more of them than kMaxHatchLines fill the area.
constexpr double kMinHatchSpacing = 1.5;
constexpr double kMaxHatchLines = 20'000;
// Tiles whose lattice cell is narrower than this (pixels), or more motif segments than
// kMaxTileSegments over the area, fill it: the motif could not be seen.
constexpr double kMinTileCell = 3;
constexpr double kMaxTileSegments = 200'000;

QColor colourOf(Rgb c) { return QColor(c.r, c.g, c.b); }
// Drawings made on dark screens draw in white; on the white page such lines and texts are black.
QColor inkOf(Rgb c) { return c == Rgb{255, 255, 255} ? QColor(Qt::black) : colourOf(c); }

/// Drawing units to page pixels.
class PageMap {
  public:
    PageMap(const Scene& scene, double width, double height, const QRectF& target)
        : min_(scene.min),
          max_(scene.max),
          left_(target.left()),
          top_(target.top()),
          sx_(target.width() / width),
          sy_(target.height() / height) {}
    QPointF operator()(Point p) const {
        return {left_ + (p.x - min_.x) * sx_, top_ + (max_.y - p.y) * sy_};
    }
    /// Pixels per drawing unit (the mean of both directions).
    double scale() const { return std::sqrt(sx_ * sy_); }
    double sx() const { return sx_; }
    double sy() const { return sy_; }

  private:
    Point min_, max_;
    double left_, top_, sx_, sy_;
};

QPainterPath pathOf(const std::vector<Point>& points, const PageMap& map) {
    QPainterPath path(map(points.front()));
    for (size_t i = 1; i < points.size(); ++i) path.lineTo(map(points[i]));
    return path;
}

double lengthOf(const QPainterPath& path) {
    double length = 0;
    for (int i = 1; i < path.elementCount(); ++i)
        length += std::hypot(path.elementAt(i).x - path.elementAt(i - 1).x,
                             path.elementAt(i).y - path.elementAt(i - 1).y);
    return length;
}

/// The pen of `stroke` for a path `length` pixels long.
QPen penOf(const Stroke& stroke, const Scene& scene, const PageMap& map, double length) {
    const double width = std::max(1.0, stroke.widthMm * scene.unitsPerMm * map.scale());
    QPen pen(inkOf(stroke.colour), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (stroke.dashes.empty()) return pen;
    // Qt wants dash, gap, dash, gap... in pen widths; the formats give dashes (above 0), gaps
    // (below 0) and dots (0), possibly several of one kind in a row.
    QList<qreal> pattern;
    double total = 0;
    for (double v : stroke.dashes) {
        const bool dash = v >= 0;
        const double pixels = std::fabs(v) * map.scale();
        const double widths = (dash ? std::max(pixels, 0.5) : pixels) / width;
        total += pixels;
        if (dash == (pattern.size() % 2 == 0)) {
            pattern.append(widths);
        } else if (pattern.isEmpty()) {  // it starts with a gap
            pattern.append(0);
            pattern.append(widths);
        } else {  // two of a kind in a row
            pattern.last() += widths;
        }
    }
    if (pattern.size() % 2) pattern.append(0.0001);
    if (!std::isfinite(total) || total < kMinDashPattern || length / total > kMaxDashes) return pen;
    pen.setDashPattern(pattern);
    return pen;
}

/// The corners of the box around a fill's rings: lowest, highest, and the two others.
std::array<Point, 4> cornersOf(const Fill& fill) {
    Point lo = fill.rings.front().front(), hi = lo;
    for (const auto& ring : fill.rings)
        for (Point p : ring) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
        }
    return {lo, hi, Point{lo.x, hi.y}, Point{hi.x, lo.y}};
}

void paintHatch(QPainter& painter, const Fill& fill, const HatchLines& hatch, const Scene& scene,
                const PageMap& map, const QPainterPath& area) {
    // Lines cover the area's box: their offsets along the normal, their extent along the line.
    const double dx = std::cos(hatch.angle), dy = std::sin(hatch.angle);
    double nMin = 1e300, nMax = -1e300, tMin = 1e300, tMax = -1e300;
    for (Point c : cornersOf(fill)) {
        const double rx = c.x - hatch.origin.x, ry = c.y - hatch.origin.y;
        nMin = std::min(nMin, -dy * rx + dx * ry);
        nMax = std::max(nMax, -dy * rx + dx * ry);
        tMin = std::min(tMin, dx * rx + dy * ry);
        tMax = std::max(tMax, dx * rx + dy * ry);
    }
    const double first = std::ceil(nMin / hatch.spacing), last = std::floor(nMax / hatch.spacing);
    if (hatch.spacing * map.scale() < kMinHatchSpacing || last - first > kMaxHatchLines) {
        painter.fillPath(area, inkOf(hatch.stroke.colour));
        return;
    }
    QPainterPath lines;
    for (double k = first; k <= last; ++k) {
        const Point base{hatch.origin.x - dy * k * hatch.spacing,
                         hatch.origin.y + dx * k * hatch.spacing};
        lines.moveTo(map({base.x + dx * tMin, base.y + dy * tMin}));
        lines.lineTo(map({base.x + dx * tMax, base.y + dy * tMax}));
    }
    painter.strokePath(lines, penOf(hatch.stroke, scene, map, (tMax - tMin) * map.scale()));
}

void paintTiles(QPainter& painter, const Fill& fill, const TilePattern& tiles, const Scene& scene,
                const PageMap& map, const QPainterPath& area) {
    // The lattice points whose motif can reach into the area's box: the box's corners in lattice
    // coordinates, widened by how far the motif reaches from its point.
    double reach = 0;
    for (const TilePattern::Segment& s : tiles.motif)
        reach = std::max({reach, std::hypot(s.from.x, s.from.y), std::hypot(s.to.x, s.to.y)});
    const Point u = tiles.step1, v = tiles.step2;
    const double det = u.x * v.y - u.y * v.x;
    double iMin = 1e300, iMax = -1e300, jMin = 1e300, jMax = -1e300;
    for (Point c : cornersOf(fill)) {
        const double rx = c.x - tiles.origin.x, ry = c.y - tiles.origin.y;
        const double i = (rx * v.y - ry * v.x) / det, j = (u.x * ry - u.y * rx) / det;
        iMin = std::min(iMin, i);
        iMax = std::max(iMax, i);
        jMin = std::min(jMin, j);
        jMax = std::max(jMax, j);
    }
    // A reach of r drawing units is at most r / (the cell's height across the other vector)
    // lattice steps.
    const double reachI = reach * std::hypot(v.x, v.y) / std::fabs(det);
    const double reachJ = reach * std::hypot(u.x, u.y) / std::fabs(det);
    const double iFirst = std::floor(iMin - reachI), iLast = std::ceil(iMax + reachI);
    const double jFirst = std::floor(jMin - reachJ), jLast = std::ceil(jMax + reachJ);
    const double segments =
        (iLast - iFirst + 1) * (jLast - jFirst + 1) * double(tiles.motif.size());
    const double cellPixels = std::min(std::hypot(u.x, u.y), std::hypot(v.x, v.y)) * map.scale();
    if (cellPixels < kMinTileCell || !(segments <= kMaxTileSegments)) {
        painter.fillPath(area, inkOf(tiles.stroke.colour));
        return;
    }
    QPainterPath lines;
    for (double i = iFirst; i <= iLast; ++i)
        for (double j = jFirst; j <= jLast; ++j) {
            const Point at{tiles.origin.x + i * u.x + j * v.x, tiles.origin.y + i * u.y + j * v.y};
            for (const TilePattern::Segment& s : tiles.motif) {
                lines.moveTo(map({at.x + s.from.x, at.y + s.from.y}));
                lines.lineTo(map({at.x + s.to.x, at.y + s.to.y}));
            }
        }
    painter.strokePath(lines, penOf(tiles.stroke, scene, map, cellPixels));
}

void paintFill(QPainter& painter, const Fill& fill, const Scene& scene, const PageMap& map) {
    QPainterPath area;
    area.setFillRule(Qt::OddEvenFill);
    for (const auto& ring : fill.rings) {
        area.addPath(pathOf(ring, map));
        area.closeSubpath();
    }
    if (fill.solid) painter.fillPath(area, colourOf(fill.colour));
    if (fill.hatches.empty() && fill.tiles.empty()) return;
    painter.save();
    painter.setClipPath(area, Qt::IntersectClip);
    for (const HatchLines& hatch : fill.hatches) paintHatch(painter, fill, hatch, scene, map, area);
    for (const TilePattern& tiles : fill.tiles) paintTiles(painter, fill, tiles, scene, map, area);
    painter.restore();
}

void paintLabel(QPainter& painter, const Label& label, const PageMap& map) {
    const double heightPixels = label.height * map.scale();
    if (heightPixels < 0.5) return;  // nothing anyone could read
    QFont font = painter.font();
    font.setPixelSize(kTextPixels);
    font.setStyleHint(QFont::SansSerif);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QString text = QString::fromUtf8(label.text.data(), qsizetype(label.text.size()));
    // The text's box at kTextPixels, one character per line when vertical.
    const double lineAdvance = metrics.ascent() + metrics.descent();
    const double natural = label.vertical ? metrics.maxWidth() : metrics.horizontalAdvance(text);
    const double along = label.vertical ? lineAdvance * text.size() : natural;
    double stretch = 1;
    if (label.width > 0 && along > 0 && !label.vertical)
        stretch = label.width * map.scale() / (along * heightPixels / kTextPixels);
    const double boxHeight = label.vertical ? along : lineAdvance;
    const double boxWidth = label.vertical ? natural : along;
    double x = 0;
    if (label.across == Label::Across::Centre) x = -boxWidth / 2;
    if (label.across == Label::Across::Right) x = -boxWidth;
    // y of the box's top below the anchor (page y downwards).
    double top = -metrics.ascent();
    switch (label.up) {
        case Label::Up::Baseline:
            top = -metrics.ascent();
            break;
        case Label::Up::Bottom:
            top = -boxHeight;
            break;
        case Label::Up::Middle:
            top = -boxHeight / 2;
            break;
        case Label::Up::Top:
            top = 0;
            break;
    }
    painter.save();
    painter.setPen(inkOf(label.colour));
    painter.translate(map(label.at));
    // The page flips y, so the drawing's counter-clockwise angle turns the other way here.
    const double sign = (map.sx() > 0) == (map.sy() > 0) ? -1 : 1;
    painter.rotate(sign * label.angle * 180 / std::numbers::pi);
    painter.scale(stretch * heightPixels / kTextPixels, heightPixels / kTextPixels);
    painter.shear(-std::tan(label.slant), 0);
    if (label.vertical) {
        double y = top;
        for (const QChar c : text) {
            const double w = metrics.horizontalAdvance(c);
            painter.drawText(QPointF(x + (boxWidth - w) / 2, y + metrics.ascent()), QString(c));
            y += lineAdvance;
        }
    } else {
        painter.drawText(QPointF(x, top + metrics.ascent()), text);
    }
    painter.restore();
}

}  // namespace

std::unique_ptr<SceneDrawing> SceneDrawing::create(Scene scene, double pixelsPerUnit, Widths widths,
                                                   QString& error) {
    const double width = scene.max.x - scene.min.x, height = scene.max.y - scene.min.y;
    if (!(width > 0) && !(height > 0)) {
        error = vectorNoSizeError();
        return nullptr;
    }
    const QSize natural = naturalSizeFor(width, height, pixelsPerUnit);
    if (widths == Widths::AtNaturalSize) {
        constexpr double kPixelsPerMm = 96 / 25.4;
        const double shown = natural.width() / std::max(width, std::max(width, height) / 100);
        scene.unitsPerMm = kPixelsPerMm / shown;
    }
    return std::unique_ptr<SceneDrawing>(new SceneDrawing(std::move(scene), natural));
}

void SceneDrawing::paint(QPainter& painter, const QRectF& target) const {
    // The same band as naturalSizeFor() for a drawing of one straight line.
    double width = scene_.max.x - scene_.min.x, height = scene_.max.y - scene_.min.y;
    const double longer = std::max(width, height);
    width = std::max(width, longer / 100);
    height = std::max(height, longer / 100);
    if (!(width > 0) || !(height > 0) || target.isEmpty()) return;
    const PageMap map(scene_, width, height, target);
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    for (const Fill& fill : scene_.fills) paintFill(painter, fill, scene_, map);
    painter.setBrush(Qt::NoBrush);
    for (const Path& path : scene_.paths) {
        const QPainterPath page = pathOf(path.points, map);
        painter.strokePath(page, penOf(path.stroke, scene_, map, lengthOf(page)));
    }
    for (const Label& label : scene_.labels) paintLabel(painter, label, map);
    painter.restore();
}

}  // namespace ximora::vector
