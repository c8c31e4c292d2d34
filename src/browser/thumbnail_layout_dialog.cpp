#include "browser/thumbnail_layout_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cmath>

#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::browser {

int leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch()) return 0;
    const double value = match.captured(0).trimmed().toDouble();
    return int(std::clamp(std::lround(value), long(INT_MIN), long(INT_MAX)));
}

ThumbnailLayoutDialog::ThumbnailLayoutDialog(const ThumbnailLayout& layout, QWidget* parent)
    : QDialog(parent),
      columns_(new QLineEdit(QString::number(layout.columns))),
      rows_(new QLineEdit(QString::number(layout.rows))),
      size_(new QLineEdit(QString::number(layout.size))),
      names_(new QCheckBox(QStringLiteral("ﾌｧｲﾙ名を表示する"))) {
    setWindowTitle(QStringLiteral("ｻﾑﾈｲﾙの表示設定"));
    columns_->setObjectName(QStringLiteral("txCL"));
    rows_->setObjectName(QStringLiteral("txRw"));
    size_->setObjectName(QStringLiteral("txSz"));
    names_->setObjectName(QStringLiteral("chFn"));
    names_->setChecked(layout.showNames);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("列数"), columns_);
    form->addRow(QStringLiteral("行数"), rows_);
    form->addRow(QStringLiteral("画像ｻｲｽﾞ(ﾋﾟｸｾﾙ)"), size_);
    form->addRow(names_);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

ThumbnailLayout ThumbnailLayoutDialog::layout() const {
    return {leadingNumber(columns_->text()), leadingNumber(rows_->text()),
            leadingNumber(size_->text()), names_->isChecked()};
}

std::optional<ThumbnailLayout> ThumbnailLayoutDialog::ask(const ThumbnailLayout& layout) {
    QWidget* owner = util::shared().mainWindow;
    ThumbnailLayoutDialog dialog(layout, owner);
    dialog.adjustSize();
    if (owner) dialog.move(owner->geometry().center() - dialog.rect().center());
    if (util::messages().runModal(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.layout();
}

}  // namespace ximora::browser
