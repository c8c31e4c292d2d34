#pragma once
// "印刷設定": the printer (or a PDF file), paper, orientation and margins of the print, in one
// compact window that fits a small or highly scaled screen. Unlike the system's page setup it
// also serves a machine without printers, printing into a PDF file.

#include <QDialog>

#include "editor/print/print_settings.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ximora::editor {

class PrintSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    /// `printers`: the names of the printers to offer, in order.
    PrintSettingsDialog(const PrintSettings& current, const QStringList& printers,
                        QWidget* parent = nullptr);

    /// The settings as the window shows them.
    PrintSettings settings() const;

    QComboBox* printerBox() const { return printer_; }
    QLineEdit* fileBox() const { return file_; }
    QComboBox* paperBox() const { return paper_; }
    QRadioButton* landscapeOption() const { return landscape_; }
    QDoubleSpinBox* marginBox(int side) const { return margins_[side]; }

  private:
    void printerChosen();
    void browse();

    QComboBox* printer_;
    QLineEdit* file_;
    QPushButton* browse_;
    QComboBox* paper_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
    QDoubleSpinBox* margins_[4];  // left, top, right, bottom
};

}  // namespace ximora::editor
