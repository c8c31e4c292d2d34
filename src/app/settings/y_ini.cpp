#include "app/settings/y_ini.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/program_path.h"
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
    filePath_ = path;
    const qsizetype dv = filePath_.indexOf(QStringLiteral("_DV.xml"), 0, Qt::CaseInsensitive);
    if (dv >= 0) filePath_.replace(dv, 7, QStringLiteral(".xml"));

    bool ok = true;
    if (QFileInfo::exists(filePath_)) {
        QFile file(filePath_);
        if (!file.open(QIODevice::ReadOnly)) {
            unreadable_ = true;
            return false;
        }
        const QByteArray bytes = file.readAll();
        const auto text = platform::fromCp932(bytes);
        if (!text) {
            // Not CP932: keep the file as it is and say so once.
            unreadable_ = true;
            reportBroken(kRoot);
            ok = false;
        } else if (!text->startsWith('\r') && !text->startsWith('\n')) {
            document_ = *text;
        }
    } else if (!platform::writeFileAtomically(filePath_, {})) {
        ok = false;
    }
    if (document_.isEmpty() && !unreadable_) document_ = skeleton();
    return ok;
}

void YIni::reportBroken(const QString& name) {
    util::messages().message("<" + name + "> の設定が読み込めません" + "\r" + "ﾕｰｻﾞｰ環境ﾌｧｲﾙ(" +
                             filePath_ + ") が破損しています");
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
    return stored.isEmpty() ? fallback : stored;
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
    if (filePath_.isEmpty() || unreadable_) return false;
    return platform::writeFileAtomically(filePath_, platform::toCp932Replacing(document_));
}

}  // namespace ximora::settings
