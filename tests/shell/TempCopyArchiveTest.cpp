// Temporary copies of entries of real archives, made by the folder items a
// pane holds.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QRandomGenerator>
#include <list>

#include "ShellFixture.h"
#include "platform/archive/ArchiveFolder.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/FolderItemOwner.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

QByteArray RandomBytes(int n) {
    QByteArray bytes(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i) bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// Every file and folder below `root`, relative to it, names decoded
// losslessly (some are not UTF-8).
QStringList TreeOf(const QString& root) {
    QStringList names;
    DIR* dir = ::opendir(NameToBytes(root).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray n(entry->d_name);
        if (n == "." || n == "..")
            continue;
        const QString name = NameFromBytes(n);
        names << name;
        struct stat st;
        if (::lstat(NameToBytes(root + "/" + name).constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            for (const QString& below : TreeOf(root + "/" + name)) names << name + "/" + below;
        }
    }
    ::closedir(dir);
    names.sort();
    return names;
}

// A sandbox holds both the folder of the archives ("work") and the
// temporary folder ("tmp"), so the test sees everything written next to
// either of them.
class Sandbox {
public:
    Sandbox(TestDir& root, const QByteArray& name) : m_root(root), m_name(name) {
        root.MakeFolder(name);
    }
    QString Path() const { return NameFromBytes(PathBytes()); }
    QByteArray PathBytes() const { return m_root.Join(m_name); }
    QByteArray Join(const QByteArray& relative) const { return PathBytes() + "/" + relative; }

private:
    TestDir& m_root;
    QByteArray m_name;
};

class TempCopyArchiveTest : public RealShellTest {
protected:
    TempCopyArchiveTest() : m_savedTemp(qgetenv("TMPDIR")), m_saved(General()) {
        qputenv("TMPDIR", temp.PathBytes());
        MutableGeneral().maxExtractSize = 256 * 1024;
        ForgetArchiveIndexes();
    }
    ~TempCopyArchiveTest() override {
        items.clear();
        owner.reset();
        ForgetArchiveIndexes();
        MutableGeneral() = m_saved;
        if (m_savedTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_savedTemp);
    }

    // Opens the archive as the pane does: bound through the namespace, an
    // archive-like folder made a descriptor folder, every entry made an
    // item that reads its descriptor.
    bool Open(const QByteArray& name, const QByteArray& inner = {}) {
        items.clear();
        const QByteArray path = work.Join(name) + (inner.isEmpty() ? "" : "/" + inner);
        owner = BoundFolder::Bind(ParsePath(NameFromBytes(path)));
        if (!owner)
            return false;
        std::uint32_t kind = owner->OwnerAttributes();
        if ((kind & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_BROWSABLE)) ==
            (SFGAO_FOLDER | SFGAO_BROWSABLE)) {
            kind &= ~std::uint32_t(SFGAO_FILESYSTEM);
        }
        owner->SetAttributes(kind);
        auto e = owner->OwnerShellFolder().EnumObjects(kAll);
        if (!e)
            return false;
        IdList id;
        while (e->Next(id) == EnumIdList::Result::Item) {
            items.emplace_back();
            if (!items.back().Init(*owner, id))
                items.pop_back();
        }
        for (FolderItem& item : items) item.ReadDescriptor();
        return IsDescriptorFolder(owner->OwnerAttributes());
    }

    FolderItem* Item(const QString& name) {
        for (FolderItem& item : items) {
            if (item.name == name)
                return &item;
        }
        ADD_FAILURE() << "no item " << name.toStdString();
        return nullptr;
    }

    QStringList TempCopies() const {
        QStringList copies;
        for (const QString& name : TreeOf(temp.Path())) {
            if (name.startsWith("CvTMP_"))
                copies << name;
        }
        return copies;
    }

    TestDir sandbox;
    Sandbox work{sandbox, "work"};
    Sandbox temp{sandbox, "tmp"};
    std::unique_ptr<BoundFolder> owner;
    std::list<FolderItem> items;

private:
    QByteArray m_savedTemp;
    GeneralSettings m_saved;
};

TEST_F(TempCopyArchiveTest, CopiesUpToTheLimitAndRefusesLargerItems) {
    const QByteArray small = RandomBytes(200000);
    const QByteArray exact = RandomBytes(256 * 1024);
    ASSERT_TRUE(WriteTestArchive(work.Join("pack.zip"), "zip", "none",
                                 {{"docs/small.bin", small},
                                  {"docs/exact.bin", exact},
                                  {"docs/large.bin", RandomBytes(300000)},
                                  {"docs/one-more.bin", RandomBytes(256 * 1024 + 1)}}));
    ASSERT_TRUE(Open("pack.zip", "docs"));
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(Item("small.bin")->size, 200000u);
    EXPECT_NE(Item("small.bin")->times[kTimeModified], 0u);
    EXPECT_EQ(Item("small.bin")->SizeText(), "200,000");

    QString why;
    const QString copy = Item("small.bin")->TempCopy(&why);
    ASSERT_FALSE(copy.isEmpty()) << why.toStdString();
    EXPECT_EQ(PathFolderPart(copy), temp.Path() + "/");
    EXPECT_TRUE(PathNamePart(copy).startsWith("CvTMP_"));
    EXPECT_TRUE(PathNamePart(copy).endsWith("_small.bin"));
    EXPECT_EQ(ReadWholeFile(NameToBytes(copy)), small);
    EXPECT_EQ(Item("small.bin")->ItemPath(), copy);  // the entry's path is its copy

    EXPECT_EQ(ReadWholeFile(NameToBytes(Item("exact.bin")->TempCopy())), exact);
    for (const char* name : {"large.bin", "one-more.bin"}) {
        why.clear();
        EXPECT_EQ(Item(name)->TempCopy(&why), "") << name;
        EXPECT_EQ(why, "This item is too large to be viewed") << name;
    }
    EXPECT_EQ(TempCopies().size(), 2);

    // The copies go with their items.
    items.clear();
    EXPECT_TRUE(TempCopies().isEmpty());
}

TEST_F(TempCopyArchiveTest, HostileEntriesNeverWriteOutsideTheTemporaryFolder) {
    const QByteArray outside = work.Join("outside");
    ASSERT_TRUE(WriteTestArchive(work.Join("hostile.tar"), "gnutar", "none",
                                 {{"../../../escape.txt", "escaped"},
                                  {"/etc/abs.txt", "absolute"},
                                  {"link", {}, TestEntry::Symlink, outside},
                                  {"link/through.txt", "through"},
                                  {"ctl\nname.txt", "control"},
                                  {"bad\xff.txt", "bytes"}}));
    const QStringList before = TreeOf(sandbox.Path());
    ASSERT_TRUE(Open("hostile.tar"));

    QString why;
    const QString escape = Item("escape.txt")->TempCopy(&why);
    ASSERT_FALSE(escape.isEmpty()) << why.toStdString();
    EXPECT_EQ(PathFolderPart(escape), temp.Path() + "/");
    EXPECT_EQ(ReadWholeFile(NameToBytes(escape)), "escaped");

    const QString control = Item(QString("ctl\nname.txt"))->TempCopy();
    EXPECT_TRUE(PathNamePart(control).endsWith("_ctlname.txt")) << control.toStdString();
    const QString odd = Item(NameFromBytes("bad\xff.txt"))->TempCopy(&why);
    EXPECT_FALSE(odd.isEmpty()) << why.toStdString();
    EXPECT_EQ(ReadWholeFile(NameToBytes(odd)), "bytes");

    // A link gives no copy and is never followed.
    FolderItem* link = Item("link");
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->attributes & SFGAO_LINK);
    why.clear();
    EXPECT_EQ(link->TempCopy(&why), "");
    EXPECT_FALSE(why.isEmpty());

    // The three copies are all that is new in the sandbox, and they lie
    // directly in the temporary folder.
    EXPECT_EQ(TempCopies().size(), 3);
    QStringList added;
    for (const QString& name : TreeOf(sandbox.Path())) {
        if (!before.contains(name))
            added << name;
    }
    EXPECT_EQ(added.size(), 3) << added.join(", ").toStdString();
    for (const QString& name : added)
        EXPECT_TRUE(name.startsWith("tmp/CvTMP_") && name.count('/') == 1) << name.toStdString();
    EXPECT_FALSE(QFile::exists(NameFromBytes(outside)));
    EXPECT_FALSE(QFile::exists("/etc/abs.txt"));
}

TEST_F(TempCopyArchiveTest, DamagedEntriesReportAndLeaveNoPartialCopy) {
    // A truncated archive: the entry that was cut can't be copied.
    const QByteArray big = RandomBytes(200000);
    ASSERT_TRUE(WriteTestArchive(work.Join("cut.tar.gz"), "pax", "gzip",
                                 {{"first.txt", "first"}, {"big.bin", big}, {"last.txt", "l"}}));
    const QByteArray whole = ReadWholeFile(work.Join("cut.tar.gz"));
    ASSERT_TRUE(WriteWholeFile(work.Join("cut.tar.gz"), whole.left(whole.size() / 2)));
    Open("cut.tar.gz");  // partly readable
    ASSERT_TRUE(IsDescriptorFolder(owner->OwnerAttributes()));
    EXPECT_EQ(ReadWholeFile(NameToBytes(Item("first.txt")->TempCopy())), "first");
    QString why;
    EXPECT_EQ(Item("big.bin")->TempCopy(&why), "");
    EXPECT_FALSE(why.isEmpty());
    EXPECT_NE(why, "This item is too large to be viewed");
    EXPECT_EQ(TempCopies().size(), 1);

    // Entries whose stated sizes lie, smaller or larger than their data.
    for (const std::uint32_t lie : {1000u, 100000u}) {
        SCOPED_TRACE(lie);
        const QByteArray name = "lie" + QByteArray::number(lie) + ".zip";
        ASSERT_TRUE(WriteTestArchive(work.Join(name), "zip", "none",
                                     {{"lie.bin", RandomBytes(50000)}}, "zip:compression=store"));
        ASSERT_GE(PatchZipUncompressedSizes(work.Join(name), lie), 2);
        ASSERT_TRUE(Open(name));
        FolderItem* liar = Item("lie.bin");
        ASSERT_TRUE(liar);
        EXPECT_EQ(liar->size, lie);
        why.clear();
        EXPECT_EQ(liar->TempCopy(&why), "");
        EXPECT_FALSE(why.isEmpty());
        EXPECT_TRUE(TempCopies().isEmpty());
    }

    // A bomb that claims to be small: stopped at its stated size, no copy.
    ASSERT_TRUE(WriteTestArchive(work.Join("bomb.zip"), "zip", "none",
                                 {{"zeros.bin", QByteArray(32 << 20, '\0')}}));
    ASSERT_GE(PatchZipUncompressedSizes(work.Join("bomb.zip"), 4096), 2);
    ASSERT_TRUE(Open("bomb.zip"));
    why.clear();
    EXPECT_EQ(Item("zeros.bin")->TempCopy(&why), "");
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(TempCopies().isEmpty());
}

TEST_F(TempCopyArchiveTest, OpeningReadsTheArchiveOnceAndCopiesReadOneEntry) {
    std::vector<TestEntry> entries;
    for (int i = 0; i < 30; ++i)
        entries.push_back({"dir/f" + QByteArray::number(i) + ".txt", QByteArray::number(i)});
    ASSERT_TRUE(WriteTestArchive(work.Join("count.tar.gz"), "pax", "gzip", entries));
    const ArchiveReadCounts before = ArchiveReadCounters();
    ASSERT_TRUE(Open("count.tar.gz", "dir"));
    EXPECT_EQ(items.size(), 30u);
    for (FolderItem& item : items) {
        item.Icon(false);
        item.SizeText();
        item.InfoTip();
    }
    ArchiveReadCounts after = ArchiveReadCounters();
    EXPECT_EQ(after.indexPasses - before.indexPasses, 1);
    EXPECT_EQ(after.streamOpens - before.streamOpens, 0);

    EXPECT_EQ(ReadWholeFile(NameToBytes(Item("f17.txt")->TempCopy())), "17");
    EXPECT_EQ(Item("f17.txt")->TempCopy(), Item("f17.txt")->tempCopy);  // made once
    after = ArchiveReadCounters();
    EXPECT_EQ(after.indexPasses - before.indexPasses, 1);
    EXPECT_EQ(after.streamOpens - before.streamOpens, 1);
}

}  // namespace
