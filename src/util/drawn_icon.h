#pragma once
// Small icons the program draws itself (picker keys, colour swatches), sharp on high-density
// screens: drawn once per device pixel ratio rather than scaled up from one small pixmap.

#include <QIcon>
#include <QSize>
#include <functional>

class QPainter;

namespace ximora::util {

/// An icon of `size` logical pixels whose pixmaps for 1×, 1.25×, 1.5×, 2× and 3× screens are
/// each drawn by `paint` in logical coordinates (0, 0 to size).
QIcon drawnIcon(QSize size, const std::function<void(QPainter&)>& paint);

}  // namespace ximora::util
