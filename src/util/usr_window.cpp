#include "util/usr.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QScreen>
#include <QSplitter>
#include <QWidget>
#include <cmath>

#include "platform/desktop.h"
#include "util/shared_values.h"

namespace ximora::Usr {

using util::shared;
using util::twipsPerPixelX;
using util::twipsPerPixelY;

namespace {
int toTwipsX(double pixels) { return static_cast<int>(std::lround(pixels * twipsPerPixelX())); }
int toTwipsY(double pixels) { return static_cast<int>(std::lround(pixels * twipsPerPixelY())); }
bool haveGui() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }
}  // namespace

void StartupMetrics(QWidget* mainWindow) {
    auto& values = shared();
    values.mainWindow = mainWindow;
    const platform::ScreenMetrics metrics = platform::screenMetrics();
    values.nScrDpiX = metrics.dpiX;
    values.nScrDpiY = metrics.dpiY;
    const QRect area = metrics.workArea.isEmpty() ? QRect(0, 0, 1920, 1080) : metrics.workArea;
    values.nWaLeft = toTwipsX(area.left());
    values.nWaTop = toTwipsY(area.top());
    values.nWaWidth = toTwipsX(area.width());
    values.nWaHeight = toTwipsY(area.height());
}

void BringToFront(QWidget* window) {
    if (!window) return;
    // Windowless platforms (offscreen, minimal) cannot raise and would only say so.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
    window->raise();
    window->activateWindow();
}

bool CaptureScreen(bool activeWindowOnly) {
    if (!haveGui()) return false;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return false;
    QWidget* active = QApplication::activeWindow();
    const QPixmap shot =
        activeWindowOnly && active
            ? screen->grabWindow(0, active->frameGeometry().x(), active->frameGeometry().y(),
                                 active->frameGeometry().width(), active->frameGeometry().height())
            : screen->grabWindow(0);
    QGuiApplication::clipboard()->clear();
    if (shot.isNull()) return false;
    QGuiApplication::clipboard()->setPixmap(shot);
    QCoreApplication::processEvents();
    return true;
}

void FitToWorkArea(int& left, int& top, int& width, int& height) {
    const auto& v = shared();
    left = std::max(left, v.nWaLeft);
    top = std::max(top, v.nWaTop);
    if (left + width > v.nWaWidth) {
        left = v.nWaLeft;
        width = std::min(width, v.nWaWidth);
    }
    if (top + height > v.nWaHeight) {
        top = v.nWaTop;
        height = std::min(height, v.nWaHeight);
    }
}

void LimitToWorkArea(int& width, int& height) {
    constexpr double kRoomForFrame = 0.9;
    width = std::min(width, static_cast<int>(shared().nWaWidth * kRoomForFrame));
    height = std::min(height, static_cast<int>(shared().nWaHeight * kRoomForFrame));
}

void KeepInWorkArea(QWidget& window) {
    const QRect now = window.geometry();
    int left = toTwipsX(now.x()), top = toTwipsY(now.y());
    int width = toTwipsX(now.width()), height = toTwipsY(now.height());
    LimitToWorkArea(width, height);
    FitToWorkArea(left, top, width, height);
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QRect placed(
        static_cast<int>(std::lround(left / twipsPerPixelX())),
        static_cast<int>(std::lround(top / twipsPerPixelY())),
        std::max(least.width(), static_cast<int>(std::lround(width / twipsPerPixelX()))),
        std::max(least.height(), static_cast<int>(std::lround(height / twipsPerPixelY()))));
    if (placed != now) window.setGeometry(placed);
}

void PlaceWindow(int& left, int& top, int& width, int& height) {
    int mainLeft = 0, mainTop = 0, mainWidth = 0, mainHeight = 0;
    if (const QWidget* main = shared().mainWindow) {
        const QRect frame = main->frameGeometry();
        mainLeft = toTwipsX(frame.x());
        mainTop = toTwipsY(frame.y());
        mainWidth = toTwipsX(frame.width());
        mainHeight = toTwipsY(frame.height());
    }
    left = std::max(0, static_cast<int>(std::lround((mainLeft + mainWidth - width) * 0.95)));
    top = std::max(0, static_cast<int>(std::lround((mainTop + mainHeight - height) * 0.95)));
    FitToWorkArea(left, top, width, height);
}

void SetBusy(bool on) {
    if (!haveGui()) return;
    if (on) {
        if (QApplication::overrideCursor())
            QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }
    QCoreApplication::processEvents();
}

}  // namespace ximora::Usr
