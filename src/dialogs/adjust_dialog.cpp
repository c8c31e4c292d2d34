#include "dialogs/adjust_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "editor/document/picture_document.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::dialogs {
namespace {

int twipsX(int px) { return int(std::lround(px * util::twipsPerPixelX())); }
int twipsY(int px) { return int(std::lround(px * util::twipsPerPixelY())); }
int pxX(int twips) { return int(std::lround(twips / util::twipsPerPixelX())); }
int pxY(int twips) { return int(std::lround(twips / util::twipsPerPixelY())); }

}  // namespace

AdjustDialog::AdjustDialog(const QString& caption, QSize size, QWidget* parent)
    : QDialog(parent), ikImg_(new editor::uPcE(this)) {
    setWindowTitle(caption);
    ikImg_->setObjectName(QStringLiteral("ikImg"));
    ikImg_->StSize();
    int left = 0, top = 0, width = twipsX(size.width()), height = twipsY(size.height());
    Usr::LimitToWorkArea(width, height);  // a small or scaled screen
    Usr::PlaceWindow(left, top, width, height);
    setGeometry(pxX(left), pxY(top), pxX(width), pxY(height));
}

AdjustDialog::~AdjustDialog() = default;

const engine::Image& AdjustDialog::working() const { return ikImg_->GetObject()->image(); }

void AdjustDialog::showWorking(engine::Image image, int mode) {
    ikImg_->GetObject()->displayImage(std::move(image));
    redraw(mode);
}

void AdjustDialog::redraw(int mode) {
    editor::PictureDocument* doc = ikImg_->GetObject();
    if (!doc->hasImage()) return;
    if (mode == 3)
        doc->setView(QStringLiteral("実寸"), 1.0);
    else
        doc->setView(QStringLiteral("ｽｹｰﾙ"), 0);
}

void AdjustDialog::showEvent(QShowEvent* event) {
    // A dialog makes its first auto-default button the default when it is shown; "Draw" or
    // "色反転" would then toggle on every Enter typed into a value box.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QDialog::showEvent(event);
}

void AdjustDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // A fitted preview follows the dialog's size.
    editor::PictureDocument* doc = ikImg_->GetObject();
    if (doc->hasImage()) doc->setView(QStringLiteral("Refresh"), 0);
}

void AdjustDialog::reportPreviewClicks(std::function<void(QPoint)> handler) {
    ikImg_->applyDragMode(1);
    connect(ikImg_->view(), &editor::PictureView::imageClicked, this,
            [handler = std::move(handler)](QPointF p) {
                handler(QPoint(int(std::floor(p.x())), int(std::floor(p.y()))));
            });
}

void AdjustDialog::busy(bool on) { Usr::SetBusy(on); }

void AdjustDialog::finish(engine::Image image) {
    result_ = std::move(image);
    replaced_ = true;
    accept();
}

void AdjustDialog::closeFromImageMenu(int item) {
    if (item == kApplyAndClose) return finish(working());
    reject();
}

QPushButton* AdjustDialog::commandLabel(int index) {
    if (!labels_[index]) {
        labels_[index] = new QPushButton(
            index == 0 ? QStringLiteral("画像(&F)") : QStringLiteral("戻す(&U)"), this);
        labels_[index]->setObjectName(QStringLiteral("lbCom%1").arg(index));
        labels_[index]->setFlat(true);
        if (index == 0)
            connect(labels_[0], &QPushButton::clicked, this, &AdjustDialog::popUpImageMenu);
        else
            connect(labels_[1], &QPushButton::clicked, this, [this] { undoPressed(); });
    }
    return labels_[index];
}

QRadioButton* AdjustDialog::displayOption(int index) {
    if (!display_[index]) {
        display_[index] =
            new QRadioButton(index == 0 ? QStringLiteral("実寸") : QStringLiteral("ｽｹｰﾙ"), this);
        display_[index]->setObjectName(QStringLiteral("opDisp%1").arg(index));
        connect(display_[index], &QRadioButton::toggled, this, [this, index](bool on) {
            if (on && !util::shared().bSuppress) displayChosen(index == 0 ? 3 : 1);
        });
    }
    return display_[index];
}

QCheckBox* AdjustDialog::actualSizeBox() {
    if (!actualSize_) {
        actualSize_ = new QCheckBox(QStringLiteral("実寸表示"), this);
        actualSize_->setObjectName(QStringLiteral("chDsp"));
        connect(actualSize_, &QCheckBox::toggled, this, [this](bool on) {
            if (util::shared().bSuppress) return;
            zoomPicture()->setEnabled(on);
            displayChosen(on ? 3 : 1);
        });
    }
    return actualSize_;
}

QLabel* AdjustDialog::zoomPicture() {
    if (!zoom_) {
        zoom_ = new QLabel(QStringLiteral("ｽﾞｰﾑ"), this);
        zoom_->setObjectName(QStringLiteral("imDsp"));
        zoom_->setToolTip(QStringLiteral("左ｸﾘｯｸで拡大、右ｸﾘｯｸで縮小"));
        zoom_->setFrameShape(QFrame::Panel);
        zoom_->setFrameShadow(QFrame::Raised);
        zoom_->setEnabled(false);
        zoom_->installEventFilter(this);
    }
    return zoom_;
}

int AdjustDialog::actualSizeMode() const { return actualSize_ && actualSize_->isChecked() ? 3 : 1; }

bool AdjustDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == zoom_ && event->type() == QEvent::MouseButtonPress && zoom_->isEnabled()) {
        editor::PictureDocument* doc = ikImg_->GetObject();
        const bool in = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        const double zoom = in ? doc->zoomX() * 1.5 : doc->zoomX() / 1.5;
        if (doc->hasImage()) doc->setView(QStringLiteral("実寸"), zoom);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AdjustDialog::popUpImageMenu() {
    QMenu menu(this);
    QAction* apply = menu.addAction(QStringLiteral("画像を更新して閉じる"));
    QAction* cancel = menu.addAction(QStringLiteral("編集はｷｬﾝｾﾙして閉じる"));
    const QAction* chosen = menu.exec(labels_[0]->mapToGlobal(QPoint(0, labels_[0]->height())));
    closeFromImageMenu(chosen == apply ? kApplyAndClose : chosen == cancel ? kCancelAndClose : -1);
}

}  // namespace ximora::dialogs
