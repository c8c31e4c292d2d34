#include "editor/view/pan_window.h"

#include <QMouseEvent>
#include <QPainter>

#include "editor/view/display_colour.h"
#include "editor/view/picture_view.h"
#include "editor/view/scaled_pyramid.h"
#include "util/checkerboard.h"

namespace ximora::editor {

PanWindow::PanWindow(PictureView& view, ScaledPyramid& pyramid)
    : QWidget(&view, Qt::Tool), view_(view), pyramid_(pyramid) {
    setWindowTitle(QStringLiteral("ﾊﾟﾝｳｨﾝﾄﾞｳ"));
    setFixedSize(kSide, kSide);
    setCursor(Qt::SizeAllCursor);
}

void PanWindow::imageChanged() {
    overview_ = pyramid_.overview(int(kSide * devicePixelRatioF()));
    DisplayColour::convert(overview_, view_.colourTransform());
    overview_.setDevicePixelRatio(devicePixelRatioF());
    update();
}

QRectF PanWindow::overviewRect() const {
    if (overview_.isNull()) return {};
    const QSizeF size = overview_.deviceIndependentSize();
    return {(width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
            size.height()};
}

void PanWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().dark());
    const QRectF area = overviewRect();
    if (area.isEmpty()) return;
    if (util::mayBeTransparent(overview_)) util::paintCheckerboard(painter, area, area.topLeft());
    painter.drawImage(area.topLeft(), overview_);
    const QRectF visible = view_.visibleImageRect();
    const QSizeF image = view_.imageSize();
    painter.setPen(QPen(Qt::red, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(area.x() + visible.x() * area.width() / image.width(),
                            area.y() + visible.y() * area.height() / image.height(),
                            visible.width() * area.width() / image.width(),
                            visible.height() * area.height() / image.height()));
}

void PanWindow::scrollTo(QPointF point) {
    const QRectF area = overviewRect();
    if (area.isEmpty()) return;
    const QSizeF image = view_.imageSize();
    view_.centreOn({(point.x() - area.x()) * image.width() / area.width(),
                    (point.y() - area.y()) * image.height() / area.height()});
}

void PanWindow::mousePressEvent(QMouseEvent* event) { scrollTo(event->position()); }

void PanWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) scrollTo(event->position());
}

}  // namespace ximora::editor
