// Conflicts and refusals: what the user is asked, and what each answer does.
#include <gtest/gtest.h>

#include "FileOpTestSupport.h"

namespace {

int Answer(ConflictChoice choice) {
    return int(choice);
}

FileOpRequest CopyInto(const TestDir& dir, std::vector<QByteArray> names,
                       const QByteArray& target) {
    FileOpRequest request;
    request.func = FileOpRequest::Copy;
    for (const QByteArray& name : names) request.sources.push_back(dir.Join("src/" + name));
    request.targetFolder = dir.Join(target);
    return request;
}

class ConflictTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            ASSERT_TRUE(
                dir.MakeFile(QByteArray("src/") + name + ".txt", QByteArray("new ") + name));
            ASSERT_TRUE(
                dir.MakeFile(QByteArray("dst/") + name + ".txt", QByteArray("old ") + name));
        }
    }
    QByteArray Dst(const QByteArray& name) const { return ReadBytes(dir.Join("dst/" + name)); }
    TestDir dir;
};

TEST_F(ConflictTest, EachAnswerDoesWhatItSays) {
    ScopedPrompter prompter;
    prompter->AnswerChoice(Answer(ConflictChoice::Overwrite))
        .AnswerChoice(Answer(ConflictChoice::Skip))
        .AnswerChoice(Answer(ConflictChoice::KeepBoth))
        .AnswerChoice(Answer(ConflictChoice::OverwriteAll));
    const FileOpResult result =
        RunOp(CopyInto(dir, {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}, "dst"));

    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(prompter->Requests().size(), 4) << "Overwrite all answers the fifth";
    const PromptRecord& first = prompter->Requests().first();
    EXPECT_TRUE(first.text.contains(QStringLiteral("a.txt")));
    EXPECT_EQ(first.answers.size(), 6);
    EXPECT_EQ(first.answers.at(first.escapeAnswer), QStringLiteral("Cancel"));
    EXPECT_EQ(Dst("a.txt"), "new a");
    EXPECT_EQ(Dst("b.txt"), "old b");
    EXPECT_EQ(Dst("c.txt"), "old c");
    EXPECT_EQ(Dst("c (copy).txt"), "new c");
    EXPECT_EQ(Dst("d.txt"), "new d");
    EXPECT_EQ(Dst("e.txt"), "new e");
    EXPECT_TRUE(result.anySkipped);
    EXPECT_FALSE(result.aborted);
    EXPECT_EQ(result.notDone, std::vector<QByteArray>{dir.Join("src/b.txt")});
    EXPECT_EQ(result.done.size(), 4u);
    EXPECT_TRUE(Leftovers(dir.Join("dst")).empty());
}

TEST_F(ConflictTest, SkipAllAndCancelLeaveTheRestAlone) {
    ScopedPrompter prompter;
    prompter->AnswerChoice(Answer(ConflictChoice::SkipAll));
    FileOpResult result = RunOp(CopyInto(dir, {"a.txt", "b.txt", "c.txt"}, "dst"));
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(result.notDone.size(), 3u);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(Dst(name), QByteArray("old ") + name[0]);

    prompter->Clear();
    ASSERT_TRUE(dir.MakeFile("src/fresh.txt", "fresh"));
    prompter->AnswerChoice(Answer(ConflictChoice::Overwrite))
        .AnswerChoice(Answer(ConflictChoice::Cancel));
    // Moves: what is skipped or cancelled stays at its source.
    FileOpRequest move = CopyInto(dir, {"a.txt", "b.txt", "fresh.txt"}, "dst");
    move.func = FileOpRequest::Move;
    result = RunOp(move);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(Dst("a.txt"), "new a");
    EXPECT_FALSE(Exists(dir.Join("src/a.txt")));
    EXPECT_EQ(Dst("b.txt"), "old b");
    EXPECT_EQ(ReadBytes(dir.Join("src/b.txt")), "new b");
    EXPECT_TRUE(Exists(dir.Join("src/fresh.txt"))) << "not reached after Cancel";
    EXPECT_FALSE(Exists(dir.Join("dst/fresh.txt")));
}

TEST_F(ConflictTest, NoConfirmationOverwritesAndMergesWithoutAsking) {
    ASSERT_TRUE(dir.MakeFile("src/folder/x", "new x"));
    ASSERT_TRUE(dir.MakeFile("src/folder/y", "new y"));
    ASSERT_TRUE(dir.MakeFile("dst/folder/x", QByteArray(1 << 20, 'o')));
    ASSERT_TRUE(dir.MakeFile("dst/folder/kept", "kept"));
    ScopedPrompter prompter;
    FileOpRequest request = CopyInto(dir, {"a.txt", "folder"}, "dst");
    request.noConfirmation = true;
    const FileOpResult result = RunOp(request);
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
    EXPECT_EQ(Dst("a.txt"), "new a");
    // A larger file overwritten by a smaller one is exactly the smaller one.
    EXPECT_EQ(Dst("folder/x"), "new x");
    EXPECT_EQ(Lstat(dir.Join("dst/folder/x")).st_size, 5);
    EXPECT_EQ(Dst("folder/y"), "new y");
    EXPECT_EQ(Dst("folder/kept"), "kept");
}

TEST_F(ConflictTest, FolderMergeAsksPerFileInsideAndFileOntoFolderCantOverwrite) {
    ASSERT_TRUE(dir.MakeFile("src/folder/x", "new x"));
    ASSERT_TRUE(dir.MakeFile("dst/folder/x", "old x"));
    ASSERT_TRUE(dir.MakeFile("src/clash", "a file"));
    ASSERT_TRUE(dir.MakeFile("dst/clash/inside", "a folder's file"));
    ScopedPrompter prompter;
    // Merge the folder, keep both for x; the file onto a folder is offered
    // no overwrite (its answers start at Skip): keep both.
    prompter->AnswerChoice(Answer(ConflictChoice::Overwrite))
        .AnswerChoice(Answer(ConflictChoice::KeepBoth))
        .AnswerChoice(2);
    FileOpRequest request = CopyInto(dir, {"folder", "clash"}, "dst");
    request.func = FileOpRequest::Move;
    const FileOpResult result = RunOp(request);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(prompter->Requests().size(), 3);
    EXPECT_EQ(prompter->Requests()[2].answers.size(), 4);
    EXPECT_EQ(Dst("folder/x"), "old x");
    EXPECT_EQ(Dst("folder/x (copy)"), "new x");
    EXPECT_FALSE(Exists(dir.Join("src/folder"))) << "emptied by the merge, so removed";
    EXPECT_EQ(Dst("clash/inside"), "a folder's file");
    EXPECT_EQ(Dst("clash (copy)"), "a file");
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
}

TEST(FileOperationSameNameTest, TwoSourcesOfOneNameNeverReplaceEachOther) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("A/x.txt", "from A"));
    ASSERT_TRUE(dir.MakeFile("B/x.txt", "from B"));
    ASSERT_TRUE(dir.MakeFile("A/sub/y", "A's y"));
    ASSERT_TRUE(dir.MakeFile("B/sub/y", "B's y"));
    ASSERT_TRUE(dir.MakeFile("B/sub/z", "B's z"));
    ASSERT_TRUE(dir.MakeFile("dst/old.txt", "old"));
    ASSERT_TRUE(dir.MakeFile("C/old.txt", "new old"));
    ScopedPrompter prompter;
    // Without confirmation: the folders merge unasked, what was in the
    // target before is overwritten unasked, but each file the operation
    // itself put there is asked about. Keep both for x.txt, skip y.
    prompter->AnswerChoice(int(ConflictChoice::KeepBoth)).AnswerChoice(int(ConflictChoice::Skip));
    FileOpRequest request;
    request.func = FileOpRequest::Move;
    request.sources = {dir.Join("A/x.txt"), dir.Join("B/x.txt"), dir.Join("A/sub"),
                       dir.Join("B/sub"), dir.Join("C/old.txt")};
    request.targetFolder = dir.Join("dst");
    request.noConfirmation = true;
    const FileOpResult result = RunOp(request);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    ASSERT_EQ(prompter->Requests().size(), 2) << prompter->Describe().toStdString();
    EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("x.txt")));
    EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("same operation")));
    EXPECT_TRUE(prompter->Requests()[1].text.contains(QStringLiteral("y")));
    EXPECT_EQ(ReadBytes(dir.Join("dst/x.txt")), "from A");
    EXPECT_EQ(ReadBytes(dir.Join("dst/x (copy).txt")), "from B");
    EXPECT_EQ(ReadBytes(dir.Join("dst/sub/y")), "A's y");
    EXPECT_EQ(ReadBytes(dir.Join("B/sub/y")), "B's y") << "skipped, so still at its source";
    EXPECT_EQ(ReadBytes(dir.Join("dst/sub/z")), "B's z");
    EXPECT_EQ(ReadBytes(dir.Join("dst/old.txt")), "new old");
    EXPECT_TRUE(result.anySkipped);

    // "Overwrite all" given for what was there before does not extend to
    // what the operation brings twice.
    ASSERT_TRUE(dir.MakeFile("P/n.txt", "P's n"));
    ASSERT_TRUE(dir.MakeFile("Q/n.txt", "Q's n"));
    ASSERT_TRUE(dir.MakeFile("P/m.txt", "P's m"));
    ASSERT_TRUE(dir.MakeFile("out/m.txt", "out's m"));
    prompter->Clear();
    prompter->AnswerChoice(int(ConflictChoice::OverwriteAll))
        .AnswerChoice(int(ConflictChoice::Skip));
    FileOpRequest copy;
    copy.func = FileOpRequest::Copy;
    copy.sources = {dir.Join("P/m.txt"), dir.Join("P/n.txt"), dir.Join("Q/n.txt")};
    copy.targetFolder = dir.Join("out");
    RunOp(copy);
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(prompter->Requests().size(), 2);
    EXPECT_EQ(ReadBytes(dir.Join("out/m.txt")), "P's m");
    EXPECT_EQ(ReadBytes(dir.Join("out/n.txt")), "P's n");
}

TEST(FileOperationRefusalTest, NeverIntoItselfNorOntoItself) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/sub/file", "tree file"));
    ASSERT_TRUE(dir.MakeFile("f", "the bytes"));
    ASSERT_TRUE(dir.MakeFolder("viaLink"));
    ASSERT_TRUE(dir.MakeSymlink("viaLink/f", dir.Join("f")));
    ASSERT_TRUE(dir.MakeFolder("viaHard"));
    ASSERT_EQ(::link(dir.Join("f").constData(), dir.Join("viaHard/f").constData()), 0);
    ASSERT_TRUE(dir.MakeFile("other/f", "other bytes"));
    ASSERT_TRUE(dir.MakeSymlink("links/f", dir.Join("other/f")));
    const auto before = Describe(dir.PathBytes());
    ScopedPrompter prompter;

    for (FileOpRequest::Func func : {FileOpRequest::Copy, FileOpRequest::Move}) {
        for (const QByteArray& target : {QByteArray("tree"), QByteArray("tree/sub")}) {
            FileOpRequest request;
            request.func = func;
            request.sources = {dir.Join("tree")};
            request.targetFolder = dir.Join(target);
            request.noConfirmation = true;
            const FileOpResult result = RunOp(request);
            EXPECT_TRUE(result.anyFailed) << target.constData();
            EXPECT_EQ(result.notDone.size(), 1u);
        }
    }
    // The same path, a link to the file, a hard link of it: refused even
    // with "overwrite everything"; and a link copied onto what it points to.
    const std::vector<std::pair<QByteArray, QByteArray>> ontoItself = {
        {"f", ""}, {"f", "viaLink"}, {"f", "viaHard"}, {"links/f", "other"}};
    for (const auto& [source, target] : ontoItself) {
        for (FileOpRequest::Func func : {FileOpRequest::Copy, FileOpRequest::Move}) {
            FileOpRequest request;
            request.func = func;
            request.sources = {dir.Join(source)};
            request.targetFolder = target.isEmpty() ? dir.PathBytes() : dir.Join(target);
            request.noConfirmation = true;
            prompter->AnswerChoice(int(ErrorChoice::Skip) - 1);  // no Retry for a refusal
            const FileOpResult result = RunOp(request);
            EXPECT_TRUE(result.anyFailed) << source.constData() << " into " << target.constData();
            EXPECT_TRUE(result.done.empty());
        }
    }
    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(Describe(dir.PathBytes()), before);
    EXPECT_EQ(Lstat(dir.Join("f")).st_nlink, 2u);
}

}  // namespace
