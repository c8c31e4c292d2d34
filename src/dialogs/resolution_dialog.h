#pragma once
// spDpi "解像度の設定": the horizontal and vertical resolution stored with the image, with the
// print size each gives and, for reference, the resolution of a printer. Makes no engine call;
// the editor applies what it returns.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace ximora::dialogs {

class spDpi : public QDialog {
    Q_OBJECT
  public:
    /// Resolutions in dots per inch, sizes in pixels.
    spDpi(int dpiX, int dpiY, int width, int height, QWidget* parent = nullptr);

    /// Shows the dialog modally. True only when the user pressed OK with a resolution that
    /// differs from the incoming one; `dpiX` and `dpiY` then hold the new values (1 to 65535),
    /// otherwise they are unchanged.
    static bool Act(int& dpiX, int& dpiY, int width, int height, QWidget* parent = nullptr);

    /// The resolution entered in the horizontal (0) or vertical (1) box, as an integer.
    int entered(int index) const;
    /// True after OK with a changed resolution.
    bool confirmed() const { return confirmed_; }

    /// Copies the edited box (1 horizontal, 2 vertical, 0 none) into the other one while
    /// "縦･横の解像度は同一" is checked, then shows the print sizes of both directions.
    void computeSizes(int edited);
    /// "..": the system's print dialog; the chosen printer's name and resolution are shown
    /// unless it is cancelled.
    void referPrinter();

    QLineEdit* resolutionBox(int index) const { return boxes_[index]; }
    QCheckBox* sameResolution() const { return chXY_; }
    /// `lbYoko` (row 0) or `lbTate` (row 1): pixels (0), inches (1), centimetres (2).
    QLabel* sizeLabel(int row, int index) const { return sizes_[row][index]; }
    /// `lbPrn`: printer name (0), horizontal (1) and vertical (2) dots per inch.
    QLabel* printerLabel(int index) const { return printer_[index]; }
    QPushButton* printerButton() const { return cmPrn_; }
    QToolButton* resetButton() const { return ssCom_; }
    QPushButton* button(int index) const { return cmOK_[index]; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void confirm();

    int incoming_[2];
    int pixels_[2];
    bool confirmed_ = false;
    QLineEdit* boxes_[2];
    QCheckBox* chXY_;
    QLabel* sizes_[2][3];
    QLabel* printer_[3];
    QPushButton* cmPrn_;
    QToolButton* ssCom_;
    QPushButton* cmOK_[2];
};

}  // namespace ximora::dialogs
