// Delete, copy, cut, paste and drag and drop on the tree's folders: through
// the transfer executor and its operation record, as the panes do.

#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "fileops/TransferExecutor.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "tree/TreeTestSupport.h"

namespace {

class TreeTransferTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        tree->show();
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        TreeTest::TearDown();
    }
    // The node of a folder below the test folder, its parent expanded.
    TreeNode* Node(const QString& relative) { return Locate(dir.Path() + "/" + relative); }
    void Select(TreeNode* node) { tree->setCurrentIndex(tree->Model()->IndexOf(node)); }

    // Sends a drag of `mime` over the node and drops it; the drop's action.
    Qt::DropAction DropOn(TreeNode* node, QMimeData& mime, Qt::KeyboardModifiers modifiers = {}) {
        const QModelIndex index = tree->Model()->IndexOf(node);
        tree->scrollTo(index);
        QCoreApplication::processEvents();
        const QPointF point = tree->visualRect(index).center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(point.toPoint(), actions, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(point.toPoint(), actions, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(tree->viewport(), &move);
        lastMoveAccepted = move.isAccepted();
        QDropEvent drop(point, actions, &mime, Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(tree->viewport(), &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }
    bool lastMoveAccepted = false;
};

TEST_F(TreeTransferTest, DeleteSendsTheFolderToTheTrashAndShiftDeleteRemovesItForGood) {
    ASSERT_TRUE(dir.MakeFile("parent/to-trash/a.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("parent/for-good/b.txt", "b"));
    ASSERT_TRUE(dir.MakeFolder("parent/stays"));
    const QString trashFiles = QDir::homePath() + QStringLiteral("/.local/share/Trash/files/");

    TreeNode* node = Node("parent/to-trash");
    ASSERT_TRUE(node);
    TreeNode* parent = node->parent;
    prompter->AnswerMessage(PromptAnswer::Yes);
    ASSERT_TRUE(tree->OnCommand(ID_FILE_DELETE));
    EXPECT_FALSE(dir.Exists("parent/to-trash"));
    EXPECT_TRUE(QFile::exists(trashFiles + "to-trash/a.txt"));
    // The operation record names the parent as the source of a delete.
    EXPECT_EQ(TheOperationRecord().sourcePath, dir.Path() + "/parent");
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_MOVE));
    // The parent is read again at once; the node goes.
    EXPECT_TRUE(WaitFor([&] {
        return ChildNames(parent) == QStringList({"for-good", "stays"});
    })) << ChildNames(parent).join(',').toStdString();

    TreeNode* second = Node("parent/for-good");
    ASSERT_TRUE(second);
    prompter->AnswerMessage(PromptAnswer::Yes);
    {
        const ScopedKeyState shift(Qt::ShiftModifier);
        ASSERT_TRUE(tree->OnCommand(ID_FILE_DELETE));
    }
    EXPECT_FALSE(dir.Exists("parent/for-good"));
    EXPECT_FALSE(QFile::exists(trashFiles + "for-good"));
    EXPECT_TRUE(dir.Exists("parent/stays"));
    EXPECT_TRUE(WaitFor([&] { return ChildNames(parent) == QStringList({"stays"}); }));
}

TEST_F(TreeTransferTest, DeclinedDeleteKeepsTheFolder) {
    ASSERT_TRUE(dir.MakeFolder("p/kept"));
    ASSERT_TRUE(Node("p/kept"));
    prompter->AnswerMessage(PromptAnswer::No);
    ASSERT_TRUE(tree->OnCommand(ID_FILE_DELETE));
    EXPECT_TRUE(dir.Exists("p/kept"));
    EXPECT_EQ(tree->SelectedNode()->displayName, "kept");
}

TEST_F(TreeTransferTest, TheDesktopIsNeverDeleted) {
    Select(tree->Model()->Root());
    ASSERT_TRUE(tree->OnCommand(ID_FILE_DELETE));
    EXPECT_TRUE(prompter->Requests().isEmpty());
    EXPECT_TRUE(prompter->Beeps().isEmpty());
}

TEST_F(TreeTransferTest, CopyAndPasteAFolderIntoAnotherOne) {
    ASSERT_TRUE(dir.MakeFile("src/data/file.txt", "payload"));
    ASSERT_TRUE(dir.MakeFolder("dst"));
    TreeNode* data = Node("src/data");
    ASSERT_TRUE(data);
    CommandState paste;
    ASSERT_TRUE(tree->OnUpdateCommand(ID_EDIT_PASTE, paste));
    EXPECT_FALSE(paste.enabled);  // nothing on the clipboard yet
    ASSERT_TRUE(tree->OnCommand(ID_EDIT_COPY));

    TreeNode* dst = Node("dst");
    ASSERT_TRUE(dst);
    ASSERT_TRUE(tree->OnUpdateCommand(ID_EDIT_PASTE, paste));
    EXPECT_TRUE(paste.enabled);
    ASSERT_TRUE(tree->OnCommand(ID_EDIT_PASTE));
    EXPECT_EQ(dir.Read("dst/data/file.txt"), "payload");
    EXPECT_TRUE(dir.Exists("src/data/file.txt"));  // a copy
    EXPECT_EQ(TheOperationRecord().sourcePath, dir.Path() + "/src");
    EXPECT_EQ(TheOperationRecord().targetPath, dir.Path() + "/dst");
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_COPY));
}

TEST_F(TreeTransferTest, CutAndPasteMovesTheFolderAndTheExpandedTargetShowsIt) {
    ASSERT_TRUE(dir.MakeFile("from/moving/x.txt", "x"));
    ASSERT_TRUE(dir.MakeFolder("to/already"));
    TreeNode* moving = Node("from/moving");
    ASSERT_TRUE(moving);
    TreeNode* from = moving->parent;
    ASSERT_TRUE(tree->OnCommand(ID_EDIT_CUT));

    TreeNode* to = Node("to");
    ASSERT_TRUE(to);
    ASSERT_TRUE(ExpandAndWait(to));
    Select(to);
    ASSERT_TRUE(tree->OnCommand(ID_EDIT_PASTE));
    EXPECT_EQ(dir.Read("to/moving/x.txt"), "x");
    EXPECT_FALSE(dir.Exists("from/moving"));
    EXPECT_TRUE(WaitFor([&] {
        return ChildNames(to) == QStringList({"already", "moving"});
    })) << ChildNames(to).join(',').toStdString();
    EXPECT_TRUE(WaitFor([&] { return from->children.empty(); }));
}

TEST_F(TreeTransferTest, AFileDroppedOnANodeIsCopiedIntoItsFolder) {
    ASSERT_TRUE(dir.MakeFolder("target"));
    TestDir other;  // another folder of the same volume
    ASSERT_TRUE(other.MakeFile("dropped.txt", "d"));
    TreeNode* target = Node("target");
    ASSERT_TRUE(target);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(other.Path() + "/dropped.txt")});
    // Ctrl asks for a copy, as the desktop's file managers do.
    const Qt::DropAction done = DropOn(target, mime, Qt::ControlModifier);
    EXPECT_TRUE(lastMoveAccepted);
    EXPECT_EQ(done, Qt::CopyAction);
    EXPECT_EQ(dir.Read("target/dropped.txt"), "d");
    EXPECT_TRUE(other.Exists("dropped.txt"));
    EXPECT_FALSE(target->dropTarget);  // the highlight went with the drop
}

TEST_F(TreeTransferTest, ADropThatNothingTakesBeeps) {
    ASSERT_TRUE(dir.MakeFolder("target"));
    TreeNode* target = Node("target");
    ASSERT_TRUE(target);
    QMimeData mime;
    mime.setText(QStringLiteral("just text"));
    EXPECT_EQ(DropOn(target, mime), Qt::IgnoreAction);
    EXPECT_FALSE(lastMoveAccepted);
    EXPECT_EQ(prompter->Beeps().size(), 1);
}

TEST_F(TreeTransferTest, HoveringDuringADragExpandsACollapsedNodeOnlyWithOptionTwo) {
    ASSERT_TRUE(dir.MakeFolder("hover/sub"));
    ASSERT_TRUE(dir.MakeFile("file.txt", "f"));
    TreeNode* hover = Node("hover");
    ASSERT_TRUE(hover);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.Path() + "/file.txt")});
    const QModelIndex index = tree->Model()->IndexOf(hover);
    tree->scrollTo(index);
    QCoreApplication::processEvents();
    const QPoint point = tree->visualRect(index).center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;

    settings.options = 0;
    settings.autoCDDelay = 10000;
    {
        QDragEnterEvent enter(point, actions, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(point, actions, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(tree->viewport(), &move);
        EXPECT_FALSE(tree->HoverPending());
        tree->FireHoverExpand();
        EXPECT_EQ(hover->state, TreeNode::State::Collapsed);
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(tree->viewport(), &leave);
    }

    settings.options = kTreeHoverExpand;
    QDragEnterEvent enter(point, actions, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent move(point, actions, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree->viewport(), &move);
    EXPECT_TRUE(tree->HoverPending());
    tree->FireHoverExpand();
    EXPECT_TRUE(WaitFor([&] { return hover->state == TreeNode::State::Expanded; }));
    EXPECT_EQ(ChildNames(hover), QStringList({"sub"}));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(tree->viewport(), &leave);
    EXPECT_FALSE(tree->HoverPending());
}

}  // namespace
