#pragma once
// The shared little functions of the whole program: text helpers, file tests and listings,
// placing windows inside the desktop work area, the busy pointer and the main window's panes.
// Window geometry is in twips (1/1440 inch); folder texts use "/" as the separator.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

class QSplitter;
class QWidget;

namespace ximora::Usr {

// --- start-up and windows -----------------------------------------------------------------

/// Makes `mainWindow` the main window reference and reads the desktop work area (kept in
/// twips) and the screen dots per inch into the shared values. Neutral values (96 dpi, a
/// 1920 x 1080 pixel work area) without a screen.
void StartupMetrics(QWidget* mainWindow);

/// Raises and activates `window`.
void BringToFront(QWidget* window);

/// Puts a capture of the whole screen, or of the active window only, on the clipboard; false
/// when there is no screen to capture.
bool CaptureScreen(bool activeWindowOnly);

/// A position for a window of the given size near the main window's lower right corner, inside
/// the work area (all twips).
void PlaceWindow(int& left, int& top, int& width, int& height);

/// Moves and, if needed, shrinks a window rectangle (twips) into the work area. The right and
/// bottom limits are the work area's width and height, not its right and bottom edges.
void FitToWorkArea(int& left, int& top, int& width, int& height);

/// Caps a designed window size (twips) to nine tenths of the work area's width and height, which
/// leaves room for the window frame: on a small or scaled screen (960 × 540 logical pixels at
/// scale factor 2) a dialog gives way instead of running off the screen. Larger screens see no
/// change.
void LimitToWorkArea(int& width, int& height);

/// For a window that places itself (centred over the main window): limits its size as above,
/// never below its minimum size, and moves it into the work area with FitToWorkArea. A window
/// that fits stays as it is.
void KeepInWorkArea(QWidget& window);

/// Busy pointer (on) or the default pointer (off) for the whole program; then lets pending
/// window events run, so callers must expect re-entry.
void SetBusy(bool on);

// --- main window panes (pane text: name + "/" + "W" for width, anything else for height) ---

/// Splitter look of the main window and the thumbnail window: a 3-pixel bar.
void SetSplitterStyle(QSplitter* splitter);
/// Width or height of the named pane of the main window, twips; 0 when there is no such pane.
int GetPaneSize(const QString& pane);
/// Sets the width or height of the named pane (twips); with `lock` the size is also fixed.
void SetPaneSize(const QString& pane, int size, bool lock);
/// Releases the size locks of the named panes.
void UnlockPanes(const QStringList& panes);

// --- files and folders ---------------------------------------------------------------------

/// True for an existing folder; false for an empty path.
bool FolderExists(const QString& path);
/// True for an existing file (not a folder); false for an empty path.
bool FileExists(const QString& path);
/// Size in bytes; 0 on any error or beyond the 32-bit range.
qint32 FileSize(const QString& path);
/// Creates each missing folder, one level each; false when any could not be created (the rest
/// are still tried). `failed` receives the first that failed.
bool EnsureFolders(const QStringList& folders, QString* failed = nullptr);
/// Opens the folder in the desktop's file manager.
void OpenFolderWindow(const QString& folder);

/// The folder selection dialog (through the message service). `folder` is where it opens (an
/// empty or missing folder means no start) and receives the chosen folder, or an empty text
/// when cancelled. An empty title is "ﾌｫﾙﾀﾞの指定". `root` and `flags` are accepted for
/// callers of the original interface and have no effect.
void BrowseFolder(QString& folder, const QString& title = {}, int root = 0, int flags = 0);

/// Moves the paths to the trash, asking first unless `noConfirmation`; failures are reported
/// with a message. `silent` only suppresses progress, as with the original. True when every
/// path was moved.
bool DeleteToBin(QWidget* owner, const QStringList& paths, bool silent, bool noConfirmation);

/// The pattern match of file listings: "*" any run, "?" any one character, "#" one digit,
/// "[abc]", "[a-z]", "[!a-z]" character lists; case-sensitive.
bool MatchesPattern(const QString& name, const QString& pattern);

/// Names (without folder) of the folder's files that match `pattern`, tab-separated, in the
/// file system's order. A missing folder shows the folder + " Not Found " and gives "".
QString ListFiles(QString folder, const QString& pattern);

/// One entry of ListImageFiles.
struct ImageFileEntry {
    QString name;
    qint64 size = 0;
    QDateTime modified;
};

/// The folder's non-hidden files whose extension (text after the last ".", or the whole name)
/// occurs in `extensions` (case-insensitive substring test, so "x.PG" matches ".JPG."). The
/// count is returned; the table is replaced only when at least one file was found.
int ListImageFiles(const QString& folder, const QString& extensions,
                   std::vector<ImageFileEntry>& table);

// --- text ----------------------------------------------------------------------------------

/// Cuts `text` before the first `separator` when it occurs.
void CutAt(QString& text, const QString& separator);
/// Removes `suffix` once from the end of `text` when it ends with it.
void TrimEnd(QString& text, const QString& suffix);
/// Appends `suffix` unless `text` ends with it; an empty suffix means "/" and is returned.
void AddEnd(QString& text, QString& suffix);
void AddEnd(QString& text, const QString& suffix = QStringLiteral("/"));
/// Left = text before the first separator, right = after it; without one, left = text and
/// right is empty. An empty separator means ",".
void SplitAt(const QString& text, const QString& separator, QString& left, QString& right);
/// The text after `start` up to the next `end` (both found without regard to case); the end
/// marker is appended first when the text does not end with it. Empty when a marker is missing.
QString TextBetween(QString text, const QString& start, const QString& end);
/// True when `marker` is not empty and occurs in `text` (case-insensitive); `position` is its
/// 1-based index, 0 when absent.
bool FindText(const QString& text, const QString& marker, int& position);

}  // namespace ximora::Usr
