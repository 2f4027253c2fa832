// The transfer commands with the program's background queue: the command
// returns while the operation runs, the panes keep watching meanwhile, and
// they are brought up to date when it ends.
#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include "TransferTestSupport.h"
#include "fileops/TransferExecutor.h"
#include "platform/fileop/FileOpQueue.h"
#include "shell/CommandIds.h"
#include "support/Wait.h"

namespace {

class BackgroundTransferTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        SetBackgroundOperations(&queue);
    }
    void TearDown() override {
        SetBackgroundOperations(nullptr);
        TransferTest::TearDown();
    }
    bool WaitIdle() {
        if (!WaitFor([this] { return queue.Running() == 0; }))
            return false;
        QCoreApplication::processEvents();
        return true;
    }
    FileOpQueue queue;
};

TEST_F(BackgroundTransferTest, CopyReturnsAtOnceAndBringsThePanesUpToDateAtTheEnd) {
    ASSERT_TRUE(a.MakeFile("one.txt", "1"));
    ASSERT_TRUE(a.MakeFile("two.txt", "22"));
    ASSERT_TRUE(a.MakeFile("stay.txt", "3"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"one.txt", "two.txt"}));

    ScopedKeyState ctrl(Qt::ControlModifier);
    ASSERT_TRUE(Run(ID_FILE_COPYTO));
    // The command is back while the operation runs; nothing paused the
    // panes' watch, so items show as they arrive.
    EXPECT_EQ(queue.Running(), 1);
    EXPECT_TRUE(left->Model()->IsWatchEnabled());
    EXPECT_TRUE(right->Model()->IsWatchEnabled());

    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(b.Read("one.txt"), QByteArray("1"));
    EXPECT_EQ(b.Read("two.txt"), QByteArray("22"));
    EXPECT_FALSE(b.Exists("stay.txt"));
    EXPECT_TRUE(IsSelected(*right, "one.txt"));
    EXPECT_TRUE(IsSelected(*right, "two.txt"));
    EXPECT_FALSE(IsSelected(*left, "one.txt"));
    EXPECT_FALSE(IsSelected(*left, "two.txt"));
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(TheOperationRecord().sourcePath, a.Path());
    EXPECT_EQ(TheOperationRecord().targetPath, b.Path());
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST_F(BackgroundTransferTest, MoveThatSkipsEverythingSaysNothingAndKeepsTheSource) {
    ASSERT_TRUE(a.MakeFile("clash.txt", "new"));
    ASSERT_TRUE(b.MakeFile("clash.txt", "old"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"clash.txt"}));
    prompter->AnswerChoice(int(ConflictChoice::Skip));

    ScopedKeyState ctrl(Qt::ControlModifier);
    ASSERT_TRUE(Run(ID_FILE_MOVETO));
    // The conflict is asked from the worker, through the main thread: not
    // yet, while the main thread has not looked at its events.
    EXPECT_TRUE(prompter->Requests().isEmpty());
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(a.Read("clash.txt"), QByteArray("new"));
    EXPECT_EQ(b.Read("clash.txt"), QByteArray("old"));
    EXPECT_EQ(TheOperationRecord().effect, std::uint32_t(DROPEFFECT_NONE));
    EXPECT_FALSE(notices.Has(kNoComplyNotice, true));
}

TEST_F(BackgroundTransferTest, DeleteAsksThroughTheMainThreadAndRefreshesThePane) {
    ASSERT_TRUE(a.MakeFile("trash-me.txt", "t"));
    ASSERT_TRUE(a.MakeFile("keep.txt", "k"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    ASSERT_TRUE(Select(*left, {"trash-me.txt"}));
    prompter->AnswerMessage(PromptAnswer::Yes);
    ASSERT_TRUE(Run(ID_FILE_DELETE));
    EXPECT_EQ(queue.Running(), 1);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(prompter->Requests().front().text.contains(QStringLiteral("trash")));
    EXPECT_FALSE(a.Exists("trash-me.txt"));
    EXPECT_TRUE(
        QFile::exists(QDir::homePath() + QStringLiteral("/.local/share/Trash/files/trash-me.txt")));
    EXPECT_FALSE(Item(*left, "trash-me.txt"));
    EXPECT_TRUE(Item(*left, "keep.txt"));
}

}  // namespace
