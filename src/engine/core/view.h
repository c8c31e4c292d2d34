#pragma once
// The view instance: what an image view shows and remembers, without any window. The editor's
// widget observes it through `onChanged`; headless users (ximora-batch, tests) use it as is.

#include <functional>
#include <memory>

#include "engine/core/error.h"
#include "engine/core/handles.h"
#include "engine/core/overlay.h"

namespace ximora::engine {

/// A selection rectangle in image pixels; all four 0 means "no selection".
struct SelectionRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    friend bool operator==(const SelectionRect&, const SelectionRect&) = default;
};

class View {
  public:
    /// Scale modes 1 to 5 of the editor's view (fitted, zoom, actual size, ...).
    static constexpr int kFirstScaleMode = 1, kLastScaleMode = 5;

    explicit View(HandleTable& table = imageHandles()) : table_(table) {}

    /// The current image's handle, 0 when none.
    ImageHandle handle() const { return handle_; }
    /// Makes `handle` the current image; 0 clears. An unknown handle fails (error 5) and
    /// leaves the view unchanged. The view does not own the handle; free it through the table.
    bool setHandle(ImageHandle handle) {
        if (handle != 0 && !table_.get(handle)) return record(kErrBadParameter);
        handle_ = handle;
        overlay_.clear();
        notify();
        return true;
    }
    /// The current image, or nullptr.
    std::shared_ptr<Image> image() const { return handle_ ? table_.get(handle_) : nullptr; }

    const SelectionRect& selection() const { return selection_; }
    void setSelection(const SelectionRect& rect) {
        selection_ = rect;
        notify();
    }

    /// Horizontal and vertical zoom factors; 1 means 100 %.
    double zoomX() const { return zoomX_; }
    double zoomY() const { return zoomY_; }
    /// Sets both zoom factors; each must be above 0 (error 5 otherwise).
    bool setZoom(double x, double y) {
        if (!(x > 0) || !(y > 0)) return record(kErrBadParameter);
        zoomX_ = x, zoomY_ = y;
        notify();
        return true;
    }

    int scaleMode() const { return scaleMode_; }
    /// Sets the scale mode, 1 to 5 (error 5 otherwise).
    bool setScaleMode(int mode) {
        if (mode < kFirstScaleMode || mode > kLastScaleMode) return record(kErrBadParameter);
        scaleMode_ = mode;
        notify();
        return true;
    }

    /// Marks drawn over the image (the rotation dialog's base line); the image never changes.
    /// They stay until refresh() or another image.
    const Overlay& overlay() const { return overlay_; }
    void drawLine(Point from, Point to, Colour colour = {}) {
        overlay_.addLine(from, to, colour);
        notify();
    }
    void drawRectangle(Point corner, Point opposite, Colour colour = {}) {
        overlay_.addRectangle(corner, opposite, colour);
        notify();
    }
    /// Redraws the image as it is, without the overlay marks.
    void refresh() {
        overlay_.clear();
        notify();
    }

    /// The error code of the view's last failed operation (0 after success or none).
    int lastErrorCode() const { return lastError_; }
    /// Stores the outcome of an engine call made for this view: 0 on success, else the
    /// thread's last error. Returns `ok`, for `return view.result(loadImage(...));`.
    bool result(bool ok) {
        lastError_ = ok ? kOk : lastError();
        return ok;
    }

    /// Called after every change of image, selection, zoom or scale mode.
    std::function<void()> onChanged;

  private:
    bool record(int code) {
        lastError_ = code;
        return fail(code);
    }
    void notify() {
        lastError_ = kOk;
        if (onChanged) onChanged();
    }

    HandleTable& table_;
    ImageHandle handle_ = 0;
    SelectionRect selection_;
    double zoomX_ = 1, zoomY_ = 1;
    int scaleMode_ = 1;
    int lastError_ = kOk;
    Overlay overlay_;
};

}  // namespace ximora::engine
