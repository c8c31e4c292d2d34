#include "app/windows/sp_pex.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::app {

SpPex::SpPex(QWidget* parent) : QDialog(parent ? parent : util::shared().mainWindow.data()) {
    setObjectName(QStringLiteral("spPex"));
    setWindowTitle(QStringLiteral("画像ｴﾃﾞｨﾀの登録"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("    Caption                 |  File Path"), this), 0,
                    0, 1, 3);
    for (int i = 0; i < 3; ++i) {
        txName_[i] = new QLineEdit(this);
        txName_[i]->setObjectName(QStringLiteral("txName%1").arg(i));
        txExe_[i] = new QLineEdit(this);
        txExe_[i]->setObjectName(QStringLiteral("txExe%1").arg(i));
        txExe_[i]->setMinimumWidth(300);
        auto* browseButton = new QPushButton(QStringLiteral(".."), this);
        browseButton->setObjectName(QStringLiteral("cmFile%1").arg(i));
        connect(browseButton, &QPushButton::clicked, this, [this, i] { browse(i); });
        grid->addWidget(txName_[i], i + 1, 0);
        grid->addWidget(txExe_[i], i + 1, 1);
        grid->addWidget(browseButton, i + 1, 2);
    }
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("cmOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 4, 2);
}

void SpPex::setEntries(const QString entries[3]) {
    for (int i = 0; i < 3; ++i) {
        QString caption, path;
        if (!entries[i].isEmpty()) Usr::SplitAt(entries[i], QStringLiteral(","), caption, path);
        txName_[i]->setText(caption);
        txExe_[i]->setText(path);
    }
}

void SpPex::entries(QString out[3]) const {
    for (int i = 0; i < 3; ++i) out[i] = txName_[i]->text() + "," + txExe_[i]->text();
}

void SpPex::browse(int row) {
    txExe_[row]->setText(util::messages().openFile(
        {QStringLiteral("画像ｴﾃﾞｨﾀの指定"), txExe_[row]->text(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ (*)")}));
}

bool SpPex::Act(QString entries[3]) {
    SpPex dialog;
    dialog.setEntries(entries);
    if (util::messages().runModal(dialog) != QDialog::Accepted) return false;
    dialog.entries(entries);
    return true;
}

}  // namespace ximora::app
