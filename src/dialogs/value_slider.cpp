#include "dialogs/value_slider.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "editor/document/numeric_value.h"
#include "util/shared_values.h"

namespace ximora::dialogs {
namespace {

// The shown value, "#.#": at most one decimal, none when it is whole. Zero shows as "0" (not as
// a lone decimal point) so that the text always reads back as the value.
QString oneDecimal(double value) {
    QString text = QString::number(std::nearbyint(value * 10) / 10, 'f', 1);
    if (text.endsWith(QStringLiteral(".0"))) text.chop(2);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

int px(int twips) { return int(std::lround(twips / util::twipsPerPixelX())); }

}  // namespace

uSld::uSld(QWidget* parent)
    : QWidget(parent),
      caption_(new QLabel(this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      text_(new QLineEdit(this)),
      steps_{new QToolButton(this), new QToolButton(this)} {
    setObjectName(QStringLiteral("uSld"));
    caption_->setObjectName(QStringLiteral("lbSld"));
    slider_->setObjectName(QStringLiteral("Slider"));
    text_->setObjectName(QStringLiteral("txSld"));
    steps_[0]->setObjectName(QStringLiteral("cmSld0"));
    steps_[1]->setObjectName(QStringLiteral("cmSld1"));
    steps_[0]->setText(QStringLiteral("−"));
    steps_[1]->setText(QStringLiteral("+"));
    steps_[0]->setAutoRepeat(true);
    steps_[1]->setAutoRepeat(true);
    text_->installEventFilter(this);
    connect(slider_, &QSlider::valueChanged, this, &uSld::sliderMoved);
    connect(text_, &QLineEdit::textEdited, this, &uSld::textEdited);
    connect(steps_[0], &QToolButton::clicked, this, [this] { step(0); });
    connect(steps_[1], &QToolButton::clicked, this, [this] { step(1); });
}

void uSld::cOn(double wMn, double wMx, double& iLc, double iSc, const QString& sTxMn) {
    updating_ = true;
    if (iLc == 0) iLc = 10;
    minimum_ = wMn;
    maximum_ = wMx;
    step_ = iSc;
    const double range = wMx - wMn;
    scaled_ = range < 10 || range > 100;
    if (range != 0 && scaled_) {
        factor_ = 100 / range;
        slider_->setRange(0, 100);
        iLc = 10;
        slider_->setPageStep(10);
    } else {
        factor_ = 1;
        slider_->setRange(int(std::nearbyint(wMn)), int(std::nearbyint(wMx)));
        slider_->setPageStep(int(std::nearbyint(iLc)));
    }
    caption_->setText(sTxMn);
    setEnabled(true);
    updating_ = false;
}

void uSld::setUp(double wMn, double wMx, double iLc, double iSc, const QString& sTxMn,
                 double initial) {
    cOn(wMn, wMx, iLc, iSc, sTxMn);
    ValS(initial);
}

int uSld::toPosition(double value) const {
    return int(std::nearbyint(scaled_ ? (value - minimum_) * factor_ : value));
}

double uSld::fromPosition(int position) const {
    return scaled_ && factor_ != 0 ? position / factor_ + minimum_ : position;
}

void uSld::ValS(double wVaL) {
    updating_ = true;
    slider_->setValue(toPosition(wVaL));
    text_->setText(oneDecimal(wVaL));
    updating_ = false;
}

double uSld::ValS() const { return editor::numericValue(text_->text()); }

QString uSld::caption() const { return caption_->text(); }

void uSld::setEnabled(bool bEnb) {
    slider_->setEnabled(bEnb);
    text_->setEnabled(bEnb);
    steps_[0]->setEnabled(bEnb);
    steps_[1]->setEnabled(bEnb);
}

void uSld::sliderMoved(int position) {
    if (updating_) return;
    updating_ = true;
    text_->setText(QString::number(fromPosition(position), 'g', 15));
    updating_ = false;
    emit eCngVL();
}

void uSld::textEdited(const QString& text) {
    if (updating_) return;
    updating_ = true;
    slider_->setValue(toPosition(editor::numericValue(text)));
    updating_ = false;
    emit eCngVL();
}

void uSld::step(int index) {
    if (updating_) return;
    // No limit: the text may go past the range; the slider stops at its ends.
    const double value = ValS() + (index == 0 ? -step_ : step_);
    updating_ = true;
    text_->setText(oneDecimal(value));
    slider_->setValue(toPosition(value));
    updating_ = false;
    emit eCngVL();
}

bool uSld::eventFilter(QObject* watched, QEvent* event) {
    // Focus on the text selects it whole, so typing replaces the value (after the click that
    // gave the focus has placed the cursor).
    if (watched == text_ && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, text_, &QLineEdit::selectAll);
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commit();
            return true;  // Enter stays in the box: no button of the dialog is pressed
        }
    }
    return QWidget::eventFilter(watched, event);
}

void uSld::commit() {
    if (updating_ || !text_->isEnabled()) return;
    ValS(ValS());  // "12abc" becomes 12
    emit eCngVL();
}

void uSld::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    StSize();
}

void uSld::StSize() {
    const int w = width(), h = height();
    if (w < px(100) || h < px(100)) return;
    steps_[0]->setGeometry(px(200), 0, px(300), px(250));
    caption_->setGeometry(0, px(270), px(500), px(250));
    // The value box holds six characters ("-255.0", "1000.0") in the font at hand, however
    // large the screen scale makes it; the slider takes what is left.
    const QMargins margins = text_->textMargins() + text_->contentsMargins();
    const int textWidth =
        std::max(px(500), text_->fontMetrics().horizontalAdvance(QStringLiteral("-0000.0")) +
                              margins.left() + margins.right() + 8);
    const int textLeft = w - px(500) - textWidth;
    slider_->setGeometry(px(500), 0, std::max(1, textLeft - px(500)), h);
    text_->setGeometry(textLeft, 0, textWidth, px(250));
    steps_[1]->setGeometry(w - px(300), 0, px(300), px(250));
}

}  // namespace ximora::dialogs
