#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QSplitter>
#include <QTemporaryDir>
#include <algorithm>

#include "util/scripted_messages.h"
#include "util/shared_values.h"
#include "util/usr.h"

using namespace ximora;
using namespace ximora::Usr;

namespace {
void touch(const QString& path, int bytes = 1) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
}

struct WithScripted {
    util::ScriptedMessages* m;
    util::ScopedMessages guard;
    WithScripted() : WithScripted(std::make_unique<util::ScriptedMessages>()) {}
    explicit WithScripted(std::unique_ptr<util::ScriptedMessages> s)
        : m(s.get()), guard(std::move(s)) {}
};
}  // namespace

TEST(UsrText, AddEndTrimEndCutAtSplitAt) {
    QString text = "C:";
    QString suffix;
    AddEnd(text, suffix);
    EXPECT_EQ(text, "C:/");
    EXPECT_EQ(suffix, "/");  // the empty suffix is handed back as the default
    AddEnd(text);
    EXPECT_EQ(text, "C:/");

    TrimEnd(text, "/");
    EXPECT_EQ(text, "C:");
    QString twice = "a//";
    TrimEnd(twice, "/");
    EXPECT_EQ(twice, "a/");  // one occurrence only

    QString cut = "名前(&N)";
    CutAt(cut, "(&");
    EXPECT_EQ(cut, "名前");

    QString left, right;
    SplitAt("a,b,c", ",", left, right);
    EXPECT_EQ(left, "a");
    EXPECT_EQ(right, "b,c");
    SplitAt("a;b", "", left, right);  // empty separator means ","
    EXPECT_EQ(left, "a;b");
    EXPECT_EQ(right, "");
}

TEST(UsrText, TextBetweenAndFindText) {
    EXPECT_EQ(TextBetween("a=1;X=2", "X=", ";"), "2");   // end marker appended first
    EXPECT_EQ(TextBetween("a=1;x=2;", "X=", ";"), "2");  // markers ignore case
    EXPECT_EQ(TextBetween("a=1;b=2", "", ";"), "a=1");
    EXPECT_EQ(TextBetween("a=1;b=2", "b=", ""), "2");
    EXPECT_EQ(TextBetween("a=1", "zz", ";"), "");

    int position = -1;
    EXPECT_TRUE(FindText("abcPDAT", "pdat", position));
    EXPECT_EQ(position, 4);
    EXPECT_FALSE(FindText("abc", "", position));
    EXPECT_EQ(position, 0);
    EXPECT_FALSE(FindText("abc", "x", position));
    EXPECT_EQ(position, 0);
}

TEST(UsrFiles, PatternMatchingFollowsTheWildcardSyntax) {
    EXPECT_TRUE(MatchesPattern("PIC004.jpg", "PIC*.*"));
    EXPECT_TRUE(MatchesPattern("PIC004.jpg", "PIC###.jpg"));
    EXPECT_FALSE(MatchesPattern("PICa04.jpg", "PIC###.jpg"));
    EXPECT_TRUE(MatchesPattern("a.bmp", "?.bmp"));
    EXPECT_FALSE(MatchesPattern("ab.bmp", "?.bmp"));
    EXPECT_FALSE(MatchesPattern("A.BMP", "a.bmp"));  // case-sensitive
    EXPECT_TRUE(MatchesPattern("b1", "[a-c]#"));
    EXPECT_FALSE(MatchesPattern("d1", "[a-c]#"));
    EXPECT_TRUE(MatchesPattern("d1", "[!a-c]#"));
    EXPECT_TRUE(MatchesPattern("x", "[xyz]"));
    EXPECT_TRUE(MatchesPattern("[a", "[a"));  // an unclosed list is literal
    EXPECT_TRUE(MatchesPattern("", "*"));
    EXPECT_TRUE(MatchesPattern("abc", "a**c"));
    EXPECT_FALSE(MatchesPattern("abc", "a*d"));
}

TEST(UsrFiles, ListFilesReportsMissingFolderAndListsMatches) {
    WithScripted s;
    QTemporaryDir dir;
    touch(dir.filePath("PIC001.jpg"));
    touch(dir.filePath("PIC002.gif"));
    touch(dir.filePath("other.jpg"));
    QDir(dir.path()).mkdir("PIC003.jpg");  // folders are not files
    QStringList names = ListFiles(dir.path(), "PIC*").split('\t');
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, QStringList({"PIC001.jpg", "PIC002.gif"}));
    EXPECT_EQ(ListFiles(dir.path(), "none*"), "");
    EXPECT_TRUE(s.m->calls().empty());

    EXPECT_EQ(ListFiles(dir.filePath("gone"), "*"), "");
    EXPECT_EQ(s.m->messageTexts(), QStringList{dir.filePath("gone") + "/ Not Found "});
}

TEST(UsrFiles, ListImageFilesUsesSubstringExtensionsAndSkipsHidden) {
    QTemporaryDir dir;
    touch(dir.filePath("BMP"), 3);
    touch(dir.filePath("x.PG"));
    touch(dir.filePath("a.jpg"), 5);
    touch(dir.filePath(".hidden.jpg"));
    touch(dir.filePath("notes.txt"));
    std::vector<ImageFileEntry> table;
    const int count = ListImageFiles(dir.path(), ".BMP.JPG.GIF.", table);
    ASSERT_EQ(count, 3);
    std::sort(table.begin(), table.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(table[0].name, "BMP");
    EXPECT_EQ(table[0].size, 3);
    EXPECT_EQ(table[1].name, "a.jpg");
    EXPECT_EQ(table[2].name, "x.PG");
    EXPECT_TRUE(table[1].modified.isValid());

    std::vector<ImageFileEntry> untouched = {{"keep", 1, {}}};
    EXPECT_EQ(ListImageFiles(dir.path(), ".TIF.", untouched), 0);
    EXPECT_EQ(untouched.size(), 1u);
    EXPECT_EQ(ListImageFiles(dir.filePath("gone"), ".BMP.", untouched), 0);
}

TEST(UsrFiles, ExistenceSizesFoldersAndTrash) {
    QTemporaryDir dir;
    touch(dir.filePath("f.bin"), 42);
    EXPECT_FALSE(FolderExists(""));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_TRUE(FileExists(dir.filePath("f.bin")));
    EXPECT_EQ(FileSize(dir.filePath("f.bin")), 42);
    EXPECT_EQ(FileSize(dir.filePath("none")), 0);

    QString failed;
    EXPECT_TRUE(EnsureFolders({dir.filePath("Thumb"), dir.filePath("Wrk")}, &failed));
    EXPECT_TRUE(FolderExists(dir.filePath("Wrk")));
    EXPECT_FALSE(EnsureFolders({dir.filePath("a/b"), dir.filePath("c")}, &failed));
    EXPECT_EQ(failed, dir.filePath("a/b"));  // one level only
    EXPECT_TRUE(FolderExists(dir.filePath("c")));

    WithScripted s;
    s.m->answer(util::MsgAnswer::No);
    EXPECT_FALSE(DeleteToBin(nullptr, {dir.filePath("f.bin")}, false, false));
    EXPECT_TRUE(FileExists(dir.filePath("f.bin")));
    ASSERT_EQ(s.m->messageTexts().size(), 1);
    EXPECT_EQ(s.m->messageTexts()[0], "'f.bin' をごみ箱に移しますか?");
}

TEST(UsrFiles, BrowseFolderGoesThroughTheMessageService) {
    WithScripted s;
    QTemporaryDir dir;
    QString folder = dir.filePath("missing");
    s.m->answerPath(dir.path());
    BrowseFolder(folder);
    EXPECT_EQ(folder, dir.path());
    ASSERT_EQ(s.m->calls().size(), 1u);
    EXPECT_EQ(s.m->calls()[0].text, "ﾌｫﾙﾀﾞの指定");
    EXPECT_EQ(s.m->calls()[0].start, "");  // a missing folder is not a start
    BrowseFolder(folder, "格納先");
    EXPECT_EQ(folder, "");  // cancelled
    EXPECT_EQ(s.m->calls()[1].start, dir.path());
}

TEST(UsrWindow, FitToWorkAreaUsesWidthAndHeightAsLimits) {
    auto saved = util::shared();
    auto& v = util::shared();
    v.nWaLeft = 300;
    v.nWaTop = 150;
    v.nWaWidth = 15000;
    v.nWaHeight = 9000;
    int l = 100, t = 100, w = 20000, h = 3000;
    FitToWorkArea(l, t, w, h);
    EXPECT_EQ(l, 300);
    EXPECT_EQ(t, 150);
    EXPECT_EQ(w, 15000);
    EXPECT_EQ(h, 3000);
    // 14000 + 1200 exceeds the width 15000 (not the right edge 15300): moved to the left edge.
    l = 14000, t = 200, w = 1200, h = 8900;
    FitToWorkArea(l, t, w, h);
    EXPECT_EQ(l, 300);
    EXPECT_EQ(w, 1200);
    EXPECT_EQ(t, 150);
    EXPECT_EQ(h, 8900);

    v.mainWindow = nullptr;
    l = t = 0, w = 3000, h = 2000;
    PlaceWindow(l, t, w, h);  // without a main window the reference is the origin
    EXPECT_EQ(l, 300);
    EXPECT_EQ(t, 150);
    util::shared() = saved;
}

TEST(UsrWindow, PaneSizesInTwipsThroughTheMainWindow) {
    auto saved = util::shared();
    QMainWindow main;
    auto* splitter = new QSplitter(Qt::Horizontal, &main);
    auto* tree = new QWidget;
    tree->setObjectName("pTrP");
    splitter->addWidget(tree);
    splitter->addWidget(new QWidget);
    main.setCentralWidget(splitter);
    main.resize(800, 600);
    SetSplitterStyle(splitter);
    main.show();
    StartupMetrics(&main);
    const double tpp = util::twipsPerPixelX();

    SetPaneSize("pTrP/w", static_cast<int>(200 * tpp), true);
    EXPECT_EQ(tree->width(), 200);
    EXPECT_EQ(GetPaneSize("pTrP/W"), static_cast<int>(200 * tpp));
    EXPECT_EQ(tree->maximumWidth(), 200);
    UnlockPanes({"pTrP/W"});
    EXPECT_EQ(tree->maximumWidth(), QWIDGETSIZE_MAX);
    EXPECT_EQ(GetPaneSize("none/W"), 0);
    util::shared() = saved;
}
