#pragma once
// spImgSV "画像の保存(詳細指定)": saves a copy of the editor's image under a new name with the
// format, compression, interlacing, quality and transparent colour chosen here. Works on its
// own copy in the preview; the editor's image never changes and nothing is handed back.

#include <QPoint>

#include "dialogs/adjust_dialog.h"
#include "engine/core/image.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QSlider;

namespace ximora::dialogs {

class spImgSV : public AdjustDialog {
    Q_OBJECT
  public:
    /// The format groups, in the order their first chosen button wins. WebP, a format added
    /// later, comes last.
    enum Format { Bmp, Jpeg, Gif, Tiff, Png, Fpx, Jpeg2000, Webp, kFormats };

    /// What the chosen option button saves: the engine's format code, the interlace flag and
    /// the extension ("bmp", "jpg", ...).
    struct Choice {
        int code;
        bool interlace;
        const char* extension;
    };

    /// `startFolder` is where the file dialog opens (empty: the working folder).
    explicit spImgSV(const engine::Image& image, const QString& startFolder = {},
                     QWidget* parent = nullptr);

    /// Opens the dialog on the image of handle `nHnd` (nothing happens for 0 or an unknown
    /// handle) and destroys it when closed.
    static void Act(int nHnd, QWidget* parent = nullptr, const QString& startFolder = {});

    /// The option button of `format` (index 0 or 1).
    QRadioButton* formatOption(Format format, int index) const;
    Choice choice() const;
    /// The quality slider `Slider1` (0 to 100).
    QSlider* quality() const { return slider_; }
    QCheckBox* transparent() const { return chTrans_; }
    /// The sample `lbColor` of the picked transparent colour.
    QLabel* colourSample() const { return lbColor_; }
    /// The picked transparent colour as 0xRRGGBB (black until one is picked).
    int transparentColour() const { return colour_; }
    /// `cmRet` (0) "保存(&S)", (1) "閉じる".
    QPushButton* button(int index) const { return cmRet_[index]; }

    /// A copy of the preview image at a colour depth the chosen format accepts (256 colours
    /// for GIF, 24 bits otherwise, unless it has one already) into `out`; false when the
    /// conversion failed. The preview itself stays as it is, whatever format is tried.
    bool prepared(engine::Image& out);
    /// A click on the preview at image pixel `point`: takes the pixel's colour in the image
    /// prepared for the chosen format as the transparent colour.
    void pickColour(QPoint point);
    /// "保存(&S)": prepares the image, asks for the file name, writes the file and closes.
    void save();

  private:
    void setTransparentColour(int rgb);
    /// The chosen option button as (format, index).
    QPoint chosenButton() const;

    QRadioButton* options_[kFormats][2];
    QButtonGroup* group_;
    QSlider* slider_;
    QCheckBox* chTrans_;
    QLabel* lbColor_;
    QPushButton* cmRet_[2];
    QString startFolder_;
    int colour_ = 0;
};

}  // namespace ximora::dialogs
