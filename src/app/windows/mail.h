#pragma once
// Mail with attachments through the desktop's default mail program (xdg-email).

#include <QString>
#include <QStringList>

namespace ximora::app {

/// The attachments of a file text: the parts between "," that are not empty, in order; a text
/// without "," is one file, spaces and all.
QStringList mailAttachments(const QString& files);

/// The xdg-email arguments for subject, body and attachments.
QStringList mailArguments(const QString& subject, const QString& text, const QString& files);

/// Opens the mail program's compose window. The mail tool is started on its own and never
/// waited for: a mail program may stay open as long as the user writes. Only when it cannot be
/// started is the message "OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸして下さい"
/// shown. `program` is the mail tool ("xdg-email" unless a test says otherwise).
void Mail(const QString& subject, const QString& text, const QString& files,
          const QString& program = QStringLiteral("xdg-email"));

}  // namespace ximora::app
