#pragma once
// spImgK "特殊効果": emboss, mosaic, contour, motion blur, wave, ripple, swirl, lens, canvas and
// channel inversion, each on its tab, previewed on the working image.

#include "dialogs/tabbed_adjust_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace ximora::dialogs {

class uSld;

class spImgK : public TabbedAdjustDialog {
    Q_OBJECT
  public:
    enum Tab { Emboss, Mosaic, Contour, Motion, Wave, Ripple, Swirl, Lens, Canvas, Invert };

    spImgK(const engine::Image& editorImage, int editorMode, const editor::Selection& range,
           QWidget* parent = nullptr);

    uSld* slider(int index) const { return sliders_[index]; }
    QComboBox* combo(int index) const { return combos_[index]; }
    QLabel* label(int index) const { return labels_[index]; }
    QCheckBox* channel(int index) const { return channels_[index]; }

  protected:
    void setUpTab(int index) override;
    bool operate(int index, engine::Image& image, const engine::Area& area) override;

  private:
    void fill(int combo, const QStringList& items);

    QGroupBox* invertFrame_;
    QGroupBox* mainFrame_;
    QGroupBox* otherFrame_;
    QLabel* labels_[6];
    QComboBox* combos_[3];
    uSld* sliders_[3];
    QCheckBox* channels_[3];
};

}  // namespace ximora::dialogs
