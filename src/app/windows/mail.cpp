#include "app/windows/mail.h"

#include <QProcess>

#include "util/message_service.h"

namespace ximora::app {

QStringList mailAttachments(const QString& files) {
    QStringList result;
    for (const QString& part : files.split(','))
        if (!part.isEmpty()) result << part;
    return result;
}

QStringList mailArguments(const QString& subject, const QString& text, const QString& files) {
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), subject,
                          QStringLiteral("--body"), text};
    for (const QString& file : mailAttachments(files))
        arguments << QStringLiteral("--attach") << file;
    return arguments;
}

void Mail(const QString& subject, const QString& text, const QString& files,
          const QString& program) {
    // xdg-email may return at once or only when a mail program it started is closed; either
    // way the window goes on, and the mail program is never ended from here. Its output does
    // not mix into ours (automation reads our messages from standard error).
    QProcess mail;
    mail.setProgram(program);
    mail.setArguments(mailArguments(subject, text, files));
    mail.setStandardOutputFile(QProcess::nullDevice());
    mail.setStandardErrorFile(QProcess::nullDevice());
    if (!mail.startDetached())
        util::messages().message(
            QStringLiteral("OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸして下さい"));
}

}  // namespace ximora::app
