#pragma once
// `sbMcr`: "マクロコマンドの編集", the window in which the macro list is edited as text.

#include <QDialog>

class QTextEdit;

namespace ximora::app {

class SbMcr : public QDialog {
    Q_OBJECT
  public:
    explicit SbMcr(QWidget* parent = nullptr);
    /// Shows the window modally on `text`; true, with `text` replaced by the edited text, when
    /// the user chose "更新して閉じる".
    static bool Act(QString& text);

    QTextEdit* Rtex() const { return rtex_; }
    void setText(const QString& text);

  private:
    QTextEdit* rtex_;
    QString kept_;
};

}  // namespace ximora::app
