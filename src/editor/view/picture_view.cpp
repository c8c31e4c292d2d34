#include "editor/view/picture_view.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "editor/document/picture_document.h"
#include "editor/document/zoom_steps.h"
#include "editor/draw/drawing_toolbar.h"
#include "editor/view/display_colour.h"
#include "editor/view/drag_pointers.h"
#include "editor/view/pan_window.h"
#include "util/checkerboard.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/timing_trace.h"

namespace ximora::editor {
namespace {

constexpr double kHandle = 3.0;  // half side of a selection handle, logical pixels

bool supportedExtension(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toUpper();
    return !ext.isEmpty() && PictureDocument::kExtensions.split(';').contains(ext);
}

}  // namespace

PictureView::PictureView(PictureDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(document) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(dragCursor());
    connect(&doc_, &PictureDocument::imageShown, this, &PictureView::imageChanged);
    connect(&doc_, &PictureDocument::zoomChanged, this, [this] {
        updateScrollBars();
        viewport()->update();
        if (pan_) pan_->update();
    });
    connect(&doc_, &PictureDocument::selectionChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&doc_, &PictureDocument::drawingChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&DisplayColour::instance(), &DisplayColour::changed, this, &PictureView::colourChanged);
}

PictureView::~PictureView() { delete pan_; }

PanWindow* PictureView::panWindow() const { return pan_; }

// --- geometry ----------------------------------------------------------------------------------

QRectF PictureView::imageRect() const {
    const QSize size = doc_.pictureSize();
    if (size.isEmpty()) return {};
    const double W = size.width(), H = size.height();
    const QSizeF v = viewport()->size();
    double sx = 1, sy = 1;
    switch (doc_.scaleMode()) {
        case 2:
            sx = v.width() / W, sy = v.height() / H;
            break;
        case 3:
            // Actual size is one image pixel per device pixel, also on high-density screens.
            sx = doc_.zoomX() / devicePixelRatioF(), sy = doc_.zoomY() / devicePixelRatioF();
            break;
        case 4:
            sx = sy = v.width() / W;
            break;
        case 5:
            sx = sy = v.height() / H;
            break;
        default:
            sx = sy = std::min(v.width() / W, v.height() / H);
            break;
    }
    const double w = W * sx, h = H * sy;
    // Centred where smaller than the view; scrolled from the top-left where larger.
    const double x = w < v.width() ? (v.width() - w) / 2 : 0;
    const double y = h < v.height() ? (v.height() - h) / 2 : 0;
    return {x, y, w, h};
}

QPointF PictureView::toImage(QPointF p) const {
    const QRectF r = imageRect();
    if (r.isEmpty()) return {};
    const QPointF scrolled =
        p + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return {(scrolled.x() - r.x()) * doc_.pictureSize().width() / r.width(),
            (scrolled.y() - r.y()) * doc_.pictureSize().height() / r.height()};
}

QPointF PictureView::toView(QPointF q) const {
    const QRectF r = imageRect();
    if (r.isEmpty()) return {};
    return {
        r.x() + q.x() * r.width() / doc_.pictureSize().width() - horizontalScrollBar()->value(),
        r.y() + q.y() * r.height() / doc_.pictureSize().height() - verticalScrollBar()->value()};
}

QSize PictureView::imageSize() const { return doc_.pictureSize(); }

QRectF PictureView::visibleImageRect() const {
    if (doc_.pictureSize().isEmpty()) return {};
    const QRectF shown(toImage({0, 0}),
                       toImage(QPointF(viewport()->width(), viewport()->height())));
    return shown.intersected(QRectF(0, 0, doc_.pictureSize().width(), doc_.pictureSize().height()));
}

void PictureView::updateScrollBars() {
    const QRectF r = imageRect();
    const QSize v = viewport()->size();
    // A fitted side equals the view's side up to rounding, which must not show a scroll bar.
    const auto overhang = [](double image, int view) {
        return std::max(0, int(std::ceil(image - 1e-6)) - view);
    };
    horizontalScrollBar()->setRange(0, overhang(r.width(), v.width()));
    verticalScrollBar()->setRange(0, overhang(r.height(), v.height()));
    horizontalScrollBar()->setPageStep(v.width());
    verticalScrollBar()->setPageStep(v.height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    const double zoom = doc_.pictureSize().isEmpty() ? 0 : currentZoom();
    if (zoom != shownZoom_) {
        shownZoom_ = zoom;
        if (zoom > 0) emit zoomShown(zoom);
    }
}

void PictureView::centreOn(QPointF centre) {
    const QRectF r = imageRect();
    if (r.isEmpty()) return;
    horizontalScrollBar()->setValue(int(
        r.x() + centre.x() * r.width() / doc_.pictureSize().width() - viewport()->width() / 2.0));
    verticalScrollBar()->setValue(int(r.y() +
                                      centre.y() * r.height() / doc_.pictureSize().height() -
                                      viewport()->height() / 2.0));
}

void PictureView::setMarks(QVector<QLineF> lines, QVector<QRectF> rectangles) {
    markLines_ = std::move(lines);
    markRects_ = std::move(rectangles);
    viewport()->update();
}

void PictureView::imageChanged() {
    markLines_.clear();
    markRects_.clear();
    pyramid_.reset(&doc_.shownImage());
    colour_ = DisplayColour::instance().transformFor(doc_.shownImage());
    updateScrollBars();
    viewport()->update();
    if (pan_) pan_->imageChanged();
}

void PictureView::colourChanged() {
    colour_ = DisplayColour::instance().transformFor(doc_.shownImage());
    viewport()->update();
    if (pan_) pan_->imageChanged();
}

void PictureView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (pan_) pan_->update();
}

void PictureView::scrollContentsBy(int, int) {
    viewport()->update();
    if (pan_) pan_->update();
}

// --- painting ----------------------------------------------------------------------------------

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRectF placed = imageRect();
    if (placed.isEmpty()) return;
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRectF target = placed.translated(-scroll);
    // Only the damaged part of the image is drawn, from the smallest level that still has at
    // least one pixel per device pixel.
    const QRectF damaged = target.intersected(QRectF(event->rect()));
    if (damaged.isEmpty()) return;
    const double W = doc_.pictureSize().width(), H = doc_.pictureSize().height();
    const double scale = std::max(target.width() / W, target.height() / H) * devicePixelRatioF();
    int factor = 1;
    // The pyramid is made from what is shown: a large picture's first view is smaller than the
    // picture, so each of its pixels covers more of the screen.
    const double shownScale = scale * W / doc_.shownImage().width();
    bool ready = true;
    const QImage* built = &pyramid_.builtLevelFor(shownScale, factor, ready);
    // A reduced level not made yet is made in this paint for a picture of a usual size (tens of
    // milliseconds), so that it appears once, finished. A large one is reduced after this
    // paint: it shows at once, roughly sampled, rather than leaving the window unpainted.
    if (!ready && W * H < double(LargePictureLoad::kLargePixels)) {
        built = &pyramid_.levelFor(shownScale, factor);
        ready = true;
    }
    if (!ready) reduceAfterPaint(shownScale);
    const QImage& level = *built;
    const double fx = level.width() / W, fy = level.height() / H;
    const QRectF source((damaged.x() - target.x()) * W / target.width() * fx,
                        (damaged.y() - target.y()) * H / target.height() * fy,
                        damaged.width() * W / target.width() * fx,
                        damaged.height() * H / target.height() * fy);
    if (util::mayBeTransparent(level)) util::paintCheckerboard(painter, damaged, target.topLeft());
    paintPicture(painter, damaged, level, source, ready && shownScale * factor < 1.0);
    if (ready && !doc_.showsFirstView()) {
        util::trace::picturePainted(true);
        doc_.wholePictureShown();
    } else {
        util::trace::picturePainted(false);
    }

    if (!markLines_.isEmpty() || !markRects_.isEmpty()) {
        painter.setPen(QPen(Qt::red, 0));
        painter.setBrush(Qt::NoBrush);
        for (const QLineF& line : markLines_)
            painter.drawLine(toView(line.p1()), toView(line.p2()));
        for (const QRectF& r : markRects_)
            painter.drawRect(QRectF(toView(r.topLeft()), toView(r.bottomRight())));
    }

    if (!doc_.drawing().empty() || drawing_) {
        const QTransform toView = imageToView();
        doc_.drawing().paint(painter, toView);
        if (drawing_) Drawing::paint(painter, toView, *drawing_);
    }

    const QRectF sel = selectionInView();
    if (!sel.isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::white, 0));
        painter.drawRect(sel);
        painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
        painter.drawRect(sel);
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::white);
        const QPointF c = sel.center();
        for (const QPointF& p :
             {sel.topLeft(), QPointF(c.x(), sel.top()), sel.topRight(), QPointF(sel.right(), c.y()),
              sel.bottomRight(), QPointF(c.x(), sel.bottom()), sel.bottomLeft(),
              QPointF(sel.left(), c.y())})
            painter.drawRect(QRectF(p.x() - kHandle, p.y() - kHandle, 2 * kHandle, 2 * kHandle));
    }
}

void PictureView::reduceAfterPaint(double scale) {
    pendingScale_ = scale;
    if (reducing_) return;
    reducing_ = true;
    QTimer::singleShot(0, this, [this] {
        reducing_ = false;
        int factor = 1;
        pyramid_.levelFor(pendingScale_, factor);
        viewport()->update();
    });
}

// Draws the part `source` of `level` into `damaged`. A picture shown in the display's colours
// is converted where it costs least: its own pixels under the painted part when they are fewer
// than the device pixels painted (zoomed in), else a tile of the device pixels into which it
// has been drawn to scale (zoomed out). Either way the cost follows the view's size, never the
// picture's. A picture with alpha always goes the first way: straight colours convert exactly.
void PictureView::paintPicture(QPainter& painter, const QRectF& damaged, const QImage& level,
                               const QRectF& source, bool smooth) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (!colour_) {
        painter.drawImage(damaged, level, source);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QRect device = QRectF(damaged.topLeft() * ratio, damaged.size() * ratio).toAlignedRect();
    const QRect part = source.toAlignedRect().intersected(level.rect());
    if (device.isEmpty() || part.isEmpty()) return;
    const bool alpha = level.hasAlphaChannel();
    if (alpha || qint64(part.width()) * part.height() <= qint64(device.width()) * device.height()) {
        QImage piece =
            level.copy(part).convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        DisplayColour::convert(piece, colour_.get());
        painter.drawImage(damaged, piece, source.translated(-QPointF(part.topLeft())));
        return;
    }
    QImage tile(device.size(), QImage::Format_ARGB32_Premultiplied);
    if (tile.isNull()) return;
    tile.fill(Qt::transparent);
    {
        QPainter onTile(&tile);
        onTile.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        onTile.scale(ratio, ratio);
        onTile.translate(-QPointF(device.topLeft()) / ratio);
        onTile.drawImage(damaged, level, source);
    }
    DisplayColour::convert(tile, colour_.get());
    tile.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(device.topLeft()) / ratio, tile);
}

QRectF PictureView::selectionInView() const {
    const Selection s = doc_.selection();
    if (s.empty()) return {};
    return QRectF(toView(QPointF(s.left, s.top)), toView(QPointF(s.right, s.bottom)));
}

// --- mouse -------------------------------------------------------------------------------------

QCursor PictureView::dragCursor() const {
    if (dragMode_ == 0) return Qt::CrossCursor;
    // Without its picture in the program data folder the mode keeps the standard pointer.
    return dragPointer(dragMode_, util::shared().sApDir).value_or(QCursor(Qt::ArrowCursor));
}

void PictureView::setDragMode(int mode) {
    dragMode_ = mode;
    viewport()->setCursor(dragCursor());
}

void PictureView::setBusy(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

int PictureView::handleAt(QPointF p) const {
    const QRectF sel = selectionInView();
    if (sel.isEmpty()) return -1;
    const QPointF c = sel.center();
    const QPointF points[] = {sel.topLeft(),     QPointF(c.x(), sel.top()),
                              sel.topRight(),    QPointF(sel.right(), c.y()),
                              sel.bottomRight(), QPointF(c.x(), sel.bottom()),
                              sel.bottomLeft(),  QPointF(sel.left(), c.y())};
    for (int i = 0; i < 8; ++i)
        if (std::abs(points[i].x() - p.x()) <= kHandle + 1 &&
            std::abs(points[i].y() - p.y()) <= kHandle + 1)
            return i;
    return -1;
}

QTransform PictureView::imageToView() const {
    const QRectF r = imageRect();
    if (r.isEmpty()) return {};
    QTransform t;
    t.translate(r.x() - horizontalScrollBar()->value(), r.y() - verticalScrollBar()->value());
    t.scale(r.width() / doc_.pictureSize().width(), r.height() / doc_.pictureSize().height());
    return t;
}

// A press with the drawing toolbar shown: starts a shape, or places a text or a stamp at once.
// False when the tool draws nothing (the pointer).
bool PictureView::drawMousePress(QPointF imagePoint) {
    if (!toolbar_) return false;
    DrawnShape shape;
    shape.tool = toolbar_->tool();
    shape.colour = toolbar_->colour();
    shape.width = toolbar_->lineWidth();
    shape.points = {imagePoint, imagePoint};
    switch (shape.tool) {
        case DrawTool::None:
        case DrawTool::Pointer:
            return false;
        case DrawTool::Text: {
            const std::optional<QString> text = util::messages().input(
                QStringLiteral("文字を入力して下さい"), QStringLiteral("文字"), {});
            if (!text || text->isEmpty()) return true;
            shape.text = *text;
            shape.fontSize = std::max(8, shape.width * 8);
            doc_.addShape(std::move(shape));
            return true;
        }
        case DrawTool::Stamp:
            shape.stamp = toolbar_->stamp();
            if (!shape.stamp.isNull()) doc_.addShape(std::move(shape));
            return true;
        default:
            drawing_ = std::move(shape);
            return true;
    }
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    if (doc_.pictureSize().isEmpty()) return;
    // The middle button, or the left one with Space held, pans in every mode.
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        spaceDragged_ = spaceHeld_;
        panning_ = true;
        gesture_ = Gesture::Scroll;
        lastMouse_ = event->position().toPoint();
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (doc_.toolbarShown()) {
        // Clicks draw; the pop-up menu and the drag modes wait until drawing ends.
        if (event->button() == Qt::LeftButton) drawMousePress(toImage(event->position()));
        return;
    }
    if (dragMode_ == 2) {
        doc_.clickZoom(event->button() == Qt::LeftButton);
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (doc_.editState() != kStateInitial) emit popUpRequested();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    emit imageClicked(toImage(event->position()));
    lastMouse_ = event->position().toPoint();
    if (dragMode_ == 1) {
        gesture_ = Gesture::Scroll;
        return;
    }
    handle_ = handleAt(event->position());
    if (handle_ >= 0) {
        // The corner (or edge) opposite the handle stays where it is.
        const Selection s = doc_.selection();
        const double xs[] = {double(s.right), -1, double(s.left),  double(s.left),
                             double(s.left),  -1, double(s.right), double(s.right)};
        const double ys[] = {double(s.bottom), double(s.bottom), double(s.bottom), -1,
                             double(s.top),    double(s.top),    double(s.top),    -1};
        anchor_ = QPointF(xs[handle_], ys[handle_]);
        gesture_ = Gesture::Resize;
        return;
    }
    anchor_ = toImage(event->position());
    gesture_ = Gesture::Select;
    doc_.clearSelection();
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    if (drawing_) {
        const QPointF p = toImage(event->position());
        if (drawing_->tool == DrawTool::Pen)
            drawing_->points.push_back(p);
        else
            drawing_->points.back() = p;
        viewport()->update();
        return;
    }
    if (gesture_ == Gesture::Scroll) {
        const QPoint delta = event->position().toPoint() - lastMouse_;
        lastMouse_ = event->position().toPoint();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta.x());
        verticalScrollBar()->setValue(verticalScrollBar()->value() - delta.y());
        return;
    }
    if (gesture_ == Gesture::None) return;
    const QPointF p = toImage(event->position());
    Selection s = doc_.selection();
    if (gesture_ == Gesture::Resize) {
        // A handle on an edge moves only that edge.
        if (anchor_.x() >= 0) {
            s.left = int(std::lround(anchor_.x()));
            s.right = int(std::lround(p.x()));
        }
        if (anchor_.y() >= 0) {
            s.top = int(std::lround(anchor_.y()));
            s.bottom = int(std::lround(p.y()));
        }
    } else {
        s = {int(std::lround(anchor_.x())), int(std::lround(anchor_.y())), int(std::lround(p.x())),
             int(std::lround(p.y()))};
    }
    doc_.setSelection(s);
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (drawing_) {
        mouseMoveEvent(event);
        DrawnShape finished = std::move(*drawing_);
        drawing_.reset();
        doc_.addShape(std::move(finished));
        return;
    }
    if (gesture_ == Gesture::Resize && doc_.selection().empty()) handle_ = -1;
    if (gesture_ != Gesture::None && gesture_ != Gesture::Scroll) mouseMoveEvent(event);
    gesture_ = Gesture::None;
    if (panning_) {
        panning_ = false;
        viewport()->setCursor(spaceHeld_ ? QCursor(Qt::OpenHandCursor) : dragCursor());
    }
}

// --- keys that step through the folder -----------------------------------------------------------

void PictureView::keyPressEvent(QKeyEvent* event) {
    if (!stepKeys_ || (event->modifiers() & ~Qt::KeypadModifier)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    // The arrows scroll a picture wider than the view; across a fitted one they step.
    const bool fitsAcross = horizontalScrollBar()->maximum() == 0;
    std::optional<Step> step;
    switch (event->key()) {
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) {
                spaceHeld_ = true;
                spaceDragged_ = false;
                if (gesture_ == Gesture::None) viewport()->setCursor(Qt::OpenHandCursor);
            }
            event->accept();
            return;
        case Qt::Key_PageDown:
            step = Step::Next;
            break;
        case Qt::Key_PageUp:
        case Qt::Key_Backspace:
            step = Step::Previous;
            break;
        case Qt::Key_Home:
            step = Step::First;
            break;
        case Qt::Key_End:
            step = Step::Last;
            break;
        case Qt::Key_Right:
            if (fitsAcross) step = Step::Next;
            break;
        case Qt::Key_Left:
            if (fitsAcross) step = Step::Previous;
            break;
        default:
            break;
    }
    if (!step) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    emit stepRequested(*step);
}

void PictureView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || !spaceHeld_) {
        QAbstractScrollArea::keyReleaseEvent(event);
        return;
    }
    event->accept();
    spaceHeld_ = false;
    if (!panning_) viewport()->setCursor(dragCursor());
    if (!spaceDragged_) emit stepRequested(Step::Next);
}

void PictureView::focusOutEvent(QFocusEvent* event) {
    // Space let go in another window: no step, and no pan waiting for the next click.
    if (spaceHeld_ && !panning_) viewport()->setCursor(dragCursor());
    spaceHeld_ = false;
    QAbstractScrollArea::focusOutEvent(event);
}

// --- wheel and zoom keys ------------------------------------------------------------------------

double PictureView::currentZoom() const {
    if (doc_.scaleMode() == 3) return doc_.zoomX();
    const QRectF r = imageRect();
    return r.isEmpty() ? 1.0 : r.width() / doc_.pictureSize().width() * devicePixelRatioF();
}

void PictureView::zoomStep(bool in, QPointF anchor) {
    if (doc_.pictureSize().isEmpty()) return;
    const double now = currentZoom();
    const double next = nextZoomStep(now, in);
    if (next == now) return;
    const QPointF fixed = toImage(anchor);
    doc_.zoomTo(next);
    // The image point that was under the anchor stays there.
    const QRectF r = imageRect();
    horizontalScrollBar()->setValue(
        int(std::lround(r.x() + fixed.x() * r.width() / doc_.pictureSize().width() - anchor.x())));
    verticalScrollBar()->setValue(int(
        std::lround(r.y() + fixed.y() * r.height() / doc_.pictureSize().height() - anchor.y())));
}

void PictureView::zoomStepAtCentre(bool in) {
    zoomStep(in, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void PictureView::wheelEvent(QWheelEvent* event) {
    // Shift (and sideways wheels) scroll as in any scrolled view.
    if (!wheelZooms_ || doc_.pictureSize().isEmpty() || (event->modifiers() & Qt::ShiftModifier) ||
        event->angleDelta().y() == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    event->accept();
    // Touchpads send many small deltas; one step is one notch of a wheel.
    constexpr int kNotch = 120;
    wheelDelta_ += event->angleDelta().y();
    while (std::abs(wheelDelta_) >= kNotch) {
        const bool in = wheelDelta_ > 0;
        wheelDelta_ -= in ? kNotch : -kNotch;
        zoomStep(in, event->position());
    }
}

// --- drops and the pan window --------------------------------------------------------------------

void PictureView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PictureView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    const QString path = urls.first().toLocalFile();
    if (!supportedExtension(path)) return;
    event->acceptProposedAction();
    emit fileDropped(path);
}

void PictureView::showPanWindow(bool show) {
    if (!show) {
        if (pan_) pan_->hide();
        return;
    }
    if (!pan_) pan_ = new PanWindow(*this, pyramid_);
    const QWidget* main = util::shared().mainWindow ? util::shared().mainWindow.data() : window();
    const QRect frame = main->frameGeometry();
    pan_->move(std::max(0, frame.left() - 200), std::max(0, frame.top()));
    pan_->imageChanged();
    pan_->show();
}

}  // namespace ximora::editor
