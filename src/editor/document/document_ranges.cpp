// The range commands: placing a selection of a requested or registered size, registering the
// current size, clearing, swapping, keeping and recalling the selection, zooming to it, and the
// two marking operations on the selected area.
#include <algorithm>
#include <cmath>

#include "editor/document/colour_steps.h"
#include "editor/document/document_host.h"
#include "editor/document/numeric_value.h"
#include "editor/document/picture_document.h"
#include "editor/document/picture_facts.h"
#include "engine/ops/tone.h"
#include "util/usr.h"

namespace ximora::editor {
namespace {

// Colour codes the marking operations work on directly.
const QString kMarkCodes = QStringLiteral(".16.24.32.");
// A placed selection starts this many pixels from the image's left and top edges.
constexpr int kRectOffset = 10;
constexpr double kCentimetresPerInch = 2.54;
constexpr int kDefaultDpi = 96;

}  // namespace

void PictureDocument::setRect(double width, double height) {
    settle();
    if (!hasImage()) return;
    const int right = int(std::min(std::nearbyint(width + kRectOffset), double(image_.width())));
    const int bottom = int(std::min(std::nearbyint(height + kRectOffset), double(image_.height())));
    if (right <= 0 || bottom <= 0) return;
    clearSelection();
    setSelection({kRectOffset, kRectOffset, right, bottom});
}

void PictureDocument::setRegisteredRanges(const QString& text) {
    ranges_.setText(text);
    emit rangesChanged(ranges_.captions());
}

ActResult PictureDocument::actRange(const QString& job) {
    if (job == QStringLiteral("範囲のｸﾘｱ")) {
        clearSelection();
    } else if (job == QStringLiteral("X-Y変換")) {
        swapSelection();
    } else if (job == QStringLiteral("相対") || job == QStringLiteral("ﾏｰｶｰ")) {
        markSelection(job == QStringLiteral("ﾏｰｶｰ"));
    } else if (job == QStringLiteral("現在のｻｲｽﾞを保存")) {
        if (!selection_.empty()) savedSelection_ = selection_;
    } else if (job == QStringLiteral("前回のｻｲｽﾞを呼出")) {
        if (!savedSelection_.empty()) setSelection(savedSelection_);
    } else if (job == QStringLiteral("選択範囲を拡大")) {
        zoomToSelection();
    } else {
        selectByJob(job);
    }
    return ActResult::Done;
}

ActResult PictureDocument::actRegisterRange(const QString&) {
    const QString before = ranges_.text();
    const QString after = host_->registerRange(before, selection_.right - selection_.left,
                                               selection_.bottom - selection_.top);
    if (after != before) setRegisteredRanges(after);
    return ActResult::Done;
}

void PictureDocument::selectByJob(const QString& job) {
    if (!hasImage()) return;
    double w = 0, h = 0;
    if (job.left(10) == QStringLiteral("User.Range")) {
        w = numericValue(Usr::TextBetween(job, QStringLiteral("("), QStringLiteral("*")));
        h = numericValue(Usr::TextBetween(job, QStringLiteral("*"), QStringLiteral("px")));
    } else if (const RangeEntry* entry = ranges_.find(job)) {
        w = entry->widthValue;
        h = entry->heightValue;
        if (image_.dpiX == 0 || image_.dpiY == 0) image_.dpiX = image_.dpiY = kDefaultDpi;
        if (entry->centimetres) {
            w = w / kCentimetresPerInch * image_.dpiX;
            h = h / kCentimetresPerInch * image_.dpiY;
        }
    }
    if (w > 0 && h > 0) setRect(w, h);
}

void PictureDocument::swapSelection() {
    if (selection_.empty()) return;
    const Selection s = selection_;
    setSelection({s.left, s.top, s.left + (s.bottom - s.top), s.top + (s.right - s.left)});
}

void PictureDocument::markSelection(bool highlighter) {
    if (!hasImage() || selection_.empty() || !pushUndo()) return;
    const int formerCode = image_.colourCode();
    engine::Image work = image_;
    bool ok = codeIn(colourCode_, kMarkCodes) || changeColourCode(work, 24);
    if (ok && highlighter)
        ok = engine::invertChannels(work, area(), {false, false, true});
    else if (ok)
        ok = engine::adjustSaturation(work, area(), {-100});
    if (ok && work.colourCode() != formerCode) ok = changeColourCode(work, formerCode);
    commitEdit(ok, work, true);
    // The marks change pixels like any filter: the document must be saved to keep them.
    if (ok) setEditState(kStateEdited);
}

void PictureDocument::zoomToSelection() {
    if (!hasImage() || selection_.empty() || !host_) return;
    const QSize view = host_->viewSize();
    const double w = selection_.right - selection_.left;
    const double h = selection_.bottom - selection_.top;
    if (view.width() <= 0 || view.height() <= 0) return;
    setView(QStringLiteral("実寸"), std::min(view.width() / w, view.height() / h));
    emit centreRequested(
        {(selection_.left + selection_.right) / 2.0, (selection_.top + selection_.bottom) / 2.0});
}

}  // namespace ximora::editor
