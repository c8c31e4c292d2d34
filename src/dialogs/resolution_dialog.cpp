#include "dialogs/resolution_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "editor/document/numeric_value.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::dialogs {
namespace {

// Resolutions every format's header can hold (JPEG keeps them in 16 bits).
constexpr int kMinDpi = 1;
constexpr int kMaxDpi = 65535;

// A length as the "#.0" pattern shows it: one decimal, no leading zero before the point.
QString oneDecimal(double value) {
    QString text = QString::number(value, 'f', 1);
    if (text.startsWith(QLatin1String("0."))) text.remove(0, 1);
    return text;
}

// Rounded to the nearest integer, ties to even, as the resolution boxes are read.
int roundedValue(const QString& text) {
    const double value = std::nearbyint(editor::numericValue(text));
    if (value > 2147483647.0) return 2147483647;
    if (value < -2147483647.0) return -2147483647;
    return int(value);
}

}  // namespace

spDpi::spDpi(int dpiX, int dpiY, int width, int height, QWidget* parent)
    : QDialog(parent),
      incoming_{dpiX, dpiY},
      pixels_{width, height},
      boxes_{new QLineEdit(QStringLiteral("72"), this), new QLineEdit(QStringLiteral("72"), this)},
      chXY_(new QCheckBox(QStringLiteral("縦･横の解像度は同一"), this)),
      cmPrn_(new QPushButton(QStringLiteral(".."), this)),
      ssCom_(new QToolButton(this)),
      cmOK_{new QPushButton(QStringLiteral("&OK"), this),
            new QPushButton(QStringLiteral("&Cancel"), this)} {
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    setWindowTitle(QStringLiteral("解像度の設定"));

    auto* table = new QGridLayout;
    const char* heads[] = {"解像度", "画像ｻｲｽﾞ(ﾋﾟｸｾﾙ)", "印刷ｻｲｽﾞ(ｲﾝﾁ)", "印刷ｻｲｽﾞ(cm)"};
    for (int column = 0; column < 4; ++column)
        table->addWidget(new QLabel(QString::fromUtf8(heads[column]), this), 0, column + 1);
    const char* rows[] = {"横方向", "縦方向"};
    const char* names[] = {"lbYoko", "lbTate"};
    for (int row = 0; row < 2; ++row) {
        table->addWidget(new QLabel(QString::fromUtf8(rows[row]), this), row + 1, 0);
        boxes_[row]->setObjectName(row == 0 ? QStringLiteral("txYoko") : QStringLiteral("txTate"));
        boxes_[row]->installEventFilter(this);
        table->addWidget(boxes_[row], row + 1, 1);
        for (int i = 0; i < 3; ++i) {
            sizes_[row][i] = new QLabel(this);
            sizes_[row][i]->setObjectName(QString::fromUtf8(names[row]) + QString::number(i));
            sizes_[row][i]->setFrameShape(QFrame::StyledPanel);
            table->addWidget(sizes_[row][i], row + 1, i + 2);
        }
        sizes_[row][0]->setText(QString::number(pixels_[row]));
    }
    chXY_->setObjectName(QStringLiteral("chXY"));

    auto* printerRow = new QGridLayout;
    printerRow->addWidget(new QLabel(QStringLiteral("ﾌﾟﾘﾝﾀｰの解像度の参照"), this), 0, 0);
    printerRow->addWidget(new QLabel(QStringLiteral("解像度(横)"), this), 0, 2);
    printerRow->addWidget(new QLabel(QStringLiteral("解像度(縦)"), this), 0, 3);
    for (int i = 0; i < 3; ++i) {
        printer_[i] = new QLabel(this);
        printer_[i]->setObjectName(QStringLiteral("lbPrn%1").arg(i));
        printer_[i]->setFrameShape(QFrame::StyledPanel);
        printerRow->addWidget(printer_[i], 1, i == 0 ? 0 : i + 1);
    }
    cmPrn_->setObjectName(QStringLiteral("cmPrn"));
    cmPrn_->setAutoDefault(false);
    printerRow->addWidget(cmPrn_, 1, 1);
    connect(cmPrn_, &QPushButton::clicked, this, &spDpi::referPrinter);

    ssCom_->setObjectName(QStringLiteral("ssCom"));
    ssCom_->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    ssCom_->setToolTip(QStringLiteral("解像度を元の値に戻します"));
    connect(ssCom_, &QToolButton::clicked, this, [this] {
        for (int i = 0; i < 2; ++i) boxes_[i]->setText(QString::number(incoming_[i]));
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chXY_);
    buttons->addWidget(ssCom_);
    buttons->addStretch();
    for (int i = 0; i < 2; ++i) {
        cmOK_[i]->setObjectName(QStringLiteral("cmOK%1").arg(i));
        buttons->addWidget(cmOK_[i]);
    }
    cmOK_[0]->setDefault(true);
    connect(cmOK_[0], &QPushButton::clicked, this, &spDpi::confirm);
    connect(cmOK_[1], &QPushButton::clicked, this, [this] {
        confirmed_ = false;
        reject();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(table);
    layout->addLayout(buttons);
    layout->addLayout(printerRow);
    layout->addWidget(new QLabel(QStringLiteral("GIF形式で保存する場合は､設定値は無効です"), this));

    for (int i = 0; i < 2; ++i) boxes_[i]->setText(QString::number(incoming_[i]));
    computeSizes(0);
    adjustSize();
    if (const QWidget* main = values.mainWindow) {
        const QRect frame = main->geometry();
        move(frame.left() + (frame.width() - this->width()) / 2,
             frame.top() + (frame.height() - this->height()) / 2);
    }
    Usr::KeepInWorkArea(*this);
    values.bSuppress = false;
    Usr::SetBusy(false);
}

bool spDpi::Act(int& dpiX, int& dpiY, int width, int height, QWidget* parent) {
    spDpi dialog(dpiX, dpiY, width, height, parent);
    util::messages().runModal(dialog);
    if (!dialog.confirmed()) return false;
    dpiX = dialog.entered(0);
    dpiY = dialog.entered(1);
    return true;
}

int spDpi::entered(int index) const { return roundedValue(boxes_[index]->text()); }

void spDpi::computeSizes(int edited) {
    if ((edited == 1 || edited == 2) && chXY_->isChecked())
        boxes_[2 - edited]->setText(boxes_[edited - 1]->text());
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    for (int row = 0; row < 2; ++row) {
        // A resolution below 1 would divide by zero: that direction keeps its sizes.
        const int dpi = entered(row);
        if (dpi < 1) continue;
        const double inches = double(pixels_[row]) / dpi;
        sizes_[row][1]->setText(oneDecimal(inches));
        sizes_[row][2]->setText(oneDecimal(inches * 2.54));
    }
    values.bSuppress = false;
}

void spDpi::referPrinter() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (util::messages().runModal(dialog) != QDialog::Accepted) return;
    // Printing to a file has no printer name; the system's default printer is named instead.
    QString name = printer.printerName();
    if (name.isEmpty()) name = QPrinterInfo::defaultPrinterName();
    printer_[0]->setText(name);
    printer_[1]->setText(QString::number(printer.logicalDpiX()));
    printer_[2]->setText(QString::number(printer.logicalDpiY()));
}

void spDpi::confirm() {
    const int x = entered(0), y = entered(1);
    confirmed_ = x != incoming_[0] || y != incoming_[1];
    if (confirmed_ && (x < kMinDpi || x > kMaxDpi || y < kMinDpi || y > kMaxDpi)) {
        // A resolution no file can hold is refused here rather than stored with the image.
        confirmed_ = false;
        util::messages().message(QStringLiteral("解像度が不正です"));
        return;
    }
    accept();
}

bool spDpi::eventFilter(QObject* watched, QEvent* event) {
    const int edited = watched == boxes_[0] ? 1 : watched == boxes_[1] ? 2 : 0;
    if (edited == 0) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down ||
            key == Qt::Key_Tab) {
            computeSizes(edited);
            cmOK_[0]->setFocus(Qt::TabFocusReason);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        computeSizes(edited);
    } else if (event->type() == QEvent::FocusIn) {
        // After Qt's own focus handling, which would place the cursor instead.
        QTimer::singleShot(0, boxes_[edited - 1], &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ximora::dialogs
