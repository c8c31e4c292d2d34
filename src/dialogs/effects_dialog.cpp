#include "dialogs/effects_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <cmath>

#include "dialogs/value_slider.h"
#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"
#include "engine/ops/tone.h"

namespace ximora::dialogs {
namespace {

const QStringList kTabs = {QStringLiteral("ｴﾝﾎﾞｽ"),  QStringLiteral("ﾓｻﾞｲｸ"),
                           QStringLiteral("輪郭"),   QStringLiteral("ﾓｰｼｮﾝ"),
                           QStringLiteral("波"),     QStringLiteral("波紋"),
                           QStringLiteral("渦巻"),   QStringLiteral("ﾚﾝｽﾞ"),
                           QStringLiteral("ｷｬﾝﾊﾟｽ"), QStringLiteral("色反転")};

}  // namespace

spImgK::spImgK(const engine::Image& editorImage, int editorMode, const editor::Selection& range,
               QWidget* parent)
    : TabbedAdjustDialog(QStringLiteral("特殊効果"), kTabs, editorImage, editorMode, range, parent),
      invertFrame_(newFrame()),
      mainFrame_(newFrame()),
      otherFrame_(newFrame()) {
    for (int i = 0; i < 6; ++i) {
        labels_[i] = new QLabel(i < 3 ? mainFrame_ : otherFrame_);
        labels_[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }
    for (int i = 0; i < 3; ++i) {
        QGroupBox* owner = i == 0 ? mainFrame_ : otherFrame_;
        combos_[i] = new QComboBox(owner);
        combos_[i]->setObjectName(QStringLiteral("cbImg%1").arg(i));
        connect(combos_[i], &QComboBox::currentIndexChanged, this, &spImgK::apply);
        sliders_[i] = new uSld(i < 2 ? mainFrame_ : otherFrame_);
        sliders_[i]->setObjectName(QStringLiteral("uSld%1").arg(i));
        sliders_[i]->setMinimumHeight(40);
        connect(sliders_[i], &uSld::eCngVL, this, &spImgK::apply);
        const char* names[3] = {"Red", "Green", "Blue"};
        channels_[i] = new QCheckBox(QString::fromLatin1(names[i]), invertFrame_);
        channels_[i]->setObjectName(QStringLiteral("chRGB%1").arg(i));
        connect(channels_[i], &QCheckBox::toggled, this, &spImgK::apply);
    }

    auto* invert = new QGridLayout(invertFrame_);
    for (int i = 0; i < 3; ++i) invert->addWidget(channels_[i], 0, i);

    // Each frame: three rows of a label and its control.
    const auto rows = [](QGroupBox* frame, std::initializer_list<std::pair<QLabel*, QWidget*>> r) {
        auto* grid = new QGridLayout(frame);
        int row = 0;
        for (const auto& [label, control] : r) {
            grid->addWidget(label, row, 0);
            grid->addWidget(control, row++, 1);
        }
        grid->setColumnStretch(1, 1);
    };
    rows(mainFrame_,
         {{labels_[0], combos_[0]}, {labels_[1], sliders_[0]}, {labels_[2], sliders_[1]}});
    rows(otherFrame_,
         {{labels_[3], combos_[1]}, {labels_[4], combos_[2]}, {labels_[5], sliders_[2]}});
}

void spImgK::fill(int combo, const QStringList& items) {
    combos_[combo]->clear();
    combos_[combo]->addItems(items);
    combos_[combo]->setCurrentIndex(0);
}

void spImgK::setUpTab(int index) {
    const QString caption = tabs()->tabText(index);
    if (index == Invert) {
        for (QCheckBox* box : channels_) box->setChecked(false);
        showFrame(invertFrame_, caption);
        return;
    }
    if (index == Contour || index == Canvas || index == Lens) {
        const bool contour = index == Contour;
        labels_[4]->setVisible(contour);
        combos_[2]->setVisible(contour);
        if (contour) {
            labels_[3]->setText(QStringLiteral("処理ﾌﾞﾚｰﾝ"));
            fill(1, {QStringLiteral("Yellow"), QStringLiteral("Red"), QStringLiteral("Green"),
                     QStringLiteral("Blue")});
            labels_[4]->setText(QStringLiteral("行列ﾊﾟﾀﾝ"));
            fill(2, {QStringLiteral("差分"), QStringLiteral("Roberts"), QStringLiteral("Sobel")});
            labels_[5]->setText(QStringLiteral("輪郭線の明るさ"));
            sliders_[2]->setUp(0, 100, 10, 1, QStringLiteral("暗⇒"), 10);
        } else if (index == Canvas) {
            labels_[3]->setText(QStringLiteral("目地方向"));
            fill(1, {QStringLiteral("上→右"), QStringLiteral("上→左"), QStringLiteral("下→左"),
                     QStringLiteral("下→右")});
            labels_[5]->setText(QStringLiteral("目地の深さ"));
            sliders_[2]->setUp(0, 255, 10, 2, QString(), 20);
        } else {
            labels_[3]->setText(QStringLiteral("外側の背景色の描画"));
            fill(1, {QStringLiteral("塗る"), QStringLiteral("塗らない")});
            labels_[5]->setText(QStringLiteral("ﾚﾝｽﾞの倍率"));
            sliders_[2]->setUp(0, 10, 1, 0.1, QString(), 3);
        }
        showFrame(otherFrame_, caption);
        return;
    }
    const bool combo = index != Mosaic && index != Swirl;
    combos_[0]->setVisible(combo);
    struct SliderSetUp {
        const char* label;
        double minimum, maximum, large, step;
        const char* caption;
        double initial;
    };
    SliderSetUp first{}, second{};
    switch (index) {
        case Emboss:
            labels_[0]->setText(QStringLiteral("ﾌｨﾙﾀ ﾏｽｸ"));
            fill(0, {"0", "1", "2", "3", "4", "5", "6", "7"});
            first = {"ｴｯｼﾞ強調", 1, 5, 1, 1, "弱⇒", 3};
            second = {"背景の輝度", 0, 255, 10, 1, "暗⇒", 100};
            break;
        case Mosaic:
            labels_[0]->setText(QStringLiteral("ﾓｻﾞｲｸのｻｲｽﾞ(ﾋﾟｸｾﾙ)"));
            first = {"幅(1~100)", 1, 100, 10, 1, "", 10};
            second = {"高(1~100)", 1, 100, 10, 1, "", 10};
            break;
        case Motion:
            labels_[0]->setText(QStringLiteral("ﾌｨﾙﾀ ﾏｽｸ"));
            fill(0, {QStringLiteral("線形"), QStringLiteral("放射状"), QStringLiteral("拡大")});
            first = {"ぼかし長さ", 0, 255, 10, 2, "", 30};
            second = {"ぼかし角度", 0, 360, 10, 1, "", 20};
            break;
        case Swirl:
            labels_[0]->clear();
            first = {"角度", 1, 360, 10, 1, "", 360};
            second = {"ねじり", 0, 1, 0.5, 0.1, "", 1};
            break;
        case Wave:
            labels_[0]->setText(QStringLiteral("波の方向"));
            fill(0, {QStringLiteral("横"), QStringLiteral("縦")});
            first = {"波長", 0, 500, 10, 1, "", 100};
            second = {"位相", 0, 1, 1, 0.1, "", 0.5};
            break;
        default:  // Ripple
            labels_[0]->setText(QStringLiteral("波の反射"));
            fill(0, {QStringLiteral("しない"), QStringLiteral("する")});
            first = {"波長", 0, 20, 1, 0.1, "", 10};
            second = {"位相", 0, 10, 1, 0.1, "", 0.5};
            break;
    }
    const SliderSetUp* setUps[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        const SliderSetUp& s = *setUps[i];
        labels_[i + 1]->setText(QString::fromUtf8(s.label));
        sliders_[i]->setUp(s.minimum, s.maximum, s.large, s.step, QString::fromUtf8(s.caption),
                           s.initial);
    }
    showFrame(mainFrame_, caption);
}

bool spImgK::operate(int index, engine::Image& image, const engine::Area& area) {
    const int choice = combos_[0]->currentIndex();
    const double a = sliders_[0]->ValS(), b = sliders_[1]->ValS(), c = sliders_[2]->ValS();
    switch (index) {
        case Emboss:
            return engine::emboss(image, area, {choice, level(a), level(b)});
        case Mosaic:
            return engine::mosaic(image, area, {level(a), level(b)});
        case Motion:
            return engine::motionBlur(image, area, {choice, level(a), level(b)});
        case Swirl:
            return engine::swirl(image, area, {a, 1.0, b});
        case Wave:
            return engine::wave(image, area, {choice, 0, level(a), 10, b, 1});
        case Ripple:
            return engine::ripple(image, area, {20.0, a, b, 0.0, choice == 1});
        case Contour:
            return engine::contour(
                image, area, {combos_[1]->currentIndex(), combos_[2]->currentIndex(), level(c)});
        case Canvas:
            return engine::canvas(image, area, {combos_[1]->currentIndex(), level(c)});
        case Lens: {
            engine::LensParams p;
            p.magnification = c;
            p.fillOutside = combos_[1]->currentIndex() == 0;
            return engine::lens(image, area, p);
        }
        case Invert:
            return engine::invertChannels(
                image, area,
                {channels_[0]->isChecked(), channels_[1]->isChecked(), channels_[2]->isChecked()});
    }
    return false;
}

}  // namespace ximora::dialogs
