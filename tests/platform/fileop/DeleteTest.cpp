// Deleting: for good (depth first, links never followed) and to the trash.
#include <gtest/gtest.h>

#include "FileOpTestSupport.h"

namespace {

TEST(FileOperationDeleteTest, ForGoodRemovesTheTreeButNothingItsLinksPointAt) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("outside/precious", "keep me"));
    ASSERT_TRUE(dir.MakeFile("tree/a/b/c", "c"));
    ASSERT_TRUE(dir.MakeFile("tree/\xff name", "odd"));
    ASSERT_TRUE(dir.MakeSymlink("tree/a/toFolder", dir.Join("outside")));
    ASSERT_TRUE(dir.MakeSymlink("tree/toFile", dir.Join("outside/precious")));
    ASSERT_TRUE(dir.MakeFile("tree/ro/inner", "in a read-only folder"));
    ASSERT_TRUE(dir.SetMode("tree/ro", 0555));  // root ignores it; the engine needs no chmod
    ScopedPrompter prompter;
    FileOpRequest request;
    request.func = FileOpRequest::Delete;
    request.sources = {dir.Join("tree")};

    prompter->AnswerMessage(PromptAnswer::No);
    FileOpResult result = RunOp(request);
    EXPECT_TRUE(result.aborted);
    EXPECT_TRUE(Exists(dir.Join("tree/a/b/c")));

    prompter->AnswerMessage(PromptAnswer::Yes);
    result = RunOp(request);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(prompter->Requests().size(), 2);
    EXPECT_TRUE(prompter->Requests()[1].text.contains(QStringLiteral("Permanently")));
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_FALSE(Exists(dir.Join("tree")));
    EXPECT_EQ(ReadBytes(dir.Join("outside/precious")), "keep me");
}

TEST(FileOperationDeleteTest, TrashOrAskWhenTheVolumeHasNone) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("x/one", "1"));
    ASSERT_TRUE(dir.MakeFile("x/two/inner", "2"));
    ASSERT_TRUE(dir.MakeFile("x/three", "3"));
    ScopedPrompter prompter;
    FaultIo io;
    std::vector<QByteArray> trashed;
    io.trash = [&](const QByteArray& path) -> std::optional<TrashResult> {
        if (path.endsWith("one")) {
            trashed.push_back(path);
            return TrashResult::Trashed;  // as if moved: the real trash is tested with the trash
        }
        return TrashResult::NoTrash;
    };
    FileOpRequest request;
    request.func = FileOpRequest::Delete;
    request.allowUndo = true;
    request.noConfirmation = true;  // no confirmation, but never for good without a word
    request.sources = {dir.Join("x/one"), dir.Join("x/two"), dir.Join("x/three")};
    prompter->AnswerChoice(int(NoTrashChoice::DeleteForGood))
        .AnswerChoice(int(NoTrashChoice::Skip));
    const FileOpResult result = RunOp(request, &io);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(trashed, std::vector<QByteArray>{dir.Join("x/one")});
    EXPECT_FALSE(Exists(dir.Join("x/two")));
    EXPECT_EQ(ReadBytes(dir.Join("x/three")), "3");
    EXPECT_EQ(result.done.size(), 2u);
    EXPECT_EQ(result.notDone, std::vector<QByteArray>{dir.Join("x/three")});
    EXPECT_TRUE(result.anySkipped);
}

}  // namespace
