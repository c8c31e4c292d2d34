#pragma once
// The process-wide values that every layer reads: names and folders fixed at start, the
// running, suppression and clipboard-busy flags, the screen metrics and the main window.
// One instance for the process, on the user-interface thread only.

#include <QPointer>
#include <QString>
#include <QWidget>

namespace ximora::util {

struct SharedValues {
    QString sExeNm;          ///< program name: executable base name without a trailing "_dv"
    QString sUsrDir;         ///< user data folder, ending in "/"
    QString sApDir;          ///< program data folder: program folder + "apData/"
    QString sStartDir;       ///< folder the browser starts in
    QString sRootDir;        ///< root folder of the browser tree
    QString sPcFold;         ///< registered folders, comma-separated
    bool bAppAct = false;    ///< true from the first job start until the main window unloads
    bool bSuppress = false;  ///< set while the program itself changes controls; ignore events
    bool bClipBusy = false;  ///< set while the editor itself copies to or pastes from the clipboard
    int nScrDpiX = 96;       ///< screen logical dots per inch, horizontal
    int nScrDpiY = 96;       ///< screen logical dots per inch, vertical
    int nWaLeft = 0;         ///< desktop work area, twips
    int nWaTop = 0;
    int nWaWidth = 1920 * 15;
    int nWaHeight = 1080 * 15;
    QPointer<QWidget> mainWindow;  ///< owner of dialogs and reference for placement (may be null)
    /// An edited picture could not be written where it belongs when an automated run ended (it
    /// went to a rescue copy in "Temp/", or nowhere): the program ends with status 1.
    bool bUnsaved = false;
};

/// The one instance of the process.
SharedValues& shared();

/// Twips (1/1440 inch) per screen pixel, horizontal and vertical (15 at 96 dots per inch).
double twipsPerPixelX();
double twipsPerPixelY();

}  // namespace ximora::util
