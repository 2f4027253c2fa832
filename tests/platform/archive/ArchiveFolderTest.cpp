#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <map>

#include "platform/archive/ArchiveExtractor.h"
#include "platform/archive/ArchiveFolder.h"
#include "platform/archive/ArchiveStream.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/desktop/LinuxShell.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/fs/TempCopyFile.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/NameCodec.h"
#include "platform/shellui/ShellLaunch.h"
#include "support/LaunchViewer.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
constexpr std::int64_t kTime = 1600000000;

struct Listing {
    std::map<QByteArray, IdList> items;  // by in-folder name bytes
    EnumIdList::Result last = EnumIdList::Result::End;
};

Listing List(ShellFolder& folder, std::uint32_t flags = kAll) {
    Listing out;
    auto e = folder.EnumObjects(flags);
    if (!e)
        return out;
    IdList id;
    while ((out.last = e->Next(id)) == EnumIdList::Result::Item) {
        const QString name = folder.GetDisplayNameOf(id, SHGDN_INFOLDER).value_or(QString());
        out.items[NameToBytes(name)] = id;
    }
    return out;
}

std::vector<QByteArray> Names(const Listing& listing) {
    std::vector<QByteArray> names;
    for (const auto& [name, id] : listing.items) names.push_back(name);
    return names;
}

std::uint32_t Attributes(ShellFolder& folder, const IdList& id) {
    std::uint32_t bits = ~std::uint32_t(0);
    EXPECT_TRUE(folder.GetAttributesOf({&id, 1}, bits));
    return bits;
}

FileDescriptor Describe(ShellFolder& folder, const IdList& id) {
    auto data = folder.GetDataObject({&id, 1});
    EXPECT_TRUE(data);
    if (!data)
        return {};
    auto group = data->GetFileGroupDescriptor();
    EXPECT_TRUE(group && group->size() == 1);
    return group && !group->empty() ? group->front() : FileDescriptor{};
}

// Reads a whole stream in small blocks; `failed` tells whether a read
// answered -1 (the bytes before it are returned).
QByteArray ReadAll(QIODevice& stream, bool& failed, qint64 limit = qint64(1) << 30) {
    failed = false;
    QByteArray out;
    char block[4096];
    while (out.size() < limit) {
        const qint64 n = stream.read(block, sizeof block);
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        out.append(block, n);
    }
    return out;
}

std::unique_ptr<QIODevice> Contents(ShellFolder& folder, const IdList& id) {
    auto data = folder.GetDataObject({&id, 1});
    return data ? data->GetFileContents(0) : nullptr;
}

QByteArray RandomBytes(int n) {
    QByteArray bytes(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i) bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

class ArchiveFolderTest : public ::testing::Test {
protected:
    ArchiveFolderTest() {
        ForgetArchiveIndexes();
        CurrentArchiveLimits() = ArchiveLimits();
    }
    ~ArchiveFolderTest() override {
        ForgetArchiveIndexes();
        CurrentArchiveLimits() = ArchiveLimits();
    }

    // The archive `name` of the test folder, bound as its file-system
    // folder binds it.
    std::unique_ptr<ShellFolder> Bind(const QByteArray& name) {
        const IdList id = Folder().ItemIdOf(name);
        EXPECT_FALSE(id.IsNull()) << name.constData();
        return Folder().BindToObject(id);
    }
    FileSystemFolder& Folder() {
        if (!m_folder)
            m_folder = std::make_unique<FileSystemFolder>(dir.Path(), IdList::Empty());
        return *m_folder;
    }

    TestDir dir;

private:
    std::unique_ptr<FileSystemFolder> m_folder;
};

std::vector<TestEntry> BrowsingEntries() {
    return {
        {"docs/", {}, TestEntry::Folder, {}, kTime + 1},
        {"docs/read.me", "hello", TestEntry::File, {}, kTime + 2},
        {"docs/deep/x.bin", QByteArray(1000, 'x'), TestEntry::File, {}, kTime + 3},
        {"implied/a/b.txt", "b", TestEntry::File, {}, kTime + 4},
        {"top.txt", "top", TestEntry::File, {}, kTime + 5},
        {".hidden", "h", TestEntry::File, {}, kTime + 6},
    };
}

TEST_F(ArchiveFolderTest, ZipAndTarGzBrowseAsNestedFolders) {
    ASSERT_TRUE(WriteTestArchive(dir.Join("a.zip"), "zip", "none", BrowsingEntries()));
    ASSERT_TRUE(WriteTestArchive(dir.Join("b.tar.gz"), "pax", "gzip", BrowsingEntries()));
    for (const QByteArray& name : {QByteArray("a.zip"), QByteArray("b.tar.gz")}) {
        SCOPED_TRACE(name.constData());
        // The archive file is an archive-like folder of its directory.
        const IdList archiveId = Folder().ItemIdOf(name);
        const std::uint32_t outer = Attributes(Folder(), archiveId);
        EXPECT_EQ(outer & (SFGAO_FOLDER | SFGAO_BROWSABLE | SFGAO_FILESYSANCESTOR),
                  std::uint32_t(SFGAO_FOLDER | SFGAO_BROWSABLE));

        auto root = Bind(name);
        ASSERT_TRUE(root);
        Listing top = List(*root);
        EXPECT_EQ(top.last, EnumIdList::Result::End);
        EXPECT_EQ(Names(top), (std::vector<QByteArray>{".hidden", "docs", "implied", "top.txt"}));
        EXPECT_EQ(Names(List(*root, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)),
                  (std::vector<QByteArray>{"docs", "implied", "top.txt"}));
        EXPECT_EQ(Names(List(*root, SHCONTF_FOLDERS)),
                  (std::vector<QByteArray>{"docs", "implied"}));

        const IdList docs = top.items["docs"];
        const IdList topTxt = top.items["top.txt"];
        const std::uint32_t folderBits = Attributes(*root, docs);
        EXPECT_TRUE(folderBits & SFGAO_FOLDER);
        EXPECT_TRUE(folderBits & SFGAO_BROWSABLE);
        EXPECT_TRUE(folderBits & SFGAO_HASSUBFOLDER);
        EXPECT_FALSE(folderBits & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR));
        const std::uint32_t fileBits = Attributes(*root, topTxt);
        EXPECT_FALSE(fileBits & SFGAO_FOLDER);
        EXPECT_TRUE(fileBits & SFGAO_CANCOPY);
        EXPECT_TRUE(Attributes(*root, top.items[".hidden"]) & SFGAO_HIDDEN);

        // Entries describe themselves and give their contents.
        const FileDescriptor d = Describe(*root, topTxt);
        EXPECT_EQ(d.size, 3u);
        EXPECT_TRUE(d.flags & FD_FILESIZE);
        EXPECT_TRUE(d.flags & FD_WRITESTIME);
        EXPECT_EQ(d.times[kTimeModified], FileTimeFromTimespec(kTime + 5, 0));
        EXPECT_EQ(Describe(*root, docs).times[kTimeModified], FileTimeFromTimespec(kTime + 1, 0));
        auto stream = Contents(*root, topTxt);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(stream->open(QIODevice::ReadOnly));
        bool failed = true;
        EXPECT_EQ(ReadAll(*stream, failed), "top");
        EXPECT_FALSE(failed);
        EXPECT_FALSE(Contents(*root, docs));  // a folder has no contents

        // Sub-folders, made ones and implied ones.
        auto docsFolder = root->BindToObject(docs);
        ASSERT_TRUE(docsFolder);
        Listing inDocs = List(*docsFolder);
        EXPECT_EQ(Names(inDocs), (std::vector<QByteArray>{"deep", "read.me"}));
        EXPECT_EQ(Describe(*docsFolder, inDocs.items["read.me"]).size, 5u);
        auto deep = docsFolder->BindToObject(inDocs.items["deep"]);
        ASSERT_TRUE(deep);
        EXPECT_EQ(Describe(*deep, List(*deep).items["x.bin"]).size, 1000u);
        auto implied = root->BindToObject(top.items["implied"]);
        ASSERT_TRUE(implied);
        Listing inImplied = List(*implied);
        EXPECT_EQ(Names(inImplied), (std::vector<QByteArray>{"a"}));
        EXPECT_FALSE(Describe(*root, top.items["implied"]).flags & FD_WRITESTIME);
        auto a = implied->BindToObject(inImplied.items["a"]);
        ASSERT_TRUE(a);
        EXPECT_EQ(Names(List(*a)), (std::vector<QByteArray>{"b.txt"}));
        EXPECT_FALSE(root->BindToObject(topTxt));  // a file is no folder

        // Names: parsing names continue the archive's path and parse back.
        const QString archivePath = NameFromBytes(dir.Join(name));
        EXPECT_EQ(docsFolder->GetDisplayNameOf(IdList::Empty(), SHGDN_FORPARSING),
                  archivePath + "/docs");
        const IdList parsed = root->ParseDisplayName("docs/deep/x.bin");
        ASSERT_EQ(parsed.Count(), 3);
        EXPECT_EQ(root->GetDisplayNameOf(parsed, SHGDN_FORPARSING),
                  archivePath + "/docs/deep/x.bin");
        EXPECT_TRUE(root->ParseDisplayName("docs/../top.txt").IsNull());
        EXPECT_TRUE(root->ParseDisplayName("docs/nothing").IsNull());

        // The file-system folder parses and binds through the archive.
        const IdList through = Folder().ParseDisplayName(NameFromBytes(name + "/docs/read.me"));
        ASSERT_EQ(through.Count(), 3);
        auto docsAgain = Folder().BindToObject(through.Prefix(2));
        ASSERT_TRUE(docsAgain);
        EXPECT_EQ(Names(List(*docsAgain)), Names(inDocs));
        EXPECT_EQ(Folder().CompareIDs(
                      0, through, Folder().ParseDisplayName(NameFromBytes(name + "/docs/read.me"))),
                  0);

        // Folders sort first; an id equals itself.
        EXPECT_LT(root->CompareIDs(0, docs, topTxt), 0);
        EXPECT_GT(root->CompareIDs(0, topTxt, docs), 0);
        EXPECT_EQ(root->CompareIDs(0, topTxt, top.items["top.txt"]), 0);
    }
}

TEST_F(ArchiveFolderTest, TheRealNamespaceReachesFoldersInsideArchives) {
    ASSERT_TRUE(WriteTestArchive(dir.Join("c.zip"), "zip", "none", BrowsingEntries()));
    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();
    const QString inside = NameFromBytes(dir.Join("c.zip/docs"));
    const IdList absolute = desktop->ParseDisplayName(inside);
    ASSERT_FALSE(absolute.IsNull());
    auto docs = desktop->BindToObject(absolute);
    ASSERT_TRUE(docs);
    EXPECT_EQ(Names(List(*docs)), (std::vector<QByteArray>{"deep", "read.me"}));
    EXPECT_EQ(desktop->GetDisplayNameOf(absolute, SHGDN_FORPARSING), inside);
    // Asked of its parent, as the folder model asks for attributes.
    auto parent = desktop->BindToObject(absolute.Trim(1));
    ASSERT_TRUE(parent);
    const IdList last = absolute.Last();
    std::uint32_t bits = ~std::uint32_t(0);
    ASSERT_TRUE(parent->GetAttributesOf({&last, 1}, bits));
    EXPECT_EQ(bits & (SFGAO_FOLDER | SFGAO_BROWSABLE | SFGAO_FILESYSANCESTOR | SFGAO_FILESYSTEM),
              std::uint32_t(SFGAO_FOLDER | SFGAO_BROWSABLE));
}

TEST_F(ArchiveFolderTest, AnArchiveIsIndexedOnceAndAgainOnlyWhenItChanges) {
    ASSERT_TRUE(WriteTestArchive(dir.Join("once.zip"), "zip", "none", BrowsingEntries()));
    const ArchiveReadCounts before = ArchiveReadCounters();
    auto root = Bind("once.zip");
    ASSERT_TRUE(root);
    // Everything a pane does on opening: names, attributes, descriptors,
    // sub-folders bound again from the directory.
    Listing top = List(*root);
    for (const auto& [name, id] : top.items) {
        Attributes(*root, id);
        Describe(*root, id);
        root->GetDisplayNameOf(id, SHGDN_FORPARSING);
    }
    auto again = Folder().BindToObject(Folder().ParseDisplayName("once.zip/docs"));
    ASSERT_TRUE(again);
    List(*again);
    std::uint32_t validate = SFGAO_VALIDATE;
    EXPECT_TRUE(root->GetAttributesOf({}, validate));
    ArchiveReadCounts after = ArchiveReadCounters();
    EXPECT_EQ(after.indexPasses - before.indexPasses, 1);
    EXPECT_EQ(after.streamOpens - before.streamOpens, 0);

    // Changed on disk: the folder reads it again when validated.
    std::vector<TestEntry> more = BrowsingEntries();
    more.push_back({"new.txt", "new contents"});
    ASSERT_TRUE(WriteTestArchive(dir.Join("once.zip"), "zip", "none", more));
    ASSERT_EQ(::utime(dir.Join("once.zip").constData(), nullptr), 0);
    EXPECT_TRUE(root->GetAttributesOf({}, validate));
    EXPECT_TRUE(List(*root).items.count("new.txt"));
    after = ArchiveReadCounters();
    EXPECT_EQ(after.indexPasses - before.indexPasses, 2);

    // A stream of an index that no longer matches the file refuses.
    ArchiveStream stale(std::static_pointer_cast<const ArchiveIndex>(
                            static_cast<ArchiveFolder&>(*again).SharedIndex()),
                        static_cast<ArchiveFolder&>(*again).Resolve(List(*again).items["read.me"]));
    EXPECT_FALSE(stale.open(QIODevice::ReadOnly));
    EXPECT_FALSE(stale.errorString().isEmpty());
}

TEST_F(ArchiveFolderTest, HostileNamesAndLinksStayInsideTheArchive) {
    const QByteArray outside = dir.Join("outside");
    const std::vector<TestEntry> entries = {
        {"../../escape.txt", "e"},
        {"/abs/x.txt", "x"},
        {"a/../b.txt", "b"},
        {"evil", {}, TestEntry::Symlink, outside},
        {"evil/passwd", "through the link"},
        {"new\nline.txt", "n"},
        {"bad\xff.txt", "i"},
        {"plain.txt", "plain"},
        {"hard", {}, TestEntry::Hardlink, "plain.txt"},
    };
    ASSERT_TRUE(WriteTestArchive(dir.Join("hostile.tar"), "gnutar", "none", entries));
    auto root = Bind("hostile.tar");
    ASSERT_TRUE(root);
    Listing top = List(*root);
    EXPECT_EQ(Names(top), (std::vector<QByteArray>{"a", "abs", "bad\xff.txt", "escape.txt", "evil",
                                                   "hard", "new\nline.txt", "plain.txt"}));
    // The entry through the link was left out, and the listing says so.
    EXPECT_EQ(top.last, EnumIdList::Result::Error);
    const ArchiveIndex& index = static_cast<ArchiveFolder&>(*root).Index();
    EXPECT_EQ(index.Dropped(), 1);
    EXPECT_FALSE(index.Problem().isEmpty());

    auto a = root->BindToObject(top.items["a"]);
    ASSERT_TRUE(a);
    EXPECT_EQ(Names(List(*a)), (std::vector<QByteArray>{"b.txt"}));
    auto abs = root->BindToObject(top.items["abs"]);
    ASSERT_TRUE(abs);
    EXPECT_EQ(Names(List(*abs)), (std::vector<QByteArray>{"x.txt"}));

    // Links are listed as links and never give contents nor a folder.
    for (const char* link : {"evil", "hard"}) {
        const std::uint32_t bits = Attributes(*root, top.items[link]);
        EXPECT_TRUE(bits & SFGAO_LINK) << link;
        EXPECT_FALSE(bits & (SFGAO_FOLDER | SFGAO_CANCOPY)) << link;
        EXPECT_FALSE(root->BindToObject(top.items[link])) << link;
        EXPECT_FALSE(Contents(*root, top.items[link])) << link;
    }
    EXPECT_TRUE(root->GetInfoTip(top.items["evil"])->contains(NameFromBytes(outside)));

    // Odd names are kept exactly and read as any other.
    EXPECT_EQ(NameToBytes(*root->GetDisplayNameOf(top.items["bad\xff.txt"], SHGDN_INFOLDER)),
              "bad\xff.txt");
    auto stream = Contents(*root, top.items["new\nline.txt"]);
    ASSERT_TRUE(stream && stream->open(QIODevice::ReadOnly));
    bool failed = true;
    EXPECT_EQ(ReadAll(*stream, failed), "n");
    EXPECT_FALSE(failed);
    EXPECT_FALSE(QFile::exists(NameFromBytes(outside)));
}

TEST_F(ArchiveFolderTest, DamagedAndLyingArchivesGiveErrorsNotData) {
    // Not an archive at all.
    ASSERT_TRUE(dir.MakeFile("fake.zip", "just some text, not a zip"));
    EXPECT_FALSE(Bind("fake.zip"));
    EXPECT_FALSE(LastArchiveError().isEmpty());

    // Truncated: what the part that is there lists, the rest fails.
    const QByteArray big = RandomBytes(200000);
    ASSERT_TRUE(WriteTestArchive(
        dir.Join("cut.tar.gz"), "pax", "gzip",
        {{"first.txt", QByteArray(100, 'f')}, {"big.bin", big}, {"last.txt", "l"}}));
    QByteArray whole = ReadWholeFile(dir.Join("cut.tar.gz"));
    ASSERT_TRUE(WriteWholeFile(dir.Join("cut.tar.gz"), whole.left(whole.size() * 6 / 10)));
    auto cut = Bind("cut.tar.gz");
    ASSERT_TRUE(cut);
    Listing cutList = List(*cut);
    EXPECT_EQ(cutList.last, EnumIdList::Result::Error);
    EXPECT_FALSE(cutList.items.count("last.txt"));
    ASSERT_TRUE(cutList.items.count("big.bin"));
    auto cutStream = Contents(*cut, cutList.items["big.bin"]);
    ASSERT_TRUE(cutStream);
    bool failed = false;
    if (cutStream->open(QIODevice::ReadOnly)) {
        const QByteArray got = ReadAll(*cutStream, failed);
        EXPECT_TRUE(failed);
        EXPECT_LT(got.size(), big.size());
    }
    EXPECT_FALSE(cutStream->errorString().isEmpty());

    // Sizes that lie, either way: no read completes the entry.
    for (const std::uint32_t lie : {100u, 5000u}) {
        SCOPED_TRACE(lie);
        const QByteArray name = "lie" + QByteArray::number(lie) + ".zip";
        ASSERT_TRUE(WriteTestArchive(dir.Join(name), "zip", "none",
                                     {{"lie.txt", QByteArray(1000, 'A')}},
                                     "zip:compression=store"));
        ASSERT_GE(PatchZipUncompressedSizes(dir.Join(name), lie), 2);
        auto liar = Bind(name);
        ASSERT_TRUE(liar);
        const IdList id = List(*liar).items["lie.txt"];
        EXPECT_EQ(Describe(*liar, id).size, lie);
        auto stream = Contents(*liar, id);
        ASSERT_TRUE(stream);
        if (stream->open(QIODevice::ReadOnly)) {
            const QByteArray got = ReadAll(*stream, failed);
            EXPECT_TRUE(failed);
            EXPECT_LT(got.size(), qsizetype(lie));
        }
        EXPECT_FALSE(stream->errorString().isEmpty());
    }

    // A bomb: a small entry that says it is small and expands hugely stops
    // at its stated size with an error.
    ASSERT_TRUE(WriteTestArchive(dir.Join("bomb.zip"), "zip", "none",
                                 {{"zeros.bin", QByteArray(20 << 20, '\0')}}));
    EXPECT_LT(ReadWholeFile(dir.Join("bomb.zip")).size(), 1 << 20);
    ASSERT_GE(PatchZipUncompressedSizes(dir.Join("bomb.zip"), 1000), 2);
    auto bomb = Bind("bomb.zip");
    ASSERT_TRUE(bomb);
    auto bombStream = Contents(*bomb, List(*bomb).items["zeros.bin"]);
    ASSERT_TRUE(bombStream);
    if (bombStream->open(QIODevice::ReadOnly)) {
        EXPECT_LE(ReadAll(*bombStream, failed).size(), 1000);
        EXPECT_TRUE(failed);
    }
}

TEST_F(ArchiveFolderTest, HonestHugeEntriesStreamAndBombsStopTheIndex) {
    // An honest entry of 8 MiB streams in blocks to its exact size.
    ASSERT_TRUE(WriteTestArchive(dir.Join("zeros.zip"), "zip", "none",
                                 {{"zeros.bin", QByteArray(8 << 20, '\0')}}));
    auto zeros = Bind("zeros.zip");
    ASSERT_TRUE(zeros);
    auto stream = Contents(*zeros, List(*zeros).items["zeros.bin"]);
    ASSERT_TRUE(stream && stream->open(QIODevice::ReadOnly));
    bool failed = true;
    EXPECT_EQ(ReadAll(*stream, failed).size(), 8 << 20);
    EXPECT_FALSE(failed);

    // Skipping through an entry that expands beyond the budget stops the
    // index there, with a notice.
    CurrentArchiveLimits().expansionRatio = 2;
    CurrentArchiveLimits().expansionSlack = 1 << 20;
    ASSERT_TRUE(WriteTestArchive(dir.Join("bomb.tar.gz"), "pax", "gzip",
                                 {{"zeros.bin", QByteArray(8 << 20, '\0')}, {"after.txt", "a"}}));
    auto bomb = Bind("bomb.tar.gz");
    ASSERT_TRUE(bomb);
    Listing listing = List(*bomb);
    EXPECT_EQ(listing.last, EnumIdList::Result::Error);
    EXPECT_FALSE(listing.items.count("after.txt"));
    EXPECT_TRUE(static_cast<ArchiveFolder&>(*bomb).Index().Problem().contains("bomb"));

    // Very many entries: the index keeps to its limit.
    CurrentArchiveLimits() = ArchiveLimits();
    CurrentArchiveLimits().maxEntries = 50;
    std::vector<TestEntry> many;
    for (int i = 0; i < 200; ++i) many.push_back({"f" + QByteArray::number(i), "x"});
    ASSERT_TRUE(WriteTestArchive(dir.Join("many.zip"), "zip", "none", many));
    auto manyFolder = Bind("many.zip");
    ASSERT_TRUE(manyFolder);
    Listing manyList = List(*manyFolder);
    EXPECT_LT(manyList.items.size(), 50u);
    EXPECT_GT(manyList.items.size(), 40u);
    EXPECT_EQ(manyList.last, EnumIdList::Result::Error);
    EXPECT_TRUE(static_cast<ArchiveFolder&>(*manyFolder).Index().Problem().contains("too many"));
}

}  // namespace

namespace {

const auto* const kApps = ::testing::AddGlobalTestEnvironment(new LaunchViewerEnvironment);

// Where the text viewer (for text/plain) writes the path it was given: its
// Exec line names the mark.
QByteArray ViewerMark() {
    QFile entry(NameFromBytes(XdgDataHome() + "/applications/corvane-launch-viewer.desktop"));
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = entry.readAll();
    const qsizetype start = text.indexOf("> ");
    const qsizetype end = text.indexOf(".tmp", start);
    return start < 0 || end < 0 ? QByteArray() : text.mid(start + 2, end - start - 2);
}

QStringList TempCopiesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("CvTMP_*")}, QDir::Files | QDir::Hidden);
}

QStringList MenuVerbs(ShellContextMenu& menu) {
    std::vector<ContextMenuEntry> entries;
    menu.QueryContextMenu(entries, 1, 100, CMF_NORMAL);
    QStringList verbs;
    for (const ContextMenuEntry& e : entries) verbs << (e.id ? e.verb : QStringLiteral("-"));
    return verbs;
}

}  // namespace

TEST_F(ArchiveFolderTest, MenuOpensFilesThroughPrivateTemporaryCopies) {
    ASSERT_TRUE(WriteTestArchive(dir.Join("m.zip"), "zip", "none",
                                 {{"docs/note.txt", "hello\n", TestEntry::File, {}, kTime + 2},
                                  {"docs/big.txt", QByteArray(300000, 'b')},
                                  {"top.txt", "top"}}));
    ASSERT_TRUE(dir.MakeFolder("tmp"));
    // TMPDIR points into the test folder for the test's time only.
    struct TempDirGuard {
        QByteArray saved = qgetenv("TMPDIR");
        ~TempDirGuard() {
            if (saved.isNull())
                qunsetenv("TMPDIR");
            else
                qputenv("TMPDIR", saved);
            SetMaxExtractSizeSource({});
            DeleteKeptTempCopies();
        }
    } guard;
    qputenv("TMPDIR", dir.Join("tmp"));
    const QString temp = NameFromBytes(dir.Join("tmp"));

    auto root = Bind("m.zip");
    ASSERT_TRUE(root);
    const IdList docs = root->ParseDisplayName("docs");
    const IdList note = root->ParseDisplayName("docs/note.txt");
    const IdList big = root->ParseDisplayName("docs/big.txt");
    ASSERT_FALSE(note.IsNull());
    ASSERT_EQ(note.Count(), 2);

    // The id alone gives the find data: size and times of files, none for
    // folders.
    const auto found = root->GetFindData(note);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "note.txt");
    EXPECT_TRUE(S_ISREG(found->mode));
    EXPECT_EQ(found->size, 6u);
    EXPECT_EQ(found->times[kTimeModified], FileTimeFromTimespec(kTime + 2, 0));
    const auto folderData = root->GetFindData(docs);
    ASSERT_TRUE(folderData);
    EXPECT_TRUE(S_ISDIR(folderData->mode));
    EXPECT_EQ(folderData->size, 0u);

    // A folder's "open" is the program's (it enters the folder).
    auto folderMenu = root->GetContextMenu({&docs, 1});
    ASSERT_TRUE(folderMenu);
    EXPECT_EQ(MenuVerbs(*folderMenu), (QStringList{"open", "-", "copy", "-", "properties"}));
    EXPECT_FALSE(folderMenu->InvokeVerb("open", {}));
    EXPECT_TRUE(TempCopiesIn(temp).isEmpty());

    // A file opens with its default application through a copy that only
    // this user can read, named by the entry's last component.
    const QByteArray mark = ViewerMark();
    ASSERT_FALSE(mark.isEmpty()) << "the launch tests' viewer is not installed";
    ::unlink(mark.constData());
    auto fileMenu = root->GetContextMenu({&note, 1});
    ASSERT_TRUE(fileMenu);
    QString error;
    InvokeContext context;
    context.errorText = &error;
    ASSERT_TRUE(fileMenu->InvokeVerb("open", context)) << error.toStdString();
    const QStringList copies = TempCopiesIn(temp);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(copies[0].endsWith("_note.txt")) << copies[0].toStdString();
    const QByteArray copy = NameToBytes(temp + "/" + copies[0]);
    struct stat st;
    ASSERT_EQ(::stat(copy.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    QFile copied(NameFromBytes(copy));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), "hello\n");
    ASSERT_TRUE(WaitForFile(mark));
    QFile marked(NameFromBytes(mark));
    ASSERT_TRUE(marked.open(QIODevice::ReadOnly));
    EXPECT_EQ(marked.readAll().trimmed(), copy);

    // Too large for the limit: refused with the notice, no file made; the
    // limit is the program's setting when one is installed.
    auto bigMenu = root->GetContextMenu({&big, 1});
    ASSERT_TRUE(bigMenu);
    error.clear();
    EXPECT_FALSE(bigMenu->InvokeVerb("open", context));
    EXPECT_TRUE(error.startsWith(kTooLargeToViewText)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("over the limit of \"nMaxExtractSize\"")))
        << error.toStdString();
    SetMaxExtractSizeSource([] { return std::uint64_t(5); });
    error.clear();
    EXPECT_FALSE(fileMenu->InvokeVerb("open", context));
    EXPECT_EQ(error, OverExtractLimitText(6, 5));
    SetMaxExtractSizeSource({});
    EXPECT_EQ(TempCopiesIn(temp).size(), 1);

    // Kept copies go at exit (or when asked); items of other folders get
    // no menu here.
    EXPECT_EQ(DeleteKeptTempCopies(), 1);
    EXPECT_TRUE(TempCopiesIn(temp).isEmpty());
    const IdList stranger = Folder().ItemIdOf("m.zip");
    EXPECT_FALSE(root->GetContextMenu({&stranger, 1}));
    EXPECT_FALSE(root->GetContextMenu({}));

    // Launching an entry (its path is no file) takes the menu's default:
    // the same private copy, opened with the default application; a folder
    // entry has nothing to open.
    ::unlink(mark.constData());
    error.clear();
    EXPECT_TRUE(InvokeDefaultCommand(*root, note, &error)) << error.toStdString();
    ASSERT_EQ(TempCopiesIn(temp).size(), 1);
    ASSERT_TRUE(WaitForFile(mark));
    EXPECT_FALSE(InvokeDefaultCommand(*root, docs, &error));
    EXPECT_EQ(DeleteKeptTempCopies(), 1);
}
