#include "editor/document/undo_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"

namespace ximora::editor {

UndoStore::~UndoStore() = default;

void UndoStore::setWorkFolder(const QString& folder, Kind kind) {
    if (folder != workFolder_ || kind != kind_) cleanUp();
    workFolder_ = folder;
    kind_ = kind;
}

bool UndoStore::ensureFolder() {
    if (!privateFolder_.isEmpty() && QFileInfo(privateFolder_).isDir()) return true;
    if (workFolder_.isEmpty()) return false;
    QDir().mkpath(workFolder_);
    QTemporaryDir made(workFolder_ + QStringLiteral("Undo-XXXXXX"));
    if (!made.isValid()) return false;
    made.setAutoRemove(false);
    privateFolder_ = made.path() + '/';
    return true;
}

QString UndoStore::snapshotName(int k) const {
    return privateFolder_ + QStringLiteral("$$Undo") +
           QStringLiteral("%1").arg(k, 3, 10, QChar('0')) + QStringLiteral(".bmp");
}

UndoStore::Push UndoStore::push(const engine::Image& image) {
    if (count_ >= kLimit) return Push::Overflow;
    ++count_;
    switch (kind_) {
        case Kind::CountOnly:
            return Push::Written;
        case Kind::Memory:
            if (memory_.size() < size_t(count_)) memory_.resize(size_t(count_));
            memory_[size_t(count_ - 1)] = image;
            return Push::Written;
        case Kind::Files:
            break;
    }
    if (!ensureFolder()) {
        engine::setLastError(engine::kErrCannotCreate);
        return Push::WriteFailed;
    }
    // A snapshot is scratch: written plainly, without the flush to disk that a save needs.
    engine::SaveOptions options;
    options.format = engine::kSaveBmp;
    std::vector<uint8_t> bytes;
    QFile file(snapshotName(count_));
    bool ok = engine::encodeImage(image, options, bytes);
    if (ok && !(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
                    qint64(bytes.size()) &&
                file.flush())) {
        ok = false;
        engine::setLastError(engine::kErrCannotWrite);
    }
    file.close();
    if (!ok) file.remove();  // never undo to an older, stale snapshot of the same number
    return ok ? Push::Written : Push::WriteFailed;
}

bool UndoStore::load(engine::Image& out, QString& path) const {
    path.clear();
    if (count_ < 1) return false;
    if (kind_ == Kind::Memory) {
        if (memory_.size() < size_t(count_) || memory_[size_t(count_ - 1)].empty()) return false;
        out = memory_[size_t(count_ - 1)];
        return true;
    }
    if (kind_ != Kind::Files || privateFolder_.isEmpty()) return false;
    const QString name = snapshotName(count_);
    if (!QFileInfo::exists(name)) return false;
    engine::Image loaded;
    if (!engine::loadImage(QFile::encodeName(name).toStdString(), loaded)) return false;
    out = std::move(loaded);
    path = name;
    return true;
}

void UndoStore::cleanUp() {
    memory_.clear();
    count_ = 0;
    if (privateFolder_.isEmpty()) return;
    QDir dir(privateFolder_);
    for (const QString& name : dir.entryList({QStringLiteral("$$*.bmp")}, QDir::Files))
        dir.remove(name);
    QDir().rmdir(privateFolder_);
    privateFolder_.clear();
}

}  // namespace ximora::editor
