#include "dialogs/tabbed_adjust_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "editor/upce.h"
#include "util/shared_values.h"

namespace ximora::dialogs {

TabbedAdjustDialog::TabbedAdjustDialog(const QString& caption, const QStringList& tabs,
                                       const engine::Image& editorImage, int editorMode,
                                       const editor::Selection& range, QWidget* parent)
    : AdjustDialog(caption, QSize(720, 640), parent),
      tabs_(new QTabBar(this)),
      draw_(new QPushButton(QStringLiteral("Draw"), this)),
      range_{new QRadioButton(QStringLiteral("内側"), this),
             new QRadioButton(QStringLiteral("外側"), this)},
      frameArea_(new QWidget(this)),
      frameLayout_(new QVBoxLayout(frameArea_)),
      base_(editorImage),
      startRange_(range),
      mode_(editorMode == 3 ? 3 : 1) {
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    tabs_->setObjectName(QStringLiteral("TabS"));
    draw_->setObjectName(QStringLiteral("ssRbn"));
    draw_->setCheckable(true);
    range_[0]->setObjectName(QStringLiteral("opRect0"));
    range_[1]->setObjectName(QStringLiteral("opRect1"));
    range_[0]->setChecked(true);
    for (const QString& tab : tabs) tabs_->addTab(tab);
    frameLayout_->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    top->addWidget(commandLabel(0));
    top->addWidget(commandLabel(1));
    top->addSpacing(12);
    top->addWidget(draw_);
    top->addSpacing(12);
    top->addWidget(range_[0]);
    top->addWidget(range_[1]);
    top->addStretch();
    top->addWidget(displayOption(0));
    top->addWidget(displayOption(1));
    auto* rangeGroup = new QButtonGroup(this);  // the range and display options are separate
    rangeGroup->addButton(range_[0]);
    rangeGroup->addButton(range_[1]);
    auto* displayGroup = new QButtonGroup(this);
    displayGroup->addButton(displayOption(0));
    displayGroup->addButton(displayOption(1));
    displayOption(mode_ == 3 ? 0 : 1)->setChecked(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs_);
    layout->addWidget(frameArea_);
    layout->addWidget(preview(), 1);

    showWorking(base_, mode_);
    connect(draw_, &QPushButton::toggled, this, [this](bool down) {
        if (down) apply();
    });
    connect(range_[0], &QRadioButton::toggled, this, [this](bool on) {
        if (on) apply();
    });
    connect(range_[1], &QRadioButton::toggled, this, [this](bool on) {
        if (on) apply();
    });
    connect(tabs_, &QTabBar::currentChanged, this, &TabbedAdjustDialog::tabChosen);
    values.bSuppress = false;
}

void TabbedAdjustDialog::showEvent(QShowEvent* event) {
    AdjustDialog::showEvent(event);
    if (rangeShown_) return;
    // The first activation sets the tab's controls and draws the range on the preview.
    rangeShown_ = true;
    tabChosen(tabs_->currentIndex());
    if (startRange_.right > 0 || startRange_.bottom > 0)
        preview()->GetObject()->setSelection(startRange_);
}

void TabbedAdjustDialog::tabChosen(int index) {
    // The result of the tab left becomes the starting point of the next.
    base_ = working();
    changed_ = false;
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    setUpTab(index);
    draw_->setChecked(false);
    values.bSuppress = false;
}

QGroupBox* TabbedAdjustDialog::newFrame() const {
    auto* box = new QGroupBox(frameArea_);
    box->setObjectName(QStringLiteral("frImg"));
    box->hide();
    return box;
}

void TabbedAdjustDialog::showFrame(QGroupBox* frame, const QString& caption) {
    if (shownFrame_ && shownFrame_ != frame) {
        frameLayout_->removeWidget(shownFrame_);
        shownFrame_->hide();
    }
    if (shownFrame_ != frame) frameLayout_->addWidget(frame);
    frame->setTitle(caption);
    frame->show();
    frame->raise();
    shownFrame_ = frame;
}

engine::Area TabbedAdjustDialog::readRange() const {
    const editor::Selection r = preview()->GetObject()->selection();
    if (r.right <= 0 && r.bottom <= 0) return engine::Area::whole();
    std::vector<engine::Point> corners = {
        {r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    return range_[0]->isChecked() ? engine::Area::inside(std::move(corners))
                                  : engine::Area::outside(std::move(corners));
}

void TabbedAdjustDialog::apply() {
    if (util::shared().bSuppress || !draw_->isChecked()) return;
    // The busy pointer lets pending events run; a change among them is applied after this
    // application, with the values as they are then.
    if (applying_) {
        pending_ = true;
        return;
    }
    applying_ = true;
    do {
        pending_ = false;
        applyOnce();
    } while (pending_ && draw_->isChecked());
    applying_ = false;
}

void TabbedAdjustDialog::applyOnce() {
    busy(true);
    editor::PictureDocument* doc = preview()->GetObject();
    const editor::Selection range = doc->selection();
    const engine::Area area = readRange();
    engine::Image image = base_;
    if (operate(tabs_->currentIndex(), image, area) && !image.empty()) {
        showWorking(std::move(image), mode_);
        changed_ = true;
    } else if (!doc->hasImage()) {
        showWorking(base_, mode_);
        changed_ = false;
    } else {
        redraw(mode_);
    }
    doc->setSelection(range);  // showing an image clears the drawn range
    busy(false);
}

void TabbedAdjustDialog::undoPressed() {
    if (!changed_) return;
    editor::PictureDocument* doc = preview()->GetObject();
    const editor::Selection range = doc->selection();
    showWorking(base_, mode_);
    doc->setSelection(range);
    changed_ = false;
}

void TabbedAdjustDialog::displayChosen(int mode) {
    mode_ = mode;
    editor::PictureDocument* doc = preview()->GetObject();
    const editor::Selection range = doc->selection();
    redraw(mode);
    doc->setSelection(range);
}

}  // namespace ximora::dialogs
