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
    QProcess process;
    process.start(program, mailArguments(subject, text, files));
    // xdg-email hands the message over and returns; a compose window outlives it.
    const bool ok = process.waitForStarted(5000) && process.waitForFinished(30000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok)
        util::messages().message(
            QStringLiteral("OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸして下さい"));
}

}  // namespace ximora::app
