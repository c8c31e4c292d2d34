#include "editor/document/undo_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <bit>
#include <cstring>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::editor {
namespace {

void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void put32(uint8_t* p, uint32_t v) { put16(p, v), put16(p + 2, v >> 16); }

// R, G, B → B, G, R for `width` pixels; four pixels (three little-endian words) at a time.
static_assert(std::endian::native == std::endian::little);
void swapRedBlue(const uint8_t* src, uint8_t* dst, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4, src += 12, dst += 12) {
        uint32_t a, b, c;  // R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3, little-endian
        std::memcpy(&a, src, 4);
        std::memcpy(&b, src + 4, 4);
        std::memcpy(&c, src + 8, 4);
        const uint32_t oa =
            ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | (((b >> 8) & 0xFF) << 24);
        const uint32_t ob = (b & 0xFF) | ((a >> 24) << 8) | ((c & 0xFF) << 16) | ((b >> 24) << 24);
        const uint32_t oc = ((b >> 16) & 0xFF) | ((c >> 24) << 8) | (((c >> 16) & 0xFF) << 16) |
                            (((c >> 8) & 0xFF) << 24);
        std::memcpy(dst, &oa, 4);
        std::memcpy(dst + 4, &ob, 4);
        std::memcpy(dst + 8, &oc, 4);
    }
    for (; x < width; ++x, src += 3, dst += 3) dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
}

// Full-colour snapshots, the large ones, go from the raster to the file without a whole-file
// buffer: each worker converts its band of rows in small chunks and writes them at their place
// through a handle of its own, so conversion and copying into the file run on all cores. The
// layout is the uncompressed 24-bit one that the engine's BMP reader takes back (bottom-up rows
// of B, G, R padded to 4 bytes, version 3 header). A file left from an earlier step of the same
// number is resized, not truncated first, so its blocks are reused.
bool writeFullColour(const engine::Image& image, const QString& path) {
    const int w = image.width(), h = image.height();
    const size_t rowBytes = (size_t(w) * 3 + 3) & ~size_t(3);
    const qint64 total = 54 + qint64(rowBytes) * h;
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
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !file.resize(total) ||
        file.write(reinterpret_cast<const char*>(header), 54) != 54)
        return false;
    std::atomic<bool> ok{true};
    const int chunkRows = int(std::max<size_t>(1, (1u << 20) / rowBytes));
    engine::parallelRows(h, [&](int r0, int r1) {
        QFile part(path);
        if (!part.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            ok = false;
            return;
        }
        std::vector<uint8_t> chunk(rowBytes * size_t(std::min(chunkRows, r1 - r0)), 0);
        for (int first = r0; first < r1 && ok; first += chunkRows) {
            const int rows = std::min(chunkRows, r1 - first);
            for (int r = 0; r < rows; ++r)
                swapRedBlue(image.row(h - 1 - (first + r)), chunk.data() + size_t(r) * rowBytes, w);
            const qint64 bytes = qint64(rowBytes) * rows;
            if (!part.seek(54 + qint64(rowBytes) * first) ||
                part.write(reinterpret_cast<const char*>(chunk.data()), bytes) != bytes)
                ok = false;
        }
    });
    return ok;
}

}  // namespace

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
