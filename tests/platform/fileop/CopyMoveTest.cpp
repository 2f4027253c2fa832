// Copy and move of whole trees: what arrives is what was there, by bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <set>

#include "FileOpTestSupport.h"
#include "platform/fileop/FileOpPaths.h"

namespace {

const QByteArray kLongName = QByteArray(251, 'n') + ".txt";  // 255 bytes

// A tree with the awkward cases: odd names, links (relative, absolute,
// dangling), hard links, a fifo, an empty and a read-only folder, modes and
// nanosecond times.
void MakeAwkwardTree(TestDir& dir, const QByteArray& root) {
    ASSERT_TRUE(dir.MakeFile(root + "/plain.txt", "plain"));
    ASSERT_TRUE(dir.MakeFile(root + "/with space/-leading dash", "dash"));
    ASSERT_TRUE(dir.MakeFile(root + "/new\nline", "newline"));
    ASSERT_TRUE(dir.MakeFile(root + "/bad \xff\xfe utf8", "bytes"));
    ASSERT_TRUE(dir.MakeFile(root + "/" + kLongName, "long"));
    ASSERT_TRUE(dir.MakeFile(root + "/deep/er/est/file", QByteArray(300000, 'd')));
    ASSERT_TRUE(dir.MakeFolder(root + "/empty"));
    ASSERT_TRUE(dir.MakeSymlink(root + "/rel-link", "deep/er"));
    ASSERT_TRUE(dir.MakeSymlink(root + "/dangling", "nowhere/at/all"));
    ASSERT_TRUE(dir.MakeSymlink(root + "/abs-link", "/etc/hostname"));
    ASSERT_TRUE(dir.MakeFile(root + "/hard1", "shared"));
    ASSERT_EQ(
        ::link(dir.Join(root + "/hard1").constData(), dir.Join(root + "/deep/hard2").constData()),
        0);
    ASSERT_EQ(::mkfifo(dir.Join(root + "/fifo").constData(), 0600), 0);
    ASSERT_TRUE(dir.MakeFile(root + "/ro/inside", "ro"));
    ASSERT_TRUE(dir.SetMode(root + "/ro", 0555));
    ASSERT_TRUE(dir.SetMode(root + "/plain.txt", 0640));
    const struct timespec times[2] = {{1600000000, 123456789}, {1500000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.Join(root + "/plain.txt").constData(), times, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.Join(root + "/deep").constData(), times, 0), 0);
}

void ExpectSameTimes(const QByteArray& a, const QByteArray& b) {
    const struct stat sa = Lstat(a), sb = Lstat(b);
    EXPECT_EQ(sa.st_mtim.tv_sec, sb.st_mtim.tv_sec) << b.constData();
    EXPECT_EQ(sa.st_mtim.tv_nsec, sb.st_mtim.tv_nsec) << b.constData();
}

TEST(FileOperationCopyTest, CopiesAwkwardTreeExactly) {
    TestDir dir;
    MakeAwkwardTree(dir, "src/tree");
    ASSERT_TRUE(dir.MakeFile("src/single", "one"));
    ASSERT_TRUE(dir.MakeFolder("dst"));
    const auto before = Describe(dir.Join("src"));

    ScopedPrompter prompter;
    FileOpRequest request;
    request.func = FileOpRequest::Copy;
    request.sources = {dir.Join("src/tree"), dir.Join("src/single/")};
    request.targetFolder = dir.Join("dst");
    const FileOpResult result = RunOp(request);

    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
    EXPECT_EQ(Describe(dir.Join("dst")), before);
    EXPECT_EQ(Describe(dir.Join("src")), before);
    EXPECT_TRUE(Leftovers(dir.Join("dst")).empty());
    ASSERT_EQ(result.done.size(), 2u);
    EXPECT_EQ(result.done[0].second, dir.Join("dst/tree"));
    EXPECT_EQ(result.done[1].first, dir.Join("src/single"));

    const struct stat h1 = Lstat(dir.Join("dst/tree/hard1")),
                      h2 = Lstat(dir.Join("dst/tree/deep/hard2"));
    EXPECT_EQ(h1.st_ino, h2.st_ino) << "hard links inside the copy stay linked";
    EXPECT_NE(h1.st_ino, Lstat(dir.Join("src/tree/hard1")).st_ino);
    EXPECT_TRUE(S_ISFIFO(Lstat(dir.Join("dst/tree/fifo")).st_mode));
    ExpectSameTimes(dir.Join("src/tree/plain.txt"), dir.Join("dst/tree/plain.txt"));
    ExpectSameTimes(dir.Join("src/tree/deep"), dir.Join("dst/tree/deep"));
}

TEST(FileOperationMoveTest, MovesWithinAndAcrossFileSystems) {
    TestDir dir;
    OtherFsDir other;
    ASSERT_TRUE(other.IsValid());
    MakeAwkwardTree(dir, "src/tree");
    ASSERT_TRUE(dir.MakeFolder("dst"));
    const auto tree = Describe(dir.Join("src/tree"));
    const ino_t inode = Lstat(dir.Join("src/tree/plain.txt")).st_ino;
    ScopedPrompter prompter;

    // Within one file system the items are renamed, not copied.
    FileOpRequest request;
    request.func = FileOpRequest::Move;
    request.sources = {dir.Join("src/tree")};
    request.targetFolder = dir.Join("dst");
    FileOpResult result = RunOp(request);
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_FALSE(Exists(dir.Join("src/tree")));
    EXPECT_EQ(Describe(dir.Join("dst/tree")), tree);
    EXPECT_EQ(Lstat(dir.Join("dst/tree/plain.txt")).st_ino, inode);

    // Across file systems: copied, flushed, then the sources go.
    FaultIo io;
    request.sources = {dir.Join("dst/tree")};
    request.targetFolder = other.Path();
    result = RunOp(request, &io);
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    EXPECT_FALSE(Exists(dir.Join("dst/tree")));
    EXPECT_EQ(Describe(other.Path() + "/tree"), tree);
    EXPECT_GE(io.syncfsCalls, 1);
    const struct stat h1 = Lstat(other.Path() + "/tree/hard1");
    EXPECT_EQ(h1.st_ino, Lstat(other.Path() + "/tree/deep/hard2").st_ino);
    EXPECT_EQ(Lstat(other.Path() + "/tree/plain.txt").st_mtim.tv_nsec, 987654321);
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST(FileOperationCopyTest, SparseFileBeyond4GiBStaysSparse) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("dst"));
    const QByteArray source = dir.Join("sparse.img");
    const off_t size = (5LL << 30) + 12345;
    const off_t far = (4LL << 30) + (512LL << 20);
    {
        const int fd = ::open(source.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
        ASSERT_EQ(::pwrite(fd, "beyond four gibibytes", 21, far), 21);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    ScopedPrompter prompter;
    FileOpRequest request;
    request.sources = {source};
    request.targetFolder = dir.Join("dst");
    const FileOpResult result = RunOp(request);
    ASSERT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();

    const QByteArray copy = dir.Join("dst/sparse.img");
    const struct stat original = Lstat(source), copied = Lstat(copy);
    EXPECT_EQ(copied.st_size, size);
    EXPECT_LE(copied.st_blocks, original.st_blocks + 16) << "holes were written out";
    const int fd = ::open(copy.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buffer[32] = {};
    ASSERT_EQ(::pread(fd, buffer, 4, 0), 4);
    EXPECT_EQ(QByteArray(buffer, 4), "head");
    ASSERT_EQ(::pread(fd, buffer, 23, far - 1), 23);
    EXPECT_EQ(QByteArray(buffer, 23), QByteArray("\0beyond four gibibytes\0", 23));
    ASSERT_EQ(::pread(fd, buffer, 8, size - 8), 8);
    EXPECT_EQ(QByteArray(buffer, 8), QByteArray(8, '\0'));
    ::close(fd);
}

TEST(FileOperationCopyTest, RenameOnCollisionCopiesBesideItself) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("f/report.txt", "r"));
    ASSERT_TRUE(dir.MakeFile("f/folder/inner", "i"));
    ScopedPrompter prompter;
    FileOpRequest request;
    request.sources = {dir.Join("f/report.txt"), dir.Join("f/folder")};
    request.targetFolder = dir.Join("f");
    request.renameOnCollision = true;
    FileOpResult result = RunOp(request);
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    result = RunOp(request);
    EXPECT_TRUE(result.Succeeded()) << result.errors.join('\n').toStdString();
    ASSERT_EQ(result.done.size(), 2u);
    EXPECT_EQ(result.done[0].second, dir.Join("f/report (copy 2).txt"));
    EXPECT_EQ(ReadBytes(dir.Join("f/report (copy).txt")), "r");
    EXPECT_EQ(ReadBytes(dir.Join("f/report (copy 2).txt")), "r");
    EXPECT_EQ(ReadBytes(dir.Join("f/folder (copy)/inner")), "i");
    EXPECT_EQ(ReadBytes(dir.Join("f/folder (copy 2)/inner")), "i");
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST(FreeCopyNameTest, NamesTheCopyWithinTheNameLimit) {
    std::set<QByteArray> taken;
    const auto exists = [&](const QByteArray& name) { return taken.count(name) > 0; };
    EXPECT_EQ(FreeCopyName("a.tar.gz", false, exists), "a.tar (copy).gz");
    EXPECT_EQ(FreeCopyName(".profile", false, exists), ".profile (copy)");
    EXPECT_EQ(FreeCopyName("v1.2", true, exists), "v1.2 (copy)");
    taken = {"x (copy).txt", "x (copy 2).txt"};
    EXPECT_EQ(FreeCopyName("x.txt", false, exists), "x (copy 3).txt");
    // 2-byte characters: shortened to a whole character, kept at 255 bytes.
    QByteArray wide;
    for (int i = 0; i < 125; ++i) wide += "\xc3\xa9";
    const QByteArray name = FreeCopyName("a" + wide + ".txt", false, exists);
    EXPECT_LE(name.size(), 255);
    EXPECT_TRUE(name.endsWith(" (copy).txt"));
    EXPECT_TRUE(QString::fromUtf8(name).toUtf8() == name) << "cut inside a character";
}

}  // namespace
