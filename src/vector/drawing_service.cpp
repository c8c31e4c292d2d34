#include "vector/drawing_service.h"

#include <QByteArray>

#include "engine/core/error.h"
#include "vector/drawing_raster.h"
#include "vector/vector_drawing.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

bool readDrawing(engine::ByteSource& file, const engine::DrawingAsk& ask,
                 engine::DrawingFacts& facts, engine::Image& picture, std::string& message) {
    const QString kind = QString::fromStdString(ask.kind);
    if (file.size() > uint64_t(kMaxDrawingFileBytes)) {
        message = vectorReadError(engine::kErrMemory, kind).toStdString();
        return false;
    }
    QByteArray bytes(qsizetype(file.size()), Qt::Uninitialized);
    if (file.read(0, bytes.data(), size_t(bytes.size())) != size_t(bytes.size())) {
        message = vectorReadError(engine::kErrCannotRead, kind).toStdString();
        return false;
    }
    QString reason;
    const std::unique_ptr<VectorDrawing> drawing = VectorDrawing::fromBytes(bytes, kind, reason);
    if (!drawing) {
        message = reason.toStdString();
        return false;
    }
    const QSize natural = drawing->naturalSize();
    facts = {natural.width(), natural.height(), drawing->skippedRecords()};
    if (ask.fit > 0) {
        if (ask.fit > engine::kMaxSide) return engine::fail(engine::kErrBadParameter);
        return paintDrawing(*drawing, fittedInto(natural, ask.fit), picture);
    }
    if (ask.width > 0 && ask.height > 0)
        return paintDrawing(*drawing, QSize(ask.width, ask.height), picture);
    return true;
}

void installDrawingReader() { engine::setDrawingReader(readDrawing); }

}  // namespace ximora::vector
