#include "editor/document/large_picture_load.h"

#include "engine/codecs/jpeg/jpeg_head.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/metadata/exif.h"

namespace ximora::editor {

bool LargePictureLoad::worthIt(const std::vector<uint8_t>& bytes, QSize& size) {
    engine::JpegHead head;
    if (!engine::readJpegHead(bytes.data(), bytes.size(), head)) return false;
    if (int64_t(head.width) * head.height < kLargePixels) return false;
    const std::vector<uint8_t> exif(head.exif, head.exif + head.exifSize);
    const bool turned = engine::exifOrientation(exif) >= 5;  // 5 to 8 swap the sides
    size = turned ? QSize(head.height, head.width) : QSize(head.width, head.height);
    return true;
}

bool LargePictureLoad::start(std::shared_ptr<const std::vector<uint8_t>> bytes,
                             engine::Image& firstView, std::function<void()> done) {
    engine::LoadOptions reduced;
    reduced.minSide = kFirstViewSide;
    if (!engine::loadImageFromMemory(bytes->data(), bytes->size(), firstView, reduced))
        return false;
    worker_ = std::thread([this, bytes = std::move(bytes), done = std::move(done)]() mutable {
        ok_ = engine::loadImageFromMemory(bytes->data(), bytes->size(), full_);
        error_ = ok_ ? 0 : engine::lastError();
        bytes.reset();  // the file's bytes go before the document takes the picture
        done();
    });
    return true;
}

bool LargePictureLoad::finish(engine::Image& full, int& error) {
    if (worker_.joinable()) worker_.join();
    error = error_;
    if (ok_) full = std::move(full_);
    return ok_;
}

LargePictureLoad::~LargePictureLoad() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace ximora::editor
