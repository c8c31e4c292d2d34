#pragma once
// `uPcE`: the picture editor control. A widget over one PictureDocument and its view; the main
// window and the sub picture window each host one. Members and events keep the names and the
// order that the hosts know.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "editor/document/document_host.h"
#include "editor/document/picture_document.h"
#include "editor/draw/drawing_toolbar.h"
#include "editor/scan/scanner_connection.h"

namespace ximora::editor {

class PictureView;

class uPcE : public QWidget, public DocumentHost {
    Q_OBJECT
  public:
    explicit uPcE(QWidget* parent = nullptr);
    ~uPcE() override;

    /// Answers of vCheckSave, as the hosts compare them.
    static constexpr int kNone = 0, kCancel = 2, kYes = 6, kNo = 7;

    /// Binds the editor to its host window and working folder (ending in "/").
    void cOn(QWidget* xFrm, const QString& sPhW);
    /// Removes this editor's undo snapshots; clears path, colour code, working folder, comment,
    /// selection.
    void cOff();
    /// The menu state.
    void GtMnState(bool& bExPc, bool& bEdtP, bool& bRct, bool& bUndo, int& iBit, bool& bPnW,
                   bool& bTbar) const;
    /// True while the pan window is on the screen (bPnW of GtMnState only says it may be).
    bool panWindowShown() const;
    /// The visible engine instance: the document (and through it the image).
    PictureDocument* GetObject() { return &doc_; }
    PictureDocument* dGetImg() { return &doc_; }
    /// The current image's handle (a duplicate registered in the engine's handle table, freed
    /// when the image changes or the editor goes); 0 without an image.
    void GetHndle(int& nHnd);
    int DispImage();
    /// Makes the handle's image current (a copy), shows it, state "読込", info refresh.
    void DispImage(int nHnd);
    void SetDpi(int nDpi) { doc_.setDpi(nDpi); }
    QString sComent() const { return doc_.comment(); }
    void sComent(const QString& text) { doc_.setComment(text); }
    QString prFile() const { return doc_.file(); }
    qint64 nFileSZ() const { return doc_.backingFileSize(); }
    void SetPram(int iJp, int iUd, const QString& sDp, int iMc, const QString& sKk);
    /// False after the message "Err GetPram" for an unknown scale mode.
    bool GetPram(int& iJp, int& iUd, QString& sDp, int& iMc, QString& sKk);
    /// The save question: kNone, kYes, kNo or kCancel.
    int vCheckSave();
    void pcOpen(int iJb, const QString& sFL, bool bNEvn = false) { doc_.pcOpen(iJb, sFL, bNEvn); }
    /// Lays the view out over the inner area (from 100 × 100 on); the first call ends the
    /// start-up phase, before which resizes are ignored.
    void StSize();
    void pcAct(const QString& sGp, const QString& sJb) { doc_.pcAct(sGp, sJb); }
    bool pcSaveAs(QString& sFL, bool bRct, bool bDlg) { return doc_.pcSaveAs(sFL, bRct, bDlg); }
    /// Writes the picture into a launch job's own file (PictureDocument::saveJobResult).
    bool saveJobResult(const QString& sFL, bool bRct) { return doc_.saveJobResult(sFL, bRct); }

    /// The registered ranges: entries "name,width,height,unit" joined with ":", kept for the
    /// host's settings. Setting keeps the valid entries and raises eChgHani with their captions.
    QString UsrHani() const { return doc_.registeredRanges(); }
    void UsrHani(const QString& text) { doc_.setRegisteredRanges(text); }
    /// Places a selection of gWd × gHI pixels 10 pixels from the image's left and top edges.
    void SetRect(float gWd, float gHI) { doc_.setRect(gWd, gHI); }
    /// The bitmap file the drawing toolbar's stamp tool places.
    void pcStampFL(const QString& sBmp) { stampFile_ = sBmp; }
    /// Saves the clipboard's picture as `sFL` (format from the extension); nothing when the
    /// clipboard has none. A failure shows the engine's error number.
    bool aeSaveClp(const QString& sFL);
    /// Captures the screen (or only the active window), makes it the current image at 96 dpi
    /// and saves it under `sFL` (the save dialog asks when it is empty).
    bool aeSaveCapt(const QString& sFL, bool bActWin);
    /// Converts the file `sFL1` into `sFL2` (format from its extension, JPEG without one; JPEG
    /// quality `iJpgQ`, 0 meaning 100). The current picture is not touched; no message.
    bool aeCnvPic(const QString& sFL1, const QString& sFL2, int iJpgQ);
    /// Paints a rectangle of the current image white (no undo step, no state change).
    void pcPrTrim(double gLf, double gTp, double gWd, double gHI) {
        doc_.whitenRectangle(gLf, gTp, gWd, gHI);
    }
    QString stampFile() const { return stampFile_; }

    PictureView* view() const { return view_; }

    /// For the editors of the main and sub windows: the wheel zooms the picture around the
    /// pointer, and Ctrl+Plus / Ctrl+Minus zoom by the zoom menu's steps and Ctrl+0 fits the
    /// picture ("ｽｹｰﾙ"), anywhere in this editor's window. Previews in dialogs keep their own
    /// display options and do not call this.
    void enableZoomInputs();

    // DocumentHost
    QSize viewSize() const override;
    QString askSaveName(const QString& folder, const QString& name,
                        const QStringList& formats) override;
    void setBusy(bool on) override;
    void showPanWindow(bool show) override;
    void applyDragMode(int mode) override;
    void putClipboardText(const QString& text) override;
    bool putClipboardImage(const engine::Image& image) override;
    bool clipboardImage(engine::Image& out) override;
    QString clipboardDrawing() override;
    bool adjust(const AdjustmentRequest& request, engine::Image& image) override;
    void showDrawingToolbar(bool show) override;
    DrawingToolbar* drawingToolbar() const { return toolbar_; }
    void pageSetup() override;
    Outcome printImage(const engine::Image& image) override;
    Outcome chooseScanSource() override;
    Outcome scanImage(engine::Image& out) override;
    Outcome openVector(const QString& path, engine::Image& out) override;

    /// The adjustment dialogs live in a layer above the editor; the program installs them at
    /// start-up. Without them the "詳細指定" commands act as cancelled dialogs.
    using AdjustmentDialogs =
        std::function<bool(const AdjustmentRequest&, engine::Image&, QWidget* parent)>;
    static void setAdjustmentDialogs(AdjustmentDialogs dialogs);
    QString registerRange(const QString& list, int width, int height) override;

    /// The range size registration dialog, installed at start-up like the adjustment dialogs:
    /// the edited list of registered ranges. Without it "範囲の登録" changes nothing.
    using RangeDialog =
        std::function<QString(const QString& list, int width, int height, QWidget* parent)>;
    static void setRangeDialog(RangeDialog dialog);
    bool askResolution(int& dpiX, int& dpiY, int width, int height) override;
    /// The resolution dialog, installed the same way; without it "解像度" acts as cancelled.
    using ResolutionDialog =
        std::function<bool(int& dpiX, int& dpiY, int width, int height, QWidget* parent)>;
    static void setResolutionDialog(ResolutionDialog dialog);

  signals:
    void eStFile(const QString& sFL);
    void eStPcTyp(const QString& sFL, const QString& sBt, const QString& sTy);
    void eEdtMode(const QString& sMd);
    void ePopUp();
    void eChgViewMode(int iMd);
    void eShwTBar(bool bShw);
    void eChkFld();
    void eAskPcPh(QString& sPh);
    /// The registered ranges changed: their menu captions, in order.
    void eChgHani(const QStringList& captions);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void releaseHandle();

    PictureDocument doc_;
    PictureView* view_;
    QWidget* host_ = nullptr;
    ScannerConnection scanner_;
    QPointer<DrawingToolbar> toolbar_;  // opened on the first scan or source choice
    bool started_ = false;
    int handle_ = 0;
    QString stampFile_;
};

}  // namespace ximora::editor
