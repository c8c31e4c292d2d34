// The drawing toolbar's side of the document: shapes drawn on the view are kept as objects
// and painted into the picture when the toolbar closes.
#include "editor/document/document_host.h"
#include "editor/document/picture_document.h"
#include "engine/core/error.h"

namespace ximora::editor {

ActResult PictureDocument::actToolbar(const QString&) {
    if (toolbarShown_) {
        host_->showDrawingToolbar(false);  // the toolbar reports its closing: see below
        return ActResult::Done;
    }
    toolbarShown_ = true;
    emit eShwTBar(true);
    clearSelection();
    host_->showDrawingToolbar(true);
    return ActResult::Done;
}

void PictureDocument::drawingToolChanged(int kind) {
    setEditState(kStateEdited);
    toolKind_ = kind;
}

void PictureDocument::addShape(DrawnShape shape) {
    settle();
    if (!hasImage()) return;
    if (!drawingPending_) {
        setEditState(kStateEdited);
        pushUndo();
        drawingPending_ = true;
    }
    const bool box = shape.tool == DrawTool::Rectangle || shape.tool == DrawTool::FilledRectangle;
    if (box && selection_.empty() && shape.points.size() >= 2) {
        const QRectF r = QRectF(shape.points.front(), shape.points.back()).normalized();
        setSelection({int(r.left()), int(r.top()), int(r.right()), int(r.bottom())});
    }
    drawing_.add(std::move(shape));
    emit drawingChanged();
}

void PictureDocument::drawingToolbarClosed() {
    settle();
    if (!toolbarShown_) return;
    toolbarShown_ = false;
    emit eShwTBar(false);
    pushUndo();
    if (!drawing_.empty() && !drawing_.commitInto(image_)) showEngineError(engine::lastError());
    drawing_.clear();
    toolKind_ = 0;
    dragMode_ = 0;
    if (host_) host_->applyDragMode(0);
    redisplay(false);
    emit drawingChanged();
}

}  // namespace ximora::editor
