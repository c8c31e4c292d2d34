#pragma once
// `ppPic`: the hidden window that owns every menu of the program. A menu item only records
// its command pair (`sGrp`, `sCap`); the main window reads the pair after `PopUp` returns.

#include <QHash>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;

namespace ximora::app {

/// What the menus need to know when one of them opens.
struct MenuState {
    bool image = false;       ///< an image is present
    bool changed = false;     ///< the image is edited
    bool range = false;       ///< a range is selected
    bool undo = false;        ///< undo is possible
    int colourCode = 0;       ///< 1, 4, 8, 16, 24, 32, 40, 80
    bool panApplies = false;  ///< the picture is shown at actual size, where panning applies
    bool panShown = false;    ///< the pan window is shown
    bool toolBar = false;     ///< the editor's own tool bar is shown
    int browserState = 0;     ///< 0 list, 1 thumbnails, 2 hidden
    bool clipboard = false;   ///< the clipboard holds a picture
};

class PpPic : public QWidget {
    Q_OBJECT
  public:
    explicit PpPic(QWidget* parent = nullptr);

    /// Clears the pair, shows top menu `top` (an `mnJb` index) under `anchor` or, without one,
    /// at the mouse, and returns when the menu closes.
    void PopUp(QWidget* owner, int top, QWidget* anchor = nullptr);
    /// Clears the pair and shows the submenu that item (`array`, `index`) opens at `at`
    /// (global position); returns when it closes.
    void PopUpItem(const QString& array, int index, const QPoint& at);
    const QString& sGrp() const { return group_; }
    const QString& sCap() const { return job_; }

    /// Item `index` of the item array `array` ("mnFile", 4); null when there is none.
    QAction* item(const QString& array, int index) const;
    /// The menu of top item `top`; null when there is none.
    QMenu* topMenu(int top) const;
    /// Records the pair of `action` as a click does (an item without a pair leaves it empty).
    void choose(QAction* action);

    void prShwRetB(bool show);
    void prFileEnd(bool show);
    void prEdtMode(const QString& mode);
    void prJPG(bool enabled);
    /// Check marks: update mode 0 to 2, confirm delete, open on Enter, view-mode caption,
    /// mouse mode 0 to 2, thumbnails beside the images.
    void SetParam(int update, bool confirmDelete, bool selectionEntry, const QString& view,
                  int mouse, bool thumbBeside);
    /// Rebuilds the registered-folder items from `sPcFold`; fixes `sStartDir` and `sRootDir`.
    void StPcFld();
    /// Shows the work-folder items, refreshes the registered-folder items and returns the
    /// first registered folder.
    QString StPcFldB();
    /// Rebuilds the macro menu from the macro list.
    void MacroMenu(const QString& list);
    /// Caption of external editor item `n` (0 to 2); hidden when empty.
    void setEditorCaption(int n, const QString& caption);
    /// Caption of the requested range item; both items hidden when empty or "?".
    void setRangeRequest(const QString& caption);
    /// Items for the registered ranges (their menu captions, which are also their jobs).
    void setRegisteredRanges(const QStringList& names);
    /// Enables the storage items that need a storage folder.
    void setStorageSet(bool set);
    /// Answers the menu state when a top menu 1, 2, 3 or 10 opens.
    void setStateSource(std::function<MenuState()> source) { stateSource_ = std::move(source); }
    void applyState(const MenuState& state);

  private:
    void build();
    void fillDynamic(const QString& array, const QStringList& captions, const QString& before);
    void chooseFolder(const QString& folder);
    void setItem(const QString& array, int index, bool enabled);
    void check(const QString& array, int index, bool on);

    QHash<QString, QAction*> items_;
    QHash<int, QMenu*> tops_;
    QString group_;
    QString job_;
    QString macroList_;
    std::function<MenuState()> stateSource_;
};

/// A caption used as a job: cut before its first "(&".
QString jobOfCaption(const QString& caption);

}  // namespace ximora::app
