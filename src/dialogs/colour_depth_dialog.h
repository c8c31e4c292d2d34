#pragma once
// spImgC "ｶﾗ-設定": converts the editor's image to another colour depth, previewed. Every
// preview that changes the depth starts again from the editor's image, so a change of fixed
// palette, error diffusion or threshold never builds on an earlier preview.

#include "dialogs/adjust_dialog.h"

class QCheckBox;

namespace ximora::dialogs {

class uSld;

class spImgC : public AdjustDialog {
    Q_OBJECT
  public:
    /// `colourCode` is the image's code ("2.", "4.", "40.", "8.", "80.", "16.", "24.", "32.";
    /// anything else chooses "白黒").
    spImgC(const engine::Image& editorImage, const QString& colourCode, QWidget* parent = nullptr);

    /// The conversion code of option `index` (1, 4, 40, 8, 80, 16, 24, 32).
    static int conversionCode(int index);

    QRadioButton* colourOption(int index) const { return options_[index]; }
    QCheckBox* fixedPalette() const { return fixed_; }
    QCheckBox* errorDiffusion() const { return diffusion_; }
    uSld* threshold() const { return threshold_; }
    QPushButton* invertButton() const { return invert_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    int chosenCode() const { return chosen_; }

  protected:
    void displayChosen(int mode) override;

  private:
    void choose(int index);
    void updatePreview();
    void invertPreview();

    const engine::Image& editorImage_;
    QRadioButton* options_[8];
    QCheckBox* fixed_;
    QCheckBox* diffusion_;
    uSld* threshold_;
    QPushButton* invert_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int chosen_ = 1;
    int ownCode_ = 0;  // the image's code, 2 for black and white
    int shownMode_ = 3;
};

}  // namespace ximora::dialogs
