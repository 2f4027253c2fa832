#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <vector>

#include "FileUtilsTestSupport.h"
#include "fileops/HardLinker.h"
#include "fileops/MultiAnswerDialog.h"
#include "support/TestDir.h"

namespace {

// A linker that answers the overwrite question from a list and records
// what it was asked.
struct Answering {
    std::vector<int> answers;
    std::vector<QByteArray> asked;
    HardLinker::Hooks Hooks() {
        HardLinker::Hooks hooks;
        hooks.askOverwrite = [this](const QByteArray& target) {
            asked.push_back(target);
            const int answer = asked.size() <= answers.size() ? answers[asked.size() - 1]
                                                              : int(MultiAnswerDialog::kNo);
            return answer;
        };
        return hooks;
    }
};

TEST(HardLinkerTest, LinksFilesAndAsksAtConflicts) {
    TestDir src;
    TestDir dst;
    ASSERT_TRUE(src.MakeFile("one", "1"));
    ASSERT_TRUE(src.MakeFile("two", "2"));
    ASSERT_TRUE(src.MakeFile("three", "3"));
    const std::vector<QByteArray> sources = {src.Join("one"), src.Join("two"), src.Join("three")};

    // No conflicts: three new names for the same data.
    Answering none;
    HardLinker plain(none.Hooks());
    ASSERT_EQ(plain.LinkPaths(sources, dst.PathBytes()), kLinkOk);
    for (const char* name : {"one", "two", "three"})
        EXPECT_TRUE(SameInode(src.Join(name), dst.Join(name))) << name;
    EXPECT_TRUE(none.asked.empty());

    // "Yes to all" at the first conflict replaces the others unasked.
    TestDir again;
    for (const char* name : {"one", "two", "three"}) ASSERT_TRUE(again.MakeFile(name, "old"));
    Answering yesToAll;
    yesToAll.answers = {MultiAnswerDialog::kYesToAll};
    HardLinker all(yesToAll.Hooks());
    ASSERT_EQ(all.LinkPaths(sources, again.PathBytes()), kLinkOk);
    EXPECT_EQ(yesToAll.asked, std::vector<QByteArray>({again.Join("one")}));
    for (const char* name : {"one", "two", "three"})
        EXPECT_TRUE(SameInode(src.Join(name), again.Join(name))) << name;
    EXPECT_EQ(
        QDir(again.Path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
        3)
        << "no temporary name left";

    // "&No" skips one; "N&o to all" stops with no message and nothing more.
    TestDir third;
    for (const char* name : {"one", "two", "three"}) ASSERT_TRUE(third.MakeFile(name, "old"));
    Answering noThenStop;
    noThenStop.answers = {MultiAnswerDialog::kNo, MultiAnswerDialog::kNoToAll};
    HardLinker stop(noThenStop.Hooks());
    EXPECT_EQ(stop.LinkPaths(sources, third.PathBytes()), kLinkOk);
    EXPECT_TRUE(stop.Stopped());
    EXPECT_EQ(noThenStop.asked.size(), 2u);
    for (const char* name : {"one", "two", "three"}) EXPECT_EQ(third.Read(name), QByteArray("old"));

    // A folder in a file's place is skipped; a missing source too.
    TestDir fourth;
    ASSERT_TRUE(fourth.MakeFolder("one"));
    Answering quiet;
    HardLinker skip(quiet.Hooks());
    EXPECT_EQ(
        skip.LinkPaths({src.Join("one"), src.Join("gone"), src.Join("two")}, fourth.PathBytes()),
        kLinkOk);
    EXPECT_TRUE(SameInode(src.Join("two"), fourth.Join("two")));
    EXPECT_TRUE(quiet.asked.empty());
}

// Trees: sub-folders are made only for entries, links inside are linked as
// links; a folder into itself or below is 1007 (but a sibling whose name
// merely begins the same is fine); the source's own folder is 1006.
TEST(HardLinkerTest, FolderTreesAndTheirRefusals) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/a.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("src/sub/b.txt", "b"));
    ASSERT_TRUE(dir.MakeFolder("src/sub/empty"));
    ASSERT_TRUE(dir.MakeFolder("src/hollow"));
    ASSERT_TRUE(dir.MakeSymlink("src/to-sub", "sub"));
    ASSERT_TRUE(dir.MakeFolder("dst"));
    ASSERT_TRUE(dir.MakeFolder("srcother"));
    ASSERT_TRUE(dir.MakeFolder("bare"));

    Answering none;
    HardLinker linker(none.Hooks());
    ASSERT_EQ(linker.LinkPaths({dir.Join("src")}, dir.Join("dst")), kLinkOk);
    EXPECT_TRUE(SameInode(dir.Join("src/a.txt"), dir.Join("dst/src/a.txt")));
    EXPECT_TRUE(SameInode(dir.Join("src/sub/b.txt"), dir.Join("dst/src/sub/b.txt")));
    EXPECT_FALSE(dir.Exists("dst/src/sub/empty")) << "an empty sub-folder makes nothing";
    EXPECT_FALSE(dir.Exists("dst/src/hollow"));
    EXPECT_TRUE(S_ISLNK(LStat(dir.Join("dst/src/to-sub"))->st_mode));

    HardLinker empty(none.Hooks());
    EXPECT_EQ(empty.LinkPaths({dir.Join("bare")}, dir.Join("dst")), kLinkOk);
    EXPECT_FALSE(dir.Exists("dst/bare"));

    HardLinker refused(none.Hooks());
    EXPECT_EQ(refused.LinkPaths({dir.Join("src")}, dir.Join("src/sub")), kLinkFolderIntoItself);
    EXPECT_FALSE(dir.Exists("src/sub/src"));
    EXPECT_EQ(refused.LinkPaths({dir.Join("src")}, dir.Join("src")), kLinkFolderIntoItself);
    EXPECT_EQ(refused.LinkPaths({dir.Join("src/a.txt")}, dir.Join("src")), kLinkInOriginalFolder);
    EXPECT_EQ(refused.LinkPaths({dir.Join("src")}, dir.Join("srcother")), kLinkOk);
    EXPECT_TRUE(dir.Exists("srcother/src/a.txt"));

    // A file where the tree's folder would go fails the link.
    ASSERT_TRUE(dir.MakeFile("blocked/src", "file"));
    HardLinker blocked(none.Hooks());
    EXPECT_EQ(blocked.LinkPaths({dir.Join("src")}, dir.Join("blocked")), kLinkFailed);
    EXPECT_EQ(dir.Read("blocked/src"), QByteArray("file"));
}

// /dev/shm is another file system here: the link fails with 1005 and
// nothing is copied in its place.
TEST(HardLinkerTest, AcrossFileSystemsFailsWithoutCopying) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/corvane-link-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    const QByteArray source = shm.path().toUtf8() + "/far.txt";
    ASSERT_TRUE(WriteFile(source, "far"));
    TestDir dir;
    struct stat a {};
    struct stat b {};
    ASSERT_EQ(::stat(shm.path().toUtf8().constData(), &a), 0);
    ASSERT_EQ(::stat(dir.PathBytes().constData(), &b), 0);
    ASSERT_NE(a.st_dev, b.st_dev) << "the test needs two file systems";

    Answering none;
    HardLinker linker(none.Hooks());
    EXPECT_EQ(linker.LinkPaths({source}, dir.PathBytes()), kLinkFailed);
    EXPECT_FALSE(dir.Exists("far.txt"));
    EXPECT_FALSE(linker.Stopped());
    EXPECT_TRUE(HardLinkText(kLinkFailed).contains(QStringLiteral("same file system")));
}

// A folder on another file system: nothing can be linked, so nothing is
// made, not even the empty folders of its tree.
TEST(HardLinkerTest, AFolderAcrossFileSystemsMakesNothing) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/corvane-link-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    const QByteArray source = shm.path().toUtf8() + "/d";
    ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(source + "/inner")));
    ASSERT_TRUE(WriteFile(source + "/inner/f.txt", "f"));
    ASSERT_TRUE(WriteFile(source + "/g.txt", "g"));
    TestDir dir;
    struct stat a {};
    struct stat b {};
    ASSERT_EQ(::stat(source.constData(), &a), 0);
    ASSERT_EQ(::stat(dir.PathBytes().constData(), &b), 0);
    ASSERT_NE(a.st_dev, b.st_dev) << "the test needs two file systems";

    Answering none;
    HardLinker linker(none.Hooks());
    EXPECT_EQ(linker.LinkPaths({source}, dir.PathBytes()), kLinkFailed);
    EXPECT_FALSE(dir.Exists("d"));
    EXPECT_FALSE(linker.Stopped());
}

// Escape between entries stops the command without a message.
TEST(HardLinkerTest, EscapeStopsBetweenEntries) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/a", "a"));
    ASSERT_TRUE(dir.MakeFile("src/b", "b"));
    ASSERT_TRUE(dir.MakeFolder("dst"));
    int polls = 0;
    HardLinker::Hooks hooks;
    hooks.stop = [&] { return ++polls == 3; };
    HardLinker linker(hooks);
    EXPECT_EQ(linker.LinkPaths({dir.Join("src")}, dir.Join("dst")), kLinkOk);
    EXPECT_TRUE(linker.Stopped());
    EXPECT_EQ(QDir(QString::fromUtf8(dir.Join("dst/src"))).entryList(QDir::Files).size(), 1);
}

}  // namespace
