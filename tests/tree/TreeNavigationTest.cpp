// The tree and the active pane: selecting a node opens its folder there
// (a click at once, keys after the delay), and with "bKeepTreeInSync" the
// tree follows the pane into archives and virtual folders.

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMimeData>

#include "pane/PaneContextMenu.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "shell/CommandIds.h"
#include "tree/TreeTestSupport.h"

namespace {

class TreeNavigationTest : public TreeTest {
protected:
    // The tree and the active pane side by side in one window, as in the
    // frame, so the focus can go from one to the other.
    void SetUp() override {
        TreeTest::SetUp();
        window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        tree->setParent(window.get());
        left->setParent(window.get());
        layout->addWidget(tree.get());
        layout->addWidget(left.get());
        window->resize(900, 600);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        tree->setFocus();
    }
    void TearDown() override {
        TreeTest::TearDown();
        window.reset();
    }
    // The rectangle of a node's label, once the view has laid it out.
    QRect LabelRect(TreeNode* node) {
        const QModelIndex index = tree->Model()->IndexOf(node);
        tree->scrollTo(index);
        QCoreApplication::processEvents();
        return tree->visualRect(index);
    }
    std::unique_ptr<QWidget> window;
    // Six folders below one, the tree expanded there and its first one
    // selected (by the program).
    TreeNode* SixFolders() {
        for (const char* name : {"f1", "f2", "f3", "f4", "f5", "f6"})
            if (!dir.MakeFolder(QByteArray("six/") + name))
                return nullptr;
        TreeNode* first = Locate(dir.Path() + "/six/f1");
        if (!first)
            return nullptr;
        tree->setFocus();
        return first;
    }
    // The folder the active pane shows once the posted commands have run.
    QString ShownAfterEvents() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return Shown(*left);
    }
    void PressDown(int times) {
        for (int i = 0; i < times; ++i) QTest::keyClick(tree.get(), Qt::Key_Down);
    }
};

TEST_F(TreeNavigationTest, KeysOpenOnlyTheLastNodeOnceAfterTheDelay) {
    settings.options = kTreeSingleClick;
    settings.autoCDDelay = 10000;  // the test stands in for the clock
    TreeNode* first = SixFolders();
    ASSERT_TRUE(first);
    ASSERT_TRUE(tree->hasFocus());
    EXPECT_FALSE(tree->AutoCDPending());  // the walk's selection opens nothing

    PressDown(5);
    EXPECT_EQ(tree->SelectedNode()->displayName, "f6");
    EXPECT_TRUE(tree->AutoCDPending());
    EXPECT_EQ(ShownAfterEvents(), QString());  // nothing opened yet
    const int before = host.activationUpdates;

    tree->FireAutoCD();
    EXPECT_EQ(ShownAfterEvents(), dir.Path() + "/six/f6");
    EXPECT_EQ(host.activationUpdates, before + 1);  // once
    EXPECT_FALSE(tree->AutoCDPending());
}

TEST_F(TreeNavigationTest, TheDelayedOpeningNeedsTheFocusStillInTheTree) {
    settings.options = kTreeSingleClick;
    settings.autoCDDelay = 10000;
    ASSERT_TRUE(SixFolders());
    PressDown(1);
    ASSERT_TRUE(tree->AutoCDPending());
    left->setFocus();  // losing the focus stops the timer
    EXPECT_FALSE(tree->AutoCDPending());
    tree->FireAutoCD();
    EXPECT_EQ(ShownAfterEvents(), QString());
}

TEST_F(TreeNavigationTest, TheRealTimerOpensAfterTheDelay) {
    settings.options = kTreeSingleClick;
    settings.autoCDDelay = 100;
    ASSERT_TRUE(SixFolders());
    PressDown(2);
    EXPECT_TRUE(WaitFor([&] { return Shown(*left) == dir.Path() + "/six/f3"; }));
}

TEST_F(TreeNavigationTest, WithoutOptionOneKeysNeverOpenButReturnDoes) {
    settings.options = 0;
    settings.autoCDDelay = 100;
    ASSERT_TRUE(SixFolders());
    PressDown(3);
    EXPECT_FALSE(tree->AutoCDPending());  // no timer: nothing can open later
    EXPECT_EQ(ShownAfterEvents(), QString());
    QTest::keyClick(tree.get(), Qt::Key_Return);
    EXPECT_EQ(ShownAfterEvents(), dir.Path() + "/six/f4");
    // Return leaves the focus in the tree without option 8.
    EXPECT_TRUE(tree->hasFocus());
}

TEST_F(TreeNavigationTest, AClickOpensAtOnceAndNotAgainAfterTheDelay) {
    settings.options = kTreeSingleClick | kTreeFocusPane;
    settings.autoCDDelay = 10000;
    ASSERT_TRUE(SixFolders());
    TreeNode* target = tree->SelectedNode()->parent->children[3].get();
    const QRect rect = LabelRect(target);
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(tree->SelectedNode(), target);
    EXPECT_FALSE(tree->AutoCDPending());
    const int before = host.activationUpdates;
    EXPECT_EQ(ShownAfterEvents(), dir.Path() + "/six/f4");
    EXPECT_EQ(host.activationUpdates, before + 1);
    // Option 8: the focus went to the pane.
    EXPECT_FALSE(tree->hasFocus());
}

TEST_F(TreeNavigationTest, AClickWithoutOptionOneOnlySelects) {
    settings.options = 0;
    ASSERT_TRUE(SixFolders());
    TreeNode* target = tree->SelectedNode()->parent->children[2].get();
    const QRect rect = LabelRect(target);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(tree->SelectedNode(), target);
    EXPECT_EQ(ShownAfterEvents(), QString());
}

TEST_F(TreeNavigationTest, SelectingFromTheContextMenuStartsNoDelayedOpening) {
    settings.options = kTreeSingleClick;
    settings.autoCDDelay = 10000;
    ASSERT_TRUE(SixFolders());
    TreeNode* target = tree->SelectedNode()->parent->children[4].get();
    const QRect rect = LabelRect(target);
    int menus = 0;
    const ContextMenuChooser previous = SetContextMenuChooser([&](QMenu& menu, const QPoint&) {
        ++menus;
        EXPECT_FALSE(menu.isEmpty());
        return static_cast<QAction*>(nullptr);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            tree->viewport()->mapToGlobal(rect.center()));
    QCoreApplication::sendEvent(tree->viewport(), &event);
    SetContextMenuChooser(previous);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(tree->SelectedNode(), target);
    EXPECT_FALSE(tree->AutoCDPending());
    EXPECT_EQ(ShownAfterEvents(), QString());
}

TEST_F(TreeNavigationTest, TheContextMenusCopyIsTheTreesOwnCopy) {
    ASSERT_TRUE(dir.MakeFolder("menu/item"));
    TreeNode* item = Locate(dir.Path() + "/menu/item");
    ASSERT_TRUE(item);
    QGuiApplication::clipboard()->clear();
    const ContextMenuChooser previous = SetContextMenuChooser([](QMenu& menu, const QPoint&) {
        for (QAction* action : menu.actions()) {
            if (action->text() == QStringLiteral("&Copy"))
                return action;
        }
        return static_cast<QAction*>(nullptr);
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1),
                            tree->viewport()->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(tree->viewport(), &event);
    SetContextMenuChooser(previous);
    // The verb comes back as the tree's copy command, posted.
    QCoreApplication::processEvents();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    ASSERT_EQ(mime->urls().size(), 1);
    EXPECT_EQ(mime->urls().first().toLocalFile(), dir.Path() + "/menu/item");
    QGuiApplication::clipboard()->clear();
}

TEST_F(TreeNavigationTest, TheDesktopHasNoContextMenuAndCannotBeDeletedCopiedOrCut) {
    tree->setCurrentIndex(tree->Model()->IndexOf(tree->Model()->Root()));
    int menus = 0;
    const ContextMenuChooser previous = SetContextMenuChooser([&](QMenu&, const QPoint&) {
        ++menus;
        return static_cast<QAction*>(nullptr);
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1),
                            tree->viewport()->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(tree->viewport(), &event);
    SetContextMenuChooser(previous);
    EXPECT_EQ(menus, 0);
    for (int id : {ID_FILE_DELETE, ID_EDIT_COPY, ID_EDIT_CUT}) {
        CommandState state;
        ASSERT_TRUE(tree->OnUpdateCommand(id, state));
        EXPECT_FALSE(state.enabled) << id;
    }
    CommandState open;
    ASSERT_TRUE(tree->OnUpdateCommand(ID_INTERNAL_GO, open));
    EXPECT_TRUE(open.enabled);
}

TEST_F(TreeNavigationTest, TheTreeFollowsTheActivePaneIntoArchivesAndVirtualFolders) {
    MutableGeneral().keepTreeInSync = true;
    ASSERT_TRUE(dir.MakeFolder("plain"));
    ASSERT_TRUE(WriteTestArchive(dir.Join("plain/pack.zip"), "zip", "none",
                                 {{"docs/", {}, TestEntry::Folder},
                                  {"docs/inner/", {}, TestEntry::Folder},
                                  {"docs/inner/a.txt", "a"}}));

    // A file-system folder.
    QSignalSpy done(tree.get(), &CTreeBrowser::LocateFinished);
    ASSERT_TRUE(Open(*left, dir.Path() + "/plain"));
    ASSERT_TRUE(WaitFor([&] { return !done.isEmpty() && !tree->IsLocating(); }, 10000));
    ASSERT_TRUE(done.last().first().toBool());
    EXPECT_EQ(tree->SelectedNode()->displayName, "plain");

    // Into the archive, two levels down.
    done.clear();
    ASSERT_TRUE(Open(*left, dir.Path() + "/plain/pack.zip/docs/inner"));
    ASSERT_TRUE(WaitFor([&] { return !done.isEmpty() && !tree->IsLocating(); }, 10000));
    ASSERT_TRUE(done.last().first().toBool());
    TreeNode* inner = tree->SelectedNode();
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->displayName, "inner");
    EXPECT_EQ(inner->parent->displayName, "docs");
    EXPECT_EQ(inner->parent->parent->displayName, "pack.zip");
    EXPECT_FALSE(inner->parent->fileSystem);  // the archive is no file-system folder
    EXPECT_EQ(inner->parent->parent->parent->displayName, "plain");

    // A virtual folder of the Desktop.
    done.clear();
    ASSERT_TRUE(left->OpenFolder(SHGetSpecialFolderLocation(CSIDL_BITBUCKET)));
    ASSERT_TRUE(WaitFor([&] { return !done.isEmpty() && !tree->IsLocating(); }, 10000));
    ASSERT_TRUE(done.last().first().toBool());
    EXPECT_EQ(tree->SelectedNode()->displayName, "Trash");
    EXPECT_TRUE(tree->SelectedNode()->parent->IsRoot());

    // Computer.
    done.clear();
    ASSERT_TRUE(left->OpenFolder(SHGetSpecialFolderLocation(CSIDL_DRIVES)));
    ASSERT_TRUE(WaitFor([&] { return !done.isEmpty() && !tree->IsLocating(); }, 10000));
    EXPECT_EQ(tree->SelectedNode()->displayName, "Computer");
}

TEST_F(TreeNavigationTest, WithoutKeepInSyncTheTreeStaysWhereItIs) {
    MutableGeneral().keepTreeInSync = false;
    ASSERT_TRUE(dir.MakeFolder("a"));
    ASSERT_TRUE(dir.MakeFolder("b"));
    ASSERT_TRUE(Locate(dir.Path() + "/a"));
    host.locates = 0;
    ASSERT_TRUE(Open(*left, dir.Path() + "/b"));
    EXPECT_EQ(host.locates, 0);
    EXPECT_EQ(tree->SelectedNode()->displayName, "a");
}

TEST_F(TreeNavigationTest, OpeningFromTheTreeSelectsNothingNew) {
    // The pane's opening comes back as a locate of the same node: no
    // second opening after the delay.
    MutableGeneral().keepTreeInSync = true;
    settings.options = kTreeSingleClick;
    settings.autoCDDelay = 10000;
    ASSERT_TRUE(SixFolders());
    PressDown(1);
    tree->FireAutoCD();
    ASSERT_EQ(ShownAfterEvents(), dir.Path() + "/six/f2");
    ASSERT_TRUE(WaitFor([&] { return !tree->IsLocating(); }));
    EXPECT_EQ(tree->SelectedNode()->displayName, "f2");
    EXPECT_FALSE(tree->AutoCDPending());
}

TEST_F(TreeNavigationTest, TabAndEscapeGiveTheFocusToTheActivePane) {
    ASSERT_TRUE(dir.MakeFolder("t"));
    ASSERT_TRUE(Open(*left, dir.Path()));
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Escape}) {
        tree->setFocus();
        ASSERT_TRUE(tree->hasFocus());
        QTest::keyClick(tree.get(), key);
        EXPECT_FALSE(tree->hasFocus()) << key;
        EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()) ||
                    QApplication::focusWidget() == left.get())
            << key;
    }
}

}  // namespace
