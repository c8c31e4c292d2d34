#include "app/windows/sb_mcr.h"

#include <QMenuBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::app {

SbMcr::SbMcr(QWidget* parent) : QDialog(parent ? parent : util::shared().mainWindow.data()) {
    setObjectName(QStringLiteral("sbMcr"));
    setWindowTitle(QStringLiteral("マクロコマンドの編集"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    file->addAction(QStringLiteral("編集取り消"), this, [this] { rtex_->setPlainText(kept_); });
    file->addSeparator();
    file->addAction(QStringLiteral("更新して閉じる"), this, &QDialog::accept);
    file->addAction(QStringLiteral("更新しないで閉じる"), this, &QDialog::reject);
    layout->setMenuBar(bar);
    rtex_ = new QTextEdit(this);
    rtex_->setObjectName(QStringLiteral("Rtex"));
    rtex_->setAcceptRichText(false);
    layout->addWidget(rtex_);
    resize(480, 360);
}

void SbMcr::setText(const QString& text) {
    kept_ = text;
    // The text box works with LF; the list keeps CR LF.
    QString shown = text;
    rtex_->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Typing replaces the placeholder title at once.
    const qsizetype at = rtex_->toPlainText().indexOf(QStringLiteral("新規マクロ"));
    if (at >= 0) {
        QTextCursor cursor = rtex_->textCursor();
        cursor.setPosition(static_cast<int>(at));
        cursor.setPosition(static_cast<int>(at + 5), QTextCursor::KeepAnchor);
        rtex_->setTextCursor(cursor);
    }
}

bool SbMcr::Act(QString& text) {
    SbMcr window;
    window.setText(text);
    if (window.parentWidget())
        window.move(window.parentWidget()->geometry().center() - window.rect().center());
    if (util::messages().runModal(window) != QDialog::Accepted) return false;
    text = window.rtex_->toPlainText().replace('\n', QStringLiteral("\r\n"));
    return true;
}

}  // namespace ximora::app
