#include "engine/core/handles.h"

#include <new>

#include "engine/core/error.h"

namespace ximora::engine {

ImageHandle HandleTable::add(Image image) {
    if (image.empty()) return fail(kErrBadParameter), 0;
    auto shared = std::make_shared<Image>(std::move(image));
    std::lock_guard lock(mutex_);
    if (next_ == INT32_MAX) return fail(kErrMemory), 0;
    const ImageHandle handle = next_++;
    images_.emplace(handle, std::move(shared));
    return handle;
}

std::shared_ptr<Image> HandleTable::get(ImageHandle handle) const {
    std::lock_guard lock(mutex_);
    const auto found = images_.find(handle);
    if (found == images_.end()) return fail(kErrBadParameter), nullptr;
    return found->second;
}

ImageHandle HandleTable::duplicate(ImageHandle handle) {
    const std::shared_ptr<Image> source = get(handle);
    if (!source) return 0;
    Image copy(*source);  // outside the lock: copying a large raster takes a while
    if (copy.empty()) return fail(kErrMemory), 0;
    return add(std::move(copy));
}

bool HandleTable::free(ImageHandle handle) {
    std::shared_ptr<Image> released;  // destroyed after the lock is dropped
    std::lock_guard lock(mutex_);
    const auto found = images_.find(handle);
    if (found == images_.end()) return fail(kErrBadParameter);
    released = std::move(found->second);
    images_.erase(found);
    return true;
}

size_t HandleTable::size() const {
    std::lock_guard lock(mutex_);
    return images_.size();
}

HandleTable& imageHandles() {
    static HandleTable table;
    return table;
}

}  // namespace ximora::engine
