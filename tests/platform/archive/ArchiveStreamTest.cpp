// Opening one entry's contents: a zip entry straight at its own header,
// everything else by passing the headers before it, and both ways giving
// exactly the entry the index shows or an error.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ArchiveTestWriter.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/archive/ArchiveStream.h"
#include "platform/archive/ZipDirectory.h"

namespace {

class ArchiveStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ForgetArchiveIndexes(); }
    void TearDown() override { ForgetArchiveIndexes(); }

    QByteArray Path(const char* name) const { return dir.filePath(name).toUtf8(); }

    static int NodeOf(const ArchiveIndex& index, const QByteArray& path) {
        int node = ArchiveIndex::kRoot;
        for (const QByteArray& part : ArchivePathParts(path)) {
            node = index.Child(node, part);
            if (node < 0)
                return -1;
        }
        return node;
    }

    // The entry's contents through a stream, and whether the stream opened
    // at the entry's own header; `failed` when it did not give them whole.
    QByteArray Read(const std::shared_ptr<const ArchiveIndex>& index, const QByteArray& path,
                    bool* direct, bool* failed) {
        const int node = NodeOf(*index, path);
        *failed = node < 0;
        if (node < 0)
            return {};
        const int before = ArchiveReadCounters().directOpens;
        ArchiveStream stream(index, node);
        if (!stream.open(QIODevice::ReadOnly)) {
            *failed = true;
            *direct = ArchiveReadCounters().directOpens > before;
            return {};
        }
        *direct = ArchiveReadCounters().directOpens > before;
        QByteArray got;
        char block[1000];
        for (;;) {
            const qint64 n = stream.read(block, sizeof block);
            if (n < 0) {
                *failed = true;
                break;
            }
            if (n == 0)
                break;
            got.append(block, n);
        }
        return got;
    }

    QTemporaryDir dir;
};

std::vector<TestEntry> ManyEntries(int count) {
    std::vector<TestEntry> entries;
    entries.push_back({"top/", {}, TestEntry::Folder});
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "top/d" + QByteArray::number(i % 7) + "/f" + QByteArray::number(i);
        entries.push_back({name, "contents of " + name + QByteArray(i % 50, char('a' + i % 26))});
    }
    return entries;
}

// Any entry of a deflated zip, first or last, empty or not, opens at its own
// header and gives its bytes. A zip of stored entries whose sizes follow
// their data (as this writer makes them) and a tar.gz give the same by the
// headers in order: where an entry's end is known only by looking for the
// record after it, the header alone can't be trusted.
TEST_F(ArchiveStreamTest, EntriesOpenAtTheirOwnHeaderInAZipAndInOrderElsewhere) {
    std::vector<TestEntry> entries = ManyEntries(300);
    entries.push_back({"empty.txt", {}});
    entries.push_back({"./odd//path/./name.txt", "normalised"});
    for (const auto& [name, format, filter, options, atOwnHeader] :
         {std::tuple{"plain.zip", "zip", "none", "zip:compression=store", false},
          std::tuple{"deflated.zip", "zip", "none", "zip:compression=deflate", true},
          std::tuple{"archive.tar.gz", "pax", "gzip", static_cast<const char*>(nullptr), false}}) {
        ASSERT_TRUE(WriteTestArchive(Path(name), format, filter, entries, options)) << name;
        QString error;
        const auto index = AcquireArchiveIndex(Path(name), &error);
        ASSERT_TRUE(index) << qPrintable(error);
        for (const QByteArray& path :
             {QByteArray("top/d0/f0"), QByteArray("top/d5/f152"), QByteArray("top/d5/f299"),
              QByteArray("empty.txt"), QByteArray("odd/path/name.txt")}) {
            bool direct = false;
            bool failed = false;
            const QByteArray got = Read(index, path, &direct, &failed);
            EXPECT_FALSE(failed) << name << " " << path.constData();
            EXPECT_EQ(direct, atOwnHeader) << name << " " << path.constData();
            QByteArray expected;
            for (const TestEntry& e : entries) {
                if (ArchivePathParts(e.path).join('/') == path)
                    expected = e.contents;
            }
            EXPECT_EQ(got, expected) << name << " " << path.constData();
        }
    }
}

// A path the zip names twice is not opened at either header: the index shows
// the later one, and that is what the stream gives.
TEST_F(ArchiveStreamTest, APathNamedTwiceGivesTheEntryTheIndexShows) {
    const std::vector<TestEntry> entries = {
        {"same.txt", "the first"}, {"other.txt", "other"}, {"same.txt", "the second, shown"}};
    ASSERT_TRUE(WriteTestArchive(Path("twice.zip"), "zip", "none", entries));
    QString error;
    const auto index = AcquireArchiveIndex(Path("twice.zip"), &error);
    ASSERT_TRUE(index) << qPrintable(error);
    bool direct = true;
    bool failed = false;
    EXPECT_EQ(Read(index, "same.txt", &direct, &failed), QByteArray("the second, shown"));
    EXPECT_FALSE(failed);
    EXPECT_FALSE(direct);
    EXPECT_EQ(Read(index, "other.txt", &direct, &failed), QByteArray("other"));
    EXPECT_TRUE(direct);
}

// The archive replaced after it was indexed: the stream refuses it, whichever
// way it would have opened.
TEST_F(ArchiveStreamTest, AReplacedArchiveIsRefused) {
    ASSERT_TRUE(WriteTestArchive(Path("a.zip"), "zip", "none", ManyEntries(20)));
    QString error;
    const auto index = AcquireArchiveIndex(Path("a.zip"), &error);
    ASSERT_TRUE(index);
    bool direct = false;
    bool failed = false;
    ASSERT_FALSE(Read(index, "top/d3/f10", &direct, &failed).isEmpty());
    ASSERT_TRUE(direct);
    std::vector<TestEntry> changed = ManyEntries(20);
    changed[11].contents = "changed since";
    ASSERT_TRUE(WriteTestArchive(Path("b.zip"), "zip", "none", changed));
    ASSERT_EQ(::rename(Path("b.zip").constData(), Path("a.zip").constData()), 0);
    EXPECT_TRUE(Read(index, "top/d3/f10", &direct, &failed).isEmpty());
    EXPECT_TRUE(failed);
}

// A local header that lies about its entry's size is met at its own header
// too: the stream ends in an error, never in a shortened or lengthened copy.
TEST_F(ArchiveStreamTest, ALyingSizeGivesAnErrorNotData) {
    ASSERT_TRUE(WriteTestArchive(Path("lie.zip"), "zip", "none",
                                 {{"a.txt", QByteArray(3000, 'a')}, {"b.txt", QByteArray(10, 'b')}},
                                 "zip:compression=store"));
    ASSERT_GT(PatchZipUncompressedSizes(Path("lie.zip"), 5), 0);
    QString error;
    const auto index = AcquireArchiveIndex(Path("lie.zip"), &error);
    if (!index)
        return;  // refused whole: no data either
    bool direct = false;
    bool failed = false;
    const QByteArray got = Read(index, "a.txt", &direct, &failed);
    EXPECT_TRUE(failed || got == QByteArray(3000, 'a'));
}

// The directory reader accepts only a plain zip, and finds each entry's
// header where the file has it.
TEST_F(ArchiveStreamTest, TheDirectoryFindsHeadersOnlyInPlainZips) {
    ASSERT_TRUE(WriteTestArchive(Path("d.zip"), "zip", "none", ManyEntries(5)));
    QByteArray bytes = ReadWholeFile(Path("d.zip"));
    {
        const int fd = ::open(Path("d.zip").constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const auto directory = ZipDirectory::Read(fd, bytes.size());
        ::close(fd);
        ASSERT_TRUE(directory);
        EXPECT_EQ(directory->Entries(), 6);
        const std::optional<std::uint64_t> at = directory->LocalHeaderOf("top/d4/f4");
        ASSERT_TRUE(at);
        EXPECT_EQ(bytes.mid(qsizetype(*at), 4), QByteArray("PK\x03\x04", 4));
        EXPECT_EQ(bytes.mid(qsizetype(*at) + 30, 9), QByteArray("top/d4/f4"));
        EXPECT_FALSE(directory->LocalHeaderOf("top/d4/f5"));
    }
    // Data before the zip, a cut end record, a tar: no directory.
    for (const QByteArray& other :
         {QByteArray("prefix") + bytes, bytes.left(bytes.size() - 5), QByteArray(2048, '\0')}) {
        ASSERT_TRUE(WriteWholeFile(Path("other.bin"), other));
        const int fd = ::open(Path("other.bin").constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_FALSE(ZipDirectory::Read(fd, other.size()));
        ::close(fd);
    }
}

}  // namespace
