#include "app/job_range.h"

namespace ximora::app {

namespace {
// "#.0": one decimal, no leading zero before the point.
QString oneDecimal(double value) {
    QString text = QString::number(value, 'f', 1);
    if (text.startsWith(QLatin1String("0."))) text.remove(0, 1);
    return text;
}
}  // namespace

void convertRange(float& width, float& height, bool twips, int dpiX, int dpiY) {
    if (width == 0 || height == 0) return;
    const double x = dpiX > 0 ? dpiX : 96;
    const double y = dpiY > 0 ? dpiY : 96;
    if (twips) {
        width = static_cast<float>(width / (1440.0 / x));
        height = static_cast<float>(height / (1440.0 / y));
    } else {
        width = static_cast<float>(width / (72.0 / x));
        height = static_cast<float>(height / (72.0 / y));
    }
}

QString rangeCaption(float width, float height) {
    if (!(width > 0 && height > 0)) return {};
    return "User.Range (" + oneDecimal(width) + " * " + oneDecimal(height) + " px)";
}

}  // namespace ximora::app
