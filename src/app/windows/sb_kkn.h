#pragma once
// `sbKkn`: the storage folder dialog (folder, file name prefix, image format).

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace ximora::app {

class SbKkn : public QDialog {
    Q_OBJECT
  public:
    explicit SbKkn(QWidget* parent = nullptr);
    /// Shows the dialog on the folder, prefix and format code ("bmp", "jpg", "png"); true,
    /// with the three replaced as entered, when the user pressed "&Ok". Nothing is checked.
    static bool Act(QString& sFld, QString& sPfx, QString& sKak);

    void setValues(const QString& folder, const QString& prefix, const QString& format);
    void values(QString& folder, QString& prefix, QString& format) const;
    /// The folder button: the folder dialog from the folder box; cancelling empties it.
    void browse();

  private:
    QLineEdit* txFld_;
    QLineEdit* txPfx_;
    QRadioButton* opPic_[3];
};

}  // namespace ximora::app
