#include "dialogs/adjustment_dialogs.h"

#include <memory>

#include "dialogs/colour_depth_dialog.h"
#include "dialogs/correction_dialog.h"
#include "dialogs/effects_dialog.h"
#include "dialogs/rotation_dialog.h"
#include "util/message_service.h"

namespace ximora::dialogs {

bool runAdjustmentDialog(const editor::AdjustmentRequest& request, engine::Image& image,
                         QWidget* parent) {
    const editor::Selection range{request.left, request.top, request.right, request.bottom};
    std::unique_ptr<AdjustDialog> dialog;
    switch (request.kind) {
        case editor::Adjustment::ColourDepth:
            dialog = std::make_unique<spImgC>(image, request.colourCode, parent);
            break;
        case editor::Adjustment::Correction:
            dialog = std::make_unique<spImgH>(image, request.scaleMode, range, parent);
            break;
        case editor::Adjustment::Effects:
            dialog = std::make_unique<spImgK>(image, request.scaleMode, range, parent);
            break;
        case editor::Adjustment::Rotation:
            dialog = std::make_unique<spImgR>(image, request.scaleMode, request.colourCode, parent);
            break;
    }
    util::messages().runModal(*dialog);
    if (!dialog->replaced()) return false;
    image = dialog->result();
    return true;
}

}  // namespace ximora::dialogs
