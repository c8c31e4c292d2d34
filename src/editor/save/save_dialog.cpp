#include "editor/save/save_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "util/message_service.h"

namespace ximora::editor {

SaveDialog::SaveDialog(const QString& folder, const QString& name, const QStringList& formats,
                       QWidget* parent)
    : QDialog(parent),
      folder_(new QLineEdit(folder)),
      name_(new QLineEdit(QFileInfo(name).fileName())),
      format_(new QComboBox) {
    setWindowTitle(QStringLiteral("名前を付けて保存"));
    if (!name.isEmpty() && name.contains('/')) folder_->setText(QFileInfo(name).absolutePath());
    format_->addItems(formats);
    const int preset = int(formats.indexOf(QFileInfo(name).suffix().toUpper()));
    if (preset >= 0) format_->setCurrentIndex(preset);

    auto* browse = new QPushButton(QStringLiteral("参照..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            util::messages().chooseFolder(QStringLiteral("保存先"), folder_->text());
        if (!chosen.isEmpty()) folder_->setText(chosen);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("ﾌｫﾙﾀﾞ:"), folderRow);
    form->addRow(QStringLiteral("ﾌｧｲﾙ名:"), name_);
    form->addRow(QStringLiteral("ﾌｧｲﾙの種類:"), format_);
    form->addRow(buttons);
    name_->setFocus();
}

QString SaveDialog::path() const {
    QString name = name_->text().trimmed();
    if (name.isEmpty()) return {};
    if (QFileInfo(name).suffix().isEmpty() && format_->currentIndex() >= 0)
        name += '.' + format_->currentText().toLower();
    QString folder = folder_->text().trimmed();
    if (folder.endsWith('/')) folder.chop(1);
    return folder + '/' + name;
}

QString askSavePath(const QString& folder, const QString& name, const QStringList& formats,
                    QWidget* parent) {
    SaveDialog dialog(folder, name, formats, parent);
    if (util::messages().runModal(dialog) != QDialog::Accepted) return {};
    return dialog.path();
}

}  // namespace ximora::editor
