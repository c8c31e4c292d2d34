#include "editor/document/save_naming.h"

#include <QDir>
#include <QFileInfo>

#include "editor/document/numeric_value.h"

namespace ximora::editor {
namespace {

int fileNameStart(const QString& path) { return int(path.lastIndexOf('/')) + 1; }

long leadingNumber(const QString& text) {
    const double value = numericValue(text);
    return value > 0 && value < 1e9 ? long(value) : 0;
}

}  // namespace

QString extensionOf(const QString& path) {
    const int dot = int(path.lastIndexOf('.'));
    if (dot < fileNameStart(path)) return {};
    return path.mid(dot + 1);
}

QString lowerCaseExtension(const QString& path) {
    const int dot = int(path.lastIndexOf('.'));
    if (dot < fileNameStart(path)) return path;
    return path.left(dot + 1) + path.mid(dot + 1).toLower();
}

QString folderOf(const QString& path) {
    const int slash = int(path.lastIndexOf('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString nextCopyName(const QString& path) {
    const int dot = int(path.lastIndexOf('.'));
    if (dot < fileNameStart(path)) return {};
    QString base = path.left(dot);
    const QString ext = path.mid(dot + 1).toLower();
    long n = 0;
    const int tilde = int(base.lastIndexOf('~'));
    if (tilde >= fileNameStart(path)) {
        n = leadingNumber(base.mid(tilde + 1));
        base = base.left(tilde);
    }
    for (;;) {
        ++n;
        const QString candidate =
            base + '~' + QStringLiteral("%1").arg(n, 2, 10, QChar('0')) + '.' + ext;
        if (!QFileInfo::exists(candidate)) return candidate;
        if (n >= 100) return {};
    }
}

QString nextSerialName(const QString& folder) {
    long next = 0;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::NoSort);
    for (const QString& name : names) {
        const QString stem = name.left(name.lastIndexOf('.'));
        next = std::max(next, leadingNumber(stem) + 1);
    }
    return folder + QStringLiteral("%1").arg(next, 5, 10, QChar('0')) + QStringLiteral(".bmp");
}

}  // namespace ximora::editor
