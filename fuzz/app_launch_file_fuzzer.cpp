// Launch records: any bytes either are refused or read, and rewriting changes nothing but the
// out fields.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "app/launch_file.h"

using namespace ximora::app;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = dir.filePath("PC_FL.PDAT");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return 0;
        file.write(input);
    }
    for (const LaunchKind kind : {LaunchKind::File, LaunchKind::Clipboard, LaunchKind::Folder}) {
        LaunchRecord record;
        QString error;
        if (!readLaunchFile(path, kind, record, error)) continue;
        record.ok = !record.ok;
        QByteArray out;
        if (!encodeLaunchFile(path, record, out, error)) continue;
        if (out.size() != input.size()) std::abort();
        // Bytes outside the out fields stay as they were.
        const int size_of = launchRecordSize(kind);
        for (qsizetype i = 0; i < input.size(); ++i) {
            const bool outField = (kind == LaunchKind::File && i >= 271 && i < 273) ||
                                  (kind == LaunchKind::Clipboard && i >= 10 && i < 12) ||
                                  (kind == LaunchKind::Folder && i >= 265 && i < 520) ||
                                  (kind == LaunchKind::Folder && i >= 528 && i < size_of);
            if (!outField && out[i] != input[i]) std::abort();
        }
    }
    return 0;
}
