#pragma once
// `spPex`: "画像ｴﾃﾞｨﾀの登録", the three external editors as caption and program path.

#include <QDialog>

class QLineEdit;

namespace ximora::app {

class SpPex : public QDialog {
    Q_OBJECT
  public:
    explicit SpPex(QWidget* parent = nullptr);
    /// Shows the dialog on three entries (caption + "," + program path, or empty); true, with
    /// the entries rewritten as caption + "," + path, when the user pressed "&OK".
    static bool Act(QString entries[3]);

    void setEntries(const QString entries[3]);
    void entries(QString out[3]) const;
    /// The browse button of row `row`: the open dialog; cancelling empties the path box.
    void browse(int row);

  private:
    QLineEdit* txName_[3];
    QLineEdit* txExe_[3];
};

}  // namespace ximora::app
