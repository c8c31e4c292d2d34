#pragma once
// Mail with attachments through the desktop's default mail program (xdg-email).

#include <QList>
#include <QString>
#include <QStringList>

namespace ximora::app {

/// The xdg-email arguments for subject, body and attachments: one "--attach" and one whole
/// path (the file system's bytes) for each attachment, nothing split or joined.
QList<QByteArray> mailArguments(const QString& subject, const QString& text,
                                const QStringList& attachments);

/// Opens the mail program's compose window with `subject`, `text` and `attachments` attached.
/// The mail tool is started on its own and never waited for: a mail program may stay open as
/// long as the user writes. When it cannot be started or ends with an error (xdg-email finding
/// no mail program), the message "OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸ
/// して下さい" is shown. `program` is the mail tool (xdg-email, found on PATH).
void Mail(const QString& subject, const QString& text, const QStringList& attachments,
          const QString& program = QStringLiteral("xdg-email"));

}  // namespace ximora::app
