#pragma once
// `sbWmf`: the vector viewer. Shows a drawing stretched to the window; the user sizes the
// window, and "Ok(&O)" renders the drawing at exactly the shown size.

#include <QDialog>
#include <QImage>
#include <memory>

#include "vector/vector_drawing.h"

class QAction;
class QMenuBar;

namespace ximora::util {

class sbWmf : public QDialog {
    Q_OBJECT
  public:
    explicit sbWmf(QWidget* parent = nullptr);
    ~sbWmf() override;

    /// Puts the drawing into `Image1`; the caller does this before Act.
    void setDrawing(std::shared_ptr<const vector::VectorDrawing> drawing);

    /// Places the window at `left`, `top` (screen pixels) with room for the drawing at `width`
    /// × `height` pixels and runs it modally. True when the user chose "Ok(&O)": `picture` then
    /// holds the drawing rendered at the size shown (32-bit RGB over white). Otherwise false and
    /// `picture` is untouched.
    bool Act(int left, int top, int width, int height, QImage& picture);

    /// True from the start of Act until the window is first activated; meanwhile resizes do
    /// not move `Image1`.
    bool settingUp() const { return settingUp_; }
    /// The shown drawing (`Image1`), in window coordinates.
    QWidget* Image1() const { return image1_; }
    /// `mnRet(0)` "Ok(&O)", `mnRet(1)` "Cancel(&C)".
    QAction* mnRet(int index) const { return index == 0 ? ok_ : cancel_; }

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void choose(bool ok);
    /// Moves the drawing to the area under the menu bar with `size` (each at least 1).
    void placeImage(QSize size);
    int menuHeight() const;

    QMenuBar* menu_ = nullptr;
    QAction* ok_ = nullptr;
    QAction* cancel_ = nullptr;
    QWidget* image1_ = nullptr;
    std::shared_ptr<const vector::VectorDrawing> drawing_;
    QImage picture1_;
    bool settingUp_ = false;
    bool result_ = false;
};

}  // namespace ximora::util
