// The editing commands: pixel operations, colour reduction, flips and turns, reduction to the
// selection, band removal, trimming, the frame, undo and revert, and the small setting commands.
#include <cmath>
#include <utility>

#include "editor/document/colour_steps.h"
#include "editor/document/document_host.h"
#include "editor/document/fixed_filters.h"
#include "editor/document/numeric_value.h"
#include "editor/document/picture_document.h"
#include "editor/document/picture_facts.h"
#include "engine/colour/colour_reduce.h"
#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/tone.h"
#include "util/message_service.h"

namespace ximora::editor {
namespace {

// Colour codes that the pixel operations refuse ("." + code searched in it).
const QString kLowColour = QStringLiteral(".1.2.4.8.16.");
// Codes that geometry works on directly; palette images leave their palette first.
const QString kGeometryCodes = QStringLiteral(".80.16.24.32.");
// Codes that the band removal works on directly.
const QString kBandCodes = QStringLiteral(".16.24.32.");

// A palette image whose palette has transparent entries: the moves that only rearrange pixels
// work on its indexes.
bool transparentPalette(const engine::Image& image) {
    return image.hasPalette() && engine::hasTransparency(image);
}

}  // namespace

// --- shared steps ------------------------------------------------------------------------------

bool PictureDocument::fullColourCheck() {
    if (!codeIn(colourCode_, kLowColour)) return true;
    util::messages().message(QStringLiteral("ｴﾌｪｸﾄ処理は 24Bit Color 以上必要です"));
    return false;
}

bool PictureDocument::pushUndo() {
    redo_.clear();  // an edit starts a new branch: what undo took back is gone
    switch (undo_.push(image_)) {
        case UndoStore::Push::Written:
            if (undo_.kind() == UndoStore::Kind::Files)
                backingFile_ = undo_.snapshotName(undo_.count());
            lastOk_ = true;
            return true;
        case UndoStore::Push::WriteFailed:
            lastOk_ = false;
            return true;  // the edit goes on; only this step cannot be undone
        case UndoStore::Push::Overflow:
            lastOk_ = false;
            engine::setLastError(engine::kErrMemory);
            showEngineError(engine::kErrMemory);
            return false;
    }
    return false;
}

bool PictureDocument::workingCopy(engine::Image& out) const {
    out = image_;
    return !out.empty() || engine::fail(engine::kErrMemory);
}

ActResult PictureDocument::commitEdit(bool ok, engine::Image& work, bool clearSel) {
    if (ok) replaceImage(std::move(work));
    return finishEdit(ok, clearSel);
}

ActResult PictureDocument::finishEdit(bool ok, bool clearSel) {
    lastOk_ = ok;
    if (ok) {
        pictureChanged_ = true;
        redisplay(clearSel);
    } else {
        showEngineError(engine::lastError());
    }
    return ActResult::Done;
}

// --- pixel operations --------------------------------------------------------------------------

ActResult PictureDocument::actFilter(const QString& job) {
    const FixedFilter filter = fixedFilter(job);
    if (!filter || !hasImage()) return ActResult::Done;
    if (!fullColourCheck() || !pushUndo()) return ActResult::Done;
    return finishEdit(filter(image_, area()), false);
}

ActResult PictureDocument::actInvert(const QString& job) {
    if (!hasImage() || !pushUndo()) return ActResult::Done;
    engine::InversionParams params;
    if (job == QStringLiteral("Red"))
        params = {true, false, false};
    else if (job == QStringLiteral("Green"))
        params = {false, true, false};
    else if (job == QStringLiteral("Blue"))
        params = {false, false, true};
    return finishEdit(engine::invertChannels(image_, area(), params), false);
}

ActResult PictureDocument::actSaturation(const QString& job) {
    if (!hasImage() || !fullColourCheck() || !pushUndo()) return ActResult::Done;
    engine::SaturationParams params;
    if (job == QStringLiteral("鮮やか"))
        params.level = 200;
    else if (job == QStringLiteral("やや鮮やか"))
        params.level = 100;
    else if (job == QStringLiteral("やや淡く"))
        params.level = -30;
    else
        params.level = -60;
    return finishEdit(engine::adjustSaturation(image_, area(), params), false);
}

ActResult PictureDocument::actBrightness(const QString& job) {
    if (!hasImage() || !fullColourCheck() || !pushUndo()) return ActResult::Done;
    int level = -80;
    if (job == QStringLiteral("明るく"))
        level = 80;
    else if (job == QStringLiteral("やや明るく"))
        level = 40;
    else if (job == QStringLiteral("やや暗く"))
        level = -40;
    return finishEdit(engine::adjustBrightness(image_, area(), {level, level, level}), false);
}

ActResult PictureDocument::actColourDialog(const QString&) {
    return openAdjustment(Adjustment::ColourDepth);
}
ActResult PictureDocument::actCorrectionDialog(const QString&) {
    return openAdjustment(Adjustment::Correction);
}
ActResult PictureDocument::actEffectsDialog(const QString&) {
    return openAdjustment(Adjustment::Effects);
}
ActResult PictureDocument::actRotationDialog(const QString&) {
    return openAdjustment(Adjustment::Rotation);
}

ActResult PictureDocument::actResolution(const QString&) {
    if (!hasImage() || !host_) return ActResult::Unchanged;
    refreshInfo();
    int dpiX = image_.dpiX == 0 ? 72 : image_.dpiX;
    int dpiY = image_.dpiY == 0 ? 72 : image_.dpiY;
    if (!host_->askResolution(dpiX, dpiY, image_.width(), image_.height()))
        return ActResult::Unchanged;
    image_.dpiX = dpiX;
    image_.dpiY = dpiY;
    setEditState(kStateEdited);
    return ActResult::Done;
}

ActResult PictureDocument::openAdjustment(Adjustment kind) {
    if (!hasImage() || !host_) return ActResult::Unchanged;
    AdjustmentRequest request;
    request.kind = kind;
    const bool onRange =
        request.kind == Adjustment::Correction || request.kind == Adjustment::Effects;
    if (onRange && !fullColourCheck()) return ActResult::Done;
    request.scaleMode = scaleMode_;
    if (onRange && !selection_.empty()) {
        request.left = selection_.left, request.right = selection_.right;
        request.top = selection_.top, request.bottom = selection_.bottom;
    }
    request.colourCode = colourCode_;
    if (!pushUndo()) return ActResult::Done;
    engine::Image result;
    if (!workingCopy(result)) return finishEdit(false, false);
    if (!host_->adjust(request, result)) return ActResult::Unchanged;
    return commitEdit(true, result, false);
}

void PictureDocument::whitenRectangle(double left, double top, double width, double height) {
    settle();
    if (!hasImage()) return;
    const int l = int(std::lround(left)), t = int(std::lround(top));
    const int r = int(std::lround(left + width)), b = int(std::lround(top + height));
    if (engine::fillArea(image_, engine::Area::inside({{l, t}, {r, t}, {r, b}, {l, b}}),
                         {255, 255, 255, 255}))
        redisplay(false);
}

// --- colour and geometry -----------------------------------------------------------------------

ActResult PictureDocument::actColours(const QString& job) {
    static const std::pair<const char*, int> kCodes[] = {
        {"白黒", 1},        {"16色(4bit)", 4}, {"ｸﾞﾚ-(4bit)", 40}, {"256色(8bit)", 8},
        {"ｸﾞﾚ-(8bit)", 80}, {"16ﾋﾞｯﾄ", 16},    {"24ﾋﾞｯﾄ", 24},     {"32ﾋﾞｯﾄ", 32}};
    int code = 0;
    for (const auto& [name, value] : kCodes)
        if (job == QString::fromUtf8(name)) code = value;
    if (code == 0 || !hasImage() || !pushUndo()) return ActResult::Done;
    engine::Image work;
    if (!workingCopy(work)) return finishEdit(false, false);
    return commitEdit(changeColourCode(work, code), work, true);
}

ActResult PictureDocument::actRotate(const QString& job) {
    if (!hasImage() || !pushUndo()) return ActResult::Done;
    const auto turnImage = [&job](engine::Image& image) {
        if (job == QStringLiteral("左右反転")) return engine::flipHorizontal(image);
        if (job == QStringLiteral("上下反転")) return engine::flipVertical(image);
        if (job == QStringLiteral("右90度")) return engine::turn(image, 3);
        if (job == QStringLiteral("左90度")) return engine::turn(image, 1);
        return engine::turn(image, 2);  // "右180度" and "左180度"
    };
    // Turns leave the image as it was when they fail, so only a depth change needs a copy. A
    // palette with transparent entries is turned as it is: its transparency would not survive
    // the way through full colour.
    if (codeIn(colourCode_, kGeometryCodes) || transparentPalette(image_))
        return finishEdit(turnImage(image_), false);
    engine::Image work;
    if (!workingCopy(work)) return finishEdit(false, false);
    const bool ok = toGeometryDepth(work) && turnImage(work);
    return commitEdit(ok, work, false);
}

ActResult PictureDocument::actReduce(const QString& job) {
    if (!hasImage() || !pushUndo()) return ActResult::Done;
    if (selection_.empty()) {
        util::messages().message(QStringLiteral("先に範囲を指定し､そのｻｲｽﾞに合わせて縮小します"));
        return ActResult::Done;
    }
    const double w = selection_.right - selection_.left;
    const double h = selection_.bottom - selection_.top;
    const double W = image_.width(), H = image_.height();
    engine::ResizeParams size;
    if (job == QStringLiteral("横方向を基準に縮小")) {
        size = {int(std::nearbyint(w)), int(std::nearbyint(H * (w / W)))};
    } else if (job == QStringLiteral("縦方向を基準に縮小")) {
        size = {int(std::nearbyint(h / H * W)), int(std::nearbyint(h))};
    } else {
        size = {int(std::nearbyint(w)), int(std::nearbyint(h))};
    }
    engine::Image work;
    if (!workingCopy(work)) return finishEdit(false, false);
    const bool ok = (codeIn(colourCode_, kGeometryCodes) || changeColourCode(work, 16)) &&
                    engine::resize(work, size);
    return commitEdit(ok, work, true);
}

ActResult PictureDocument::actBand(const QString& job) {
    if (!hasImage() || selection_.empty() || !pushUndo()) return ActResult::Done;
    const Selection s = selection_;
    const int W = image_.width(), H = image_.height();
    const int formerCode = image_.colourCode();
    engine::Image work;
    if (!workingCopy(work)) return finishEdit(false, false);
    bool ok = codeIn(colourCode_, kBandCodes) || transparentPalette(work) || toGeometryDepth(work);
    // The band [left, right) (or [top, bottom)) goes; what lies beyond it moves up to its edge.
    if (ok && job == QStringLiteral("横方向")) {
        engine::Image rest = work;
        ok = (s.right >= W || engine::trim(rest, {s.right, 0, W, H})) &&
             (s.right >= W || engine::composite(work, rest, s.left, 0)) &&
             engine::trim(work, {0, 0, W - (s.right - s.left), H});
    } else if (ok) {
        engine::Image rest = work;
        ok = (s.bottom >= H || engine::trim(rest, {0, s.bottom, W, H})) &&
             (s.bottom >= H || engine::composite(work, rest, 0, s.top)) &&
             engine::trim(work, {0, 0, W, H - (s.bottom - s.top)});
    }
    if (ok && work.colourCode() != formerCode) ok = changeColourCode(work, formerCode);
    return commitEdit(ok, work, true);
}

ActResult PictureDocument::actTrim(const QString&) {
    if (!hasImage() || selection_.empty() || !pushUndo()) return ActResult::Done;
    engine::Image work;
    if (!workingCopy(work)) return finishEdit(false, false);
    const bool ok =
        engine::trim(work, {selection_.left, selection_.top, selection_.right, selection_.bottom});
    return commitEdit(ok, work, true);
}

ActResult PictureDocument::actFrame(const QString&) {
    if (!hasImage() || !pushUndo()) return ActResult::Done;
    // The frame is painted in twips of a 96-dpi surface (15 to a pixel): a thin line along the
    // top and left edges, a deeper shadow along the bottom and right edges, at least one pixel.
    const auto pixels = [](int twips) { return std::max(1, (twips + 14) / 15); };
    const int W = image_.width(), H = image_.height();
    const int top = pixels(2), left = pixels(2), bottom = pixels(68), right = pixels(68);
    engine::Image work;
    if (!workingCopy(work)) return finishEdit(false, false);
    const engine::Colour grey{128, 128, 128, 255};
    const auto box = [&](int x0, int y0, int x1, int y1) {
        return engine::fillArea(
            work, engine::Area::inside({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}), grey);
    };
    const bool ok = (work.bitsPerPixel() == 24 || changeColourCode(work, 24)) &&
                    box(0, 0, W, top) && box(0, 0, left, H) && box(0, H - bottom, W, H) &&
                    box(W - right, 0, W, H);
    work.dpiX = 96;
    work.dpiY = 96;
    return commitEdit(ok, work, false);
}

// --- history -----------------------------------------------------------------------------------

ActResult PictureDocument::actUndo(const QString&) {
    engine::Image previous;
    QString path;
    if (!undo_.load(previous, path)) return ActResult::Done;
    // BMP snapshots cannot carry the file's blocks; the colour profile above all must stay
    // with the picture, which keeps being shown and saved in its colours.
    if (previous.metadata.empty()) previous.metadata = image_.metadata;
    engine::Image undone = std::exchange(image_, std::move(previous));
    comment_.clear();
    clearSelection();
    show();
    if (!path.isEmpty()) backingFile_ = path;
    refreshInfo();
    if (undo_.count() == 1) {
        // Back at the picture as it was read, which ends the history, but not what redo holds.
        std::vector<engine::Image> undoneBefore = std::move(redo_);
        setEditState(kStateLoaded);
        redo_ = std::move(undoneBefore);
    } else {
        drawingPending_ = false;
        undo_.pop();
    }
    // Kept for redo while the budget leaves room for another picture of this size; the
    // oldest go first.
    redo_.push_back(std::move(undone));
    while (redo_.size() > 1 && engine::memoryLimit() < image_.byteCount())
        redo_.erase(redo_.begin());
    return ActResult::Done;
}

ActResult PictureDocument::actRedo(const QString&) {
    if (redo_.empty() || !hasImage()) return ActResult::Done;
    engine::Image redone = std::move(redo_.back());
    redo_.pop_back();
    std::vector<engine::Image> later = std::move(redo_);
    // The picture shown now becomes an undo step again, as the edit that is redone made it.
    if (!pushUndo()) return ActResult::Done;
    redo_ = std::move(later);
    image_ = std::move(redone);
    pictureChanged_ = true;  // marks the picture edited, as the edit did
    clearSelection();
    show();
    refreshInfo();
    return ActResult::Done;
}

ActResult PictureDocument::actRevert(const QString&) {
    // An untitled image has nothing to go back to (the open dialog is not the answer).
    if (!file_.isEmpty()) pcOpen(0, file_);
    return ActResult::Done;
}

// --- file and settings commands ----------------------------------------------------------------

ActResult PictureDocument::actNew(const QString&) {
    // A new picture replaces the current one like opening a file does: unsaved edits are
    // asked about first, never dropped.
    if (vCheckSave() == SaveAnswer::Cancel) return ActResult::Done;
    const QSize view = host_->viewSize();
    engine::Image blank;
    const int w = std::max(1, int(std::nearbyint(view.width() * 0.8)));
    const int h = std::max(1, int(std::nearbyint(view.height() * 0.8)));
    if (!blank.allocate(w, h, 24)) {
        showEngineError(engine::lastError());
        return ActResult::Done;
    }
    std::fill(blank.data(), blank.data() + blank.byteCount(), uint8_t(255));
    image_ = std::move(blank);
    // The edit state stays as it was, but the history was another picture's: undo never
    // brings that back.
    undo_.reset();
    drawingPending_ = false;
    file_.clear();
    backingFile_.clear();
    comment_.clear();
    clearSelection();
    show();
    refreshInfo();
    return ActResult::Done;
}

ActResult PictureDocument::actOpen(const QString&) {
    pcOpen(1, QString());
    return ActResult::Done;
}

ActResult PictureDocument::actDetails(const QString&) {
    if (!hasImage()) return ActResult::Done;
    refreshInfo();
    const QString text = details();
    host_->putClipboardText(text);
    util::messages().message(text);
    return ActResult::Done;
}

ActResult PictureDocument::actReset(const QString&) {
    // No picture, so nothing edited is left: no edit state, no history, no file.
    image_ = engine::Image();
    file_.clear();
    backingFile_.clear();
    comment_.clear();
    clearSelection();
    setEditState(kStateInitial);
    undo_.reset();
    drawingPending_ = false;
    emit imageShown();
    refreshInfo();
    return ActResult::Done;
}

ActResult PictureDocument::actView(const QString& job) {
    setView(job, 0);
    return ActResult::Done;
}

ActResult PictureDocument::actZoom(const QString& job) {
    setView(QStringLiteral("実寸"), numericValue(job) / 100.0);
    return ActResult::Done;
}

ActResult PictureDocument::actDragMode(const QString& job) {
    const int mode = job == QStringLiteral("矩形選択")   ? 0
                     : job == QStringLiteral("位置移動") ? 1
                                                         : 2;
    if (mode == 2) setView(QStringLiteral("実寸B"), 0);
    dragMode_ = mode;
    if (host_) host_->applyDragMode(mode);
    return ActResult::Done;
}

ActResult PictureDocument::actPanWindow(const QString& job) {
    host_->showPanWindow(job == QStringLiteral("表示"));
    return ActResult::Done;
}

ActResult PictureDocument::actUpdateMode(const QString& job) {
    updateMode_ = job == QStringLiteral("確認有") ? 0 : job == QStringLiteral("確認無") ? 1 : 2;
    return ActResult::Done;
}

ActResult PictureDocument::actEditState(const QString& job) {
    setEditState(job);
    return ActResult::Done;
}

}  // namespace ximora::editor
