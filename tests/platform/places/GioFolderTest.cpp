// A remote folder without a local path, browsed and changed through GIO:
// here GIO's local backend over temporary folders ("file://" URIs) stands
// in for the server, which exercises the same calls (enumerate, copy,
// move, delete, make directory, set display name) without a network.
// The disk is checked after each operation, as a user would find it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <set>

#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/places/GioFolder.h"
#include "platform/remote/GioOperation.h"
#include "platform/remote/GioTempCopy.h"
#include "platform/ui/Prompter.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

// GIO's local backend only: no session bus, no daemon.
const bool kLocalVfs = qputenv("GIO_USE_VFS", "local");

// The answers of the engine's questions, by their place.
constexpr int kConflictOverwrite = 0;
constexpr int kConflictSkip = 2;
constexpr int kConflictKeepBoth = 4;
constexpr int kErrorSkip = 1;
constexpr int kNoTrashDelete = 0;
constexpr int kNoTrashSkip = 2;

class GioFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kLocalVfs);
        auto prompter = std::make_unique<ScriptedPrompter>();
        m_prompter = prompter.get();
        m_previous = InstallPrompter(std::move(prompter));
    }
    void TearDown() override { InstallPrompter(std::move(m_previous)); }

    static QString UriOf(const TestDir& dir, const QByteArray& relative = {}) {
        return GioUriOfPath(relative.isEmpty() ? dir.PathBytes() : dir.Join(relative));
    }

    // The names a listing through the folder gives.
    static std::set<QByteArray> Listed(GioFolder& folder) {
        std::set<QByteArray> names;
        std::unique_ptr<EnumIdList> items =
            folder.EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
        if (!items)
            return names;
        IdList id;
        while (items->Next(id) == EnumIdList::Result::Item) {
            if (auto data = DecodeFileSystemItem(id.ItemPayload(0)))
                names.insert(data->name);
        }
        return names;
    }

    // Entries of a folder whose names start with the copies' temporary
    // prefix: what a failed copy must never leave behind.
    static std::vector<QByteArray> Leftovers(const TestDir& dir, const QByteArray& folder = {}) {
        std::vector<QByteArray> out;
        const QDir listing(
            QString::fromUtf8(folder.isEmpty() ? dir.PathBytes() : dir.Join(folder)));
        for (const QString& name :
             listing.entryList(QDir::AllEntries | QDir::Hidden | QDir::System))
            if (name.startsWith(QLatin1String(".cvpart-")))
                out.push_back(name.toUtf8());
        return out;
    }

    static GioResult Run(GioRequest::Kind kind, QStringList sources, const QString& target = {},
                         const QByteArray& name = {}) {
        GioRequest request;
        request.kind = kind;
        request.sources = std::move(sources);
        request.target = target;
        request.name = name;
        return RunGioOperation(request, nullptr);
    }

    ScriptedPrompter* m_prompter = nullptr;
    std::unique_ptr<Prompter> m_previous;
};

}  // namespace

// The folder lists what GIO lists, names with spaces, a newline and bytes
// that are not UTF-8 included; its parsing names are URIs GIO opens as the
// very entries; a sub-folder binds and lists, a typed relative path and a
// URI below it parse to the same items; nothing of it claims a local path.
TEST_F(GioFolderTest, ListsNamesAndBindsLikeADirectory) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("two words.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("line\nbreak", "b"));
    ASSERT_TRUE(dir.MakeFile("bad-\xff-bytes", "c"));
    ASSERT_TRUE(dir.MakeFolder("sub dir"));
    ASSERT_TRUE(dir.MakeFile("sub dir/inner", "d"));
    ASSERT_TRUE(dir.MakeSymlink("link", "/nowhere/at/all"));

    GioFolder folder(UriOf(dir) + QStringLiteral("/"), IdList::Empty());
    EXPECT_EQ(folder.Uri(), UriOf(dir));  // one folder, with or without the slash
    EXPECT_EQ(Listed(folder), (std::set<QByteArray>{"two words.txt", "line\nbreak",
                                                    "bad-\xff-bytes", "sub dir", "link"}));

    FileSystemItemData bad;
    bad.name = "bad-\xff-bytes";
    bad.mode = S_IFREG | 0644;
    const IdList badId = FileSystemItemId(bad);
    const QString uri = folder.GetDisplayNameOf(badId, SHGDN_FORPARSING).value_or(QString());
    EXPECT_EQ(GioNameOfUri(uri), QByteArray("bad-\xff-bytes"));
    EXPECT_EQ(
        NameToBytes(folder.GetDisplayNameOf(badId, SHGDN_INFOLDER | SHGDN_FORPARSING).value()),
        QByteArray("bad-\xff-bytes"));
    std::uint32_t bits = SFGAO_FILESYSTEM | SFGAO_STREAM | SFGAO_CANRENAME | SFGAO_FOLDER;
    ASSERT_TRUE(folder.GetAttributesOf(std::span(&badId, 1), bits));
    EXPECT_EQ(bits, std::uint32_t(SFGAO_STREAM | SFGAO_CANRENAME));

    const IdList sub = folder.ParseDisplayName(QStringLiteral("sub dir"));
    ASSERT_FALSE(sub.IsNull());
    EXPECT_EQ(folder.ParseDisplayName(UriOf(dir, "sub dir")).ToByteArray(), sub.ToByteArray());
    EXPECT_TRUE(folder.ParseDisplayName(QStringLiteral("sub dir/../x")).IsNull());
    std::unique_ptr<ShellFolder> bound = folder.BindToObject(sub);
    ASSERT_TRUE(bound);
    auto* inner = dynamic_cast<GioFolder*>(bound.get());
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->Uri(), UriOf(dir, "sub dir"));
    EXPECT_EQ(Listed(*inner), (std::set<QByteArray>{"inner"}));
    // A file does not bind as a folder.
    EXPECT_FALSE(folder.BindToObject(badId));

    // Folders sort before files, as in a directory.
    EXPECT_LT(folder.CompareIDs(0, sub, badId), 0);
}

// A folder that vanished lists nothing and says why; so does an operation
// whose source went meanwhile, which asks (Skip) and leaves the rest done.
TEST_F(GioFolderTest, AVanishedFolderOrSourceIsToldAndNothingElseChanges) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("gone"));
    ASSERT_TRUE(dir.MakeFolder("target"));
    ASSERT_TRUE(dir.MakeFile("kept", "kept"));
    GioFolder folder(UriOf(dir, "gone"), IdList::Empty());
    ASSERT_EQ(::rmdir(dir.Join("gone").constData()), 0);
    int error = 0;
    EXPECT_FALSE(folder.OpenEntries(&error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(folder.EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS));

    m_prompter->AnswerChoice(kErrorSkip);
    const GioResult result = Run(GioRequest::Kind::Copy,
                                 {UriOf(dir, "missing"), UriOf(dir, "kept")}, UriOf(dir, "target"));
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(dir.Read("target/kept"), "kept");
    ASSERT_EQ(m_prompter->Requests().size(), 1) << m_prompter->Describe().toStdString();
    EXPECT_TRUE(m_prompter->Requests().front().text.contains(QLatin1String("missing")));
}

// Copy in and out keep bytes, odd names and times; a folder comes whole; no
// temporary stays; an existing target is asked about: Skip keeps it as it
// was, Keep both adds a copy beside it, Overwrite replaces it exactly (a
// shorter file over a longer one is the shorter one).
TEST_F(GioFolderTest, CopiesTreesAndAsksAboutExistingTargets) {
    TestDir local, remote;
    ASSERT_TRUE(local.MakeFolder("tree"));
    ASSERT_TRUE(local.MakeFile("tree/a file", "alpha", 1500000000));
    ASSERT_TRUE(local.MakeFile("tree/nl\nname", "newline"));
    ASSERT_TRUE(local.MakeFolder("tree/deeper"));
    ASSERT_TRUE(local.MakeFile("tree/deeper/\xfe\xfd", "bytes"));
    ASSERT_TRUE(local.MakeFile("short", "new"));

    // In: local to "remote".
    GioResult in = Run(GioRequest::Kind::Copy, {UriOf(local, "tree")}, UriOf(remote));
    EXPECT_EQ(in.done, 1);
    EXPECT_EQ(remote.Read("tree/a file"), "alpha");
    EXPECT_EQ(remote.Read("tree/nl\nname"), "newline");
    EXPECT_EQ(remote.Read("tree/deeper/\xfe\xfd"), "bytes");
    struct stat st {};
    ASSERT_EQ(::stat(remote.Join("tree/a file").constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_TRUE(Leftovers(remote, "tree").empty());

    // Out again, into a folder that holds a longer file of one name.
    TestDir back;
    ASSERT_TRUE(back.MakeFile("short", "the old, longer contents"));
    ASSERT_TRUE(remote.MakeFile("short", "new"));
    m_prompter->AnswerChoice(kConflictSkip);
    EXPECT_EQ(Run(GioRequest::Kind::Copy, {UriOf(remote, "short")}, UriOf(back)).skipped, 1);
    EXPECT_EQ(back.Read("short"), "the old, longer contents");

    m_prompter->AnswerChoice(kConflictKeepBoth);
    EXPECT_EQ(Run(GioRequest::Kind::Copy, {UriOf(remote, "short")}, UriOf(back)).done, 1);
    EXPECT_EQ(back.Read("short"), "the old, longer contents");
    EXPECT_EQ(back.Read("short (copy)"), "new");

    m_prompter->AnswerChoice(kConflictOverwrite);
    EXPECT_EQ(Run(GioRequest::Kind::Copy, {UriOf(remote, "short")}, UriOf(back)).done, 1);
    EXPECT_EQ(back.Read("short"), "new");
    EXPECT_TRUE(Leftovers(back).empty());
    EXPECT_TRUE(m_prompter->AllAnswered()) << m_prompter->Describe().toStdString();
}

// A copy that fails part way (a source whose reads fail once it is open)
// leaves nothing under the real name and no temporary; a file of that name
// that was to be replaced is left whole.
TEST_F(GioFolderTest, AFailedCopyLeavesNoPartialFile) {
    TestDir target;
    // /proc/self/mem opens, and then every read at its start fails.
    m_prompter->AnswerChoice(kErrorSkip);
    GioResult result = Run(GioRequest::Kind::Copy, {GioUriOfPath("/proc/self/mem")}, UriOf(target));
    EXPECT_EQ(result.done, 0);
    EXPECT_EQ(result.failed, 1);
    EXPECT_FALSE(target.Exists("mem"));
    EXPECT_TRUE(Leftovers(target).empty());

    ASSERT_TRUE(target.MakeFile("mem", "precious"));
    m_prompter->AnswerChoice(kConflictOverwrite).AnswerChoice(kErrorSkip);
    result = Run(GioRequest::Kind::Copy, {GioUriOfPath("/proc/self/mem")}, UriOf(target));
    EXPECT_EQ(result.done, 0);
    EXPECT_EQ(target.Read("mem"), "precious");
    EXPECT_TRUE(Leftovers(target).empty());
    EXPECT_TRUE(m_prompter->AllAnswered()) << m_prompter->Describe().toStdString();
}

// A move takes each source away only once its copy is whole: a folder with
// an item that could not be copied stays at the source with that item,
// while the items that moved are gone from it.
TEST_F(GioFolderTest, AMoveRemovesOnlyWhatArrived) {
    TestDir source, target;
    ASSERT_TRUE(source.MakeFolder("box"));
    ASSERT_TRUE(source.MakeFile("box/fine", "fine"));
    ASSERT_TRUE(source.MakeSymlink("box/mem", "/proc/self/mem"));
    ASSERT_TRUE(target.MakeFolder("box"));
    ASSERT_TRUE(target.MakeFile("box/mem", "occupied"));
    // The folders merge; the link meets a file of its name and is skipped.
    m_prompter->AnswerChoice(kConflictOverwrite).AnswerChoice(kConflictSkip);
    GioRequest request;
    request.kind = GioRequest::Kind::Move;
    request.sources = {UriOf(source, "box")};
    request.target = UriOf(target);
    const GioResult result = RunGioOperation(request, nullptr);
    EXPECT_EQ(result.done, 0);
    EXPECT_EQ(target.Read("box/fine"), "fine");
    EXPECT_FALSE(source.Exists("box/fine"));
    EXPECT_TRUE(source.Exists("box/mem"));
    EXPECT_EQ(target.Read("box/mem"), "occupied");
    EXPECT_TRUE(m_prompter->AllAnswered()) << m_prompter->Describe().toStdString();
}

// Delete asks as for a volume without a trash; Skip keeps the item;
// Delete permanently removes a folder depth first and removes a link in it
// without touching what the link points at.
TEST_F(GioFolderTest, DeleteAsksForAPermanentDeleteAndNeverFollowsLinks) {
    TestDir dir, outside;
    ASSERT_TRUE(outside.MakeFile("precious", "keep me"));
    ASSERT_TRUE(dir.MakeFolder("tree/deep"));
    ASSERT_TRUE(dir.MakeFile("tree/deep/file", "x"));
    ASSERT_TRUE(dir.MakeSymlink("tree/link", outside.Join("precious")));
    ASSERT_TRUE(dir.MakeFile("kept", "y"));

    m_prompter->AnswerChoice(kNoTrashDelete).AnswerChoice(kNoTrashSkip);
    const GioResult result =
        Run(GioRequest::Kind::Delete, {UriOf(dir, "tree"), UriOf(dir, "kept")});
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_FALSE(dir.Exists("tree"));
    EXPECT_TRUE(dir.Exists("kept"));
    EXPECT_EQ(outside.Read("precious"), "keep me");
    ASSERT_EQ(m_prompter->Requests().size(), 2);
    EXPECT_TRUE(m_prompter->Requests().front().text.contains(QLatin1String("trash")));
}

// New folder and rename go to the server; a rename never replaces an
// existing entry, and a new name that is not UTF-8 keeps its bytes.
TEST_F(GioFolderTest, MakesFoldersAndRenamesWithoutReplacing) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("old name", "old"));
    ASSERT_TRUE(dir.MakeFile("taken", "taken"));
    EXPECT_TRUE(MakeGioFolder(UriOf(dir), "New Folder", nullptr));
    struct stat st {};
    ASSERT_EQ(::stat(dir.Join("New Folder").constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_FALSE(MakeGioFolder(UriOf(dir), "New Folder", nullptr));  // told, not replaced

    GioFolder folder(UriOf(dir), IdList::Empty());
    FileSystemItemData data;
    data.name = "old name";
    data.mode = S_IFREG | 0644;
    const IdList old = FileSystemItemId(data);
    EXPECT_TRUE(folder.SetNameOf(old, QStringLiteral("taken"), SHGDN_INFOLDER).IsNull());
    EXPECT_EQ(dir.Read("old name"), "old");
    EXPECT_EQ(dir.Read("taken"), "taken");

    const IdList renamed = folder.SetNameOf(old, NameFromBytes("n\xe9w"), SHGDN_INFOLDER);
    ASSERT_FALSE(renamed.IsNull());
    EXPECT_EQ(dir.Read("n\xe9w"), "old");
    EXPECT_FALSE(dir.Exists("old name"));
    EXPECT_EQ(DecodeFileSystemItem(renamed.ItemPayload(0))->name, QByteArray("n\xe9w"));
    // Two refusals told (the taken folder name, the taken file name).
    EXPECT_EQ(m_prompter->Requests().size(), 2) << m_prompter->Describe().toStdString();
}

// F3/F4's local copy holds the remote file under its own name; each save
// of it reaches the remote file whole; a save that can't be written back
// is told as failed and the local copy keeps the edit.
TEST_F(GioFolderTest, TheEditingCopyIsWrittenBackOnSaveAndKeptWhenThatFails) {
    TestDir remote;
    ASSERT_TRUE(remote.MakeFolder("docs"));
    ASSERT_TRUE(remote.MakeFile("docs/notes and more.txt", "first"));
    const QString uri = UriOf(remote, "docs/notes and more.txt");
    const QString local = GioTempCopy(uri, nullptr);
    ASSERT_FALSE(local.isEmpty());
    EXPECT_TRUE(local.endsWith(QStringLiteral("/notes and more.txt")));
    QFile copy(local);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "first");
    copy.close();

    std::vector<std::pair<QString, bool>> reports;
    WriteBackWhenSaved(
        local, uri, [&](const QString& text, bool failed) { reports.emplace_back(text, failed); });
    // An editor that writes a new file and renames it onto the copy.
    const auto save = [&](const QByteArray& text) {
        QFile next(local + QStringLiteral(".new"));
        ASSERT_TRUE(next.open(QIODevice::WriteOnly));
        next.write(text);
        next.close();
        ASSERT_EQ(
            ::rename(NameToBytes(next.fileName()).constData(), NameToBytes(local).constData()), 0);
    };
    save("second, longer");
    ASSERT_TRUE(WaitFor([&] { return !reports.empty(); }));
    EXPECT_FALSE(reports.back().second) << reports.back().first.toStdString();
    EXPECT_EQ(remote.Read("docs/notes and more.txt"), "second, longer");
    EXPECT_TRUE(Leftovers(remote, "docs").empty());

    // The remote folder goes: the save fails, is said to, and stays local.
    ASSERT_TRUE(QDir(QString::fromUtf8(remote.Join("docs"))).removeRecursively());
    m_prompter->AnswerChoice(kErrorSkip);
    save("third");
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 2; }));
    EXPECT_TRUE(reports.back().second);
    EXPECT_TRUE(reports.back().first.contains(local));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "third");
}
