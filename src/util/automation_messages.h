#pragma once
// The message service of automation mode and of tools without windows: every message or input
// box is written to stderr as "ximora: message: TEXT" and answered with its default button;
// file and folder dialogs and the program's own modal dialogs are closed at once as cancelled.

#include <cstdio>

#include "util/message_service.h"

namespace ximora::util {

class AutomationMessages : public MessageService {
  public:
    /// Writes to `out` (stderr unless a test passes its own stream).
    explicit AutomationMessages(std::FILE* out = stderr) : out_(out) {}

    using MessageService::message;
    MsgAnswer message(const MessageRequest& request) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFile(const FileRequest& request) override;
    QString saveFile(const FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& start) override;
    int runModal(QDialog& dialog) override;

  private:
    void write(const QString& text);
    std::FILE* out_;
};

}  // namespace ximora::util
