// The write contract over the picture editor's own write paths, for every fixture: "上書き保存",
// "名前を付けて保存" onto an existing file, the serial copy, storing ("格納") and the file
// conversion. Each writes the format its name says and keeps what the target holds, or asks
// first; a question answered No leaves every file as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app/image_store.h"
#include "contract/expectations.h"
#include "contract/fixtures.h"
#include "contract/losses.h"
#include "editor/save/save_dialog.h"
#include "editor/upce.h"
#include "engine/codecs/page_count.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/file_conversion.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

namespace ximora::contract {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const std::vector<Fixture>& allFixtures() { return fixtures(); }

class DocumentPaths : public ::testing::Test {
  protected:
    DocumentPaths() : messages_(std::make_unique<util::ScriptedMessages>()) {
        script_ = static_cast<util::ScriptedMessages*>(&util::messages());
        util::shared().sUsrDir = dir_.path() + '/';
        editor_.resize(300, 200);
        editor_.cOn(&editor_, dir_.path() + QStringLiteral("/Wrk/"));
        editor_.StSize();
    }
    ~DocumentPaths() override {
        editor_.cOff();
        util::shared().sUsrDir.clear();
    }

    /// A copy of the fixture to work on, as `name` (its own name by default) in `folder`.
    QString copyOf(const Fixture& f, const QString& folder, QString name = {}) {
        QDir().mkpath(dir_.filePath(folder));
        if (name.isEmpty()) name = f.name + '.' + f.ext;
        const QString path = dir_.filePath(folder + '/' + name);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(f.path, path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    bool open(const QString& path) {
        editor_.pcOpen(0, path);
        return editor_.dGetImg()->hasImage() && editor_.prFile() == path;
    }
    void act(const char* group, const char* job) {
        editor_.pcAct(QString::fromUtf8(group), QString::fromUtf8(job));
    }
    /// The save dialog answers with `path` (its folder, its name).
    void chooseInSaveDialog(const QString& path) {
        script_->onModal([path](QDialog& dialog) {
            auto& save = static_cast<editor::SaveDialog&>(dialog);
            save.folderEdit()->setText(QFileInfo(path).absolutePath());
            save.nameEdit()->setText(QFileInfo(path).fileName());
            return int(QDialog::Accepted);
        });
    }
    int questionsAsked() const {
        int count = 0;
        for (const auto& call : script_->calls())
            count += call.kind == util::ScriptedMessages::Kind::Message &&
                     call.buttons == util::MsgButtons::YesNo;
        return count;
    }

    QTemporaryDir dir_;
    util::ScopedMessages messages_;
    util::ScriptedMessages* script_ = nullptr;
    editor::uPcE editor_;
};

TEST_F(DocumentPaths, TheFixturesCoverEveryFormatAndProperty) {
    QStringList skipped;
    const auto& all = fixtures(&skipped);
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join(", ").toStdString();
    unsigned covered = 0;
    QStringList formats;
    for (const Fixture& f : all) {
        covered |= f.properties;
        if (!formats.contains(f.ext)) formats << f.ext;
    }
    EXPECT_EQ(covered, unsigned(kGrey * 2 - 1));
    for (const char* ext : {"bmp", "jpg", "png", "gif", "tif", "pcx", "jp2", "j2k", "fpx", "webp",
                            "heic", "avif", "jxl", "svg"})
        EXPECT_TRUE(formats.contains(QString::fromLatin1(ext))) << ext;
}

// "上書き保存" after a turn: the file keeps its format and what it holds; a file that would lose
// pages or 16-bit samples is asked about (No keeps it); a file of a format the program only
// reads offers "名前を付けて保存" instead, and is never written.
TEST_F(DocumentPaths, OverwriteKeepsTheFileOrAsksFirst) {
    for (const Fixture& f : allFixtures()) {
        if (f.ext == "svg") continue;  // a drawing becomes an untitled picture: no file to save
        SCOPED_TRACE(f.name.toStdString());
        const QString path = copyOf(f, "overwrite");
        ASSERT_TRUE(open(path));
        act("回転", "右90度");
        const QByteArray before = bytesOf(path);
        script_->clear();
        act("ﾌｧｲﾙ", "上書き保存");  // every question answered No (the default)
        if (!replacingLoses(f, f.ext)) {
            EXPECT_EQ(questionsAsked(), 0) << script_->messageTexts().join('|').toStdString();
            expectKept(f, path, f.ext, Moved::TurnedRight, "上書き保存");
            continue;
        }
        EXPECT_EQ(questionsAsked(), 1) << script_->messageTexts().join('|').toStdString();
        EXPECT_EQ(bytesOf(path), before) << "replaced without consent";
        EXPECT_EQ(editor_.dGetImg()->editState(), editor::kStateEdited);
        if (readOnlyExtensions().contains(f.ext)) {
            EXPECT_TRUE(script_->messageTexts().first().startsWith(
                QStringLiteral("この形式(") + f.ext.toUpper() +
                QStringLiteral(")では保存できません")));
            // Yes opens the save dialog; the picture goes to the name chosen there.
            const QString other = dir_.filePath(QStringLiteral("overwrite/") + f.name + ".png");
            chooseInSaveDialog(other);
            script_->answer(util::MsgAnswer::Yes);
            act("ﾌｧｲﾙ", "上書き保存");
            EXPECT_EQ(bytesOf(path), before);
            expectKept(f, other, "png", Moved::TurnedRight, "上書き保存 → 名前を付けて保存");
            continue;
        }
        script_->answer(util::MsgAnswer::Yes);
        act("ﾌｧｲﾙ", "上書き保存");
        EXPECT_EQ(engine::countFilePages(QFile::encodeName(path).toStdString()), 1);
        expectKept(f, path, f.ext, Moved::TurnedRight, "上書き保存 after Yes");
    }
}

// An edit that works on 8 bits (brightness) leaves a file's 16-bit samples behind: replacing
// the file asks before they are lost (No keeps it), Yes writes 8 bits.
TEST_F(DocumentPaths, AnEightBitEditAsksBeforeTheDepthIsLost) {
    int tried = 0;
    for (const Fixture& f : allFixtures()) {
        if (!(f.properties & kDeep) || !writableExtensions().contains(f.ext)) continue;
        SCOPED_TRACE(f.name.toStdString());
        ++tried;
        const QString path = copyOf(f, "depth");
        ASSERT_TRUE(open(path));
        act("明度", "明るく");
        const QByteArray before = bytesOf(path);
        script_->clear();
        act("ﾌｧｲﾙ", "上書き保存");
        ASSERT_EQ(questionsAsked(), 1);
        EXPECT_TRUE(script_->messageTexts().first().contains(QStringLiteral("16ﾋﾞｯﾄの階調")))
            << script_->messageTexts().first().toStdString();
        EXPECT_EQ(bytesOf(path), before);
        script_->answer(util::MsgAnswer::Yes);
        act("ﾌｧｲﾙ", "上書き保存");
        engine::ImageFacts facts;
        ASSERT_TRUE(engine::readImageFacts(QFile::encodeName(path).toStdString(), facts));
        EXPECT_EQ(facts.sampleBits, 8);
    }
    EXPECT_GE(tried, 2);
}

// "名前を付けて保存" onto an existing file of every writable format: asked first, saying how many
// pages a file of several loses; No keeps it, Yes writes the picture with what the format holds.
TEST_F(DocumentPaths, SaveAsOntoAnExistingFileAsksFirst) {
    const QString folder = dir_.filePath(QStringLiteral("saveas"));
    QDir().mkpath(folder);
    const Fixture* pages = nullptr;
    for (const Fixture& f : allFixtures())
        if (f.name == "tif-pages") pages = &f;
    ASSERT_NE(pages, nullptr);
    for (const Fixture& f : allFixtures()) {
        if (f.ext == "svg") continue;
        ASSERT_TRUE(open(f.path)) << f.name.toStdString();
        for (const QString& ext : writableExtensions()) {
            SCOPED_TRACE((f.name + " as " + ext).toStdString());
            // The file replaced: a three-page TIFF for "tif", some picture for the rest.
            const QString target = folder + "/existing." + ext;
            QFile::remove(target);
            ASSERT_TRUE(QFile::copy(ext == "tif" ? pages->path : f.path, target));
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            const QByteArray before = bytesOf(target);
            const int pagesThere = engine::countFilePages(QFile::encodeName(target).toStdString());
            script_->clear();
            chooseInSaveDialog(target);
            act("ﾌｧｲﾙ", "名前を付けて保存");
            ASSERT_EQ(questionsAsked(), 1);
            const QString question = script_->messageTexts().first();
            EXPECT_TRUE(question.startsWith(QStringLiteral("existing.") + ext +
                                            QStringLiteral(" は既に存在します")))
                << question.toStdString();
            EXPECT_EQ(question.contains(QStringLiteral("%1ﾍﾟｰｼﾞのうち%2ﾍﾟｰｼﾞが失われます")
                                            .arg(pagesThere)
                                            .arg(pagesThere - 1)),
                      pagesThere > 1)
                << question.toStdString();
            EXPECT_EQ(bytesOf(target), before);
            script_->answer(util::MsgAnswer::Yes);
            act("ﾌｧｲﾙ", "名前を付けて保存");
            expectKept(f, target, ext, Moved::No, "名前を付けて保存");
            ASSERT_TRUE(open(f.path));  // the saved copy became the document's file
        }
    }
}

// The serial copy into "Temp/" is a new BMP file every time: it keeps transparency (32 bits)
// and grey levels, which BMP holds.
TEST_F(DocumentPaths, SerialCopiesAreNewBitmaps) {
    int serial = 0;
    for (const Fixture& f : allFixtures()) {
        if (f.ext == "svg") continue;
        SCOPED_TRACE(f.name.toStdString());
        ASSERT_TRUE(open(f.path));
        act("ﾌｧｲﾙ", "連番をつけて保存");
        const QString copy =
            dir_.filePath(QStringLiteral("Temp/%1.bmp").arg(serial++, 5, 10, QChar('0')));
        expectKept(f, copy, "bmp", Moved::No, "連番をつけて保存");
    }
}

// Storing into the storage folder writes a new file under the literal prefix, never one that is
// there, in every writable format.
TEST_F(DocumentPaths, StoringWritesANewFileUnderTheLiteralPrefix) {
    const QString folder = dir_.filePath(QStringLiteral("store"));
    QDir().mkpath(folder);
    const QString prefix = QStringLiteral("P#[1]*?");
    for (const QString& ext : writableExtensions()) {
        // A file the wildcards would have matched, and one of the store's own names.
        QFile other(folder + "/P#[1]x?900." + ext), first(folder + '/' + prefix + "001." + ext);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly) && first.open(QIODevice::WriteOnly));
        other.write("other"), first.write("first");
    }
    int number = 2;
    for (const Fixture& f : allFixtures()) {
        if (f.ext == "svg") continue;
        const engine::Image picture = decoded(f.path);
        for (const QString& ext : writableExtensions()) {
            QString path;
            ASSERT_TRUE(app::storeImage(picture, folder, prefix, ext, 90, path))
                << engine::lastErrorMessage();
            EXPECT_EQ(path, folder + '/' + prefix +
                                QStringLiteral("%1.").arg(number, 3, 10, QChar('0')) + ext);
            expectKept(f, path, ext, Moved::No, "格納");
        }
        ++number;
    }
    for (const QString& ext : writableExtensions()) {
        EXPECT_EQ(bytesOf(folder + "/P#[1]x?900." + ext), QByteArray("other"));
        EXPECT_EQ(bytesOf(folder + '/' + prefix + "001." + ext), QByteArray("first"));
    }
    // A name taken by something the numbering does not count (here a folder) moves on to the
    // next number, as a name taken meanwhile by another program does.
    QString path;
    ASSERT_TRUE(QDir(folder).mkdir("Q001.png"));
    ASSERT_TRUE(app::storeImage(decoded(allFixtures().front().path), folder, QStringLiteral("Q"),
                                "png", 90, path));
    EXPECT_EQ(path, folder + "/Q002.png");
    EXPECT_TRUE(QFileInfo(folder + "/Q001.png").isDir());
    // A format the program only reads is refused.
    EXPECT_FALSE(app::storeImage(decoded(allFixtures().front().path), folder, QStringLiteral("R"),
                                 "heic", 90, path));
    EXPECT_FALSE(QFile::exists(folder + "/R001.heic"));
}

// The file conversion of ximora-batch convert and the editor: every fixture into every writable
// format; a target named as a format the program only reads is refused and not made.
TEST_F(DocumentPaths, ConversionKeepsWhatTheTargetHolds) {
    const QString folder = dir_.filePath(QStringLiteral("convert"));
    QDir().mkpath(folder);
    for (const Fixture& f : allFixtures()) {
        if (f.ext == "svg") continue;
        for (const QString& ext : writableExtensions()) {
            const QString target = folder + '/' + f.name + '.' + ext;
            ASSERT_TRUE(engine::convertFile(QFile::encodeName(f.path).toStdString(),
                                            QFile::encodeName(target).toStdString(), 0))
                << f.name.toStdString() << " → " << ext.toStdString() << ": "
                << engine::lastErrorMessage();
            expectKept(f, target, ext, Moved::No, "convert");
        }
        for (const QString& ext : readOnlyExtensions()) {
            const QString target = folder + '/' + f.name + '.' + ext;
            EXPECT_FALSE(engine::convertFile(QFile::encodeName(f.path).toStdString(),
                                             QFile::encodeName(target).toStdString(), 0));
            EXPECT_EQ(engine::lastError(), engine::kErrUnsupported);
            EXPECT_FALSE(QFile::exists(target));
        }
    }
}

}  // namespace
}  // namespace ximora::contract
