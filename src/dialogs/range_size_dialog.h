#pragma once
// `spSize` "選択･切取ｻｲｽﾞの登録": edits the list of registered selection sizes (entries
// "name,width,height,unit" joined with ":") that the editor offers as ready-made selections.
// Sizes are given in pixels (row 0) or in centimetres of print size (row 1), typed or taken
// from a preset at a percentage. No pixel work.

#include <QDialog>
#include <QSize>
#include <QStringList>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace ximora::dialogs {

class spSize : public QDialog {
    Q_OBJECT
  public:
    /// The list buttons `cmLst` (0) to (4).
    enum ListButton { Up, Down, Delete, Replace, Add };

    /// Prepares the dialog as Act does before it shows: `list` with an entry "Temporary" of the
    /// selection's `width` × `height` pixels in front unless it has one, row 0 selected.
    spSize(const QString& list, int width, int height, QWidget* parent = nullptr);

    /// Shows the dialog modally over `parent` and returns the edited list.
    static QString Act(const QString& list, int width, int height, QWidget* parent = nullptr);
    /// The desktop's work area (the screen without the panels) in pixels.
    static QSize ScrnSz();

    /// The list as edited so far.
    QString list() const { return list_; }

    QListWidget* lsHani() const { return lsHani_; }
    QLineEdit* txCap() const { return txCap_; }
    QRadioButton* opSize(int row) const { return opSize_[row]; }
    QLineEdit* txSizeX(int row) const { return txSizeX_[row]; }
    QLineEdit* txSizeY(int row) const { return txSizeY_[row]; }
    QListWidget* lsSize(int row) const { return lsSize_[row]; }
    QLineEdit* txPsnt(int row) const { return txPsnt_[row]; }
    QCheckBox* chXY(int row) const { return chXY_[row]; }
    QLabel* lbCap() const { return lbCap_; }
    QPushButton* cmLst(int button) const { return cmLst_[button]; }
    QPushButton* cmClose() const { return cmClose_; }
    QPushButton* ssCom() const { return ssCom_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void fillPresets();
    void fillList();
    /// A row of `lsHani` chosen (-1: none); `opening` is the form used when the dialog opens,
    /// which keeps the size fields of the current selection.
    void selectRow(int row, bool opening);
    void applyPreset(int row);
    void showSize(int row);
    void updateEditButtons();
    void percentChanged(int row);
    /// The entry the size fields describe.
    QString composed() const;
    void listButton(int button);
    QStringList entries() const;

    QString list_;
    bool busy_ = true;
    QListWidget* lsHani_ = nullptr;
    QLineEdit* txCap_ = nullptr;
    std::array<QRadioButton*, 2> opSize_{};
    std::array<QLineEdit*, 2> txSizeX_{}, txSizeY_{};
    std::array<QListWidget*, 2> lsSize_{};
    std::array<QLineEdit*, 2> txPsnt_{};
    std::array<QCheckBox*, 2> chXY_{};
    QLabel* lbCap_ = nullptr;
    std::array<QPushButton*, 5> cmLst_{};
    QPushButton* cmClose_ = nullptr;
    QPushButton* ssCom_ = nullptr;
};

}  // namespace ximora::dialogs
