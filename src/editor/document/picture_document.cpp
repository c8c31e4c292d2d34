#include "editor/document/picture_document.h"

#include <QFile>
#include <QFileInfo>

#include "editor/document/command_table.h"
#include "editor/document/document_host.h"
#include "editor/document/picture_facts.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "platform/file_names.h"
#include "util/message_service.h"
#include "util/timing_trace.h"

namespace ximora::editor {
namespace {

const QString kScaleNames[] = {QStringLiteral("ｽｹｰﾙ"), QStringLiteral("ｽﾄﾚｯﾁ"),
                               QStringLiteral("実寸"), QStringLiteral("横合わせ"),
                               QStringLiteral("縦合わせ")};

// In a window a JPEG cut short is shown with what it holds, as viewers do, and the information
// line says so; without one (ximora-batch) it is refused.
engine::LoadOptions windowLoadOptions() {
    engine::LoadOptions options;
    options.keepCutShort = true;
    return options;
}

}  // namespace

PictureDocument::PictureDocument(QObject* parent) : QObject(parent) {}

PictureDocument::~PictureDocument() = default;

// --- large pictures --------------------------------------------------------------------------

QSize PictureDocument::pictureSize() const {
    if (pending_) return pendingSize_;
    return image_.empty() ? QSize() : QSize(image_.width(), image_.height());
}

bool PictureDocument::readPicture(const QString& path, engine::Image& out) {
    const std::string name = platform::encodePath(path).toStdString();
    if (!host_) return engine::loadImage(name, out);
    if (readAhead_) {
        if (readAhead_->take(name, out)) return true;
        readAhead_->want({});  // a picture from elsewhere: the neighbours give back their memory
    }
    // A picture past the memory budget is refused before its file is read or a first view of
    // it shown.
    if (!engine::fitsMemoryBudget(name)) return false;
    auto file = std::make_shared<engine::FileSource>();
    if (!file->open(name)) return false;
    QSize size;
    if (!LargePictureLoad::worthIt(*file, size))
        return engine::loadImageFromSource(*file, out, windowLoadOptions());
    auto load = std::make_unique<LargePictureLoad>();
    // The worker's call comes back on this object's thread, once this document still exists.
    const auto done = [this] { QMetaObject::invokeMethod(this, [this] { settle(); }); };
    if (!load->start(std::move(file), out, done)) return false;
    pending_ = std::move(load);
    pendingSize_ = size;
    return true;
}

namespace {

// Reads a picture as opening it in the window does. loadImage refuses a picture past the memory
// budget as the open would.
bool readAsOpened(const std::string& name, engine::Image& out) {
    if (!engine::loadImage(name, out, windowLoadOptions())) return false;
    // A picture a decode worker handed over is mapped from its file, whose pages this process
    // has never touched: the first painting would fault them in one by one. It is copied into
    // the program's own memory here, beside the picture looked at.
    if (out.rasterMapped())
        if (engine::Image own(out); !own.empty()) out = std::move(own);
    return true;
}

}  // namespace

std::unique_ptr<ReadAhead> PictureDocument::readBeforehand(const QString& path) {
    auto reading = std::make_unique<ReadAhead>([](const std::string& name, engine::Image& out) {
        engine::FileSource file;
        QSize size;
        if (file.open(name) && LargePictureLoad::worthIt(file, size)) return false;
        return readAsOpened(name, out);
    });
    reading->want({platform::encodePath(path).toStdString()});
    return reading;
}

void PictureDocument::adoptReadAhead(std::unique_ptr<ReadAhead> reading) {
    readAhead_ = std::move(reading);
}

void PictureDocument::readAhead(const QStringList& paths) {
    if (!host_) return;
    if (!readAhead_) readAhead_ = std::make_unique<ReadAhead>(readAsOpened);
    std::vector<std::string> names;
    for (const QString& path : paths) names.push_back(platform::encodePath(path).toStdString());
    toReadAhead_ = std::move(names);
}

void PictureDocument::wholePictureShown() {
    if (!toReadAhead_) return;
    readAhead_->want(std::move(*toReadAhead_));
    toReadAhead_.reset();
}

void PictureDocument::settle() {
    if (!pending_) return;
    const std::unique_ptr<LargePictureLoad> load = std::move(pending_);
    engine::Image full;
    if (!load->finish(full)) {
        // Told after the picture is cleared, with what the decode said now.
        const QString path = file_;
        const int error = engine::lastError();
        const std::string why = engine::lastErrorWhy();
        // The first view never stands in for the picture: it could be saved over the file.
        image_ = engine::Image();
        file_.clear();
        backingFile_.clear();
        clearSelection();
        setEditState(kStateInitial);
        emit imageShown();
        refreshInfo();
        reportLoadFailure(path, error, why);
        return;
    }
    image_ = std::move(full);
    emit imageShown();
    refreshInfo();
}

// --- start and stop ------------------------------------------------------------------------

void PictureDocument::start(const QString& workFolder, UndoStore::Kind undoKind) {
    undo_.setWorkFolder(workFolder, undoKind);
    edited_ = false;
}

void PictureDocument::stop() {
    settle();
    undo_.cleanUp();
    undo_.setWorkFolder({}, undo_.kind());
    file_.clear();
    colourCode_.clear();
    comment_.clear();
    selection_ = {};
}

// --- facts -----------------------------------------------------------------------------------

qint64 PictureDocument::backingFileSize() const {
    return backingFile_.isEmpty() ? 0 : QFileInfo(backingFile_).size();
}

void PictureDocument::setEditState(const QString& state) {
    edited_ = state == kStateEdited;
    if (state == kStateLoaded) {
        undo_.reset();
        redo_.clear();
        drawingPending_ = false;
    }
    state_ = state;
    emit eEdtMode(state);
}

void PictureDocument::refreshInfo() {
    if (pending_) return;  // the facts follow when the picture is taken in
    colourCode_ = colourCodeText(image_);
    QString info = hasImage() ? infoText(image_, backingFileSize(), filePages(file_)) : QString();
    if (hasImage() && image_.cutShort) info += QStringLiteral("  ﾌｧｲﾙが途中で切れています");
    emit eStPcTyp(file_, colourCode_, info);
}

QString PictureDocument::details() const { return detailsText(image_, backingFileSize()); }

void PictureDocument::showEngineError(int code) {
    // The last error also says why, when the system gave a reason (a full disk).
    const std::string text = code == engine::lastError() ? engine::lastErrorMessage()
                                                         : std::string(engine::errorText(code));
    if (text.empty()) return;
    util::messages().message(QString::fromStdString(text));
}

// --- parameters ------------------------------------------------------------------------------

void PictureDocument::setParams(const Params& params) {
    jpegQuality_ = params.jpegQuality == 0 ? 85 : params.jpegQuality;
    updateMode_ = params.updateMode;
    setView(params.scaleName, 0);
    dragMode_ = params.dragMode;
    defaultExtension_ = params.defaultExtension.toLower();
}

bool PictureDocument::params(Params& out) {
    if (scaleMode_ == 0) scaleMode_ = 1;
    out.jpegQuality = jpegQuality_;
    out.updateMode = updateMode_;
    out.dragMode = dragMode_;
    out.defaultExtension = defaultExtension_;
    if (scaleMode_ < 1 || scaleMode_ > 5) {
        util::messages().message(QStringLiteral("Err GetPram"));
        return false;
    }
    out.scaleName = kScaleNames[scaleMode_ - 1];
    return true;
}

// --- view settings ---------------------------------------------------------------------------

void PictureDocument::setZoom(double factor) {
    zoomX_ = factor;
    zoomY_ = factor;
}

void PictureDocument::setView(const QString& name, double zoom) {
    if (name == QStringLiteral("ｽｹｰﾙ")) {
        scaleMode_ = 1;
    } else if (name == QStringLiteral("実寸B")) {
        scaleMode_ = 3;
    } else if (name == QStringLiteral("実寸")) {
        scaleMode_ = 3;
        setZoom(zoom == 0 ? 1.0 : zoom);
    } else if (name == QStringLiteral("横合わせ")) {
        scaleMode_ = 4;
    } else if (name == QStringLiteral("縦合わせ")) {
        scaleMode_ = 5;
    } else if (name == QStringLiteral("ｽﾄﾚｯﾁ")) {
        scaleMode_ = 2;
    } else if (name == QStringLiteral("Refresh")) {
        if (!hasImage() || scaleMode_ == 0) return;
    } else {
        util::messages().message(QStringLiteral("Err pcView"));
    }
    show();
    if (lastOk_ && name != QStringLiteral("Refresh")) emit eChgViewMode(scaleMode_);
}

void PictureDocument::clickZoom(bool in) {
    if (in) {
        zoomX_ *= 1.1;
        zoomY_ *= 1.1;
    } else {
        zoomX_ /= 1.1;
        zoomY_ /= 1.1;
    }
    emit zoomChanged();
}

void PictureDocument::zoomTo(double zoom) {
    if (scaleMode_ != 3) return setView(QStringLiteral("実寸"), zoom);
    setZoom(zoom);
    emit zoomChanged();
}

void PictureDocument::show() {
    lastOk_ = hasImage();
    emit imageShown();
    const int mode = scaleMode_ == 0 ? 1 : scaleMode_;
    if (lastOk_ && (mode == 1 || mode == 2) && host_) host_->showPanWindow(false);
}

void PictureDocument::redisplay(bool clearSel) {
    if (clearSel) clearSelection();
    if (hasImage()) emit imageShown();
    refreshInfo();
}

// --- selection -------------------------------------------------------------------------------

void PictureDocument::setSelection(const Selection& s) {
    settle();
    Selection clipped{std::clamp(std::min(s.left, s.right), 0, image_.width()),
                      std::clamp(std::min(s.top, s.bottom), 0, image_.height()),
                      std::clamp(std::max(s.left, s.right), 0, image_.width()),
                      std::clamp(std::max(s.top, s.bottom), 0, image_.height())};
    if (clipped.right <= clipped.left || clipped.bottom <= clipped.top) clipped = {};
    if (clipped == selection_) return;
    selection_ = clipped;
    emit selectionChanged();
}

void PictureDocument::clearSelection() {
    if (selection_.empty()) return;
    selection_ = {};
    emit selectionChanged();
}

engine::Area PictureDocument::area() const {
    if (selection_.empty()) return engine::Area::whole();
    const Selection& s = selection_;
    return engine::Area::inside(
        {{s.left, s.top}, {s.right, s.top}, {s.right, s.bottom}, {s.left, s.bottom}});
}

// --- the command entry -------------------------------------------------------------------------

bool PictureDocument::needsWindow(const QString& group, const QString& job) {
    const CommandTable::Row* row = CommandTable::find(group, job);
    return row && row->needsWindow;
}

void PictureDocument::pcAct(const QString& group, const QString& job) {
    settle();
    lastJob_ = job;
    const bool busy = !job.contains(QStringLiteral("詳細")) && job != QStringLiteral("加工");
    if (busy && host_) host_->setBusy(true);
    ActResult result = ActResult::Done;
    pictureChanged_ = false;
    const CommandTable::Row* row = CommandTable::find(group, job);
    if (row && row->handler && (host_ || !row->needsWindow)) {
        result = (this->*row->handler)(job);
    } else if (row) {
        // A known command that cannot run here (no window, or its dialog is not part of the
        // editor yet) acts like a cancelled dialog: nothing changed.
        result = ActResult::Unchanged;
    }
    // A save that was cancelled or failed keeps the state: it still holds unsaved changes.
    const bool saveJob =
        !job.isEmpty() && QStringLiteral("上書き保存.名前を付けて保存").contains(job);
    const bool editGroup =
        !group.isEmpty() &&
        QStringLiteral("綴じ込み.色数.補正･効果.色反転.彩度.明度.回転.ﾘｻｲｽﾞ").contains(group);
    if (saveJob) {
        if (result == ActResult::Done) setEditState(kStateLoaded);
    } else if (pictureChanged_ ||
               (result != ActResult::Unchanged && (editGroup || job == QStringLiteral("ﾄﾘﾐﾝｸﾞ")))) {
        // Every command that changed the picture marks it, whatever its group: a change that
        // is not marked would be lost without a question.
        setEditState(kStateEdited);
    }
    // Also after a failed command: a pointer left busy would outlive the command.
    if (busy && host_) host_->setBusy(false);
}

// --- opening ---------------------------------------------------------------------------------

PictureDocument::SaveAnswer PictureDocument::vCheckSave() {
    settle();
    if (state_ != kStateEdited) return SaveAnswer::None;
    SaveAnswer answer = SaveAnswer::No;
    if (updateMode_ == 0) {
        switch (util::messages().message(QStringLiteral("現在の画像の変更を保存しますか"),
                                         util::MsgButtons::YesNoCancel, util::MsgIcon::Question)) {
            case util::MsgAnswer::Yes:
            case util::MsgAnswer::Ok:
                answer = SaveAnswer::Yes;
                break;
            case util::MsgAnswer::No:
                answer = SaveAnswer::No;
                setEditState(kStateLoaded);
                break;
            case util::MsgAnswer::Cancel:
                answer = SaveAnswer::Cancel;
                break;
        }
    } else if (updateMode_ == 2) {
        answer = SaveAnswer::Yes;
    }
    if (answer == SaveAnswer::Yes) {
        QString name;
        // A picture without a file (new, pasted, scanned) is saved under a name asked for now.
        // The changes are not dropped when they could not be written or no name was given:
        // the caller stops.
        if (!save(file_.isEmpty() ? 1 : 0, name, false, false)) answer = SaveAnswer::Cancel;
    }
    return answer;
}

QString PictureDocument::initialFolder() {
    QString folder;
    emit eAskPcPh(folder);
    return folder;
}

void PictureDocument::pcOpen(int iJb, const QString& sFL, bool bNEvn) {
    if (iJb == 1 && vCheckSave() == SaveAnswer::Cancel) {
        emit eStFile(file_);
        return;
    }
    QString path = sFL;
    if (path.isEmpty()) {
        util::FileRequest request;
        request.title = QStringLiteral("画像ﾌｧｲﾙを開く");
        request.start = initialFolder();
        request.filter = QStringLiteral(
            "画像ﾌｧｲﾙ (*.BMP *.JPG *.JPEG *.JPE *.JFIF *.TIF *.TIFF *.PCX *.FPX *.PNG *.GIF *.JP2 "
            "*.JPC *.J2K *.bmp *.jpg *.jpeg *.jpe *.jfif *.tif *.tiff *.pcx *.fpx *.png *.gif "
            "*.jp2 *.jpc *.j2k "
            "*.WEBP *.HEIC *.HEIF *.HIF *.AVIF *.JXL *.webp *.heic *.heif *.hif *.avif *.jxl)");
        path = util::messages().openFile(request);
        if (path.isEmpty()) return;
    }
    const QString ext = QFileInfo(path).fileName().contains('.')
                            ? path.mid(path.lastIndexOf('.') + 1).toUpper()
                            : QString();
    const bool vectorFile =
        !ext.isEmpty() && QStringLiteral("WMF;EMF;DXF;SVG;SFC;P21").split(';').contains(ext);
    if (vectorFile) {
        openVector(path);
        return;
    }
    clearSelection();
    vector_ = false;
    loadRaster(path, true, bNEvn);
}

void PictureDocument::openVector(const QString& path) {
    // Vector files open through the vector viewer window; without one they are refused. A
    // drawing that cannot be read or a closed viewer leaves the document as it was.
    if (!host_) {
        showEngineError(engine::kErrUnsupported);
        return;
    }
    engine::Image picture;
    if (host_->openVector(path, picture) != DocumentHost::Outcome::Done) return;
    if (scaleMode_ == 0) scaleMode_ = 1;
    clearSelection();
    vector_ = true;
    takeImage(std::move(picture));
}

bool PictureDocument::loadRaster(const QString& path, bool loadFlag, bool suppressEvent) {
    if (scaleMode_ == 0) scaleMode_ = 1;
    if (!loadFlag) return false;
    // A missing or unreadable file leaves the document as it was (never the old image under
    // the new file's name).
    if (!platform::pathExists(path)) return false;
    util::trace::pictureRequested(path);
    settle();  // a picture still being decoded is taken in before another replaces it
    engine::Image loaded;
    if (!readPicture(path, loaded)) {
        lastOk_ = false;
        reportLoadFailure(path);
        return false;
    }
    QString comment = QString::fromUtf8(loaded.comment.data(), qsizetype(loaded.comment.size()));
    comment.remove('\r');
    image_ = std::move(loaded);
    file_ = path;
    comment_ = comment;
    backingFile_ = path;
    show();
    if (!suppressEvent) emit eStFile(path);
    setEditState(kStateLoaded);
    redisplay(false);
    return true;
}

void PictureDocument::reportLoadFailure(const QString& path) {
    reportLoadFailure(path, engine::lastError(), engine::lastErrorWhy());
}

void PictureDocument::reportLoadFailure(const QString& path, int error, const std::string& reason) {
    // The engine's text, then the file and why: the system's reason or the decoder's words.
    const QString text = QString::fromUtf8(engine::errorText(error));
    if (text.isEmpty()) return;
    const QString name = platform::displayPath(QFileInfo(path).fileName());
    const QString why = QString::fromStdString(reason);
    if (quietLoadErrors_) {
        emit loadFailed(name + QStringLiteral(": ") + text +
                        (why.isEmpty() ? QString() : QStringLiteral(" (") + why + ')'));
        return;
    }
    util::messages().message(text + '\r' + name +
                             (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
}

// --- images from elsewhere ---------------------------------------------------------------------

void PictureDocument::takeImage(engine::Image image) {
    settle();
    image_ = std::move(image);
    show();
    emit eStFile(QString());
    comment_.clear();
    backingFile_.clear();
    file_.clear();
    clearSelection();
    setEditState(kStateLoaded);
    refreshInfo();
}

void PictureDocument::displayImage(engine::Image image) {
    settle();
    if (image.empty()) return;
    image_ = std::move(image);
    clearSelection();
    show();
    setEditState(kStateLoaded);
    refreshInfo();
}

void PictureDocument::replaceImage(engine::Image image) {
    settle();
    image_ = std::move(image);
    if (!selection_.empty()) setSelection(selection_);  // keep it inside the new size
}

void PictureDocument::setDpi(int dpi) {
    settle();
    image_.dpiX = dpi;
    image_.dpiY = dpi;
    setEditState(kStateEdited);
}

}  // namespace ximora::editor
