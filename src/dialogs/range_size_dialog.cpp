#include "dialogs/range_size_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include "editor/document/numeric_value.h"
#include "platform/desktop.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::dialogs {
namespace {

const QString kTemporary = QStringLiteral("Temporary");

const char* const kPixelPresets[] = {
    "QVGA   320 x   240", " VGA   640 x   480", "SVGA   800 x   600",
    " XGA 1,024 x   768", "SXGA 1,280 x 1,024", "UXGA 1,600 x 1,200",
};
const char* const kPaperPresets[] = {
    "A4   21.0 x 29.7", "B5   18.2 x 25.7", "A5   14.8 x 21.0", "A6   10.5 x 14.8",
    "ﾊｶﾞｷ 10.0 x 14.8", "ﾌｫﾄ  10.2 x 15.2", "L判   8.9 x 12.7",
};

/// A number in its shortest plain form ("640", "29.7").
QString plain(double value) { return QString::number(value, 'g', 15); }
/// A single-precision result in its shortest form (8.9 × 100 / 100 reads "8.9").
QString plainSingle(float value) { return QString::number(double(value), 'g', 7); }

bool isCentimetres(const QString& unit) { return unit.toLower() == QStringLiteral("cm"); }

/// The row of `lsHani` for one entry: name(width*height unit).
QString rowText(const QString& entry) {
    const QStringList f = entry.split(',');
    const auto field = [&f](int i) { return i < f.size() ? f[i] : QString(); };
    return field(0) + '(' + plain(editor::numericValue(field(1))) + '*' +
           plain(editor::numericValue(field(2))) +
           (isCentimetres(field(3)) ? QStringLiteral(" cm)") : QStringLiteral(" px)"));
}

/// A typed field made safe for the list: its separators would split the entry.
QString field(const QString& text) {
    QString out = text;
    out.remove(',');
    out.remove(':');
    return out;
}

/// The desktop's calculator, or empty when none is installed.
QString calculator() {
    for (const char* name : {"gnome-calculator", "kcalc", "galculator", "mate-calc", "xcalc"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromUtf8(name));
        if (!found.isEmpty()) return found;
    }
    return {};
}

}  // namespace

QSize spSize::ScrnSz() {
    const QRect area = platform::screenMetrics().workArea;
    return {area.right() + 1 - area.left(), area.bottom() + 1 - area.top()};
}

QString spSize::Act(const QString& list, int width, int height, QWidget* parent) {
    spSize dialog(list, width, height, parent);
    // The editor's command left the busy pointer on; the dialog is for typing and clicking.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    util::messages().runModal(dialog);
    QGuiApplication::restoreOverrideCursor();
    return dialog.list();
}

spSize::spSize(const QString& list, int width, int height, QWidget* parent)
    : QDialog(parent), list_(list) {
    build();
    txSizeX_[0]->setText(QString::number(width));
    txSizeY_[0]->setText(QString::number(height));
    txCap_->setText(kTemporary);
    if (!list_.contains(kTemporary + ',')) {
        list_.prepend(QStringLiteral("%1,%2,%3,px:").arg(kTemporary).arg(width).arg(height));
    }
    fillList();
    lsHani_->setCurrentRow(0);
    selectRow(0, true);
    fillPresets();
    adjustSize();
    if (QWidget* main = util::shared().mainWindow) {
        const QRect frame = main->frameGeometry();
        move(frame.left() + (frame.width() - this->width()) / 2,
             frame.top() + (frame.height() - this->height()) / 2);
    }
    Usr::KeepInWorkArea(*this);
    busy_ = false;
}

void spSize::build() {
    setWindowTitle(QStringLiteral("選択･切取ｻｲｽﾞの登録"));
    auto* top = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    lsHani_ = new QListWidget(this);
    left->addWidget(lsHani_);
    auto* moves = new QHBoxLayout;
    const char* const captions[] = {"↑", "↓", "削除", "←修正", "←追加"};
    for (int b = 0; b < 5; ++b) {
        cmLst_[b] = new QPushButton(QString::fromUtf8(captions[b]), this);
        cmLst_[b]->setEnabled(false);
        connect(cmLst_[b], &QPushButton::clicked, this, [this, b] { listButton(b); });
    }
    for (int b : {Up, Down, Delete}) moves->addWidget(cmLst_[b]);
    left->addLayout(moves);
    top->addLayout(left);

    auto* edit = new QVBoxLayout;
    auto* editButtons = new QVBoxLayout;
    for (int b : {Replace, Add}) {
        cmLst_[b]->setToolTip(QStringLiteral("既存の登録名が存在すれば､上書きとなります"));
        editButtons->addWidget(cmLst_[b]);
    }
    top->addLayout(editButtons);

    txCap_ = new QLineEdit(this);
    lbCap_ = new QLabel(this);
    edit->addWidget(txCap_);
    edit->addWidget(lbCap_);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const char* const options[] = {"画像ｻｲｽﾞをﾋﾟｸｾﾙで指定する", "印刷ｻｲｽﾞをｾﾝﾁで指定する"};
    for (int r = 0; r < 2; ++r) {
        opSize_[r] = new QRadioButton(QString::fromUtf8(options[r]), this);
        txSizeX_[r] = new QLineEdit(QStringLiteral("0"), this);
        txSizeY_[r] = new QLineEdit(QStringLiteral("0"), this);
        lsSize_[r] = new QListWidget(this);
        lsSize_[r]->setFont(fixed);
        txPsnt_[r] = new QLineEdit(QStringLiteral("100"), this);
        chXY_[r] = new QCheckBox(QStringLiteral("縦横入替"), this);
        auto* grid = new QGridLayout;
        grid->addWidget(opSize_[r], 0, 0, 1, 4);
        grid->addWidget(txSizeX_[r], 1, 0);
        grid->addWidget(new QLabel(QStringLiteral("*"), this), 1, 1);
        grid->addWidget(txSizeY_[r], 1, 2);
        grid->addWidget(lsSize_[r], 2, 0, 1, 4);
        grid->addWidget(txPsnt_[r], 3, 0);
        grid->addWidget(new QLabel(QStringLiteral("%"), this), 3, 1);
        grid->addWidget(chXY_[r], 3, 2);
        edit->addLayout(grid);

        for (QLineEdit* size : {txSizeX_[r], txSizeY_[r]}) {
            size->installEventFilter(this);
            connect(size, &QLineEdit::editingFinished, this, [this, r] {
                if (!busy_) showSize(r);
            });
        }
        connect(lsSize_[r], &QListWidget::itemClicked, this, [this, r] {
            if (busy_) return;
            opSize_[r]->setChecked(true);
            applyPreset(r);
        });
        connect(chXY_[r], &QCheckBox::clicked, this, [this, r] {
            if (!busy_) applyPreset(r);
        });
        connect(txPsnt_[r], &QLineEdit::editingFinished, this, [this, r] {
            if (!busy_) applyPreset(r);
        });
        connect(txPsnt_[r], &QLineEdit::textChanged, this, [this, r] { percentChanged(r); });
    }
    auto* closing = new QHBoxLayout;
    ssCom_ = new QPushButton(QStringLiteral("電卓"), this);
    const QString calc = calculator();
    ssCom_->setVisible(!calc.isEmpty());
    connect(ssCom_, &QPushButton::clicked, this, [calc] { QProcess::startDetached(calc, {}); });
    cmClose_ = new QPushButton(QStringLiteral("閉じる"), this);
    connect(cmClose_, &QPushButton::clicked, this, &QDialog::accept);
    closing->addWidget(ssCom_);
    closing->addStretch();
    closing->addWidget(cmClose_);
    edit->addLayout(closing);
    top->addLayout(edit);

    connect(lsHani_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!busy_) selectRow(row, false);
    });
    connect(txCap_, &QLineEdit::textChanged, this, [this] {
        if (!busy_) updateEditButtons();
    });
}

void spSize::fillPresets() {
    for (const char* text : kPixelPresets) lsSize_[0]->addItem(QString::fromUtf8(text));
    const QSize screen = ScrnSz();
    const QLocale grouped(QLocale::English);
    lsSize_[0]->addItem(QStringLiteral("ｽｸﾘｰﾝ ") + grouped.toString(screen.width()) +
                        QStringLiteral(" * ") + grouped.toString(screen.height()));
    for (const char* text : kPaperPresets) lsSize_[1]->addItem(QString::fromUtf8(text));
}

QStringList spSize::entries() const { return list_.split(':', Qt::SkipEmptyParts); }

void spSize::fillList() {
    lsHani_->clear();
    for (const QString& entry : entries()) lsHani_->addItem(rowText(entry));
}

void spSize::selectRow(int row, bool opening) {
    const int count = lsHani_->count();
    cmLst_[Up]->setEnabled(row > 0);
    cmLst_[Down]->setEnabled(row >= 0 && row < count - 1);
    cmLst_[Delete]->setEnabled(row >= 0);
    cmLst_[Replace]->setEnabled(opening);
    cmLst_[Add]->setEnabled(false);
    if (row < 0) return;
    if (opening) {
        opSize_[0]->setChecked(true);
        lbCap_->setText(txSizeX_[0]->text() + QStringLiteral(" x ") + txSizeY_[0]->text() +
                        QStringLiteral("px"));
    } else {
        const QStringList f = entries().value(row).split(',');
        const QString unit = f.value(3);
        const int k = isCentimetres(unit) ? 1 : 0;
        txCap_->setText(f.value(0));
        opSize_[k]->setChecked(true);
        txSizeX_[k]->setText(f.value(1));
        txSizeY_[k]->setText(f.value(2));
        lbCap_->setText(f.value(1) + QStringLiteral(" x ") + f.value(2) + unit);
        updateEditButtons();
    }
    for (QListWidget* presets : lsSize_)
        if (presets) presets->clearSelection();
}

void spSize::percentChanged(int row) {
    const double p = editor::numericValue(txPsnt_[row]->text());
    QPalette palette = txPsnt_[row]->palette();
    palette.setColor(QPalette::Text, p > 0 && p <= 100 ? QColor(0, 0, 0) : QColor(255, 0, 0));
    txPsnt_[row]->setPalette(palette);
}

void spSize::applyPreset(int row) {
    const double p = editor::numericValue(txPsnt_[row]->text());
    const QListWidgetItem* chosen = lsSize_[row]->currentItem();
    if (!(p > 0 && p <= 100) || !chosen || !chosen->isSelected()) return;
    QString text = chosen->text().trimmed();
    text.remove(',');
    const QStringList tokens = text.split(QRegularExpression(QStringLiteral(" +")));
    if (tokens.size() < 4) return;
    txCap_->setText(tokens[0] + ' ' + plain(p) + '%');
    const float factor = float(p) / 100.0f;
    const QString width = plainSingle(float(editor::numericValue(tokens[1])) * factor);
    const QString height = plainSingle(float(editor::numericValue(tokens[3])) * factor);
    const bool swap = chXY_[row]->isChecked();
    txSizeX_[row]->setText(swap ? height : width);
    txSizeY_[row]->setText(swap ? width : height);
    showSize(row);
}

void spSize::showSize(int row) {
    opSize_[row]->setChecked(true);
    lbCap_->setText(txSizeX_[row]->text() + QStringLiteral(" x ") + txSizeY_[row]->text() +
                    (row == 0 ? QStringLiteral(" px") : QStringLiteral(" cm")));
    updateEditButtons();
}

void spSize::updateEditButtons() {
    cmLst_[Replace]->setEnabled(lsHani_->currentRow() >= 0);
    const QString name = txCap_->text();
    if (name.isEmpty()) return;
    const bool exists = (':' + list_).contains(':' + field(name) + ',', Qt::CaseInsensitive);
    cmLst_[Add]->setEnabled(!exists);
}

QString spSize::composed() const {
    const int k = opSize_[0]->isChecked() ? 0 : 1;
    return field(txCap_->text()) + ',' + field(txSizeX_[k]->text()) + ',' +
           field(txSizeY_[k]->text()) + (k == 0 ? QStringLiteral(",px") : QStringLiteral(",cm"));
}

void spSize::listButton(int button) {
    QStringList all = entries();
    const int s = lsHani_->currentRow();
    const bool inRange = s >= 0 && s < all.size();
    const bool named = !txCap_->text().isEmpty();
    int reselect = s;
    switch (button) {
        case Up:
            if (!inRange || s == 0) return;
            all.swapItemsAt(s, s - 1);
            reselect = s - 1;
            break;
        case Down:
            if (!inRange || s + 1 >= all.size()) return;
            all.swapItemsAt(s, s + 1);
            reselect = s + 1;
            break;
        case Delete:
            if (!inRange) return;
            all.removeAt(s);
            reselect = -1;
            break;
        case Replace:
            if (!inRange || !named) return;
            all[s] = composed();
            break;
        case Add:
            if (!named) return;
            all.insert(inRange ? s : 0, composed());
            break;
    }
    list_ = all.join(':');
    busy_ = true;
    fillList();
    for (QPushButton* b : cmLst_) b->setEnabled(false);
    lsHani_->setCurrentRow(reselect);
    busy_ = false;
}

bool spSize::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ximora::dialogs
