#pragma once
// A scratch folder tree, a scripted message service and a user data folder for the browser
// tests.

#include <gtest/gtest.h>

#include <utime.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "util/scripted_messages.h"
#include "util/shared_values.h"

namespace ximora::browser::testing {

class BrowserFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.isValid());
        root = scratch_.path() + "/pics";
        userData = scratch_.path() + "/user/";
        ASSERT_TRUE(QDir().mkpath(root));
        ASSERT_TRUE(QDir().mkpath(userData + "Thumb"));
        util::shared().sUsrDir = userData;
        util::shared().bSuppress = false;
        auto scripted = std::make_unique<util::ScriptedMessages>();
        messages = scripted.get();
        guard_ = std::make_unique<util::ScopedMessages>(std::move(scripted));
    }
    void TearDown() override { util::shared().sUsrDir.clear(); }

    /// Creates `relative` (and its parents) below the root; returns its full path.
    QString folder(const QString& relative) {
        const QString path = root + "/" + relative;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }
    /// Writes `bytes` bytes of anything to `relative` below the root.
    QString file(const QString& relative, int bytes = 10) {
        const QString path = root + "/" + relative;
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(bytes, 'x'));
        return path;
    }
    /// Writes a small real image; the format follows the extension.
    QString image(const QString& relative, int width = 40, int height = 30) {
        QImage picture(width, height, QImage::Format_RGB888);
        picture.fill(QColor(40, 120, 200));
        const QString path = root + "/" + relative;
        EXPECT_TRUE(picture.save(path));
        return path;
    }
    /// Moves a folder's modification time forward, as an entry change a moment later would.
    static void touchLater(const QString& path, int seconds = 10) {
        struct utimbuf times {};
        times.actime = times.modtime = time(nullptr) + seconds;
        utime(QFile::encodeName(path).constData(), &times);
    }

    QString root;
    QString userData;
    util::ScriptedMessages* messages = nullptr;

  private:
    QTemporaryDir scratch_;
    std::unique_ptr<util::ScopedMessages> guard_;
};

}  // namespace ximora::browser::testing
