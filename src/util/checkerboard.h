#pragma once
// The neutral checkerboard shown behind transparent pixels, the same in every view of a picture
// (the editor at every scaling, the pan window), so that transparency looks alike everywhere.

#include <QPointF>
#include <QRectF>

class QImage;
class QPainter;

namespace ximora::util {

/// Whether `image` has pixels that may let what is behind them show.
bool mayBeTransparent(const QImage& image);

/// Paints the checkerboard over `area` (logical pixels), its squares aligned on `origin` (the
/// picture's top-left corner) so that they move with the picture when it scrolls.
void paintCheckerboard(QPainter& painter, const QRectF& area, QPointF origin);

}  // namespace ximora::util
