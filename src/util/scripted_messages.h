#pragma once
// The message service for tests: records every request and answers from queues. When a queue
// is empty it answers as automation does: the default button, the default text of an input
// box, a cancelled file or folder dialog, a rejected modal dialog (or the modal handler's
// answer when one is set, so a test can drive the dialog itself).

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "util/message_service.h"

namespace ximora::util {

class ScriptedMessages : public MessageService {
  public:
    enum class Kind { Message, Input, OpenFile, SaveFile, Folder, Modal };

    /// One recorded request. `text` is the message or prompt, or the dialog's title for the
    /// file, folder and modal kinds; `start` is the default text or the start path.
    struct Call {
        Kind kind;
        QString text;
        QString title;
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
        QString start;
    };

    /// Queues the answer of the next message box.
    void answer(MsgAnswer a) { answers_.push_back(a); }
    /// Queues the answer of the next input box (nullopt = cancelled).
    void answerInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }
    /// Queues the answer of the next file or folder dialog (empty = cancelled).
    void answerPath(QString path) { paths_.push_back(std::move(path)); }
    /// Handles every modal run from now on (the dialog is shown to it, not executed).
    void onModal(std::function<int(QDialog&)> handler) { modal_ = std::move(handler); }

    const std::vector<Call>& calls() const { return calls_; }
    /// The texts of the message boxes shown so far, in order.
    QStringList messageTexts() const;
    void clear() { calls_.clear(); }

    using MessageService::message;
    MsgAnswer message(const MessageRequest& request) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFile(const FileRequest& request) override;
    QString saveFile(const FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& start) override;
    int runModal(QDialog& dialog) override;

  private:
    QString nextPath();

    std::vector<Call> calls_;
    std::deque<MsgAnswer> answers_;
    std::deque<std::optional<QString>> inputs_;
    std::deque<QString> paths_;
    std::function<int(QDialog&)> modal_;
};

}  // namespace ximora::util
