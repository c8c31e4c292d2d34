#include "editor/document/save_questions.h"

#include <QFile>
#include <QFileInfo>

#include "editor/document/picture_facts.h"
#include "platform/file_names.h"
#include "util/message_service.h"

namespace ximora::editor {

bool askBeforeLoss(const QString& text) {
    util::MessageRequest question;
    question.text = text;
    question.buttons = util::MsgButtons::YesNo;
    question.icon = util::MsgIcon::Question;
    question.defaultButton = 1;  // No: nothing is lost by not answering
    return util::messages().message(question) == util::MsgAnswer::Yes;
}

QString readOnlyFileMessage() { return QStringLiteral("このﾌｧｲﾙは読み取り専用です｡"); }

bool confirmReplace(const QString& path) {
    if (!platform::isRegularFile(path)) return true;
    QString text =
        platform::displayPath(QFileInfo(path).fileName()) + QStringLiteral(" は既に存在します｡\r");
    if (platform::isReadOnlyFile(path)) text += readOnlyFileMessage() + '\r';
    if (const int pages = filePages(path); pages > 1)
        text += QStringLiteral("このﾌｧｲﾙの") + QString::number(pages) +
                QStringLiteral("ﾍﾟｰｼﾞのうち") + QString::number(pages - 1) +
                QStringLiteral("ﾍﾟｰｼﾞが失われます｡\r");
    return askBeforeLoss(text + QStringLiteral("置き換えますか"));
}

QString readOnlyFormatMessage(const QString& ext) {
    return QStringLiteral("この形式(") + ext.toUpper() + QStringLiteral(")では保存できません");
}

}  // namespace ximora::editor
