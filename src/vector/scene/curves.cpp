#include "vector/scene/curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ximora::vector {

namespace {

constexpr double kTurn = 2 * std::numbers::pi;
// Points per knot span of a spline and per piece of a Bézier chain or fit spline.
constexpr int kSpanSegments = 16;
constexpr int kMaxDegree = 10;

// The value at `t` of one coordinate of a natural cubic spline with knots `ts`, values `vs`
// and second derivatives `m`, inside piece `i`.
double naturalAt(const std::vector<double>& ts, const std::vector<double>& vs,
                 const std::vector<double>& m, size_t i, double t) {
    const double h = ts[i + 1] - ts[i];
    const double a = (ts[i + 1] - t) / h, b = (t - ts[i]) / h;
    return a * vs[i] + b * vs[i + 1] +
           ((a * a * a - a) * m[i] + (b * b * b - b) * m[i + 1]) * h * h / 6;
}

// Second derivatives of the natural cubic spline through (ts, vs) (tridiagonal system).
std::vector<double> naturalMoments(const std::vector<double>& ts, const std::vector<double>& vs) {
    const size_t n = ts.size();
    std::vector<double> m(n, 0), c(n, 0), d(n, 0);
    for (size_t i = 1; i + 1 < n; ++i) {
        const double h0 = ts[i] - ts[i - 1], h1 = ts[i + 1] - ts[i];
        const double diag = 2 * (h0 + h1) - h0 * c[i - 1];
        c[i] = h1 / diag;
        d[i] = (6 * ((vs[i + 1] - vs[i]) / h1 - (vs[i] - vs[i - 1]) / h0) - h0 * d[i - 1]) / diag;
    }
    for (size_t i = n - 1; i-- > 1;) m[i] = d[i] - c[i] * m[i + 1];
    return m;
}

}  // namespace

void appendEllipseArc(std::vector<Point>& out, Point centre, Point major, double ratio, double t1,
                      double t2) {
    if (!sensible(centre) || !sensible(major) || !sensible(ratio) || !sensible(t1) || !sensible(t2))
        return;
    t1 = std::fmod(t1, kTurn);
    double span = std::fmod(t2 - t1, kTurn);
    if (span < 0) span += kTurn;
    if (!(span > 1e-12)) span = kTurn;
    const Point minor{-major.y * ratio, major.x * ratio};
    const int steps = std::max(2, int(std::ceil(kTurnSegments * span / kTurn)));
    for (int i = 0; i <= steps; ++i) {
        const double t = t1 + span * i / steps;
        out.push_back({centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
                       centre.y + major.y * std::cos(t) + minor.y * std::sin(t)});
    }
}

void appendBulge(std::vector<Point>& out, Point a, Point b, double bulge) {
    const double chord = std::hypot(b.x - a.x, b.y - a.y);
    if (chord == 0 || bulge == 0 || !sensible(bulge)) {
        out.push_back(b);
        return;
    }
    const double sweep = 4 * std::atan(bulge);
    const double radius = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
    const double offset = chord / 2 * (1 - bulge * bulge) / (2 * bulge);
    const Point centre{(a.x + b.x) / 2 - (b.y - a.y) / chord * offset,
                       (a.y + b.y) / 2 + (b.x - a.x) / chord * offset};
    const double start = std::atan2(a.y - centre.y, a.x - centre.x);
    const int steps = std::max(2, int(std::ceil(kTurnSegments * std::fabs(sweep) / kTurn)));
    for (int i = 1; i < steps; ++i) {
        const double t = start + sweep * i / steps;
        out.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
    }
    out.push_back(b);
}

bool appendBSpline(std::vector<Point>& out, int degree, const std::vector<Point>& controls,
                   std::vector<double> knots, const std::vector<double>& weights,
                   size_t maxPoints) {
    const size_t n = controls.size();
    if (degree < 1 || degree > kMaxDegree || n < size_t(degree) + 1) return false;
    if (!weights.empty() && weights.size() != n) return false;
    for (double w : weights)
        if (!(w > 0) || !sensible(w)) return false;
    const size_t p = size_t(degree);
    if (knots.empty()) {
        for (size_t i = 0; i < n + p + 1; ++i)
            knots.push_back(double(std::clamp(i, p, n)) - double(p));
    }
    if (knots.size() != n + p + 1) return false;
    for (size_t i = 0; i < knots.size(); ++i)
        if (!sensible(knots[i]) || (i > 0 && knots[i] < knots[i - 1])) return false;
    const double start = knots[p], end = knots[n];
    if (!(end > start)) return false;

    // de Boor's algorithm in homogeneous coordinates (x w, y w, w).
    const auto at = [&](double t) {
        size_t span = p;
        while (span + 1 < n && knots[span + 1] <= t) ++span;
        double x[kMaxDegree + 1], y[kMaxDegree + 1], w[kMaxDegree + 1];
        for (size_t j = 0; j <= p; ++j) {
            const size_t i = span - p + j;
            w[j] = weights.empty() ? 1 : weights[i];
            x[j] = controls[i].x * w[j];
            y[j] = controls[i].y * w[j];
        }
        for (size_t r = 1; r <= p; ++r) {
            for (size_t j = p; j >= r; --j) {
                const size_t i = span - p + j;
                const double denom = knots[i + p + 1 - r] - knots[i];
                const double a = denom > 0 ? (t - knots[i]) / denom : 0;
                x[j] = (1 - a) * x[j - 1] + a * x[j];
                y[j] = (1 - a) * y[j - 1] + a * y[j];
                w[j] = (1 - a) * w[j - 1] + a * w[j];
            }
        }
        return Point{x[p] / w[p], y[p] / w[p]};
    };
    size_t spans = 0;
    for (size_t i = p; i < n; ++i)
        if (knots[i + 1] > knots[i]) ++spans;
    const size_t samples =
        std::clamp<size_t>(spans * kSpanSegments, 2, std::max<size_t>(2, maxPoints));
    for (size_t i = 0; i <= samples; ++i) {
        const double t = i == samples ? end : start + (end - start) * double(i) / double(samples);
        out.push_back(at(t));
    }
    return true;
}

void appendThroughPoints(std::vector<Point>& out, const std::vector<Point>& fits,
                         size_t maxPoints) {
    std::vector<Point> points;
    for (Point p : fits)
        if (sensible(p) && (points.empty() || !(points.back() == p))) points.push_back(p);
    if (points.size() < 3) {
        out.insert(out.end(), points.begin(), points.end());
        return;
    }
    std::vector<double> ts{0}, xs, ys;
    for (size_t i = 0; i < points.size(); ++i) {
        if (i > 0)
            ts.push_back(ts.back() +
                         std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y));
        xs.push_back(points[i].x);
        ys.push_back(points[i].y);
    }
    const std::vector<double> mx = naturalMoments(ts, xs), my = naturalMoments(ts, ys);
    const size_t pieces = points.size() - 1;
    const int steps = int(std::clamp<size_t>(maxPoints / pieces, 1, kSpanSegments));
    for (size_t i = 0; i < pieces; ++i)
        for (int s = 0; s < steps; ++s) {
            const double t = ts[i] + (ts[i + 1] - ts[i]) * s / steps;
            out.push_back({naturalAt(ts, xs, mx, i, t), naturalAt(ts, ys, my, i, t)});
        }
    out.push_back(points.back());
}

bool appendBeziers(std::vector<Point>& out, const std::vector<Point>& chain, size_t maxPoints) {
    if (chain.size() < 4 || (chain.size() - 1) % 3 != 0) return false;
    const size_t pieces = (chain.size() - 1) / 3;
    const int steps = int(std::clamp<size_t>(maxPoints / pieces, 1, kSpanSegments));
    out.push_back(chain.front());
    for (size_t i = 0; i < pieces; ++i) {
        const Point a = chain[3 * i], b = chain[3 * i + 1], c = chain[3 * i + 2],
                    d = chain[3 * i + 3];
        for (int s = 1; s <= steps; ++s) {
            const double t = double(s) / steps, u = 1 - t;
            const double k0 = u * u * u, k1 = 3 * u * u * t, k2 = 3 * u * t * t, k3 = t * t * t;
            out.push_back({k0 * a.x + k1 * b.x + k2 * c.x + k3 * d.x,
                           k0 * a.y + k1 * b.y + k2 * c.y + k3 * d.y});
        }
    }
    return true;
}

}  // namespace ximora::vector
