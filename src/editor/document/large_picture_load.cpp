#include "editor/document/large_picture_load.h"

#include "engine/codecs/registry.h"
#include "engine/core/error.h"

namespace ximora::editor {

bool LargePictureLoad::worthIt(engine::ByteSource& file, QSize& size) {
    engine::ImageFacts facts;
    engine::FileFormat format = engine::FileFormat::Unknown;
    if (!engine::readImageFacts(file, facts, &format) || format != engine::FileFormat::Jpeg ||
        int64_t(facts.width) * facts.height < kLargePixels)
        return false;
    size = QSize(facts.width, facts.height);  // facts are upright
    return true;
}

bool LargePictureLoad::start(std::shared_ptr<engine::ByteSource> file, engine::Image& firstView,
                             std::function<void()> done) {
    engine::LoadOptions reduced;
    reduced.minSide = kFirstViewSide;
    if (!engine::loadImageFromSource(*file, firstView, reduced)) return false;
    worker_ = std::thread([this, file = std::move(file), done = std::move(done)]() mutable {
        ok_ = engine::loadImageFromSource(*file, full_);
        error_ = ok_ ? 0 : engine::lastError();
        file.reset();
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
