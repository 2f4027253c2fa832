// Folders that stream in: the model's read on its worker, batch by batch,
// and the pane that shows it while it comes.
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QFileInfo>
#include <QThread>
#include <map>
#include <tuple>

#include "PaneTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/Pidl.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

std::vector<QString> Names(std::initializer_list<const char*> names) {
    std::vector<QString> out;
    for (const char* n : names) out.push_back(QString::fromUtf8(n));
    return out;
}

// Enough entries for the read to need more than its first two buffers, so
// that it comes in more than one batch: their long names fill the buffers
// with few files.
constexpr int kManyFiles = 3000;

// A folder for many files, in memory where the machine has /dev/shm, so
// that making them is quick.
std::unique_ptr<TestDir> ManyFilesDir() {
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        return std::make_unique<TestDir>(QStringLiteral("/dev/shm/corvane-stream-XXXXXX"));
    return std::make_unique<TestDir>();
}

// Makes `count` empty files with long names in `dir`.
bool MakeManyFiles(const TestDir& dir, int count) {
    const std::string filler(160, 'n');
    for (int i = 0; i < count; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "/long-%s-%06d.dat", filler.c_str(), i);
        const int fd = ::open((dir.PathBytes() + name).constData(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

// Everything of an item that the pane shows or acts on.
using ItemKey = std::tuple<QString, QString, std::uint32_t, std::uint64_t, FileTime, FileTime,
                           FileTime, QByteArray>;
ItemKey KeyOf(const FolderItem& item) {
    const auto payload = item.id.ItemPayload(0);
    return {item.name,
            item.displayName,
            item.attributes,
            item.size,
            item.times[kTimeModified],
            item.times[kTimeCreated],
            item.times[kTimeAccessed],
            QByteArray(reinterpret_cast<const char*>(payload.data()), payload.size())};
}
std::vector<ItemKey> KeysOf(const std::list<FolderItem>& items) {
    std::vector<ItemKey> keys;
    for (const FolderItem& item : items) keys.push_back(KeyOf(item));
    return keys;
}

// Waits (bounded) until the worker of `model`'s read has ended, without
// running the event loop, so that what it posted stays queued.
bool WaitForWorkerEnd(const FolderModel& model) {
    return SpinFor([&] { return !model.IsReadJobRunning(); });
}

class FolderStreamTest : public RealShellTest {
protected:
    FolderStreamTest() : saved(General()) {}
    ~FolderStreamTest() override { MutableGeneral() = saved; }
    CwdKeeper cwd;  // the active pane makes its folder the current directory
    GeneralSettings saved;
};

// A folder of odd entries (bytes that are no UTF-8, a newline, a leading
// dash, spaces, hidden names, links to a file, to a folder and to nothing,
// entries nobody may read) reads the same whether streamed or at once, and
// the same as the folder object's own enumeration: the same items with the
// same fields in the directory's order; hidden entries only while they are
// shown.
TEST_F(FolderStreamTest, StreamedReadEqualsTheOneShotRead) {
    const std::unique_ptr<TestDir> many = ManyFilesDir();
    TestDir& dir = *many;
    for (const QByteArray& name :
         {QByteArray("plain.txt"), QByteArray("bad-\xff\xfe-bytes"), QByteArray("line\nbreak"),
          QByteArray("-dash"), QByteArray("  spaced  "), QByteArray(".hidden")})
        ASSERT_TRUE(dir.MakeFile(name, "some bytes", 1600000000));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeFolder("locked"));
    ASSERT_TRUE(dir.MakeFile("secret", "x"));
    ASSERT_TRUE(dir.SetMode("locked", 0));
    ASSERT_TRUE(dir.SetMode("secret", 0));
    ASSERT_TRUE(dir.MakeSymlink("to-file", "plain.txt"));
    ASSERT_TRUE(dir.MakeSymlink("to-folder", "sub"));
    ASSERT_TRUE(dir.MakeSymlink("dangling", "nowhere"));
    ASSERT_TRUE(MakeManyFiles(dir, kManyFiles));

    for (bool hidden : {true, false}) {
        MutableGeneral().showHiddenFiles = hidden;
        FolderModel streamed;
        ASSERT_EQ(streamed.Open(ParsePath(dir.Path()), false), FolderModel::kReadOk);
        ASSERT_TRUE(streamed.CanReadStreamed());
        std::vector<std::vector<QString>> batches;
        int done = -1;
        ASSERT_TRUE(streamed.StartRead(
            [&](FolderModel::ItemList::iterator first) {
                // Each batch is the tail of the items when it comes.
                std::vector<QString> names;
                for (auto it = first; it != streamed.items.end(); ++it) names.push_back(it->name);
                batches.push_back(names);
            },
            [&](int result) { done = result; }));
        EXPECT_TRUE(streamed.IsReading());
        ASSERT_TRUE(WaitFor([&] { return done >= 0; }, 20000));
        EXPECT_EQ(done, FolderModel::kReadOk);
        EXPECT_FALSE(streamed.IsReading());
        EXPECT_GE(batches.size(), 2u) << "a folder this large comes in more than one batch";

        // The batches, in order, are the items, in the directory's order.
        std::vector<QString> joined;
        for (const auto& batch : batches) joined.insert(joined.end(), batch.begin(), batch.end());
        EXPECT_EQ(joined, ItemNames(streamed));
        std::vector<QString> expected;
        for (const QString& name : ReaddirOrder(dir.PathBytes())) {
            if (hidden || !name.startsWith(QLatin1Char('.')))
                expected.push_back(name);
        }
        EXPECT_EQ(ItemNames(streamed), expected);
        for (const FolderItem& item : streamed.items) ASSERT_EQ(item.folder, &streamed);

        FolderModel once;
        ASSERT_EQ(once.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
        EXPECT_EQ(KeysOf(once.items), KeysOf(streamed.items));

        // The folder object's own enumeration, a separate way to the disk.
        FolderModel::ItemList enumerated;
        ASSERT_EQ(once.Enumerate(enumerated), FolderModel::kReadOk);
        EXPECT_EQ(KeysOf(enumerated), KeysOf(streamed.items));

        // Lookups by name find streamed items.
        ASSERT_NE(streamed.FindByName("to-folder"), nullptr);
        EXPECT_EQ(streamed.FindByName(QStringLiteral(".hidden")) != nullptr, hidden);
    }
}

// Cancelling a read keeps the whole batches already taken and drops the
// rest, even what the worker had posted already; the handlers are not
// called again, and a new read of the same model is possible afterwards.
TEST_F(FolderStreamTest, CancelKeepsWholeBatchesOnly) {
    const std::unique_ptr<TestDir> many = ManyFilesDir();
    TestDir& dir = *many;
    ASSERT_TRUE(MakeManyFiles(dir, kManyFiles));
    FolderModel model;
    ASSERT_EQ(model.Open(ParsePath(dir.Path()), false), FolderModel::kReadOk);
    int batches = 0;
    int done = -1;
    std::size_t batchTotal = 0;
    ASSERT_TRUE(model.StartRead(
        [&](FolderModel::ItemList::iterator first) {
            ++batches;
            batchTotal += std::size_t(std::distance(first, model.items.end()));
        },
        [&](int result) { done = result; }));
    // The first batch, and then the worker's end with the rest queued.
    ASSERT_FALSE(model.WaitForRead(std::chrono::milliseconds(0), std::chrono::milliseconds(10000)));
    ASSERT_EQ(batches, 1);
    ASSERT_TRUE(WaitForWorkerEnd(model));
    const std::vector<QString> before = ItemNames(model);
    model.CancelRead();
    EXPECT_FALSE(model.IsReading());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(batches, 1);
    EXPECT_EQ(done, -1);
    EXPECT_EQ(ItemNames(model), before);
    EXPECT_EQ(std::size_t(model.ItemCount()), batchTotal);
    EXPECT_LT(model.ItemCount(), kManyFiles);
    // What was taken is the start of the directory's order.
    const std::vector<QString> order = ReaddirOrder(dir.PathBytes());
    ASSERT_GE(order.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), order.begin()));
    // The model is no longer reading and its items stay usable.
    EXPECT_NE(model.FindByName(before.back()), nullptr);
}

// A folder that is gone, or that nobody may read, gives its notice and
// leaves the pane where it was; a folder that goes while the pane shows it
// takes the pane to the Desktop on the next refresh.
TEST_F(FolderStreamTest, FoldersThatCannotBeReadGiveTheirNotice) {
    TestDir home;
    ASSERT_TRUE(home.MakeFile("stay", "1"));
    ASSERT_TRUE(home.MakeFolder("vanishing"));
    ASSERT_TRUE(home.MakeFolder("locked"));
    ASSERT_TRUE(home.MakeFile("locked/inside", "1"));
    ASSERT_TRUE(home.SetMode("locked", 0));
    TestPaneHost host;
    CountingPane pane(host);
    AttachPanes(host, pane);
    ASSERT_TRUE(pane.OpenFolder(ParsePath(home.Path())));
    ASSERT_TRUE(WaitFor([&] { return !pane.IsReading(); }));

    const IdList vanishing = ParsePath(home.Path() + QStringLiteral("/vanishing"));
    ASSERT_FALSE(vanishing.IsNull());
    ASSERT_EQ(::rmdir(home.Join("vanishing").constData()), 0);
    {
        NoticeRecorder notices;
        EXPECT_FALSE(pane.OpenFolder(vanishing));
        const auto last = notices.LastText();
        ASSERT_TRUE(last);
        EXPECT_TRUE(last->alert);
        EXPECT_TRUE(last->text->startsWith(QStringLiteral("Reading from '")))
            << last->text->toStdString();
        EXPECT_TRUE(last->text->contains(QStringLiteral("failed miserably")));
        EXPECT_EQ(pane.Model()->path, home.Path());
        EXPECT_NE(pane.Model()->FindByName("stay"), nullptr);
    }
    {
        ScopedNoDacOverride noOverride;
        NoticeRecorder notices;
        EXPECT_FALSE(pane.OpenFolder(ParsePath(home.Path() + QStringLiteral("/locked"))));
        const auto last = notices.LastText();
        ASSERT_TRUE(last);
        EXPECT_TRUE(last->alert);
        EXPECT_TRUE(last->text->contains(QString::fromLocal8Bit(std::strerror(EACCES))))
            << last->text->toStdString();
        EXPECT_EQ(pane.Model()->path, home.Path());
    }

    // Gone while shown: the refresh goes to the Desktop.
    TestDir gone;
    ASSERT_TRUE(gone.MakeFile("f", "1"));
    ASSERT_TRUE(pane.OpenFolder(ParsePath(gone.Path())));
    ASSERT_TRUE(WaitFor([&] { return !pane.IsReading(); }));
    ASSERT_EQ(::unlink(gone.Join("f").constData()), 0);
    ASSERT_EQ(::rmdir(gone.PathBytes().constData()), 0);
    EXPECT_FALSE(pane.RefreshPane(false, nullptr));
    EXPECT_TRUE(pane.Model()->idList.IsEmpty());
}

// The pane shows a large folder's first rows before the read ends, keeps
// every row a row of the model (the row model checked all along), sorts
// once at the end with the focused item kept focused, and lets go of the
// read at once when it goes elsewhere: nothing of the old folder comes in
// afterwards.
TEST_F(FolderStreamTest, PaneShowsRowsAsTheyComeAndLeavesAtOnce) {
    const std::unique_ptr<TestDir> many = ManyFilesDir();
    TestDir& big = *many;
    ASSERT_TRUE(MakeManyFiles(big, kManyFiles));
    TestDir small;
    ASSERT_TRUE(small.MakeFile("b", "1"));
    ASSERT_TRUE(small.MakeFile("a", "1"));
    TestPaneHost host;
    CountingPane pane(host);
    AttachPanes(host, pane);
    pane.List()->SetSortKey(ID_SORT_NAME);
    pane.List()->SetAscending(true);
    QAbstractItemModelTester tester(pane.List()->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);

    // A small folder is read whole before OpenFolder returns, and sorted.
    ASSERT_TRUE(pane.OpenFolder(ParsePath(small.Path())));
    EXPECT_EQ(RowNames(pane), Names({"a", "b"}));

    ASSERT_TRUE(pane.OpenFolder(ParsePath(big.Path())));
    if (pane.IsReading()) {
        // Rows so far are the model's items so far, in the directory's order.
        EXPECT_GT(pane.List()->RowCount(), 0);
        EXPECT_LT(pane.List()->RowCount(), kManyFiles);
        EXPECT_EQ(RowNames(pane), ItemNames(*pane.Model()));
    }
    // The user moves the focus while the rows come.
    pane.List()->SetFocusedRow(3, false, true);
    FolderItem* focused = pane.List()->ItemAt(3);
    ASSERT_NE(focused, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !pane.IsReading(); }, 20000));
    ASSERT_EQ(pane.List()->RowCount(), kManyFiles);
    const std::vector<QString> rows = RowNames(pane);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));
    EXPECT_EQ(pane.List()->ItemAt(pane.List()->FocusedRow()), focused);

    // Going elsewhere during a read: the old read stops there.
    ASSERT_TRUE(pane.OpenFolder(ParsePath(big.Path())));
    ASSERT_TRUE(pane.OpenFolder(ParsePath(small.Path())));
    EXPECT_FALSE(pane.IsReading());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(RowNames(pane), Names({"a", "b"}));
    EXPECT_EQ(pane.Model()->ItemCount(), 2);
}

// A refresh keeps the selection and the focus on their items; a refresh
// asked for while the folder streams in runs once the read has ended, and
// finds what changed meanwhile.
TEST_F(FolderStreamTest, RefreshKeepsSelectionAndFocus) {
    const std::unique_ptr<TestDir> many = ManyFilesDir();
    TestDir& big = *many;
    ASSERT_TRUE(MakeManyFiles(big, kManyFiles));
    TestPaneHost host;
    CountingPane pane(host);
    AttachPanes(host, pane);
    pane.List()->SetSortKey(ID_SORT_NAME);
    QAbstractItemModelTester tester(pane.List()->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(pane.OpenFolder(ParsePath(big.Path())));
    const bool wasReading = pane.IsReading();
    ASSERT_TRUE(big.MakeFile("0-made-during-the-read", "new"));
    if (wasReading)
        EXPECT_TRUE(pane.RefreshPane(false, nullptr));  // deferred
    ASSERT_TRUE(WaitFor([&] { return !pane.IsReading(); }, 20000));
    if (wasReading) {
        EXPECT_GE(pane.fullRefreshes, 2);  // the deferred one ran at the end
        EXPECT_NE(pane.Model()->FindByName("0-made-during-the-read"), nullptr);
    }

    pane.List()->SelectRow(10, true);
    pane.List()->SelectRow(20, true);
    pane.List()->SetFocusedRow(15, false, true);
    const std::vector<FolderItem*> selected = pane.List()->SelectedItems();
    FolderItem* focused = pane.List()->ItemAt(15);
    ASSERT_TRUE(big.MakeFile("1-made-later", "new"));
    ASSERT_TRUE(pane.RefreshPane(false, nullptr));
    EXPECT_EQ(pane.List()->SelectedItems(), selected);
    EXPECT_EQ(pane.List()->ItemAt(pane.List()->FocusedRow()), focused);
    EXPECT_NE(pane.Model()->FindByName("1-made-later"), nullptr);
    EXPECT_EQ(pane.List()->RowCount(), pane.Model()->ItemCount());
}

}  // namespace
