// Saving: overwrite, save under a name, selection-only saves, copies under "~NN" names, serial
// copies into the user data folder's "Temp/" and the JPEG quality prompt.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "editor/document/document_host.h"
#include "editor/document/numeric_value.h"
#include "editor/document/picture_document.h"
#include "editor/document/picture_facts.h"
#include "editor/document/save_naming.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"
#include "engine/geometry/geometry.h"
#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::editor {
namespace {

const QString kMailJob = QStringLiteral("Mail");

// The colour depth the extension's format accepts, by the one table the save-as dialog and
// file conversion use as well.
bool convertForExtension(engine::Image& image, const QString& ext) {
    return engine::prepareForExtension(image, ext.toStdString(), image.colourCode());
}

}  // namespace

bool PictureDocument::saveTarget(const engine::Image& target, const QString& name) {
    engine::SaveOptions options;
    const QString ext = extensionOf(name).toLower();
    options.format = engine::editorSaveFormat(ext.toStdString());
    options.jpegQuality = jpegQuality_;
    const bool ok = engine::saveImage(QFile::encodeName(name).toStdString(), target, options);
    lastOk_ = ok;
    if (!ok) showEngineError(engine::lastError());
    return ok;
}

bool PictureDocument::saveCopy(engine::Image image, const QString& name) const {
    const QString ext = extensionOf(name).toLower();
    if (!convertForExtension(image, ext)) return false;
    engine::SaveOptions options;
    options.format = engine::editorSaveFormat(ext.toStdString());
    options.jpegQuality = jpegQuality_;
    return engine::saveImage(QFile::encodeName(name).toStdString(), image, options);
}

bool PictureDocument::save(int mode, QString& name, bool selectionOnly, bool webDialog) {
    settle();
    if (!hasImage()) return false;
    // What is drawn over the picture is saved with it.
    if (!drawing_.empty()) {
        if (!drawing_.commitInto(image_)) {
            showEngineError(engine::lastError());
            return false;
        }
        emit drawingChanged();
        redisplay(false);
    }
    if (selection_.empty()) selectionOnly = false;

    QString folder = lastSaveFolder_;
    if (folder.isEmpty() && lastJob_ != kMailJob) folder = initialFolder();

    QString path;
    if (mode == 0) {
        path = file_;
        if (path.isEmpty()) return false;
        // The file holds more pages than the document: overwriting it keeps only the first.
        if (const int pages = filePages(path); pages > 1) {
            util::MessageRequest question;
            question.text = QStringLiteral("このﾌｧｲﾙには") + QString::number(pages) +
                            QStringLiteral(
                                "ﾍﾟｰｼﾞありますが､上書きすると1ﾍﾟｰｼﾞ目だけになります｡"
                                "上書きしますか");
            question.buttons = util::MsgButtons::YesNo;
            question.icon = util::MsgIcon::Question;
            question.defaultButton = 1;  // No: nothing is lost by not answering
            if (util::messages().message(question) != util::MsgAnswer::Yes) return false;
        }
    } else if (name.isEmpty()) {
        if (!host_) return false;
        path = host_->askSaveName(folder, QString(),
                                  QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;GIF").split(';'));
        if (path.isEmpty()) return false;
    } else if (webDialog) {
        path = host_
                   ? host_->askSaveName(folder, name, QStringLiteral("JPG;GIF;PNG;PCX").split(';'))
                   : QString();
        if (path.isEmpty()) {
            name.clear();
            return false;
        }
    } else {
        path = name;
    }
    // An overwrite keeps the file's own name: on a case-sensitive file system "A.JPG" and
    // "A.jpg" are two files, and overwriting must not leave the old one beside a new one.
    if (mode != 0) path = lowerCaseExtension(path);
    lastSaveFolder_ = folderOf(path);
    if (util::shared().sExeNm.compare(QStringLiteral("XimoraL"), Qt::CaseInsensitive) == 0)
        util::shared().sPcFold = lastSaveFolder_;

    QString ext = extensionOf(path);
    if (!ext.isEmpty()) {
        defaultExtension_ = ext.toLower();
    } else {
        if (defaultExtension_.isEmpty())
            defaultExtension_ = webDialog ? QStringLiteral("jpg") : QStringLiteral("bmp");
        path += '.' + defaultExtension_;
        util::messages().message(QStringLiteral("拡張子が指定されなかったので､") +
                                     defaultExtension_ + QStringLiteral("を使用しました"),
                                 util::MsgButtons::Ok, util::MsgIcon::Information);
    }
    ext = extensionOf(path);

    // The target is prepared on a copy when it has to change: a failed conversion or write
    // leaves the document as it was. A full save's converted image becomes the document's
    // image, as the file holds it.
    const std::string comment =
        (comment_ + (mode == 0 ? QStringLiteral("\r") : QString())).toStdString();
    const bool convert =
        engine::requiredColourCode(ext.toLower().toStdString(), image_.colourCode()) != 0;
    if (!selectionOnly && !convert) {
        image_.comment = comment;
        if (!saveTarget(image_, path)) return false;
    } else {
        engine::Image target = image_;
        if (selectionOnly && !engine::trim(target, {selection_.left, selection_.top,
                                                    selection_.right, selection_.bottom})) {
            showEngineError(engine::lastError());
            return false;
        }
        target.comment = comment;
        if (!convertForExtension(target, ext.toLower())) {
            showEngineError(engine::lastError());
            return false;
        }
        if (!saveTarget(target, path)) return false;
        if (!selectionOnly && lastJob_ != kMailJob) image_ = std::move(target);
    }

    name = path;
    if (lastJob_ != kMailJob) {
        file_ = path;
        backingFile_ = path;
        setEditState(kStateLoaded);
        redisplay(false);
    }
    emit eChkFld();
    return true;
}

bool PictureDocument::pcSaveAs(QString& name, bool selectionOnly, bool webDialog) {
    settle();
    return save(1, name, selectionOnly, webDialog);
}

ActResult PictureDocument::actOverwrite(const QString&) {
    QString name;
    return save(0, name, false, false) ? ActResult::Done : ActResult::Unchanged;
}

ActResult PictureDocument::actSaveAs(const QString&) {
    QString name;
    return save(1, name, false, false) ? ActResult::Done : ActResult::Unchanged;
}

ActResult PictureDocument::actCopyAsNew(const QString&) {
    const QString candidate = file_.isEmpty() ? QString() : nextCopyName(file_);
    if (candidate.isEmpty() || !hasImage()) {
        util::messages().message(QStringLiteral("複写して新規できませんでした"));
        return ActResult::Done;
    }
    engine::Image target = image_;
    const bool ok =
        (selection_.empty() || engine::trim(target, {selection_.left, selection_.top,
                                                     selection_.right, selection_.bottom})) &&
        convertForExtension(target, extensionOf(candidate));
    if (!ok) {
        showEngineError(engine::lastError());
        return ActResult::Done;
    }
    if (!saveTarget(target, candidate)) return ActResult::Done;
    emit eStFile(candidate);
    emit eChkFld();
    return ActResult::Done;
}

ActResult PictureDocument::actSerialCopy(const QString&) {
    saveSerialCopy();
    return ActResult::Done;
}

QString PictureDocument::saveSerialCopy() {
    const QString folder = util::shared().sUsrDir + QStringLiteral("Temp/");
    if (util::shared().sUsrDir.isEmpty() || !QDir().mkpath(folder)) {
        showEngineError(engine::kErrCannotCreate);
        return {};
    }
    QString name = nextSerialName(folder);
    return save(1, name, false, false) ? name : QString();
}

ActResult PictureDocument::actJpegQuality(const QString&) {
    const std::optional<QString> answer =
        util::messages().input(QStringLiteral("JPEGの品質(20~100)を入力"), QStringLiteral("JPG"),
                               QString::number(jpegQuality_));
    if (!answer) return ActResult::Done;
    const double value = std::nearbyint(numericValue(*answer));
    if (value != 0) jpegQuality_ = int(std::clamp(value, 20.0, 100.0));
    return ActResult::Done;
}

}  // namespace ximora::editor
