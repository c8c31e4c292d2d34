#include "editor/upce.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <functional>

#include "editor/draw/drawing_toolbar.h"
#include "editor/print/picture_printer.h"
#include "editor/save/save_dialog.h"
#include "editor/scan/scan_dialogs.h"
#include "editor/scan/scanner_device.h"
#include "editor/view/pan_window.h"
#include "editor/view/picture_view.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/handles.h"
#include "engine/formats/file_conversion.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "util/message_service.h"
#include "util/qimage_adapter.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::editor {
namespace {

uPcE::AdjustmentDialogs& adjustmentDialogs() {
    static uPcE::AdjustmentDialogs dialogs;
    return dialogs;
}

uPcE::RangeDialog& rangeDialog() {
    static uPcE::RangeDialog dialog;
    return dialog;
}

uPcE::ResolutionDialog& resolutionDialog() {
    static uPcE::ResolutionDialog dialog;
    return dialog;
}

}  // namespace

void uPcE::setRangeDialog(RangeDialog dialog) { rangeDialog() = std::move(dialog); }

QString uPcE::registerRange(const QString& list, int width, int height) {
    const RangeDialog& dialog = rangeDialog();
    return dialog ? dialog(list, width, height, host_ ? host_ : this) : list;
}

void uPcE::setResolutionDialog(ResolutionDialog dialog) { resolutionDialog() = std::move(dialog); }

bool uPcE::askResolution(int& dpiX, int& dpiY, int width, int height) {
    const ResolutionDialog& dialog = resolutionDialog();
    return dialog && dialog(dpiX, dpiY, width, height, host_ ? host_ : this);
}

void uPcE::setAdjustmentDialogs(AdjustmentDialogs dialogs) {
    adjustmentDialogs() = std::move(dialogs);
}

bool uPcE::adjust(const AdjustmentRequest& request, engine::Image& image) {
    const AdjustmentDialogs& dialogs = adjustmentDialogs();
    return dialogs && dialogs(request, image, host_ ? host_ : this);
}

namespace {

// The print settings live in the user data folder, which the program may move at start-up.
PicturePrinter printer() {
    return PicturePrinter(util::shared().sUsrDir + QStringLiteral("IkPrn.Ik"));
}

}  // namespace

bool uPcE::aeSaveClp(const QString& sFL) {
    engine::Image picture;
    if (!clipboardImage(picture)) return false;
    if (doc_.saveCopy(std::move(picture), sFL)) return true;
    util::messages().message(QString::number(engine::lastError()));
    return false;
}

bool uPcE::aeSaveCapt(const QString& sFL, bool bActWin) {
    engine::Image picture;
    if (!Usr::CaptureScreen(bActWin) || !clipboardImage(picture)) return false;
    picture.dpiX = picture.dpiY = 96;
    doc_.takeImage(std::move(picture));
    QString name = sFL;
    return doc_.save(1, name, false, false);
}

bool uPcE::aeCnvPic(const QString& sFL1, const QString& sFL2, int iJpgQ) {
    // Converted beside the current picture, which stays as it is (its path and state would no
    // longer match it otherwise).
    return engine::convertFile(platform::encodePath(sFL1).toStdString(),
                               platform::encodePath(sFL2).toStdString(), iJpgQ);
}

void uPcE::showDrawingToolbar(bool show) {
    if (!show) {
        if (toolbar_) toolbar_->close();  // reports back: the document commits the drawing
        return;
    }
    QWidget* host = host_ ? host_->window() : window();
    if (!toolbar_) {
        toolbar_ = new DrawingToolbar(host);
        connect(toolbar_, &DrawingToolbar::toolChanged, this,
                [this](int kind) { doc_.drawingToolChanged(kind); });
        connect(toolbar_, &DrawingToolbar::closedByUser, this,
                [this] { doc_.drawingToolbarClosed(); });
        view_->setDrawingToolbar(toolbar_);
    }
    toolbar_->setStamp(stampFile_.isEmpty() ? QImage() : QImage(stampFile_));
    toolbar_->setTool(DrawTool::Pointer);
    toolbar_->adjustSize();
    // The toolbar stands 68 pixels left of the host window's left edge; when the screen has no
    // room there, it goes to the screen's edge and the host window makes room, keeping its
    // right edge.
    const QRect frame = host->frameGeometry();
    int left = frame.left() - 68;
    if (left < 0) {
        left = 0;
        const bool maximised = host->isMaximized();
        if (maximised) host->showNormal();
        const QRect g = host->geometry();
        const int shift = maximised ? 71 : 68 - frame.left();
        host->setGeometry(g.left() + shift, g.top(), std::max(200, g.width() - shift), g.height());
    }
    toolbar_->move(left, std::max(0, frame.top()));
    toolbar_->show();
    toolbar_->raise();
}

void uPcE::pageSetup() { printer().pageSetup(host_ ? host_ : this); }

DocumentHost::Outcome uPcE::printImage(const engine::Image& image) {
    switch (printer().print(image, host_ ? host_ : this)) {
        case PicturePrinter::Result::Printed:
            return Outcome::Done;
        case PicturePrinter::Result::Cancelled:
            return Outcome::Cancelled;
        case PicturePrinter::Result::Failed:
            break;
    }
    return Outcome::Failed;
}

DocumentHost::Outcome uPcE::chooseScanSource() {
    std::vector<ScannerConnection::Device> devices;
    if (!scanner_.devices(devices)) return Outcome::Failed;
    QString chosen = scanner_.source();
    if (!chooseScanner(devices, chosen, host_ ? host_ : this)) return Outcome::Cancelled;
    scanner_.setSource(chosen);
    return Outcome::Done;
}

DocumentHost::Outcome uPcE::scanImage(engine::Image& out) {
    Usr::SetBusy(true);
    const bool ok = scanner_.acquire(out, [this](ScannerDevice& device) {
        Usr::SetBusy(false);  // the options window is for the user
        const bool go = editScanOptions(device, host_ ? host_ : this);
        if (go) Usr::SetBusy(true);
        return go;
    });
    Usr::SetBusy(false);
    if (ok) return Outcome::Done;
    return engine::lastError() == engine::kOk ? Outcome::Cancelled : Outcome::Failed;
}

uPcE::uPcE(QWidget* parent) : QWidget(parent), view_(new PictureView(doc_, this)) {
    doc_.setHost(this);
    connect(&doc_, &PictureDocument::eStFile, this, &uPcE::eStFile);
    connect(&doc_, &PictureDocument::eStPcTyp, this, &uPcE::eStPcTyp);
    connect(&doc_, &PictureDocument::eEdtMode, this, &uPcE::eEdtMode);
    connect(&doc_, &PictureDocument::eChgViewMode, this, &uPcE::eChgViewMode);
    connect(&doc_, &PictureDocument::eChkFld, this, &uPcE::eChkFld);
    connect(&doc_, &PictureDocument::eShwTBar, this, &uPcE::eShwTBar);
    connect(&doc_, &PictureDocument::eAskPcPh, this, &uPcE::eAskPcPh, Qt::DirectConnection);
    connect(&doc_, &PictureDocument::imageShown, this, &uPcE::releaseHandle);
    connect(&doc_, &PictureDocument::rangesChanged, this, &uPcE::eChgHani);
    connect(&doc_, &PictureDocument::centreRequested, view_, &PictureView::centreOn);
    connect(view_, &PictureView::popUpRequested, this, &uPcE::ePopUp);
    connect(view_, &PictureView::fileDropped, this,
            [this](const QString& path) { doc_.pcOpen(1, path); });
}

uPcE::~uPcE() {
    doc_.setHost(nullptr);
    releaseHandle();
}

void uPcE::enableZoomInputs() {
    view_->setWheelZooms(true);
    const auto bind = [this](const QList<QKeySequence>& keys, std::function<void()> run) {
        for (const QKeySequence& key : keys) {
            auto* shortcut = new QShortcut(key, this);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, run);
        }
    };
    // Ctrl+= is Ctrl+Plus without Shift on most layouts.
    bind({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         [this] { view_->zoomStepAtCentre(true); });
    bind({QKeySequence::ZoomOut}, [this] { view_->zoomStepAtCentre(false); });
    bind({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] {
        if (doc_.hasImage()) doc_.setView(QStringLiteral("ｽｹｰﾙ"), 0);
    });
}

void uPcE::cOn(QWidget* xFrm, const QString& sPhW) {
    host_ = xFrm;
    doc_.start(sPhW);
}

void uPcE::cOff() {
    doc_.stop();
    view_->update();
}

void uPcE::GtMnState(bool& bExPc, bool& bEdtP, bool& bRct, bool& bUndo, int& iBit, bool& bPnW,
                     bool& bTbar) const {
    bExPc = doc_.hasImage();
    bEdtP = (doc_.edited() && bExPc) || doc_.drawingPending();
    bRct = bExPc && !doc_.selection().empty();
    bUndo = doc_.undoCount() >= 1 && bExPc;
    iBit = QString(doc_.colourCode()).remove('.').toInt();
    bPnW = doc_.scaleMode() == 3;
    bTbar = doc_.toolbarShown();
}

bool uPcE::panWindowShown() const {
    const QWidget* pan = view_->panWindow();
    return pan && pan->isVisible();
}

void uPcE::releaseHandle() {
    if (handle_ != 0) engine::imageHandles().free(handle_);
    handle_ = 0;
}

void uPcE::GetHndle(int& nHnd) {
    if (handle_ == 0 && doc_.hasImage()) handle_ = engine::imageHandles().add(doc_.image());
    nHnd = handle_;
}

int uPcE::DispImage() {
    int handle = 0;
    GetHndle(handle);
    return handle;
}

void uPcE::DispImage(int nHnd) {
    if (nHnd == 0) return;
    const std::shared_ptr<engine::Image> image = engine::imageHandles().get(nHnd);
    if (image) doc_.displayImage(*image);
}

void uPcE::SetPram(int iJp, int iUd, const QString& sDp, int iMc, const QString& sKk) {
    doc_.setParams({iJp, iUd, sDp, iMc, sKk});
}

bool uPcE::GetPram(int& iJp, int& iUd, QString& sDp, int& iMc, QString& sKk) {
    PictureDocument::Params p;
    const bool ok = doc_.params(p);
    iJp = p.jpegQuality, iUd = p.updateMode, iMc = p.dragMode, sKk = p.defaultExtension;
    if (ok) sDp = p.scaleName;
    return ok;
}

int uPcE::vCheckSave() {
    switch (doc_.vCheckSave()) {
        case PictureDocument::SaveAnswer::Yes:
            return kYes;
        case PictureDocument::SaveAnswer::No:
            return kNo;
        case PictureDocument::SaveAnswer::Cancel:
            return kCancel;
        case PictureDocument::SaveAnswer::None:
            break;
    }
    return kNone;
}

void uPcE::StSize() {
    started_ = true;
    if (width() >= 100 && height() >= 100) view_->setGeometry(rect());
}

void uPcE::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (started_) StSize();
}

QSize uPcE::viewSize() const {
    return (QSizeF(view_->viewport()->size()) * view_->devicePixelRatioF()).toSize();
}

QString uPcE::askSaveName(const QString& folder, const QString& name, const QStringList& formats) {
    return askSavePath(folder, name, formats, host_ ? host_ : this);
}

void uPcE::setBusy(bool on) { view_->setBusy(on); }

void uPcE::showPanWindow(bool show) { view_->showPanWindow(show); }

void uPcE::applyDragMode(int mode) { view_->setDragMode(mode); }

void uPcE::putClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

bool uPcE::putClipboardImage(const engine::Image& image) {
    const QImage picture = util::toQImage(image);
    if (picture.isNull()) return false;
    QGuiApplication::clipboard()->setImage(picture);
    return QGuiApplication::clipboard()->mimeData() &&
           QGuiApplication::clipboard()->mimeData()->hasImage();
}

namespace {

// The picture on the clipboard. One another program offers is, with decoding in workers,
// decoded as a stranger's file is, by the engine in a worker, from the bytes of the first
// picture format offered that the engine reads; Qt, which would decode it in this process, is
// not asked then. This program's own picture (plain QMimeData, where another program's comes
// through the platform's own kind) is taken as it is.
QImage offeredPicture(const QMimeData& offered, engine::Image& decoded) {
    if (!engine::decodesInWorkers() || offered.metaObject() == &QMimeData::staticMetaObject)
        return qvariant_cast<QImage>(offered.imageData());
    for (const QString& format : offered.formats()) {
        if (!format.startsWith(QLatin1String("image/"))) continue;
        const QByteArray bytes = offered.data(format);
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
        if (engine::detectFormat(data, size_t(bytes.size())) == engine::FileFormat::Unknown)
            continue;
        if (engine::loadImageFromMemory(data, size_t(bytes.size()), decoded))
            return util::toQImage(decoded);
        return {};
    }
    return {};
}

}  // namespace

bool uPcE::clipboardImage(engine::Image& out) {
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    if (!offered || !offered->hasImage()) return false;
    engine::Image decoded;
    const QImage picture = offeredPicture(*offered, decoded);
    if (picture.isNull()) return false;
    // A picture past the memory budget is refused before it is copied (error 3 set).
    if (!engine::Image::fitsLimits(picture.width(), picture.height(), 24)) return false;
    // Transparent parts become white, as a pasted picture has no alpha of its own.
    QImage flat(picture.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    flat.setDotsPerMeterX(picture.dotsPerMeterX());
    flat.setDotsPerMeterY(picture.dotsPerMeterY());
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, picture);
    }
    engine::Image image = util::fromQImage(flat);
    if (image.empty()) return false;
    out = std::move(image);
    return true;
}

QString uPcE::clipboardDrawing() {
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    if (!offered) return {};
    static constexpr std::pair<const char*, const char*> kDrawings[] = {{"image/svg+xml", "svg"},
                                                                        {"image/x-emf", "emf"},
                                                                        {"image/emf", "emf"},
                                                                        {"image/x-wmf", "wmf"},
                                                                        {"image/wmf", "wmf"}};
    for (const auto& [type, extension] : kDrawings) {
        const QByteArray bytes = offered->data(QString::fromLatin1(type));
        if (bytes.isEmpty()) continue;
        const QString path =
            util::shared().sUsrDir + QStringLiteral("Wrk/clipboard.") + QLatin1String(extension);
        return platform::writeFileAtomically(path, bytes) ? path : QString();
    }
    return {};
}

}  // namespace ximora::editor
