#include "platform/desktop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <cmath>

namespace ximora::platform {

ScreenMetrics screenMetrics() {
    ScreenMetrics metrics;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return metrics;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return metrics;
    const int x = static_cast<int>(std::lround(screen->logicalDotsPerInchX()));
    const int y = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    if (x > 0) metrics.dpiX = x;
    if (y > 0) metrics.dpiY = y;
    metrics.workArea = screen->availableGeometry();
    return metrics;
}

bool clipboardHasPicture() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data) return false;
    if (data->hasImage()) return true;
    for (const char* type : {"image/svg+xml", "image/x-emf", "image/x-wmf", "image/emf",
                             "image/wmf", "image/bmp", "image/png"})
        if (data->hasFormat(QLatin1String(type))) return true;
    return false;
}

}  // namespace ximora::platform
