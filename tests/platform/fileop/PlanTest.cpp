// Planning without doing: the plan of a request is read from the disk and
// changes nothing, asks nothing, and says what the executor will do.
#include <gtest/gtest.h>

#include <cstring>

#include "FileOpTestSupport.h"
#include "platform/fileop/FileOpError.h"
#include "platform/fileop/FileOperationPlan.h"

namespace {

// Fails the test on any call that would change the disk.
class ReadOnlyIo : public FileOpIo {
public:
    int changes = 0;

    int Open(const QByteArray& path, int flags, mode_t mode) override {
        if (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC))
            ++changes;
        return FileOpIo::Open(path, flags, mode);
    }
    int Mkdir(const QByteArray&, mode_t) override { return Change(); }
    int Rmdir(const QByteArray&) override { return Change(); }
    int Unlink(const QByteArray&) override { return Change(); }
    int Rename(const QByteArray&, const QByteArray&, unsigned) override { return Change(); }
    int Link(const QByteArray&, const QByteArray&) override { return Change(); }
    int Symlink(const QByteArray&, const QByteArray&) override { return Change(); }
    int Mknod(const QByteArray&, mode_t, dev_t) override { return Change(); }
    int Chmod(const QByteArray&, mode_t) override { return Change(); }
    TrashResult Trash(const QByteArray&, QString*) override {
        Change();
        return TrashResult::Failed;
    }

private:
    int Change() {
        ++changes;
        errno = EPERM;
        return -1;
    }
};

FileOpTarget TargetAt(const QByteArray& path, FileOpIo& io) {
    struct stat st {};
    EXPECT_EQ(io.Stat(path, &st), 0) << path.constData();
    return ReadTarget(path, st, io);
}

FileOpRequest Request(FileOpRequest::Func func, std::vector<QByteArray> sources,
                      QByteArray target = {}) {
    FileOpRequest request;
    request.func = func;
    request.sources = std::move(sources);
    request.targetFolder = std::move(target);
    return request;
}

TEST(FileOperationPlanTest, DuplicateSourcesAreDoneOnceInTheirFirstOrder) {
    EXPECT_EQ(UniqueSources({"/b", "/a/", "/b", "", "/a", "/c//", "/", "/b/"}),
              (std::vector<QByteArray>{"/b", "/a", "/c", "/"}));

    // Selecting everything twice over: as many look-ups as sources, and the
    // order of the first selection kept.
    std::vector<QByteArray> many;
    for (int round = 0; round < 2; ++round)
        for (int i = 20000; i > 0; --i) many.push_back("/f/" + QByteArray::number(i));
    const std::vector<QByteArray> unique = UniqueSources(many);
    ASSERT_EQ(unique.size(), 20000u);
    EXPECT_EQ(unique.front(), "/f/20000");
    EXPECT_EQ(unique.back(), "/f/1");

    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/x", "x"));
    ASSERT_TRUE(dir.MakeFile("src/y/inner", "y"));
    ASSERT_TRUE(dir.MakeFolder("dst"));
    ReadOnlyIo io;
    const FileOpTarget target = TargetAt(dir.Join("dst"), io);
    const FileOperationPlan plan = PlanFileOperation(
        Request(FileOpRequest::Copy,
                {dir.Join("src/y/"), dir.Join("src/x"), dir.Join("src/y"), dir.Join("src/x")},
                dir.Join("dst")),
        &target, io);
    ASSERT_EQ(plan.sources.size(), 2u);
    EXPECT_EQ(plan.sources[0], dir.Join("src/y"));
    EXPECT_EQ(plan.sources[1], dir.Join("src/x"));
    ASSERT_EQ(plan.tops.size(), 2u);
    EXPECT_EQ(plan.tops[0].name, plan.sources[0]);
    EXPECT_TRUE(plan.tops[0].IsDir());
    EXPECT_TRUE(plan.refusals.empty());
}

TEST(FileOperationPlanTest, RefusalsNameTheSourceAndKeepItOutOfTheTotals) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("src/sub/deeper/file", "12345"));
    ASSERT_TRUE(dir.MakeFile("src/file", "abc"));
    ASSERT_TRUE(dir.MakeFile("other/kept", "1234567"));
    // The target reached through a link: it is still inside "src".
    ASSERT_TRUE(dir.MakeSymlink("via", dir.Join("src/sub/deeper")));
    ReadOnlyIo io;
    const FileOpTarget target = TargetAt(dir.Join("via"), io);
    const std::vector<QByteArray> sources = {dir.Join("src"), dir.Join("gone"), dir.Join("other"),
                                             dir.Join("src/sub/deeper"), dir.Join("src/file")};

    for (const auto func : {FileOpRequest::Copy, FileOpRequest::Move}) {
        SCOPED_TRACE(int(func));
        const FileOperationPlan plan =
            PlanFileOperation(Request(func, sources, dir.Join("via")), &target, io);
        ASSERT_EQ(plan.refusals.size(), 3u);
        EXPECT_EQ(plan.refusals[0].source, 0u);
        EXPECT_EQ(plan.refusals[1].source, 1u);
        EXPECT_EQ(plan.refusals[2].source, 3u);
        EXPECT_EQ(plan.refused, (std::vector<bool>{true, true, false, true, false}));
        EXPECT_EQ(plan.Accepted(), 2u);
        const QString verb =
            func == FileOpRequest::Copy ? QStringLiteral("copy") : QStringLiteral("move");
        EXPECT_EQ(plan.refusals[0].text,
                  QStringLiteral("Can't %1 the folder \"src\" into itself or one of its own "
                                 "folders.")
                      .arg(verb));
        EXPECT_TRUE(plan.refusals[2].text.contains(QStringLiteral("\"deeper\"")));
        // A vanished source is named by its whole path, with the reason.
        EXPECT_EQ(plan.refusals[1].text, QStringLiteral("Can't find \"%1\".\n\n%2")
                                             .arg(QString::fromUtf8(dir.Join("gone")),
                                                  QString::fromLocal8Bit(std::strerror(ENOENT))));
        // What is left: "other" (a folder and one file) and "file". A move
        // within one file system is a rename of each source.
        if (func == FileOpRequest::Copy) {
            EXPECT_EQ(plan.totals.folders, 1u);
            EXPECT_EQ(plan.totals.files, 2u);
            EXPECT_EQ(plan.totals.bytes, 10u);
        } else {
            EXPECT_EQ(plan.totals.folders, 1u);
            EXPECT_EQ(plan.totals.files, 1u);
            EXPECT_EQ(plan.totals.bytes, 0u);
            EXPECT_FALSE(plan.tops[2].walked);
        }
    }
    EXPECT_EQ(io.changes, 0);

    // Deleting has no target, so nothing is "into itself"; only the vanished
    // source is refused.
    const FileOperationPlan deletion =
        PlanFileOperation(Request(FileOpRequest::Delete, sources), nullptr, io);
    ASSERT_EQ(deletion.refusals.size(), 1u);
    EXPECT_EQ(deletion.refusals[0].source, 1u);
}

TEST(FileOperationPlanTest, TotalsCountWhatTheExecutorWillWalk) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/a", "1"));
    ASSERT_TRUE(dir.MakeFile("tree/sub/b", "22"));
    ASSERT_TRUE(dir.MakeFile("tree/sub/deeper/c", "333"));
    ASSERT_TRUE(dir.MakeFolder("tree/empty"));
    ASSERT_TRUE(dir.MakeFile("outside/big", QByteArray(1000, 'o')));
    // A link to a folder is one item; what it points to is not counted.
    ASSERT_TRUE(dir.MakeSymlink("tree/link", dir.Join("outside")));
    ASSERT_TRUE(dir.MakeFile("single", "4444"));
    ASSERT_TRUE(dir.MakeFolder("dst"));
    OtherFsDir other;
    ASSERT_TRUE(other.IsValid());
    ReadOnlyIo io;
    const std::vector<QByteArray> sources = {dir.Join("tree"), dir.Join("single")};
    const auto disk = Describe(dir.PathBytes());

    struct Case {
        FileOpRequest::Func func;
        bool allowUndo;
        bool otherFs;
        std::uint64_t files, folders, bytes;
    };
    // "tree": a, b, c and the link are 4 files, tree, sub, deeper and empty
    // 4 folders, 6 bytes; "single" is one more file of 4 bytes.
    const Case cases[] = {
        {FileOpRequest::Copy, false, false, 5, 4, 10},
        {FileOpRequest::Move, false, false, 1, 1, 0},   // renames: not walked
        {FileOpRequest::Move, false, true, 5, 4, 10},   // another file system: copied
        {FileOpRequest::Delete, true, false, 1, 1, 0},  // to the trash: not walked
        {FileOpRequest::Delete, false, false, 5, 4, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.func) << c.allowUndo << c.otherFs);
        FileOpRequest request = Request(c.func, sources);
        request.allowUndo = c.allowUndo;
        std::optional<FileOpTarget> target;
        if (c.func != FileOpRequest::Delete)
            target = TargetAt(c.otherFs ? other.Path() : dir.Join("dst"), io);
        FileOperationPlan plan = ExamineSources(request, target ? &*target : nullptr, io);
        EXPECT_EQ(plan.totals.Items(), 0u) << "examining counts nothing yet";
        ASSERT_TRUE(CountPlan(plan, request, target ? &*target : nullptr, io));
        EXPECT_EQ(plan.totals.files, c.files);
        EXPECT_EQ(plan.totals.folders, c.folders);
        EXPECT_EQ(plan.totals.bytes, c.bytes);
        EXPECT_EQ(plan.totals.Items(), c.files + c.folders);
    }
    EXPECT_EQ(io.changes, 0);
    EXPECT_EQ(Describe(dir.PathBytes()), disk);
}

TEST(FileOperationPlanTest, WalkingStopsWhenAskedAndKnowsWhatItCouldNotRead) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/a/one", "1"));
    ASSERT_TRUE(dir.MakeFile("tree/b/two", "2"));
    ASSERT_TRUE(dir.MakeFile("tree/c/three", "3"));
    ReadOnlyIo io;
    const FileOpRequest request = Request(FileOpRequest::Delete, {dir.Join("tree")});

    int asked = 0;
    FileOperationPlan plan = ExamineSources(request, nullptr, io);
    EXPECT_TRUE(CountPlan(plan, request, nullptr, io, [&] { return ++asked, true; }));
    EXPECT_EQ(asked, 4) << "once per folder read";
    EXPECT_EQ(plan.totals.Items(), 7u);

    asked = 0;
    plan = ExamineSources(request, nullptr, io);
    EXPECT_FALSE(CountPlan(plan, request, nullptr, io, [&] { return ++asked < 2; }));
    EXPECT_EQ(asked, 2) << "no folder is read after the stop";

    // A folder that can't be read keeps its error for the executor to ask.
    struct DeniedIo : ReadOnlyIo {
        int ReadDir(const QByteArray& path, std::vector<QByteArray>* names) override {
            if (path.endsWith("/b")) {
                errno = EACCES;
                return -1;
            }
            return FileOpIo::ReadDir(path, names);
        }
    } denied;
    plan = PlanFileOperation(request, nullptr, denied);
    ASSERT_EQ(plan.tops[0].children.size(), 3u);
    EXPECT_EQ(plan.tops[0].children[1].name, "b");
    EXPECT_EQ(plan.tops[0].children[1].readError, EACCES);
    EXPECT_EQ(plan.totals.Items(), 6u);
}

TEST(FileOperationErrorTest, TextsNameTheItemAndTheSystemsReason) {
    const FileOpError read(FileOpStep::ReadFile, "/some/folder/name.txt", EIO);
    EXPECT_EQ(read.Text(), QStringLiteral("Can't read \"name.txt\".\n\n") +
                               QString::fromLocal8Bit(std::strerror(EIO)));
    EXPECT_EQ(read.Code(), EIO);
    EXPECT_EQ(read.Path(), "/some/folder/name.txt");
    // The target folder is shown whole; no code, no second paragraph.
    EXPECT_EQ(FileOpError(FileOpStep::TargetNotFolder, "/a/b").Text(),
              QStringLiteral("The target \"/a/b\" is not a folder."));
    // A reason of its own replaces the system's text.
    EXPECT_EQ(
        FileOpError(FileOpStep::Trash, "/x/y", EIO).WithDetail(QStringLiteral("no room")).Text(),
        QStringLiteral("Can't move \"y\" to the trash.\n\nno room"));
    // errno is read when the error is made, not when it is shown.
    errno = ENOSPC;
    const FileOpError full = FileOpError::FromErrno(FileOpStep::CopyData, "/f");
    errno = 0;
    EXPECT_EQ(full.Code(), ENOSPC);
    EXPECT_TRUE(FileOpError::Cancel().IsCancel());
    EXPECT_TRUE(FileOpError::Cancel().Text().isEmpty());
}

}  // namespace
