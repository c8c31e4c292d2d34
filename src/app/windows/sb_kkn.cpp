#include "app/windows/sb_kkn.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::app {

SbKkn::SbKkn(QWidget* parent) : QDialog(parent ? parent : util::shared().mainWindow.data()) {
    setObjectName(QStringLiteral("sbKkn"));
    setWindowTitle(QStringLiteral("画像格納の指定"));
    auto* grid = new QGridLayout(this);
    txFld_ = new QLineEdit(this);
    txFld_->setObjectName(QStringLiteral("txFld"));
    txFld_->setMinimumWidth(320);
    auto* cmFold = new QPushButton(style()->standardIcon(QStyle::SP_DirOpenIcon), QString(), this);
    cmFold->setObjectName(QStringLiteral("cmFold"));
    connect(cmFold, &QPushButton::clicked, this, &SbKkn::browse);
    txPfx_ = new QLineEdit(this);
    txPfx_->setObjectName(QStringLiteral("txPfx"));
    auto* formats = new QGroupBox(QStringLiteral("画像形式"), this);
    auto* row = new QHBoxLayout(formats);
    const char* names[] = {"Bmp", "Jpg", "Png"};
    for (int i = 0; i < 3; ++i) {
        opPic_[i] = new QRadioButton(QString::fromLatin1(names[i]), formats);
        opPic_[i]->setObjectName(QStringLiteral("opPic%1").arg(i));
        row->addWidget(opPic_[i]);
    }
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    grid->addWidget(new QLabel(QStringLiteral("ﾌｫﾙﾀﾞの指定"), this), 0, 0);
    grid->addWidget(txFld_, 0, 1);
    grid->addWidget(cmFold, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("ﾌﾟﾚﾌｨｯｸｽ"), this), 1, 0);
    grid->addWidget(txPfx_, 1, 1);
    grid->addWidget(formats, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
}

void SbKkn::setValues(const QString& folder, const QString& prefix, const QString& format) {
    txFld_->setText(folder);
    txPfx_->setText(prefix);
    const int index = format == QStringLiteral("bmp") ? 0 : format == QStringLiteral("jpg") ? 1 : 2;
    opPic_[index]->setChecked(true);
}

void SbKkn::values(QString& folder, QString& prefix, QString& format) const {
    folder = txFld_->text();
    prefix = txPfx_->text();
    format = opPic_[0]->isChecked()   ? QStringLiteral("bmp")
             : opPic_[1]->isChecked() ? QStringLiteral("jpg")
                                      : QStringLiteral("png");
}

void SbKkn::browse() {
    QString folder = txFld_->text();
    Usr::BrowseFolder(folder);
    txFld_->setText(folder);
}

bool SbKkn::Act(QString& sFld, QString& sPfx, QString& sKak) {
    SbKkn dialog;
    dialog.setValues(sFld, sPfx, sKak);
    if (util::messages().runModal(dialog) != QDialog::Accepted) return false;
    dialog.values(sFld, sPfx, sKak);
    return true;
}

}  // namespace ximora::app
