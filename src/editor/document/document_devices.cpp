// The commands that reach devices through the host: printing and scanning.
#include "editor/document/document_host.h"
#include "editor/document/picture_document.h"
#include "engine/core/error.h"
#include "util/message_service.h"

namespace ximora::editor {

ActResult PictureDocument::actPageSetup(const QString&) {
    host_->pageSetup();
    return ActResult::Done;
}

ActResult PictureDocument::actPrint(const QString&) {
    if (!hasImage()) return ActResult::Done;
    refreshInfo();
    if (host_->printImage(image_) == DocumentHost::Outcome::Failed)
        util::messages().message(QStringLiteral("印刷を開始できませんでした"), util::MsgButtons::Ok,
                                 util::MsgIcon::Critical);
    return ActResult::Done;
}

ActResult PictureDocument::actScanSource(const QString&) {
    if (host_->chooseScanSource() == DocumentHost::Outcome::Failed)
        showEngineError(engine::lastError());
    return ActResult::Done;
}

ActResult PictureDocument::actScan(const QString&) {
    // A scan replaces the picture like opening a file does: unsaved edits are asked about.
    if (vCheckSave() == SaveAnswer::Cancel) return ActResult::Done;
    engine::Image scanned;
    switch (host_->scanImage(scanned)) {
        case DocumentHost::Outcome::Done:
            takeImage(std::move(scanned));
            break;
        case DocumentHost::Outcome::Failed:
            showEngineError(engine::lastError());
            break;
        case DocumentHost::Outcome::Cancelled:
            break;
    }
    return ActResult::Done;
}

}  // namespace ximora::editor
