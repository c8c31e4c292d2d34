#include "editor/view/display_colour.h"

#include <QtGlobal>

#include "engine/colour/srgb_conversion.h"
#include "platform/display_profile.h"

namespace ximora::editor {

// Tiles are converted as B, G, R, A bytes: QImage's ARGB32 words on a little-endian machine.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

DisplayColour& DisplayColour::instance() {
    static DisplayColour* one = new DisplayColour;  // lives as long as the program
    return *one;
}

void DisplayColour::setManaged(bool on) {
    if (on == managed_) return;
    managed_ = on;
    emit changed();
}

void DisplayColour::setDisplayProfile(std::vector<uint8_t> icc) {
    display_ = std::move(icc);
    emit changed();
}

const std::vector<uint8_t>& DisplayColour::displayProfile() {
    if (!display_) {
        const QByteArray bytes = platform::displayColourProfile();
        display_.emplace(bytes.begin(), bytes.end());
    }
    return *display_;
}

std::shared_ptr<const engine::ColourTransform> DisplayColour::transformFor(
    const engine::Image& image) {
    // A picture without a profile is taken for sRGB: on an sRGB display it needs nothing. So is
    // one whose profile does not fit its pixels (a grey profile on a picture edited to colour).
    if (!managed_ || image.empty()) return nullptr;
    static const std::vector<uint8_t> srgb;
    const std::vector<uint8_t>& source =
        engine::profileDescribesPixels(image) ? image.metadata.icc : srgb;
    return engine::ColourTransform::between(source, displayProfile(), engine::PixelLayout::Bgra);
}

void DisplayColour::convert(QImage& picture, const engine::ColourTransform* transform) {
    if (!transform || picture.isNull()) return;
    const QImage::Format format = picture.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        picture = picture.convertToFormat(QImage::Format_ARGB32);
    transform->apply(picture.bits(), size_t(picture.bytesPerLine()), picture.width(),
                     picture.height());
    if (format != QImage::Format_ARGB32_Premultiplied) return;
    // Converted as straight colours, the empty pixels of a premultiplied tile may have taken
    // the colour of black, which premultiplied they must not have.
    for (int y = 0; y < picture.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(row[x]) == 0) row[x] = 0;
    }
}

}  // namespace ximora::editor
