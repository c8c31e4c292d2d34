#include "util/automation_messages.h"

#include <QDialog>

namespace ximora::util {

void AutomationMessages::write(const QString& text) {
    // Messages join their lines with CR; a terminal or a script reads LF.
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    const QByteArray bytes = "ximora: message: " + line.toUtf8() + "\n";
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out_);
    std::fflush(out_);
}

MsgAnswer AutomationMessages::message(const MessageRequest& request) {
    write(request.text);
    return defaultAnswer(request);
}

std::optional<QString> AutomationMessages::input(const QString& prompt, const QString&,
                                                 const QString& defaultText) {
    write(prompt);
    return defaultText;
}

QString AutomationMessages::openFile(const FileRequest&) { return {}; }

QString AutomationMessages::saveFile(const FileRequest&) { return {}; }

QString AutomationMessages::chooseFolder(const QString&, const QString&) { return {}; }

int AutomationMessages::runModal(QDialog& dialog) {
    // reject() emits the same signals a user's Cancel would, so the dialog cleans up as usual.
    // Called through the meta-object: the programs without windows then need Qt Core alone.
    QMetaObject::invokeMethod(&dialog, "reject", Qt::DirectConnection);
    return QDialog::Rejected;
}

}  // namespace ximora::util
