#pragma once
// The pan window: a small overview of the whole image with the visible part marked; dragging
// the mark scrolls the view.

#include <QWidget>

namespace ximora::editor {

class PictureView;
class ScaledPyramid;

class PanWindow : public QWidget {
    Q_OBJECT
  public:
    /// Side of the overview in logical pixels.
    static constexpr int kSide = 200;

    PanWindow(PictureView& view, ScaledPyramid& pyramid);
    /// Rebuilds the overview for the view's current image.
    void imageChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QRectF overviewRect() const;
    void scrollTo(QPointF point);

    PictureView& view_;
    ScaledPyramid& pyramid_;
    QImage overview_;
};

}  // namespace ximora::editor
