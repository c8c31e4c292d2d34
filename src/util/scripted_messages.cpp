#include "util/scripted_messages.h"

#include <QDialog>

namespace ximora::util {

QStringList ScriptedMessages::messageTexts() const {
    QStringList texts;
    for (const Call& call : calls_)
        if (call.kind == Kind::Message) texts << call.text;
    return texts;
}

MsgAnswer ScriptedMessages::message(const MessageRequest& request) {
    calls_.push_back(
        {Kind::Message, request.text, request.title, request.buttons, request.icon, {}});
    if (answers_.empty()) return defaultAnswer(request);
    const MsgAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

std::optional<QString> ScriptedMessages::input(const QString& prompt, const QString& title,
                                               const QString& defaultText) {
    calls_.push_back(
        {Kind::Input, prompt, title, MsgButtons::OkCancel, MsgIcon::None, defaultText});
    if (inputs_.empty()) return defaultText;
    auto text = std::move(inputs_.front());
    inputs_.pop_front();
    return text;
}

QString ScriptedMessages::nextPath() {
    if (paths_.empty()) return {};
    QString path = std::move(paths_.front());
    paths_.pop_front();
    return path;
}

QString ScriptedMessages::openFile(const FileRequest& request) {
    calls_.push_back({Kind::OpenFile, request.title, request.title, MsgButtons::OkCancel,
                      MsgIcon::None, request.start});
    return nextPath();
}

QString ScriptedMessages::saveFile(const FileRequest& request) {
    calls_.push_back({Kind::SaveFile, request.title, request.title, MsgButtons::OkCancel,
                      MsgIcon::None, request.start});
    return nextPath();
}

QString ScriptedMessages::chooseFolder(const QString& title, const QString& start) {
    calls_.push_back({Kind::Folder, title, title, MsgButtons::OkCancel, MsgIcon::None, start});
    return nextPath();
}

int ScriptedMessages::runModal(QDialog& dialog) {
    calls_.push_back({Kind::Modal,
                      dialog.windowTitle(),
                      dialog.windowTitle(),
                      MsgButtons::OkCancel,
                      MsgIcon::None,
                      {}});
    if (modal_) return modal_(dialog);
    dialog.reject();
    return QDialog::Rejected;
}

}  // namespace ximora::util
