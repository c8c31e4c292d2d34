#include "app/launch_file.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "engine/core/error.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"

namespace ximora::app {

namespace {
constexpr int kPathField = 255;
constexpr int kNameField = 10;

float readSingle(const QByteArray& b, int at) {
    const quint32 bits = qFromLittleEndian<quint32>(b.constData() + at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool readFlag(const QByteArray& b, int at) {
    return qFromLittleEndian<qint16>(b.constData() + at) != 0;
}

void writeFlag(QByteArray& b, int at, bool value) {
    qToLittleEndian<qint16>(value ? -1 : 0, b.data() + at);
}

std::optional<QString> readText(const QByteArray& b, int at, int width) {
    QByteArray field = b.mid(at, width);
    const qsizetype nul = field.indexOf('\0');
    if (nul >= 0) field.truncate(nul);
    const auto text = platform::fromCp932(field);
    if (!text) return std::nullopt;
    return TrimFix(*text);
}

bool writeText(QByteArray& b, int at, int width, const QString& text) {
    const auto bytes = platform::toCp932(text);
    if (!bytes || bytes->size() > width) return false;
    b.replace(at, width, bytes->leftJustified(width, ' '));
    return true;
}

QString trimSpaces(const QString& text) {
    qsizetype from = 0, to = text.size();
    while (from < to && text[from] == ' ') ++from;
    while (to > from && text[to - 1] == ' ') --to;
    return text.mid(from, to - from);
}
}  // namespace

LaunchKind launchKindOf(const QString& path) {
    const QString name = QFileInfo(path).fileName().toUpper();
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0 || name.mid(dot + 1) != QLatin1String("PDAT")) return LaunchKind::None;
    const QString kind = name.left(dot);
    if (kind == QLatin1String("PC_FL")) return LaunchKind::File;
    if (kind == QLatin1String("PC_CP")) return LaunchKind::Clipboard;
    if (kind == QLatin1String("PC_HT")) return LaunchKind::Folder;
    return LaunchKind::None;
}

int launchRecordSize(LaunchKind kind) {
    switch (kind) {
        case LaunchKind::File:
            return 273;
        case LaunchKind::Clipboard:
            return 12;
        case LaunchKind::Folder:
            return 532;
        case LaunchKind::None:
            break;
    }
    return 0;
}

QString TrimFix(const QString& field) {
    QString text = trimSpaces(field);
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) text.truncate(nul);
    return trimSpaces(text);
}

bool readLaunchFile(const QString& file, LaunchKind kind, LaunchRecord& record, QString& error) {
    const int size = launchRecordSize(kind);
    QFile f(file);
    if (size == 0 || !f.open(QIODevice::ReadOnly)) {
        error = "起動ﾌｧｲﾙ " + file + " を開けません";
        return false;
    }
    const QByteArray b = f.readAll();
    if (b.size() < size) {
        error = "起動ﾌｧｲﾙ " + file + " が壊れています (" + QString::number(b.size()) +
                " ﾊﾞｲﾄ、必要なのは " + QString::number(size) + " ﾊﾞｲﾄ)";
        return false;
    }
    LaunchRecord r;
    r.kind = kind;
    r.bytes = b;
    std::optional<QString> path, name;
    switch (kind) {
        case LaunchKind::File:
            path = readText(b, 0, kPathField);
            name = QString();
            r.width = readSingle(b, 255);
            r.height = readSingle(b, 259);
            r.twips = readFlag(b, 263);
            r.open = readFlag(b, 265);
            r.dpi = qFromLittleEndian<qint32>(b.constData() + 267);
            r.ok = readFlag(b, 271);
            break;
        case LaunchKind::Clipboard:
            path = name = QString();
            r.width = readSingle(b, 0);
            r.height = readSingle(b, 4);
            r.twips = readFlag(b, 8);
            r.ok = readFlag(b, 10);
            break;
        case LaunchKind::Folder:
            path = readText(b, 0, kPathField);
            name = readText(b, 255, kNameField);
            r.resultPath = readText(b, 265, kPathField).value_or(QString());
            r.width = readSingle(b, 520);
            r.height = readSingle(b, 524);
            r.twips = true;
            r.gif = readFlag(b, 528);
            r.ok = readFlag(b, 530);
            break;
        case LaunchKind::None:
            break;
    }
    if (!path || !name) {
        error = "起動ﾌｧｲﾙ " + file + " の文字列が読み込めません (CP932 ではありません)";
        return false;
    }
    r.path = *path;
    r.name = *name;
    record = std::move(r);
    return true;
}

QString launchRecordProblem(const QString& file, const LaunchRecord& record) {
    const QString prefix = "起動ﾌｧｲﾙ " + file + " ";
    const auto folderOf = [](const QString& path) { return QFileInfo(path).absolutePath(); };
    switch (record.kind) {
        case LaunchKind::File:
            if (record.path.isEmpty()) return prefix + "に画像ﾌｧｲﾙが指定されていません";
            if (QFileInfo(record.path).isDir())
                return prefix + "の " + record.path + " はﾌｧｲﾙではなくﾌｫﾙﾀﾞです";
            if (!QFileInfo::exists(record.path) && !QFileInfo(folderOf(record.path)).isDir())
                return prefix + "の " + record.path + " のﾌｫﾙﾀﾞ " + folderOf(record.path) +
                       " が見つかりません";
            break;
        case LaunchKind::Folder:
            if (record.path.isEmpty()) return prefix + "に保存先ﾌｫﾙﾀﾞが指定されていません";
            if (QFileInfo::exists(record.path) && !QFileInfo(record.path).isDir())
                return prefix + "の保存先 " + record.path + " はﾌｫﾙﾀﾞではありません";
            if (!QFileInfo(record.path).isDir() && !QFileInfo(folderOf(record.path)).isDir())
                return prefix + "の保存先ﾌｫﾙﾀﾞ " + record.path + " を作成できません (ﾌｫﾙﾀﾞ " +
                       folderOf(record.path) + " が見つかりません)";
            break;
        case LaunchKind::Clipboard:
        case LaunchKind::None:
            break;
    }
    return {};
}

bool encodeLaunchFile(const QString& file, const LaunchRecord& record, QByteArray& bytes,
                      QString& error) {
    QByteArray b = record.bytes;
    if (b.size() < launchRecordSize(record.kind)) {
        error = "起動ﾌｧｲﾙ " + file + " の内容がありません";
        return false;
    }
    bool fits = true;
    switch (record.kind) {
        case LaunchKind::File:
            // The path is written back only when the job changed it, so an unchanged record
            // keeps its bytes exactly.
            if (readText(b, 0, kPathField) != record.path)
                fits = writeText(b, 0, kPathField, record.path);
            writeFlag(b, 271, record.ok);
            break;
        case LaunchKind::Clipboard:
            writeFlag(b, 10, record.ok);
            break;
        case LaunchKind::Folder:
            fits = writeText(b, 265, kPathField, record.resultPath);
            writeFlag(b, 528, record.gif);
            writeFlag(b, 530, record.ok);
            break;
        case LaunchKind::None:
            break;
    }
    if (!fits) {
        error = "起動ﾌｧｲﾙ " + file + " に結果を書き込めません (ﾊﾟｽが長すぎるか CP932 で表せません)";
        return false;
    }
    bytes = std::move(b);
    return true;
}

bool writeLaunchFile(const QString& file, const LaunchRecord& record, QString& error) {
    QByteArray bytes;
    if (!encodeLaunchFile(file, record, bytes, error)) return false;
    QString why;
    if (platform::writeFileAtomically(file, bytes, &why)) return true;
    // A record whose folder refuses new files, or a disk too full for another copy of it, is
    // answered in place: its length does not change, so it needs no new space.
    if (platform::rewriteFileInPlace(file, bytes, nullptr)) return true;
    error = "起動ﾌｧｲﾙ " + file + " に結果を書き込めません\r" + why;
    return false;
}

}  // namespace ximora::app
