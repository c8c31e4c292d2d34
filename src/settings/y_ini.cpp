#include "settings/y_ini.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/program_path.h"
#include "settings/character_references.h"
#include "util/message_service.h"

namespace ximora::settings {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kRoot = QStringLiteral("運用");

std::unique_ptr<YIni>& store() {
    static std::unique_ptr<YIni> instance;
    return instance;
}

// The leading number of a text with "." as the decimal separator, 0 when there is none.
double leadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^[ \t]*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}
// Every line end as CR LF, the only one the element reader and writer know: a file edited
// into LF (or CR) line ends is read and written back in one style.
QString withCrLfLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(QStringLiteral("\n"), kCrLf);
}
}  // namespace

YIni* yIni() { return store().get(); }
void setYIni(std::unique_ptr<YIni> s) { store() = std::move(s); }
void releaseYIni() { store().reset(); }

YIni::YIni(QString programFolder)
    : programFolder_(programFolder.isEmpty() ? platform::programFolder()
                                             : std::move(programFolder)) {
    if (!programFolder_.endsWith('/')) programFolder_ += '/';
}

QString YIni::skeleton() {
    return "<?xml version='1.0' encoding='Shift-JIS' ?>" + kCrLf + "<" + kRoot + ">" + kCrLf +
           "</" + kRoot + ">" + kCrLf;
}

bool YIni::GetTxt(const QString& path) {
    document_.clear();
    unreadable_ = false;
    keptCopy_.clear();
    writeError_.clear();
    filePath_ = path;
    const qsizetype dv = filePath_.indexOf(QStringLiteral("_DV.xml"), 0, Qt::CaseInsensitive);
    if (dv >= 0) filePath_.replace(dv, 7, QStringLiteral(".xml"));

    if (!QFileInfo::exists(filePath_)) {
        document_ = skeleton();
        return platform::writeFileAtomically(filePath_, {}, &writeError_);
    }
    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable_ = true;  // a file we may not read is never replaced either
        return false;
    }
    if (const std::optional<QString> document = settingsDocument(file.readAll())) {
        document_ = *document;
        return true;
    }
    // Not text, or not the program's settings at all: the file is kept under a dated name and
    // the program goes on with its defaults. Without that copy it is never overwritten.
    document_ = skeleton();
    reportBroken(kRoot);
    if (keptCopy_.isEmpty()) unreadable_ = true;
    return false;
}

bool YIni::peekTxt(const QString& path) {
    QFile file(path);
    const std::optional<QString> document =
        file.open(QIODevice::ReadOnly) ? settingsDocument(file.readAll()) : std::nullopt;
    if (!document) return false;
    document_ = *document;
    return true;
}

std::optional<QString> YIni::settingsDocument(const QByteArray& bytes) {
    const std::optional<QString> text = decodeSettingsText(bytes);
    // Blank lines before the declaration are an editor's doing, not a reason to drop it all.
    qsizetype start = 0;
    while (text && start < text->size() && text->at(start).isSpace()) ++start;
    if (!text || (start < text->size() && text->indexOf("<" + kRoot + ">") < 0))
        return std::nullopt;
    return start == text->size() ? skeleton() : withCrLfLineEnds(text->mid(start));
}

std::optional<QString> YIni::decodeSettingsText(const QByteArray& bytes) {
    // A file saved by a text editor may carry a byte-order mark; its text is then Unicode.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const QByteArray rest = bytes.mid(3);
        const QString text = QString::fromUtf8(rest);
        if (text.toUtf8() == rest) return text;
        return std::nullopt;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        QString text;
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const uchar a = uchar(bytes[i]), b = uchar(bytes[i + 1]);
            text += QChar(little ? ushort(a | b << 8) : ushort(a << 8 | b));
        }
        return text;
    }
    // Valid UTF-8 with characters beyond ASCII is almost never CP932 text: CP932's single-byte
    // katakana and most of its second bytes are not valid UTF-8 sequences.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8(bytes);
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii && !utf8.hasError()) return asUtf8;
    return platform::fromCp932(bytes);
}

bool YIni::keepCopyOfFile() {
    if (!keptCopy_.isEmpty()) return true;
    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    const QFileInfo info(filePath_);
    const QString stem = info.dir().filePath(
        info.completeBaseName() + "." +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString copy = stem + ".xml";
    for (int n = 2; QFileInfo::exists(copy); ++n) copy = stem + "-" + QString::number(n) + ".xml";
    if (!platform::writeFileAtomically(copy, bytes)) return false;
    keptCopy_ = copy;
    return true;
}

void YIni::reportBroken(const QString& name) {
    QString text = "<" + name + "> の設定が読み込めません" + "\r" + "ﾕｰｻﾞｰ環境ﾌｧｲﾙ(" + filePath_ +
                   ") が破損しています";
    // The first time, the file as it stands is kept beside it: what the program writes at its
    // end replaces only what it could read.
    if (keptCopy_.isEmpty() && keepCopyOfFile())
        text += "\r" + QStringLiteral("元のﾌｧｲﾙは ") + keptCopy_ + QStringLiteral(" に残しました");
    util::messages().message(text);
}

QString YIni::GtElm(int level, const QString& name) {
    const QString& text = level == 0 ? document_ : groupText_;
    if (text.isEmpty()) return {};
    const qsizetype open = text.indexOf("<" + name + ">");
    const qsizetype close = text.indexOf("</" + name + ">");
    if (open < 0 && close < 0) return {};
    if (open < 0 || close < 0 || close < open) {
        reportBroken(name);
        return {};
    }
    const qsizetype start = open + name.size() + 2;
    if (level == 1) return text.mid(start, close - start);
    // Skip the CR LF after the opening tag and the indentation before the closing tag.
    const qsizetype length = close - (start + 2) - 3;
    return length > 0 ? text.mid(start + 2, length) : QString();
}

void YIni::GetGtx(const QString& group) {
    groupName_ = group;
    groupText_ = GtElm(0, group);
}

QString YIni::vGtVal(const QString& key, const QString& fallback) {
    const QString stored = GtElm(1, key);
    return stored.isEmpty() ? fallback : withoutCharacterReferences(stored);
}

QString YIni::vGtVal(const QString& key, const char* fallback) {
    return vGtVal(key, QString::fromUtf8(fallback));
}

bool YIni::vGtVal(const QString& key, bool fallback) {
    const QString stored = GtElm(1, key).trimmed();
    if (stored.isEmpty()) return fallback;
    if (stored.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (stored.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool isNumber = false;
    const double number = stored.toDouble(&isNumber);
    return isNumber ? number != 0.0 : fallback;
}

double YIni::vGtVal(const QString& key, int fallback) {
    return vGtVal(key, static_cast<double>(fallback));
}

double YIni::vGtVal(const QString& key, double fallback) {
    const QString stored = GtElm(1, key);
    return stored.isEmpty() ? fallback : leadingNumber(stored);
}

QDate YIni::vGtVal(const QString& key, const QDate& fallback) {
    const QString stored = GtElm(1, key).trimmed();
    if (stored.isEmpty()) return fallback;
    QDate date = QLocale().toDate(stored, QLocale::ShortFormat);
    if (!date.isValid()) date = QDate::fromString(stored, Qt::ISODate);
    return date.isValid() ? date : fallback;
}

QString YIni::MkElm(bool group, const QString& name, const QString& value) {
    if (group) return "   <" + name + ">" + kCrLf + value + "   </" + name + ">" + kCrLf;
    return "      <" + name + ">" + value + "</" + name + ">" + kCrLf;
}

void YIni::SetVal(const QString& key, const QString& value) {
    QString text = value;
    text.replace(kCrLf, QStringLiteral(" "));
    for (const QChar c : {QChar('\r'), QChar('\n'), QChar(0x2021)}) text.replace(c, ' ');
    text = withCharacterReferences(text);
    const QString openTag = "<" + key + ">";
    const qsizetype open = groupText_.indexOf(openTag);
    const qsizetype close = open >= 0 ? groupText_.indexOf("</" + key + ">", open + 1) : -1;
    if (open >= 0 && close >= 0) {
        groupText_ = groupText_.left(open + openTag.size()) + text + groupText_.mid(close);
        return;
    }
    groupText_ += MkElm(false, key, text);
}

void YIni::SetVal(const QString& key, const char* value) { SetVal(key, QString::fromUtf8(value)); }

void YIni::SetVal(const QString& key, bool value) {
    SetVal(key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

void YIni::SetVal(const QString& key, int value) { SetVal(key, QString::number(value)); }

void YIni::SetVal(const QString& key, double value) {
    SetVal(key, QString::number(value, 'g', 15));
}

void YIni::SetVal(const QString& key, const QDate& value) {
    SetVal(key, QLocale().toString(value, QLocale::ShortFormat));
}

void YIni::SetGtx() {
    if (groupName_.isEmpty()) return;  // no group selected: nothing to put back
    if (document_.isEmpty()) document_ = skeleton();
    const qsizetype open = document_.indexOf("<" + groupName_ + ">");
    if (open >= 0) {
        const qsizetype after = open + groupName_.size() + 3;  // the LF ending the opening line
        const qsizetype close = document_.indexOf("</" + groupName_ + ">", after);
        if (after < document_.size() && close >= 0) {
            document_ = document_.left(after + 1) + groupText_ + "   " + document_.mid(close);
            return;
        }
    }
    const QString rootClose = "</" + kRoot + ">";
    qsizetype at = document_.indexOf(rootClose);
    if (at < 0) {
        // A document cut short: close the root first so the new group lands inside it.
        if (!document_.endsWith(kCrLf)) document_ += kCrLf;
        at = document_.size();
        document_ += rootClose + kCrLf;
    }
    document_.insert(at, MkElm(true, groupName_, groupText_));
}

bool YIni::SetTxt() {
    writeError_.clear();
    if (filePath_.isEmpty() || unreadable_) return false;
    return platform::writeFileAtomically(filePath_, platform::toCp932Replacing(document_),
                                         &writeError_);
}

}  // namespace ximora::settings
