#pragma once
// The one entry the editor reaches the adjustment dialogs through (installed with
// uPcE::setAdjustmentDialogs at start-up).

#include "editor/document/document_host.h"

class QWidget;

namespace ximora::dialogs {

/// Opens the dialog of `request.kind` modally on a copy of `image`; true when the dialog
/// handed back its result, which is then in `image`.
bool runAdjustmentDialog(const editor::AdjustmentRequest& request, engine::Image& image,
                         QWidget* parent);

}  // namespace ximora::dialogs
