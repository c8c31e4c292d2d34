#include "util/message_service.h"

#include <QCoreApplication>
#include <algorithm>

#include "util/automation_messages.h"
#include "util/shared_values.h"

namespace ximora::util {

namespace {
std::unique_ptr<MessageService>& current() {
    static std::unique_ptr<MessageService> service;
    return service;
}

MessageBoxesMaker& boxesMaker() {
    static MessageBoxesMaker make = nullptr;
    return make;
}

int buttonCount(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return 1;
        case MsgButtons::OkCancel:
        case MsgButtons::YesNo:
            return 2;
        case MsgButtons::YesNoCancel:
            return 3;
    }
    return 1;
}
}  // namespace

MsgAnswer defaultAnswer(const MessageRequest& request) {
    const int index = std::clamp(request.defaultButton, 0, buttonCount(request.buttons) - 1);
    switch (request.buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::OkCancel:
            return index == 0 ? MsgAnswer::Ok : MsgAnswer::Cancel;
        case MsgButtons::YesNo:
            return index == 0 ? MsgAnswer::Yes : MsgAnswer::No;
        case MsgButtons::YesNoCancel:
            return index == 0 ? MsgAnswer::Yes : index == 1 ? MsgAnswer::No : MsgAnswer::Cancel;
    }
    return MsgAnswer::Ok;
}

QString effectiveTitle(const QString& title) {
    if (!title.isEmpty()) return title;
    const QString& name = shared().sExeNm;
    return name.isEmpty() ? QStringLiteral("ximora") : name;
}

MsgAnswer MessageService::message(const QString& text, MsgButtons buttons, MsgIcon icon,
                                  const QString& title) {
    return message(MessageRequest{text, buttons, icon, title, 0});
}

MessageService& messages() {
    auto& service = current();
    if (!service) {
        const QCoreApplication* application = QCoreApplication::instance();
        if (boxesMaker() && application && application->inherits("QApplication"))
            service = boxesMaker()();
        else
            service = std::make_unique<AutomationMessages>();
    }
    return *service;
}

void setMessageBoxes(MessageBoxesMaker make) { boxesMaker() = make; }

std::unique_ptr<MessageService> installMessages(std::unique_ptr<MessageService> service) {
    auto previous = std::move(current());
    current() = std::move(service);
    return previous;
}

}  // namespace ximora::util
