// The clipboard commands: the image (or its selection) out to the clipboard, and a new untitled
// image from the clipboard's picture.

#include "editor/document/document_host.h"
#include "editor/document/picture_document.h"
#include "engine/core/error.h"
#include "engine/geometry/geometry.h"
#include "util/shared_values.h"

namespace ximora::editor {
namespace {

/// Marks the clipboard change as the editor's own for as long as it lives, so the main window
/// does not take it for a picture arriving from outside.
class ClipboardBusy {
  public:
    ClipboardBusy() : was_(util::shared().bClipBusy) { util::shared().bClipBusy = true; }
    ~ClipboardBusy() { util::shared().bClipBusy = was_; }
    ClipboardBusy(const ClipboardBusy&) = delete;
    ClipboardBusy& operator=(const ClipboardBusy&) = delete;

  private:
    bool was_;
};

}  // namespace

ActResult PictureDocument::actCopyToClipboard(const QString&) {
    if (!hasImage()) return ActResult::Done;
    const ClipboardBusy busy;
    engine::Image copy = image_;
    const Selection s = selection_;
    lastOk_ = s.empty() || engine::trim(copy, {s.left, s.top, s.right, s.bottom});
    if (lastOk_) {
        copy.dpiX = 96;
        copy.dpiY = 96;
        lastOk_ = host_->putClipboardImage(copy);
    }
    return ActResult::Done;
}

ActResult PictureDocument::actNewFromClipboard(const QString&) {
    if (vCheckSave() == SaveAnswer::Cancel) return ActResult::Done;
    const ClipboardBusy busy;
    clearSelection();
    engine::Image pasted;
    engine::clearLastError();
    lastOk_ = host_->clipboardImage(pasted);
    if (!lastOk_ && engine::lastError() != engine::kErrMemory) {
        // A drawing goes through the vector viewer, as a drawing file does; closed without
        // taking its picture, the editor starts afresh.
        const QString drawing = host_->clipboardDrawing();
        if (!drawing.isEmpty()) {
            switch (host_->openVector(drawing, pasted)) {
                case DocumentHost::Outcome::Done:
                    lastOk_ = true;
                    break;
                case DocumentHost::Outcome::Cancelled:
                    return actReset({});
                case DocumentHost::Outcome::Failed:
                    return ActResult::Done;  // the viewer said why
            }
        }
    }
    if (!lastOk_) {
        // Text or nothing on the clipboard, or a picture past the memory budget: the current
        // image stays.
        showEngineError(engine::lastError() == engine::kErrMemory ? engine::kErrMemory
                                                                  : engine::kErrNoImage);
        return ActResult::Done;
    }
    pasted.dpiX = 96;
    pasted.dpiY = 96;
    takeImage(std::move(pasted));
    return ActResult::Done;
}

}  // namespace ximora::editor
