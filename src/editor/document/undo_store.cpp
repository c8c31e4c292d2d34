#include "editor/document/undo_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

#include "editor/document/bgr_rows.h"
#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "platform/file_names.h"

namespace ximora::editor {
namespace {

void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void put32(uint8_t* p, uint32_t v) { put16(p, v), put16(p + 2, v >> 16); }

// All `size` bytes at `offset`, through short writes and interruptions.
bool writeAt(int fd, const uint8_t* data, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t done = ::pwrite(fd, data, size, offset);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done, size -= size_t(done), offset += done;
    }
    return true;
}

// Full-colour snapshots, the large ones, go from the raster to the file without a whole-file
// buffer: each worker converts its band of rows in small chunks and writes them at their place
// with pwrite on one shared handle, so the conversion of one band overlaps the copying of
// another into the file. The layout is the uncompressed 24-bit one that the engine's BMP reader
// takes back (bottom-up rows of B, G, R padded to 4 bytes, version 3 header). The file gets its
// blocks in one call before the bands are written, and a file left from an earlier step of the
// same number is reused, not truncated first, then cut to the new length. There is no flush to
// disk: snapshots are scratch files that the editor deletes when it closes, so a crash before
// the kernel writes them back loses nothing the user saved.
bool writeFullColour(const engine::Image& image, const QString& path) {
    const int w = image.width(), h = image.height();
    const size_t rowBytes = (size_t(w) * 3 + 3) & ~size_t(3);
    const off_t total = 54 + off_t(rowBytes) * h;
    uint8_t header[54] = {'B', 'M'};
    put32(header + 2, uint32_t(std::min<int64_t>(total, UINT32_MAX)));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, uint32_t(w));
    put32(header + 22, uint32_t(h));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, uint32_t(std::min<int64_t>(total - 54, UINT32_MAX)));
    put32(header + 38, uint32_t(engine::pixelsPerMetreFromDpi(image.dpiX)));
    put32(header + 42, uint32_t(engine::pixelsPerMetreFromDpi(image.dpiY)));
    const int fd =
        ::open(platform::encodePath(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    // A file system without preallocation still takes the file: its blocks come with the writes.
    bool ok = (::fallocate(fd, 0, 0, total) == 0 || errno == EOPNOTSUPP || errno == ENOSYS) &&
              ::ftruncate(fd, total) == 0 && writeAt(fd, header, 54, 0);
    if (ok) {
        std::atomic<bool> good{true};
        const int chunkRows = int(std::max<size_t>(1, (256u << 10) / rowBytes));
        engine::parallelRows(h, [&](int r0, int r1) {
            std::vector<uint8_t> chunk(rowBytes * size_t(std::min(chunkRows, r1 - r0)), 0);
            for (int first = r0; first < r1 && good; first += chunkRows) {
                const int rows = std::min(chunkRows, r1 - first);
                for (int r = 0; r < rows; ++r)
                    rgbToBgr(image.row(h - 1 - (first + r)), chunk.data() + size_t(r) * rowBytes,
                             w);
                if (!writeAt(fd, chunk.data(), rowBytes * size_t(rows),
                             54 + off_t(rowBytes) * first))
                    good = false;
            }
        });
        ok = good;
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace

UndoStore::~UndoStore() {
    if (ownerLock_ >= 0) ::close(ownerLock_);
}

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
    // Held for the editor's life; the lock goes with the process, however it ends.
    const QByteArray lock = platform::encodePath(privateFolder_ + QStringLiteral("owner.lock"));
    ownerLock_ = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (ownerLock_ >= 0 && ::flock(ownerLock_, LOCK_EX | LOCK_NB) != 0) {
        ::close(ownerLock_);
        ownerLock_ = -1;
    }
    return true;
}

int UndoStore::removeAbandonedFolders(const QString& workFolder) {
    int removed = 0;
    const QDir work(workFolder);
    const QDateTime aMinuteAgo = QDateTime::currentDateTime().addSecs(-60);
    for (const QFileInfo& folder :
         work.entryInfoList({QStringLiteral("Undo-*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString lockFile = folder.filePath() + QStringLiteral("/owner.lock");
        const int fd = ::open(platform::encodePath(lockFile).constData(), O_RDWR | O_CLOEXEC);
        bool abandoned = false;
        if (fd >= 0) {
            abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        } else {
            // A folder whose editor has not made its lock yet is young; an old one without a
            // lock was left by a program that never made one.
            abandoned = folder.lastModified() < aMinuteAgo;
        }
        if (abandoned) {
            QDir dir(folder.filePath());
            for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
                dir.remove(name);
            if (QDir().rmdir(folder.filePath())) ++removed;
        }
        if (fd >= 0) ::close(fd);
    }
    return removed;
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
    if (kept_.size() < size_t(count_)) kept_.resize(size_t(count_));
    kept_[size_t(count_ - 1)] = {image.hasPalette() ? image.palette : std::vector<engine::Colour>{},
                                 image.metadata};
    // A snapshot is scratch: written plainly, without the flush to disk that a save needs.
    QFile file(snapshotName(count_));
    bool ok = false;
    if (image.bitsPerPixel() == 24) {
        ok = writeFullColour(image, file.fileName());
        if (!ok)
            engine::setLastError(image.empty() ? engine::kErrNoImage : engine::kErrCannotWrite);
    } else {
        engine::SaveOptions options;
        options.format = engine::kSaveBmp;
        std::vector<uint8_t> bytes;
        ok = engine::encodeImage(image, options, bytes);
        if (ok && !(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
                        qint64(bytes.size()) &&
                    file.flush())) {
            ok = false;
            engine::setLastError(engine::kErrCannotWrite);
        }
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
    if (!engine::loadImage(platform::encodePath(name).toStdString(), loaded)) return false;
    if (size_t(count_) <= kept_.size()) {
        const Kept& kept = kept_[size_t(count_ - 1)];
        loaded.metadata = kept.metadata;
        // The snapshot's palette is the kept one without its alpha.
        const auto sameColours = [&] {
            if (kept.palette.size() < loaded.palette.size()) return false;
            for (size_t i = 0; i < loaded.palette.size(); ++i) {
                const engine::Colour a = kept.palette[i], b = loaded.palette[i];
                if (a.r != b.r || a.g != b.g || a.b != b.b) return false;
            }
            return true;
        };
        if (loaded.hasPalette() && sameColours()) loaded.palette = kept.palette;
    }
    out = std::move(loaded);
    path = name;
    return true;
}

void UndoStore::cleanUp() {
    memory_.clear();
    kept_.clear();
    count_ = 0;
    if (privateFolder_.isEmpty()) return;
    QDir dir(privateFolder_);
    for (const QString& name : dir.entryList({QStringLiteral("$$*.bmp")}, QDir::Files))
        dir.remove(name);
    if (ownerLock_ >= 0) {
        dir.remove(QStringLiteral("owner.lock"));
        ::close(ownerLock_);
        ownerLock_ = -1;
    }
    QDir().rmdir(privateFolder_);
    privateFolder_.clear();
}

}  // namespace ximora::editor
