#pragma once
// The filters the editor runs with fixed parameters (groups "補正" and "効果", job = the filter
// name).

#include <QString>

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::editor {

using FixedFilter = bool (*)(engine::Image& image, const engine::Area& area);

/// The filter named `job`, or nullptr for a name that is not one of them.
FixedFilter fixedFilter(const QString& job);

}  // namespace ximora::editor
