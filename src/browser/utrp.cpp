#include "browser/utrp.h"

#include <QApplication>
#include <QDir>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

#include "browser/drive_list.h"
#include "browser/file_list.h"
#include "browser/folder_scan.h"
#include "browser/folder_tree.h"
#include "browser/folder_watch.h"
#include "browser/thumbnail_cache_files.h"
#include "browser/thumbnail_grid.h"
#include "browser/thumbnail_layout_dialog.h"
#include "browser/thumbnail_layout_settings.h"
#include "engine/thumbs/folder_listing.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/timing_trace.h"
#include "util/usr.h"

namespace ximora::browser {
namespace {

/// Sets the process-wide suppression flag for a scope, so that the selection changes the
/// control makes itself are not reported as the user's choices.
class Suppress {
  public:
    Suppress() : previous_(util::shared().bSuppress) { util::shared().bSuppress = true; }
    ~Suppress() { util::shared().bSuppress = previous_; }
    Suppress(const Suppress&) = delete;
    Suppress& operator=(const Suppress&) = delete;

  private:
    bool previous_;
};

bool suppressed() { return util::shared().bSuppress; }

/// The busy pointer for a scope.
class Busy {
  public:
    explicit Busy(Qt::CursorShape shape = Qt::WaitCursor) {
        QApplication::setOverrideCursor(shape);
    }
    ~Busy() { QApplication::restoreOverrideCursor(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
};

/// Flags a scope in which the control changes a selection itself.
class OwnChange {
  public:
    explicit OwnChange(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~OwnChange() { flag_ = previous_; }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;

  private:
    bool& flag_;
    bool previous_;
};

QWidget* pane(const char* name, QWidget* child) {
    auto* holder = new QWidget;
    holder->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(child);
    return holder;
}

QString trimmedFolder(QString path) {
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    return path;
}

}  // namespace

uTrP::uTrP(QWidget* parent)
    : QWidget(parent),
      drive_(new DriveList),
      cmFld_(new QPushButton),
      trView_(new QTreeWidget),
      list_(new FileList),
      grid_(new ThumbnailGrid),
      timer_(new QTimer(this)),
      splitter_(new QSplitter(Qt::Vertical)),
      pFile_(nullptr),
      folders_(nullptr),
      watch_(new QFutureWatcher<std::vector<int>>(this)) {
    setObjectName(QStringLiteral("uTrP"));
    folders_ = new FolderTree(trView_, [this](const QString& path) {
        return path == QLatin1String("/") || drive_->isDriveRoot(path);
    });
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(1000);
    buildLayout();
    connectChildren();
    if (util::shared().bAppAct) {
        SetThmb(true);
        splitter_->setHandleWidth(5);
    }
}

uTrP::~uTrP() {
    timer_->stop();
    watch_->waitForFinished();
    grid_->reset();  // ends a busy pointer the workers started while this control still lives
}

QTreeWidget* uTrP::tree() const { return trView_; }

void uTrP::buildLayout() {
    cmFld_->setObjectName(QStringLiteral("cmFld"));
    cmFld_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    cmFld_->setFixedWidth(cmFld_->sizeHint().height());
    cmFld_->setToolTip(QStringLiteral("ﾌｫﾙﾀﾞの指定"));
    trView_->setObjectName(QStringLiteral("trView"));
    trView_->setHeaderHidden(true);
    trView_->setColumnCount(1);
    trView_->setUniformRowHeights(true);
    trView_->setIconSize(QSize(16, 16));
    grid_->setHostHandlesUpDown(true);
    grid_->setVisible(false);

    auto* top = new QWidget;
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(pane("pDrive", drive_), 1);
    row->addWidget(pane("pFld", cmFld_), 0);
    top->setFixedHeight(top->sizeHint().height());

    pFile_ = pane("pFile", list_);
    pFile_->layout()->addWidget(grid_);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(top);
    splitter_->addWidget(pane("pDir", trView_));
    splitter_->addWidget(pFile_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setStretchFactor(2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
}

void uTrP::connectChildren() {
    connect(timer_, &QTimer::timeout, this, &uTrP::startWatchPass);
    connect(watch_, &QFutureWatcher<std::vector<int>>::finished, this, [this] {
        if (watchGeneration_ != folders_->generation()) return;  // the tree was rebuilt
        // The refill lets events run; no further pass starts until this one is handled.
        OwnChange applying(applyingWatch_);
        const std::vector<int> changed = watch_->result();
        checkFoldersFollowingTree([&] {
            checkFolders(
                *folders_, [this] { fillFileArea(true); }, changed);
        });
    });
    connect(cmFld_, &QPushButton::clicked, this, &uTrP::F_GtFld);
    connect(drive_, &DriveList::driveChanged, this, &uTrP::onDriveChanged);
    connect(trView_, &QTreeWidget::currentItemChanged, this, &uTrP::onTreeCurrentChanged);
    connect(list_, &QTreeWidget::currentItemChanged, this, &uTrP::onListCurrentChanged);
    connect(list_, &QTreeWidget::itemClicked, this, &uTrP::listClick);
    connect(list_, &FileList::enterPressed, this, &uTrP::listClick);
    connect(list_, &FileList::deletePressed, this, &uTrP::eDelKeyF);
    connect(grid_, &ThumbnailGrid::itemChosen, this, &uTrP::onThumbChosen);
    connect(grid_, &ThumbnailGrid::listingFinished, this,
            [this](int count) { thumbCount_ = count; });
    connect(grid_, &ThumbnailGrid::busyBegin, this,
            [] { QApplication::setOverrideCursor(Qt::BusyCursor); });
    connect(grid_, &ThumbnailGrid::busyEnd, this, [] { QApplication::restoreOverrideCursor(); });
    connect(grid_, &ThumbnailGrid::mouseButton, this, [this](Qt::MouseButton button) {
        if (button == Qt::RightButton) emit eRClick(false);
    });
    for (QObject* child : {static_cast<QObject*>(drive_), static_cast<QObject*>(cmFld_),
                           static_cast<QObject*>(trView_), static_cast<QObject*>(list_),
                           static_cast<QObject*>(grid_), static_cast<QObject*>(trView_->viewport()),
                           static_cast<QObject*>(list_->viewport())})
        child->installEventFilter(this);
}

bool uTrP::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched->isWidgetType() &&
        !watched->objectName().isEmpty()) {
        focusedPart_ = watched->objectName();
    } else if (event->type() == QEvent::KeyRelease && focusedPart_ == QLatin1String("IkThmb")) {
        onThumbKeyRelease(static_cast<QKeyEvent*>(event)->key());
    } else if (event->type() == QEvent::MouseButtonPress &&
               static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (watched == trView_->viewport()) emit eRClick(true);
        if (watched == list_->viewport()) emit eRClick(false);
    }
    return QWidget::eventFilter(watched, event);
}

void uTrP::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (util::shared().bAppAct) timer_->start();
}

void uTrP::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_->stop();
}

// ---- Connect and disconnect -------------------------------------------------------------

void uTrP::cOn(const QString& sRoot, const QString& sStart, bool bMulti, const QString& sFile) {
    filter_ =
        QString::fromLatin1(engine::kImageFilter.data(), qsizetype(engine::kImageFilter.size()));
    grid_->setFilter(filter_);
    multi_ = bMulti;
    list_->setSelectionMode(bMulti ? QAbstractItemView::ExtendedSelection
                                   : QAbstractItemView::SingleSelection);
    // The tree pane's height lock is released, unless the host restored a saved height: that
    // height stays as it is while the window takes its size, instead of growing at each start.
    if (!savedTreeHeight_) splitter_->setStretchFactor(1, 1);
    setRoot(sRoot);
    setPath(sStart);
    if (!sFile.isEmpty()) selectFileByName(sFile, true);
}

void uTrP::cOff() {
    timer_->stop();
    if (!grid_->cacheFile().trimmed().isEmpty()) grid_->saveCache();
    grid_->reset();
}

// ---- Tree ---------------------------------------------------------------------------------

QString uTrP::Root() const {
    const QTreeWidgetItem* root = folders_->root();
    return root ? FolderTree::fullPath(root) : QString();
}

void uTrP::setRoot(const QString& sRoot) {
    QString path = sRoot;
    if (path.isEmpty() || !folderStamp(path)) path = util::shared().sUsrDir;
    path = QDir::cleanPath(path);
    Suppress quiet;
    drive_->setDriveOf(path);
    buildTree(path);
}

void uTrP::buildTree(const QString& path) {
    {
        OwnChange own(ownChange_);
        if (!folders_->build(path))
            util::messages().message(trimmedFolder(path) + QStringLiteral(" Not Found"));
    }
    emptyFileArea();
}

QString uTrP::Path() const {
    const QTreeWidgetItem* item = trView_->currentItem();
    return item ? FolderTree::fullPath(item) : QString();
}

void uTrP::setPath(const QString& sPath) {
    if (!folders_->root() || sPath.isEmpty()) return;
    const QString root = Root();
    const bool insideTree =
        root == QLatin1String("/") || sPath == root || sPath.startsWith(root + u'/');
    if (insideTree) {
        const QSignalBlocker quiet(drive_);
        drive_->setDriveOf(sPath);
    } else {
        drive_->setDriveOf(sPath);  // another drive rebuilds the tree at its root
    }
    {
        OwnChange own(ownChange_);
        if (QTreeWidgetItem* node = folders_->walkTo(sPath)) trView_->setCurrentItem(node);
    }
    util::trace::event("folder-requested", sPath);
    fillFileArea(false);
    QApplication::processEvents();
    emit eCngDr(sPath);
}

void uTrP::F_GtFld() {
    QString chosen = Root();
    Usr::BrowseFolder(chosen);
    if (chosen.isEmpty()) return;
    Suppress quiet;
    drive_->setDriveOf(chosen);
    buildTree(chosen);
}

void uTrP::onDriveChanged(const QString& root) {
    if (suppressed()) return;
    buildTree(root);
}

void uTrP::onTreeCurrentChanged() {
    if (suppressed() || ownChange_) return;
    util::trace::event("folder-requested", Path());
    fillFileArea(false);
    QApplication::processEvents();
    emit eCngDr(Path());
}

void uTrP::RfrshFL() {
    if (QTreeWidgetItem* node = trView_->currentItem()) {
        OwnChange own(ownChange_);
        while (node->childCount() > 0) folders_->removeNode(node->child(0));
        folders_->loadChildren(node);
    }
    if (thumbMode_) {
        Busy busy;
        grid_->reset();
        grid_->listFolder();
    } else {
        fillList(false);
    }
}

void uTrP::ChkFld() {
    checkFoldersFollowingTree([this] { checkFolders(*folders_, [this] { fillFileArea(true); }); });
}

void uTrP::checkFoldersFollowingTree(const std::function<void()>& check) {
    const QString before = Path();
    {
        OwnChange own(ownChange_);
        check();
    }
    // The selected folder went: the tree moved on to another one, and the file area follows.
    if (Path() == before) return;
    fillFileArea(false);
    emit eCngDr(Path());
}

void uTrP::startWatchPass() {
    if (watch_->isRunning() || applyingWatch_ || !folders_->root()) return;
    watchGeneration_ = folders_->generation();
    watch_->setFuture(
        QtConcurrent::run([entries = watchList(*folders_)] { return changedFolders(entries); }));
}

int uTrP::DirHi() const {
    return int(std::lround(splitter_->sizes().value(1) * util::twipsPerPixelY()));
}

void uTrP::setDirHi(int height) {
    if (height == 0) return;
    QList<int> sizes = splitter_->sizes();
    const int wanted = int(std::lround(height / util::twipsPerPixelY()));
    const int total = sizes.value(1) + sizes.value(2);
    sizes[1] = wanted;
    sizes[2] = std::max(0, total - wanted);
    splitter_->setSizes(sizes);
    splitter_->setStretchFactor(1, 0);  // locked: resizing the control leaves the tree's height
    savedTreeHeight_ = true;
}

// ---- File area ----------------------------------------------------------------------------

QString uTrP::folderWithSlash() const {
    const QString path = Path();
    return path.endsWith(u'/') ? path : path + u'/';
}

void uTrP::emptyFileArea() {
    if (thumbMode_)
        grid_->reset();
    else
        list_->empty();
}

void uTrP::fillFileArea(bool keepSelection) {
    if (thumbMode_)
        fillThumbnails(keepSelection);
    else
        fillList(keepSelection);
}

void uTrP::fillList(bool keepSelection) {
    if (keepSelection) lastChosen_.clear();
    Suppress quiet;
    list_->fill(Path(), filter_, keepSelection);
}

void uTrP::fillThumbnails(bool keepSelection) {
    Busy busy;
    const QString remembered = lastChosen_;
    lastChosen_.clear();
    if (!grid_->cacheFile().trimmed().isEmpty()) grid_->saveCache();  // errors are of no matter
    if (Path().isEmpty()) {  // no tree yet: nothing to list and no cache to name
        grid_->setCacheFile(QString());
        grid_->reset();
        return;
    }
    grid_->setFolder(Path());
    grid_->setCacheFile(cacheFileName(Path(), grid_->deviceThumbnailSize()));
    grid_->reset();
    grid_->listFolder();
    QApplication::processEvents();
    if (!keepSelection || remembered.isEmpty()) return;
    for (int i = 1; i <= thumbCount_; ++i) {
        if (folderWithSlash() + grid_->itemName(i) == remembered) {
            Suppress quiet;
            grid_->selectItem(i);
            currentThumb_ = i;
            lastChosen_ = remembered;
            break;
        }
    }
}

void uTrP::setShwThmb(bool bThmb) {
    if (bThmb == thumbMode_) return;
    thumbMode_ = bThmb;
    // Both live in pane pFile; only the one of the mode is shown.
    list_->setVisible(!bThmb);
    grid_->setVisible(bThmb);
    // The file chosen in the list (the start file among them) stays the current thumbnail.
    if (bThmb)
        fillThumbnails(true);
    else
        fillList(false);
}

QString uTrP::sClWds() const {
    QStringList widths;
    for (int column = 0; column < 3; ++column)
        widths << QString::number(std::lround(list_->columnWidth(column) * util::twipsPerPixelX()));
    return widths.join(u'/');
}

bool uTrP::setSClWds(const QString& sWds) {
    if (sWds.isEmpty()) return true;
    const QStringList parts = sWds.split(u'/');
    if (parts.size() < 3) return false;
    for (int column = 0; column < 3; ++column) {
        const double twips = parts[column].trimmed().toDouble();
        list_->setColumnWidth(column, int(std::lround(twips / util::twipsPerPixelX())));
    }
    return true;
}

int uTrP::iGetFls() const {
    if (thumbMode_) return grid_->selectedCount();
    return int(list_->selectedItems().size());
}

QString uTrP::sGetFls(bool bChk) const {
    QStringList paths;
    const QString folder = folderWithSlash();
    if (thumbMode_) {
        for (int i = 1; i <= grid_->count(); ++i) {
            if (!bChk || grid_->isSelected(i)) paths << folder + grid_->itemName(i);
        }
    } else {
        for (int i = 0; i < list_->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list_->topLevelItem(i);
            if (!bChk || item->isSelected()) paths << folder + FileList::name(item);
        }
    }
    return paths.join(u'\t');
}

// ---- Choosing files -----------------------------------------------------------------------

void uTrP::report(const QString& path) {
    lastChosen_ = path;
    Suppress quiet;
    emit eSlcFile(path);
}

void uTrP::listClick() {
    if (suppressed() || list_->topLevelItemCount() == 0) return;
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item) return;
    const QString path = folderWithSlash() + FileList::name(item);
    if (path != lastChosen_) report(path);
}

void uTrP::onListCurrentChanged() {
    if (!slcEnt_) listClick();
}

void uTrP::onThumbChosen(const QString& folder, const QString& name, int index) {
    if (suppressed()) return;
    currentThumb_ = index;
    lastChosen_ = folder + name;
    emit eSlcFile(lastChosen_);
}

void uTrP::onThumbKeyRelease(int key) {
    if (key != Qt::Key_Up && key != Qt::Key_Down) return;
    const int direction = key == Qt::Key_Up ? -1 : 1;
    const int index = currentThumb_ + direction * grid_->columns();
    if (!slcEnt_) grid_->selectItem(index);
    grid_->scrollRow(direction);
}

// The start file is the browser's own request, so it is selected and reported even while the
// host holds the suppression flag around the start (the host's start always does).
void uTrP::selectFileByName(const QString& path, bool reportIt) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    // A full path names one file: a namesake in another folder is never taken for it.
    if (slash >= 0 &&
        QDir::cleanPath(path.left(std::max<qsizetype>(slash, 1))) != QDir::cleanPath(Path()))
        return;
    QString folder;
    {
        Suppress quiet;
        if (thumbMode_) {
            int found = 0;
            for (int i = 1; i <= thumbCount_ && found == 0; ++i) {
                grid_->setCurrentItem(i);
                if (grid_->itemName() == name) found = i;
            }
            if (found == 0) return;
            grid_->selectItem(found);
            currentThumb_ = found;
            folder = grid_->itemFolder();
        } else {
            if (!list_->selectName(name)) return;
            folder = folderWithSlash();
        }
    }
    if (reportIt) report(folder + name);
}

int uTrP::steppedNumber(int offset) const {
    const int count = thumbMode_ ? thumbCount_ : list_->topLevelItemCount();
    if (count < 1) return 0;
    const int number = (thumbMode_ ? currentThumb_ : list_->selectedNumber()) + offset;
    return number > count ? 1 : number < 1 ? count : number;  // wrapping at both ends
}

QString uTrP::neighbour(int offset) const {
    const int number = steppedNumber(offset);
    if (number < 1) return {};
    if (thumbMode_) return grid_->itemFolder() + grid_->itemName(number);
    return folderWithSlash() + FileList::name(list_->topLevelItem(number - 1));
}

void uTrP::MoveNxt(int offset) {
    const int number = steppedNumber(offset);
    if (number < 1) return;
    if (thumbMode_) {
        currentThumb_ = number;
        grid_->setCurrentItem(number);
        report(grid_->itemFolder() + grid_->itemName());
        return;
    }
    {
        Suppress quiet;
        list_->selectNumber(number);
    }
    listClick();
}

void uTrP::MoveEnd(bool last) {
    const int count = thumbMode_ ? thumbCount_ : list_->topLevelItemCount();
    const int current = thumbMode_ ? currentThumb_ : list_->selectedNumber();
    const int offset = (last ? count : 1) - current;
    if (count > 0 && offset != 0) MoveNxt(offset);
}

void uTrP::AftDel() {
    if (thumbMode_) {
        thumbCount_ = std::max(0, thumbCount_ - 1);
        RfrshFL();
        const int index = std::min(currentThumb_, thumbCount_);
        if (index < 1) return;
        grid_->setCurrentItem(index);
        report(grid_->itemFolder() + grid_->itemName());
        return;
    }
    QTreeWidgetItem* item = list_->currentItem();
    if (!item) return;
    const int removed = list_->indexOfTopLevelItem(item) + 1;
    {
        Suppress quiet;
        delete item;
        const int count = list_->topLevelItemCount();
        if (count > 0) list_->selectNumber(std::min(removed, count));
    }
    // Reported once: the list click handling records it as the last chosen file.
    listClick();
}

QString uTrP::SlcThmb() {
    if (!thumbnailWindow_) return {};
    const QString chosen = thumbnailWindow_(window(), Path());
    if (!chosen.isEmpty()) report(chosen);
    return chosen;
}

// ---- Thumbnail layout and cache -----------------------------------------------------------

void uTrP::SetThmb(bool bIni) {
    if (bIni) {
        const ThumbnailLayout layout = loadThumbnailLayout();
        grid_->setColumns(layout.columns);
        grid_->setRows(layout.rows);
        grid_->setShowNames(layout.showNames);
        grid_->setThumbnailSize(layout.size);
        return;
    }
    const ThumbnailLayout current{grid_->columns(), grid_->rows(), grid_->thumbnailSize(),
                                  grid_->showNames()};
    const auto chosen = ThumbnailLayoutDialog::ask(current);
    if (!chosen) return;
    storeThumbnailLayout(*chosen);
    grid_->setColumns(chosen->columns);
    grid_->setRows(chosen->rows);
    grid_->setShowNames(chosen->showNames);
    // A new size applies at once; the cache of the old size is written before the switch.
    if (!grid_->cacheFile().trimmed().isEmpty()) grid_->saveCache();
    grid_->setCacheFile(QString());
    grid_->setThumbnailSize(chosen->size);
    if (thumbMode_) fillThumbnails(false);
}

bool uTrP::CleanThmb() {
    const CleanupResult result = cleanCacheFolder(util::shared().sUsrDir + QStringLiteral("Thumb"));
    if (!result.ok) return false;
    util::messages().message(result.report.isEmpty()
                                 ? QStringLiteral("不要なｻﾑﾈｲﾙはありませんでした")
                                 : result.report + QStringLiteral("を削除しました"));
    return true;
}

}  // namespace ximora::browser
