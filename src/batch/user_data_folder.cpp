#include "user_data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <filesystem>

namespace ximora::batch {
namespace {

// The program name is "ximora" for the batch tool too: it shares the editor's data.
constexpr const char* kProgramName = "ximora";

QString withSlash(QString folder) {
    if (!folder.endsWith('/')) folder += '/';
    return folder;
}

QString perUserDefault() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty()) base = QDir::homePath() + "/.local/share";
    return withSlash(base) + "Quorvel/" + kProgramName + "/";
}

QString documentsDefault() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QFileInfo(documents).isDir()) documents = QDir::homePath();
    return withSlash(documents) + "Quorvel/" + kProgramName + "/";
}

// The pointer file is written in CP932; its tokens are ASCII, a folder may not be.
QString decodePointer(const QByteArray& bytes) {
    QStringDecoder cp932("Shift_JIS");
    if (cp932.isValid()) {
        QString text = cp932.decode(bytes);
        if (!cp932.hasError()) return text;
    }
    return QString::fromUtf8(bytes);
}

}  // namespace

std::string userDataFolder() {
    // The program's own folder, without needing a QCoreApplication.
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    const QString programFolder = withSlash(QFile::decodeName(program.parent_path().c_str()));
    QFile pointer(programFolder + "UserData.ini");
    QString token = "%applicaion data%";
    if (pointer.open(QIODevice::ReadOnly)) {
        const QString content = decodePointer(pointer.readAll());
        if (!content.isEmpty() && !content.startsWith('\n') && !content.startsWith('\r'))
            token = content;
    }
    const QString lower = token.toLower();
    QString folder;
    if (lower == "%app%")
        folder = programFolder + "usData/";
    else if (lower.startsWith("%doc") || lower == "%my document%")
        folder = documentsDefault();
    else if (!lower.startsWith('%') && QFileInfo(token).isDir())
        folder = withSlash(token);
    else
        folder = perUserDefault();
    return QFile::encodeName(folder).toStdString();
}

}  // namespace ximora::batch
