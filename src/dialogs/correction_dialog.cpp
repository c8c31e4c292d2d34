#include "dialogs/correction_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "dialogs/spline_points.h"
#include "dialogs/value_slider.h"
#include "engine/ops/corrections.h"
#include "engine/ops/tone.h"
#include "util/shared_values.h"

namespace ximora::dialogs {
namespace {

const QStringList kTabs = {QStringLiteral("ﾉｲｽﾞの除去"), QStringLiteral("淵を滑らかに"),
                           QStringLiteral("ぼかし"),     QStringLiteral("ｼｬｰﾌﾟ"),
                           QStringLiteral("ｽﾌﾟﾗｲﾝ補正"), QStringLiteral("明度"),
                           QStringLiteral("彩度")};

}  // namespace

spImgH::spImgH(const engine::Image& editorImage, int editorMode, const editor::Selection& range,
               QWidget* parent)
    : TabbedAdjustDialog(QStringLiteral("画像の補正"), kTabs, editorImage, editorMode, range,
                         parent),
      brightnessFrame_(newFrame()),
      levelFrame_(newFrame()),
      smoothFrame_(newFrame()),
      noiseFrame_(newFrame()),
      splineFrame_(newFrame()),
      levelLabel_(new QLabel(levelFrame_)),
      linked_(new QCheckBox(QStringLiteral("連動"), brightnessFrame_)),
      perChannel_(new QCheckBox(QStringLiteral("RGB別のﾉｲｽﾞ除去"), noiseFrame_)),
      splineChannels_{new QCheckBox(splineFrame_), new QCheckBox(splineFrame_),
                      new QCheckBox(splineFrame_)},
      splineSpace_{new QRadioButton(QStringLiteral("RGB値"), splineFrame_),
                   new QRadioButton(QStringLiteral("YCrCb値"), splineFrame_)} {
    QWidget* const owners[7] = {brightnessFrame_, brightnessFrame_, brightnessFrame_, levelFrame_,
                                noiseFrame_,      splineFrame_,     splineFrame_};
    for (int i = 0; i < 7; ++i) {
        sliders_[i] = new uSld(owners[i]);
        sliders_[i]->setObjectName(QStringLiteral("uSld%1").arg(i));
        sliders_[i]->setMinimumHeight(40);
    }
    linked_->setObjectName(QStringLiteral("chColor"));
    perChannel_->setObjectName(QStringLiteral("chImg"));

    auto* bright = new QGridLayout(brightnessFrame_);
    bright->addWidget(new QLabel(QStringLiteral("値 -255 ~255"), brightnessFrame_), 0, 0);
    const char* heads[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        bright->addWidget(new QLabel(QString::fromLatin1(heads[i]), brightnessFrame_), i + 1, 0);
        bright->addWidget(sliders_[i], i + 1, 1);
        connect(sliders_[i], &uSld::eCngVL, this, [this, i] { colourSliderMoved(i); });
    }
    bright->addWidget(linked_, 0, 1);

    auto* level = new QGridLayout(levelFrame_);
    level->addWidget(levelLabel_, 0, 0);
    level->addWidget(sliders_[3], 0, 1);

    auto* smooth = new QGridLayout(smoothFrame_);
    smooth->addWidget(
        new QLabel(QStringLiteral("ﾊﾟﾗﾒﾀの指定は無いので､上の Drawﾎﾞﾀﾝを押して下さい"),
                   smoothFrame_),
        0, 0);

    auto* noise = new QGridLayout(noiseFrame_);
    noise->addWidget(perChannel_, 0, 0, 1, 2);
    noise->addWidget(new QLabel(QStringLiteral("ﾚﾍﾞﾙ(0~255) RGB別の場合有効"), noiseFrame_), 1, 0);
    noise->addWidget(sliders_[4], 1, 1);

    auto* spline = new QGridLayout(splineFrame_);
    auto* spaces = new QButtonGroup(splineFrame_);
    for (int i = 0; i < 2; ++i) {
        splineSpace_[i]->setObjectName(QStringLiteral("opSpline%1").arg(i));
        spaces->addButton(splineSpace_[i]);
        spline->addWidget(splineSpace_[i], 0, i);
        connect(splineSpace_[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on) splineSpaceChosen();
        });
    }
    for (int i = 0; i < 3; ++i) {
        splineChannels_[i]->setObjectName(QStringLiteral("chSpline%1").arg(i));
        spline->addWidget(splineChannels_[i], 1, i);
        connect(splineChannels_[i], &QCheckBox::toggled, this, &spImgH::apply);
    }
    spline->addWidget(new QLabel(QStringLiteral("強調度合"), splineFrame_), 2, 0);
    spline->addWidget(sliders_[5], 2, 1, 1, 2);
    spline->addWidget(new QLabel(QStringLiteral("中心"), splineFrame_), 3, 0);
    spline->addWidget(sliders_[6], 3, 1, 1, 2);

    for (int i = 3; i < 7; ++i) connect(sliders_[i], &uSld::eCngVL, this, &spImgH::apply);
    connect(perChannel_, &QCheckBox::toggled, this, &spImgH::apply);
}

void spImgH::setUpTab(int index) {
    switch (index) {
        case Brightness:
            for (int i = 0; i < 3; ++i) sliders_[i]->setUp(-255, 255, 10, 2, QString(), 0);
            showFrame(brightnessFrame_, QStringLiteral("明度"));
            break;
        case Blur:
            sliders_[3]->setUp(1, 20, 2, 1, QString(), 2);
            levelLabel_->setText(QStringLiteral("ﾚﾍﾞﾙ(1~20)"));
            showFrame(levelFrame_, QStringLiteral("ぼかし･ｼｬｰﾌﾟ･彩度"));
            break;
        case Sharpen:
            sliders_[3]->setUp(0, 100, 10, 1, QString(), 5);
            levelLabel_->setText(QStringLiteral("ﾚﾍﾞﾙ(0~100)"));
            showFrame(levelFrame_, QStringLiteral("ぼかし･ｼｬｰﾌﾟ･彩度"));
            break;
        case Saturation:
            sliders_[3]->setUp(-100, 1000, 10, 1, QStringLiteral("淡⇒"), 0);
            levelLabel_->setText(QStringLiteral("ﾚﾍﾞﾙ(-100~1000)"));
            showFrame(levelFrame_, QStringLiteral("ぼかし･ｼｬｰﾌﾟ･彩度"));
            break;
        case Smooth:
            showFrame(smoothFrame_, QStringLiteral("淵を滑らかに"));
            break;
        case Noise:
            perChannel_->setChecked(true);
            sliders_[4]->setUp(0, 255, 10, 2, QString(), 50);
            showFrame(noiseFrame_, QStringLiteral("ﾉｲｽﾞの除去"));
            break;
        case Spline:
            splineSpace_[0]->setChecked(true);
            splineSpaceChosen();
            for (QCheckBox* box : splineChannels_) box->setChecked(true);
            sliders_[5]->setUp(-100, 100, 10, 1, QStringLiteral("弱⇒"), 0);
            sliders_[6]->setUp(-100, 100, 10, 1, QStringLiteral("低⇒"), 0);
            showFrame(splineFrame_, QStringLiteral("ｽﾌﾟﾗｲﾝ"));
            break;
    }
}

void spImgH::colourSliderMoved(int index) {
    util::SharedValues& values = util::shared();
    if (values.bSuppress) return;
    if (linked_->isChecked()) {
        values.bSuppress = true;
        for (int i = 0; i < 3; ++i)
            if (i != index) sliders_[i]->ValS(sliders_[index]->ValS());
        values.bSuppress = false;
    }
    apply();
}

void spImgH::splineSpaceChosen() {
    const bool ycc = splineSpace_[1]->isChecked();
    const char* rgb[3] = {"Red", "Green", "Blue"};
    const char* yccNames[3] = {"Y", "Cr", "Cb"};
    for (int i = 0; i < 3; ++i)
        splineChannels_[i]->setText(QString::fromLatin1(ycc ? yccNames[i] : rgb[i]));
    apply();
}

bool spImgH::operate(int index, engine::Image& image, const engine::Area& area) {
    switch (index) {
        case Brightness:
            return engine::adjustBrightness(image, area,
                                            {level(sliders_[0]->ValS()), level(sliders_[1]->ValS()),
                                             level(sliders_[2]->ValS())});
        case Blur:
            return engine::blur(image, area, {level(sliders_[3]->ValS())});
        case Sharpen:
            return engine::sharpen(image, area, {level(sliders_[3]->ValS())});
        case Saturation:
            return engine::adjustSaturation(image, area, {level(sliders_[3]->ValS())});
        case Smooth:
            return engine::smoothEdges(image, area);
        case Noise:
            return engine::removeNoise(image, area,
                                       {perChannel_->isChecked(), level(sliders_[4]->ValS())});
        case Spline: {
            const SplinePoints points = splinePoints(sliders_[6]->ValS(), sliders_[5]->ValS());
            engine::ToneCurveParams p;
            p.inputs = points.inputs;
            p.outputs = points.outputs;
            p.space =
                splineSpace_[1]->isChecked() ? engine::ToneSpace::YCrCb : engine::ToneSpace::Rgb;
            for (int i = 0; i < 3; ++i) p.channels[i] = splineChannels_[i]->isChecked();
            return engine::applyToneCurve(image, area, p);
        }
    }
    return false;
}

}  // namespace ximora::dialogs
