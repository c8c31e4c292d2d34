// The STEP form of SXF (AP202, associative draughting). The drawing is what its sheet
// ("DRAWING_SHEET_REVISION") holds: styled annotation occurrences of curves, texts, filled
// areas and symbols; mapped items (compound figures, symbols, views through a camera) that
// place a representation's items elsewhere; callouts (dimensions, leaders) that gather
// occurrences. Layers come from "PRESENTATION_LAYER_ASSIGNMENT", hidden ones from
// "INVISIBILITY".
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_set>

#include "engine/core/error.h"
#include "vector/scene/affine.h"
#include "vector/scene/curves.h"
#include "vector/sxf/step_file.h"
#include "vector/sxf/sxf_marks.h"
#include "vector/sxf/sxf_reader.h"
#include "vector/sxf/sxf_tables.h"

namespace ximora::vector {

namespace {

using Kind = StepValue::Kind;

constexpr int kMaxDepth = 64;
// Instances visited while drawing; a file that needs more is built to keep a reader busy.
constexpr size_t kMaxVisits = 20'000'000;
constexpr double kDefaultTextHeight = 3.5;
// Points of one curve; more is no line anyone drew (composite curves can be built to double at
// every level).
constexpr size_t kMaxCurvePoints = 1'000'000;

const StepValue kNone;

const StepValue& param(const StepPart* part, size_t i) {
    return part && i < part->params.size() ? part->params[i] : kNone;
}

bool contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class P21Reader {
  public:
    P21Reader(const StepFile& file, Scene& out) : file_(file), builder_(out) {}
    bool read(SxfSheet& sheet);

  private:
    struct Look {
        std::optional<Stroke> stroke;
        std::optional<Rgb> fillColour;
        std::vector<HatchLines> hatches;
        std::vector<TilePattern> tiles;
        std::optional<Rgb> textColour;
        double boxHeight = 0, boxWidth = 0, slant = 0;
    };

    const StepInstance* at(const StepValue& v) const {
        return v.kind == Kind::Ref ? file_.find(int64_t(v.number)) : nullptr;
    }
    /// The one part of a simple instance, or the part of that name of a complex one.
    static const StepPart* partOf(const StepInstance* inst, std::string_view complexName) {
        if (!inst) return nullptr;
        return inst->parts.size() == 1 ? &inst->parts[0] : inst->part(complexName);
    }
    static std::string_view nameOf(const StepInstance* inst) { return inst ? inst->name() : ""; }
    bool has(const StepInstance* inst, std::string_view part) const {
        return inst && (nameOf(inst) == part || inst->part(part));
    }

    double numberOf(const StepValue& v) const;
    std::optional<Point> pointOf(const StepValue& v) const;
    std::optional<Point> directionOf(const StepValue& v) const;
    Affine frameOf(const StepValue& placement) const;
    std::optional<Rgb> colourOf(const StepValue& v) const;
    std::vector<double> dashesOf(const StepValue& font, int depth) const;

    void curve(const StepValue& ref, std::vector<Point>& out, int depth) const;
    void trimmed(const StepInstance* inst, std::vector<Point>& out, int depth) const;
    bool bspline(const StepInstance* inst, std::vector<Point>& out) const;

    Look lookOf(const StepValue& styles) const;
    void addStyle(const StepInstance* style, Look& look, int depth) const;

    bool mapping(const StepInstance* inst, Affine& transform,
                 const StepInstance*& representation) const;
    static const std::vector<StepValue>* itemsOf(const StepInstance* representation);
    bool styled(const StepInstance* inst, const StepValue*& styles, const StepValue*& item) const;
    /// Adds the tiles of FILL_AREA_STYLE_TILES whose motifs this reader knows; false if none.
    bool addTiles(const StepPart* tiles, Look& look) const;

    void visit(const StepValue& ref, const Affine& place, int depth);
    void drawMapped(const StepInstance* inst, const Affine& place, int depth);
    void drawItem(const StepValue& item, const Look& look, const StepInstance* occurrence,
                  const Affine& place, int depth);
    void drawText(const StepInstance* text, const Look& look, const Affine& place, int depth);
    void drawSymbol(const StepInstance* symbol, const Look& look, const StepInstance* occurrence,
                    const Affine& place);
    void drawPoints(std::vector<Point> points, const Stroke& stroke, const Affine& place);

    void collectLayers();
    double angleUnit() const { return angleUnit_; }

    const StepFile& file_;
    SceneBuilder builder_;
    std::unordered_set<int64_t> hidden_;
    // Styled occurrences drawn, with the placement they were drawn at: one reached again at the
    // same place (a dimension's text through two callouts) is drawn once.
    std::set<std::tuple<int64_t, double, double, double, double, double, double>> drawn_;
    std::vector<const StepInstance*> open_;  ///< representations drawn through mapped items
    size_t visits_ = 0;
    double angleUnit_ = 1;  ///< radians per angle unit of the file
    bool scadec_ = false;   ///< written by SCADEC's library (texts stand on their box's bottom)
};

double P21Reader::numberOf(const StepValue& v) const {
    if (v.kind == Kind::Number) return v.number;
    if (v.kind == Kind::Typed && !v.items.empty()) return numberOf(v.items[0]);
    if (const StepInstance* inst = at(v)) {
        // A measure with its unit: LENGTH_MEASURE_WITH_UNIT(POSITIVE_LENGTH_MEASURE(0.25), #3).
        const StepPart* part = partOf(inst, "MEASURE_WITH_UNIT");
        const StepValue& value = param(part, 0);
        if (value.kind == Kind::Number || value.kind == Kind::Typed) return numberOf(value);
    }
    return 0;
}

std::optional<Point> P21Reader::pointOf(const StepValue& v) const {
    const StepInstance* inst = at(v);
    if (nameOf(inst) != "CARTESIAN_POINT") return std::nullopt;
    const StepValue& coords = param(partOf(inst, ""), 1);
    if (coords.kind != Kind::List || coords.items.size() < 2) return std::nullopt;
    return Point{numberOf(coords.items[0]), numberOf(coords.items[1])};
}

std::optional<Point> P21Reader::directionOf(const StepValue& v) const {
    const StepInstance* inst = at(v);
    if (nameOf(inst) != "DIRECTION") return std::nullopt;
    const StepValue& ratios = param(partOf(inst, ""), 1);
    if (ratios.kind != Kind::List || ratios.items.size() < 2) return std::nullopt;
    const Point d{numberOf(ratios.items[0]), numberOf(ratios.items[1])};
    const double length = std::hypot(d.x, d.y);
    if (!(length > 0) || !sensible(length)) return std::nullopt;
    return Point{d.x / length, d.y / length};
}

Affine P21Reader::frameOf(const StepValue& placement) const {
    // AXIS2_PLACEMENT_2D(name, location, ref_direction): local x along the direction.
    const StepInstance* inst = at(placement);
    const StepPart* part = partOf(inst, "AXIS2_PLACEMENT_2D");
    const Point origin = pointOf(param(part, 1)).value_or(Point{});
    const Point x = directionOf(param(part, 2)).value_or(Point{1, 0});
    return {x.x, x.y, -x.y, x.x, origin.x, origin.y};
}

std::optional<Rgb> P21Reader::colourOf(const StepValue& v) const {
    const StepInstance* inst = at(v);
    if (!inst) return std::nullopt;
    if (const StepPart* rgb = partOf(inst, "COLOUR_RGB"); rgb && rgb->name == "COLOUR_RGB") {
        const auto channel = [&](size_t i) {
            return uint8_t(std::lround(std::clamp(numberOf(param(rgb, i)), 0.0, 1.0) * 255));
        };
        return Rgb{channel(1), channel(2), channel(3)};
    }
    if (contains(inst->parts.front().name, "PRE_DEFINED_COLOUR")) {
        const StepValue& name = param(&inst->parts.front(), 0);
        return SxfTables::namedColour(lower(name.text));
    }
    return std::nullopt;
}

std::vector<double> P21Reader::dashesOf(const StepValue& font, int depth) const {
    const StepInstance* inst = at(font);
    if (!inst || depth > 8) return {};
    const StepPart* part = &inst->parts.front();
    if (contains(part->name, "PRE_DEFINED_CURVE_FONT"))
        return SxfTables::namedLinetype(lower(param(part, 0).text)).value_or(std::vector<double>{});
    if (part->name == "CURVE_STYLE_FONT_AND_SCALING") {
        std::vector<double> dashes = dashesOf(param(part, 1), depth + 1);
        const double scale = numberOf(param(part, 2));
        if (sensible(scale) && scale > 0)
            for (double& d : dashes) d *= scale;
        return dashes;
    }
    std::vector<double> dashes;
    if (part->name == "CURVE_STYLE_FONT")
        for (const StepValue& pattern : param(part, 1).items) {
            const StepPart* p = partOf(at(pattern), "CURVE_STYLE_FONT_PATTERN");
            dashes.push_back(numberOf(param(p, 0)));
            dashes.push_back(-std::fabs(numberOf(param(p, 1))));
        }
    return dashes;
}

void P21Reader::addStyle(const StepInstance* style, Look& look, int depth) const {
    if (!style || depth > 8) return;
    const StepPart* part = &style->parts.front();
    const std::string& name = part->name;
    if (name == "PRESENTATION_STYLE_ASSIGNMENT" || name == "PRESENTATION_STYLE_BY_CONTEXT") {
        for (const StepValue& s : param(part, 0).items) addStyle(at(s), look, depth + 1);
    } else if (name == "CURVE_STYLE") {
        Stroke stroke;
        stroke.dashes = dashesOf(param(part, 1), 0);
        stroke.widthMm = std::clamp(numberOf(param(part, 2)), 0.0, 100.0);
        stroke.colour = colourOf(param(part, 3)).value_or(Rgb{});
        look.stroke = stroke;
    } else if (name == "FILL_AREA_STYLE") {
        for (const StepValue& s : param(part, 1).items) addStyle(at(s), look, depth + 1);
    } else if (name == "FILL_AREA_STYLE_COLOUR") {
        look.fillColour = colourOf(param(part, 1)).value_or(Rgb{});
    } else if (name == "FILL_AREA_STYLE_HATCHING") {
        // The lines' style, the step to the next line, a point on one, the pattern start,
        // the lines' angle.
        Look lines;
        addStyle(at(param(part, 1)), lines, depth + 1);
        HatchLines hatch;
        hatch.stroke = lines.stroke.value_or(Stroke{});
        hatch.angle = numberOf(param(part, 5)) * angleUnit();
        hatch.origin = pointOf(param(part, 3)).value_or(Point{});
        const StepPart* repeat = partOf(at(param(part, 2)), "ONE_DIRECTION_REPEAT_FACTOR");
        const StepPart* vector = partOf(at(param(repeat, 1)), "VECTOR");
        const Point d = directionOf(param(vector, 1)).value_or(Point{});
        const double m = numberOf(param(vector, 2));
        hatch.spacing = std::fabs((-std::sin(hatch.angle) * d.x + std::cos(hatch.angle) * d.y) * m);
        look.hatches.push_back(hatch);
    } else if (name == "EXTERNALLY_DEFINED_HATCH_STYLE" || name == "FILL_AREA_STYLE_TILES") {
        // Tiles of motifs SXF predefines are laid as they say; any other pattern defined
        // elsewhere is drawn as lines at 45°, 3 mm apart.
        if (name == "FILL_AREA_STYLE_TILES" && addTiles(part, look)) return;
        HatchLines hatch;
        hatch.angle = std::numbers::pi / 4;
        hatch.spacing = 3;
        look.hatches.push_back(hatch);
    } else if (contains(name, "TEXT_STYLE")) {
        for (const StepPart& p : style->parts) {
            if (const StepInstance* appearance = at(param(&p, 1)))
                if (auto c = colourOf(param(&appearance->parts.front(), 0))) look.textColour = c;
            if (p.name == "TEXT_STYLE_WITH_BOX_CHARACTERISTICS" || contains(p.name, "BOX"))
                for (const StepValue& box : param(&p, 2).items) {
                    if (box.text == "BOX_HEIGHT") look.boxHeight = numberOf(box);
                    if (box.text == "BOX_WIDTH") look.boxWidth = numberOf(box);
                    if (box.text == "BOX_SLANT_ANGLE") look.slant = numberOf(box) * angleUnit();
                }
        }
    } else if (name == "SYMBOL_STYLE") {
        if (const StepInstance* appearance = at(param(part, 1)))
            if (auto c = colourOf(param(&appearance->parts.front(), 0)))
                look.stroke = Stroke{*c, 0, {}};
    }
}

bool P21Reader::addTiles(const StepPart* tiles, Look& look) const {
    // (name, TWO_DIRECTION_REPEAT_FACTOR(name, vector, vector), tile symbols, scale); each tile
    // a styled DEFINED_SYMBOL of one of SXF's predefined motifs, placed by its SYMBOL_TARGET.
    const StepPart* repeat = partOf(at(param(tiles, 1)), "TWO_DIRECTION_REPEAT_FACTOR");
    const auto vectorOf = [&](const StepValue& v) -> std::optional<Point> {
        const StepPart* vector = partOf(at(v), "VECTOR");
        const auto d = directionOf(param(vector, 1));
        if (!d) return std::nullopt;
        const double m = numberOf(param(vector, 2));
        return Point{d->x * m, d->y * m};
    };
    const auto step1 = vectorOf(param(repeat, 1)), step2 = vectorOf(param(repeat, 2));
    if (!step1 || !step2) return false;
    const double scale = param(tiles, 3).kind == Kind::Number ? numberOf(param(tiles, 3)) : 1;
    const size_t before = look.tiles.size();
    for (const StepValue& t : param(tiles, 2).items) {
        const StepPart* tile = partOf(at(t), "FILL_AREA_STYLE_TILE_SYMBOL_WITH_STYLE");
        const StepInstance* symbol = at(param(tile, 1));
        Look symbolLook;
        const StepValue* styles = nullptr;
        const StepValue* item = nullptr;
        if (styled(symbol, styles, item)) {
            symbolLook = lookOf(*styles);
            symbol = at(*item);
        }
        const StepPart* defined = partOf(symbol, "DEFINED_SYMBOL");
        const StepInstance* definition = defined ? at(param(defined, 1)) : nullptr;
        const StepPart* target = partOf(at(param(defined, 2)), "SYMBOL_TARGET");
        // EXTERNALLY_DEFINED_SYMBOL(IDENTIFIER('sxf_hatch_style_7_symbol'), source)
        const StepValue& id = definition ? param(&definition->parts.front(), 0) : StepValue{};
        const auto* motif = sxfTileMotif(
            id.kind == Kind::Typed && !id.items.empty() ? id.items.front().text : id.text);
        if (!motif || !target) continue;
        // The motif in the target's frame and scales, then the whole pattern by the tiles' scale.
        const Affine frame = frameOf(param(target, 1));
        const Affine shape =
            Affine{numberOf(param(target, 2)), 0, 0, numberOf(param(target, 3)), 0, 0}
                .then({frame.a, frame.b, frame.c, frame.d, 0, 0})
                .then({scale, 0, 0, scale, 0, 0});
        TilePattern pattern;
        for (const TilePattern::Segment& segment : *motif)
            pattern.motif.push_back({shape(segment.from), shape(segment.to)});
        pattern.origin = {frame.tx, frame.ty};
        pattern.step1 = {step1->x * scale, step1->y * scale};
        pattern.step2 = {step2->x * scale, step2->y * scale};
        pattern.stroke = symbolLook.stroke.value_or(Stroke{});
        look.tiles.push_back(std::move(pattern));
    }
    return look.tiles.size() > before;
}

P21Reader::Look P21Reader::lookOf(const StepValue& styles) const {
    Look look;
    for (const StepValue& s : styles.items) addStyle(at(s), look, 0);
    return look;
}

bool P21Reader::bspline(const StepInstance* inst, std::vector<Point>& out) const {
    // Simple: (name, degree, points, form, closed, self intersect[, multiplicities, knots,
    // spec]); complex: the same spread over B_SPLINE_CURVE, B_SPLINE_CURVE_WITH_KNOTS and
    // RATIONAL_B_SPLINE_CURVE.
    const bool simple = inst->parts.size() == 1;
    const StepPart* curvePart = simple ? &inst->parts[0] : inst->part("B_SPLINE_CURVE");
    const size_t base = simple ? 1 : 0;
    const StepPart* knotPart = simple ? &inst->parts[0] : inst->part("B_SPLINE_CURVE_WITH_KNOTS");
    const size_t knotBase = simple ? 6 : 0;
    if (!curvePart) return false;
    const double degree = numberOf(param(curvePart, base));
    std::vector<Point> controls;
    for (const StepValue& p : param(curvePart, base + 1).items)
        if (auto q = pointOf(p)) controls.push_back(*q);
    std::vector<double> knots;
    if (knotPart && contains(knotPart->name, "WITH_KNOTS")) {
        const auto& mults = param(knotPart, knotBase).items;
        const auto& values = param(knotPart, knotBase + 1).items;
        if (mults.size() == values.size())
            for (size_t i = 0; i < mults.size(); ++i) {
                const double m = numberOf(mults[i]);
                if (!(m >= 1) || m > 1000 || knots.size() > controls.size() + 64) break;
                for (int k = 0; k < int(m); ++k) knots.push_back(numberOf(values[i]));
            }
    }
    std::vector<double> weights;
    if (const StepPart* rational = inst->part("RATIONAL_B_SPLINE_CURVE"))
        for (const StepValue& w : param(rational, 0).items) weights.push_back(numberOf(w));
    if (!(degree >= 1 && degree <= 10)) return false;
    return appendBSpline(out, int(degree), controls, knots, weights, kMaxCurvePoints);
}

void P21Reader::trimmed(const StepInstance* inst, std::vector<Point>& out, int depth) const {
    // (name, basis, trim 1, trim 2, sense, master representation)
    const StepPart* part = partOf(inst, "TRIMMED_CURVE");
    const StepInstance* basis = at(param(part, 1));
    const bool forward = param(part, 4).text != "F";
    const bool byPoint = param(part, 5).text != "PARAMETER";
    const auto trim = [&](const StepValue& list,
                          bool point) -> std::optional<std::pair<double, Point>> {
        for (const StepValue& v : list.items) {
            if (point && v.kind == Kind::Ref)
                if (auto p = pointOf(v)) return std::pair{0.0, *p};
            if (!point && v.kind == Kind::Typed) return std::pair{numberOf(v), Point{}};
        }
        return std::nullopt;
    };
    auto t1 = trim(param(part, 2), byPoint), t2 = trim(param(part, 3), byPoint);
    bool usePoints = byPoint && t1 && t2;
    if (!usePoints) {
        t1 = trim(param(part, 2), false);
        t2 = trim(param(part, 3), false);
        if (!t1 || !t2) {
            t1 = trim(param(part, 2), true);
            t2 = trim(param(part, 3), true);
            usePoints = t1 && t2;
        }
    }
    if (!t1 || !t2) {
        curve(param(part, 1), out, depth + 1);
        return;
    }
    const std::string_view basisName = nameOf(basis);
    if (basisName == "LINE") {
        // (name, point, vector): C(u) = point + u * vector.
        const StepPart* line = partOf(basis, "LINE");
        const Point origin = pointOf(param(line, 1)).value_or(Point{});
        const StepPart* vector = partOf(at(param(line, 2)), "VECTOR");
        const Point d = directionOf(param(vector, 1)).value_or(Point{1, 0});
        const double m = numberOf(param(vector, 2));
        const auto onLine = [&](const std::pair<double, Point>& t) {
            return usePoints ? t.second
                             : Point{origin.x + d.x * m * t.first, origin.y + d.y * m * t.first};
        };
        out.push_back(onLine(*t1));
        out.push_back(onLine(*t2));
        return;
    }
    if (basisName == "CIRCLE" || basisName == "ELLIPSE") {
        const StepPart* conic = partOf(basis, basisName);
        const Affine frame = frameOf(param(conic, 1));
        const double r1 = numberOf(param(conic, 2));
        const double r2 = basisName == "ELLIPSE" ? numberOf(param(conic, 3)) : r1;
        if (!(r1 > 0) || !(r2 > 0)) return;
        const auto angle = [&](const std::pair<double, Point>& t) {
            if (!usePoints) return t.first * angleUnit();
            // The point in the conic's own frame (a turn and a move: its inverse is the turn back).
            const double x = t.second.x - frame.tx, y = t.second.y - frame.ty;
            const double lx = frame.a * x + frame.b * y, ly = frame.c * x + frame.d * y;
            return std::atan2(ly / r2, lx / r1);
        };
        const Point centre{frame.tx, frame.ty}, major{frame.a * r1, frame.b * r1};
        std::vector<Point> arc;
        if (forward) {
            appendEllipseArc(arc, centre, major, r2 / r1, angle(*t1), angle(*t2));
        } else {
            appendEllipseArc(arc, centre, major, r2 / r1, angle(*t2), angle(*t1));
            std::reverse(arc.begin(), arc.end());
        }
        out.insert(out.end(), arc.begin(), arc.end());
        return;
    }
    curve(param(part, 1), out, depth + 1);
}

void P21Reader::curve(const StepValue& ref, std::vector<Point>& out, int depth) const {
    const StepInstance* inst = at(ref);
    if (!inst || depth > kMaxDepth || out.size() > kMaxCurvePoints) return;
    const std::string_view name = nameOf(inst);
    const StepPart* part = inst->parts.size() == 1 ? &inst->parts[0] : nullptr;
    if (name == "POLYLINE") {
        for (const StepValue& p : param(part, 1).items)
            if (auto q = pointOf(p)) out.push_back(*q);
    } else if (name == "TRIMMED_CURVE") {
        trimmed(inst, out, depth);
    } else if (name == "CIRCLE" || name == "ELLIPSE") {
        const Affine frame = frameOf(param(part, 1));
        const double r1 = numberOf(param(part, 2));
        const double r2 = name == "ELLIPSE" ? numberOf(param(part, 3)) : r1;
        if (r1 > 0 && r2 > 0)
            appendEllipseArc(out, {frame.tx, frame.ty}, {frame.a * r1, frame.b * r1}, r2 / r1, 0,
                             0);
    } else if (name == "COMPOSITE_CURVE" || contains(name, "COMPOSITE_CURVE")) {
        // Each segment is appended in place, so that the limit counts the whole curve.
        for (const StepValue& s : param(part, 1).items) {
            const StepPart* segment = partOf(at(s), "COMPOSITE_CURVE_SEGMENT");
            const auto start = std::ptrdiff_t(out.size());
            curve(param(segment, 2), out, depth + 1);
            if (param(segment, 1).text == "F") std::reverse(out.begin() + start, out.end());
            if (start > 0 && start < std::ptrdiff_t(out.size()) &&
                out[size_t(start) - 1] == out[size_t(start)])
                out.erase(out.begin() + start);
            if (out.size() > kMaxCurvePoints) return;
        }
    } else if (inst->part("B_SPLINE_CURVE") || contains(name, "B_SPLINE_CURVE") ||
               name == "BEZIER_CURVE" || name == "UNIFORM_CURVE" || name == "QUASI_UNIFORM_CURVE") {
        if (!bspline(inst, out)) {
            // A curve that does not fit together: through its control points.
            const StepPart* curvePart = part ? part : inst->part("B_SPLINE_CURVE");
            for (const StepValue& p : param(curvePart, part ? 2 : 1).items)
                if (auto q = pointOf(p)) out.push_back(*q);
        }
    }
}

const std::vector<StepValue>* P21Reader::itemsOf(const StepInstance* representation) {
    if (!representation) return nullptr;
    const StepPart* part = representation->parts.size() == 1
                               ? &representation->parts[0]
                               : representation->part("REPRESENTATION");
    const StepValue& items = param(part, 1);
    return items.kind == Kind::List ? &items.items : nullptr;
}

bool P21Reader::styled(const StepInstance* inst, const StepValue*& styles,
                       const StepValue*& item) const {
    if (!inst) return false;
    if (const StepPart* part = inst->part("STYLED_ITEM"); part && inst->parts.size() > 1) {
        styles = &param(part, 0);
        item = &param(part, 1);
        return item->kind == Kind::Ref;
    }
    if (inst->parts.size() != 1) return false;
    const std::string& name = inst->parts[0].name;
    if (name != "STYLED_ITEM" && !contains(name, "OCCURRENCE") && !contains(name, "TERMINATOR") &&
        name != "DIMENSION_CURVE" && name != "LEADER_CURVE" && name != "PROJECTION_CURVE")
        return false;
    styles = &param(&inst->parts[0], 1);
    item = &param(&inst->parts[0], 2);
    return styles->kind == Kind::List && item->kind == Kind::Ref;
}

bool P21Reader::mapping(const StepInstance* inst, Affine& transform,
                        const StepInstance*& representation) const {
    // MAPPED_ITEM and its kinds: (name, source, target); complex: MAPPED_ITEM(source, target).
    if (!inst) return false;
    const StepPart* part = nullptr;
    size_t base = 1;
    if (inst->parts.size() > 1) {
        part = inst->part("MAPPED_ITEM");
        base = 0;
    } else if (const std::string& n = inst->parts[0].name;
               n == "MAPPED_ITEM" || n == "ANNOTATION_SYMBOL" || n == "ANNOTATION_TEXT" ||
               contains(n, "CAMERA_IMAGE") || n == "DRAUGHTING_SYMBOL") {
        part = &inst->parts[0];
    }
    if (!part) return false;
    const StepInstance* source = at(param(part, base));
    const StepPart* map = source ? &source->parts.front() : nullptr;
    representation = at(param(map, 1));
    if (!representation) return false;
    // Where the representation's items stand: a placement, or a camera's view window.
    const StepInstance* origin = at(param(map, 0));
    Affine from = frameOf(param(map, 0));
    double windowX = 0, windowY = 0;
    if (contains(nameOf(origin), "CAMERA_MODEL")) {
        const StepPart* box = partOf(at(param(&origin->parts.front(), 1)), "PLANAR_BOX");
        from = frameOf(param(box, 3));
        windowX = numberOf(param(box, 1));
        windowY = numberOf(param(box, 2));
    }
    // Where they go: a placement, a symbol target with scales, a box on the sheet, or a
    // transformation.
    const StepInstance* target = at(param(part, base + 1));
    const std::string_view targetName = nameOf(target);
    Affine to;
    double sx = 1, sy = 1;
    if (targetName == "AXIS2_PLACEMENT_2D") {
        to = frameOf(param(part, base + 1));
    } else if (targetName == "SYMBOL_TARGET") {
        const StepPart* t = &target->parts[0];
        to = frameOf(param(t, 1));
        sx = numberOf(param(t, 2));
        sy = numberOf(param(t, 3));
    } else if (targetName == "PLANAR_BOX") {
        const StepPart* t = &target->parts[0];
        to = frameOf(param(t, 3));
        if (windowX > 0 && windowY > 0) {
            sx = numberOf(param(t, 1)) / windowX;
            sy = numberOf(param(t, 2)) / windowY;
        }
    } else if (const StepPart* op = partOf(target, "CARTESIAN_TRANSFORMATION_OPERATOR")) {
        // (name, description, axis 1, axis 2, local origin, scale)
        const Point x = directionOf(param(op, 2)).value_or(Point{1, 0});
        const Point y = directionOf(param(op, 3)).value_or(Point{-x.y, x.x});
        const Point o = pointOf(param(op, 4)).value_or(Point{});
        double scale = numberOf(param(op, 5));
        if (!(scale > 0)) scale = 1;
        to = {x.x * scale, x.y * scale, y.x * scale, y.y * scale, o.x, o.y};
    } else if (target) {
        return false;
    }
    if (!sensible(sx) || !sensible(sy) || sx == 0 || sy == 0) return false;
    // Inverse of `from`, a turn and a move.
    const Affine back{from.a,
                      from.c,
                      from.b,
                      from.d,
                      -(from.a * from.tx + from.b * from.ty),
                      -(from.c * from.tx + from.d * from.ty)};
    transform = back.then(Affine{sx, 0, 0, sy, 0, 0}).then(to);
    return true;
}

void P21Reader::drawPoints(std::vector<Point> points, const Stroke& stroke, const Affine& place) {
    for (Point& p : points) p = place(p);
    builder_.addPath({std::move(points), stroke});
}

void P21Reader::drawMapped(const StepInstance* inst, const Affine& place, int depth) {
    Affine transform;
    const StepInstance* representation = nullptr;
    if (!mapping(inst, transform, representation)) return;
    const std::vector<StepValue>* items = itemsOf(representation);
    // A representation that places itself, directly or through others, is drawn once.
    if (!items || depth > kMaxDepth ||
        std::find(open_.begin(), open_.end(), representation) != open_.end())
        return;
    open_.push_back(representation);
    const Affine inner = transform.then(place);
    for (const StepValue& item : *items) visit(item, inner, depth + 1);
    open_.pop_back();
}

void P21Reader::drawText(const StepInstance* text, const Look& look, const Affine& place,
                         int depth) {
    if (!text || depth > kMaxDepth) return;
    const StepPart* part = &text->parts.front();
    if (contains(part->name, "COMPOSITE_TEXT")) {
        for (const StepValue& t : param(part, 1).items) drawText(at(t), look, place, depth + 1);
        return;
    }
    if (!contains(part->name, "TEXT_LITERAL")) return;
    // (name, literal, placement, alignment, path, font[, extent])
    Label label;
    label.text = param(part, 1).text;
    const Affine frame = frameOf(param(part, 2));
    label.at = {frame.tx, frame.ty};
    label.angle = std::atan2(frame.b, frame.a);
    const StepPart* extent = partOf(at(param(part, 6)), "PLANAR_EXTENT");
    label.height = extent ? numberOf(param(extent, 2)) : look.boxHeight;
    label.width = extent ? numberOf(param(extent, 1)) : look.boxWidth;
    if (!(label.height > 0)) label.height = kDefaultTextHeight;
    if (!(label.width > 0)) label.width = 0;
    label.slant = std::fabs(look.slant) < 1.4 ? look.slant : 0;
    label.vertical = param(part, 4).text == "DOWN";
    // SXF names its own alignment "$$SXF_<alignment>"; AP202's is the fourth value.
    const std::string& name = param(part, 0).text;
    const std::string alignment =
        lower(name.starts_with("$$SXF_") ? name.substr(6) : param(part, 3).text);
    // "<row> <column>" ("topline left", "baseline left", "centre centre"), or one word.
    const size_t space = alignment.find(' ');
    const std::string rowName = space == std::string::npos ? alignment : alignment.substr(0, space);
    const std::string column = space == std::string::npos ? alignment : alignment.substr(space + 1);
    label.across = contains(column, "right")  ? Label::Across::Right
                   : contains(column, "cent") ? Label::Across::Centre
                                              : Label::Across::Left;
    label.up = contains(rowName, "top")                                   ? Label::Up::Top
               : contains(rowName, "middle") || contains(rowName, "cent") ? Label::Up::Middle
                                                                          : Label::Up::Bottom;
    // SCADEC's library writes the point of a text of the top row at its box's bottom.
    if (scadec_ && label.up == Label::Up::Top) label.up = Label::Up::Bottom;
    label.colour = look.textColour.value_or(look.stroke ? look.stroke->colour : Rgb{});
    builder_.addLabel(placed(std::move(label), place));
}

void P21Reader::drawSymbol(const StepInstance* symbol, const Look& look,
                           const StepInstance* occurrence, const Affine& place) {
    // DEFINED_SYMBOL(name, definition, SYMBOL_TARGET(name, placement, x scale, y scale))
    const StepPart* part = &symbol->parts.front();
    const StepInstance* definition = at(param(part, 1));
    const StepPart* target = partOf(at(param(part, 2)), "SYMBOL_TARGET");
    if (!definition || !target) return;
    const std::string kind = lower(param(&definition->parts.front(), 0).text);
    const Affine frame = frameOf(param(target, 1));
    const Point tip = place({frame.tx, frame.ty});
    const double size = std::fabs(numberOf(param(target, 2))) * place.scale();
    const Stroke stroke{look.stroke ? look.stroke->colour : Rgb{}, 0, {}};
    if (const int marker = sxfMarkerOfName(kind)) {
        const Point x = place.turn({frame.a, frame.b});
        addSxfMarker(builder_, marker, tip, std::atan2(x.y, x.x), size, stroke);
        return;
    }
    // A terminator lies along the curve it ends: (name, styles, item, annotated curve[, role]).
    Point tail = place({frame.tx + frame.a, frame.ty + frame.b});
    const StepValue* styles = nullptr;
    const StepValue* item = nullptr;
    if (occurrence && occurrence->parts.size() == 1 &&
        styled(at(param(&occurrence->parts[0], 3)), styles, item)) {
        std::vector<Point> line;
        curve(*item, line, 0);
        if (line.size() >= 2) {
            for (Point& p : line) p = place(p);
            const bool atStart = std::hypot(tip.x - line.front().x, tip.y - line.front().y) <=
                                 std::hypot(tip.x - line.back().x, tip.y - line.back().y);
            tail = atStart ? line[1] : line[line.size() - 2];
        }
    }
    addSxfArrow(builder_, sxfArrowOfName(kind), tip, tail, size, stroke);
}

void P21Reader::drawItem(const StepValue& item, const Look& look, const StepInstance* occurrence,
                         const Affine& place, int depth) {
    const StepInstance* inst = at(item);
    if (!inst || depth > kMaxDepth) return;
    Affine transform;
    const StepInstance* representation = nullptr;
    if (mapping(inst, transform, representation)) {
        drawMapped(inst, place, depth);
        return;
    }
    const std::string& name = inst->parts.front().name;
    if (name == "DEFINED_SYMBOL") {
        drawSymbol(inst, look, occurrence, place);
    } else if (contains(name, "TEXT")) {
        drawText(inst, look, place, depth);
    } else if (name == "ANNOTATION_FILL_AREA") {
        Fill fill;
        for (const StepValue& boundary : param(&inst->parts[0], 1).items) {
            std::vector<Point> ring;
            curve(boundary, ring, depth + 1);
            for (Point& p : ring) p = place(p);
            fill.rings.push_back(std::move(ring));
        }
        fill.solid = look.fillColour.has_value();
        fill.colour = look.fillColour.value_or(Rgb{});
        for (HatchLines hatch : look.hatches) {
            const Point along = place.turn({std::cos(hatch.angle), std::sin(hatch.angle)});
            hatch.origin = place(hatch.origin);
            hatch.angle = std::atan2(along.y, along.x);
            hatch.spacing *= place.scale();
            fill.hatches.push_back(hatch);
        }
        for (const TilePattern& tiles : look.tiles) fill.tiles.push_back(placed(tiles, place));
        builder_.addFill(std::move(fill));
    } else if (contains(name, "GEOMETRIC_CURVE_SET") || name == "GEOMETRIC_SET") {
        for (const StepValue& element : param(&inst->parts[0], 1).items)
            drawItem(element, look, occurrence, place, depth + 1);
    } else {
        std::vector<Point> points;
        curve(item, points, depth);
        if (points.size() >= 2)
            drawPoints(std::move(points), look.stroke.value_or(Stroke{}), place);
    }
}

void P21Reader::visit(const StepValue& ref, const Affine& place, int depth) {
    if (ref.kind != Kind::Ref || depth > kMaxDepth || builder_.overflow() || ++visits_ > kMaxVisits)
        return;
    if (hidden_.count(int64_t(ref.number))) return;
    const StepInstance* inst = at(ref);
    if (!inst) return;
    const StepValue* styles = nullptr;
    const StepValue* item = nullptr;
    if (styled(inst, styles, item)) {
        if (drawn_
                .emplace(int64_t(ref.number), place.a, place.b, place.c, place.d, place.tx,
                         place.ty)
                .second)
            drawItem(*item, lookOf(*styles), inst, place, depth + 1);
        return;
    }
    Affine transform;
    const StepInstance* representation = nullptr;
    if (mapping(inst, transform, representation)) {
        drawMapped(inst, place, depth);
        return;
    }
    // Callouts (dimensions, leaders) and nested representations gather occurrences.
    bool gathers = false;
    for (const StepPart& part : inst->parts) {
        const std::string& n = part.name;
        if (!contains(n, "CALLOUT") && !contains(n, "DIMENSION") && !contains(n, "LEADER") &&
            !contains(n, "REPRESENTATION") && !contains(n, "VIEW") &&
            !contains(n, "DRAUGHTING_ELEMENTS"))
            continue;
        gathers = true;
        for (const StepValue& v : part.params)
            if (v.kind == Kind::List)
                for (const StepValue& member : v.items) visit(member, place, depth + 1);
    }
    // Geometry or text placed without a style: drawn with the default pen, black.
    if (!gathers && inst->parts.front().name != "DEFINED_SYMBOL")
        drawItem(ref, Look{}, nullptr, place, depth + 1);
}

void P21Reader::collectLayers() {
    std::unordered_set<int64_t> invisible;
    for (const auto& [id, inst] : file_.instances()) {
        if (const StepPart* part = inst.part("INVISIBILITY"))
            for (const StepValue& v : param(part, 0).items)
                if (v.kind == Kind::Ref) invisible.insert(int64_t(v.number));
        // Angles in degrees when the file's plane angle unit is a degree.
        if (inst.part("PLANE_ANGLE_UNIT"))
            if (const StepPart* unit = inst.part("CONVERSION_BASED_UNIT");
                unit && contains(lower(param(unit, 0).text), "degree"))
                angleUnit_ = std::numbers::pi / 180;
    }
    for (int64_t id : invisible) {
        hidden_.insert(id);
        const StepInstance* inst = file_.find(id);
        if (const StepPart* layer = partOf(inst, "PRESENTATION_LAYER_ASSIGNMENT");
            layer && layer->name == "PRESENTATION_LAYER_ASSIGNMENT")
            for (const StepValue& v : param(layer, 2).items)
                if (v.kind == Kind::Ref) hidden_.insert(int64_t(v.number));
    }
}

bool P21Reader::read(SxfSheet& sheet) {
    scadec_ = file_.originatingSystem().starts_with("SCADEC");
    collectLayers();
    // The first sheet, in the order of the file's instance numbers.
    std::vector<int64_t> ids;
    for (const auto& [id, inst] : file_.instances()) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    const auto first = std::find_if(ids.begin(), ids.end(), [&](int64_t id) {
        return has(file_.find(id), "DRAWING_SHEET_REVISION");
    });
    const auto ref = [](int64_t id) {
        StepValue v;
        v.kind = Kind::Ref;
        v.number = double(id);
        return v;
    };
    if (first != ids.end()) {
        const StepInstance* sheetRevision = file_.find(*first);
        if (const std::vector<StepValue>* items = itemsOf(sheetRevision))
            for (const StepValue& item : *items) {
                // The paper may stand among the sheet's items as a box.
                if (const StepInstance* box = at(item); nameOf(box) == "PLANAR_BOX")
                    sheet = {numberOf(param(&box->parts[0], 1)),
                             numberOf(param(&box->parts[0], 2))};
                visit(item, Affine{}, 0);
            }
        for (int64_t id : ids) {
            const StepPart* size = partOf(file_.find(id), "PRESENTATION_SIZE");
            if (!size || size->name != "PRESENTATION_SIZE" || param(size, 0).kind != Kind::Ref ||
                int64_t(param(size, 0).number) != *first)
                continue;
            const StepPart* box = partOf(at(param(size, 1)), "PLANAR_BOX");
            sheet = {numberOf(param(box, 1)), numberOf(param(box, 2))};
        }
        // Otherwise the sheet's name tells a standard paper: "A3_horizontal", "A4_vertical".
        const std::string name =
            lower(param(partOf(sheetRevision, "DRAWING_SHEET_REVISION"), 0).text);
        static constexpr double kA[5][2] = {
            {1189, 841}, {841, 594}, {594, 420}, {420, 297}, {297, 210}};
        if (!(sheet.width > 0) && name.size() >= 2 && name[0] == 'a' && name[1] >= '0' &&
            name[1] <= '4') {
            const auto* paper = kA[name[1] - '0'];
            sheet = contains(name, "vertical") ? SxfSheet{paper[1], paper[0]}
                                               : SxfSheet{paper[0], paper[1]};
        }
        if (!(sheet.width > 0) || !(sheet.height > 0) || !sensible(sheet.width) ||
            !sensible(sheet.height))
            sheet = {};
    } else {
        // No sheet: every occurrence and mapped item that nothing else holds.
        std::unordered_set<int64_t> held;
        for (const auto& [id, inst] : file_.instances()) {
            if (inst.part("PRESENTATION_LAYER_ASSIGNMENT") || inst.part("INVISIBILITY")) continue;
            for (const StepPart& part : inst.parts)
                for (const StepValue& v : part.params)
                    for (const StepValue& member : v.items)
                        if (member.kind == Kind::Ref) held.insert(int64_t(member.number));
        }
        for (int64_t id : ids)
            if (!held.count(id)) visit(ref(id), Affine{}, 0);
    }
    if (builder_.overflow()) return engine::fail(engine::kErrMemory);
    return true;
}

}  // namespace

bool readP21(std::string_view text, Scene& out, SxfSheet& sheet) {
    out = {};
    sheet = {};
    StepFile file;
    if (!file.parse(text)) return false;
    P21Reader reader(file, out);
    if (!reader.read(sheet)) {
        out = {};
        return false;
    }
    // Instances left out as damaged: the rest is drawn, unless nothing could be.
    out.skipped += file.skipped();
    if (file.skipped() > 0 && out.paths.empty() && out.fills.empty() && out.labels.empty()) {
        out = {};
        return engine::fail(engine::kErrFileBroken);
    }
    return true;
}

}  // namespace ximora::vector
