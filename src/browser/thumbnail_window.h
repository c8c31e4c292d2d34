#pragma once
// spTmS: one folder's pictures as a large thumbnail grid in a modal window of its own, with its
// own layout (settings group THUMB) and remembered place, cut / copy / paste / delete on its
// right-button menu and files dropped on it copied into its folder. A double click closes it
// and hands that file back.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSplitter;

namespace ximora::browser {

class ThumbnailGrid;

class spTmS : public QDialog {
    Q_OBJECT
  public:
    /// Shows the window over `owner` on `folder`; the chosen file's full path, or empty.
    static QString Act(QWidget* owner, const QString& folder);

    spTmS(QWidget* owner, const QString& folder);
    ~spTmS() override;

    /// "再表示": takes columns, rows, size and the names flag from the boxes and lists again.
    void apply();
    /// The right-button menu's operations on the selected thumbnails ("切り取り", "ｺﾋﾟｰ",
    /// "貼り付け", "削除"); nothing without a selection.
    void runFileCommand(const QString& caption);

    QString chosen() const { return chosen_; }
    ThumbnailGrid* grid() const { return grid_; }
    QLineEdit* columnsBox() const { return columns_; }
    QLineEdit* rowsBox() const { return rows_; }
    QLineEdit* sizeBox() const { return size_; }
    QCheckBox* namesBox() const { return names_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void list();
    void loadSettings();
    void saveSettings();
    QStringList selectedPaths() const;
    void popUpMenu(const QPoint& position);

    QString folder_, chosen_;
    ThumbnailGrid* grid_;
    QSplitter* splitter_;
    QLineEdit* columns_;
    QLineEdit* rows_;
    QLineEdit* size_;
    QCheckBox* names_;
    QPushButton* redraw_;
    bool listed_ = false;
};

}  // namespace ximora::browser
