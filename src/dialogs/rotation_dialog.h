#pragma once
// spImgR "画像の回転": turns and mirrors the working image by fixed steps, or by the angle that
// makes a baseline clicked on the preview horizontal or vertical. Rotations accumulate on the
// working image.

#include <QPoint>

#include "dialogs/adjust_dialog.h"

class QCheckBox;
class QLabel;

namespace ximora::dialogs {

class spImgR : public AdjustDialog {
    Q_OBJECT
  public:
    /// `colourCode` is the editor's ("8.", "24.", ...); `editorMode` its display mode.
    spImgR(const engine::Image& editorImage, int editorMode, const QString& colourCode,
           QWidget* parent = nullptr);

    /// A fixed step: 0 "左180度", 1 "左 90度", 2 "右 90度", 3 "右180度", 4 "上下反転",
    /// 5 "左右反転".
    void turnStep(int index);
    /// A click on the preview at an image pixel: the baseline's start, then its end.
    void pointClicked(QPoint point);
    /// Rotates so that the baseline becomes horizontal (false) or vertical (true).
    void alignBaseline(bool vertical);
    /// "基準線の初期化".
    void clearBaseline();
    /// The angle (hundredths of a degree, anticlockwise) that makes the baseline from `start`
    /// to `end` horizontal or vertical; 0 when it already is either.
    static int baselineAngle(QPoint start, QPoint end, bool vertical);

    QPushButton* stepButton(int index) const { return steps_[index]; }
    QRadioButton* sizeOption(int index) const { return size_[index]; }
    QPushButton* lineButton(int index) const { return lines_[index]; }
    QLabel* prompt() const { return prompt_; }
    QCheckBox* actualSize() { return actualSizeBox(); }
    void closeFromImageMenu(int item) override;

  protected:
    void undoPressed() override;

  private:
    void rotateBy(int angle, bool mirrorLeftRight, bool mirrorTopBottom);
    void drawBaseline();

    const engine::Image& editorImage_;
    int editorMode_;
    QPushButton* steps_[6];
    QRadioButton* size_[2];
    QLabel* prompt_;
    QPushButton* lines_[2];
    QPushButton* clear_;
    QPoint start_, end_;
    int step_ = 0;  // 0 waiting for the start, 1 for the end, 2 baseline complete
};

}  // namespace ximora::dialogs
