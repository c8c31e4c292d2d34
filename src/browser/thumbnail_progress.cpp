#include "browser/thumbnail_progress.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QToolButton>

#include "browser/thumbnail_set.h"

namespace ximora::browser {

ThumbnailProgress::ThumbnailProgress(ThumbnailSet& set, QWidget* parent)
    : QWidget(parent), bar_(new QProgressBar(this)), stop_(new QToolButton(this)) {
    setObjectName(QStringLiteral("thumbnailProgress"));
    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    bar_->setFormat(QStringLiteral("ｻﾑﾈｲﾙ作成中 %v / %m"));
    stop_->setText(QStringLiteral("中止"));
    stop_->setToolTip(QStringLiteral("残りのｻﾑﾈｲﾙを作らずに止めます"));
    row->addWidget(bar_, 1);
    row->addWidget(stop_);
    hide();
    connect(stop_, &QToolButton::clicked, &set, &ThumbnailSet::stop);
    connect(&set, &ThumbnailSet::busyBegin, this, [this] { since_.start(); });
    connect(&set, &ThumbnailSet::busyEnd, this, &QWidget::hide);
    connect(&set, &ThumbnailSet::progress, this, &ThumbnailProgress::onProgress);
}

void ThumbnailProgress::onProgress(int done, int total) {
    if (isHidden()) {
        if (total < kManyFiles || done >= total || !since_.isValid() ||
            since_.elapsed() < kShowAfterMs)
            return;
        show();
        raise();
    }
    bar_->setRange(0, total);
    bar_->setValue(done);
}

}  // namespace ximora::browser
