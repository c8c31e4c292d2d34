// The vector viewer: placement, the drawing following the window only after the first
// activation, and what Ok and Cancel hand back.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QResizeEvent>
#include <QTemporaryDir>

#include "support/vector_files.h"
#include "util/sb_wmf.h"
#include "util/scripted_messages.h"

using namespace ximora;

namespace {

class SbWmfTest : public ::testing::Test {
  protected:
    SbWmfTest()
        : messages_(new util::ScriptedMessages),
          guard_(std::unique_ptr<util::MessageService>(messages_)) {
        const QString path = dir_.filePath(QStringLiteral("d.dxf"));
        EXPECT_TRUE(test::writeFile(path, test::lineAndCircleDxf()));
        QString error;
        drawing_ = vector::VectorDrawing::load(path, error);
    }
    static void resizeTo(QWidget& w, QSize size) {
        const QSize old = w.size();
        w.resize(size);
        QResizeEvent event(size, old);
        QApplication::sendEvent(&w, &event);
    }
    static void activate(QWidget& w) {
        QEvent event(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &event);
    }

    QTemporaryDir dir_;
    util::ScriptedMessages* messages_;
    util::ScopedMessages guard_;
    std::shared_ptr<const vector::VectorDrawing> drawing_;
};

TEST_F(SbWmfTest, OkRendersAtTheSizeShownAfterTheWindowWasResized) {
    ASSERT_TRUE(drawing_);
    util::sbWmf viewer;
    viewer.setDrawing(drawing_);
    QSize seenAtStart, duringSetUp;
    bool settingUpAtStart = false;
    messages_->onModal([&](QDialog& d) {
        auto& v = static_cast<util::sbWmf&>(d);
        settingUpAtStart = v.settingUp();
        seenAtStart = v.Image1()->size();
        const int allowance = v.height() - v.Image1()->height();
        resizeTo(v, QSize(300, 300));  // the window manager's placement: ignored
        duringSetUp = v.Image1()->size();
        activate(v);
        EXPECT_FALSE(v.settingUp());
        resizeTo(v, QSize(160, 90 + allowance));
        v.mnRet(0)->trigger();
        return d.result();
    });
    QImage picture;
    ASSERT_TRUE(viewer.Act(10, 20, 100, 50, picture));
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("ﾍﾞｸﾀ⇒変換　ｻｲｽﾞを指定して下さい"));
    EXPECT_TRUE(settingUpAtStart);
    EXPECT_EQ(seenAtStart, QSize(100, 50));
    EXPECT_EQ(duringSetUp, QSize(100, 50));
    EXPECT_EQ(viewer.pos(), QPoint(10, 20));
    ASSERT_EQ(picture.size(), QSize(160, 90));
    int darkest = 255;  // the line runs through the middle
    for (int y = 43; y <= 47; ++y) darkest = std::min(darkest, qGray(picture.pixel(80, y)));
    EXPECT_LT(darkest, 128);
    EXPECT_EQ(messages_->calls().back().kind, util::ScriptedMessages::Kind::Modal);
}

TEST_F(SbWmfTest, CancelAndClosingHandBackNothing) {
    ASSERT_TRUE(drawing_);
    for (bool viaMenu : {true, false}) {
        util::sbWmf viewer;
        viewer.setDrawing(drawing_);
        messages_->onModal([&](QDialog& d) {
            if (viaMenu)
                static_cast<util::sbWmf&>(d).mnRet(1)->trigger();
            else
                d.reject();
            return d.result();
        });
        QImage picture(3, 3, QImage::Format_RGB32);
        EXPECT_FALSE(viewer.Act(0, 0, 100, 50, picture));
        EXPECT_EQ(picture.size(), QSize(3, 3));
    }
}

TEST_F(SbWmfTest, AWindowSmallerThanTheMenuStillGivesAPicture) {
    ASSERT_TRUE(drawing_);
    util::sbWmf viewer;
    viewer.setDrawing(drawing_);
    messages_->onModal([&](QDialog& d) {
        activate(d);
        resizeTo(d, QSize(0, 0));
        static_cast<util::sbWmf&>(d).mnRet(0)->trigger();
        return d.result();
    });
    QImage picture;
    ASSERT_TRUE(viewer.Act(0, 0, 0, -5, picture));
    EXPECT_GE(picture.width(), 1);
    EXPECT_GE(picture.height(), 1);
}

}  // namespace

namespace {

// A drawing left in part: its records count what is missing.
class PartlyRead : public vector::VectorDrawing {
  public:
    QSize naturalSize() const override { return {40, 30}; }
    int skippedRecords() const override { return 3; }
    void paint(QPainter&, const QRectF&) const override {}
};

}  // namespace

TEST_F(SbWmfTest, TheTitleSaysHowManyRecordsWereLeftOut) {
    util::sbWmf viewer;
    viewer.setDrawing(drawing_);
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("ﾍﾞｸﾀ⇒変換　ｻｲｽﾞを指定して下さい"));
    viewer.setDrawing(std::make_shared<PartlyRead>());
    EXPECT_TRUE(viewer.windowTitle().startsWith(QStringLiteral("ﾍﾞｸﾀ⇒変換　ｻｲｽﾞを指定して下さい")));
    EXPECT_TRUE(viewer.windowTitle().contains(QStringLiteral("3 件")));
}
