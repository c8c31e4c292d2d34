#include "browser/thumbnail_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>

#include "browser/file_clipboard.h"
#include "browser/file_transfer.h"
#include "browser/thumbnail_cache_files.h"
#include "browser/thumbnail_grid.h"
#include "browser/thumbnail_layout_settings.h"
#include "engine/thumbs/folder_listing.h"
#include "settings/y_ini.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::browser {
namespace {

// The thumbnail window's own defaults: a larger grid than the browser's.
constexpr ThumbnailLayout kWindowDefaults{3, 5, 200, false};

const QString kLeft = QStringLiteral("LEFT"), kTop = QStringLiteral("TOP");
const QString kWidth = QStringLiteral("WIDTH"), kHeight = QStringLiteral("HEIGHT");

int pixelsX(double twips) { return int(std::lround(twips / util::twipsPerPixelX())); }
int pixelsY(double twips) { return int(std::lround(twips / util::twipsPerPixelY())); }
int twipsX(int pixels) { return int(std::lround(pixels * util::twipsPerPixelX())); }
int twipsY(int pixels) { return int(std::lround(pixels * util::twipsPerPixelY())); }

}  // namespace

QString spTmS::Act(QWidget* owner, const QString& folder) {
    spTmS window(owner, folder);
    util::messages().runModal(window);
    return window.chosen();
}

spTmS::spTmS(QWidget* owner, const QString& folder)
    : QDialog(owner),
      folder_(folder),
      grid_(new ThumbnailGrid),
      splitter_(new QSplitter(Qt::Vertical, this)),
      columns_(new QLineEdit),
      rows_(new QLineEdit),
      size_(new QLineEdit),
      names_(new QCheckBox(QStringLiteral("ﾌｧｲﾙ名を表示する"))),
      redraw_(new QPushButton(QStringLiteral("再表示"))) {
    Usr::SetBusy(true);
    util::SharedValues& values = util::shared();
    values.bSuppress = true;
    setObjectName(QStringLiteral("spTmS"));
    setWindowTitle(folder);
    grid_->setObjectName(QStringLiteral("IkThumb"));
    grid_->setFilter(
        QString::fromLatin1(engine::kImageFilter.data(), qsizetype(engine::kImageFilter.size())));
    grid_->setHostHandlesUpDown(false);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    columns_->setObjectName(QStringLiteral("txCL"));
    rows_->setObjectName(QStringLiteral("txRw"));
    size_->setObjectName(QStringLiteral("txSz"));
    names_->setObjectName(QStringLiteral("chFn"));
    redraw_->setObjectName(QStringLiteral("ssRbn"));

    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* boxes = new QGridLayout(frame);
    boxes->addWidget(new QLabel(QStringLiteral("列数")), 0, 0);
    boxes->addWidget(columns_, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("行数")), 0, 2);
    boxes->addWidget(rows_, 0, 3);
    boxes->addWidget(new QLabel(QStringLiteral("画像ｻｲｽﾞ")), 0, 4);
    boxes->addWidget(size_, 0, 5);
    boxes->addWidget(names_, 0, 6);
    boxes->addWidget(redraw_, 0, 7);
    boxes->setColumnStretch(8, 1);
    splitter_->addWidget(grid_);
    splitter_->addWidget(frame);
    splitter_->setStretchFactor(0, 1);
    Usr::SetSplitterStyle(splitter_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);

    if (owner) {
        const QRect inner = owner->geometry();
        setGeometry(inner.x(), inner.y(), int(inner.width() * 0.98), int(inner.height() * 0.99));
    }
    loadSettings();

    connect(redraw_, &QPushButton::clicked, this, &spTmS::apply);
    connect(grid_, &ThumbnailGrid::itemActivated, this,
            [this](const QString& itemFolder, const QString& name, int) {
                chosen_ = QDir(itemFolder).filePath(name);
                accept();
            });
    connect(grid_, &ThumbnailGrid::mouseButton, this,
            [this](Qt::MouseButton button, const QPoint& position) {
                if (button == Qt::RightButton) popUpMenu(position);
            });
    connect(grid_, &ThumbnailGrid::fileDropped, this,
            [this](const QString& from, const QString& name) {
                transferFiles({QDir(from).filePath(name)}, folder_, Transfer::Copy, this);
            });
    values.bSuppress = false;
    Usr::SetBusy(false);
}

spTmS::~spTmS() {
    if (!grid_->cacheFile().trimmed().isEmpty()) grid_->saveCache();  // errors are of no matter
    grid_->reset();
}

void spTmS::loadSettings() {
    const ThumbnailLayout layout = loadThumbnailLayout(kWindowLayoutGroup, kWindowDefaults);
    if (settings::YIni* store = settings::yIni()) {
        store->GetGtx(kWindowLayoutGroup);
        int left = int(store->vGtVal(kLeft, 0)), top = int(store->vGtVal(kTop, 0));
        int width = int(store->vGtVal(kWidth, 0)), height = int(store->vGtVal(kHeight, 0));
        if (width > 0 && height > 0) {
            Usr::FitToWorkArea(left, top, width, height);
            setGeometry(pixelsX(left), pixelsY(top), pixelsX(width), pixelsY(height));
        }
    }
    columns_->setText(QString::number(layout.columns));
    rows_->setText(QString::number(layout.rows));
    size_->setText(QString::number(layout.size));
    names_->setChecked(layout.showNames);
    grid_->setColumns(layout.columns);
    grid_->setRows(layout.rows);
    grid_->setShowNames(layout.showNames);
    grid_->setThumbnailSize(layout.size);
}

void spTmS::saveSettings() {
    storeThumbnailLayout({leadingNumber(columns_->text()), leadingNumber(rows_->text()),
                          leadingNumber(size_->text()), names_->isChecked()},
                         kWindowLayoutGroup);
    settings::YIni* store = settings::yIni();
    if (!store) return;
    store->GetGtx(kWindowLayoutGroup);
    const QRect r = geometry();
    store->SetVal(kLeft, twipsX(r.x()));
    store->SetVal(kTop, twipsY(r.y()));
    store->SetVal(kWidth, twipsX(r.width()));
    store->SetVal(kHeight, twipsY(r.height()));
    store->SetGtx();
}

void spTmS::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (listed_) return;
    listed_ = true;
    list();
}

void spTmS::list() {
    grid_->setFolder(folder_);
    grid_->setCacheFile(cacheFileName(folder_, grid_->deviceThumbnailSize()));
    grid_->reset();
    grid_->listFolder();
}

void spTmS::apply() {
    grid_->setThumbnailSize(leadingNumber(size_->text()));
    grid_->setColumns(leadingNumber(columns_->text()));
    grid_->setRows(leadingNumber(rows_->text()));
    grid_->setShowNames(names_->isChecked());
    if (!grid_->cacheFile().trimmed().isEmpty()) grid_->saveCache();
    list();
}

QStringList spTmS::selectedPaths() const {
    QStringList paths;
    for (int i = 1; i <= grid_->count(); ++i)
        if (grid_->isSelected(i)) paths << QDir(folder_).filePath(grid_->itemName(i));
    return paths;
}

void spTmS::popUpMenu(const QPoint& position) {
    QMenu menu(this);
    for (const char* caption : {"切り取り", "ｺﾋﾟｰ", "貼り付け"})
        menu.addAction(QString::fromUtf8(caption));
    menu.addSeparator();
    menu.addAction(QStringLiteral("削除"));
    const QAction* chosen = menu.exec(grid_->viewport()->mapToGlobal(position));
    if (chosen) runFileCommand(chosen->text());
}

void spTmS::runFileCommand(const QString& caption) {
    const QStringList paths = selectedPaths();
    // A paste needs no selection: an empty folder receives one too.
    if (paths.isEmpty() && caption != QStringLiteral("貼り付け")) return;
    QClipboard* clipboard = QApplication::clipboard();
    if (caption == QStringLiteral("切り取り") || caption == QStringLiteral("ｺﾋﾟｰ")) {
        clipboard->setMimeData(fileClipboardData(paths, caption == QStringLiteral("切り取り")));
    } else if (caption == QStringLiteral("貼り付け")) {
        const ClipboardFiles files = clipboardFiles(clipboard->mimeData());
        if (files.paths.isEmpty() || !(files.copies() || files.moves())) return;
        transferFiles(files.paths, folder_, files.copies() ? Transfer::Copy : Transfer::Move, this);
        list();
    } else if (caption == QStringLiteral("削除")) {
        Usr::DeleteToBin(this, paths, false, false);
        // Items whose files went are taken out of the view, from the last so indices hold.
        for (int i = grid_->count(); i >= 1; --i)
            if (grid_->isSelected(i) &&
                !QFileInfo::exists(QDir(folder_).filePath(grid_->itemName(i))))
                grid_->removeItem(i);
    }
}

void spTmS::done(int result) {
    saveSettings();
    QDialog::done(result);
}

}  // namespace ximora::browser
