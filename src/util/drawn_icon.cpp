#include "util/drawn_icon.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace ximora::util {

QIcon drawnIcon(QSize size, const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (const double ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        QPixmap pixmap(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio)));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace ximora::util
