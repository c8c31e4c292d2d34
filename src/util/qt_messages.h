#pragma once
// The interactive message service: QMessageBox, QInputDialog, QFileDialog, QDialog::exec.

#include "util/message_service.h"

namespace ximora::util {

class QtMessages : public MessageService {
  public:
    using MessageService::message;
    MsgAnswer message(const MessageRequest& request) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFile(const FileRequest& request) override;
    QString saveFile(const FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& start) override;
    int runModal(QDialog& dialog) override;
};

/// Registers QtMessages as the service that shows boxes in a QApplication (setMessageBoxes).
void useQtMessageBoxes();

}  // namespace ximora::util
