#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <vector>

#include "platform/atomic_file.h"

namespace ximora::platform {
namespace {

struct Section {
    QString header;           // "[Print]"
    QList<QString> keyLines;  // "key=value", as QSettings writes them
};

// The sections and key lines of an INI text that QSettings wrote.
std::vector<Section> sectionsOf(const QString& text) {
    std::vector<Section> sections;
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'['))
            sections.push_back({trimmed, {}});
        else if (trimmed.contains(u'=') && !sections.empty())
            sections.back().keyLines.append(trimmed);
    }
    return sections;
}

QString keyOf(const QString& line) { return line.left(line.indexOf(u'=')).trimmed(); }

// `original` with the key lines of `laidOut` put in: a key's line replaced where the file has
// it, a new key after the last key line of its section, a new section at the end. Comments,
// blank lines, the order of keys and the line ends stay as the file has them.
QString splice(const QString& original, const std::vector<Section>& laidOut) {
    const QString lineEnd =
        original.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QList<QString> lines = original.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (const Section& section : laidOut) {
        qsizetype header = -1;
        for (qsizetype i = 0; i < lines.size() && header < 0; ++i)
            if (lines[i].trimmed() == section.header) header = i;
        if (header < 0) {
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(QString());
            lines.append(section.header);
            lines.append(section.keyLines);
            continue;
        }
        for (const QString& keyLine : section.keyLines) {
            qsizetype lastKey = header, found = -1;
            for (qsizetype i = header + 1; i < lines.size(); ++i) {
                const QString trimmed = lines[i].trimmed();
                if (trimmed.startsWith(u'[')) break;
                if (trimmed.startsWith(u';') || trimmed.startsWith(u'#') || !trimmed.contains(u'='))
                    continue;
                lastKey = i;
                if (keyOf(trimmed) == keyOf(keyLine)) {
                    found = i;
                    break;
                }
            }
            if (found >= 0)
                lines[found] = keyLine;
            else
                lines.insert(lastKey + 1, keyLine);
        }
    }
    return lines.join(lineEnd) + lineEnd;
}

}  // namespace

bool writeIniValues(const QString& path, const QVariantMap& values, QString* error) {
    const auto failed = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QTemporaryDir scratch;
    if (!scratch.isValid()) return failed(scratch.errorString());

    // What the file holds now, and every value it is to hold afterwards.
    QByteArray original;
    QVariantMap expected;
    if (QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("%1 を読み込めません").arg(path));
        original = file.readAll();
        const QString copy = scratch.filePath(QStringLiteral("old.ini"));
        QFile copyFile(copy);
        if (!copyFile.open(QIODevice::WriteOnly) || copyFile.write(original) != original.size())
            return failed(QStringLiteral("%1 を読み込めません").arg(path));
        copyFile.close();
        const QSettings old(copy, QSettings::IniFormat);
        for (const QString& key : old.allKeys()) expected.insert(key, old.value(key));
    }
    expected.insert(values);

    // QSettings writes the new values alone, escaped as it reads them; their lines then go
    // into the file's own text.
    const QString layoutPath = scratch.filePath(QStringLiteral("values.ini"));
    {
        QSettings layout(layoutPath, QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it) layout.setValue(it.key(), *it);
        layout.sync();
        if (layout.status() != QSettings::NoError)
            return failed(QStringLiteral("%1 を書き込めません").arg(path));
    }
    QFile layoutFile(layoutPath);
    if (!layoutFile.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("%1 を書き込めません").arg(path));
    const QByteArray bytes =
        splice(QString::fromUtf8(original), sectionsOf(QString::fromUtf8(layoutFile.readAll())))
            .toUtf8();

    // The new text is trusted only when it reads back as intended, every key of it.
    const QString checkCopy = scratch.filePath(QStringLiteral("check.ini"));
    QFile checkFile(checkCopy);
    if (!checkFile.open(QIODevice::WriteOnly) || checkFile.write(bytes) != bytes.size() ||
        !checkFile.flush())
        return failed(QStringLiteral("%1 を書き込めません").arg(path));
    checkFile.close();
    const QSettings check(checkCopy, QSettings::IniFormat);
    if (check.allKeys().size() != expected.size())
        return failed(QStringLiteral("%1 を書き込めません").arg(path));
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QVariant stored = check.value(it.key());
        const bool same = it->typeId() == QMetaType::QStringList
                              ? stored.toStringList() == it->toStringList()
                              : stored.toString() == it->toString();
        if (!same) return failed(QStringLiteral("%1 を書き込めません").arg(path));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, bytes, error);
}

}  // namespace ximora::platform
