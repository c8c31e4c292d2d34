#include "editor/save/save_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>

#include "util/message_service.h"

namespace ximora::editor {

namespace {

/// The offered format a name's extension stands for ("jpeg" for "JPG", the JPEG 2000 code
/// stream "j2k" for "JP2"), or -1.
int formatIndex(const QStringList& formats, const QString& suffix) {
    static const QHash<QString, QString> kAliases{{QStringLiteral("JPEG"), QStringLiteral("JPG")},
                                                  {QStringLiteral("JPE"), QStringLiteral("JPG")},
                                                  {QStringLiteral("JFIF"), QStringLiteral("JPG")},
                                                  {QStringLiteral("TIFF"), QStringLiteral("TIF")},
                                                  {QStringLiteral("J2K"), QStringLiteral("JP2")},
                                                  {QStringLiteral("JPC"), QStringLiteral("JP2")}};
    const QString upper = suffix.toUpper();
    return int(formats.indexOf(kAliases.value(upper, upper)));
}

}  // namespace

SaveDialog::SaveDialog(const QString& folder, const QString& name, const QStringList& formats,
                       QWidget* parent)
    : QDialog(parent),
      formats_(formats),
      folder_(new QLineEdit(folder)),
      name_(new QLineEdit(QFileInfo(name).fileName())),
      format_(new QComboBox) {
    setWindowTitle(QStringLiteral("名前を付けて保存"));
    if (!name.isEmpty() && name.contains('/')) folder_->setText(QFileInfo(name).absolutePath());
    format_->addItems(formats);
    // The name's format is preselected; a name in a format that is not offered (one the
    // program only reads) loses its extension, so that the chosen format's is put on.
    const QString suffix = QFileInfo(name).suffix();
    const int preset = formatIndex(formats, suffix);
    if (preset >= 0)
        format_->setCurrentIndex(preset);
    else if (!suffix.isEmpty())
        name_->setText(QFileInfo(name).completeBaseName());
    // Choosing another format changes the extension of the name along with it.
    connect(format_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QFileInfo typed(name_->text().trimmed());
        if (index < 0 || formatIndex(formats_, typed.suffix()) < 0) return;
        name_->setText(typed.completeBaseName() + '.' + formats_[index].toLower());
    });

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
    // A name without the extension of an offered format gets the chosen format's ("shot.1"
    // becomes "shot.1.png").
    if (formatIndex(formats_, QFileInfo(name).suffix()) < 0 && format_->currentIndex() >= 0)
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
