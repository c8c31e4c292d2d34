#pragma once
// The browser control `uTrP`: drive list, folder tree, and for the selected folder a file list
// or a thumbnail grid. It reports chosen files, folder changes, right clicks and the Delete key
// to its host, and watches the loaded folders once a second.

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "browser/thumbnail_window.h"

class QPushButton;
class QSplitter;
class QTimer;
template <typename T>
class QFutureWatcher;
class QTreeWidget;
class QTreeWidgetItem;

namespace ximora::browser {

class DriveList;
class FileList;
class FolderTree;
class ThumbnailGrid;

class uTrP : public QWidget {
    Q_OBJECT
  public:
    explicit uTrP(QWidget* parent = nullptr);
    ~uTrP() override;

    /// Connects: image filter, multi-selection of the file list, the tree at `sRoot` (the user
    /// data folder when that does not exist), the folder `sStart` selected, and when `sFile`
    /// is not empty that file selected and reported (eSlcFile).
    void cOn(const QString& sRoot, const QString& sStart, bool bMulti, const QString& sFile);
    /// Stops the folder watch and empties the file area.
    void cOff();

    /// Open on Enter only: with it, moving through the file list with the keys opens nothing.
    bool SlcEnt() const { return slcEnt_; }
    void setSlcEnt(bool bSEn) { slcEnt_ = bSEn; }

    /// Full path of the tree's first node; empty when the tree is empty.
    QString Root() const;
    /// Rebuilds the tree at `sRoot` (the user data folder when `sRoot` is empty or missing).
    void setRoot(const QString& sRoot);

    /// Full path of the selected folder; empty when none is selected.
    QString Path() const;
    /// Selects the folder `sPath`, loading the nodes on the way (the deepest existing one when
    /// the path goes further), refills the file area and raises eCngDr with `sPath`. A path
    /// outside the tree on another drive first rebuilds the tree at that drive's root.
    void setPath(const QString& sPath);

    /// Widths of the list's three columns in twips, as "w1/w2/w3".
    QString sClWds() const;
    /// Sets the widths from "w1/w2/w3" (twips); an empty text changes nothing; a text with
    /// fewer than three parts changes nothing and gives false.
    bool setSClWds(const QString& sWds);

    /// Thumbnail mode: the grid instead of the file list.
    bool ShwThmb() const { return thumbMode_; }
    void setShwThmb(bool bThmb);

    /// Chooses a new root with the folder dialog; a cancelled dialog changes nothing.
    void F_GtFld();

    /// Height of the tree pane in twips; setting 0 is ignored.
    int DirHi() const;
    void setDirHi(int height);

    /// Number of selected files (list items or thumbnails).
    int iGetFls() const;
    /// Full paths of the selected files (`bChk` true, the default) or of all files, joined by
    /// tabs.
    QString sGetFls(bool bChk = true) const;

    /// Reloads the selected folder's subfolders and the file area.
    void RfrshFL();
    /// Thumbnail layout: from the settings (`bIni` true) or through the layout dialog.
    void SetThmb(bool bIni = false);
    /// Opens the thumbnail window on the current folder and reports the file chosen there;
    /// returns it (empty when nothing was chosen or no thumbnail window is available).
    QString SlcThmb();
    /// Replaces the thumbnail window (spTmS::Act unless replaced; tests put their own): called
    /// with the owner and the folder, returns the chosen file or an empty text.
    void setThumbnailWindow(std::function<QString(QWidget*, const QString&)> open) {
        thumbnailWindow_ = std::move(open);
    }

    /// Moves the file selection by `offset` (+1 next, -1 previous), wrapping at both ends, and
    /// reports the file.
    void MoveNxt(int offset);
    /// The full path of the file `offset` places from the selected one, wrapping as MoveNxt
    /// does; empty when there are no files.
    QString neighbour(int offset) const;
    /// Moves the file selection to the first or the last file and reports it.
    void MoveEnd(bool last);
    /// Updates the view after the chosen file was deleted and reports the neighbouring file.
    void AftDel();
    /// Deletes cache files of folders that no longer exist and reports what was deleted.
    /// False (nothing shown) when the cache folder is missing or a file could not be deleted.
    bool CleanThmb();
    /// One folder-watch pass on the calling thread.
    void ChkFld();
    /// The timer's pass: the disk is asked on a worker thread, and only the folders that
    /// changed are handled on the user-interface thread when the answer comes. A pass still
    /// running makes this do nothing.
    void startWatchPass();

    // Children, for the host and tests.
    DriveList* driveList() const { return drive_; }
    QTreeWidget* tree() const;
    FileList* fileList() const { return list_; }
    ThumbnailGrid* grid() const { return grid_; }
    FolderTree& folderTree() const { return *folders_; }
    QTimer* timer() const { return timer_; }
    /// Name of the child that last had the focus ("cmFld", "Drive1", "IkThmb", "lsFile",
    /// "trView").
    QString focusedPart() const { return focusedPart_; }

  signals:
    void eSlcFile(const QString& path);
    void eCngDr(const QString& path);
    void eRClick(bool onTree);
    void eDelKeyF();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Runs a folder pass (`check`) over the tree; when it took the selected folder away, the
    // file area shows the folder the tree chose instead.
    void checkFoldersFollowingTree(const std::function<void()>& check);
    void buildLayout();
    void connectChildren();
    void buildTree(const QString& path);
    void emptyFileArea();
    void fillFileArea(bool keepSelection);
    void fillList(bool keepSelection);
    void fillThumbnails(bool keepSelection);
    void selectFileByName(const QString& path, bool report);
    void listClick();
    /// The 1-based number of the file `offset` places from the selected one, wrapping at both
    /// ends; 0 when there are no files.
    int steppedNumber(int offset) const;
    void onListCurrentChanged();
    void onTreeCurrentChanged();
    void onDriveChanged(const QString& root);
    void onThumbChosen(const QString& folder, const QString& name, int index);
    void onThumbKeyRelease(int key);
    void report(const QString& path);
    QString folderWithSlash() const;

    DriveList* drive_;
    QPushButton* cmFld_;
    QTreeWidget* trView_;
    FileList* list_;
    ThumbnailGrid* grid_;
    QTimer* timer_;
    QSplitter* splitter_;
    QWidget* pFile_;
    FolderTree* folders_;
    QFutureWatcher<std::vector<int>>* watch_;
    int watchGeneration_ = 0;
    bool applyingWatch_ = false;
    std::function<QString(QWidget*, const QString&)> thumbnailWindow_ = &spTmS::Act;

    QString filter_;
    bool thumbMode_ = false;
    bool multi_ = false;
    bool slcEnt_ = false;
    bool ownChange_ = false;        // the control itself changes the tree or list selection
    bool savedTreeHeight_ = false;  // setDirHi gave the tree pane its height
    QString lastChosen_;
    QString focusedPart_;
    int thumbCount_ = 0;
    int currentThumb_ = 0;
};

}  // namespace ximora::browser
