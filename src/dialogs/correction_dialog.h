#pragma once
// spImgH "画像の補正": noise removal, edge smoothing, blur, sharpening, tone curve, brightness
// and saturation, each on its tab, previewed on the working image.

#include "dialogs/tabbed_adjust_dialog.h"

class QCheckBox;
class QLabel;

namespace ximora::dialogs {

class uSld;

class spImgH : public TabbedAdjustDialog {
    Q_OBJECT
  public:
    enum Tab { Noise, Smooth, Blur, Sharpen, Spline, Brightness, Saturation };

    spImgH(const engine::Image& editorImage, int editorMode, const editor::Selection& range,
           QWidget* parent = nullptr);

    uSld* slider(int index) const { return sliders_[index]; }
    QCheckBox* linked() const { return linked_; }
    QCheckBox* perChannel() const { return perChannel_; }
    QCheckBox* splineChannel(int index) const { return splineChannels_[index]; }
    QRadioButton* splineSpace(int index) const { return splineSpace_[index]; }

  protected:
    void setUpTab(int index) override;
    bool operate(int index, engine::Image& image, const engine::Area& area) override;

  private:
    void colourSliderMoved(int index);
    void splineSpaceChosen();

    QGroupBox* brightnessFrame_;
    QGroupBox* levelFrame_;
    QGroupBox* smoothFrame_;
    QGroupBox* noiseFrame_;
    QGroupBox* splineFrame_;
    uSld* sliders_[7];
    QLabel* levelLabel_;
    QCheckBox* linked_;
    QCheckBox* perChannel_;
    QCheckBox* splineChannels_[3];
    QRadioButton* splineSpace_[2];
};

}  // namespace ximora::dialogs
