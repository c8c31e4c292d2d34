#include "platform/cp932.h"

#include <iconv.h>

#include <QByteArrayView>
#include <QList>
#include <algorithm>
#include <cerrno>

namespace ximora::platform {

namespace {
// One conversion with a fresh descriptor, so callers on any thread never share iconv state.
std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    QByteArray output;
    output.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    size_t done = 0;
    bool ok = true;
    while (true) {
        char* out = output.data() + done;
        size_t outLeft = static_cast<size_t>(output.size()) - done;
        // A final call with no input flushes any pending state.
        const size_t r = inLeft ? iconv(cd, &in, &inLeft, &out, &outLeft)
                                : iconv(cd, nullptr, nullptr, &out, &outLeft);
        done = static_cast<size_t>(out - output.data());
        if (r != static_cast<size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        ok = false;  // EILSEQ: not convertible; EINVAL: truncated sequence
        break;
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    output.truncate(static_cast<qsizetype>(done));
    return output;
}
// CP932's bytes below 0x80 are ASCII's, one for one: text of those alone needs no converter,
// whose loading costs more than reading most settings files.
bool isAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

}  // namespace

std::optional<QByteArray> toCp932(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8)) return utf8;
    return convert("CP932", "UTF-8", utf8);
}

QByteArray toCp932Replacing(const QString& text) {
    if (auto whole = toCp932(text)) return *whole;
    QByteArray out;
    const QList<uint> codes = text.toUcs4();
    for (const uint code : codes) {
        const char32_t point = code;
        const auto one = toCp932(QString::fromUcs4(&point, 1));
        out += one ? *one : QByteArray("?");
    }
    return out;
}

std::optional<QString> fromCp932(const QByteArray& bytes) {
    if (isAscii(bytes)) return QString::fromLatin1(bytes);
    auto utf8 = convert("UTF-8", "CP932", bytes);
    if (!utf8) return std::nullopt;
    return QString::fromUtf8(*utf8);
}

}  // namespace ximora::platform
