#include "app/fm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "app/end_app.h"
#include "app/job_range.h"
#include "platform/desktop.h"
#include "platform/special_folders.h"
#include "settings/settings_groups.h"
#include "settings/y_ini.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::app {

using util::shared;

namespace {
const QString kArrow = QStringLiteral("⇒");

// The folder part of a path: the text before its last "/".
QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QString(slash == 0 ? "/" : "") : path.left(slash);
}
}  // namespace

FmMain::FmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(shared().sExeNm.isEmpty() ? QStringLiteral("ximora") : shared().sExeNm);
}

FmMain::~FmMain() {
    if (shared().mainWindow == this) shared().mainWindow = nullptr;
}

bool FmMain::load() {
    settings::YIni* store = settings::yIni();
    if (!store) return false;
    settings::YIni::F_ChkSb(shared().sUsrDir, {"Thumb", "Wrk/", "Temp/"});
    return store->GetTxt(shared().sUsrDir + "User.xml");
}

void FmMain::Act(int iJb, QString& file, float& width, float& height, bool twips, bool open,
                 bool& ok, bool& gif) {
    auto& values = shared();
    values.bAppAct = true;
    values.mainWindow = this;

    convertRange(width, height, twips, values.nScrDpiX, values.nScrDpiY);
    jobKind_ = iJb;
    jobFile_ = file;
    produced_.clear();
    gifFlag_ = false;
    loadSettings();

    rangeWidth_ = width > 0 && height > 0 ? width : 0;
    rangeHeight_ = width > 0 && height > 0 ? height : 0;
    rangeCaption_ = app::rangeCaption(width, height);

    values.bSuppress = true;
    if (values.sPcFold.isEmpty()) values.sPcFold = values.sUsrDir;
    const bool picture = platform::clipboardHasPicture();
    if (jobKind_ == kJobFolder && !jobFolder_.isEmpty()) Usr::EnsureFolders({jobFolder_});
    startControls();
    if (picture) {
        editorAction(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"));
        open = false;
    }
    if (open && Usr::FileExists(jobFile_)) editorOpen(jobFile_);
    setUpMenus();
    values.bSuppress = false;
    resultFlag_ = false;

    if (jobKind_ == kJobInteractive) {
        show();
        Usr::BringToFront(this);
        startAutorun();
        return;
    }
    runModal();
    if (jobKind_ == kJobFolder) {
        file = produced_;
        gif = gifFlag_;
    }
    ok = resultFlag_;
    EndApp(false);
}

void FmMain::ActHt(const QString& folder, QString& name, float width, float height, bool& gif,
                   bool& ok) {
    pcDpi(96);
    jobFolder_ = folder;
    jobName_ = name;
    name.clear();
    Act(kJobFolder, name, width, height, true, true, ok, gif);
}

void FmMain::runModal() {
    QEventLoop loop;
    modalLoop_ = &loop;
    setWindowModality(Qt::ApplicationModal);
    show();
    Usr::BringToFront(this);
    startAutorun();
    loop.exec();
    modalLoop_ = nullptr;
}

void FmMain::startAutorun() {
    if (!autorunOn_) return;
    autorunLine_ = 0;
    QTimer::singleShot(0, this, &FmMain::runNextScriptLine);
}

void FmMain::runNextScriptLine() {
    if (!isVisible()) return;  // the job has ended meanwhile
    while (autorunLine_ < autorun_.size()) {
        const QString line = autorun_[autorunLine_++];
        if (line.trimmed().isEmpty()) continue;
        const qsizetype arrow = line.indexOf(kArrow);
        if (arrow < 0) {
            const QByteArray text = "ximora: autorun: line " + QByteArray::number(autorunLine_) +
                                    " has no ⇒: " + line.toUtf8() + "\n";
            std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
            continue;
        }
        commandHook(line.left(arrow), line.mid(arrow + kArrow.size()));
        QTimer::singleShot(0, this, &FmMain::runNextScriptLine);
        return;
    }
    // Lines used up: edited pictures that no question would write are kept first. Then an
    // interactive run closes as from the close box, and a launch-file job ends with its result
    // flag as it stands. Either ends even when a question was not answered yes or a save
    // failed: what could not be saved goes to its rescue copy first.
    keepUnsavedPictures(false);
    if (jobKind_ != kJobInteractive) {
        finishRun();
        if (isVisible()) {
            keepUnsavedPictures(true);
            endRun();
        }
    } else if (!close()) {
        keepUnsavedPictures(true);
        endInteractiveRun();
        hide();
        QCoreApplication::quit();  // a hidden window is not a closed one
    }
}

void FmMain::commandHook(const QString& group, QString job) {
    Usr::CutAt(job, QStringLiteral("(&"));
    if (group.isEmpty() || job.isEmpty()) return;
    hookCommand(group, job);
}

void FmMain::route(const QString& group, const QString& job) {
    if (group == QStringLiteral("取込")) {
        if (jobKind_ == kJobInteractive) return;  // no caller to return anything to
        resultFlag_ = job != QStringLiteral("非選択");
        returnResult(job);
        return;
    }
    if (group == QStringLiteral("ﾌｧｲﾙ") && job == QStringLiteral("終了")) {
        // The close handler asks the editor's save question itself.
        if (jobKind_ != kJobInteractive)
            returnResult(job);
        else
            close();
        return;
    }
    routeCommand(group, job);
}

void FmMain::routeCommand(const QString& group, const QString& job) { editorAction(group, job); }

void FmMain::editorAction(const QString&, const QString&) {}

void FmMain::editorOpen(const QString&) {}

void FmMain::returnResult(const QString& job) {
    if (jobKind_ == kJobInteractive) return;
    if (resultFlag_ && !storeResult(job)) resultFlag_ = false;
    finishRun();
}

void FmMain::finishRun() {
    // Other windows' unsaved pictures are asked about first; a cancel keeps the run going.
    if (mayEndRun()) endRun();
}

void FmMain::endRun() {
    saveSettings();
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != this && window->isVisible()) window->close();
    stopControls();
    hide();  // ends the modal run
}

bool FmMain::storeResult(const QString&) {
    switch (jobKind_) {
        case kJobFile:
            return Usr::FileExists(jobFile_);
        case kJobClipboard:
            return platform::clipboardHasPicture();
        default:
            return false;
    }
}

void FmMain::setProduced(const QString& file, bool gif) {
    produced_ = file;
    gifFlag_ = gif;
}

void FmMain::startControls() {
    if (jobKind_ == kJobFile) jobFolder_ = folderOf(jobFile_);
}

void FmMain::loadSettings() {
    settings::YIni* store = settings::yIni();
    if (!store) return;
    auto& values = shared();
    const int screenWidth = values.nWaWidth;
    const int screenHeight = values.nWaHeight;

    store->GetGtx(QString::fromUtf8(settings::kGroupScreen));
    int left = static_cast<int>(store->vGtVal("LEFT", static_cast<int>(screenWidth * 0.1)));
    int top = static_cast<int>(store->vGtVal("TOP", static_cast<int>(screenHeight * 0.1)));
    int width = static_cast<int>(store->vGtVal("WIDTH", static_cast<int>(screenWidth * 0.7)));
    int height = static_cast<int>(store->vGtVal("HEIGHT", static_cast<int>(screenHeight * 0.7)));

    store->GetGtx(QString::fromUtf8(settings::kGroupSettings));
    values.sRootDir = store->vGtVal("ROOT", "");
    if (!Usr::FolderExists(values.sStartDir)) values.sStartDir = store->vGtVal("PATH", "");
    values.sPcFold = store->vGtVal("PC_FOLD", "");

    const QString documents = platform::specialFolder(platform::kFolderDocuments);
    if (!Usr::FolderExists(values.sStartDir)) values.sStartDir = documents;
    if (values.sPcFold.isEmpty()) values.sPcFold = values.sStartDir;
    if (!documents.isEmpty() && !values.sPcFold.contains(documents, Qt::CaseInsensitive))
        values.sPcFold += "," + documents;
    // The tree's root is the drive root of the start folder.
    const qsizetype slash = values.sStartDir.indexOf('/');
    values.sRootDir = slash >= 0 ? values.sStartDir.left(slash + 1) : values.sRootDir;

    if (width < 1 || height < 1) {
        setWindowState(windowState() | Qt::WindowMaximized);  // takes effect when shown
        return;
    }
    placeWindow(left, top, width, height);
}

void FmMain::placeWindow(int left, int top, int width, int height) {
    Usr::FitToWorkArea(left, top, width, height);
    const double tx = util::twipsPerPixelX(), ty = util::twipsPerPixelY();
    move(static_cast<int>(std::lround(left / tx)), static_cast<int>(std::lround(top / ty)));
    resize(static_cast<int>(std::lround(width / tx)), static_cast<int>(std::lround(height / ty)));
}

QRect FmMain::storedGeometry() const {
    const double tx = util::twipsPerPixelX(), ty = util::twipsPerPixelY();
    const QPoint corner = frameGeometry().topLeft();
    return {static_cast<int>(std::lround(corner.x() * tx)),
            static_cast<int>(std::lround(corner.y() * ty)),
            static_cast<int>(std::lround(width() * tx)),
            static_cast<int>(std::lround(height() * ty))};
}

void FmMain::saveSettings() {
    settings::YIni* store = settings::yIni();
    if (!store) return;
    const auto& values = shared();
    const QRect placed = storedGeometry();
    store->GetGtx(QString::fromUtf8(settings::kGroupScreen));
    store->SetVal("LEFT", placed.x());
    store->SetVal("TOP", placed.y());
    store->SetVal("WIDTH", placed.width());
    store->SetVal("HEIGHT", placed.height());
    store->SetGtx();
    store->GetGtx(QString::fromUtf8(settings::kGroupSettings));
    store->SetVal("ROOT", values.sRootDir);
    store->SetVal("PATH", values.sStartDir);
    store->SetVal("PC_FOLD", values.sPcFold);
    store->SetGtx();
}

void FmMain::closeEvent(QCloseEvent* event) {
    if (checkSave() == 2) {
        event->ignore();
        return;
    }
    endInteractiveRun();
    event->accept();
}

void FmMain::endInteractiveRun() {
    stopControls();
    saveSettings();
    jobFile_.clear();
    EndApp(true);
    unload();
}

void FmMain::unload() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != this && window->isVisible()) window->close();
    shared().bAppAct = false;
}

void FmMain::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (modalLoop_) modalLoop_->quit();
}

void FmMain::changeEvent(QEvent* event) {
    // The start procedure showed the busy pointer; the first activation ends it. A window
    // activated under other windows (focus following the mouse) comes to the front.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        Usr::BringToFront(this);
    }
    QMainWindow::changeEvent(event);
}

}  // namespace ximora::app
