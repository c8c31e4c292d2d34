// The command entry: colour codes, turns and flips, reduction, trimming, band removal, filters
// and the edit state each pair leaves.
#include <QSignalSpy>

#include "editor/document/picture_facts.h"
#include "editor_fixture.h"

namespace ximora::editor::testing {
namespace {

using engine::testing::randomImage;

struct ColourCase {
    const char* job;
    const char* code;
};

TEST_F(DocumentTest, ColourJobsGiveTheirColourCodeAndMarkEdited) {
    const ColourCase cases[] = {{"白黒", "1."},        {"16色(4bit)", "4."},  {"ｸﾞﾚ-(4bit)", "40."},
                                {"256色(8bit)", "8."}, {"ｸﾞﾚ-(8bit)", "80."}, {"16ﾋﾞｯﾄ", "16."},
                                {"24ﾋﾞｯﾄ", "24."},     {"32ﾋﾞｯﾄ", "32."}};
    for (const ColourCase& c : cases) {
        open(16, 12);
        doc_.pcAct(QStringLiteral("色数"), QString::fromUtf8(c.job));
        EXPECT_EQ(doc_.colourCode(), QString::fromUtf8(c.code)) << c.job;
        EXPECT_EQ(doc_.editState(), kStateEdited) << c.job;
        EXPECT_EQ(doc_.undoCount(), 1) << c.job;
    }
}

TEST_F(DocumentTest, TurnsAndFlipsArePixelExact) {
    const engine::Image original = open(7, 5);
    const int W = 7, H = 5;
    struct Turn {
        const char* job;
        int w, h;
        std::function<std::pair<int, int>(int, int)> source;  // new (x, y) → old (x, y)
    };
    const Turn turns[] = {
        {"左右反転", W, H,
         [&](int x, int y) {
             return std::pair{W - 1 - x, y};
         }},
        {"上下反転", W, H,
         [&](int x, int y) {
             return std::pair{x, H - 1 - y};
         }},
        {"右90度", H, W,
         [&](int x, int y) {
             return std::pair{y, H - 1 - x};
         }},
        {"左90度", H, W,
         [&](int x, int y) {
             return std::pair{W - 1 - y, x};
         }},
        {"右180度", W, H,
         [&](int x, int y) {
             return std::pair{W - 1 - x, H - 1 - y};
         }},
        {"左180度", W, H,
         [&](int x, int y) {
             return std::pair{W - 1 - x, H - 1 - y};
         }},
    };
    for (const Turn& t : turns) {
        doc_.pcOpen(0, path(QStringLiteral("a.bmp")));
        doc_.pcAct(QStringLiteral("回転"), QString::fromUtf8(t.job));
        const engine::Image& turned = doc_.image();
        ASSERT_EQ(turned.width(), t.w) << t.job;
        ASSERT_EQ(turned.height(), t.h) << t.job;
        for (int y = 0; y < t.h; ++y)
            for (int x = 0; x < t.w; ++x) {
                const auto [sx, sy] = t.source(x, y);
                ASSERT_EQ(turned.pixel(x, y), original.pixel(sx, sy))
                    << t.job << " " << x << "," << y;
            }
        EXPECT_EQ(doc_.editState(), kStateEdited);
    }
}

TEST_F(DocumentTest, TurningALowColourImageLeavesItsPaletteWithoutChangingAColour) {
    // Black and white have exact 16-bit forms; the random colours of a 256-colour palette
    // mostly do not, and go to 24 bits instead.
    for (int bits : {1, 8}) {
        engine::Image source = randomImage(8, 4, bits);
        if (bits == 1) source.palette = {{0, 0, 0, 255}, {255, 255, 255, 255}};
        doc_.pcOpen(0, write(QStringLiteral("a.bmp"), source));
        const engine::Image original = read(path(QStringLiteral("a.bmp")));
        doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
        EXPECT_EQ(doc_.colourCode(), bits == 1 ? QStringLiteral("16.") : QStringLiteral("24."));
        ASSERT_EQ(doc_.image().width(), 4);
        ASSERT_EQ(doc_.image().height(), 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(doc_.image().pixel(x, y), original.pixel(y, 3 - x)) << bits;
    }
}

TEST_F(DocumentTest, ReduceToSelectionSizes) {
    struct Case {
        const char* job;
        int w, h;
    };
    const Case cases[] = {{"横方向を基準に縮小", 100, 75},
                          {"縦方向を基準に縮小", 80, 60},
                          {"縦横比率を変えて縮小", 100, 60}};
    for (const Case& c : cases) {
        open(400, 300);
        doc_.setSelection({10, 20, 110, 80});
        doc_.pcAct(QStringLiteral("ﾘｻｲｽﾞ"), QString::fromUtf8(c.job));
        EXPECT_EQ(doc_.image().width(), c.w) << c.job;
        EXPECT_EQ(doc_.image().height(), c.h) << c.job;
        EXPECT_TRUE(doc_.selection().empty());
    }
    script_->clear();
    doc_.pcAct(QStringLiteral("ﾘｻｲｽﾞ"), QStringLiteral("横方向を基準に縮小"));
    EXPECT_EQ(script_->messageTexts(),
              QStringList{QStringLiteral("先に範囲を指定し､そのｻｲｽﾞに合わせて縮小します")});
}

TEST_F(DocumentTest, TrimKeepsTheSelectionAndNeedsOne) {
    const engine::Image original = open(40, 30);
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ﾄﾘﾐﾝｸﾞ"));
    EXPECT_EQ(doc_.image().width(), 40);  // no selection: nothing happens
    doc_.setSelection({5, 6, 25, 16});
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ﾄﾘﾐﾝｸﾞ"));
    ASSERT_EQ(doc_.image().width(), 20);
    ASSERT_EQ(doc_.image().height(), 10);
    EXPECT_EQ(doc_.image().pixel(0, 0), original.pixel(5, 6));
    EXPECT_EQ(doc_.image().pixel(19, 9), original.pixel(24, 15));
    EXPECT_EQ(doc_.editState(), kStateEdited);
}

TEST_F(DocumentTest, BandRemovalClosesTheGap) {
    const engine::Image original = open(30, 20);
    doc_.setSelection({10, 0, 14, 20});
    doc_.pcAct(QStringLiteral("綴じ込み"), QStringLiteral("横方向"));
    ASSERT_EQ(doc_.image().width(), 26);
    EXPECT_EQ(doc_.image().pixel(9, 3), original.pixel(9, 3));
    EXPECT_EQ(doc_.image().pixel(10, 3), original.pixel(14, 3));
    EXPECT_EQ(doc_.image().pixel(25, 19), original.pixel(29, 19));

    const engine::Image palette = open(30, 20, 8);
    doc_.setSelection({0, 5, 30, 8});
    doc_.pcAct(QStringLiteral("綴じ込み"), QStringLiteral("縦方向"));
    ASSERT_EQ(doc_.image().height(), 17);
    EXPECT_EQ(doc_.colourCode(), QStringLiteral("8."));  // back to its former depth
    for (int x = 0; x < 30; ++x) {                       // and to its colours
        ASSERT_EQ(doc_.image().pixel(x, 4), palette.pixel(x, 4));
        ASSERT_EQ(doc_.image().pixel(x, 5), palette.pixel(x, 8));
    }
}

TEST_F(DocumentTest, FiltersNeedFullColourYetTheStateBecomesEdited) {
    open(16, 16, 8);
    const engine::Image before = doc_.image();
    doc_.pcAct(QStringLiteral("補正"), QStringLiteral("ぼかし"));
    EXPECT_EQ(script_->messageTexts(),
              QStringList{QStringLiteral("ｴﾌｪｸﾄ処理は 24Bit Color 以上必要です")});
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), before));
    EXPECT_EQ(doc_.editState(), kStateEdited);

    open(16, 16, 24);
    doc_.pcAct(QStringLiteral("色数"), QStringLiteral("ｸﾞﾚ-(8bit)"));
    script_->clear();
    doc_.pcAct(QStringLiteral("彩度"), QStringLiteral("鮮やか"));  // 8-bit grey passes
    EXPECT_TRUE(script_->messageTexts().isEmpty());
}

TEST_F(DocumentTest, EveryFixedFilterRunsOnFullColour) {
    const char* filters[] = {"ﾉｲｽﾞの除去", "ぼかし", "ｼｬ-ﾌﾟ", "淵を滑らかに", "ｽﾌﾟﾗｲﾝ補正",
                             "ｴﾝﾎﾞｽ",      "ﾓｻﾞｲｸ",  "輪郭",  "ﾓｰｼｮﾝ",        "波",
                             "波紋",       "渦巻",   "ﾚﾝｽﾞ",  "ｷｬﾝﾊﾞｽ"};
    for (const char* f : filters) {
        open(24, 24);
        doc_.pcAct(QStringLiteral("効果"), QString::fromUtf8(f));
        EXPECT_TRUE(doc_.lastOk()) << f;
        EXPECT_TRUE(script_->messageTexts().isEmpty()) << f;
    }
}

TEST_F(DocumentTest, SelectionLimitsPixelOperations) {
    const engine::Image original = open(20, 20);
    doc_.setSelection({5, 5, 10, 10});
    doc_.pcAct(QStringLiteral("色反転"), QStringLiteral("Red"));
    const engine::Colour inside = original.pixel(6, 6), changed = doc_.image().pixel(6, 6);
    EXPECT_EQ(changed.r, 255 - inside.r);
    EXPECT_EQ(changed.g, inside.g);
    EXPECT_EQ(doc_.image().pixel(15, 15), original.pixel(15, 15));
    EXPECT_FALSE(doc_.selection().empty());  // kept after a pixel operation
}

TEST_F(DocumentTest, StateRulesAroundCommands) {
    QSignalSpy states(&doc_, &PictureDocument::eEdtMode);
    doc_.pcAct(QStringLiteral("編集状態"), kStateInitial);
    EXPECT_EQ(doc_.editState(), kStateInitial);
    open(10, 10);
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    doc_.pcAct(QStringLiteral("何か"), QStringLiteral("知らない"));  // unknown: nothing
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    doc_.pcAct(QStringLiteral("補正"), QStringLiteral("詳細指定"));  // dialog not here
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    doc_.pcAct(QStringLiteral("明度"), QStringLiteral("明るく"));
    EXPECT_EQ(doc_.editState(), kStateEdited);
    EXPECT_EQ(doc_.lastJob(), QStringLiteral("明るく"));
    doc_.pcAct(QStringLiteral("編集更新"), QStringLiteral("自動更新"));
    EXPECT_EQ(doc_.updateMode(), 2);
    EXPECT_GE(states.count(), 3);
}

TEST_F(DocumentTest, FrameIsGreyAlongTheEdges) {
    open(40, 30);
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("画像枠を追加"));
    const engine::Colour grey{128, 128, 128, 255};
    EXPECT_EQ(doc_.image().pixel(20, 0), grey);
    EXPECT_EQ(doc_.image().pixel(0, 15), grey);
    EXPECT_EQ(doc_.image().pixel(39, 15), grey);
    EXPECT_EQ(doc_.image().pixel(20, 29), grey);
    EXPECT_EQ(doc_.image().dpiX, 96);
    EXPECT_EQ(doc_.colourCode(), QStringLiteral("24."));
}

TEST_F(DocumentTest, WindowCommandsDoNothingWithoutAWindow) {
    EXPECT_TRUE(
        PictureDocument::needsWindow(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("名前を付けて保存")));
    EXPECT_TRUE(PictureDocument::needsWindow(QStringLiteral("回転"), QStringLiteral("詳細指定")));
    EXPECT_FALSE(PictureDocument::needsWindow(QStringLiteral("回転"), QStringLiteral("右90度")));
    for (const char* job : {"ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"})
        EXPECT_TRUE(
            PictureDocument::needsWindow(QStringLiteral("画像編集"), QString::fromUtf8(job)));
    open(10, 10);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("新規作成"));
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"));
    EXPECT_EQ(doc_.image().width(), 10);
}

}  // namespace
}  // namespace ximora::editor::testing
