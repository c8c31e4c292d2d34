#include "vector/vector_drawing.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include "vector/dxf/dxf_drawing.h"
#include "vector/metafile/metafile_drawings.h"

namespace ximora::vector {

namespace {
// Larger files are no drawings this program could take over as a picture anyway.
constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
}  // namespace

std::unique_ptr<VectorDrawing> VectorDrawing::load(const QString& path, QString& error) {
    const QString name = QFileInfo(path).fileName();
    const QString ext = name.mid(name.lastIndexOf('.') + 1).toUpper();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("ﾌｧｲﾙを開けません: %1").arg(path);
        return nullptr;
    }
    if (file.size() > kMaxFileBytes) {
        error = QStringLiteral("ﾌｧｲﾙが大きすぎます: %1").arg(path);
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    std::unique_ptr<VectorDrawing> drawing;
    QString reason;
    if (ext == QLatin1String("WMF"))
        drawing = loadWmf(bytes, reason);
    else if (ext == QLatin1String("EMF"))
        drawing = loadEmf(bytes, reason);
    else if (ext == QLatin1String("DXF"))
        drawing = DxfDrawing::load(bytes, reason);
    else
        reason = QStringLiteral("ﾍﾞｸﾀﾌｧｲﾙではありません");
    if (!drawing) error = QStringLiteral("%1\n%2").arg(reason, path);
    return drawing;
}

QImage VectorDrawing::render(QSize size) const {
    if (size.width() < 1 || size.height() < 1) return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paint(painter, QRectF(0, 0, size.width(), size.height()));
    painter.end();
    return image;
}

}  // namespace ximora::vector
