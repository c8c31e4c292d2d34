#pragma once
// The one way the program talks to the user through standard boxes: message boxes, input
// boxes, file and folder dialogs, and the modal run of the program's own dialogs. The
// implementation is replaceable: the Qt one for interactive runs, a scripted one for tests and
// a stderr one for automation (XIMORA_AUTORUN).

#include <QString>
#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace ximora::util {

/// The button sets of a message box, in the order the buttons are shown.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };

/// The icon of a message box.
enum class MsgIcon { None, Information, Question, Warning, Critical };

/// The button that closed a message box. Closing a box with Escape or its close box gives
/// Cancel when the box has a Cancel button, No for Yes/No, Ok for Ok.
enum class MsgAnswer { Ok, Cancel, Yes, No };

/// One message box request. `defaultButton` is the 0-based index of the default button within
/// `buttons` (clamped to the buttons present); an empty title means the program name.
struct MessageRequest {
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QString title;
    int defaultButton = 0;
};

/// One file dialog request. `filter` is a Qt name filter list ("画像 (*.bmp *.jpg);;All (*)");
/// `start` is a folder or a file path the dialog opens on.
struct FileRequest {
    QString title;
    QString start;
    QString filter;
};

/// The answer that the default button of `request` gives.
MsgAnswer defaultAnswer(const MessageRequest& request);

/// The title shown for `request`: its own title, or the program name when empty.
QString effectiveTitle(const QString& title);

class MessageService {
  public:
    virtual ~MessageService() = default;

    /// Shows a message box and returns the button pressed.
    virtual MsgAnswer message(const MessageRequest& request) = 0;

    /// Shows an input box; returns the text entered, or nothing when cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;

    /// File dialogs: the chosen path, or an empty text when cancelled.
    virtual QString openFile(const FileRequest& request) = 0;
    virtual QString saveFile(const FileRequest& request) = 0;

    /// Folder selection: the chosen folder (no trailing separator), or empty when cancelled.
    virtual QString chooseFolder(const QString& title, const QString& start) = 0;

    /// Runs one of the program's own dialogs modally and returns its QDialog::DialogCode
    /// (Accepted or Rejected). Automation closes the dialog at once as cancelled.
    virtual int runModal(QDialog& dialog) = 0;

    /// Shorthand for a box with text, buttons and icon only.
    MsgAnswer message(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                      MsgIcon icon = MsgIcon::None, const QString& title = {});
};

/// The service in use. When none was installed, the one that shows boxes is made on first use
/// if a QApplication exists and a program with windows registered it, otherwise the stderr one
/// (so tools without windows never block).
MessageService& messages();

/// Makes the service that shows boxes.
using MessageBoxesMaker = std::unique_ptr<MessageService> (*)();
/// Registers the service that shows boxes (useQtMessageBoxes() does). Registered by the
/// programs with windows, so that this layer does not bring Qt Widgets to those without.
void setMessageBoxes(MessageBoxesMaker make);

/// Installs `service` (nullptr: back to the automatic choice) and returns the one it replaces.
std::unique_ptr<MessageService> installMessages(std::unique_ptr<MessageService> service);

/// Installs a service for the lifetime of the guard and puts the previous one back after.
class ScopedMessages {
  public:
    explicit ScopedMessages(std::unique_ptr<MessageService> service)
        : previous_(installMessages(std::move(service))) {}
    ~ScopedMessages() { installMessages(std::move(previous_)); }
    ScopedMessages(const ScopedMessages&) = delete;
    ScopedMessages& operator=(const ScopedMessages&) = delete;

  private:
    std::unique_ptr<MessageService> previous_;
};

}  // namespace ximora::util
