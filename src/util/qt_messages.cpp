#include "util/qt_messages.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <vector>

#include "util/shared_values.h"

namespace ximora::util {

namespace {
// Boxes and file dialogs belong to the window the user works in (the sub window, a dialog),
// so that it is the one in front again when they close; otherwise to the main window.
QWidget* owner() {
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible() && active->windowType() != Qt::Popup) return active;
    if (QWidget* main = shared().mainWindow) return main;
    return active;
}

QMessageBox::Icon toQt(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

MsgAnswer QtMessages::message(const MessageRequest& request) {
    // The program's texts break lines with CR alone, which Qt would not show as a break.
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    QMessageBox box(toQt(request.icon), effectiveTitle(request.title), text, QMessageBox::NoButton,
                    owner());
    std::vector<std::pair<QMessageBox::StandardButton, MsgAnswer>> buttons;
    switch (request.buttons) {
        case MsgButtons::Ok:
            buttons = {{QMessageBox::Ok, MsgAnswer::Ok}};
            break;
        case MsgButtons::OkCancel:
            buttons = {{QMessageBox::Ok, MsgAnswer::Ok}, {QMessageBox::Cancel, MsgAnswer::Cancel}};
            break;
        case MsgButtons::YesNo:
            buttons = {{QMessageBox::Yes, MsgAnswer::Yes}, {QMessageBox::No, MsgAnswer::No}};
            break;
        case MsgButtons::YesNoCancel:
            buttons = {{QMessageBox::Yes, MsgAnswer::Yes},
                       {QMessageBox::No, MsgAnswer::No},
                       {QMessageBox::Cancel, MsgAnswer::Cancel}};
            break;
    }
    for (const auto& [button, answer] : buttons) box.addButton(button);
    const MsgAnswer fallback = defaultAnswer(request);
    for (const auto& [button, answer] : buttons)
        if (answer == fallback) box.setDefaultButton(button);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [button, answer] : buttons)
        if (button == pressed) return answer;
    // Escape or the close box on a box without a Cancel button.
    return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

std::optional<QString> QtMessages::input(const QString& prompt, const QString& title,
                                         const QString& defaultText) {
    bool ok = false;
    QString text = QInputDialog::getText(owner(), effectiveTitle(title), prompt, QLineEdit::Normal,
                                         defaultText, &ok);
    if (!ok) return std::nullopt;
    return text;
}

QString QtMessages::openFile(const FileRequest& request) {
    return QFileDialog::getOpenFileName(owner(), request.title, request.start, request.filter);
}

QString QtMessages::saveFile(const FileRequest& request) {
    // The callers ask before an existing file is replaced, saying what it would lose (the
    // pages of a file of several), through this service like every other question.
    return QFileDialog::getSaveFileName(owner(), request.title, request.start, request.filter,
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

QString QtMessages::chooseFolder(const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(owner(), title, start);
}

int QtMessages::runModal(QDialog& dialog) { return dialog.exec(); }

void useQtMessageBoxes() {
    setMessageBoxes(
        []() -> std::unique_ptr<MessageService> { return std::make_unique<QtMessages>(); });
}

}  // namespace ximora::util
