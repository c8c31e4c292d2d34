#pragma once
// How pictures reach the screen: converted from the colour profile they carry to the
// display's profile (colour management, the setting 設定/色管理), or shown as their numbers
// are. Only what is painted is converted; the document keeps the file's own numbers.

#include <QImage>
#include <QObject>
#include <memory>
#include <optional>
#include <vector>

#include "engine/colour/colour_transform.h"
#include "engine/core/image.h"

namespace ximora::editor {

class DisplayColour : public QObject {
    Q_OBJECT
  public:
    /// The one instance of the process (every view and dialog preview follows it).
    static DisplayColour& instance();

    /// Colour management on (the default) or off.
    void setManaged(bool on);
    bool managed() const { return managed_; }
    /// Uses `icc` as the display's profile (empty: sRGB) instead of asking the desktop.
    void setDisplayProfile(std::vector<uint8_t> icc);

    /// The transform that paints `image` on the display, for QImage pieces in Format_RGB32 or
    /// Format_ARGB32 (PixelLayout::Bgra); nullptr when the picture is shown as it is (management
    /// off, a profile that cannot be used, or one that matches the display). A picture
    /// without a profile counts as sRGB, so it is converted only for a display that is not.
    std::shared_ptr<const engine::ColourTransform> transformFor(const engine::Image& image);

    /// Converts a picture made from the image's pixels (a piece of it, a tile of it drawn to
    /// scale, the pan window's overview) to the display's colours; `transform` may be nullptr
    /// (nothing to do). Other formats become Format_ARGB32 first; a tile in
    /// Format_ARGB32_Premultiplied may hold only opaque and empty pixels (a picture without
    /// alpha drawn into it).
    static void convert(QImage& picture, const engine::ColourTransform* transform);

  signals:
    /// The setting or the display profile changed: views take their transforms anew.
    void changed();

  private:
    DisplayColour() = default;
    const std::vector<uint8_t>& displayProfile();

    bool managed_ = true;
    std::optional<std::vector<uint8_t>> display_;  // asked of the desktop when first needed
};

}  // namespace ximora::editor
