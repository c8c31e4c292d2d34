#include "util/checkerboard.h"

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace ximora::util {

namespace {

constexpr int kSquare = 8;  // logical pixels
const QColor kLight(0xcc, 0xcc, 0xcc);
const QColor kDark(0x99, 0x99, 0x99);

}  // namespace

bool mayBeTransparent(const QImage& image) { return !image.isNull() && image.hasAlphaChannel(); }

void paintCheckerboard(QPainter& painter, const QRectF& area, QPointF origin) {
    if (area.isEmpty()) return;
    // Two squares each way, drawn at the device's resolution so that their edges stay sharp.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int side = int(std::lround(2 * kSquare * ratio));
    QPixmap tile(side, side);
    tile.fill(kLight);
    {
        QPainter onTile(&tile);
        onTile.fillRect(0, 0, side / 2, side / 2, kDark);
        onTile.fillRect(side / 2, side / 2, side - side / 2, side - side / 2, kDark);
    }
    tile.setDevicePixelRatio(ratio);
    painter.save();
    painter.setBrushOrigin(origin);
    painter.fillRect(area, QBrush(tile));
    painter.restore();
}

}  // namespace ximora::util
