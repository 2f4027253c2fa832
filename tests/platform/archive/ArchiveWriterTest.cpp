// Packing folders into archives and reading them back: every format, odd
// names, links, an empty file, a sparse file beyond 4 GiB, a stop part way,
// and an archive that must not be replaced.

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <map>

#include "platform/archive/ArchiveIndex.h"
#include "platform/archive/ArchiveStream.h"
#include "platform/archive/ArchiveWriter.h"
#include "support/TestDir.h"

namespace {

constexpr std::int64_t kTime = 1650000000;
constexpr std::int64_t kSparseSize = (std::int64_t(4) << 30) + 100;  // past 4 GiB
const QByteArray kTail("the tail of a sparse file");

struct Seen {
    ArchiveIndex::Kind kind;
    std::uint64_t size;
    std::uint16_t mode;
    FileTime modified;
    QByteArray link;
};

// Every node of the index by its path.
std::map<QByteArray, Seen> ReadBack(const std::shared_ptr<const ArchiveIndex>& index) {
    std::map<QByteArray, Seen> seen;
    for (int node = 1; node < index->Count(); ++node) {
        const ArchiveIndex::Node& n = index->At(node);
        seen[index->PathOf(node)] = {n.kind, n.size, n.mode, n.times[kTimeModified],
                                     index->LinkTargetOf(node)};
    }
    return seen;
}

QByteArray Contents(const std::shared_ptr<const ArchiveIndex>& index, const QByteArray& path) {
    int node = ArchiveIndex::kRoot;
    for (const QByteArray& part : path.split('/')) node = index->Child(node, part);
    if (node < 0)
        return "<missing>";
    ArchiveStream stream(index, node);
    if (!stream.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return stream.readAll();
}

bool SetTime(const QByteArray& path, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// The names bsdtar lists, one a line, as bytes.
std::optional<QList<QByteArray>> BsdtarNames(const QByteArray& archive, QByteArray* verbose) {
    const QString bsdtar = QStandardPaths::findExecutable(QStringLiteral("bsdtar"));
    if (bsdtar.isEmpty())
        return std::nullopt;
    QProcess list;
    list.start(bsdtar, {QStringLiteral("-tf"), QString::fromUtf8(archive)});
    if (!list.waitForFinished(60000) || list.exitCode() != 0)
        return QList<QByteArray>();
    QList<QByteArray> names = list.readAllStandardOutput().split('\n');
    names.removeAll(QByteArray());
    if (verbose) {
        QProcess longList;
        longList.start(bsdtar, {QStringLiteral("-tvf"), QString::fromUtf8(archive)});
        if (longList.waitForFinished(60000) && longList.exitCode() == 0)
            *verbose = longList.readAllStandardOutput();
    }
    return names;
}

class ArchiveWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(src.MakeFile("top/plain.txt", "plain text\n"));
        ASSERT_TRUE(src.MakeFile("top/empty"));
        ASSERT_TRUE(src.MakeFile("top/sub dir/with space.txt", "spaced"));
        ASSERT_TRUE(src.MakeFile("top/-dash", "dash"));
        ASSERT_TRUE(src.MakeFile(QByteArray("top/") + kUtf8Name, "utf8"));
        ASSERT_TRUE(src.MakeSymlink("top/link", "plain.txt"));
        ASSERT_TRUE(src.SetMode("top/plain.txt", 0640));
        ASSERT_TRUE(src.MakeFile("single.bin", QByteArray(100000, 'z')));
        for (const char* name : {"top/plain.txt", "top/empty", "top/sub dir/with space.txt",
                                 "top/link", "top/sub dir", "top"})
            ASSERT_TRUE(SetTime(src.Join(name), kTime));
    }

    PackResult Pack(ArchiveFormat format, std::vector<QByteArray> names, QByteArray* path,
                    bool replace = false) {
        *path = out.Join("made" + ArchiveFormatExtension(format).toUtf8());
        PackRequest request;
        request.baseFolder = src.PathBytes();
        request.names = std::move(names);
        request.archivePath = *path;
        request.format = format;
        request.replaceExisting = replace;
        const std::atomic<bool> stop{false};
        return PackArchive(request, stop);
    }

    // The names in the output folder.
    QStringList OutNames() const {
        return QDir(out.Path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    const QByteArray kUtf8Name = QByteArray("gr\xc3\xbc\xc3\x9f \xe2\x82\xac.txt");
    TestDir src;
    TestDir out;
};

}  // namespace

TEST_F(ArchiveWriterTest, EveryFormatReadsBackWithNamesLinksModesAndTimes) {
    for (const ArchiveFormat format : kArchiveFormats) {
        const QString ext = ArchiveFormatExtension(format);
        SCOPED_TRACE(ext.toStdString());
        QByteArray path;
        const PackResult result = Pack(format, {"top", "single.bin"}, &path);
        ASSERT_TRUE(result.done) << result.error.toStdString();
        EXPECT_EQ(result.items, 9u);
        EXPECT_EQ(OutNames(), QStringList(QString::fromUtf8(path.mid(path.lastIndexOf('/') + 1))))
            << "no temporary is left beside the archive";
        EXPECT_TRUE(IsArchiveName(path)) << "the pane opens it as a folder";

        QString error;
        const std::shared_ptr<const ArchiveIndex> index = ArchiveIndex::Build(path, &error);
        ASSERT_TRUE(index) << error.toStdString();
        EXPECT_TRUE(index->Complete()) << index->Problem().toStdString();
        const std::map<QByteArray, Seen> seen = ReadBack(index);
        for (const QByteArray& name :
             {QByteArray("top"), QByteArray("top/plain.txt"), QByteArray("top/empty"),
              QByteArray("top/sub dir"), QByteArray("top/sub dir/with space.txt"),
              QByteArray("top/-dash"), QByteArray("top/") + kUtf8Name, QByteArray("top/link"),
              QByteArray("single.bin")})
            EXPECT_EQ(seen.count(name), 1u) << name.toStdString();
        EXPECT_EQ(seen.size(), 9u);

        EXPECT_EQ(Contents(index, "top/plain.txt"), "plain text\n");
        EXPECT_EQ(Contents(index, "top/sub dir/with space.txt"), "spaced");
        EXPECT_EQ(Contents(index, QByteArray("top/") + kUtf8Name), "utf8");
        EXPECT_EQ(Contents(index, "single.bin"), QByteArray(100000, 'z'));
        EXPECT_EQ(seen.at("top/empty").kind, ArchiveIndex::Kind::File);
        EXPECT_EQ(seen.at("top/empty").size, 0u);
        EXPECT_EQ(seen.at("top/sub dir").kind, ArchiveIndex::Kind::Directory);
        EXPECT_EQ(seen.at("top/link").kind, ArchiveIndex::Kind::Link);
        EXPECT_EQ(seen.at("top/link").link, "plain.txt");
        EXPECT_EQ(seen.at("top/plain.txt").mode & 0777, 0640);
        EXPECT_EQ(FileTimeToUnixMilliseconds(seen.at("top/plain.txt").modified) / 1000, kTime);

        QByteArray verbose;
        if (const auto names = BsdtarNames(path, &verbose)) {
            QList<QByteArray> trimmed;
            for (QByteArray name : *names) {
                if (name.endsWith('/'))
                    name.chop(1);
                trimmed << name;
            }
            std::sort(trimmed.begin(), trimmed.end());
            QList<QByteArray> expected;
            for (const auto& [name, _] : seen) expected << name;
            EXPECT_EQ(trimmed, expected) << "bsdtar lists the same";
            EXPECT_TRUE(verbose.contains("top/link -> plain.txt")) << verbose.toStdString();
        } else {
            ADD_FAILURE() << "bsdtar (package libarchive-tools) is not installed";
        }
        ASSERT_EQ(::unlink(path.constData()), 0);
    }
}

TEST_F(ArchiveWriterTest, TarKeepsNamesThatAreNoUtf8AndHardLinks) {
    const QByteArray raw("top/caf\xe9 \xff.bin");
    ASSERT_TRUE(src.MakeFile(raw, "latin1"));
    ASSERT_EQ(
        ::link(src.Join("top/plain.txt").constData(), src.Join("top/second name").constData()), 0);
    for (const ArchiveFormat format :
         {ArchiveFormat::Tar, ArchiveFormat::TarGz, ArchiveFormat::TarXz, ArchiveFormat::TarZst}) {
        SCOPED_TRACE(ArchiveFormatExtension(format).toStdString());
        QByteArray path;
        const PackResult result = Pack(format, {"top"}, &path);
        ASSERT_TRUE(result.done) << result.error.toStdString();
        QString error;
        const std::shared_ptr<const ArchiveIndex> index = ArchiveIndex::Build(path, &error);
        ASSERT_TRUE(index) << error.toStdString();
        EXPECT_EQ(Contents(index, raw), "latin1") << "the name's bytes, as they were";
        const std::map<QByteArray, Seen> seen = ReadBack(index);
        ASSERT_EQ(seen.count("top/second name"), 1u);
        // One of the two names holds the data, the other links to it.
        const bool secondLinks = seen.at("top/second name").kind == ArchiveIndex::Kind::Link;
        const bool plainLinks = seen.at("top/plain.txt").kind == ArchiveIndex::Kind::Link;
        EXPECT_NE(secondLinks, plainLinks);
        // bsdtar prints the bytes it can't show as octal escapes.
        if (const auto names = BsdtarNames(path, nullptr)) {
            EXPECT_TRUE(names->contains(QByteArray("top/caf\\351 \\377.bin")))
                << "bsdtar sees the same bytes";
        }
        ASSERT_EQ(::unlink(path.constData()), 0);
    }
}

TEST_F(ArchiveWriterTest, ASparseFileBeyondFourGigabytesKeepsItsSizeAndData) {
    const QByteArray sparse = src.Join("big/sparse.img");
    ASSERT_TRUE(src.MakeFolder("big"));
    {
        const int fd = ::open(sparse.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
        ASSERT_EQ(::pwrite(fd, kTail.constData(), size_t(kTail.size()), kSparseSize - kTail.size()),
                  kTail.size());
        ASSERT_EQ(::close(fd), 0);
    }
    struct stat st;
    ASSERT_EQ(::stat(sparse.constData(), &st), 0);
    ASSERT_EQ(st.st_size, kSparseSize);
    ASSERT_LT(std::int64_t(st.st_blocks) * 512, std::int64_t(1) << 24)
        << "the file system made holes";

    QByteArray path;
    const PackResult result = Pack(ArchiveFormat::Tar, {"big"}, &path);
    ASSERT_TRUE(result.done) << result.error.toStdString();
    struct stat made;
    ASSERT_EQ(::stat(path.constData(), &made), 0);
    EXPECT_LT(made.st_size, std::int64_t(1) << 20) << "the holes are not stored";

    QString error;
    const std::shared_ptr<const ArchiveIndex> index = ArchiveIndex::Build(path, &error);
    ASSERT_TRUE(index) << error.toStdString();
    EXPECT_EQ(ReadBack(index).at("big/sparse.img").size, std::uint64_t(kSparseSize));

    // Sample the data where it lies, reading the archive's data blocks (the
    // holes come back as offsets, not as gigabytes of zeros).
    struct archive* a = archive_read_new();
    archive_read_support_format_all(a);
    ASSERT_EQ(archive_read_open_filename(a, path.constData(), 65536), ARCHIVE_OK);
    archive_entry* entry = nullptr;
    QByteArray head;
    QByteArray tail;
    std::int64_t end = 0;
    while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
        if (QByteArray(archive_entry_pathname(entry)) != "big/sparse.img")
            continue;
        EXPECT_EQ(archive_entry_size(entry), kSparseSize);
        const void* block = nullptr;
        size_t length = 0;
        la_int64_t offset = 0;
        while (archive_read_data_block(a, &block, &length, &offset) == ARCHIVE_OK) {
            const QByteArray bytes(static_cast<const char*>(block), qsizetype(length));
            if (offset == 0)
                head = bytes.left(4);
            if (offset + std::int64_t(length) == kSparseSize)
                tail = bytes.right(kTail.size());
            end = std::max<std::int64_t>(end, offset + std::int64_t(length));
        }
    }
    archive_read_free(a);
    EXPECT_EQ(head, "head");
    EXPECT_EQ(tail, kTail);
    EXPECT_EQ(end, kSparseSize);

    QByteArray verbose;
    if (BsdtarNames(path, &verbose)) {
        EXPECT_TRUE(verbose.contains(QByteArray::number(kSparseSize))) << verbose.toStdString();
    }
}

TEST_F(ArchiveWriterTest, AStopLeavesNoArchiveAndNoTemporary) {
    ASSERT_TRUE(src.MakeFile("many/a", QByteArray(3 << 20, 'a')));
    ASSERT_TRUE(src.MakeFile("many/b", QByteArray(3 << 20, 'b')));
    for (const ArchiveFormat format : {ArchiveFormat::TarGz, ArchiveFormat::Zip}) {
        PackRequest request;
        request.baseFolder = src.PathBytes();
        request.names = {"many"};
        request.archivePath = out.Join("stopped" + ArchiveFormatExtension(format).toUtf8());
        request.format = format;
        std::atomic<bool> stop{false};
        int reports = 0;
        // The first report (the totals, before any entry) presses Cancel.
        const PackResult result = PackArchive(request, stop, [&](const PackProgress& p) {
            ++reports;
            EXPECT_EQ(p.itemsTotal, 3u);
            EXPECT_EQ(p.bytesTotal, std::uint64_t(6 << 20));
            stop = true;
        });
        EXPECT_FALSE(result.done);
        EXPECT_TRUE(result.stopped);
        EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(reports, 1);
        EXPECT_EQ(OutNames(), QStringList()) << "nothing is left in the target folder";
    }
}

TEST_F(ArchiveWriterTest, AnArchiveOfThatNameIsReplacedOnlyWhenAsked) {
    QByteArray path;
    ASSERT_TRUE(out.MakeFile("made.tar", "precious"));
    PackResult result = Pack(ArchiveFormat::Tar, {"single.bin"}, &path);
    EXPECT_FALSE(result.done);
    EXPECT_EQ(result.error, PackTexts::kExists.arg(QString::fromUtf8(path)));
    EXPECT_EQ(out.Read("made.tar"), "precious");
    EXPECT_EQ(OutNames(), QStringList({"made.tar"}));

    result = Pack(ArchiveFormat::Tar, {"single.bin"}, &path, true);
    ASSERT_TRUE(result.done) << result.error.toStdString();
    QString error;
    const auto index = ArchiveIndex::Build(path, &error);
    ASSERT_TRUE(index);
    EXPECT_EQ(Contents(index, "single.bin"), QByteArray(100000, 'z'));
    EXPECT_EQ(OutNames(), QStringList({"made.tar"}));
}

TEST_F(ArchiveWriterTest, ASourceThatCantBeReadFailsWithoutLeavingAnything) {
    QByteArray path;
    const PackResult result = Pack(ArchiveFormat::Zip, {"top", "no such thing"}, &path);
    EXPECT_FALSE(result.done);
    EXPECT_FALSE(result.stopped);
    EXPECT_TRUE(result.error.contains("no such thing")) << result.error.toStdString();
    EXPECT_EQ(OutNames(), QStringList());
}

TEST_F(ArchiveWriterTest, ZipAnd7zRefuseANameThatIsNoUtf8RatherThanChangeIt) {
    const QByteArray raw("odd/caf\xe9.bin");
    ASSERT_TRUE(src.MakeFile(raw, "latin1"));
    for (const ArchiveFormat format : {ArchiveFormat::Zip, ArchiveFormat::SevenZip}) {
        SCOPED_TRACE(ArchiveFormatExtension(format).toStdString());
        QByteArray path;
        const PackResult result = Pack(format, {"top", "odd"}, &path);
        EXPECT_FALSE(result.done);
        EXPECT_EQ(result.error,
                  PackTexts::kNotUtf8.arg(QString::fromUtf8("odd/caf\xef\xbf\xbd.bin")));
        EXPECT_EQ(OutNames(), QStringList());
    }
}
