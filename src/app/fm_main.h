#pragma once
// The main window `fmMain`: the job entry `Act` (and `ActHt` for the folder job), the modal run
// of launch-file jobs, the result flag, the command hook with the rows of the router that end a
// job, and closing. The browser and the editor controls, the command bar and the menus plug in
// through the protected virtual functions; this class itself holds no control.

#include <QMainWindow>
#include <QRect>
#include <QString>
#include <QStringList>

class QEventLoop;

namespace ximora::app {

/// Job kinds of `Act`.
enum JobKind : int {
    kJobInteractive = 0,  ///< ordinary use; the window is modeless
    kJobFile = 1,         ///< PC_FL: edit one given image file for the caller
    kJobClipboard = 2,    ///< PC_CP: take the clipboard picture for the caller
    kJobFolder = 3,       ///< PC_HT: produce a new image file in a given folder
};

class FmMain : public QMainWindow {
    Q_OBJECT

  public:
    explicit FmMain(QWidget* parent = nullptr);
    ~FmMain() override;

    /// Load handler: creates the user data subfolders "Thumb", "Wrk/" and "Temp/" and loads
    /// "User.xml" into the settings store. False when the file could not be read or created.
    static bool load();

    /// Starts a job and shows the window: modeless for job 0 (returns at once), modal for jobs
    /// 1 to 3 (returns when the run ends, then ends the application with `EndApp`).
    /// `width`/`height` (in/out) are the requested range in twips (`twips`) or points and come
    /// back in screen pixels when both were non-zero. For job 3 `file` receives the produced
    /// file and `gif` whether it is a GIF file; `ok` receives the result flag.
    void Act(int iJb, QString& file, float& width, float& height, bool twips, bool open, bool& ok,
             bool& gif);

    /// Folder job: output resolution 96, `folder` becomes the job folder and `name` the
    /// proposed name; `name` then receives the produced file path (empty for none).
    void ActHt(const QString& folder, QString& name, float width, float height, bool& gif,
               bool& ok);

    /// Output resolution (dots per inch) used when the job result is stored; write-only.
    void pcDpi(int dpi) { outputDpi_ = dpi; }

    /// The command hook: one (group, job) pair as if chosen from a menu. An accelerator suffix
    /// from "(&" on is cut off the job; an empty group or job does nothing.
    void commandHook(const QString& group, QString job);

    /// Script lines "GROUP⇒JOB" run through the command hook after the next job start, one
    /// per event-loop turn (automation mode).
    void setAutorun(const QStringList& lines) {
        autorun_ = lines;
        autorunOn_ = true;
    }

    int jobKind() const { return jobKind_; }
    const QString& jobFile() const { return jobFile_; }
    const QString& jobFolder() const { return jobFolder_; }
    const QString& jobName() const { return jobName_; }
    int outputDpi() const { return outputDpi_; }
    bool resultFlag() const { return resultFlag_; }
    bool gifFlag() const { return gifFlag_; }
    /// The requested range in screen pixels (0 for none) and its menu caption.
    float rangeWidth() const { return rangeWidth_; }
    float rangeHeight() const { return rangeHeight_; }
    const QString& rangeCaption() const { return rangeCaption_; }
    /// True while a launch-file job's modal run is going on.
    bool inModalRun() const { return modalLoop_ != nullptr; }

  protected:
    // --- plug-in points for the controls, the command bar and the menus ---

    /// Lays out the command bar and sets the menus for the job (return items hidden for job 0,
    /// requested range item, work-folder items for jobs 1 and 3, file-end items for job 0).
    virtual void setUpMenus() {}
    /// Loads every setting from the store into the windows. The base loads the window's own
    /// geometry and the start, root and registered folders.
    virtual void loadSettings();
    /// Saves every setting into the store (not yet to the file). The base saves what
    /// loadSettings loads.
    virtual void saveSettings();
    /// Places the window from stored twips, fitted into the work area: left and top place the
    /// outer frame, width and height are the window's own area, as storedGeometry gives them
    /// back, so the window does not creep by its frames from one start to the next.
    void placeWindow(int left, int top, int width, int height);
    /// The window's geometry in twips as placeWindow takes it.
    QRect storedGeometry() const;
    /// Starts the browser (root sRootDir, path sStartDir, the job file) and the editor (work
    /// folder sUsrDir + "Wrk/"). For job 1 the job folder becomes the browser's folder; the
    /// base takes the job file's folder.
    virtual void startControls();
    /// Shuts the controls down.
    virtual void stopControls() {}
    /// The editor's action entry (`pcAct`). The base has no editor and does nothing.
    virtual void editorAction(const QString& group, const QString& job);
    /// Opens a file in the editor (`pcOpen`). The base has no editor.
    virtual void editorOpen(const QString& file);
    /// The editor's save question before closing (`vCheckSave`): 2 cancels the close.
    virtual int checkSave() { return 0; }
    /// Whether a launch-file job may end now: the other windows' unsaved pictures (the sub
    /// window's) are asked about; false when the user cancelled. The base has no such window.
    virtual bool mayEndRun() { return true; }
    /// At the end of an automated run: every edited picture that the close question would not
    /// write (one without a file, or any in a launch-file job; with `everyEdited` every edited
    /// one, after a close that could not save them) is saved as a serial copy in the user data
    /// folder's "Temp/", and its path told in a message; the run then ends with status 1
    /// (shared().bUnsaved). The base has no editor.
    virtual void keepUnsavedPictures(bool everyEdited) { static_cast<void>(everyEdited); }
    /// Stores the job's result for the caller (`job` is the "取込" job or "終了"); false when
    /// it could not be stored, which clears the result flag. The base has no document: the
    /// job file and the clipboard stay as they are (job 1: true when the file exists; job 2:
    /// true when the clipboard holds a picture); job 3 produces nothing (false).
    virtual bool storeResult(const QString& job);
    /// Every command pair that the base router does not handle itself; the base hands it to
    /// editorAction.
    virtual void routeCommand(const QString& group, const QString& job);
    /// What the command hook does with a pair (macro playback, macro control, recording); the
    /// base routes it.
    virtual void hookCommand(const QString& group, const QString& job) { route(group, job); }
    /// The command router: the rows that end a job, then routeCommand.
    void route(const QString& group, const QString& job);

    /// Sets the produced file of job 3 and whether it is a GIF file.
    void setProduced(const QString& file, bool gif);
    void setJobFolder(const QString& folder) { jobFolder_ = folder; }

    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void returnResult(const QString& job);
    void finishRun();
    /// Ends a launch-file job: settings kept, other windows closed, controls stopped.
    void endRun();
    void runModal();
    void startAutorun();
    void runNextScriptLine();
    void unload();
    void endInteractiveRun();

    int jobKind_ = kJobInteractive;
    QString jobFile_;
    QString jobFolder_;
    QString jobName_;
    QString produced_;
    int outputDpi_ = 0;
    bool resultFlag_ = false;
    bool gifFlag_ = false;
    float rangeWidth_ = 0;
    float rangeHeight_ = 0;
    QString rangeCaption_;
    QEventLoop* modalLoop_ = nullptr;
    QStringList autorun_;
    int autorunLine_ = 0;
    bool autorunOn_ = false;
};

}  // namespace ximora::app
