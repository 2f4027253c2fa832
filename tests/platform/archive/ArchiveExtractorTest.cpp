// Copying entries out of an archive: whole sub-trees with their times and
// modes, in one pass, and errors (never a shortened file) on damaged or
// lying archives.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLocale>
#include <algorithm>

#include "platform/archive/ArchiveExtractor.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/namespace/NameCodec.h"
#include "support/TestDir.h"

namespace {

constexpr std::int64_t kTime = 1500000000;

struct ModeEntry {
    QByteArray path;
    QByteArray contents;
    unsigned type = AE_IFREG;
    unsigned mode = 0644;
    std::int64_t mtime = kTime;
    QByteArray link;  // a symbolic link's target, or a hard link's entry
    bool hardLink = false;
};

// An archive with the modes given (the shared writer gives fixed ones).
bool WriteModes(const QByteArray& path, const char* format, const char* filter,
                const std::vector<ModeEntry>& entries) {
    struct archive* a = archive_write_new();
    bool ok = archive_write_set_format_by_name(a, format) == ARCHIVE_OK &&
              (QByteArray(filter) == "none"
                   ? archive_write_add_filter_none(a)
                   : archive_write_add_filter_by_name(a, filter)) == ARCHIVE_OK &&
              archive_write_open_filename(a, path.constData()) == ARCHIVE_OK;
    for (const ModeEntry& e : entries) {
        if (!ok)
            break;
        struct archive_entry* entry = archive_entry_new();
        archive_entry_copy_pathname(entry, e.path.constData());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, e.mode);
        archive_entry_set_mtime(entry, e.mtime, 123456700);
        archive_entry_set_atime(entry, e.mtime - 100, 0);
        if (e.hardLink)
            archive_entry_copy_hardlink(entry, e.link.constData());
        else if (e.type == AE_IFLNK)
            archive_entry_copy_symlink(entry, e.link.constData());
        if (e.type == AE_IFREG && !e.hardLink)
            archive_entry_set_size(entry, e.contents.size());
        ok = archive_write_header(a, entry) >= ARCHIVE_WARN;
        if (ok && !e.contents.isEmpty())
            ok = archive_write_data(a, e.contents.constData(), size_t(e.contents.size())) ==
                 la_ssize_t(e.contents.size());
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

int NodeOf(const ArchiveIndex& index, const QByteArray& path) {
    int node = ArchiveIndex::kRoot;
    for (const QByteArray& part : ArchivePathParts(path)) {
        node = index.Child(node, part);
        if (node < 0)
            return -1;
    }
    return node;
}

struct stat Lstat(const QByteArray& path) {
    struct stat st {};
    ::lstat(path.constData(), &st);
    return st;
}

// Every entry of a folder, recursively ("a", "a/b"), sorted.
QStringList Tree(const QString& root) {
    QStringList out;
    QDir dir(root);
    for (const QString& name : dir.entryList(
             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        out << name;
        const QFileInfo info(dir.filePath(name));
        if (info.isDir() && !info.isSymLink()) {
            for (const QString& below : Tree(dir.filePath(name))) out << name + '/' + below;
        }
    }
    return out;
}

class ArchiveExtractorTest : public ::testing::Test {
protected:
    ArchiveExtractorTest() {
        ForgetArchiveIndexes();
        CurrentArchiveLimits() = ArchiveLimits();
    }
    ~ArchiveExtractorTest() override {
        ForgetArchiveIndexes();
        CurrentArchiveLimits() = ArchiveLimits();
    }
    std::shared_ptr<const ArchiveIndex> Index(const QByteArray& name) {
        QString error;
        auto index = AcquireArchiveIndex(dir.Join(name), &error);
        EXPECT_TRUE(index) << error.toStdString();
        return index;
    }
    QByteArray Out(const QByteArray& name) {
        EXPECT_TRUE(dir.MakeFolder(name));
        return dir.Join(name);
    }
    TestDir dir;
};

TEST_F(ArchiveExtractorTest, AFolderArrivesWholeWithTimesAndModesInOnePass) {
    const std::vector<ModeEntry> entries = {
        {"pack/", {}, AE_IFDIR, 0750, kTime + 1},
        {"pack/src/", {}, AE_IFDIR, 0755, kTime + 2},
        {"pack/src/main.c", "int main() { return 0; }\n", AE_IFREG, 0644, kTime + 3},
        {"pack/src/run.sh", "#!/bin/sh\n", AE_IFREG, 04755, kTime + 4},
        {"pack/src/empty", {}, AE_IFREG, 0600, kTime + 5},
        {"pack/src/implied/deep/x.txt", "deep", AE_IFREG, 0444, kTime + 6},
        {"pack/src/link", {}, AE_IFLNK, 0777, kTime + 7, "main.c"},
        {"pack/src/same.c", {}, AE_IFREG, 0644, kTime + 8, "pack/src/main.c", true},
        {"pack/other.txt", "not asked for", AE_IFREG, 0644, kTime + 9},
    };
    for (const char* format : {"pax", "zip"}) {
        SCOPED_TRACE(format);
        const QByteArray name = QByteArray("pack.") + (QByteArray(format) == "zip" ? "zip" : "tgz");
        const bool zip = QByteArray(format) == "zip";
        std::vector<ModeEntry> used;
        for (const ModeEntry& e : entries) {
            if (!(zip && e.hardLink))  // zip has no hard links
                used.push_back(e);
        }
        ASSERT_TRUE(WriteModes(dir.Join(name), format, zip ? "none" : "gzip", used));
        auto index = Index(name);
        ASSERT_TRUE(index);
        const QByteArray out = Out("out-" + QByteArray(format));

        const ArchiveReadCounts before = ArchiveReadCounters();
        ArchiveExtractor extractor(index);
        extractor.Add(NodeOf(*index, "pack/src"));
        extractor.Add(NodeOf(*index, "pack/other.txt"));
        int pumps = 0;
        const auto done = extractor.Run(out, [&](const QByteArray&, std::uint64_t) {
            ++pumps;
            return true;
        });
        const ArchiveReadCounts after = ArchiveReadCounters();
        EXPECT_TRUE(extractor.Errors().isEmpty()) << extractor.Errors().join('\n').toStdString();
        ASSERT_EQ(done, (std::vector<QByteArray>{out + "/src", out + "/other.txt"}));
        EXPECT_EQ(after.streamOpens - before.streamOpens, 1) << "one pass for every entry";
        EXPECT_EQ(after.indexPasses, before.indexPasses);
        EXPECT_GT(pumps, 0);

        QStringList expected = {"other.txt",        "src",
                                "src/empty",        "src/implied",
                                "src/implied/deep", "src/implied/deep/x.txt",
                                "src/link",         "src/main.c",
                                "src/run.sh"};
        if (!zip)
            expected << "src/same.c";
        expected.sort();
        EXPECT_EQ(Tree(NameFromBytes(out)), expected);
        EXPECT_EQ(ReadWholeFile(out + "/src/main.c"), "int main() { return 0; }\n");
        EXPECT_EQ(ReadWholeFile(out + "/src/implied/deep/x.txt"), "deep");
        EXPECT_EQ(Lstat(out + "/src/empty").st_size, 0);

        // The entries' times, to the second at least (zip keeps no more).
        EXPECT_EQ(Lstat(out + "/src/main.c").st_mtim.tv_sec, kTime + 3);
        EXPECT_EQ(Lstat(out + "/src/implied/deep/x.txt").st_mtim.tv_sec, kTime + 6);
        EXPECT_EQ(Lstat(out + "/src").st_mtim.tv_sec, kTime + 2) << "set after it was filled";
        EXPECT_EQ(Lstat(out + "/other.txt").st_mtim.tv_sec, kTime + 9);
        if (!zip)
            EXPECT_EQ(Lstat(out + "/src/main.c").st_mtim.tv_nsec, 123456700);

        // Modes as the archive gives them, but never set-id bits.
        EXPECT_EQ(Lstat(out + "/src/run.sh").st_mode & 07777, 0755u);
        EXPECT_EQ(Lstat(out + "/src/empty").st_mode & 07777, 0600u);
        EXPECT_EQ(Lstat(out + "/src/implied/deep/x.txt").st_mode & 07777, 0444u);
        EXPECT_TRUE(S_ISLNK(Lstat(out + "/src/link").st_mode));
        EXPECT_EQ(QFile::symLinkTarget(NameFromBytes(out + "/src/link")),
                  NameFromBytes(out + "/src/main.c"));
        if (!zip)
            EXPECT_EQ(ReadWholeFile(out + "/src/same.c"), "int main() { return 0; }\n");
    }
}

// Links whose target leaves the folder the copy writes into (absolute ones,
// ones that climb above it, ones that get out through another link of the
// tree) are left out, each with its own line; everything else arrives.
TEST_F(ArchiveExtractorTest, LinksPointingOutsideAreRefusedOneByOneAndTheRestArrives) {
    const std::vector<ModeEntry> entries = {
        {"t/", {}, AE_IFDIR, 0755},
        {"t/file.txt", "data", AE_IFREG, 0644},
        {"t/sub/", {}, AE_IFDIR, 0755},
        {"t/l", {}, AE_IFLNK, 0777, kTime, "/etc"},
        {"t/sub/up", {}, AE_IFLNK, 0777, kTime, "../../.."},
        {"t/sub/ok", {}, AE_IFLNK, 0777, kTime, "../file.txt"},
        {"t/sub/round", {}, AE_IFLNK, 0777, kTime, "../../t/file.txt"},
        {"t/folder", {}, AE_IFLNK, 0777, kTime, "sub"},
        {"t/sub/parent", {}, AE_IFLNK, 0777, kTime, ".."},
        // Inside when read as text, outside once "parent" is followed.
        {"t/through", {}, AE_IFLNK, 0777, kTime, "sub/parent/../../x"},
        {"t/sub/last.txt", "last", AE_IFREG, 0644},
    };
    struct Format {
        const char* format;
        const char* filter;
        const char* name;
    };
    for (const Format& f :
         {Format{"zip", "none", "links.zip"}, Format{"gnutar", "none", "links.tar"},
          Format{"gnutar", "gzip", "links.tar.gz"}}) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(WriteModes(dir.Join(f.name), f.format, f.filter, entries));
        auto index = Index(f.name);
        ASSERT_TRUE(index);
        const QByteArray out = Out(QByteArray("out-") + f.name);
        ArchiveExtractor extractor(index);
        extractor.Add(NodeOf(*index, "t"));
        const auto done = extractor.Run(out);
        EXPECT_EQ(done, std::vector<QByteArray>{out + "/t"}) << "the copy goes on";

        for (const char* refused : {"/t/l", "/t/sub/up", "/t/through"}) {
            struct stat st {};
            EXPECT_NE(::lstat((out + refused).constData(), &st), 0) << refused;
        }
        const QStringList errors = extractor.Errors();
        EXPECT_EQ(errors.size(), 3) << errors.join('\n').toStdString();
        for (const auto& [link, target] :
             {std::pair{"t/l", "\"/etc\""}, std::pair{"t/sub/up", "\"../../..\""},
              std::pair{"t/through", "\"sub/parent/../../x\""}}) {
            EXPECT_TRUE(std::any_of(errors.begin(), errors.end(),
                                    [&](const QString& e) {
                                        return e.contains(QString::fromUtf8(link)) &&
                                               e.contains(QString::fromUtf8(target));
                                    }))
                << link << " " << errors.join('\n').toStdString();
        }

        EXPECT_EQ(ReadWholeFile(out + "/t/file.txt"), "data");
        EXPECT_EQ(ReadWholeFile(out + "/t/sub/last.txt"), "last");
        EXPECT_EQ(ReadWholeFile(out + "/t/sub/ok"), "data");
        EXPECT_EQ(ReadWholeFile(out + "/t/sub/round"), "data");
        EXPECT_EQ(QFile::symLinkTarget(NameFromBytes(out + "/t/folder")),
                  NameFromBytes(out + "/t/sub"));
        EXPECT_TRUE(S_ISLNK(Lstat(out + "/t/sub/parent").st_mode));
    }
}

TEST_F(ArchiveExtractorTest, EntriesNearTheEndOfALargeArchiveCostOnePass) {
    std::vector<ModeEntry> entries;
    for (int i = 0; i < 3000; ++i)
        entries.push_back({"d/f" + QByteArray::number(i), QByteArray::number(i), AE_IFREG, 0644});
    ASSERT_TRUE(WriteModes(dir.Join("many.zip"), "zip", "none", entries));
    auto index = Index("many.zip");
    ASSERT_TRUE(index);
    const QByteArray out = Out("out");
    const ArchiveReadCounts before = ArchiveReadCounters();
    ArchiveExtractor extractor(index);
    // Asked for in an order unlike the archive's.
    for (int i = 2999; i >= 2980; --i) extractor.Add(NodeOf(*index, "d/f" + QByteArray::number(i)));
    EXPECT_EQ(extractor.TotalItems(), 20u);
    const auto done = extractor.Run(out);
    EXPECT_EQ(done.size(), 20u);
    EXPECT_EQ(ArchiveReadCounters().streamOpens - before.streamOpens, 1);
    EXPECT_EQ(ReadWholeFile(out + "/f2985"), "2985");
}

TEST_F(ArchiveExtractorTest, DamagedLyingAndChangedArchivesFailTheirItemsWithAReason) {
    // Truncated in the middle of a large entry: what lies before it arrives,
    // the entry and its folder do not, and no partial file stays.
    const QByteArray big(300000, 'b');
    ASSERT_TRUE(WriteModes(dir.Join("cut.tar"), "pax", "none",
                           {{"a.txt", "a"}, {"dir/big.bin", big}, {"dir/z.txt", "z"}}));
    QByteArray whole = ReadWholeFile(dir.Join("cut.tar"));
    ASSERT_TRUE(WriteWholeFile(dir.Join("cut.tar"), whole.left(whole.size() / 2)));
    auto cut = Index("cut.tar");
    ASSERT_TRUE(cut);
    ASSERT_GE(NodeOf(*cut, "dir/big.bin"), 0);
    QByteArray out = Out("cut");
    ArchiveExtractor fromCut(cut);
    fromCut.Add(NodeOf(*cut, "a.txt"));
    fromCut.Add(NodeOf(*cut, "dir"));
    EXPECT_EQ(fromCut.Run(out), std::vector<QByteArray>{out + "/a.txt"});
    ASSERT_FALSE(fromCut.Errors().isEmpty());
    EXPECT_TRUE(fromCut.Errors().join('\n').contains(QStringLiteral("big.bin")));
    EXPECT_FALSE(QFile::exists(NameFromBytes(out + "/dir/big.bin"))) << "no shortened copy";

    // A zip whose sizes lie, both ways, and a bomb that says it is small.
    struct Case {
        const char* name;
        QByteArray contents;
        std::uint32_t lie;
    };
    for (const Case& c : {Case{"short.zip", QByteArray(1000, 'A'), 100},
                          Case{"long.zip", QByteArray(1000, 'A'), 5000},
                          Case{"bomb.zip", QByteArray(20 << 20, '\0'), 1000}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteTestArchive(dir.Join(c.name), "zip", "none", {{"x.bin", c.contents}},
                                     c.lie == 1000 ? nullptr : "zip:compression=store"));
        ASSERT_GE(PatchZipUncompressedSizes(dir.Join(c.name), c.lie), 2);
        auto index = Index(c.name);
        ASSERT_TRUE(index);
        out = Out(QByteArray("out-") + c.name);
        ArchiveExtractor extractor(index);
        extractor.Add(NodeOf(*index, "x.bin"));
        EXPECT_TRUE(extractor.Run(out).empty());
        EXPECT_EQ(extractor.Errors().size(), 1) << extractor.Errors().join('\n').toStdString();
        EXPECT_TRUE(Tree(NameFromBytes(out)).isEmpty());
    }

    // Changed on disk since it was indexed: nothing is taken from the new
    // file under the old index.
    ASSERT_TRUE(WriteModes(dir.Join("changing.zip"), "zip", "none", {{"c.txt", "first"}}));
    auto before = Index("changing.zip");
    ASSERT_TRUE(before);
    ASSERT_TRUE(WriteModes(dir.Join("changing.zip"), "zip", "none",
                           {{"c.txt", "second, longer", AE_IFREG, 0644, kTime + 1}}));
    out = Out("changed");
    ArchiveExtractor stale(before);
    stale.Add(NodeOf(*before, "c.txt"));
    EXPECT_TRUE(stale.Run(out).empty());
    EXPECT_TRUE(stale.Errors().join('\n').contains(QStringLiteral("changed")));
}

TEST_F(ArchiveExtractorTest, StoppingLeavesNoPartialItems) {
    ASSERT_TRUE(WriteModes(dir.Join("two.tar"), "pax", "none",
                           {{"one/a.bin", QByteArray(3 << 20, 'a')},
                            {"one/b.bin", QByteArray(3 << 20, 'b')},
                            {"two.txt", "two"}}));
    auto index = Index("two.tar");
    ASSERT_TRUE(index);
    const QByteArray out = Out("out");
    ArchiveExtractor extractor(index);
    extractor.Add(NodeOf(*index, "one"));
    extractor.Add(NodeOf(*index, "two.txt"));
    EXPECT_EQ(extractor.TotalBytes(), std::uint64_t(6 << 20) + 3);
    // Stopped after the first block of data.
    const auto done =
        extractor.Run(out, [](const QByteArray&, std::uint64_t bytes) { return bytes == 0; });
    EXPECT_TRUE(extractor.Stopped());
    EXPECT_TRUE(done.empty());
    EXPECT_TRUE(extractor.Errors().isEmpty()) << "stopping is the user's choice, not an error";
    EXPECT_FALSE(QFile::exists(NameFromBytes(out + "/one/a.bin")));
}

TEST(ArchiveExtractLimitTest, TheRefusalNamesTheSizeAndTheSetting) {
    const QString text = OverExtractLimitText(5 << 20, 262144);
    EXPECT_TRUE(text.startsWith(kTooLargeToViewText));
    EXPECT_TRUE(text.contains(QStringLiteral("\"nMaxExtractSize\"")));
    EXPECT_TRUE(text.contains(QLocale::system().formattedDataSize(5 << 20)));
}

}  // namespace
