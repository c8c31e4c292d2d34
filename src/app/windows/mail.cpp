#include "app/windows/mail.h"

#include <QFile>

#include "platform/file_names.h"
#include "platform/watched_launch.h"
#include "util/message_service.h"

namespace ximora::app {

QList<QByteArray> mailArguments(const QString& subject, const QString& text,
                                const QStringList& attachments) {
    QList<QByteArray> arguments{"--utf8", "--subject", subject.toUtf8(), "--body", text.toUtf8()};
    for (const QString& file : attachments) arguments << "--attach" << platform::encodePath(file);
    return arguments;
}

void Mail(const QString& subject, const QString& text, const QStringList& attachments,
          const QString& program) {
    platform::launchWatched(
        platform::encodePath(program), mailArguments(subject, text, attachments), [] {
            util::messages().message(
                QStringLiteral("OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸ"
                               "して下さい"));
        });
}

}  // namespace ximora::app
