// The editor's side of opening vector files: the drawing goes into the vector viewer, centred
// over the host window at the drawing's own size.
#include <QRect>
#include <cmath>

#include "editor/upce.h"
#include "util/message_service.h"
#include "util/qimage_adapter.h"
#include "util/sb_wmf.h"
#include "vector/vector_drawing.h"

namespace ximora::editor {

DocumentHost::Outcome uPcE::openVector(const QString& path, engine::Image& out) {
    QString error;
    std::shared_ptr<const vector::VectorDrawing> drawing = vector::VectorDrawing::load(path, error);
    if (!drawing) {
        util::messages().message(error, util::MsgButtons::Ok, util::MsgIcon::Warning);
        return Outcome::Failed;
    }
    QWidget* main = host_ ? host_ : window();
    const QRect frame = main->geometry();
    const QSize size = drawing->naturalSize();
    const int left = int(std::lround(frame.left() + (frame.width() - size.width()) / 2.0));
    const int top = int(std::lround(frame.top() + (frame.height() - size.height()) / 2.0));
    util::sbWmf viewer(main);
    viewer.setDrawing(drawing);
    QImage picture;
    if (!viewer.Act(left, top, size.width(), size.height(), picture)) return Outcome::Cancelled;
    out = util::fromQImage(picture);
    return out.empty() ? Outcome::Failed : Outcome::Done;
}

}  // namespace ximora::editor
