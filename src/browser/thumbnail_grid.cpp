#include "browser/thumbnail_grid.h"

#include "platform/file_names.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "browser/thumbnail_progress.h"
#include "util/checkerboard.h"

namespace ximora::browser {
namespace {

constexpr int kPadding = 3;
constexpr int kMinCell = 16;

QString withSlash(const QString& folder) { return folder.endsWith(u'/') ? folder : folder + u'/'; }

/// The frame shown while a thumbnail is made, crossed when the file could not be read.
void paintPlaceholder(QPainter& painter, const QRect& area, bool failed) {
    painter.save();
    painter.setPen(QPen(QColor(190, 190, 190), 1, failed ? Qt::SolidLine : Qt::DashLine));
    painter.setBrush(QColor(245, 245, 245));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    if (failed) {
        painter.setPen(QPen(QColor(200, 80, 80), 2));
        const QRect mark = QRect(0, 0, area.width() / 3, area.height() / 3);
        const QRect box = mark.translated(area.center() - mark.center());
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomLeft());
    }
    painter.restore();
}

}  // namespace

ThumbnailGrid::ThumbnailGrid(QWidget* parent) : QAbstractScrollArea(parent), set_(this) {
    setObjectName(QStringLiteral("IkThmb"));
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    connect(&set_, &ThumbnailSet::busyBegin, this, &ThumbnailGrid::busyBegin);
    connect(&set_, &ThumbnailSet::busyEnd, this, &ThumbnailGrid::busyEnd);
    connect(&set_, &ThumbnailSet::itemChanged, this, &ThumbnailGrid::onItemChanged);
    progress_ = new ThumbnailProgress(set_, this);
}

void ThumbnailGrid::setColumns(int columns) {
    columns_ = std::max(1, columns);
    updateScrollBar();
    viewport()->update();
}

void ThumbnailGrid::setRows(int rows) {
    rows_ = std::max(1, rows);
    updateScrollBar();
    viewport()->update();
}

void ThumbnailGrid::setShowNames(bool show) {
    showNames_ = show;
    viewport()->update();
}

void ThumbnailGrid::setThumbnailSize(int size) { size_ = std::clamp(size, 1, 65535); }

int ThumbnailGrid::deviceThumbnailSize() const {
    return std::clamp(int(std::lround(size_ * devicePixelRatioF())), 1, 65535);
}

void ThumbnailGrid::listFolder() {
    selected_.assign(size_t(set_.list(folder_, filter_, deviceThumbnailSize(), cacheFile_)), false);
    current_ = 0;
    focus_ = anchor_ = -1;
    verticalScrollBar()->setValue(0);
    updateScrollBar();
    updateVisible();
    viewport()->update();
    emit listingFinished(count());
}

void ThumbnailGrid::reset() {
    set_.reset();
    selected_.clear();
    current_ = 0;
    focus_ = anchor_ = -1;
    updateScrollBar();
    viewport()->update();
}

bool ThumbnailGrid::saveCache() { return set_.saveCache(); }

void ThumbnailGrid::selectItem(int index) {
    if (index < 1 || index > count()) return;
    std::fill(selected_.begin(), selected_.end(), false);
    selected_[size_t(index - 1)] = true;
    focus_ = anchor_ = index - 1;
    current_ = index;
    ensureVisible(index - 1);
    viewport()->update();
    emit itemChosen(itemFolder(), itemName(), index);
}

void ThumbnailGrid::removeItem(int index) {
    if (index < 1 || index > count()) return;
    set_.remove(index - 1);
    selected_.erase(selected_.begin() + (index - 1));
    if (current_ > count()) current_ = count();
    focus_ = std::min(focus_, count() - 1);
    anchor_ = std::min(anchor_, count() - 1);
    updateScrollBar();
    updateVisible();
    viewport()->update();
}

bool ThumbnailGrid::isSelected(int index) const {
    return index >= 1 && index <= count() && selected_[size_t(index - 1)];
}

int ThumbnailGrid::selectedCount() const {
    return int(std::count(selected_.begin(), selected_.end(), true));
}

void ThumbnailGrid::setCurrentItem(int index) {
    current_ = index >= 1 && index <= count() ? index : 0;
}

QString ThumbnailGrid::itemFolder() const { return withSlash(set_.folder()); }

QString ThumbnailGrid::itemName() const { return itemName(current_); }

QString ThumbnailGrid::itemName(int index) const {
    return index >= 1 && index <= count() ? set_.name(index - 1) : QString();
}

QSize ThumbnailGrid::cellSize() const {
    return {std::max(kMinCell, viewport()->width() / columns_),
            std::max(kMinCell, viewport()->height() / rows_)};
}

int ThumbnailGrid::totalRows() const { return (count() + columns_ - 1) / columns_; }

QRect ThumbnailGrid::cellRect(int index) const {
    const QSize cell = cellSize();
    return QRect((index % columns_) * cell.width(),
                 (index / columns_) * cell.height() - verticalScrollBar()->value(), cell.width(),
                 cell.height());
}

int ThumbnailGrid::indexAt(const QPoint& position) const {
    const QSize cell = cellSize();
    const int column = position.x() / cell.width();
    const int row = (position.y() + verticalScrollBar()->value()) / cell.height();
    if (position.x() < 0 || position.y() < 0 || column >= columns_) return -1;
    const int index = row * columns_ + column;
    return index < count() ? index : -1;
}

int ThumbnailGrid::firstVisible() const {
    if (count() == 0) return 0;
    return verticalScrollBar()->value() / cellSize().height() * columns_ + 1;
}

void ThumbnailGrid::updateScrollBar() {
    const int cellHeight = cellSize().height();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, totalRows() * cellHeight - viewport()->height()));
    bar->setSingleStep(cellHeight);
    bar->setPageStep(std::max(1, viewport()->height()));
}

void ThumbnailGrid::updateVisible() {
    if (count() == 0) return;
    const int cellHeight = cellSize().height();
    const int top = verticalScrollBar()->value();
    const int first = top / cellHeight * columns_;
    const int last =
        std::min(count(), (top + viewport()->height()) / cellHeight * columns_ + columns_) - 1;
    // A screen above and below stays decoded, so that scrolling back repaints at once.
    const int screen = last - first + 1;
    set_.setVisibleRange(std::max(0, first - screen), last + screen);
    set_.prioritiseFrom(first);
}

void ThumbnailGrid::ensureVisible(int index) {
    const QSize cell = cellSize();
    const int top = (index / columns_) * cell.height();
    QScrollBar* bar = verticalScrollBar();
    if (top < bar->value())
        bar->setValue(top);
    else if (top + cell.height() > bar->value() + viewport()->height())
        bar->setValue(top + cell.height() - viewport()->height());
}

void ThumbnailGrid::scrollRow(int direction) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + direction * bar->singleStep());
}

void ThumbnailGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const int barHeight = progress_->sizeHint().height();
    progress_->setGeometry(0, height() - barHeight, viewport()->width(), barHeight);
    updateScrollBar();
    updateVisible();
}

void ThumbnailGrid::scrollContentsBy(int, int) {
    updateVisible();
    viewport()->update();
}

void ThumbnailGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QSize cell = cellSize();
    const int top = verticalScrollBar()->value();
    const QRect dirty = event->rect();
    const int firstRow = (top + dirty.top()) / cell.height();
    const int lastRow = (top + dirty.bottom()) / cell.height();
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = 0; column < columns_; ++column) {
            const int index = row * columns_ + column;
            if (index >= count()) return;
            paintCell(painter, index);
        }
    }
}

void ThumbnailGrid::paintCell(QPainter& painter, int index) {
    const QRect cell = cellRect(index);
    const QRect inner = cell.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    if (selected_[size_t(index)]) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlpha(70);
        painter.fillRect(cell.adjusted(1, 1, -1, -1), highlight);
    }
    QRect area = inner;
    if (showNames_) {
        const int line = painter.fontMetrics().height();
        area.setBottom(inner.bottom() - line);
        const QRect nameRect(inner.left(), area.bottom() + 1, inner.width(), line);
        const QString name = painter.fontMetrics().elidedText(
            platform::displayPath(set_.name(index)), Qt::ElideMiddle, nameRect.width());
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(nameRect, Qt::AlignCenter, name);
    }
    // Thumbnails are shown at their own size, or smaller when the cell is smaller.
    const QImage picture = set_.picture(index);
    // Thumbnails are made in device pixels.
    const double ratio = devicePixelRatioF();
    const QSize wanted =
        picture.isNull() ? QSize(size_, size_) : (QSizeF(picture.size()) / ratio).toSize();
    const QSize shown = wanted.scaled(area.size().boundedTo(wanted), Qt::KeepAspectRatio);
    const QRect target(area.left() + (area.width() - shown.width()) / 2,
                       area.top() + (area.height() - shown.height()) / 2, shown.width(),
                       shown.height());
    if (picture.isNull()) {
        paintPlaceholder(painter, target, set_.state(index) == ThumbnailSet::State::Failed);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform,
                              (QSizeF(shown) * ratio).toSize() != picture.size());
        // Transparency looks as it does in the editor and the pan window.
        if (util::mayBeTransparent(picture))
            util::paintCheckerboard(painter, target, target.topLeft());
        painter.drawImage(target, picture);
    }
    if (index == focus_ && hasFocus()) {
        painter.save();
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(1, 1, -2, -2));
        painter.restore();
    }
}

void ThumbnailGrid::onItemChanged(int index) {
    const QRect cell = cellRect(index);
    if (cell.intersects(viewport()->rect())) viewport()->update(cell);
}

void ThumbnailGrid::choose(int index, Qt::KeyboardModifiers modifiers) {
    if (index < 0 || index >= count()) return;
    if (modifiers & Qt::ShiftModifier && anchor_ >= 0) {
        std::fill(selected_.begin(), selected_.end(), false);
        for (int i = std::min(anchor_, index); i <= std::max(anchor_, index); ++i)
            selected_[size_t(i)] = true;
    } else if (modifiers & Qt::ControlModifier) {
        selected_[size_t(index)] = !selected_[size_t(index)];
        anchor_ = index;
    } else {
        std::fill(selected_.begin(), selected_.end(), false);
        selected_[size_t(index)] = true;
        anchor_ = index;
    }
    focus_ = index;
    current_ = index + 1;
    ensureVisible(index);
    viewport()->update();
    emit itemChosen(itemFolder(), itemName(), current_);
}

void ThumbnailGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        choose(indexAt(event->position().toPoint()), event->modifiers());
    emit mouseButton(event->button(), event->position().toPoint());
}

void ThumbnailGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || index < 0) return;
    current_ = index + 1;
    emit itemActivated(itemFolder(), itemName(), current_);
}

void ThumbnailGrid::keyPressEvent(QKeyEvent* event) {
    const int from = std::max(focus_, 0);
    const int page = columns_ * rows_;
    int to = -1;
    switch (event->key()) {
        case Qt::Key_Left:
            to = from - 1;
            break;
        case Qt::Key_Right:
            to = from + 1;
            break;
        case Qt::Key_Up:
            if (!hostUpDown_) to = from - columns_;
            break;
        case Qt::Key_Down:
            if (!hostUpDown_) to = from + columns_;
            break;
        case Qt::Key_PageUp:
            to = std::max(0, from - page);
            break;
        case Qt::Key_PageDown:
            to = std::min(count() - 1, from + page);
            break;
        case Qt::Key_Home:
            to = 0;
            break;
        case Qt::Key_End:
            to = count() - 1;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (focus_ >= 0) {
                current_ = focus_ + 1;
                emit itemActivated(itemFolder(), itemName(), current_);
            }
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (to >= 0 && to < count()) choose(to, event->modifiers() & Qt::ShiftModifier);
}

void ThumbnailGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ThumbnailGrid::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo file(url.toLocalFile());
        emit fileDropped(file.absolutePath(), file.fileName());
    }
    event->acceptProposedAction();
}

}  // namespace ximora::browser
