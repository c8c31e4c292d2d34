#include "vector/scene/scene.h"

#include <algorithm>
#include <cmath>

namespace ximora::vector {

bool sensible(double v) { return std::isfinite(v) && std::fabs(v) < 1e12; }

namespace {

bool allSensible(const std::vector<Point>& points) {
    return std::all_of(points.begin(), points.end(), [](Point p) { return sensible(p); });
}

}  // namespace

void Scene::bound() {
    min = {1, 1};
    max = {0, 0};
    const auto grow = [this](Point p) {
        if (empty()) {
            min = max = p;
            return;
        }
        min = {std::min(min.x, p.x), std::min(min.y, p.y)};
        max = {std::max(max.x, p.x), std::max(max.y, p.y)};
    };
    for (const Fill& fill : fills)
        for (const auto& ring : fill.rings)
            for (Point p : ring) grow(p);
    for (const Path& path : paths)
        for (Point p : path.points) grow(p);
    for (const Label& label : labels) {
        grow(label.at);
        grow({label.at.x, label.at.y + label.height});
    }
}

bool SceneBuilder::addPath(Path path) {
    if (path.points.size() < 2 || !allSensible(path.points)) return !overflow();
    if (!budget_.take(path.points.size())) return false;
    scene_.paths.push_back(std::move(path));
    return true;
}

bool SceneBuilder::addFill(Fill fill) {
    size_t points = 0;
    std::erase_if(fill.rings,
                  [](const auto& ring) { return ring.size() < 3 || !allSensible(ring); });
    for (const auto& ring : fill.rings) points += ring.size();
    std::erase_if(fill.hatches, [](const HatchLines& h) {
        return !sensible(h.origin) || !sensible(h.angle) || !sensible(h.spacing) ||
               !(h.spacing > 0);
    });
    std::erase_if(fill.tiles, [](const TilePattern& t) {
        const double cross = t.step1.x * t.step2.y - t.step1.y * t.step2.x;
        return t.motif.empty() || !sensible(t.origin) || !sensible(t.step1) || !sensible(t.step2) ||
               !std::isnormal(cross) ||
               std::any_of(t.motif.begin(), t.motif.end(), [](const TilePattern::Segment& s) {
                   return !sensible(s.from) || !sensible(s.to);
               });
    });
    for (const TilePattern& t : fill.tiles) points += 2 * t.motif.size();
    if (fill.rings.empty() || (!fill.solid && fill.hatches.empty() && fill.tiles.empty()))
        return !overflow();
    if (!budget_.take(points)) return false;
    scene_.fills.push_back(std::move(fill));
    return true;
}

bool SceneBuilder::addLabel(Label label) {
    if (label.text.empty() || !sensible(label.at) || !sensible(label.height) ||
        !(label.height > 0) || !sensible(label.width) || label.width < 0 ||
        !sensible(label.angle) || !sensible(label.slant))
        return !overflow();
    if (!budget_.take(2)) return false;
    scene_.labels.push_back(std::move(label));
    return true;
}

}  // namespace ximora::vector
