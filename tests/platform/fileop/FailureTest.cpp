// Failures part way: nothing half-done is left under a real name, and what
// was not finished stays at its source.
#include <gtest/gtest.h>

#include <QPushButton>

#include "FileOpTestSupport.h"
#include "platform/fileop/FileOpProgressDialog.h"
#include "support/NoDacOverride.h"

namespace {

QByteArray Pattern(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) bytes[i] = char((i * 131) ^ (i >> 9));
    return bytes;
}

class CrossDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(other.IsValid());
        ASSERT_TRUE(dir.MakeFile("src/first", "first"));
        ASSERT_TRUE(dir.MakeFile("src/big", big));
        ASSERT_TRUE(dir.MakeFile("src/last", "last"));
    }
    FileOpRequest MoveAll() const {
        FileOpRequest request;
        request.func = FileOpRequest::Move;
        request.sources = {dir.Join("src/first"), dir.Join("src/big"), dir.Join("src/last")};
        request.targetFolder = other.Path();
        return request;
    }
    TestDir dir;
    OtherFsDir other;
    const QByteArray big = Pattern(12 << 20);
};

TEST_F(CrossDeviceTest, WriteErrorsPartWayKeepTheUnfinishedAtTheSource) {
    for (const int error : {ENOSPC, EIO}) {
        SCOPED_TRACE(error);
        ScopedPrompter prompter;
        FaultIo io;
        io.budget = (3 << 20) + 5;  // "first" passes, "big" fails part way
        io.error = error;
        // ENOSPC: skip "big" and go on; EIO: cancel there.
        prompter->AnswerChoice(error == ENOSPC ? int(ErrorChoice::Skip) : int(ErrorChoice::Cancel));
        io.failuresLeft = 1;
        const FileOpResult result = RunOp(MoveAll(), &io);

        EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
        ASSERT_EQ(prompter->Requests().size(), 1);
        EXPECT_TRUE(
            prompter->Requests()[0].text.contains(QString::fromLocal8Bit(std::strerror(error))));
        // The user moves; that the move copies to get there is no news.
        EXPECT_TRUE(prompter->Requests()[0].text.startsWith(QStringLiteral("Can't move \"big\"")))
            << prompter->Requests()[0].text.toStdString();
        EXPECT_TRUE(result.anyFailed);
        EXPECT_EQ(ReadBytes(other.Path() + "/first"), "first");
        EXPECT_FALSE(Exists(dir.Join("src/first")));
        EXPECT_EQ(ReadBytes(dir.Join("src/big")), big);
        EXPECT_FALSE(Exists(other.Path() + "/big"));
        EXPECT_TRUE(Leftovers(other.Path()).empty());
        if (error == ENOSPC) {
            EXPECT_EQ(ReadBytes(other.Path() + "/last"), "last");
            EXPECT_FALSE(Exists(dir.Join("src/last")));
        } else {
            EXPECT_TRUE(result.aborted);
            EXPECT_EQ(ReadBytes(dir.Join("src/last")), "last");
            EXPECT_FALSE(Exists(other.Path() + "/last"));
        }
        // Put things back for the next round.
        ::unlink((other.Path() + "/first").constData());
        ::unlink((other.Path() + "/last").constData());
        ASSERT_TRUE(dir.MakeFile("src/first", "first"));
        ASSERT_TRUE(dir.MakeFile("src/last", "last"));
    }
}

TEST_F(CrossDeviceTest, RetryAfterAnErrorFinishesTheFile) {
    ScopedPrompter prompter;
    FaultIo io;
    io.budget = 1 << 20;
    io.error = EIO;
    io.failuresLeft = 1;
    prompter->AnswerChoice(int(ErrorChoice::Retry));
    const FileOpResult result = RunOp(MoveAll(), &io);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_EQ(ReadBytes(other.Path() + "/big"), big);
    EXPECT_FALSE(Exists(dir.Join("src/big")));
    EXPECT_TRUE(Leftovers(other.Path()).empty());
}

TEST_F(CrossDeviceTest, UnreadableFileInAMovedFolderStaysWithItsFolder) {
    ASSERT_TRUE(dir.MakeFile("src/folder/a", "a"));
    ASSERT_TRUE(dir.MakeFile("src/folder/secret", "secret"));
    ASSERT_TRUE(dir.MakeFile("src/folder/z", "z"));
    ASSERT_TRUE(dir.SetMode("src/folder/secret", 0));
    ScopedPrompter prompter;
    prompter->AnswerChoice(int(ErrorChoice::Skip));
    FileOpRequest request;
    request.func = FileOpRequest::Move;
    request.sources = {dir.Join("src/folder")};
    request.targetFolder = other.Path();
    FileOpResult result;
    {
        ScopedNoDacOverride asUser;
        result = RunOp(request);
    }
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(result.partial.size(), 1u);
    EXPECT_EQ(result.partial[0].second, other.Path() + "/folder");
    EXPECT_EQ(ReadBytes(other.Path() + "/folder/a"), "a");
    EXPECT_EQ(ReadBytes(other.Path() + "/folder/z"), "z");
    EXPECT_FALSE(Exists(other.Path() + "/folder/secret"));
    EXPECT_TRUE(Leftovers(other.Path()).empty());
    EXPECT_FALSE(Exists(dir.Join("src/folder/a")));
    EXPECT_FALSE(Exists(dir.Join("src/folder/z")));
    ASSERT_TRUE(dir.SetMode("src/folder/secret", 0644));
    EXPECT_EQ(ReadBytes(dir.Join("src/folder/secret")), "secret");
}

TEST_F(CrossDeviceTest, CancelInsideALargeFileLeavesNoFileUnderItsName) {
    // Once from the I/O layer, once by the progress dialog's Cancel button.
    for (const bool byButton : {false, true}) {
        SCOPED_TRACE(byButton);
        ScopedPrompter prompter;
        FaultIo io;
        FileOperation* running = nullptr;
        io.onData = [&](std::uint64_t written) {
            if (written < (8u << 20))
                return;
            if (!byButton) {
                running->Cancel();
            } else if (FileOpProgressDialog* dialog = running->ProgressDialog()) {
                if (QPushButton* cancel = dialog->findChild<QPushButton*>())
                    cancel->click();
            }
        };
        FileOpRequest request = MoveAll();
        request.sources = {dir.Join("src/big"), dir.Join("src/last")};
        FileOperation operation(request);
        running = &operation;
        operation.SetIo(&io);
        operation.SetProgressDelay(0);
        const FileOpResult result = operation.Run();

        EXPECT_TRUE(result.aborted);
        EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
        EXPECT_FALSE(Exists(other.Path() + "/big"));
        EXPECT_FALSE(Exists(other.Path() + "/last"));
        EXPECT_TRUE(Leftovers(other.Path()).empty());
        EXPECT_EQ(ReadBytes(dir.Join("src/big")), big);
        EXPECT_EQ(result.notDone.size(), 2u);
    }
}

TEST(FileOperationFlushTest, RemovableTargetIsFlushedAtTheEnd) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/file", "data"));
    ASSERT_TRUE(dir.MakeFolder("stick"));
    ScopedPrompter prompter;
    FaultIo io;
    FileOpRequest request;
    request.sources = {dir.Join("src/file")};
    request.targetFolder = dir.Join("stick");
    EXPECT_TRUE(RunOp(request, &io).Succeeded());
    EXPECT_EQ(io.syncfsCalls, 0) << "a fixed disk is not flushed for a copy";
    io.removable = true;
    request.renameOnCollision = true;
    EXPECT_TRUE(RunOp(request, &io).Succeeded());
    EXPECT_EQ(io.syncfsCalls, 1);
}

TEST(FileOperationTargetTest, MissingTargetFolderIsMadeOnlyWhenAgreed) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/file", "data"));
    ScopedPrompter prompter;
    prompter->AnswerMessage(PromptAnswer::No).AnswerMessage(PromptAnswer::Yes);
    FileOpRequest request;
    request.sources = {dir.Join("src/file")};
    request.targetFolder = dir.Join("new/deeper");
    FileOpResult result = RunOp(request);
    EXPECT_TRUE(result.aborted);
    EXPECT_FALSE(Exists(dir.Join("new")));
    result = RunOp(request);
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_EQ(ReadBytes(dir.Join("new/deeper/file")), "data");
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
}

}  // namespace
