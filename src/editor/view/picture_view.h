#pragma once
// The editor's view of its document: the current image in one of the five scale modes, scroll
// bars where the image is larger than the view, the selection frame with its handles, and the
// three mouse drag modes (rectangle selection, drag-scroll, click zoom).

#include <QAbstractScrollArea>
#include <QCursor>
#include <QLineF>
#include <QPointer>
#include <QRectF>
#include <QTransform>
#include <QVector>
#include <memory>
#include <optional>

#include "editor/draw/drawing_toolbar.h"

#include "editor/view/scaled_pyramid.h"
#include "engine/colour/colour_transform.h"

namespace ximora::editor {

class PictureDocument;
class PanWindow;

class PictureView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit PictureView(PictureDocument& document, QWidget* parent = nullptr);
    ~PictureView() override;

    /// Switches the drag behaviour and pointer: 0 selection, 1 drag-scroll, 2 click zoom.
    void setDragMode(int mode);
    /// Busy pointer on or off (off restores the default pointer, not the drag-mode one).
    void setBusy(bool on);
    /// Shows or hides the pan window, placed from the main window's position.
    void showPanWindow(bool show);
    PanWindow* panWindow() const;

    /// The image rectangle in view coordinates (logical pixels) for the current mode and zoom,
    /// before scrolling.
    QRectF imageRect() const;
    /// The current image's size in pixels (empty without an image).
    QSize imageSize() const;
    /// The part of the image shown, in image pixels.
    QRectF visibleImageRect() const;
    /// Scrolls so that image pixel `centre` is in the middle of the view (actual-size modes).
    void centreOn(QPointF centre);
    /// View point → image pixel (not clipped).
    QPointF toImage(QPointF viewPoint) const;
    QPointF toView(QPointF imagePoint) const;
    /// The drawing toolbar whose tool, colour and width the mouse draws with while the
    /// document says the toolbar is shown.
    void setDrawingToolbar(DrawingToolbar* toolbar) { toolbar_ = toolbar; }
    /// The wheel zooms through the zoom menu's steps around the pointer (off: it scrolls).
    void setWheelZooms(bool on) { wheelZooms_ = on; }
    /// Which picture of the folder the keys ask for.
    enum class Step { Next, Previous, First, Last };
    Q_ENUM(Step)
    /// Space, Page Down and Backspace, Page Up, Home, End (and the arrows while the picture
    /// fits across) ask for another picture of the folder (off: they scroll, as in any view).
    void setStepKeys(bool on) { stepKeys_ = on; }
    /// One zoom step in or out, keeping the image point under `anchor` (view point) in place;
    /// a fitted view switches to actual size at the step beyond its scale.
    void zoomStep(bool in, QPointF anchor);
    void zoomStepAtCentre(bool in);
    /// Device pixels per image pixel as shown now (the zoom factor in "実寸").
    double currentZoom() const;
    /// Lines and rectangles (image pixels) drawn over the picture until it is next shown.
    void setMarks(QVector<QLineF> lines, QVector<QRectF> rectangles);
    /// The conversion of the picture's colours for the display (nullptr: shown as it is).
    const engine::ColourTransform* colourTransform() const { return colour_.get(); }

  signals:
    /// A right click outside the zoom mode (the editor raises ePopUp).
    void popUpRequested();
    /// A file was dropped on the view.
    void fileDropped(const QString& path);
    /// A left click on the picture, at this image pixel (outside the zoom mode).
    void imageClicked(QPointF imagePoint);
    /// A key asked for another picture (only with the step keys on).
    void stepRequested(PictureView::Step step);
    /// The picture is now shown at this zoom (device pixels per image pixel).
    void zoomShown(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void imageChanged();
    void colourChanged();
    void updateScrollBars();
    void paintPicture(QPainter& painter, const QRectF& damaged, const QImage& level,
                      const QRectF& source, bool smooth);
    void reduceAfterPaint(double scale);
    QCursor dragCursor() const;
    int handleAt(QPointF viewPoint) const;
    QRectF selectionInView() const;

    PictureDocument& doc_;
    ScaledPyramid pyramid_;
    std::shared_ptr<const engine::ColourTransform> colour_;
    QPointer<PanWindow> pan_;
    int dragMode_ = 0;
    bool wheelZooms_ = false;
    bool stepKeys_ = false;
    // Space held: a drag with the left button pans; let go without one, it steps on.
    bool spaceHeld_ = false;
    bool spaceDragged_ = false;
    double shownZoom_ = 0;     // as last reported by zoomShown
    bool reducing_ = false;    // a reduced level is to be made after the paint
    double pendingScale_ = 1;  // for the scale of the last paint
    int wheelDelta_ = 0;       // wheel angle not yet spent on a zoom step
    // Mouse gesture in progress.
    enum class Gesture { None, Select, Resize, Scroll } gesture_ = Gesture::None;
    QPointF anchor_;        // image point where a selection started
    int handle_ = -1;       // 0..7 clockwise from top-left while resizing
    QPoint lastMouse_;      // for drag-scroll
    bool panning_ = false;  // the drag-scroll is a pan of the middle button or Space
    // Drawing with the toolbar: the shape under way, if any.
    bool drawMousePress(QPointF imagePoint);
    QTransform imageToView() const;
    QPointer<DrawingToolbar> toolbar_;
    std::optional<DrawnShape> drawing_;
    QVector<QLineF> markLines_;
    QVector<QRectF> markRects_;
};

}  // namespace ximora::editor
