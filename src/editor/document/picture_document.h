#pragma once
// The picture editor's document: one current image with its file, comment, colour code, edit
// state, view settings and undo history, and the command entry `pcAct`. Qt Core only, so the
// batch program runs it without windows; a window attaches through DocumentHost.

#include <QObject>
#include <QPointF>
#include <QString>

#include <QSize>
#include <memory>
#include <optional>

#include "editor/document/document_host.h"
#include "editor/document/large_picture_load.h"
#include "editor/document/read_ahead.h"
#include "editor/document/registered_ranges.h"
#include "editor/document/undo_store.h"
#include "editor/draw/drawing.h"
#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::editor {

class DocumentHost;

/// The edit states.
inline const QString kStateInitial = QStringLiteral("初期");
inline const QString kStateLoaded = QStringLiteral("読込");
inline const QString kStateEdited = QStringLiteral("編集");

/// A selection rectangle in image pixels; all 0 means none.
struct Selection {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    friend bool operator==(const Selection&, const Selection&) = default;
};

/// The result of one command handler: whether it reports that nothing changed (a cancelled
/// adjustment dialog), which keeps the edit state as it was.
enum class ActResult { Done, Unchanged };

class PictureDocument : public QObject {
    Q_OBJECT
  public:
    /// The extensions offered for opening and accepted when dropped (after the first list the
    /// other names of JPEG and TIFF files, the STEP form of SXF drawings and the formats read
    /// since: WebP, HEIF, AVIF and JPEG XL).
    static inline const QString kExtensions = QStringLiteral(
        "BMP;JPG;TIF;PCX;FPX;PNG;GIF;JP2;JPC;J2K;WMF;EMF;DXF;SVG;JPEG;JPE;JFIF;TIFF;SFC;P21;WEBP;"
        "HEIC;HEIF;HIF;AVIF;JXL");

    explicit PictureDocument(QObject* parent = nullptr);
    ~PictureDocument() override;

    /// Attaches a window (nullptr: none). Commands that need a window refuse without one.
    void setHost(DocumentHost* host) { host_ = host; }
    DocumentHost* host() const { return host_; }

    // --- start and stop -------------------------------------------------------------------
    /// Binds the document to its working folder (ending in "/"), which holds the undo folder.
    void start(const QString& workFolder, UndoStore::Kind undoKind = UndoStore::Kind::Files);
    /// Removes the undo snapshots; clears path, colour code, working folder, comment and
    /// selection.
    void stop();

    // --- facts ----------------------------------------------------------------------------
    /// The picture. A large picture still being decoded at full size is waited for first;
    /// taking it in changes nothing a caller could tell apart, so this stays a const read.
    const engine::Image& image() const {
        const_cast<PictureDocument*>(this)->settle();
        return image_;
    }
    bool hasImage() const { return !image_.empty(); }
    /// What the views paint: the picture, or, while a large picture is still being decoded at
    /// full size, its reduced first view (drawn over the picture's whole size).
    const engine::Image& shownImage() const { return image_; }
    /// Whether what is shown is a large picture's first view, its full decode still running.
    bool showsFirstView() const { return pending_ != nullptr; }
    /// The picture's size in pixels, also while its first view is shown (empty without one).
    QSize pictureSize() const;
    /// Takes in a large picture whose full decode has finished (waiting for it if need be); the
    /// views then show it at full resolution. Nothing happens when no decode is under way.
    void settle();
    QString file() const { return file_; }
    QString backingFile() const { return backingFile_; }
    qint64 backingFileSize() const;
    QString comment() const { return comment_; }
    void setComment(const QString& comment) { comment_ = comment; }
    QString colourCode() const { return colourCode_; }
    QString editState() const { return state_; }
    bool edited() const { return edited_; }
    bool drawingPending() const { return drawingPending_; }
    /// The drawing toolbar: whether it is shown, its tool, and the shapes drawn so far.
    bool toolbarShown() const { return toolbarShown_; }
    int toolKind() const { return toolKind_; }
    const Drawing& drawing() const { return drawing_; }
    /// A shape finished on the view. The first one of a drawing marks the picture edited and
    /// keeps an undo step; a rectangle drawn while nothing is selected becomes the selection.
    void addShape(DrawnShape shape);
    /// The toolbar reported another tool (1 pointer, 2 and up drawing tools).
    void drawingToolChanged(int kind);
    /// The toolbar was closed: the shapes are painted into the picture (with an undo step).
    void drawingToolbarClosed();
    int undoCount() const { return undo_.count(); }
    bool lastOk() const { return lastOk_; }
    QString lastJob() const { return lastJob_; }
    const UndoStore& undoStore() const { return undo_; }

    // --- parameters (SetPram / GetPram) -----------------------------------------------------
    struct Params {
        int jpegQuality = 85;
        int updateMode = 0;
        QString scaleName = QStringLiteral("ｽｹｰﾙ");
        int dragMode = 0;
        QString defaultExtension;
    };
    void setParams(const Params& params);
    /// The five parameters; false (after the message "Err GetPram") for an unknown scale mode.
    bool params(Params& out);
    int jpegQuality() const { return jpegQuality_; }
    int updateMode() const { return updateMode_; }
    QString defaultExtension() const { return defaultExtension_; }
    QString lastSaveFolder() const { return lastSaveFolder_; }

    // --- view settings, kept here so that a window-less document has them too -------------
    int scaleMode() const { return scaleMode_; }
    double zoomX() const { return zoomX_; }
    double zoomY() const { return zoomY_; }
    int dragMode() const { return dragMode_; }
    /// Applies a scale name ("ｽｹｰﾙ", "ｽﾄﾚｯﾁ", "実寸", "実寸B", "横合わせ", "縦合わせ",
    /// "Refresh") with a zoom factor (0: keep, or 1 for "実寸"). Unknown names show
    /// "Err pcView" and re-show in the current mode.
    void setView(const QString& name, double zoom);
    /// Multiplies (zoom in) or divides (zoom out) both zoom factors by 1.1, without bounds.
    void clickZoom(bool in);
    /// Actual size times `zoom` (the wheel and the zoom keys): as the view "実寸" from another
    /// mode; within "実寸" only the zoom changes, so views keep their reduced copies.
    void zoomTo(double zoom);
    /// Zoom factor pair kept together.
    void setZoom(double factor);

    // --- selection ------------------------------------------------------------------------
    Selection selection() const { return selection_; }
    /// Sets the selection clipped to the image and ordered; an empty or degenerate rectangle
    /// clears it.
    void setSelection(const Selection& selection);
    void clearSelection();
    /// The operation area: inside the selection polygon, or the whole image.
    engine::Area area() const;
    /// Places a selection of `width` × `height` pixels 10 pixels from the left and top edges,
    /// cut at the image's right and bottom edges; nothing when either size is not above 0.
    void setRect(double width, double height);

    // --- registered ranges ----------------------------------------------------------------
    /// Keeps the valid entries of `text` ("name,width,height,unit" joined with ":") and
    /// raises rangesChanged with their menu captions.
    void setRegisteredRanges(const QString& text);
    /// The kept entries joined with ":", each as it was written.
    QString registeredRanges() const { return ranges_.text(); }

    // --- the document's commands --------------------------------------------------------
    /// The command entry: runs the pair through the command table with the common steps.
    void pcAct(const QString& group, const QString& job);
    /// Whether the pair runs a command that shows or asks through a window (dialogs, the
    /// clipboard, the pan window); such pairs do nothing without a host.
    static bool needsWindow(const QString& group, const QString& job);

    /// Opens a file: iJb 1 asks the save question first; an empty sFL opens the open dialog.
    void pcOpen(int iJb, const QString& sFL, bool bNEvn = false);
    /// The save question; returns the answer (0 when nothing was asked: not edited). "Yes"
    /// overwrites the file, or for a picture without one asks for a name; when that is
    /// cancelled or the save fails the answer is Cancel.
    enum class SaveAnswer { None, Yes, No, Cancel };
    SaveAnswer vCheckSave();
    /// Saves the picture as the next serial copy "NNNNN.bmp" in the user data folder's "Temp/",
    /// which becomes its file; the copy's path, or empty (after a message) when it failed.
    QString saveSerialCopy();
    /// Saves under a name: `name` in/out; selection-only and web-dialog flags.
    bool pcSaveAs(QString& name, bool selectionOnly, bool webDialog);
    /// The save modes: overwrite the picture's file; save under a name (a dialog asks for one
    /// when it is empty; one chosen there is asked about before an existing file is replaced);
    /// replace the named file itself (a launch job's result), whatever the letter case of its
    /// name, in the format of its content when the name has no extension.
    /// Every mode writes the format its extension names and never one the program only reads;
    /// replacing a file asks before what it holds is lost (pages, 16-bit samples).
    enum SaveMode { kSaveOverwrite = 0, kSaveUnderName = 1, kSaveReplaceNamed = 2 };
    /// Save: `mode` a SaveMode; `name` in/out.
    bool save(int mode, QString& name, bool selectionOnly, bool webDialog);
    /// Writes the picture (only the selection with `selectionOnly`) into a launch job's own
    /// file `path` (kSaveReplaceNamed). False when that file does not hold it.
    bool saveJobResult(const QString& path, bool selectionOnly);
    /// Saves the picture as the user sees it (only the selection when there is one) to be
    /// mailed: `path` preset in the save dialog, which offers JPG, GIF, PNG and PCX. The
    /// document's file and state stay as they are. The path written, or empty when the dialog
    /// was cancelled or the save failed (after its message).
    QString saveMailCopy(const QString& path);
    /// Whether a read-only file is replaced by an overwrite without a question (ximora-batch's
    /// --force); otherwise it is asked about, and a window-less run refuses it.
    void setReplaceReadOnly(bool replace) { replaceReadOnly_ = replace; }

    /// Saves `image` (not the document's) under `name` as the document's own saves would: the
    /// extension decides the format and colour conversion, the document's JPEG quality applies.
    /// The document does not change; false with the engine's error.
    bool saveCopy(engine::Image image, const QString& name) const;
    /// Paints the rectangle (image pixels, rounded) white: no undo step, no state change.
    void whitenRectangle(double left, double top, double width, double height);
    /// Makes `image` the current image as an untitled document in state "読込" (an image
    /// handed over by the engine or the clipboard).
    void takeImage(engine::Image image);
    /// Makes `image` current, shows it, state "読込" and info refresh.
    void displayImage(engine::Image image);
    /// Sets both resolutions; state "編集".
    void setDpi(int dpi);
    /// Sets the edit state (every change goes through here).
    void setEditState(const QString& state);
    /// Info refresh: colour code, facts and the eStPcTyp event.
    void refreshInfo();
    /// The file details text (and nothing else; the window puts it on the clipboard).
    QString details() const;

    /// Shows an engine error message for the current last error code.
    static void showEngineError(int code);
    /// While on, a picture that cannot be opened is reported by loadFailed instead of a message
    /// box: the host shows it where stepping through a folder can go on past it.
    void setQuietLoadErrors(bool on) { quietLoadErrors_ = on; }
    /// The files likely to be opened next (the browser's neighbours of the picture shown),
    /// nearest first: once the picture is on screen they are decoded ahead on a worker, within
    /// the memory budget, and an open of one of them takes its picture from there while the
    /// file is unchanged.
    void readAhead(const QStringList& paths);
    /// Starts reading `path` (a picture named on the command line) on a read-ahead worker as
    /// opening it would read it, before this document exists: the window is made meanwhile. A
    /// JPEG large enough for a first view is left to the open, which shows that view first.
    static std::unique_ptr<ReadAhead> readBeforehand(const QString& path);
    /// Takes over a read-ahead worker started by readBeforehand: an open of its picture takes
    /// it from there, and the neighbours are read by it later.
    void adoptReadAhead(std::unique_ptr<ReadAhead> reading);
    /// The view painted the whole picture: what is to be read ahead starts now, so that it
    /// never slows the picture the user waits for.
    void wholePictureShown();

  signals:
    void eStFile(const QString& sFL);
    /// The drawing toolbar was shown or hidden.
    void eShwTBar(bool bShw);
    /// The shapes of the drawing changed (the view repaints).
    void drawingChanged();
    void eStPcTyp(const QString& sFL, const QString& sBt, const QString& sTy);
    void eEdtMode(const QString& sMd);
    void eChgViewMode(int iMd);
    void eChkFld();
    /// The host supplies the initial folder (direct connection: `sPh` is in and out).
    void eAskPcPh(QString& sPh);
    /// The image, the scale mode or the zoom changed: views redraw.
    void imageShown();
    /// Only the zoom factors changed (the pixels did not).
    void zoomChanged();
    /// The selection changed: views redraw the frame.
    void selectionChanged();
    /// The registered ranges changed: their menu captions, in order.
    void rangesChanged(const QStringList& captions);
    /// Views scroll so that this image pixel is in their middle.
    void centreRequested(QPointF imagePoint);
    /// A picture could not be opened (quiet load errors only): the file's name, what is wrong
    /// and why, on one line.
    void loadFailed(const QString& line);

  private:
    friend class CommandTable;
    using Handler = ActResult (PictureDocument::*)(const QString& job);

    // Document steps shared by the commands.
    bool needImage() const { return hasImage(); }
    bool fullColourCheck();
    bool pushUndo();
    void redisplay(bool clearSel);
    /// Ends an editing command: redisplay on success, the engine's message on failure.
    ActResult finishEdit(bool ok, bool clearSel);
    /// A copy of the picture to work on; false with error 3 when the memory budget has no room
    /// for it (every picture, undo copy and reduction alive counts).
    bool workingCopy(engine::Image& out) const;
    /// As finishEdit, making `work` the current image first when `ok`.
    ActResult commitEdit(bool ok, engine::Image& work, bool clearSel);
    void show();
    bool loadRaster(const QString& path, bool loadFlag, bool suppressEvent);
    /// Reads a picture: a large JPEG picture with a window shows its first view and goes on
    /// decoding in the background; others are decoded whole. False with the engine's error.
    bool readPicture(const QString& path, engine::Image& out);
    /// Opens a WMF, EMF, DXF, SVG or SXF (SFC, P21) file through the host's vector viewer.
    void openVector(const QString& path);
    void replaceImage(engine::Image image);
    /// Writes `target` to `name` in the format of extension `ext`; the engine's message on
    /// failure.
    bool saveTarget(const engine::Image& target, const QString& name, const QString& ext);
    /// Asks before the existing file `path` is replaced by `target` saved as `ext` where it
    /// would lose pages or 16-bit samples. True when it may be replaced.
    bool mayReplaceWith(const QString& path, const engine::Image& target, const QString& ext);
    /// The overwrite of a picture whose format (`ext`) the program only reads: offers
    /// "名前を付けて保存" instead (a window-less document refuses with a message).
    bool offerSaveAs(const QString& ext);
    QString initialFolder();

    // Command handlers (one per table row kind).
    ActResult actNew(const QString& job);
    ActResult actOpen(const QString& job);
    ActResult actOverwrite(const QString& job);
    ActResult actSaveAs(const QString& job);
    ActResult actCopyAsNew(const QString& job);
    ActResult actSerialCopy(const QString& job);
    ActResult actDetails(const QString& job);
    ActResult actReset(const QString& job);
    ActResult actView(const QString& job);
    ActResult actRevert(const QString& job);
    ActResult actUndo(const QString& job);
    ActResult actRedo(const QString& job);
    ActResult actTrim(const QString& job);
    ActResult actCopyToClipboard(const QString& job);
    ActResult actNewFromClipboard(const QString& job);
    ActResult actFrame(const QString& job);
    ActResult actReduce(const QString& job);
    ActResult actBand(const QString& job);
    ActResult actColours(const QString& job);
    ActResult actFilter(const QString& job);
    ActResult actInvert(const QString& job);
    ActResult actSaturation(const QString& job);
    ActResult actBrightness(const QString& job);
    ActResult actRotate(const QString& job);
    ActResult actToolbar(const QString& job);
    ActResult actPageSetup(const QString& job);
    ActResult actPrint(const QString& job);
    ActResult actScanSource(const QString& job);
    ActResult actScan(const QString& job);
    ActResult actColourDialog(const QString& job);
    ActResult actCorrectionDialog(const QString& job);
    ActResult actEffectsDialog(const QString& job);
    ActResult actRotationDialog(const QString& job);
    /// Opens an adjustment dialog through the host; Unchanged when it was cancelled.
    ActResult openAdjustment(Adjustment kind);
    ActResult actResolution(const QString& job);
    ActResult actJpegQuality(const QString& job);
    ActResult actUpdateMode(const QString& job);
    ActResult actEditState(const QString& job);
    ActResult actZoom(const QString& job);
    ActResult actDragMode(const QString& job);
    ActResult actPanWindow(const QString& job);
    ActResult actRange(const QString& job);
    ActResult actRegisterRange(const QString& job);
    /// The selection jobs "User.Range (W * H px)" and registered-range captions.
    void selectByJob(const QString& job);
    /// "X-Y変換": the selection's width and height change places.
    void swapSelection();
    /// "相対" and "ﾏｰｶｰ" on the selected area, through full colour for low-colour images.
    void markSelection(bool highlighter);
    /// "選択範囲を拡大": the view zooms so that the selection fills it.
    void zoomToSelection();

    DocumentHost* host_ = nullptr;
    engine::Image image_;
    // A large picture's full decode under way; image_ holds its first view meanwhile.
    std::unique_ptr<LargePictureLoad> pending_;
    QSize pendingSize_;
    std::unique_ptr<ReadAhead> readAhead_;
    std::optional<std::vector<std::string>> toReadAhead_;  // until the picture is on screen
    QString file_;
    QString backingFile_;
    QString comment_;
    QString state_;
    bool edited_ = false;
    bool drawingPending_ = false;
    bool toolbarShown_ = false;
    int toolKind_ = 0;
    Drawing drawing_;
    QString colourCode_;
    int scaleMode_ = 0;
    double zoomX_ = 1.0;
    double zoomY_ = 1.0;
    int dragMode_ = 0;
    int jpegQuality_ = 85;
    int updateMode_ = 0;
    QString defaultExtension_;
    QString lastSaveFolder_;
    QString lastJob_;
    bool vector_ = false;
    bool lastOk_ = false;
    bool pictureChanged_ = false;  ///< set by every edit that changed the picture; see pcAct
    bool replaceReadOnly_ = false;
    Selection selection_;
    Selection savedSelection_;  ///< "現在のｻｲｽﾞを保存" keeps it for "前回のｻｲｽﾞを呼出"
    RegisteredRanges ranges_;
    UndoStore undo_;
    /// The pictures undo took back, the latest last, for redo; the next edit or another
    /// picture empties it.
    std::vector<engine::Image> redo_;
    bool quietLoadErrors_ = false;
    /// Tells that `path` could not be opened: the engine's last error, or `error` and `reason`.
    void reportLoadFailure(const QString& path);
    void reportLoadFailure(const QString& path, int error, const std::string& reason);
};

}  // namespace ximora::editor
