#pragma once
// Images known by integer handles, as the editor, its dialogs and the scratch instances pass
// them to one another. Handles are never reused within a run, so a stale handle cannot reach
// another image.

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "engine/core/image.h"

namespace ximora::engine {

/// A handle: a positive 32-bit number; 0 means "no image".
using ImageHandle = int32_t;

/// A thread-safe table of images by handle. Readers get shared ownership, so freeing a handle
/// while another thread still works on its image is safe.
class HandleTable {
  public:
    /// Takes `image` and returns its new handle, or 0 (error 5) for an empty image.
    ImageHandle add(Image image);
    /// The image of `handle`, or nullptr (error 5) when the handle is 0 or unknown.
    std::shared_ptr<Image> get(ImageHandle handle) const;
    /// A new handle for an independent copy of the image; 0 with error 5 for an unknown
    /// handle, error 3 when the copy cannot be allocated.
    ImageHandle duplicate(ImageHandle handle);
    /// Releases the handle; false (error 5) when it is 0 or unknown.
    bool free(ImageHandle handle);
    /// Number of live handles.
    size_t size() const;

  private:
    mutable std::mutex mutex_;
    ImageHandle next_ = 1;
    std::unordered_map<ImageHandle, std::shared_ptr<Image>> images_;
};

/// The process-wide table every view and dialog shares.
HandleTable& imageHandles();

}  // namespace ximora::engine
