#include "dialogs/colour_depth_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/value_slider.h"
#include "editor/upce.h"
#include "engine/colour/colour_reduce.h"
#include "engine/core/area.h"
#include "engine/ops/tone.h"
#include "util/shared_values.h"

namespace ximora::dialogs {
namespace {

struct Choice {
    const char* caption;
    const char* incoming;
    int code;
};
constexpr Choice kChoices[8] = {{"白黒", "2.", 1},         {"16色(4bit)", "4.", 4},
                                {"ｸﾞﾚ-(4bit)", "40.", 40}, {"256色(8bit)", "8.", 8},
                                {"ｸﾞﾚ-(8bit)", "80.", 80}, {"16 bit", "16.", 16},
                                {"24 bit", "24.", 24},     {"32 bit", "32.", 32}};

}  // namespace

int spImgC::conversionCode(int index) { return kChoices[index].code; }

spImgC::spImgC(const engine::Image& editorImage, const QString& colourCode, QWidget* parent)
    : AdjustDialog(QStringLiteral("ｶﾗ-設定"), QSize(720, 600), parent),
      editorImage_(editorImage),
      fixed_(new QCheckBox(QStringLiteral("固定ﾊﾟﾚｯﾄ"), this)),
      diffusion_(new QCheckBox(QStringLiteral("誤差拡散"), this)),
      threshold_(new uSld(this)),
      invert_(new QPushButton(QStringLiteral("色反転"), this)),
      ok_(new QPushButton(QStringLiteral("&OK"), this)),
      cancel_(new QPushButton(QStringLiteral("&Cancel"), this)) {
    busy(true);
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    ownCode_ = QString(colourCode).remove(QLatin1Char('.')).toInt();

    auto* colours = new QGroupBox(QStringLiteral("色数"), this);
    auto* colourGrid = new QGridLayout(colours);
    auto* group = new QButtonGroup(this);
    int incoming = 0;
    for (int i = 0; i < 8; ++i) {
        options_[i] = new QRadioButton(QString::fromUtf8(kChoices[i].caption), colours);
        options_[i]->setObjectName(QStringLiteral("opColor%1").arg(i));
        group->addButton(options_[i]);
        colourGrid->addWidget(options_[i], i / 4, i % 4);
        connect(options_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on) return;
            choose(i);
            updatePreview();
        });
        if (colourCode == QString::fromLatin1(kChoices[i].incoming)) incoming = i;
    }
    fixed_->setObjectName(QStringLiteral("chBmp0"));
    diffusion_->setObjectName(QStringLiteral("chBmp1"));
    connect(fixed_, &QCheckBox::toggled, this, &spImgC::updatePreview);
    connect(diffusion_, &QCheckBox::toggled, this, &spImgC::updatePreview);

    threshold_->setObjectName(QStringLiteral("uSld"));
    threshold_->setMinimumHeight(40);
    connect(threshold_, &uSld::eCngVL, this, &spImgC::updatePreview);
    invert_->setObjectName(QStringLiteral("cmRvC"));
    invert_->setToolTip(QStringLiteral("白黒反転させます(しきい値を先に指定して下さい)"));
    connect(invert_, &QPushButton::clicked, this, &spImgC::invertPreview);

    ok_->setObjectName(QStringLiteral("cmOk0"));
    cancel_->setObjectName(QStringLiteral("cmOk1"));
    connect(ok_, &QPushButton::clicked, this, [this] { finish(working()); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* display = new QGroupBox(QStringLiteral("↓画像表示"), this);
    auto* displayRow = new QHBoxLayout(display);
    displayRow->addWidget(displayOption(0));
    displayRow->addWidget(displayOption(1));
    displayOption(0)->setChecked(true);

    auto* thresholdRow = new QHBoxLayout;
    auto* thresholdLabel = new QLabel(QStringLiteral("しきい値\n(白黒の場合)"), this);
    thresholdRow->addWidget(thresholdLabel);
    thresholdRow->addWidget(threshold_, 1);
    thresholdRow->addWidget(invert_);

    auto* top = new QHBoxLayout;
    top->addWidget(colours, 1);
    auto* checks = new QVBoxLayout;
    checks->addWidget(fixed_);
    checks->addWidget(diffusion_);
    top->addLayout(checks);
    top->addWidget(display);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    top->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(thresholdRow);
    layout->addWidget(preview(), 1);

    options_[incoming]->setChecked(true);
    choose(incoming);
    threshold_->setUp(0, 255, 10, 1, QStringLiteral("明⇒"), 128);
    threshold_->setEnabled(chosen_ == 1);
    showWorking(editorImage, 1);  // fitted until the first preview update
    values.bSuppress = false;
    busy(false);
}

void spImgC::choose(int index) {
    chosen_ = kChoices[index].code;
    threshold_->setEnabled(chosen_ == 1);
    invert_->setEnabled(chosen_ == 1);
}

void spImgC::updatePreview() {
    if (util::shared().bSuppress) return;
    busy(true);
    engine::ColourReduction params;
    params.fixedPalette = fixed_->isChecked();
    params.errorDiffusion = diffusion_->isChecked();
    params.threshold = chosen_ == 1 ? int(std::lround(threshold_->ValS())) : 128;
    const int mode = displayOption(1)->isChecked() ? 1 : 3;
    shownMode_ = mode;
    // Always from the editor's image; 16 grey levels by way of 256. The picture's own depth
    // shows (and OK hands back) the editor's image itself, not the last depth tried. A failed
    // conversion leaves the preview as it was.
    engine::Image image = editorImage_;
    bool ok = true;
    if (chosen_ != ownCode_) {
        params.code = chosen_ == 40 ? 80 : chosen_;
        ok = engine::reduceColours(image, params);
        if (ok && chosen_ == 40) {
            params.code = 4;
            ok = engine::reduceColours(image, params);
        }
    }
    if (ok)
        showWorking(std::move(image), mode);
    else
        redraw(mode);
    busy(false);
}

void spImgC::invertPreview() {
    engine::Image image = working();
    if (engine::invertChannels(image, engine::Area::whole(), {true, true, true}))
        showWorking(std::move(image), shownMode_);
}

void spImgC::displayChosen(int mode) {
    if (mode == shownMode_) return;
    shownMode_ = mode;
    redraw(mode);
}

}  // namespace ximora::dialogs
