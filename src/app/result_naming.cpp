#include "app/result_naming.h"

#include <QDir>

#include "util/usr.h"

namespace ximora::app {

namespace {
// The leading decimal number of `text`; 0 when it does not start with a digit.
int leadingNumber(const QString& text) {
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit() && digits < 9) ++digits;
    return digits == 0 ? 0 : text.left(digits).toInt();
}

QStringList matchingFiles(const QString& folder, const QString& pattern) {
    QStringList names;
    const QStringList all = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : all)
        if (Usr::MatchesPattern(name, pattern)) names << name;
    return names;
}
}  // namespace

int nextStoreNumber(const QString& folder, const QString& prefix, QString ext) {
    if (ext.isEmpty()) ext = QStringLiteral("jpg");
    // The prefix and the extension are taken as they are written: "#", "[", "*" and "?" in
    // them match only themselves.
    const QString suffix = '.' + ext;
    int largest = 0;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (name.size() < prefix.size() + suffix.size() || !name.startsWith(prefix) ||
            !name.endsWith(suffix))
            continue;
        // The number follows the prefix, before the extension.
        const QString middle = name.mid(prefix.size(), name.size() - prefix.size() - suffix.size());
        largest = std::max(largest, leadingNumber(middle));
    }
    return largest + 1;
}

QString storeFileName(const QString& prefix, int number, const QString& ext) {
    return prefix + QString::number(number).rightJustified(number > 999 ? 4 : 3, '0') + "." + ext;
}

QString folderJobFile(const QString& folder, QString name, int colourCode, bool& gif) {
    gif = false;
    if (!name.contains('.')) name += QStringLiteral(".*");
    const bool openExtension = name.endsWith(QStringLiteral(".*"));
    int largest = 0;
    for (const QString& file : matchingFiles(folder, name)) {
        const qsizetype dot = file.lastIndexOf('.');
        if (dot < 3) continue;
        largest = std::max(largest, leadingNumber(file.mid(dot - 3, 3)));
    }
    name.replace(QStringLiteral("*."), QString::number(largest + 1).rightJustified(3, '0') + ".");
    if (openExtension) {
        gif = colourCode == 80 || colourCode == 40 || colourCode == 8 || colourCode == 4 ||
              colourCode == 1;
        name.chop(2);
        name += gif ? QStringLiteral(".gif") : QStringLiteral(".jpg");
    }
    return folder + "/" + name;
}

}  // namespace ximora::app
