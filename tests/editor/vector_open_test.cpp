// Opening drawings (WMF, EMF, DXF, SVG, SXF) in the editor control: the drawing goes through
// the vector viewer, and only its Ok replaces the current picture.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>

#include "editor/upce.h"
#include "editor_fixture.h"
#include "support/vector_files.h"
#include "util/qimage_adapter.h"
#include "util/sb_wmf.h"
#include "util/shared_values.h"

namespace ximora::editor::testing {
namespace {

class VectorOpenTest : public DocumentTest {
  protected:
    VectorOpenTest() {
        editor_.setGeometry(40, 30, 400, 300);
        editor_.cOn(&editor_, work() + '/');
        editor_.StSize();
        editor_.show();
    }
    ~VectorOpenTest() override { editor_.cOff(); }

    /// Opens a 12 × 9 picture "a.bmp" in the editor.
    void openPicture() {
        editor_.pcOpen(0, write(QStringLiteral("a.bmp"), engine::testing::randomImage(12, 9, 24)));
        ASSERT_TRUE(editor_.dGetImg()->hasImage());
    }
    PictureDocument& doc() { return *editor_.dGetImg(); }

    uPcE editor_;
};

TEST_F(VectorOpenTest, OkMakesTheRenderedDrawingAnUntitledPicture) {
    openPicture();
    const QString file = path(QStringLiteral("red.emf"));
    ASSERT_TRUE(test::writeFile(file, test::redSquareEmf()));
    QRect placed;
    QString title;
    script_->onModal([&](QDialog& d) {
        auto& viewer = static_cast<util::sbWmf&>(d);
        title = viewer.windowTitle();
        placed = QRect(viewer.pos(), viewer.Image1()->size());
        viewer.mnRet(0)->trigger();
        return d.result();
    });
    editor_.pcOpen(1, file);
    EXPECT_EQ(title, QStringLiteral("ﾍﾞｸﾀ⇒変換　ｻｲｽﾞを指定して下さい"));
    // Centred over the editor's host window at the drawing's own size.
    EXPECT_EQ(placed, QRect(40 + 100, 30 + 100, 200, 100));
    ASSERT_EQ(doc().image().width(), 200);
    ASSERT_EQ(doc().image().height(), 100);
    const QImage shown = util::toQImage(doc().image());
    EXPECT_GT(qRed(shown.pixel(50, 50)), 200);
    EXPECT_LT(qGreen(shown.pixel(50, 50)), 80);
    EXPECT_EQ(doc().file(), QString());
    EXPECT_EQ(doc().editState(), kStateLoaded);
    EXPECT_EQ(doc().undoCount(), 0);
}

TEST_F(VectorOpenTest, ADrawingOnTheClipboardOpensInTheViewer) {
    openPicture();
    const QString savedUserData = util::shared().sUsrDir;
    util::shared().sUsrDir = work() + '/';
    QDir().mkpath(work() + "/Wrk");
    for (const auto& [type, bytes] :
         {std::pair{QStringLiteral("image/x-emf"), test::redSquareEmf()},
          {QStringLiteral("image/svg+xml"),
           QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='60' height='30'>"
                      "<rect width='60' height='30' fill='#c86432'/></svg>")}}) {
        auto* data = new QMimeData;
        data->setData(type, bytes);
        QApplication::clipboard()->setMimeData(data);
        int viewers = 0;
        script_->onModal([&](QDialog& d) {
            ++viewers;
            static_cast<util::sbWmf&>(d).mnRet(0)->trigger();
            return d.result();
        });
        script_->clear();
        editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"));
        EXPECT_EQ(viewers, 1) << type.toStdString();
        EXPECT_TRUE(script_->messageTexts().isEmpty()) << type.toStdString();
        EXPECT_EQ(doc().image().width(), type.contains("svg") ? 60 : 200);
        EXPECT_EQ(doc().file(), QString());
    }
    // Closed without its picture, the editor starts afresh.
    script_->onModal([](QDialog& d) {
        static_cast<util::sbWmf&>(d).mnRet(1)->trigger();
        return d.result();
    });
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"));
    EXPECT_FALSE(doc().hasImage());
    QApplication::clipboard()->clear();
    util::shared().sUsrDir = savedUserData;
}

TEST_F(VectorOpenTest, CancelOrABadDrawingKeepsThePreviousPicture) {
    openPicture();
    const QImage before = util::toQImage(doc().image());
    const QString good = path(QStringLiteral("d.DXF"));
    const QString bad = path(QStringLiteral("bad.wmf"));
    ASSERT_TRUE(test::writeFile(good, test::lineAndCircleDxf()));
    ASSERT_TRUE(test::writeFile(bad, QByteArray("\xD7\xCD\xC6\x9A broken")));
    int modals = 0;
    script_->onModal([&](QDialog& d) {
        ++modals;
        static_cast<util::sbWmf&>(d).mnRet(1)->trigger();
        return d.result();
    });
    script_->clear();
    editor_.pcOpen(0, good);
    EXPECT_EQ(modals, 1);
    EXPECT_TRUE(script_->messageTexts().isEmpty());
    editor_.pcOpen(0, bad);
    EXPECT_EQ(modals, 1);  // no viewer for a drawing that cannot be read
    ASSERT_EQ(script_->messageTexts().size(), 1);
    EXPECT_TRUE(script_->messageTexts()[0].contains(QStringLiteral("bad.wmf")));
    EXPECT_EQ(doc().file(), path(QStringLiteral("a.bmp")));
    EXPECT_EQ(util::toQImage(doc().image()), before);
}

TEST_F(VectorOpenTest, SvgAndSxfFilesOpenThroughTheViewerToo) {
    const std::pair<QString, QByteArray> files[] = {
        {QStringLiteral("icon.SVG"),
         QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='30' height='20'/>")},
        {QStringLiteral("plan.sfc"),
         QByteArray("ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\n/*SXF\n#10 = drawing_sheet_feature("
                    "\\'s\\','4','1','0','0')\nSXF*/\nENDSEC;\nEND-ISO-10303-21;\n")},
        {QStringLiteral("plan.p21"),
         QByteArray("ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\n#1=CARTESIAN_POINT(' ',(0.0,0.0));\n"
                    "#2=CARTESIAN_POINT(' ',(60.0,40.0));\n#3=POLYLINE(' ',(#1,#2));\n"
                    "#4=(ANNOTATION_CURVE_OCCURRENCE() STYLED_ITEM((),#3));\n"
                    "#5=DRAWING_SHEET_REVISION('s',(#4),$,'01');\nENDSEC;\nEND-ISO-10303-21;\n")},
    };
    QList<QSize> sizes;
    script_->onModal([&](QDialog& d) {
        sizes.append(static_cast<util::sbWmf&>(d).Image1()->size());
        static_cast<util::sbWmf&>(d).mnRet(0)->trigger();
        return d.result();
    });
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(test::writeFile(path(name), bytes));
        editor_.pcOpen(0, path(name));
    }
    EXPECT_TRUE(script_->messageTexts().isEmpty())
        << script_->messageTexts().join('|').toStdString();
    // 30 × 20 pixels; an empty A4 sheet at 96 pixels per inch; 60 × 40 mm of drawing.
    EXPECT_EQ(sizes, (QList<QSize>{{30, 20}, {1123, 794}, {227, 151}}));
    EXPECT_EQ(doc().image().width(), 227);
}

}  // namespace
}  // namespace ximora::editor::testing
