#pragma once
// What the adjustment dialogs share: a preview editor control (ikImg) showing the working copy of
// the editor's image, placement near the main window's lower right, the busy pointer around
// engine work, the actual-size / fitted display choice, the image menu that ends the dialog,
// and the result handed back to the editor.

#include <QDialog>
#include <QPoint>
#include <functional>

#include "engine/core/image.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ximora::editor {
class uPcE;
}

namespace ximora::dialogs {

class AdjustDialog : public QDialog {
    Q_OBJECT
  public:
    /// Caption items of the image menu of the label "画像(&F)".
    static constexpr int kApplyAndClose = 0;   // "画像を更新して閉じる"
    static constexpr int kCancelAndClose = 1;  // "編集はｷｬﾝｾﾙして閉じる"

    AdjustDialog(const QString& caption, QSize size, QWidget* parent);
    ~AdjustDialog() override;

    /// The working image as the preview shows it.
    const engine::Image& working() const;
    /// True once the dialog handed its result back (see result()).
    bool replaced() const { return replaced_; }
    /// The image to give the editor when replaced() is true.
    const engine::Image& result() const { return result_; }

    editor::uPcE* preview() const { return ikImg_; }
    /// The labels "画像(&F)" (index 0) and "戻す(&U)" (1), made on first use.
    QPushButton* commandLabel(int index);
    /// Ends the dialog as the image menu does: `item` is kApplyAndClose, kCancelAndClose or -1
    /// for a menu closed without a choice.
    virtual void closeFromImageMenu(int item);
    /// The check box "実寸表示" (chDsp) and its zoom picture (imDsp), made on first use: the
    /// box chooses actual size (mode 3) or fitted (1); the picture, enabled while the box is
    /// checked, zooms in on a left click and out on a right click.
    QCheckBox* actualSizeBox();
    QLabel* zoomPicture();

  protected:
    /// Shows `image` as the working image in display mode 1 (fitted) or 3 (actual size).
    void showWorking(engine::Image image, int mode);
    /// Redraws the working image in `mode`; actual size starts at zoom 1.
    void redraw(int mode);
    /// Hands `image` back and closes.
    void finish(engine::Image image);
    void busy(bool on);
    /// The display options "実寸" (0) and "ｽｹｰﾙ" (1), made on first use.
    QRadioButton* displayOption(int index);
    /// 3 while "実寸表示" is checked, else 1.
    int actualSizeMode() const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    /// No button of these dialogs is pressed by Enter: Enter belongs to the value boxes.
    void showEvent(QShowEvent* event) override;
    /// Reports clicks on the preview as image pixels to `handler`; drags then scroll the
    /// preview instead of selecting.
    void reportPreviewClicks(std::function<void(QPoint)> handler);
    /// Undo label pressed.
    virtual void undoPressed() {}
    /// Display option chosen: mode 3 or 1.
    virtual void displayChosen(int mode) { redraw(mode); }

  private:
    void popUpImageMenu();

    editor::uPcE* ikImg_;
    QPushButton* labels_[2] = {};
    QRadioButton* display_[2] = {};
    QCheckBox* actualSize_ = nullptr;
    QLabel* zoom_ = nullptr;
    engine::Image result_;
    bool replaced_ = false;
};

}  // namespace ximora::dialogs
