#include <unistd.h>
#include <QSignalSpy>
#include <QTreeWidget>

#include "browser/file_list.h"
#include "browser/folder_tree.h"
#include "browser/folder_watch.h"
#include "browser/utrp.h"
#include "browser_fixture.h"

namespace ximora::browser::testing {
namespace {

QStringList childTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
    return texts;
}

using FolderTreeTest = BrowserFixture;

TEST_F(FolderTreeTest, RootLoadsChildrenWithPlaceholdersOnlyWhereSubfoldersAre) {
    folder("b/inner");
    folder("a");
    folder(".hidden/x");
    uTrP control;
    control.setRoot(root);
    FolderTree& tree = control.folderTree();
    QTreeWidgetItem* top = tree.root();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(FolderTree::key(top), "Nd000");
    EXPECT_EQ(top->text(0), root);
    EXPECT_TRUE(top->isExpanded());
    EXPECT_EQ(childTexts(top), (QStringList{"a", "b"}));  // sorted, hidden folders left out
    EXPECT_EQ(FolderTree::key(top->child(0)), "Nd001");
    EXPECT_EQ(FolderTree::key(top->child(1)), "Nd002");
    EXPECT_EQ(top->child(0)->childCount(), 0);  // "a" has no subfolders: no placeholder
    ASSERT_EQ(top->child(1)->childCount(), 1);
    EXPECT_EQ(top->child(1)->child(0)->text(0), "?");
    EXPECT_EQ(FolderTree::key(top->child(1)->child(0)), "Nd002X");
    EXPECT_EQ(control.Root(), root);
    EXPECT_EQ(control.Path(), root);

    // Expanding replaces the placeholder with the real children, numbered on.
    top->child(1)->setExpanded(true);
    EXPECT_EQ(childTexts(top->child(1)), QStringList{"inner"});
    EXPECT_EQ(FolderTree::key(top->child(1)->child(0)), "Nd003");
    EXPECT_EQ(FolderTree::fullPath(top->child(1)->child(0)), root + "/b/inner");
    EXPECT_EQ(tree.counter(), 3);
    EXPECT_EQ(FolderTree::keyFor(1234), "Nd1234");
}

TEST_F(FolderTreeTest, EmptyRootIsCollapsedAndMissingRootFallsBackOrReports) {
    uTrP control;
    control.setRoot(root);
    EXPECT_FALSE(control.folderTree().root()->isExpanded());

    control.setRoot(root + "/missing");
    EXPECT_EQ(control.Root(), userData.chopped(1));  // the user data folder instead

    util::shared().sUsrDir = root + "/gone/";
    control.setRoot(QString());
    EXPECT_EQ(control.Root(), "");
    EXPECT_EQ(messages->messageTexts(), QStringList{root + "/gone Not Found"});
    EXPECT_EQ(control.Path(), "");
}

TEST_F(FolderTreeTest, PathWalksDownLoadingLevelsAndStopsAtTheDeepestExisting) {
    folder("x/y/z");
    uTrP control;
    control.setRoot(root);
    QSignalSpy changed(&control, &uTrP::eCngDr);
    control.setPath(root + "/x/y/z");
    EXPECT_EQ(control.Path(), root + "/x/y/z");
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toString(), root + "/x/y/z");

    control.setPath(root + "/x/y/nothing/deeper");
    EXPECT_EQ(control.Path(), root + "/x/y");
    EXPECT_EQ(changed.last()[0].toString(), root + "/x/y/nothing/deeper");

    control.setPath(root + "/X/Y");  // another case still finds the folders
    EXPECT_EQ(control.Path(), root + "/x/y");
}

TEST_F(FolderTreeTest, UnreadableFolderGetsAPlaceholderButNoChildren) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const QString locked = folder("locked");
    folder("locked/inside");
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
    uTrP control;
    control.setRoot(root);
    QTreeWidgetItem* node = control.folderTree().root()->child(0);
    EXPECT_EQ(node->childCount(), 1);  // may have subfolders: expandable
    node->setExpanded(true);
    EXPECT_EQ(node->childCount(), 0);
    chmod(QFile::encodeName(locked).constData(), 0755);
}

TEST_F(FolderTreeTest, SymbolicLinkLoopsAreHarmless) {
    folder("a");
    ASSERT_EQ(
        symlink(QFile::encodeName(root).constData(), QFile::encodeName(root + "/a/up").constData()),
        0);
    ASSERT_EQ(symlink("self", QFile::encodeName(root + "/a/self").constData()), 0);
    uTrP control;
    control.setRoot(root);
    control.setPath(root + "/a/up/a/up/a");
    EXPECT_EQ(control.Path(), root + "/a/up/a/up/a");
    control.folderTree().root()->child(0)->setExpanded(true);
    EXPECT_EQ(childTexts(control.folderTree().root()->child(0)), QStringList{"up"});
}

// ---- folder watch -------------------------------------------------------------------------

using FolderWatchTest = BrowserFixture;

TEST_F(FolderWatchTest, CreatedFoldersAreInsertedInOrderAndDeletedOnesRemoved) {
    folder("b");
    folder("d/sub");
    uTrP control;
    control.setRoot(root);
    QTreeWidgetItem* top = control.folderTree().root();
    ASSERT_EQ(childTexts(top), (QStringList{"b", "d"}));

    folder("a");
    folder("c/deeper");
    QDir(root + "/d").removeRecursively();
    touchLater(root);
    control.ChkFld();
    EXPECT_EQ(childTexts(top), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(FolderTree::key(top->child(0)), "Nd003");  // numbered on from the counter
    EXPECT_EQ(FolderTree::key(top->child(2)), "Nd004");
    EXPECT_EQ(top->child(2)->childCount(), 1);  // "c" has a subfolder: placeholder
    EXPECT_EQ(control.folderTree().nodeByKey("Nd002"), nullptr);
    EXPECT_EQ(control.folderTree().node(2), nullptr);
}

TEST_F(FolderWatchTest, VanishedFolderGoesWithItsSubtree) {
    folder("keep");
    folder("gone/x/y");
    image("top.png");
    image("gone/x/y/deep.png");
    image("gone/x/y/deeper.png");
    uTrP control;
    control.setRoot(root);
    control.setPath(root + "/gone/x/y");
    const int counter = control.folderTree().counter();
    QDir(root + "/gone").removeRecursively();
    control.ChkFld();
    EXPECT_EQ(childTexts(control.folderTree().root()), QStringList{"keep"});
    // The list follows the tree to the folder it chose, not the files of the one that went.
    EXPECT_FALSE(control.Path().startsWith(root + "/gone"));
    EXPECT_EQ(control.fileList()->topLevelItemCount(), control.Path() == root ? 1 : 0)
        << control.Path().toStdString();
    for (int n = 0; n <= counter; ++n) {
        const QTreeWidgetItem* node = control.folderTree().node(n);
        EXPECT_TRUE(!node || !FolderTree::fullPath(node).startsWith(root + "/gone")) << n;
    }
}

TEST_F(FolderWatchTest, NameEndingAnExistingNameIsNotNoticed) {
    folder("xab");
    uTrP control;
    control.setRoot(root);
    folder("ab");
    touchLater(root);
    control.ChkFld();
    EXPECT_EQ(childTexts(control.folderTree().root()), QStringList{"xab"});
}

TEST_F(FolderWatchTest, UnloadedChildrenAreLeftToLazyLoading) {
    folder("p/q");
    uTrP control;
    control.setRoot(root);
    folder("p/r");
    touchLater(root + "/p");
    control.ChkFld();
    QTreeWidgetItem* p = control.folderTree().root()->child(0);
    ASSERT_EQ(p->childCount(), 1);
    EXPECT_EQ(p->child(0)->text(0), "?");
    p->setExpanded(true);
    EXPECT_EQ(childTexts(p), (QStringList{"q", "r"}));
}

TEST_F(FolderWatchTest, UnselectedChangedFolderIsSynchronisedAgainUntilSelected) {
    folder("s");
    uTrP control;
    control.setRoot(root);
    control.setPath(root + "/s");
    const int64_t before = control.folderTree().date(0);
    touchLater(root);
    control.ChkFld();
    EXPECT_EQ(control.folderTree().date(0), before);  // not selected: entry unchanged
    folder("t");
    touchLater(root);
    control.ChkFld();
    EXPECT_EQ(childTexts(control.folderTree().root()), (QStringList{"s", "t"}));
}

TEST_F(FolderWatchTest, TimerPassAsksTheDiskAwayFromTheTreeAndHandlesOnlyChanges) {
    folder("a");
    folder("b/c");
    uTrP control;
    control.setRoot(root);
    const std::vector<WatchEntry> entries = watchList(control.folderTree());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(changedFolders(entries).empty());

    folder("a/new");
    touchLater(root + "/a");
    QDir(root + "/b").removeRecursively();
    const std::vector<int> changed = changedFolders(entries);  // the worker's answer
    EXPECT_EQ(changed, (std::vector<int>{0, 1, 2}));           // removing "b" changed the root too
    folder("b");  // came back before the answer was handled: looked at again, kept
    checkFolders(
        control.folderTree(), [] {}, changed);
    EXPECT_EQ(childTexts(control.folderTree().root()), (QStringList{"a", "b"}));
    EXPECT_EQ(childTexts(control.folderTree().root()->child(0)), QStringList{"new"});
}

TEST_F(FolderWatchTest, SelectedFolderRefillKeepsTheSelection) {
    image("one.png");
    image("two.png");
    uTrP control;
    control.cOn(root, root, false, root + "/two.png");
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    image("three.png");
    touchLater(root);
    control.ChkFld();
    ASSERT_EQ(control.fileList()->topLevelItemCount(), 3);
    EXPECT_EQ(control.fileList()->currentItem()->text(0), "two.png");
    EXPECT_EQ(chosen.size(), 0);
    // The last chosen path was cleared, so choosing the same file reports it again.
    control.MoveNxt(0);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), root + "/two.png");
}

}  // namespace
}  // namespace ximora::browser::testing
