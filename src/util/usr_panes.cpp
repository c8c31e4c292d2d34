#include "util/usr.h"

#include <QSplitter>
#include <QWidget>
#include <cmath>

#include "util/shared_values.h"

namespace ximora::Usr {

namespace {
struct PaneRef {
    QWidget* widget = nullptr;
    bool width = false;
};

// "pTrP/W": pane "pTrP", width. Only the last character decides; the last two are dropped.
PaneRef findPane(const QString& pane) {
    PaneRef ref;
    if (pane.size() < 2) return ref;
    ref.width = pane.back().toUpper() == 'W';
    QWidget* root = util::shared().mainWindow;
    if (!root) return ref;
    const QString name = pane.left(pane.size() - 2);
    ref.widget = root->objectName() == name ? root : root->findChild<QWidget*>(name);
    return ref;
}

double twipsPerPixel(bool width) { return width ? util::twipsPerPixelX() : util::twipsPerPixelY(); }
}  // namespace

void SetSplitterStyle(QSplitter* splitter) {
    if (!splitter) return;
    splitter->setHandleWidth(3);
    splitter->setOpaqueResize(true);
    splitter->setChildrenCollapsible(false);
}

int GetPaneSize(const QString& pane) {
    const PaneRef ref = findPane(pane);
    if (!ref.widget) return 0;
    const int pixels = ref.width ? ref.widget->width() : ref.widget->height();
    return static_cast<int>(std::lround(pixels * twipsPerPixel(ref.width)));
}

void SetPaneSize(const QString& pane, int size, bool lock) {
    const PaneRef ref = findPane(pane);
    if (!ref.widget) return;
    const int pixels = std::max(0, static_cast<int>(std::lround(size / twipsPerPixel(ref.width))));
    auto* splitter = qobject_cast<QSplitter*>(ref.widget->parentWidget());
    const Qt::Orientation along = ref.width ? Qt::Horizontal : Qt::Vertical;
    if (splitter && splitter->orientation() == along) {
        // Give the difference to the neighbour so the splitter's total stays the same.
        QList<int> sizes = splitter->sizes();
        const int index = splitter->indexOf(ref.widget);
        if (index >= 0 && sizes.size() > 1) {
            const int neighbour = index + 1 < sizes.size() ? index + 1 : index - 1;
            sizes[neighbour] = std::max(0, sizes[neighbour] + sizes[index] - pixels);
            sizes[index] = pixels;
            splitter->setSizes(sizes);
        }
    } else if (ref.width) {
        ref.widget->resize(pixels, ref.widget->height());
    } else {
        ref.widget->resize(ref.widget->width(), pixels);
    }
    if (lock) {
        if (ref.width)
            ref.widget->setFixedWidth(pixels);
        else
            ref.widget->setFixedHeight(pixels);
    }
}

void UnlockPanes(const QStringList& panes) {
    for (const QString& pane : panes) {
        const PaneRef ref = findPane(pane);
        if (!ref.widget) continue;
        if (ref.width) {
            ref.widget->setMinimumWidth(0);
            ref.widget->setMaximumWidth(QWIDGETSIZE_MAX);
        } else {
            ref.widget->setMinimumHeight(0);
            ref.widget->setMaximumHeight(QWIDGETSIZE_MAX);
        }
    }
}

}  // namespace ximora::Usr
