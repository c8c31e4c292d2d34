#pragma once
// The whole main window `fmMain`: the browser and the editor in splitter panes, the command
// bar whose labels open the menus of `ppPic`, the tool bar, the view and mouse pickers, the
// stamp, the information line and the function bar. It relays the controls' events, routes
// every command pair, records and plays macros, and stores images into the storage folder.

#include <QPointer>
#include <QString>
#include <QStringList>

#include "app/fm_main.h"
#include "app/full_screen.h"
#include "app/windows/sb_pic.h"
#include "editor/view/picture_view.h"

class QComboBox;
class QFrame;
class QLabel;
class QSplitter;
class QToolButton;

namespace ximora::browser {
class uTrP;
}
namespace ximora::editor {
class uPcE;
}

namespace ximora::app {

class PpPic;
struct MenuState;

class FmMainWindow : public FmMain {
    Q_OBJECT
  public:
    explicit FmMainWindow(QWidget* parent = nullptr);
    ~FmMainWindow() override;

    browser::uTrP* browser() const { return trp_; }
    editor::uPcE* editor() const { return pce_; }

    // Pass-throughs to the editor for jobs other programs hand over.
    bool CnvPic(const QString& source, const QString& target, int quality);
    bool SaveCapt(const QString& file, bool activeWindow);
    bool SaveClp(const QString& file);
    PpPic* menus() const { return pp_; }
    /// The sub picture window while it is open; null otherwise.
    SbPic* subWindow() const { return sub_; }
    QLabel* commandLabel(int index) const { return lbCom_[index]; }
    QToolButton* toolButton(int index) const { return imBtn_[index]; }
    QComboBox* viewPicker() const { return cbVmd_; }
    QComboBox* mousePicker() const { return cbMmd_; }
    QLabel* infoLine() const { return ssImg_; }
    FullScreenView* fullScreenView() const { return fullScreen_; }
    /// Shows the editor's information line with the zoom read-out after it.
    void showInfoLine();
    /// Puts `line` on the information line (a damaged file met while stepping goes there).
    void setInfoLineText(const QString& line);
    /// Opens the picture a key of the picture view asked for.
    void stepThroughFolder(editor::PictureView::Step step);
    /// Has the pictures next to the one shown in the browser's order decoded ahead.
    void readAheadNeighbours();
    QLabel* stampPanel() const { return pnBmp_; }
    QLabel* hotZone(int zone) const { return lbFnc_[zone]; }

    const QString& currentFile() const { return currentFile_; }
    const QString& macroText() const { return macroText_; }
    bool recording() const { return recording_; }
    const QString& recordBuffer() const { return buffer_; }
    const QString& browserDisplay() const { return display_; }
    int browserWidth() const { return browserWidth_; }
    bool confirmDelete() const { return confirmDelete_; }
    const QString& storageFolder() const { return storeFolder_; }
    const QString& externalEditor(int n) const { return exe_[n]; }
    const QStringList& stamps() const { return stamps_; }
    int stampIndex() const { return stampIndex_; }

    /// A click on command bar label `index`: help for 6, else its menu and the command hook.
    void commandBarClick(int index);
    /// A tool button press; a disabled button does nothing.
    void pressTool(int index);
    /// Function hot zone `zone` (1 to 6), as a click or F5 to F10.
    void runHotZone(int zone);
    /// The stamp panel's double click: the next bitmap of the stamp list.
    void nextStamp();
    /// Delete the current file (or the browser's selection) to the trash.
    void deleteCurrentFile();
    /// Stores the image into the storage folder under the next serial number.
    void storeSerial();
    /// Starts external editor `n` (0 to 2) on the current file.
    void runExternalEditor(int n);
    /// The menu state for `ppPic`.
    MenuState GtMnState() const;
    /// The browser display mode "表示T", "表示F" or "非表示".
    void setBrowserDisplay(const QString& mode);

  protected:
    void showEvent(QShowEvent* event) override;
    void setUpMenus() override;
    void loadSettings() override;
    void saveSettings() override;
    void startControls() override;
    void stopControls() override;
    void editorAction(const QString& group, const QString& job) override;
    void editorOpen(const QString& file) override;
    int checkSave() override;
    void keepUnsavedPictures(bool everyEdited) override;
    bool mayEndRun() override;
    bool storeResult(const QString& job) override;
    void routeCommand(const QString& group, const QString& job) override;
    void hookCommand(const QString& group, const QString& job) override;

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Route;
    static const Route kRoutes[];

    void buildLayout();
    void buildCommandBar();
    void buildFunctionBar();
    void buildKeys();
    void connectControls();
    void layoutCommandBar();
    void placeInfoLine(int x);
    void fillPickers();
    void loadStamps();
    void showStamp();
    void popUpAndHook(int top, QWidget* anchor);
    void fitFunctionCaptions();
    void highlightZone(int zone);
    /// Takes the highlight off every command bar label the pointer has left while a menu ran.
    void dropLabelHighlight();
    /// Check marks of the settings menu from the values in force.
    void markSettings();
    /// Selects the picker item `job` (which sends it on), or sends ("group", job) to the editor
    /// when that item is already chosen or missing.
    void pickOrSend(QComboBox* picker, const QString& group, const QString& job);
    void macroControl(const QString& job);
    void playMacro(const QString& body);

    // Router rows.
    void rDelete(const QString&);
    void rSaveAs(const QString&);
    void rSaveAsDetailed(const QString&);
    void rMail(const QString&);
    void rSendTo(const QString&);
    void rSubWindow(const QString&);
    void rEditorFile(const QString& job);
    void rWorkSerial(const QString&);
    void rWorkExplore(const QString&);
    void rWorkTree(const QString&);
    void rStore(const QString&);
    void rStoreExplore(const QString&);
    void rStoreTree(const QString&);
    void rStoreDialog(const QString&);
    void rTreeOpen(const QString&);
    void rTree(const QString& job);
    void rFolder(const QString& job);
    void rCleanThumbs(const QString&);
    void rThumbLayout(const QString&);
    void rThumbPlace(const QString& job);
    void rEditorsDialog(const QString&);
    void rEditorRun(const QString& job);
    void rConfirmDelete(const QString& job);
    void rSelectionEntry(const QString& job);
    void rView(const QString& job);
    void rMouse(const QString& job);

    PpPic* pp_;
    QPointer<SbPic> sub_;
    QSplitter* splitter_;
    QSplitter* body_;
    QSplitter* right_;
    QWidget* pMnu_;
    QWidget* pTrP_;
    QWidget* pPcE_;
    QWidget* pFnc_;
    QFrame* fMnu_;
    QLabel* lbCom_[7];
    QFrame* ssPnl_;
    QToolButton* imBtn_[6];
    QComboBox* cbVmd_;
    QComboBox* cbMmd_;
    QLabel* pnBmp_;
    QLabel* ssImg_;
    QWidget* pcFnc_;
    QLabel* lbFnc_[7] = {};
    browser::uTrP* trp_;
    editor::uPcE* pce_;

    QString display_;
    int browserWidth_ = 0;
    QString currentFile_;
    int stepDirection_ = 1;  // +1 when the user last stepped forward, -1 back
    QString lastEditMode_;
    QString pictureInfo_;  // the editor's information line, before the zoom read-out
    QString zoomInfo_;     // "37%": the zoom the picture is shown at
    FullScreenView* fullScreen_ = nullptr;
    bool confirmDelete_ = true;
    int memoryLimitMb_ = 0;        // the memory budget set in the settings, 0 = automatic
    bool decodeInWorkers_ = true;  // files decoded in confined workers, as the settings say
    bool shownOnce_ = false;
    QString storeFolder_, storePrefix_, storeExt_;
    QString macroText_;
    bool recording_ = true;
    QString buffer_;
    QString exe_[3];
    QStringList stamps_;
    int stampIndex_ = -1;
    QString stampName_;
    int hotZone_ = 0;
    int infoX_ = 0;  // command bar position after which the information line starts
    bool started_ = false;
};

}  // namespace ximora::app
