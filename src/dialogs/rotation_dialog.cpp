#include "dialogs/rotation_dialog.h"

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

#include "editor/document/colour_steps.h"
#include "editor/document/picture_document.h"
#include "editor/document/picture_facts.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "engine/geometry/geometry.h"
#include "util/shared_values.h"

namespace ximora::dialogs {
namespace {

struct Step {
    const char* caption;
    int angle;
    bool mirrorLeftRight, mirrorTopBottom;
};
constexpr Step kSteps[6] = {{"左180度", 18000, false, false}, {"左 90度", 9000, false, false},
                            {"右 90度", -9000, false, false}, {"右180度", -18000, false, false},
                            {"上下反転", 0, false, true},     {"左右反転", 0, true, false}};

const QString kAskStart = QStringLiteral("基準線の開始位置を指定して下さい");

}  // namespace

spImgR::spImgR(const engine::Image& editorImage, int editorMode, const QString& colourCode,
               QWidget* parent)
    : AdjustDialog(QStringLiteral("画像の回転"), QSize(720, 640), parent),
      editorImage_(editorImage),
      editorMode_(editorMode),
      size_{new QRadioButton(QStringLiteral("調整する"), this),
            new QRadioButton(QStringLiteral("切り捨て"), this)},
      prompt_(new QLabel(kAskStart, this)),
      lines_{new QPushButton(QStringLiteral("基準線が水平になるように回転"), this),
             new QPushButton(QStringLiteral("基準線が垂直になるように回転"), this)},
      clear_(new QPushButton(QStringLiteral("基準線の初期化"), this)) {
    Q_UNUSED(colourCode);  // the working image's own depth decides the conversion
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    auto* stepsRow = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        steps_[i] = new QPushButton(QString::fromUtf8(kSteps[i].caption), this);
        steps_[i]->setObjectName(QStringLiteral("cmRect%1").arg(i));
        stepsRow->addWidget(steps_[i]);
        connect(steps_[i], &QPushButton::clicked, this, [this, i] { turnStep(i); });
    }
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("回転に伴う  ｻｲｽﾞ調整"), this));
    auto* sizeGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        size_[i]->setObjectName(QStringLiteral("opSize%1").arg(i));
        sizeGroup->addButton(size_[i]);
        sizeRow->addWidget(size_[i]);
    }
    size_[0]->setChecked(true);
    sizeRow->addStretch();
    sizeRow->addWidget(actualSizeBox());
    sizeRow->addWidget(zoomPicture());
    sizeRow->addWidget(commandLabel(0));
    sizeRow->addWidget(commandLabel(1));

    auto* baseline = new QGroupBox(QStringLiteral("基準線を指定"), this);
    auto* baselineRow = new QGridLayout(baseline);
    prompt_->setObjectName(QStringLiteral("lbPoint"));
    baselineRow->addWidget(prompt_, 0, 0, 1, 3);
    for (int i = 0; i < 2; ++i) {
        lines_[i]->setObjectName(QStringLiteral("cmLine%1").arg(i));
        lines_[i]->setEnabled(false);
        baselineRow->addWidget(lines_[i], 1, i);
        connect(lines_[i], &QPushButton::clicked, this, [this, i] { alignBaseline(i == 1); });
    }
    clear_->setObjectName(QStringLiteral("cmClr"));
    baselineRow->addWidget(clear_, 1, 2);
    connect(clear_, &QPushButton::clicked, this, &spImgR::clearBaseline);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(stepsRow);
    layout->addLayout(sizeRow);
    layout->addWidget(baseline);
    layout->addWidget(preview(), 1);

    reportPreviewClicks([this](QPoint p) { pointClicked(p); });  // clicks mark the baseline
    showWorking(editorImage, 1);
    values.bSuppress = false;
}

void spImgR::turnStep(int index) {
    const Step& s = kSteps[index];
    rotateBy(s.angle, s.mirrorLeftRight, s.mirrorTopBottom);
}

void spImgR::rotateBy(int angle, bool mirrorLeftRight, bool mirrorTopBottom) {
    busy(true);
    engine::Image work = working();
    // A palette image leaves its palette before its first rotation (without changing a colour).
    const QString code = QString::number(work.colourCode()) + QLatin1Char('.');
    bool ok =
        editor::codeIn(code, QStringLiteral(".80.16.24.32.")) || editor::toGeometryDepth(work);
    ok = ok && engine::rotate(work, {angle, mirrorLeftRight, mirrorTopBottom,
                                     engine::Colour{255, 255, 255, 255}, size_[1]->isChecked()});
    if (ok) showWorking(std::move(work), actualSizeMode());
    busy(false);
}

int spImgR::baselineAngle(QPoint start, QPoint end, bool vertical) {
    const int dx = end.x() - start.x(), dy = end.y() - start.y();
    if (dx == 0 || dy == 0) return 0;
    int angle = int(std::nearbyint(std::atan(double(dy) / dx) * 5729.578));
    if (vertical) angle = angle < 0 ? angle + 9000 : angle - 9000;
    return angle;
}

void spImgR::alignBaseline(bool vertical) {
    const int angle = baselineAngle(start_, end_, vertical);
    if (angle != 0) rotateBy(angle, false, false);
}

void spImgR::pointClicked(QPoint point) {
    if (step_ == 0) {
        start_ = point;
        prompt_->setText(QStringLiteral("基準線の終了位置を指定して下さい"));
        step_ = 1;
    } else if (step_ == 1) {
        end_ = point;
        lines_[0]->setEnabled(true);
        lines_[1]->setEnabled(true);
        prompt_->setText(QStringLiteral("画像の回転方向を指定して下さい"));
        step_ = 2;
    } else {
        return;
    }
    drawBaseline();
}

void spImgR::drawBaseline() {
    editor::PictureView* view = preview()->view();
    if (step_ == 2 && end_.x() != 0 && end_.y() != 0)
        view->setMarks({QLineF(start_, end_)}, {});
    else
        view->setMarks({}, {QRectF(QPointF(start_.x() - 2, start_.y() - 2),
                                   QPointF(start_.x() + 2, start_.y() + 2))});
}

void spImgR::clearBaseline() {
    redraw(actualSizeMode());
    preview()->view()->setMarks({}, {});
    start_ = end_ = QPoint();
    step_ = 0;
    lines_[0]->setEnabled(false);
    lines_[1]->setEnabled(false);
    prompt_->setText(kAskStart);
}

void spImgR::undoPressed() {
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    showWorking(editorImage_, editorMode_ == 3 ? 3 : 1);
    clearBaseline();
    values.bSuppress = false;
}

void spImgR::closeFromImageMenu(int item) {
    // Here a menu closed without a choice keeps the rotation too; only the cancel item drops it.
    AdjustDialog::closeFromImageMenu(item == kCancelAndClose ? kCancelAndClose : kApplyAndClose);
}

}  // namespace ximora::dialogs
