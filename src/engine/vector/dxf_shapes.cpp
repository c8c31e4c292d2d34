#include "engine/vector/dxf_shapes.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <cctype>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string_view>

#include "engine/core/error.h"

namespace ximora::engine {

namespace {

// Enough for any real drawing, small enough that a forged file cannot exhaust memory.
constexpr size_t kMaxPoints = 4'000'000;
// Segments for a full turn of a circle or ellipse.
constexpr int kTurnSegments = 96;

bool finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e12; }

class Collector : public DL_CreationAdapter {
  public:
    explicit Collector(DxfShapes& out) : out_(out) {}
    bool overflow() const { return overflow_; }

    void addBlock(const DL_BlockData&) override { ++blockDepth_; }
    void endBlock() override {
        if (blockDepth_ > 0) --blockDepth_;
    }

    void addLine(const DL_LineData& d) override { addPath({{d.x1, d.y1}, {d.x2, d.y2}}); }
    void addCircle(const DL_CircleData& d) override {
        addEllipse({d.cx, d.cy}, {d.radius, 0}, 1.0, 0, 2 * std::numbers::pi);
    }
    void addArc(const DL_ArcData& d) override {
        const double a1 = d.angle1 * std::numbers::pi / 180, a2 = d.angle2 * std::numbers::pi / 180;
        // A circle of radius r at angle 0 is the ellipse with major axis (r, 0) and ratio 1.
        addEllipse({d.cx, d.cy}, {d.radius, 0}, 1.0, a1, a2);
    }
    void addEllipse(const DL_EllipseData& d) override {
        addEllipse({d.cx, d.cy}, {d.mx, d.my}, d.ratio, d.angle1, d.angle2);
    }
    void addPolyline(const DL_PolylineData& d) override {
        finishPolyline();
        if (blockDepth_ > 0) return;
        inPolyline_ = true;
        closed_ = (d.flags & 1) != 0;
    }
    void addVertex(const DL_VertexData& d) override {
        if (!inPolyline_) return;
        if (polyline_.size() + totalPoints_ >= kMaxPoints) {
            overflow_ = true;
            return;
        }
        polyline_.push_back({d.x, d.y});
    }
    void endSequence() override { finishPolyline(); }
    void endEntity() override { finishPolyline(); }

    void addText(const DL_TextData& d) override {
        addLabel(d.ipx, d.ipy, d.height, d.angle, d.text);
    }
    void addMText(const DL_MTextData& d) override {
        addLabel(d.ipx, d.ipy, d.height, d.angle, plainText(d.text));
    }

    /// Ends a polyline still open at the end of the file.
    void finish() { finishPolyline(); }

  private:
    void addEllipse(DxfPoint centre, DxfPoint major, double ratio, double t1, double t2) {
        if (!finite(centre.x) || !finite(centre.y) || !finite(major.x) || !finite(major.y) ||
            !finite(ratio) || !finite(t1) || !finite(t2))
            return;
        // Counter-clockwise from t1 to t2; equal angles mean the whole turn.
        constexpr double kTurn = 2 * std::numbers::pi;
        t1 = std::fmod(t1, kTurn);
        double span = std::fmod(t2 - t1, kTurn);
        if (!(span > 1e-12)) span += kTurn;
        t2 = t1 + span;
        const DxfPoint minor{-major.y * ratio, major.x * ratio};
        const int steps =
            std::max(2, int(std::ceil(kTurnSegments * (t2 - t1) / (2 * std::numbers::pi))));
        std::vector<DxfPoint> points;
        points.reserve(size_t(steps) + 1);
        for (int i = 0; i <= steps; ++i) {
            const double t = t1 + (t2 - t1) * i / steps;
            points.push_back({centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
                              centre.y + major.y * std::cos(t) + minor.y * std::sin(t)});
        }
        addPath(std::move(points));
    }

    void finishPolyline() {
        if (!inPolyline_) return;
        inPolyline_ = false;
        if (closed_ && polyline_.size() > 2) polyline_.push_back(polyline_.front());
        addPath(std::move(polyline_));
        polyline_.clear();
    }

    void addPath(std::vector<DxfPoint> points) {
        if (blockDepth_ > 0 || points.size() < 2) return;
        for (const DxfPoint& p : points)
            if (!finite(p.x) || !finite(p.y)) return;
        if (totalPoints_ + points.size() > kMaxPoints) {
            overflow_ = true;
            return;
        }
        totalPoints_ += points.size();
        for (const DxfPoint& p : points) grow(p);
        out_.paths.push_back(std::move(points));
    }

    void addLabel(double x, double y, double height, double angle, std::string text) {
        if (blockDepth_ > 0 || text.empty() || !finite(x) || !finite(y) || !finite(height) ||
            height <= 0 || !finite(angle))
            return;
        grow({x, y});
        grow({x, y + height});
        out_.texts.push_back({{x, y}, height, angle, std::move(text)});
    }

    void grow(DxfPoint p) {
        if (out_.empty()) {
            out_.min = out_.max = p;
            return;
        }
        out_.min = {std::min(out_.min.x, p.x), std::min(out_.min.y, p.y)};
        out_.max = {std::max(out_.max.x, p.x), std::max(out_.max.y, p.y)};
    }

    /// A multi-line text without its formatting codes ("\P" ends a line, "{\...;" switches).
    static std::string plainText(const std::string& text) {
        std::string plain;
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '{' || c == '}') continue;
            if (c == '\\' && i + 1 < text.size()) {
                const char code = text[i + 1];
                if (code == 'P') {
                    plain += ' ';
                    ++i;
                } else if (code == '\\' || code == '{' || code == '}') {
                    plain += code;
                    ++i;
                } else {
                    const size_t end = text.find(';', i);
                    if (end == std::string::npos) break;
                    i = end;
                }
                continue;
            }
            plain += c;
        }
        return plain;
    }

    DxfShapes& out_;
    int blockDepth_ = 0;
    bool inPolyline_ = false;
    bool closed_ = false;
    bool overflow_ = false;
    size_t totalPoints_ = 0;
    std::vector<DxfPoint> polyline_;
};

/// dxflib sizes some arrays from counts stated in the file (vertices of a light polyline,
/// knots and points of a spline, vertices of a leader, dashes of a line type) and frees them
/// twice when such an allocation fails, so a forged count must never reach it. Counts are
/// read as dxflib reads them: the leading integer of the trimmed line.
bool countsFit(const std::string& text) {
    constexpr long kMaxCount = 1'000'000;
    const auto trimmed = [](std::string_view line) {
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) return std::string_view();
        return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    };
    // The leading integer, limited to 10 digits; `digits` false when there is none.
    const auto leadingInt = [](std::string_view v, bool& digits) {
        size_t i = 0;
        const bool negative = i < v.size() && v[i] == '-';
        if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
        long value = 0;
        digits = false;
        for (int n = 0; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i, ++n) {
            if (n == 10) return negative ? -kMaxCount - 1 : kMaxCount + 1;
            value = value * 10 + (v[i] - '0');
            digits = true;
        }
        return negative ? -value : value;
    };
    const auto upper = [](std::string_view v) {
        std::string u(v);
        for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
        return u;
    };
    std::string entity;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t codeEnd = std::min(text.find('\n', pos), text.size());
        const size_t valueEnd =
            std::min(text.find('\n', std::min(codeEnd + 1, text.size())), text.size());
        const std::string_view code = trimmed(std::string_view(text).substr(pos, codeEnd - pos));
        const std::string_view value =
            codeEnd < text.size()
                ? trimmed(std::string_view(text).substr(codeEnd + 1, valueEnd - codeEnd - 1))
                : std::string_view();
        pos = valueEnd + 1;
        bool isNumber = false;
        const long group = leadingInt(code, isNumber);
        if (!isNumber) continue;
        if (group == 0) {
            entity = upper(value);
            continue;
        }
        const bool counted = (entity == "LWPOLYLINE" && group == 90) ||
                             (entity == "SPLINE" && group >= 72 && group <= 74) ||
                             (entity == "LEADER" && group == 76) ||
                             (entity == "LTYPE" && group == 73);
        if (!counted) continue;
        bool digits = false;
        const long count = leadingInt(value, digits);
        if (count < 0 || count > kMaxCount) return false;
    }
    return true;
}

}  // namespace

bool readDxf(const std::string& text, DxfShapes& out) {
    out = {};
    if (!countsFit(text)) return fail(kErrMemory);
    Collector collector(out);
    std::istringstream stream(text);
    DL_Dxf dxf;
    bool read = false;
    try {
        read = dxf.in(stream, &collector);
    } catch (const std::exception&) {
        read = false;
    }
    collector.finish();
    if (collector.overflow()) {
        out = {};
        return fail(kErrMemory);
    }
    if (!read || out.empty()) {
        out = {};
        return fail(kErrBadFile);
    }
    return true;
}

}  // namespace ximora::engine
