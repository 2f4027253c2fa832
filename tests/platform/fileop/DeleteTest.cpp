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

TEST(FileOperationDeleteTest, TheConfirmationNamesWhatIsDeleted) {
    TestDir dir;
    ScopedPrompter prompter;
    FileOpRequest request;
    request.func = FileOpRequest::Delete;
    for (const char* name : {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf"}) {
        ASSERT_TRUE(dir.MakeFile(name, name));
        request.sources.push_back(dir.Join(name));
    }
    // Seven items: the first five by name, then how many more.
    prompter->AnswerMessage(PromptAnswer::No);
    RunOp(request);
    ASSERT_EQ(prompter->Requests().size(), 1);
    QString text = prompter->Requests()[0].text;
    for (const char* name : {"alpha", "bravo", "charlie", "delta", "echo"})
        EXPECT_TRUE(text.contains(QStringLiteral("\"%1\"").arg(QLatin1String(name)))) << name;
    EXPECT_FALSE(text.contains(QStringLiteral("foxtrot")));
    EXPECT_TRUE(text.contains(QStringLiteral("and 2 more"))) << text.toStdString();
    EXPECT_TRUE(Exists(dir.Join("golf")));

    // Five or fewer: every one named, no "more"; to the trash alike.
    request.sources.resize(3);
    request.allowUndo = true;
    prompter->Clear();
    prompter->AnswerMessage(PromptAnswer::No);
    RunOp(request);
    ASSERT_EQ(prompter->Requests().size(), 1);
    text = prompter->Requests()[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral("trash")));
    for (const char* name : {"alpha", "bravo", "charlie"})
        EXPECT_TRUE(text.contains(QLatin1String(name))) << name;
    EXPECT_FALSE(text.contains(QStringLiteral("more")));
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
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
