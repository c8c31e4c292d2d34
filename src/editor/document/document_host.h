#pragma once
// What a window supplies to the document it shows: its size, its own save dialog, the busy
// pointer, the pan window, pointers and the clipboard. A document without a host runs headless.

#include <QSize>
#include <QString>
#include <QStringList>

#include "engine/core/image.h"

namespace ximora::editor {

/// The adjustment dialogs of the editor's "詳細指定" commands.
enum class Adjustment { ColourDepth, Correction, Effects, Rotation };

/// What an adjustment dialog is opened with: the editor's display mode, its selection (all 0
/// for none) and the image's colour code ("8.", "24.", ...).
struct AdjustmentRequest {
    Adjustment kind = Adjustment::ColourDepth;
    int scaleMode = 1;
    int left = 0, right = 0, top = 0, bottom = 0;
    QString colourCode;
};

class DocumentHost {
  public:
    virtual ~DocumentHost() = default;
    /// The view's inner size in device pixels: "実寸" shows one image pixel on each.
    virtual QSize viewSize() const = 0;
    /// The save dialog at `folder` with `name` preset, offering `formats` ("BMP", "JPG", ...);
    /// the chosen path, or empty when cancelled.
    virtual QString askSaveName(const QString& folder, const QString& name,
                                const QStringList& formats) = 0;
    virtual void setBusy(bool on) = 0;
    virtual void showPanWindow(bool show) = 0;
    /// Switches the drag behaviour and pointer of the view to drag mode 0, 1 or 2.
    virtual void applyDragMode(int mode) = 0;
    virtual void putClipboardText(const QString& text) = 0;
    /// Puts `image` on the clipboard as a picture; false when the clipboard refused it.
    virtual bool putClipboardImage(const engine::Image& image) = 0;
    /// The clipboard's raster picture laid over white as 24 bits; false (and `out` untouched)
    /// when the clipboard offers none.
    virtual bool clipboardImage(engine::Image& out) = 0;
    /// Opens an adjustment dialog on a copy of `image`; true when the user took its result,
    /// which is then in `image` (otherwise `image` is unchanged).
    virtual bool adjust(const AdjustmentRequest& request, engine::Image& image) = 0;
    /// Opens the range size registration dialog on the registered ranges `list` with the
    /// current selection's size in pixels; the edited list (unchanged without a dialog).
    virtual QString registerRange(const QString& list, int width, int height) = 0;
    /// Opens the resolution dialog with `dpiX` and `dpiY` (dots per inch, in and out) and the
    /// image's `width` and `height` in pixels; true when the user confirmed a changed
    /// resolution, which is then in `dpiX` and `dpiY`.
    virtual bool askResolution(int& dpiX, int& dpiY, int width, int height) = 0;

    /// Shows or closes the drawing toolbar window (closing reports back through the
    /// document's drawingToolbarClosed).
    virtual void showDrawingToolbar(bool show) = 0;

    enum class Outcome { Done, Cancelled, Failed };
    /// The printer's page setup, kept for the next print.
    virtual void pageSetup() = 0;
    /// Prints `image` alone on one page.
    virtual Outcome printImage(const engine::Image& image) = 0;
    /// Lets the user choose the scanner; Failed with the engine's scanner error.
    virtual Outcome chooseScanSource() = 0;
    /// Scans one page (after the scanner's options) into `out`; Failed with the engine's
    /// scanner error.
    virtual Outcome scanImage(engine::Image& out) = 0;
    /// Shows the vector drawing in the file at `path` in the vector viewer; Done with the
    /// picture rendered at the size the user chose in `out`, Cancelled when the user closed
    /// the viewer, Failed (after a message) when the drawing could not be read. A host without
    /// the viewer refuses vector files.
    virtual Outcome openVector(const QString& /*path*/, engine::Image& /*out*/) {
        return Outcome::Failed;
    }
    /// The drawing (SVG, EMF or WMF) the clipboard offers, written into a file of the program's
    /// work folder for the vector viewer; its path, or empty when the clipboard has none.
    virtual QString clipboardDrawing() { return {}; }
};

}  // namespace ximora::editor
