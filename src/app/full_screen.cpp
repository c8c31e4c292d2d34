#include "app/full_screen.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QShortcut>
#include <QWidget>
#include <algorithm>

#include "util/message_service.h"

namespace ximora::app {

namespace {
constexpr int kShortestInterval = 1, kLongestInterval = 3600;  // seconds
}

FullScreenView::FullScreenView(QMainWindow& window, QList<QWidget*> hidden)
    : QObject(&window), window_(window), hidden_(std::move(hidden)) {
    auto* f11 = new QShortcut(QKeySequence(Qt::Key_F11), &window_);
    f11->setContext(Qt::WindowShortcut);
    connect(f11, &QShortcut::activated, this, &FullScreenView::toggle);
    // Esc is the window's own key only while the picture fills the screen.
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &window_);
    escape_->setContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, &FullScreenView::leave);
    connect(&timer_, &QTimer::timeout, this, &FullScreenView::nextRequested);
}

void FullScreenView::toggle() {
    if (on_)
        leave();
    else
        enter();
}

void FullScreenView::enter() {
    on_ = true;
    wereVisible_.clear();
    for (QWidget* widget : hidden_)
        if (widget->isVisible()) {
            wereVisible_ << widget;
            widget->hide();
        }
    formerState_ = window_.windowState();
    window_.showFullScreen();
    escape_->setEnabled(true);
}

void FullScreenView::leave() {
    if (!on_) return;
    on_ = false;
    setSlideshow(false);
    escape_->setEnabled(false);
    window_.setWindowState(formerState_);
    window_.show();
    for (const QPointer<QWidget>& widget : wereVisible_)
        if (widget) widget->show();
    wereVisible_.clear();
}

void FullScreenView::setSlideshow(bool on) {
    if (on)
        timer_.start(intervalSeconds_ * 1000);
    else
        timer_.stop();
}

void FullScreenView::setIntervalSeconds(int seconds) {
    intervalSeconds_ = std::clamp(seconds, kShortestInterval, kLongestInterval);
    if (timer_.isActive()) timer_.start(intervalSeconds_ * 1000);
}

void FullScreenView::showMenu(QPoint globalPos) {
    QMenu menu(&window_);
    QAction* slideshow = menu.addAction(QStringLiteral("ｽﾗｲﾄﾞｼｮｰ"));
    slideshow->setCheckable(true);
    slideshow->setChecked(slideshowRunning());
    QAction* interval = menu.addAction(QStringLiteral("表示間隔(%1秒)...").arg(intervalSeconds_));
    menu.addSeparator();
    QAction* quit = menu.addAction(QStringLiteral("全画面表示を終了 (Esc)"));
    QAction* chosen = menu.exec(globalPos);
    if (chosen == slideshow) {
        setSlideshow(!slideshowRunning());
    } else if (chosen == interval) {
        const std::optional<QString> answer =
            util::messages().input(QStringLiteral("ｽﾗｲﾄﾞｼｮｰの表示間隔(秒)を入力"),
                                   QStringLiteral("ｽﾗｲﾄﾞｼｮｰ"), QString::number(intervalSeconds_));
        bool ok = false;
        const int seconds = answer ? answer->trimmed().toInt(&ok) : 0;
        if (ok) setIntervalSeconds(seconds);
    } else if (chosen == quit) {
        leave();
    }
}

}  // namespace ximora::app
