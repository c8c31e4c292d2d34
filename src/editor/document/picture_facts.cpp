#include "editor/document/picture_facts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "engine/codecs/page_count.h"
#include "platform/file_names.h"

namespace ximora::editor {
namespace {

qint64 colourCount(const engine::Image& image) {
    return qint64(1) << std::min(image.bitsPerPixel(), 62);
}

int dpiOr72(int dpi) { return dpi == 0 ? 72 : dpi; }

}  // namespace

QString formatThousands(qint64 value) {
    if (value == 0) return {};
    // The C locale groups by comma regardless of the user's locale, as the texts expect.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(value);
}

QString colourCodeText(const engine::Image& image) {
    if (image.empty()) return {};
    return QString::number(image.colourCode()) + '.';
}

bool codeIn(const QString& code, const QString& dottedList) {
    return !code.isEmpty() && dottedList.contains('.' + code);
}

QString infoText(const engine::Image& image, qint64 fileSize, int pages) {
    const int bits = image.bitsPerPixel();
    QString text = QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ:") + formatThousands(qint64(image.dataSize())) +
                   QStringLiteral("  色数:") + formatThousands(colourCount(image)) + " (" +
                   QString::number(bits) + "bit)";
    if (fileSize != 0) text += QStringLiteral("  ﾌｧｲﾙｻｲｽﾞ: ") + formatThousands(fileSize);
    if (pages > 1) text += QStringLiteral("  ﾍﾟｰｼﾞ数:") + formatThousands(pages);
    return text;
}

int filePages(const QString& path) {
    if (path.isEmpty()) return 1;
    struct Known {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        int pages = 1;
    };
    thread_local Known known;
    const QFileInfo info(path);
    if (known.path != path || known.size != info.size() || known.modified != info.lastModified())
        known = {path, info.size(), info.lastModified(),
                 engine::countFilePages(platform::encodePath(path).toStdString())};
    return known.pages;
}

QString detailsText(const engine::Image& image, qint64 fileSize) {
    const QChar cr('\r');
    const int bits = image.bitsPerPixel();
    return QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ: ") + formatThousands(qint64(image.dataSize())) + cr +
           QStringLiteral("巾: ") + formatThousands(image.width()) + QStringLiteral("ﾋﾟｸｾﾙ") + cr +
           QStringLiteral("高さ: ") + formatThousands(image.height()) + QStringLiteral("ﾋﾟｸｾﾙ") +
           cr + cr + QStringLiteral("解像度巾: ") + formatThousands(dpiOr72(image.dpiX)) +
           QStringLiteral("ﾋﾟｸｾﾙ/ｲﾝﾁ") + cr + QStringLiteral("解像度高さ: ") +
           formatThousands(dpiOr72(image.dpiY)) + QStringLiteral("ﾋﾟｸｾﾙ/ｲﾝﾁ") + cr + cr +
           QStringLiteral("色数: ") + formatThousands(colourCount(image)) + " (" +
           formatThousands(bits) + "bit)" + cr + cr + QStringLiteral("ﾌｧｲﾙｻｲｽﾞ: ") +
           formatThousands(fileSize) + cr + cr + QStringLiteral("***  Clipboard に貼り付けました");
}

}  // namespace ximora::editor
