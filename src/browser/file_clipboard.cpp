#include "browser/file_clipboard.h"

#include <QMimeData>
#include <QUrl>
#include <QtEndian>

namespace ximora::browser {
namespace {

const QString kGnome = QStringLiteral("x-special/gnome-copied-files");
const QString kKde = QStringLiteral("application/x-kde-cutselection");
const QString kDropEffect = QStringLiteral("Preferred DropEffect");

}  // namespace

QMimeData* fileClipboardData(const QStringList& paths, bool cut) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QByteArray gnome = cut ? "cut" : "copy";
    for (const QString& path : paths) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls.push_back(url);
        gnome += '\n' + url.toEncoded();
    }
    data->setUrls(urls);
    data->setData(kGnome, gnome);
    data->setData(kKde, cut ? "1" : "0");
    QByteArray effect(4, '\0');
    qToLittleEndian<quint32>(cut ? kDropMove : kDropCopy | kDropLink, effect.data());
    data->setData(kDropEffect, effect);
    return data;
}

ClipboardFiles clipboardFiles(const QMimeData* data) {
    ClipboardFiles files;
    if (!data) return files;
    QList<QUrl> urls = data->urls();
    const QByteArray gnome = data->data(kGnome);
    const QList<QByteArray> gnomeLines = gnome.split('\n');
    if (urls.isEmpty() && gnomeLines.size() > 1)
        for (qsizetype i = 1; i < gnomeLines.size(); ++i)
            if (!gnomeLines[i].isEmpty()) urls.push_back(QUrl::fromEncoded(gnomeLines[i]));
    for (const QUrl& url : urls)
        if (url.isLocalFile()) files.paths.push_back(url.toLocalFile());

    const QByteArray effect = data->data(kDropEffect);
    if (effect.size() >= 4)
        files.dropEffect = int(qFromLittleEndian<quint32>(effect.constData()));
    else if (!gnome.isEmpty())
        files.dropEffect = gnomeLines.front().trimmed() == "cut"    ? kDropMove
                           : gnomeLines.front().trimmed() == "copy" ? kDropCopy | kDropLink
                                                                    : 0;
    else if (data->hasFormat(kKde))
        files.dropEffect = data->data(kKde).trimmed() == "1" ? kDropMove : kDropCopy | kDropLink;
    else if (!files.paths.isEmpty())
        files.dropEffect = kDropCopy;  // a bare URI list, as many programs offer files: a copy
    return files;
}

}  // namespace ximora::browser
