// Folders whose entries come from an entry source (GIO, for folders on
// GVfs's FUSE bridge) instead of the kernel's directory reads: the model
// must show the same items either way, streamed or at once, refreshed, and
// a source that fails part way gives what it gave as a partial read.
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <string>
#include <tuple>
#include <utility>

#include "PaneTestSupport.h"
#include "platform/fs/EntrySource.h"
#include "platform/remote/GioEntrySource.h"
#include "shell/GeneralSettings.h"
#include "support/TestDir.h"

namespace {

using ItemKey = std::tuple<QString, QString, std::uint32_t, std::uint64_t, FileTime, FileTime,
                           FileTime, QByteArray>;
std::vector<ItemKey> KeysOf(const std::list<FolderItem>& items) {
    std::vector<ItemKey> keys;
    for (const FolderItem& item : items) {
        const auto payload = item.id.ItemPayload(0);
        keys.emplace_back(
            item.name, item.displayName, item.attributes, item.size, item.times[kTimeModified],
            item.times[kTimeCreated], item.times[kTimeAccessed],
            QByteArray(reinterpret_cast<const char*>(payload.data()), payload.size()));
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The first difference of two key lists, readably; empty when equal.
std::string FirstDifference(const std::vector<ItemKey>& got, const std::vector<ItemKey>& want) {
    if (got.size() != want.size())
        return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size());
    static const char* const kFields[] = {"name",     "display name", "attributes", "size",
                                          "modified", "created",      "accessed",   "id"};
    for (std::size_t i = 0; i < got.size(); ++i) {
        const auto a = std::apply([](auto&&... f) { return std::make_tuple(&f...); }, got[i]);
        const auto b = std::apply([](auto&&... f) { return std::make_tuple(&f...); }, want[i]);
        std::string field;
        [&]<std::size_t... I>(std::index_sequence<I...>) {
            ((field.empty() && *std::get<I>(a) != *std::get<I>(b) ? (field = kFields[I], 0) : 0),
             ...);
        }
        (std::make_index_sequence<8>{});
        if (!field.empty())
            return std::get<0>(got[i]).toStdString() + ": " + field;
    }
    return {};
}

// The folder the test's factory serves through GIO, and how many sources it
// gave; `g_failAfter` >= 0 makes its sources fail after that many entries.
QByteArray g_served;
int g_opened = 0;
int g_failAfter = -1;

class FailingSource : public EntrySource {
public:
    explicit FailingSource(std::unique_ptr<EntrySource> inner) : m_inner(std::move(inner)) {}
    bool Next(std::vector<FileSystemItemData>& entries, int) override {
        if (m_given >= g_failAfter) {
            m_error = EIO;
            return false;
        }
        if (!m_inner->Next(entries, 1))
            return false;
        ++m_given;
        return true;
    }
    int Error() const override { return m_error ? m_error : m_inner->Error(); }
    void Cancel() override { m_inner->Cancel(); }

private:
    std::unique_ptr<EntrySource> m_inner;
    int m_given = 0;
    int m_error = 0;
};

std::unique_ptr<EntrySource> ServeThroughGio(const QByteArray& path) {
    if (path != g_served)
        return nullptr;
    char* uri = g_filename_to_uri(path.constData(), nullptr, nullptr);
    std::unique_ptr<EntrySource> source = OpenGioEntrySource(QString::fromUtf8(uri));
    g_free(uri);
    if (source)
        ++g_opened;
    if (source && g_failAfter >= 0)
        return std::make_unique<FailingSource>(std::move(source));
    return source;
}

class FolderSourceTest : public RealShellTest {
protected:
    FolderSourceTest() : saved(General()) {
        MutableGeneral().showHiddenFiles = true;
        g_opened = 0;
        g_failAfter = -1;
    }
    ~FolderSourceTest() override {
        SetEntrySourceFactory(nullptr);
        g_served.clear();
        MutableGeneral() = saved;
    }
    CwdKeeper cwd;
    GeneralSettings saved;
};

void MakeOddFolder(TestDir& dir) {
    for (const QByteArray& name :
         {QByteArray("plain.txt"), QByteArray("bad-\xff\xfe-bytes"), QByteArray("line\nbreak"),
          QByteArray(".hidden"), QByteArray("archive.zip")})
        ASSERT_TRUE(dir.MakeFile(name, "some bytes", 1600000000));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeSymlink("to-folder", "sub"));
    ASSERT_TRUE(dir.MakeSymlink("dangling", "nowhere"));
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(dir.MakeFile("many-" + QByteArray::number(i)));
    // GIO's local backend reads links, which moves their access times once
    // (relatime): read them first, so that every read sees the same times.
    char target[64];
    for (const char* link : {"to-folder", "dangling"})
        ASSERT_GT(::readlink(dir.Join(link).constData(), target, sizeof target), 0);
}

}  // namespace

// The same items, with the same fields, whether the folder is read by the
// kernel or through the source, streamed or at once or enumerated; a
// refresh through the source finds nothing changed, then finds a new file.
TEST_F(FolderSourceTest, ItemsAreTheSameAsTheKernelsRead) {
    TestDir dir;
    MakeOddFolder(dir);
    g_served = dir.PathBytes();
    SetEntrySourceFactory(&ServeThroughGio);
    FolderModel once;
    ASSERT_EQ(once.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
    EXPECT_EQ(g_opened, 1) << "the one-shot read took the source";
    SetEntrySourceFactory(nullptr);
    FolderModel plain;
    ASSERT_EQ(plain.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
    const std::vector<ItemKey> expected = KeysOf(plain.items);
    ASSERT_EQ(expected.size(), 308u);
    SetEntrySourceFactory(&ServeThroughGio);
    EXPECT_EQ(FirstDifference(KeysOf(once.items), expected), "");

    FolderModel streamed;
    ASSERT_EQ(streamed.Open(ParsePath(dir.Path()), false), FolderModel::kReadOk);
    int done = -1;
    ASSERT_TRUE(streamed.StartRead([](FolderModel::ItemList::iterator) {},
                                   [&](int result) { done = result; }));
    ASSERT_TRUE(WaitFor([&] { return done >= 0; }, 20000));
    EXPECT_EQ(done, FolderModel::kReadOk);
    EXPECT_EQ(g_opened, 2) << "the streamed read took the source";
    EXPECT_EQ(FirstDifference(KeysOf(streamed.items), expected), "");

    FolderModel::ItemList enumerated;
    ASSERT_EQ(once.Enumerate(enumerated), FolderModel::kReadOk);
    EXPECT_EQ(g_opened, 3) << "the folder object's enumeration took the source";
    EXPECT_EQ(FirstDifference(KeysOf(enumerated), expected), "");

    std::uint64_t totals = 0;
    ASSERT_TRUE(once.Refresh(totals));
    for (const FolderItem& item : once.items)
        EXPECT_EQ(item.listState, kListListed) << item.name.toStdString();
    ASSERT_TRUE(dir.MakeFile("new-one", "abc"));
    ASSERT_TRUE(once.Refresh(totals));
    const FolderItem* added = once.FindByName(QStringLiteral("new-one"));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->listState, kListNew);
    EXPECT_EQ(added->size, 3u);
}

// A source that fails part way (a server that went): the read is partial
// and keeps exactly the entries it gave, streamed or at once.
TEST_F(FolderSourceTest, ASourceFailingPartWayGivesAPartialRead) {
    TestDir dir;
    MakeOddFolder(dir);
    g_served = dir.PathBytes();
    g_failAfter = 5;
    SetEntrySourceFactory(&ServeThroughGio);

    FolderModel once;
    ASSERT_EQ(once.Open(ParsePath(dir.Path()), true), FolderModel::kReadPartial);
    EXPECT_EQ(once.items.size(), 5u);

    FolderModel streamed;
    ASSERT_EQ(streamed.Open(ParsePath(dir.Path()), false), FolderModel::kReadOk);
    int done = -1;
    ASSERT_TRUE(streamed.StartRead([](FolderModel::ItemList::iterator) {},
                                   [&](int result) { done = result; }));
    ASSERT_TRUE(WaitFor([&] { return done >= 0; }, 20000));
    EXPECT_EQ(done, FolderModel::kReadPartial);
    EXPECT_EQ(streamed.items.size(), 5u);
}

// The refresh whose read runs on the worker (folders on other machines)
// settles the items as the refresh on the calling thread does: new entries
// new, gone ones gone, changed sizes taken, the totals moved; a folder that
// cannot be read any more changes nothing and says so.
TEST_F(FolderSourceTest, RefreshOnTheWorkerEqualsTheRefreshAtOnce) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("stays", "1"));
    ASSERT_TRUE(dir.MakeFile("grows", "1"));
    ASSERT_TRUE(dir.MakeFile("goes", "1"));
    FolderModel model;
    ASSERT_EQ(model.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
    EXPECT_FALSE(RefreshesOffThread(model)) << "a local folder refreshes at once";

    ASSERT_TRUE(dir.MakeFile("grows", "12345"));
    ASSERT_TRUE(dir.MakeFile("comes", "abc"));
    ASSERT_EQ(::unlink(dir.Join("goes").constData()), 0);
    std::uint64_t totals = 100;
    std::optional<bool> done;
    ASSERT_TRUE(model.StartRefreshRead(totals, [&](bool ok) { done = ok; }));
    EXPECT_TRUE(model.IsReading());
    ASSERT_TRUE(WaitFor([&] { return done.has_value(); }, 20000));
    EXPECT_TRUE(*done);
    EXPECT_FALSE(model.IsReading());
    EXPECT_EQ(totals, 104u);
    ASSERT_NE(model.FindByName(QStringLiteral("comes")), nullptr);
    EXPECT_EQ(model.FindByName(QStringLiteral("comes"))->listState, kListNew);
    EXPECT_EQ(model.FindByName(QStringLiteral("comes"))->folder, &model);
    EXPECT_EQ(model.FindByName(QStringLiteral("grows"))->listState, kListChanged);
    EXPECT_EQ(model.FindByName(QStringLiteral("grows"))->size, 5u);
    EXPECT_EQ(model.FindByName(QStringLiteral("goes"))->listState, kListGone);
    EXPECT_EQ(model.FindByName(QStringLiteral("stays"))->listState, kListListed);

    // The folder goes: the read fails and the items stay as they were.
    const std::size_t before = model.items.size();
    ASSERT_TRUE(QDir(dir.Path()).removeRecursively());
    done.reset();
    ASSERT_TRUE(model.StartRefreshRead(totals, [&](bool ok) { done = ok; }));
    ASSERT_TRUE(WaitFor([&] { return done.has_value(); }, 20000));
    EXPECT_FALSE(*done);
    EXPECT_EQ(model.items.size(), before);
}
