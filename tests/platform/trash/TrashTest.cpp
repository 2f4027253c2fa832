// The trash with real files: the home trash lives in the test's temporary
// XDG_DATA_HOME; the top-directory trash test uses /dev/shm, a file system
// of its own on this machine, and removes what it made there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "platform/fs/RemoveTree.h"
#include "platform/fs/Volumes.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/trash/Trash.h"
#include "platform/trash/TrashFolder.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

std::vector<IdList> Items(ShellFolder& folder) {
    std::vector<IdList> out;
    auto e = folder.EnumObjects(kAll);
    IdList id;
    while (e && e->Next(id) == EnumIdList::Result::Item) out.push_back(id);
    return out;
}

QByteArray ReadBytes(const QByteArray& path) {
    QFile f(NameFromBytes(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool Exists(const QByteArray& path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// The entries of the home trash whose original path lies in `folder`.
std::vector<TrashEntry> HomeEntriesFrom(const QByteArray& folder) {
    std::vector<TrashEntry> out;
    for (TrashEntry& e : ListTrashDirectory({HomeTrashPath(), {}})) {
        if (PathIsUnder(e.originalPath, folder))
            out.push_back(std::move(e));
    }
    return out;
}

// Each test starts with an empty home trash.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override { QDir(NameFromBytes(HomeTrashPath())).removeRecursively(); }
    void TearDown() override { QDir(NameFromBytes(HomeTrashPath())).removeRecursively(); }
};

}  // namespace

TEST_F(TrashTest, TrashedFileListsByItsOriginalNameAndRestoresByteForByte) {
    TestDir dir;
    const QByteArray contents("line one\n\0binary\xff tail", 22);
    ASSERT_TRUE(dir.MakeFile("docs/report 50%.txt", contents));
    const QByteArray path = dir.Join("docs/report 50%.txt");

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QString error;
    ASSERT_EQ(MoveToTrash(path, &error), TrashResult::Trashed) << error.toStdString();
    EXPECT_FALSE(Exists(path));

    // The info file as the trash's other users expect it.
    const QByteArray info = ReadBytes(HomeTrashPath() + "/info/report 50%.txt.trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + path.toPercentEncoding("/") + "\n"))
        << info.toStdString();
    EXPECT_TRUE(info.contains("report%2050%25.txt")) << "the percent sign itself is encoded";
    EXPECT_EQ(ReadBytes(HomeTrashPath() + "/files/report 50%.txt"), contents);

    // The folder shows it under its original name with the deletion date.
    TrashFolder trash(IdList::Empty());
    const auto items = Items(trash);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(trash.GetDisplayNameOf(items[0], SHGDN_INFOLDER), QStringLiteral("report 50%.txt"));
    EXPECT_EQ(trash.GetDisplayNameOf(items[0], SHGDN_FORPARSING),
              NameFromBytes(HomeTrashPath() + "/files/report 50%.txt"));
    const auto found = trash.GetFindData(items[0]);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size, std::uint64_t(contents.size()));
    const qint64 deleted = FileTimeToUnixMilliseconds(found->times[kTimeModified]) / 1000;
    EXPECT_GE(deleted, before - 1);
    EXPECT_LE(deleted, QDateTime::currentSecsSinceEpoch() + 1);
    std::uint32_t bits = ~0u;
    ASSERT_TRUE(trash.GetAttributesOf(std::span(&items[0], 1), bits));
    EXPECT_FALSE(bits & SFGAO_FILESYSTEM) << "the program must not treat it as a plain file";
    EXPECT_TRUE(bits & SFGAO_CANDELETE);

    // Its data object names the original name besides the paths.
    auto data = trash.GetDataObject(items);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->HasFormat(ClipFormats::kShellIdList));
    EXPECT_EQ(DecodeFileNameMap(data->GetData(ClipFormats::kFileNameMap)),
              QList<QByteArray>{"report 50%.txt"});
    EXPECT_EQ(PathsFromUriList(data->GetData(ClipFormats::kUriList)),
              QList<QByteArray>{HomeTrashPath() + "/files/report 50%.txt"});

    // Restored into a folder that was removed meanwhile: the folder comes back.
    ASSERT_TRUE(QDir(dir.Path() + "/docs").removeRecursively());
    const auto entries = TrashEntriesFromIds(items);
    ASSERT_EQ(entries.size(), 1u);
    ScopedPrompter prompter;
    EXPECT_EQ(RestoreFromTrash(entries, nullptr, &error), TrashActionResult::Done)
        << error.toStdString();
    EXPECT_EQ(ReadBytes(path), contents);
    EXPECT_TRUE(Items(trash).empty());
    EXPECT_FALSE(Exists(HomeTrashPath() + "/info/report 50%.txt.trashinfo"));
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST_F(TrashTest, SameNamesGetUniqueEntriesAndRestoreOverAnExistingItemAsks) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "first"));
    ASSERT_EQ(MoveToTrash(dir.Join("a.txt")), TrashResult::Trashed);
    ASSERT_TRUE(dir.MakeFile("a.txt", "second"));
    ASSERT_EQ(MoveToTrash(dir.Join("a.txt")), TrashResult::Trashed);
    ASSERT_TRUE(dir.MakeFile("a.txt", "third, not trashed"));

    std::vector<TrashEntry> entries = HomeEntriesFrom(dir.PathBytes());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[0].name, entries[1].name);
    for (const TrashEntry& e : entries) EXPECT_EQ(e.OriginalName(), QByteArray("a.txt"));
    // The first keeps the plain name, the second is numbered.
    const TrashEntry& plain = entries[0].name == "a.txt" ? entries[0] : entries[1];
    const TrashEntry& numbered = entries[0].name == "a.txt" ? entries[1] : entries[0];
    EXPECT_EQ(plain.name, QByteArray("a.txt"));
    EXPECT_EQ(ReadBytes(plain.FilePath()), QByteArray("first"));
    EXPECT_EQ(ReadBytes(numbered.FilePath()), QByteArray("second"));

    {
        // "No" leaves both where they are; "Cancel" stops.
        ScopedPrompter prompter;
        prompter->AnswerMessage(PromptAnswer::No);
        EXPECT_EQ(RestoreFromTrash(std::span(&plain, 1)), TrashActionResult::Done);
        ASSERT_EQ(prompter->Requests().size(), 1);
        EXPECT_EQ(prompter->Requests()[0].buttons, PromptButtons::YesNoCancel);
        EXPECT_TRUE(prompter->Requests()[0].text.contains(QStringLiteral("a.txt")));
        EXPECT_EQ(ReadBytes(dir.Join("a.txt")), QByteArray("third, not trashed"));
        EXPECT_TRUE(Exists(plain.FilePath()));
        prompter->AnswerMessage(PromptAnswer::Cancel);
        EXPECT_EQ(RestoreFromTrash(std::span(&plain, 1)), TrashActionResult::Cancelled);
        EXPECT_TRUE(Exists(plain.FilePath()));
    }
    {
        // "Yes" puts it back and sends the item in its way to the trash:
        // nothing is lost.
        ScopedPrompter prompter;
        prompter->AnswerMessage(PromptAnswer::Yes);
        QString error;
        EXPECT_EQ(RestoreFromTrash(std::span(&numbered, 1), nullptr, &error),
                  TrashActionResult::Done)
            << error.toStdString();
        EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
        EXPECT_EQ(ReadBytes(dir.Join("a.txt")), QByteArray("second"));
    }
    QList<QByteArray> left;
    for (const TrashEntry& e : HomeEntriesFrom(dir.PathBytes())) left << ReadBytes(e.FilePath());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (QList<QByteArray>{"first", "third, not trashed"}));
}

TEST_F(TrashTest, NamesTooLongForAnInfoFileAreTrashedShortenedAndRestoredWhole) {
    TestDir dir;
    // 255-byte names (the most a name may have) that differ only near their
    // end: shortened, they would be one name. One holds a byte that is not
    // UTF-8 and a character of several bytes right at the cut.
    QByteArray common(239, 'n');
    common += "\xe2\x82\xac";  // "€", bytes 239 to 241, where the cut falls
    const QByteArray first = common + QByteArray(255 - common.size() - 6, 'a') + "\xff.text";
    const QByteArray second = common + QByteArray(255 - common.size() - 6, 'b') + "\xfe.text";
    ASSERT_EQ(first.size(), 255);
    ASSERT_EQ(second.size(), 255);
    ASSERT_TRUE(dir.MakeFile(first, "first"));
    ASSERT_TRUE(dir.MakeFile(second, "second"));

    QString error;
    ASSERT_EQ(MoveToTrash(dir.Join(first), &error), TrashResult::Trashed) << error.toStdString();
    ASSERT_EQ(MoveToTrash(dir.Join(second), &error), TrashResult::Trashed) << error.toStdString();
    EXPECT_FALSE(Exists(dir.Join(first)));
    EXPECT_FALSE(Exists(dir.Join(second)));

    std::vector<TrashEntry> entries = HomeEntriesFrom(dir.PathBytes());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[0].name, entries[1].name);
    QList<QByteArray> originals;
    for (const TrashEntry& e : entries) {
        originals << e.OriginalName();
        EXPECT_LE(e.InfoPath().size() - e.trash.path.size() - 6, 255) << "info name fits";
        EXPECT_TRUE(e.name.endsWith(".text")) << "the extension is kept";
        // The cut never splits a character: what is left decodes as before.
        EXPECT_TRUE(e.name.startsWith(QByteArray(238, 'n')));
        const QByteArray stem = e.name.chopped(5);
        EXPECT_EQ(QString::fromUtf8(stem).toUtf8(), stem) << "a character cut in half";
        const QByteArray expected = e.OriginalName() == first ? "first" : "second";
        EXPECT_EQ(ReadBytes(e.FilePath()), expected);
    }
    std::sort(originals.begin(), originals.end());
    QList<QByteArray> both{first, second};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(originals, both);

    ScopedPrompter prompter;
    EXPECT_EQ(RestoreFromTrash(entries, nullptr, &error), TrashActionResult::Done)
        << error.toStdString();
    EXPECT_EQ(dir.Read(first), QByteArray("first"));
    EXPECT_EQ(dir.Read(second), QByteArray("second"));
    EXPECT_TRUE(HomeEntriesFrom(dir.PathBytes()).empty());
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();
}

TEST_F(TrashTest, MalformedInfoFilesAndOrphansAreSkipped) {
    const QByteArray trash = HomeTrashPath();
    ASSERT_TRUE(QDir().mkpath(NameFromBytes(trash + "/files")));
    ASSERT_TRUE(QDir().mkpath(NameFromBytes(trash + "/info")));
    TestDir dir;
    auto plant = [&](const QByteArray& name, const QByteArray& info) {
        QFile f(NameFromBytes(trash + "/info/" + name + ".trashinfo"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(info);
        QFile item(NameFromBytes(trash + "/files/" + name));
        ASSERT_TRUE(item.open(QIODevice::WriteOnly));
    };
    const QByteArray origin = dir.PathBytes();
    plant("good",
          "[Trash Info]\r\nPath=" + origin + "/good\r\nDeletionDate=2024-02-29T13:45:01\r\n");
    plant("nogroup", "Path=" + origin + "/nogroup\n");
    plant("nopath", "[Trash Info]\nDeletionDate=2024-01-01T00:00:00\n");
    plant("badescape", "[Trash Info]\nPath=" + origin + "/bad%zzname\n");
    plant("relative", "[Trash Info]\nPath=relative/in/home\n");
    plant("climbs", "[Trash Info]\nPath=" + origin + "/../../etc/passwd\n");
    plant("nul", "[Trash Info]\nPath=" + origin + "/a%00b\n");
    plant("otherGroup", "[Other]\nPath=" + origin + "/x\n");
    plant("binary", QByteArray("\x00\xff\xfe[Trash Info", 14));
    plant("baddate", "[Trash Info]\nPath=" + origin + "/baddate\nDeletionDate=yesterday\n");
    // An item without info and an info without item.
    ASSERT_TRUE(QFile(NameFromBytes(trash + "/files/orphan")).open(QIODevice::WriteOnly));
    QFile lonely(NameFromBytes(trash + "/info/lonely.trashinfo"));
    ASSERT_TRUE(lonely.open(QIODevice::WriteOnly));
    lonely.write("[Trash Info]\nPath=" + origin + "/lonely\n");
    lonely.close();

    std::vector<TrashEntry> entries = ListTrashDirectory({trash, {}});
    QList<QByteArray> names;
    for (const TrashEntry& e : entries) names << e.name;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (QList<QByteArray>{"baddate", "good"}));
    for (const TrashEntry& e : entries) {
        if (e.name == "good") {
            const QDateTime local(QDate(2024, 2, 29), QTime(13, 45, 1));
            EXPECT_EQ(FileTimeToUnixMilliseconds(e.deletionTime), local.toMSecsSinceEpoch());
        } else {
            EXPECT_EQ(e.deletionTime, 0u) << "an unreadable date is unknown, not fatal";
        }
    }

    // A top-directory trash takes relative paths against its top directory.
    const auto relative = ParseTrashInfo("[Trash Info]\nPath=photos/a%20b.jpg\n",
                                         {"/media/stick/.Trash-1000", "/media/stick"});
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->originalPath, QByteArray("/media/stick/photos/a b.jpg"));
}

TEST_F(TrashTest, DeleteForGoodAsksAndRemovesReadOnlyTrees) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/sub/deep.txt", "x"));
    ASSERT_TRUE(dir.MakeSymlink("tree/link", "/etc"));  // never followed
    ASSERT_TRUE(dir.SetMode("tree/sub", 0500));
    ASSERT_EQ(MoveToTrash(dir.Join("tree")), TrashResult::Trashed);
    std::vector<TrashEntry> entries = HomeEntriesFrom(dir.PathBytes());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(S_ISDIR(entries[0].mode));

    // A trashed folder can be opened in the trash folder.
    TrashFolder trash(IdList::Empty());
    const IdList id = TrashEntryId(entries[0]);
    auto inside = trash.BindToObject(id);
    ASSERT_TRUE(inside);
    EXPECT_EQ(Items(*inside).size(), 2u);

    ScopedPrompter prompter;
    prompter->AnswerMessage(PromptAnswer::No);
    EXPECT_EQ(DeleteFromTrash(entries), TrashActionResult::Cancelled);
    EXPECT_TRUE(Exists(entries[0].FilePath()));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].defaultButton, 1) << "No is the default";

    prompter->AnswerMessage(PromptAnswer::Yes);
    QString error;
    EXPECT_EQ(DeleteFromTrash(entries, true, nullptr, &error), TrashActionResult::Done)
        << error.toStdString();
    EXPECT_FALSE(Exists(entries[0].FilePath()));
    EXPECT_FALSE(Exists(entries[0].InfoPath()));
    EXPECT_TRUE(Exists("/etc/hostname") || Exists("/etc/passwd"));

    // Emptying an empty trash asks nothing.
    prompter->Clear();
    EXPECT_EQ(EmptyTrash(), TrashActionResult::Done);
    EXPECT_TRUE(prompter->Requests().isEmpty());
}

// The Trash's background menu empties it for good after a Yes, and is
// disabled while there is nothing to empty.
TEST_F(TrashTest, EmptyTrashFromTheBackgroundMenu) {
    TrashFolder trash(IdList::Empty());
    auto state = [&] {
        auto menu = trash.GetBackgroundMenu();
        std::vector<ContextMenuEntry> entries;
        EXPECT_TRUE(menu && menu->QueryContextMenu(entries, 1, 100, CMF_EXPLORE));
        return entries;
    };
    std::vector<ContextMenuEntry> entries = state();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].verb, QStringLiteral("emptytrash"));
    EXPECT_FALSE(entries[0].enabled);

    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("b/c.txt", "c"));
    ASSERT_EQ(MoveToTrash(dir.Join("a.txt")), TrashResult::Trashed);
    ASSERT_EQ(MoveToTrash(dir.Join("b")), TrashResult::Trashed);
    ASSERT_TRUE(state().at(0).enabled);

    ScopedPrompter prompter;
    prompter->AnswerMessage(PromptAnswer::No);
    EXPECT_FALSE(trash.GetBackgroundMenu()->InvokeVerb(QStringLiteral("emptytrash"), {}));
    EXPECT_EQ(HomeEntriesFrom(dir.PathBytes()).size(), 2u);
    prompter->AnswerMessage(PromptAnswer::Yes);
    EXPECT_TRUE(trash.GetBackgroundMenu()->InvokeVerb(QStringLiteral("emptytrash"), {}));
    EXPECT_TRUE(HomeEntriesFrom(dir.PathBytes()).empty());
    EXPECT_TRUE(TrashIsEmpty());
    EXPECT_FALSE(state().at(0).enabled);
}

TEST_F(TrashTest, DroppingFilesOnTheTrashFolderTrashesThem) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("drop me.txt", "d"));
    ASSERT_TRUE(dir.MakeFile("keep.txt", "k"));
    TrashFolder trash(IdList::Empty());
    auto target = trash.GetDropTarget({});
    ASSERT_TRUE(target);

    class UriData : public ShellDataObject {
    public:
        explicit UriData(QByteArray uris) : m_uris(std::move(uris)) {}
        QStringList Formats() const override { return {ClipFormats::kUriList}; }
        QByteArray GetData(const QString& mime) const override {
            return mime == ClipFormats::kUriList ? m_uris : QByteArray();
        }

    private:
        QByteArray m_uris;
    };
    const UriData data("file://" + dir.Join("drop me.txt").toPercentEncoding("/") + "\r\n");
    std::uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_TRUE(target->DragEnter(data, MK_LBUTTON, {}, effect));
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_TRUE(target->Drop(data, MK_LBUTTON, {}, effect));
    EXPECT_FALSE(Exists(dir.Join("drop me.txt")));
    EXPECT_TRUE(Exists(dir.Join("keep.txt")));
    const auto entries = HomeEntriesFrom(dir.PathBytes());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].OriginalName(), QByteArray("drop me.txt"));

    // Text that names no local file is refused.
    const UriData remote("https://example.org/file\r\n");
    effect = DROPEFFECT_MOVE;
    ASSERT_TRUE(target->DragEnter(remote, MK_LBUTTON, {}, effect));
    EXPECT_EQ(effect, DROPEFFECT_NONE);
}

TEST_F(TrashTest, ItemsOfAnotherFileSystemGoToItsTopDirectoryTrash) {
    struct stat shmSt, homeSt;
    ASSERT_EQ(::stat(XdgHomeDir().constData(), &homeSt), 0);
    const VolumeTable table = VolumeTable::Read(QStringLiteral("/proc/self/mountinfo"), {});
    const auto shm = table.MountHolding("/dev/shm/x");
    if (::stat("/dev/shm", &shmSt) != 0 || !shm || shm->mountPoint != "/dev/shm" ||
        shmSt.st_dev == homeSt.st_dev) {
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    }
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
    const QByteArray own = "/dev/shm/.Trash-" + uid;
    const bool ownExisted = Exists(own);
    const QByteArray shared = "/dev/shm/.Trash";
    const bool sharedExisted = Exists(shared);
    const QByteArray top = "/dev/shm/corvane-trash-test-" + QByteArray::number(::getpid());
    ASSERT_TRUE(QDir().mkpath(NameFromBytes(top + "/sub")));
    const QByteArray file = top + "/sub/data.bin";
    const QByteArray contents(4096, '\x5a');
    {
        QFile f(NameFromBytes(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }
    auto cleanUp = [&] {
        QDir(NameFromBytes(top)).removeRecursively();
        // Entries of other programs stay: only empty folders are removed.
        for (const QByteArray& trash : {own, shared + "/" + uid}) {
            for (const TrashEntry& e : ListTrashDirectory({trash, "/dev/shm"})) {
                if (PathIsUnder(e.originalPath, top)) {
                    RemoveTree(e.FilePath());
                    ::unlink(e.InfoPath().constData());
                }
            }
        }
        if (!ownExisted) {
            ::rmdir((own + "/files").constData());
            ::rmdir((own + "/info").constData());
            ::rmdir(own.constData());
        }
        if (!sharedExisted) {
            ::rmdir((shared + "/" + uid + "/files").constData());
            ::rmdir((shared + "/" + uid + "/info").constData());
            ::rmdir((shared + "/" + uid).constData());
            ::rmdir(shared.constData());
            ::unlink(shared.constData());
        }
    };

    if (!sharedExisted) {
        // A .Trash that is a link is never used: .Trash-$uid is made instead.
        ASSERT_EQ(::symlink("/tmp", shared.constData()), 0);
    }
    QString error;
    const TrashResult result = MoveToTrash(file, &error);
    EXPECT_EQ(result, TrashResult::Trashed) << error.toStdString();
    std::vector<TrashEntry> entries;
    for (TrashEntry& e : ListTrashDirectory({own, "/dev/shm"})) {
        if (PathIsUnder(e.originalPath, top))
            entries.push_back(std::move(e));
    }
    if (!sharedExisted) {
        ASSERT_EQ(entries.size(), 1u);
        struct stat st;
        ASSERT_EQ(::lstat(own.constData(), &st), 0);
        if (!ownExisted) {
            EXPECT_EQ(st.st_mode & 07777, 0700u);
        }
        EXPECT_FALSE(Exists("/tmp/" + uid)) << "the link's target was not written";
        EXPECT_EQ(entries[0].originalPath, file);
        EXPECT_EQ(ReadBytes(entries[0].FilePath()), contents);
        // The info gives the path relative to the top directory.
        const QByteArray info = ReadBytes(entries[0].InfoPath());
        EXPECT_TRUE(info.contains("\nPath=" + file.mid(QByteArray("/dev/shm/").size()) + "\n"))
            << info.toStdString();

        // Listed with the home trash, and restored to a folder made again.
        bool listed = false;
        for (const TrashDirectory& t : ExistingTrashDirectories()) listed |= t.path == own;
        EXPECT_TRUE(listed);
        ASSERT_TRUE(QDir(NameFromBytes(top)).removeRecursively());
        ScopedPrompter prompter;
        EXPECT_EQ(RestoreFromTrash(entries, nullptr, &error), TrashActionResult::Done)
            << error.toStdString();
        EXPECT_EQ(ReadBytes(file), contents);

        // A sticky .Trash that is a real folder takes over.
        ASSERT_EQ(::unlink(shared.constData()), 0);
        ASSERT_EQ(::mkdir(shared.constData(), 0777), 0);
        ASSERT_EQ(::chmod(shared.constData(), 01777), 0);
        EXPECT_EQ(MoveToTrash(file, &error), TrashResult::Trashed) << error.toStdString();
        EXPECT_TRUE(Exists(shared + "/" + uid + "/files/data.bin"));
        EXPECT_TRUE(Exists(shared + "/" + uid + "/info/data.bin.trashinfo"));
    }
    cleanUp();
}

// Listing the trash never looks into remote, pseudo or served (FUSE) file
// systems, which could hang it; disks, memory file systems and encrypting
// overlays of local data are looked into.
TEST_F(TrashTest, ListingSkipsTopDirectoriesOfRemoteAndPseudoFileSystems) {
    TestDir dir;
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
    const std::vector<std::pair<QByteArray, bool>> types = {
        {"ext4", true},         {"tmpfs", true}, {"fuseblk", true},     {"fuse.gocryptfs", true},
        {"nfs4", false},        {"cifs", false}, {"fuse.sshfs", false}, {"fuse.rclone", false},
        {"fuse.portal", false}, {"fuse", false}, {"proc", false},       {"autofs", false},
    };
    std::vector<MountEntry> mounts;
    for (const auto& [type, listed] : types) {
        EXPECT_EQ(SkipsTrashListing(type), !listed) << type.constData();
        const QByteArray name = QByteArray(type).replace('.', '_');
        ASSERT_TRUE(dir.MakeFolder(name + "/.Trash-" + uid + "/files"));
        ASSERT_TRUE(dir.MakeFolder(name + "/.Trash-" + uid + "/info"));
        MountEntry mount;
        mount.mountPoint = dir.Join(name);
        mount.fsType = type;
        mounts.push_back(mount);
    }
    const VolumeTable table(mounts, VisibilityContext::Current());
    QList<QByteArray> topdirs;
    for (const TrashDirectory& trash : ExistingTrashDirectories(table)) {
        if (!trash.IsHome())
            topdirs << trash.topdir;
    }
    QList<QByteArray> expected;
    for (const auto& [type, listed] : types) {
        if (listed)
            expected << dir.Join(QByteArray(type).replace('.', '_'));
    }
    EXPECT_EQ(topdirs, expected);
}
