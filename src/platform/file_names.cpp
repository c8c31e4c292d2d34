#include "platform/file_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>

#include "platform/cp932.h"

namespace ximora::platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `p` (of `left` bytes), or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not).
int validSequence(const unsigned char* p, qsizetype left) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    int length = 0;
    char32_t value = 0, least = 0;
    if ((c & 0xE0) == 0xC0)
        length = 2, value = c & 0x1F, least = 0x80;
    else if ((c & 0xF0) == 0xE0)
        length = 3, value = c & 0x0F, least = 0x800;
    else if ((c & 0xF8) == 0xF0)
        length = 4, value = c & 0x07, least = 0x10000;
    else
        return 0;
    if (left < length) return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

bool statPath(const QString& path, struct stat& info) {
    return ::stat(encodePath(path).constData(), &info) == 0;
}

}  // namespace

QString decodePath(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype at = 0; at < bytes.size();) {
        const int length = validSequence(p + at, bytes.size() - at);
        if (length == 0) {
            out += QChar(char16_t(kEscapeBase | p[at]));
            ++at;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + at, length);
        at += length;
    }
    return out;
}

QString decodePath(const std::string& bytes) {
    return decodePath(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

QByteArray encodePath(const QString& path) {
    QByteArray out;
    out.reserve(path.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        if (u < 0xDC80 || u > 0xDCFF) continue;
        // A low surrogate right after a high one is a character; alone it is an escaped byte.
        if (i > 0 && QChar::isHighSurrogate(path[i - 1].unicode())) continue;
        out += QStringView(path).mid(start, i - start).toUtf8();
        out += char(u & 0xFF);
        start = i + 1;
    }
    out += QStringView(path).mid(start).toUtf8();
    return out;
}

QString displayPath(const QString& path) {
    const auto escapedByte = [](QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; };
    if (std::none_of(path.begin(), path.end(), escapedByte)) return path;
    // Names from Windows are Shift-JIS: a part of the path that reads as CP932 is shown so.
    QStringList parts = path.split(QLatin1Char('/'));
    for (QString& part : parts) {
        if (std::none_of(part.begin(), part.end(), escapedByte)) continue;
        if (const std::optional<QString> text = fromCp932(encodePath(part))) {
            part = *text;
            continue;
        }
        for (QChar& c : part)
            if (escapedByte(c)) c = QChar(0xFFFD);
    }
    return parts.join(QLatin1Char('/'));
}

bool pathExists(const QString& path) {
    struct stat info {};
    return statPath(path, info);
}

bool isRegularFile(const QString& path) {
    struct stat info {};
    return statPath(path, info) && S_ISREG(info.st_mode);
}

bool isFolder(const QString& path) {
    struct stat info {};
    return statPath(path, info) && S_ISDIR(info.st_mode);
}

bool isReadOnlyFile(const QString& path) {
    struct stat info {};
    if (!statPath(path, info) || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & 0222) == 0 || ::access(encodePath(path).constData(), W_OK) != 0;
}

}  // namespace ximora::platform
