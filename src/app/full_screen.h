#pragma once
// The main window's full-screen view: the picture alone on the whole screen (F11; F11 or Esc
// leaves), with the picture view's own keys for stepping and zooming, and a slideshow that
// steps on at an interval, started from the view's context menu.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QMainWindow;
class QWidget;
class QShortcut;

namespace ximora::app {

class FullScreenView : public QObject {
    Q_OBJECT
  public:
    /// `window` goes full screen with the `hidden` widgets (the bars and panes around the
    /// picture) out of sight.
    FullScreenView(QMainWindow& window, QList<QWidget*> hidden);

    bool isOn() const { return on_; }
    void toggle();
    /// Back to the window as it was (the slideshow stops).
    void leave();
    /// The full-screen view's context menu at `globalPos`: the slideshow, its interval, leaving.
    void showMenu(QPoint globalPos);

    bool slideshowRunning() const { return timer_.isActive(); }
    void setSlideshow(bool on);
    static constexpr int kDefaultInterval = 5;  // seconds
    int intervalSeconds() const { return intervalSeconds_; }
    /// Sets the slideshow's interval, held to 1 to 3600 seconds.
    void setIntervalSeconds(int seconds);

  signals:
    /// The slideshow's time for the next picture.
    void nextRequested();

  private:
    void enter();

    QMainWindow& window_;
    QList<QWidget*> hidden_;
    QList<QPointer<QWidget>> wereVisible_;
    Qt::WindowStates formerState_;
    QShortcut* escape_;
    QTimer timer_;
    int intervalSeconds_ = kDefaultInterval;
    bool on_ = false;
};

}  // namespace ximora::app
