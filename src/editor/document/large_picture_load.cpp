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
        reason_ = ok_ ? 0 : engine::lastErrorReason();
        if (!ok_) detail_ = engine::lastErrorDetail();
        file.reset();
        done();
    });
    return true;
}

bool LargePictureLoad::finish(engine::Image& full) {
    if (worker_.joinable()) worker_.join();
    if (!ok_) {
        // The worker's error, with its reason or the decoder's words, for this thread's message.
        if (reason_)
            engine::failWithReason(error_, reason_);
        else
            engine::failWithDetail(error_, detail_);
        return false;
    }
    full = std::move(full_);
    return true;
}

LargePictureLoad::~LargePictureLoad() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace ximora::editor
