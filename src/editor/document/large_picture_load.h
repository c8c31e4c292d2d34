#pragma once
// Opening a very large JPEG picture in two steps: a reduced decode (DCT scaling) that the view
// shows at once, and the full decode on a worker thread, which the document takes in when it
// is done or as soon as anything needs the picture's pixels.

#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "engine/core/image.h"
#include "engine/io/byte_source.h"

namespace ximora::editor {

class LargePictureLoad {
  public:
    /// Pictures from this many pixels on open in two steps.
    static constexpr int64_t kLargePixels = 40'000'000;
    /// The first view's shorter side is at least this many pixels (when the picture has them).
    static constexpr int kFirstViewSide = 800;

    /// Whether `file` holds a JPEG picture large enough to open in two steps (judged from its
    /// headers); its upright size (after the EXIF orientation) in `size`.
    static bool worthIt(engine::ByteSource& file, QSize& size);

    /// Decodes the first view from `file` into `firstView` (false, with the engine's error,
    /// when it cannot be read), then starts the full decode on a worker thread, which calls
    /// `done` there when it has finished. Both read the file as they decode.
    bool start(std::shared_ptr<engine::ByteSource> file, engine::Image& firstView,
               std::function<void()> done);

    /// Waits for the full decode: true with the picture in `full`, or false with its engine
    /// error (and the system's reason or the decoder's words) as the calling thread's last
    /// error.
    bool finish(engine::Image& full);

    /// Waits for a full decode that is no longer wanted.
    ~LargePictureLoad();

  private:
    std::thread worker_;
    engine::Image full_;
    int error_ = 0;
    int reason_ = 0;
    std::string detail_;
    bool ok_ = false;
};

}  // namespace ximora::editor
