#include "platform/clipboard_payload.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>

namespace ximora::platform {
namespace {

const QByteArray kMagic = QByteArrayLiteral("ximora-clipboard/1");
// Qt's own name for a picture held as an image object rather than as bytes.
const QString kQtImage = QStringLiteral("application/x-qt-image");
constexpr quint32 kMaxFormats = 4096;

void writeImage(QDataStream& out, const QImage& image) {
    out << qint32(image.format()) << qint32(image.width()) << qint32(image.height())
        << qint32(image.dotsPerMeterX()) << qint32(image.dotsPerMeterY()) << image.colorTable()
        << qint64(image.bytesPerLine());
    for (int y = 0; y < image.height(); ++y)
        out.writeRawData(reinterpret_cast<const char*>(image.constScanLine(y)),
                         static_cast<int>(image.bytesPerLine()));
}

// The picture, or a null image when the header is not one this build writes or the pixels are
// not all there; nothing is allocated before the pixel bytes are known to be present.
QImage readImage(QDataStream& in) {
    qint32 format = 0, width = 0, height = 0, dpmX = 0, dpmY = 0;
    QList<QRgb> colours;
    qint64 bytesPerLine = 0;
    in >> format >> width >> height >> dpmX >> dpmY >> colours >> bytesPerLine;
    if (in.status() != QDataStream::Ok || format <= QImage::Format_Invalid ||
        format >= QImage::NImageFormats || width <= 0 || height <= 0 || bytesPerLine <= 0)
        return {};
    if (bytesPerLine > in.device()->bytesAvailable() / height) return {};
    QImage image(width, height, static_cast<QImage::Format>(format));
    if (image.isNull() || image.bytesPerLine() != bytesPerLine) return {};
    for (int y = 0; y < height; ++y)
        if (in.readRawData(reinterpret_cast<char*>(image.scanLine(y)),
                           static_cast<int>(bytesPerLine)) != bytesPerLine)
            return {};
    image.setColorTable(colours);
    image.setDotsPerMeterX(dpmX);
    image.setDotsPerMeterY(dpmY);
    return image;
}

}  // namespace

QByteArray encodeClipboard(const QMimeData& data) {
    const QImage image = data.hasImage() ? qvariant_cast<QImage>(data.imageData()) : QImage();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << !image.isNull();
    if (!image.isNull()) writeImage(out, image);
    QStringList formats = data.formats();
    formats.removeAll(kQtImage);
    out << quint32(formats.size());
    for (const QString& format : formats) out << format << data.data(format);
    return out.status() == QDataStream::Ok ? bytes : QByteArray();
}

std::unique_ptr<QMimeData> decodeClipboard(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray magic;
    bool hasImage = false;
    in >> magic >> hasImage;
    if (in.status() != QDataStream::Ok || magic != kMagic) return nullptr;
    auto data = std::make_unique<QMimeData>();
    if (hasImage) {
        const QImage image = readImage(in);
        if (image.isNull()) return nullptr;
        data->setImageData(image);
    }
    quint32 count = 0;
    in >> count;
    if (count > kMaxFormats) return nullptr;
    for (quint32 i = 0; i < count; ++i) {
        QString format;
        QByteArray value;
        in >> format >> value;
        if (in.status() != QDataStream::Ok || format.isEmpty()) return nullptr;
        data->setData(format, value);
    }
    if (in.status() != QDataStream::Ok || !buffer.atEnd()) return nullptr;
    return data;
}

}  // namespace ximora::platform
