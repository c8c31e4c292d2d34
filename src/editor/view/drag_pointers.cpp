#include "editor/view/drag_pointers.h"

#include <QFile>
#include <QList>
#include <QPixmap>

namespace ximora::editor {
namespace {

// The values line comes first in an XPM file; a header this long holds it many times over.
constexpr qint64 kHeaderBytes = 4096;

}  // namespace

QString dragPointerFile(int mode) {
    if (mode == 1) return QStringLiteral("Hand.xpm");
    if (mode == 2) return QStringLiteral("Magnify.xpm");
    return {};
}

std::optional<QPoint> xpmHotSpot(const QByteArray& text) {
    const qsizetype body = text.indexOf('{');
    const qsizetype open = body < 0 ? -1 : text.indexOf('"', body);
    const qsizetype close = open < 0 ? -1 : text.indexOf('"', open + 1);
    if (close < 0) return std::nullopt;
    const QList<QByteArray> fields = text.mid(open + 1, close - open - 1).simplified().split(' ');
    if (fields.size() < 6) return std::nullopt;
    int numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        numbers[i] = fields[i].toInt(&ok);
        if (!ok) return std::nullopt;
    }
    const int width = numbers[0], height = numbers[1], x = numbers[4], y = numbers[5];
    if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
    return QPoint(x, y);
}

std::optional<QCursor> dragPointer(int mode, const QString& folder) {
    const QString name = dragPointerFile(mode);
    if (name.isEmpty() || folder.isEmpty()) return std::nullopt;
    QFile file(folder + name);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const std::optional<QPoint> hotSpot = xpmHotSpot(file.read(kHeaderBytes));
    file.close();
    const QPixmap picture(file.fileName(), "XPM");
    if (picture.isNull()) return std::nullopt;
    // Without a hot spot of its own the pointer points with its centre.
    const QPoint spot = hotSpot.value_or(QPoint(picture.width() / 2, picture.height() / 2));
    return QCursor(picture, spot.x(), spot.y());
}

}  // namespace ximora::editor
