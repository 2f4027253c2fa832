// The folder tree bar in the real frame: Ctrl+T shows it on the active
// pane's folder, it follows the active pane while "bKeepTreeInSync" is on,
// the tree gets the commands first while it has the focus, and hiding it
// leaves no folders read.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include "app/CMainFrame.h"
#include "app/CPanexApp.h"
#include "app/FrameFixture.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/ShellContext.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "support/Wait.h"
#include "tree/TreeBar.h"

namespace {

class TreeBarTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        MakeFrameApp();
        ASSERT_TRUE(app->InitInstance());
        frame = dynamic_cast<CMainFrame*>(app->Frame());
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(frame->GetTreeBar());
        tree = frame->GetTreeBar()->Browser();
    }
    void MakeFolders() override {
        ASSERT_TRUE(dir.MakeFolder("left/sub"));
        ASSERT_TRUE(dir.MakeFolder("right/other"));
    }
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        FrameFixture::TearDown();
    }

    // The parsing name of the tree's selected folder once no walk runs.
    QString SelectedAfterWalk() {
        if (!WaitFor([&] { return !tree->IsLocating() && tree->PendingReads() == 0; }, 10000))
            return QStringLiteral("<still walking>");
        const TreeNode* node = tree->SelectedNode();
        return node ? AbsoluteDisplayName(node->absolute, SHGDN_FORPARSING).value_or(QString())
                    : QString();
    }
    bool Enabled(int id, bool* checked = nullptr) {
        const std::optional<CommandState> state = frame->Commands().Query(id);
        if (checked)
            *checked = state && state->checked;
        return state && state->enabled;
    }

    CTreeBrowser* tree = nullptr;
};

TEST_F(TreeBarTest, CtrlTShowsTheTreeOnTheActiveFolderAndItFollowsThePane) {
    EXPECT_FALSE(frame->TreeVisible());
    EXPECT_FALSE(Enabled(ID_TREE_LOCATE));
    EXPECT_FALSE(Enabled(ID_TREE_KEEP_SYNC));
    EXPECT_EQ(tree->Model()->NodeCount(), 1);  // nothing read while hidden

    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_TREEBAR));
    EXPECT_TRUE(frame->TreeVisible());
    EXPECT_EQ(frame->GetTreeBar()->objectName(), QStringLiteral("TreeBar"));
    EXPECT_EQ(SelectedAfterWalk(), leftPath);
    bool checked = false;
    EXPECT_TRUE(Enabled(ID_TREE_KEEP_SYNC, &checked));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(Enabled(ID_TREE_LOCATE));

    // The other pane made active: the tree follows it.
    frame->ActivatePane(frame->GetRightPane());
    EXPECT_EQ(SelectedAfterWalk(), rightPath);
    // A folder opened in the active pane.
    ASSERT_TRUE(frame->GetRightPane()->OpenFolder(ParsePath(rightPath + "/other")));
    EXPECT_EQ(SelectedAfterWalk(), rightPath + "/other");

    // Sync off: the tree stays; Alt+T (locate) still walks to the pane.
    ASSERT_TRUE(frame->Commands().Execute(ID_TREE_KEEP_SYNC));
    EXPECT_FALSE(General().keepTreeInSync);
    ASSERT_TRUE(frame->GetRightPane()->OpenFolder(ParsePath(rightPath)));
    EXPECT_EQ(SelectedAfterWalk(), rightPath + "/other");
    ASSERT_TRUE(frame->Commands().Execute(ID_TREE_LOCATE));
    EXPECT_EQ(SelectedAfterWalk(), rightPath);

    // Hidden: the root collapses, no folder stays read or watched.
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_TREEBAR));
    EXPECT_FALSE(frame->TreeVisible());
    EXPECT_EQ(tree->Model()->NodeCount(), 1);
    EXPECT_FALSE(Enabled(ID_TREE_LOCATE));
}

TEST_F(TreeBarTest, TheFocusedTreeTakesTheClipboardCommandsFirst) {
    frame->show();
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_TREEBAR));
    ASSERT_EQ(SelectedAfterWalk(), leftPath);
    // Ctrl+Tab in a pane gives the tree the focus.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    ASSERT_TRUE(frame->FocusFrameBar(false));
    ASSERT_TRUE(tree->hasFocus());
    ASSERT_TRUE(frame->Commands().Execute(ID_EDIT_COPY));
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    ASSERT_EQ(mime->urls().size(), 1);
    // The tree's folder, not the pane's selection.
    EXPECT_EQ(mime->urls().first().toLocalFile(), leftPath);
}

}  // namespace
