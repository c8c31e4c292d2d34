// Saving: overwrite, save under a name, selection-only saves, copies under "~NN" names, serial
// copies into the user data folder's "Temp/" and the JPEG quality prompt.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <optional>
#include <utility>

#include "editor/document/document_host.h"
#include "editor/document/numeric_value.h"
#include "editor/document/picture_document.h"
#include "editor/document/picture_facts.h"
#include "editor/document/save_naming.h"
#include "editor/document/save_questions.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"
#include "engine/geometry/geometry.h"
#include "platform/file_names.h"
#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::editor {
namespace {

const QString kMailJob = QStringLiteral("Mail");

// The colour depth the extension's format accepts, by the one table the save-as dialog and
// file conversion use as well; what the format holds of the picture (transparency, 16-bit
// samples) is kept.
bool convertForExtension(engine::Image& image, const QString& ext) {
    return engine::prepareForExtension(image, ext.toStdString(), image.colourCode());
}

bool needsConversion(const engine::Image& image, const QString& ext) {
    return engine::requiredColourCode(ext.toStdString(), image, image.colourCode()) != 0;
}

std::string fileName(const QString& path) { return platform::encodePath(path).toStdString(); }

// The format extension of what the existing file at `path` holds, or empty.
QString contentExtension(const QString& path) {
    engine::ImageFacts facts;
    engine::FileFormat format = engine::FileFormat::Unknown;
    if (!engine::readImageFacts(fileName(path), facts, &format)) return {};
    return QString::fromLatin1(engine::formatExtension(format));
}

}  // namespace

bool PictureDocument::mayReplaceWith(const QString& path, const engine::Image& target,
                                     const QString& ext) {
    // A file its owner made read-only is not replaced without a question.
    if (!replaceReadOnly_ && platform::isReadOnlyFile(path) &&
        !askBeforeLoss(readOnlyFileMessage() + QStringLiteral("上書きしますか")))
        return false;
    // The file holds more pages than the document: overwriting it keeps only the first.
    if (const int pages = filePages(path); pages > 1) {
        if (!askBeforeLoss(QStringLiteral("このﾌｧｲﾙには") + QString::number(pages) +
                           QStringLiteral("ﾍﾟｰｼﾞありますが､上書きすると1ﾍﾟｰｼﾞ目だけになります｡"
                                          "上書きしますか")))
            return false;
    }
    // Samples of 16 bits that the picture no longer has (an edit works on 8 bits) or the format
    // cannot hold.
    engine::ImageFacts facts;
    if (engine::readImageFacts(fileName(path), facts) && facts.sampleBits > 8 &&
        !(engine::keepsDeepSamples(ext.toStdString()) && engine::currentDeepSamples(target)))
        return askBeforeLoss(QStringLiteral("このﾌｧｲﾙは") + QString::number(facts.sampleBits) +
                             QStringLiteral("ﾋﾞｯﾄの階調を持っていますが､上書きすると8ﾋﾞｯﾄの階調に"
                                            "なります｡上書きしますか"));
    return true;
}

bool PictureDocument::saveTarget(const engine::Image& target, const QString& name,
                                 const QString& ext) {
    engine::SaveOptions options;
    options.format = engine::editorSaveFormat(ext.toLower().toStdString());
    options.jpegQuality = jpegQuality_;
    const bool ok = engine::saveImage(fileName(name), target, options);
    lastOk_ = ok;
    if (!ok) showEngineError(engine::lastError());
    return ok;
}

bool PictureDocument::saveCopy(engine::Image image, const QString& name) const {
    const QString ext = extensionOf(name).toLower();
    if (engine::isReadOnlyExtension(ext.toStdString()))
        return engine::fail(engine::kErrUnsupported);
    if (!convertForExtension(image, ext)) return false;
    engine::SaveOptions options;
    options.format = engine::editorSaveFormat(ext.toStdString());
    options.jpegQuality = jpegQuality_;
    return engine::saveImage(fileName(name), image, options);
}

bool PictureDocument::offerSaveAs(const QString& ext) {
    // A picture opened from a format the program only reads is saved under another name.
    if (!host_) {
        util::messages().message(platform::displayPath(file_) + '\r' + readOnlyFormatMessage(ext));
        return false;
    }
    if (!askBeforeLoss(readOnlyFormatMessage(ext) + QStringLiteral("｡名前を付けて保存しますか")))
        return false;
    QString name;
    return save(1, name, false, false);
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
    bool chosen = false;  // by the user in a dialog
    if (mode == kSaveOverwrite) {
        path = file_;
        if (path.isEmpty()) return false;
    } else if (mode == kSaveReplaceNamed) {
        path = name;
        if (path.isEmpty()) return false;
    } else if (name.isEmpty()) {
        if (!host_) return false;
        // The dialog starts at the current file's name and format.
        path =
            host_->askSaveName(folder, QFileInfo(file_).fileName(),
                               QStringLiteral("BMP;JPG;TIF;PCX;FPX;PNG;GIF;WEBP;JP2").split(';'));
        if (path.isEmpty()) return false;
        chosen = true;
    } else if (webDialog) {
        path = host_
                   ? host_->askSaveName(folder, name, QStringLiteral("JPG;GIF;PNG;PCX").split(';'))
                   : QString();
        if (path.isEmpty()) {
            name.clear();
            return false;
        }
        chosen = true;
    } else {
        path = name;
    }
    // An overwrite keeps the file's own name: on a case-sensitive file system "A.JPG" and
    // "A.jpg" are two files, and overwriting must not leave the old one beside a new one. So
    // does the save of a launch job's result into its own file.
    const bool replacing = mode == kSaveOverwrite || mode == kSaveReplaceNamed;
    if (!replacing) path = lowerCaseExtension(path);
    lastSaveFolder_ = folderOf(path);
    if (util::shared().sExeNm.compare(QStringLiteral("XimoraL"), Qt::CaseInsensitive) == 0)
        util::shared().sPcFold = lastSaveFolder_;

    // The format: the name's extension; a file of its own without one keeps the format of its
    // content; other names without one get the default extension.
    QString ext = extensionOf(path).toLower();
    if (!ext.isEmpty()) {
        defaultExtension_ = ext;
    } else if (replacing && !(ext = contentExtension(path)).isEmpty()) {
        // written in the format it holds, under its own name
    } else {
        if (defaultExtension_.isEmpty())
            defaultExtension_ = webDialog ? QStringLiteral("jpg") : QStringLiteral("bmp");
        ext = defaultExtension_;
        if (!replacing) path += '.' + defaultExtension_;
        util::messages().message(QStringLiteral("拡張子が指定されなかったので､") +
                                     defaultExtension_ + QStringLiteral("を使用しました"),
                                 util::MsgButtons::Ok, util::MsgIcon::Information);
    }
    // Never bytes of another format under the name of one the program only reads.
    if (engine::isReadOnlyExtension(ext.toStdString())) {
        if (mode == kSaveOverwrite) return offerSaveAs(ext);
        util::messages().message(platform::displayPath(path) + '\r' + readOnlyFormatMessage(ext));
        return false;
    }
    // The mail file is the program's own, in its working folder.
    if (chosen && lastJob_ != kMailJob && !confirmReplace(path)) {
        if (webDialog) name.clear();
        return false;
    }

    // The target is prepared on a copy when it has to change: a failed conversion or write
    // leaves the document as it was. A full save's converted image becomes the document's
    // image, as the file holds it.
    const std::string comment =
        (comment_ + (mode == kSaveOverwrite ? QStringLiteral("\r") : QString())).toStdString();
    const bool convert = needsConversion(image_, ext);
    std::optional<engine::Image> prepared;
    if (selectionOnly || convert) {
        prepared = image_;
        if (selectionOnly && !engine::trim(*prepared, {selection_.left, selection_.top,
                                                       selection_.right, selection_.bottom})) {
            showEngineError(engine::lastError());
            return false;
        }
        if (!convertForExtension(*prepared, ext)) {
            showEngineError(engine::lastError());
            return false;
        }
    }
    engine::Image& target = prepared ? *prepared : image_;
    if (replacing && platform::isRegularFile(path) && !mayReplaceWith(path, target, ext))
        return false;
    const std::string formerComment = target.comment;
    target.comment = comment;
    if (!saveTarget(target, path, ext)) {
        target.comment = formerComment;
        return false;
    }
    if (prepared && !selectionOnly && lastJob_ != kMailJob) image_ = std::move(*prepared);

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

QString PictureDocument::saveMailCopy(const QString& path) {
    settle();
    // The mail job's save leaves the document's file and state alone.
    const QString job = std::exchange(lastJob_, kMailJob);
    QString name = path;
    const bool saved = save(kSaveUnderName, name, true, true);
    lastJob_ = job;
    return saved ? name : QString();
}

bool PictureDocument::saveJobResult(const QString& path, bool selectionOnly) {
    settle();
    QString name = path;
    return save(kSaveReplaceNamed, name, selectionOnly, false);
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
    const QString ext = extensionOf(candidate).toLower();
    if (engine::isReadOnlyExtension(ext.toStdString())) {
        util::messages().message(QStringLiteral("複写して新規できませんでした"));
        return ActResult::Done;
    }
    engine::Image target = image_;
    const bool ok =
        (selection_.empty() || engine::trim(target, {selection_.left, selection_.top,
                                                     selection_.right, selection_.bottom})) &&
        convertForExtension(target, ext);
    if (!ok) {
        showEngineError(engine::lastError());
        return ActResult::Done;
    }
    if (!saveTarget(target, candidate, ext)) return ActResult::Done;
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
