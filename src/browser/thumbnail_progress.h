#pragma once
// How far the thumbnails of a large folder are, with a button that stops making them: a bar
// over the bottom edge of the grid, shown only when a folder keeps the workers busy for a while.

#include <QElapsedTimer>
#include <QWidget>

class QProgressBar;
class QToolButton;

namespace ximora::browser {

class ThumbnailSet;

class ThumbnailProgress : public QWidget {
    Q_OBJECT
  public:
    /// Follows `set`; placed by its parent (the grid) along its bottom edge.
    ThumbnailProgress(ThumbnailSet& set, QWidget* parent);

    /// Listings of fewer files, or that finish sooner, show nothing.
    static constexpr int kManyFiles = 200;
    static constexpr int kShowAfterMs = 700;

  private:
    void onProgress(int done, int total);

    QProgressBar* bar_;
    QToolButton* stop_;
    QElapsedTimer since_;
};

}  // namespace ximora::browser
