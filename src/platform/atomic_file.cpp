#include "platform/atomic_file.h"

#include <QFile>

#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "platform/file_names.h"

namespace ximora::platform {
namespace {

bool reported(bool ok, QString* error) {
    if (!ok && error) *error = QString::fromStdString(engine::lastErrorMessage());
    return ok;
}

const uint8_t* bytesOf(const QByteArray& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    return reported(engine::writeFileAtomically(encodePath(path).toStdString(), bytesOf(bytes),
                                                size_t(bytes.size())),
                    error);
}

bool rewriteFileInPlace(const QString& path, const QByteArray& bytes, QString* error) {
    return reported(engine::rewriteFileInPlace(encodePath(path).toStdString(), bytesOf(bytes),
                                               size_t(bytes.size())),
                    error);
}

}  // namespace ximora::platform
