#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QScrollBar>
#include <QThread>
#include <algorithm>
#include <memory>

#include "PaneTestSupport.h"
#include "platform/ui/KeyState.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/PatternList.h"
#include "shell/ShellFixture.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

class PaneViewTest : public RealShellTest {
protected:
    void SetUp() override {
        m_general = General();
        first = std::make_unique<CountingPane>(host);
        AttachPanes(host, *first);
    }
    void TearDown() override {
        second.reset();
        first.reset();
        MutableGeneral() = m_general;
        SetLameMessages(false);
        LastVisualFilter().clear();
        VisualFilterHistory().Clear();
    }

    CountingPane& MakeSecond() {
        second = std::make_unique<CountingPane>(host);
        host.second = second.get();
        second->LoadSettings();
        return *second;
    }

    bool Open(CPanexView& pane, const QByteArray& path) {
        return pane.OpenFolder(ParsePath(NameFromBytes(path)));
    }

    FolderItem* Item(CPanexView& pane, const QString& name) {
        return pane.Model() ? pane.Model()->FindByName(name) : nullptr;
    }
    bool Listed(CPanexView& pane, const QString& name) {
        FolderItem* item = Item(pane, name);
        return item && pane.List()->RowOf(item) >= 0;
    }
    bool Selected(CPanexView& pane, const QString& name) {
        FolderItem* item = Item(pane, name);
        const int row = item ? pane.List()->RowOf(item) : -1;
        return row >= 0 && pane.List()->IsRowSelected(row);
    }

    TestPaneHost host;
    std::unique_ptr<CountingPane> first;
    std::unique_ptr<CountingPane> second;

private:
    GeneralSettings m_general;
};

// An unsorted pane lists its folder in the directory's order, the order in
// which a large folder streams in, so nothing moves when its read ends.
TEST_F(PaneViewTest, UnsortedPaneShowsTheDirectoryScanOrder) {
    TestDir dir;
    for (const char* name : {"e1", "e2", "e3", "e4", "e5", "e6"})
        ASSERT_TRUE(dir.MakeFile(name, "x"));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    first->List()->SetSortKey(ID_SORT_NONE);
    ASSERT_TRUE(Open(*first, dir.PathBytes()));

    const std::vector<QString> expected = ReaddirOrder(dir.PathBytes());
    EXPECT_EQ(RowNames(*first), expected);
    EXPECT_EQ(ItemNames(*first->Model()), expected);
    EXPECT_EQ(first->listedTotal(), 6u);
    EXPECT_EQ(first->CaptionText(), dir.Path());
    EXPECT_TRUE(first->Model()->IsWatching());
    EXPECT_GE(host.activationUpdates, 1);
}

// A refresh settles row by row: a grown file changes its size and the total
// and stays selected; a filtered-out entry that vanishes is dropped without
// touching the rows; new entries are listed as the filter allows; a folder
// that was deleted sends the pane to the Desktop.
TEST_F(PaneViewTest, RefreshSettlesRowByRow) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", QByteArray(10, 'a')));
    ASSERT_TRUE(dir.MakeFile("b.txt", QByteArray(5, 'b')));
    ASSERT_TRUE(dir.MakeFile("x.bin", QByteArray(3, 'x')));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(first->SetFilter("*.txt"));
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    first->Model()->SetWatchEnabled(false);  // this test refreshes by hand
    EXPECT_EQ(first->List()->RowCount(), 3);
    EXPECT_EQ(first->listedTotal(), 15u);
    EXPECT_EQ(Item(*first, "x.bin")->listState, kListHidden);

    PaneListCtrl& list = *first->List();
    list.SelectRow(list.RowOf(Item(*first, "a.txt")), true);
    int removed = 0;
    QAbstractItemModel* rows = list.ActiveView()->model();
    QObject::connect(rows, &QAbstractItemModel::rowsRemoved, [&] { ++removed; });

    ASSERT_TRUE(dir.MakeFile("a.txt", QByteArray(25, 'a')));
    ASSERT_EQ(::unlink(dir.Join("x.bin").constData()), 0);
    ASSERT_TRUE(dir.MakeFile("c.txt", QByteArray(4, 'c')));
    ASSERT_TRUE(dir.MakeFile("y.bin", QByteArray(9, 'y')));
    ASSERT_TRUE(first->RefreshPane(false, nullptr));

    EXPECT_EQ(Item(*first, "a.txt")->size, 25u);
    EXPECT_EQ(Item(*first, "a.txt")->listState, kListListed);
    EXPECT_EQ(rows->data(rows->index(list.RowOf(Item(*first, "a.txt")), 1)).toString(),
              Item(*first, "a.txt")->SizeText());
    EXPECT_TRUE(Selected(*first, "a.txt"));
    EXPECT_EQ(first->listedTotal(), 25u + 5u + 4u);
    EXPECT_EQ(Item(*first, "x.bin"), nullptr);
    EXPECT_EQ(removed, 0);
    EXPECT_TRUE(Listed(*first, "c.txt"));
    ASSERT_NE(Item(*first, "y.bin"), nullptr);
    EXPECT_FALSE(Listed(*first, "y.bin"));
    EXPECT_EQ(list.RowCount(), 4);

    // A listed file that vanishes loses its row; with selectChanged a
    // changed file is selected and named.
    ASSERT_EQ(::unlink(dir.Join("b.txt").constData()), 0);
    ASSERT_TRUE(dir.MakeFile("c.txt", QByteArray(6, 'c')));
    QStringList names;
    ASSERT_TRUE(first->RefreshPane(true, &names));
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(names, QStringList{"c.txt"});
    EXPECT_TRUE(Selected(*first, "c.txt"));
    EXPECT_EQ(first->listedTotal(), 25u + 6u);

    // Without selectChanged the named rows are unselected.
    ASSERT_TRUE(first->RefreshPane(false, &names));
    EXPECT_FALSE(Selected(*first, "c.txt"));
    EXPECT_TRUE(Selected(*first, "a.txt"));

    // The folder itself goes.
    ASSERT_EQ(std::system(("rm -rf '" + dir.PathBytes() + "'").constData()), 0);
    EXPECT_FALSE(first->RefreshPane(false, nullptr));
    ASSERT_NE(first->Model(), nullptr);
    EXPECT_TRUE(first->Model()->idList.IsEmpty());
}

// The watch refreshes the pane by itself, once per burst of changes.
TEST_F(PaneViewTest, ChangesAppearWithoutUserAction) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("old.txt", "o"));
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    ASSERT_TRUE(first->Model()->IsWatching());

    ASSERT_TRUE(dir.MakeFile("new.txt", "n"));
    EXPECT_TRUE(WaitFor([&] { return Listed(*first, "new.txt"); }));
    ASSERT_TRUE(WaitFor([&] { return first->Model()->watch->SettledCount() >= 1; }));

    // Ten files in a row, then a marker after they have shown: two bursts,
    // two refreshes.
    const int refreshes = first->refreshes;
    const int settled = first->Model()->watch->SettledCount();
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(dir.MakeFile("burst" + QByteArray::number(i), "b"));
    EXPECT_TRUE(WaitFor([&] { return Listed(*first, "burst0") && Listed(*first, "burst9"); }));
    ASSERT_TRUE(dir.MakeFile("marker", "m"));
    EXPECT_TRUE(WaitFor([&] { return Listed(*first, "marker"); }));
    EXPECT_EQ(first->Model()->watch->SettledCount() - settled, 2);
    EXPECT_EQ(first->refreshes - refreshes, 2);
    EXPECT_EQ(first->List()->RowCount(), 13);
}

// A refresh that finds one file changed touches that row only (selection,
// focus and scroll position stay), and the watch's notice of that change,
// which settled before the refresh read the folder, reads nothing again; a
// later change is still picked up.
TEST_F(PaneViewTest, RefreshTouchesOnlyTheChangedRowAndReadsOnce) {
    TestDir dir;
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(dir.MakeFile("f" + QByteArray::number(i), "x"));
    first->resize(500, 300);
    first->show();
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    ASSERT_TRUE(first->Model()->IsWatching());
    PaneListCtrl& list = *first->List();
    list.SetFocusedRow(list.RowOf(Item(*first, "f300")), true, true);
    list.SelectRow(list.RowOf(Item(*first, "f7")), true);
    QCoreApplication::processEvents();
    QAbstractItemView* view = list.ActiveView();
    const int hScroll = view->horizontalScrollBar()->value();
    const int vScroll = view->verticalScrollBar()->value();
    ASSERT_GT(hScroll + vScroll, 0);  // the focused row scrolled into view

    QAbstractItemModel* rows = view->model();
    std::vector<std::pair<int, int>> changedRows;
    int structural = 0;
    QObject::connect(rows, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& a, const QModelIndex& b) {
                         changedRows.emplace_back(a.row(), b.row());
                     });
    const auto count = [&] { ++structural; };
    QObject::connect(rows, &QAbstractItemModel::layoutChanged, count);
    QObject::connect(rows, &QAbstractItemModel::modelReset, count);
    QObject::connect(rows, &QAbstractItemModel::rowsInserted, count);
    QObject::connect(rows, &QAbstractItemModel::rowsRemoved, count);

    // The change settles and its notice waits in the queue (the events are
    // not processed meanwhile) when the pane is refreshed by hand.
    const ChangeWatch& watch = *first->Model()->watch;
    const int settled = watch.SettledCount();
    ASSERT_TRUE(dir.MakeFile("f42", "grown"));
    SpinFor([&] { return watch.SettledCount() != settled; }, 5000, 2);
    ASSERT_GT(watch.SettledCount(), settled);
    const int refreshes = first->refreshes;
    ASSERT_TRUE(first->RefreshPane(false, nullptr));
    QCoreApplication::sendPostedEvents(first.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(first->refreshes - refreshes, 1);

    const int row = list.RowOf(Item(*first, "f42"));
    EXPECT_EQ(changedRows, (std::vector<std::pair<int, int>>{{row, row}}));
    EXPECT_EQ(structural, 0);
    EXPECT_EQ(Item(*first, "f42")->size, 5u);
    EXPECT_EQ(list.FocusedRow(), list.RowOf(Item(*first, "f300")));
    EXPECT_TRUE(Selected(*first, "f300"));
    EXPECT_TRUE(Selected(*first, "f7"));
    EXPECT_EQ(list.SelectedCount(), 2);
    EXPECT_EQ(view->horizontalScrollBar()->value(), hScroll);
    EXPECT_EQ(view->verticalScrollBar()->value(), vScroll);

    // A change after that refresh reaches the pane by the watch alone.
    ASSERT_TRUE(dir.MakeFile("late", "l"));
    EXPECT_TRUE(WaitFor([&] { return Listed(*first, "late"); }));
    EXPECT_EQ(first->refreshes - refreshes, 2);
}

// A change from outside reaches the pane through the names the watch saw:
// only those entries are looked at, never the whole folder, with the rows,
// the selection and the listed total a full re-read would give.
TEST_F(PaneViewTest, WatchRefreshesOnlyTheNamedEntries) {
    TestDir dir;
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(dir.MakeFile("f" + QByteArray::number(i), "x"));
    ASSERT_TRUE(dir.MakeFile("gone.log", "log"));
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    ASSERT_TRUE(first->SetFilter(QStringLiteral("f*,new")));
    first->ReapplyFilter();
    ASSERT_TRUE(first->Model()->IsWatching());
    PaneListCtrl& list = *first->List();
    list.SelectRow(list.RowOf(Item(*first, "f7")), true);
    const int full = first->fullRefreshes;

    ASSERT_TRUE(dir.MakeFile("f3", "grown by nine"));
    ASSERT_TRUE(dir.MakeFile("new", "fresh"));
    ASSERT_TRUE(dir.MakeFile("new.log", "filtered out"));
    ASSERT_EQ(::unlink(dir.Join("f9").constData()), 0);
    ASSERT_EQ(::unlink(dir.Join("gone.log").constData()), 0);
    EXPECT_TRUE(WaitFor([&] {
        return Listed(*first, "new") && !Listed(*first, "f9") && Item(*first, "f3")->size == 13;
    }));
    EXPECT_EQ(first->fullRefreshes, full) << "the folder was read again in full";
    EXPECT_GE(first->namedRefreshes, 1);
    EXPECT_FALSE(Listed(*first, "new.log"));
    EXPECT_TRUE(Selected(*first, "f7"));
    EXPECT_EQ(list.SelectedCount(), 1);

    // What a fresh look at the folder gives.
    CountingPane& other = MakeSecond();
    ASSERT_TRUE(Open(other, dir.PathBytes()));
    ASSERT_TRUE(other.SetFilter(QStringLiteral("f*,new")));
    other.ReapplyFilter();
    EXPECT_EQ(first->listedTotal(), other.listedTotal());
    EXPECT_EQ(list.RowCount(), other.List()->RowCount());
    EXPECT_EQ(first->Model()->ItemCount(), other.Model()->ItemCount());

    // The folder itself goes: the pane follows it to the Desktop.
    ASSERT_EQ(std::system(("rm -rf '" + dir.PathBytes() + "'").constData()), 0);
    EXPECT_TRUE(WaitFor([&] { return first->Model()->idList.IsEmpty(); }));
}

// Only an event naming the current model refreshes, and queued duplicates
// are dropped.
TEST_F(PaneViewTest, FolderChangedEventsOfOtherModelsAreIgnored) {
    TestDir dir;
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    const auto post = [&](quintptr parameter) {
        QCoreApplication::postEvent(
            first.get(), new ChangeWatchEvent(QEvent::Type(WM_FOLDER_CHANGED), parameter));
    };
    post(quintptr(first.get()));  // not a model
    QCoreApplication::sendPostedEvents(first.get());
    EXPECT_EQ(first->refreshes, 0);

    const quintptr current = quintptr(first->Model());
    post(current);
    post(current);
    post(current);
    QCoreApplication::sendPostedEvents(first.get());
    EXPECT_EQ(first->refreshes, 1);
}

TEST_F(PaneViewTest, VisualFilter) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "aa"));
    ASSERT_TRUE(dir.MakeFile("b.cpp", "bbb"));
    ASSERT_TRUE(dir.MakeFile(".hidden.txt", "h"));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    EXPECT_EQ(first->List()->RowCount(), 4);

    ASSERT_TRUE(first->SetFilter(" *.TXT "));
    first->ReapplyFilter();
    EXPECT_EQ(first->FilterText(), "*.TXT");
    EXPECT_TRUE(Listed(*first, "a.txt"));
    EXPECT_TRUE(Listed(*first, ".hidden.txt"));
    EXPECT_TRUE(Listed(*first, "sub"));
    EXPECT_FALSE(Listed(*first, "b.cpp"));
    EXPECT_EQ(first->listedTotal(), 3u);
    EXPECT_EQ(first->CaptionText(), dir.Path() + " [*.TXT]");
    EXPECT_EQ(VisualFilterHistory().First(), " *.TXT ");
    EXPECT_EQ(LastVisualFilter(), " *.TXT ");

    // The same filter in another case changes nothing; one without patterns
    // is refused.
    ASSERT_TRUE(first->SetFilter("*.txt"));
    EXPECT_EQ(first->FilterText(), "*.TXT");
    EXPECT_EQ(VisualFilterHistory().count(), 1);
    EXPECT_FALSE(first->SetFilter(" , "));
    EXPECT_EQ(first->FilterText(), "*.TXT");

    ASSERT_TRUE(first->SetFilter("*"));
    first->ReapplyFilter();
    EXPECT_EQ(first->List()->RowCount(), 4);
    EXPECT_EQ(first->listedTotal(), 6u);
    EXPECT_EQ(first->CaptionText(), dir.Path());
    EXPECT_EQ(LastVisualFilter(), " *.TXT ");
    EXPECT_EQ(VisualFilterHistory().First(), "*");
}

// A folder that can't be read leaves the pane where it was, with the
// folder's title (or "(that folder)" when it has none) in the alert.
TEST_F(PaneViewTest, UnreadableFolderKeepsThePane) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("here/f", "f"));
    ASSERT_TRUE(dir.MakeFolder("locked"));
    ASSERT_TRUE(dir.MakeFolder("gone"));
    ASSERT_TRUE(Open(*first, dir.Join("here")));
    FolderModel* before = first->Model();
    const IdList goneId = ParsePath(NameFromBytes(dir.Join("gone")));
    ASSERT_FALSE(goneId.IsNull());
    ASSERT_EQ(::rmdir(dir.Join("gone").constData()), 0);
    ASSERT_TRUE(dir.SetMode("locked", 0));

    NoticeRecorder notices;
    {
        ScopedNoDacOverride noOverride;
        EXPECT_FALSE(Open(*first, dir.Join("locked")));
    }
    // The notice says why, as the system said it.
    EXPECT_TRUE(notices.Has("Reading from '" + NameFromBytes(dir.Join("locked")) +
                                "' has failed miserably: Permission denied",
                            true));
    EXPECT_EQ(first->Model(), before);
    EXPECT_TRUE(Listed(*first, "f"));

    EXPECT_FALSE(first->OpenFolder(goneId));
    // The vanished folder has no title: it is named by its path.
    EXPECT_TRUE(notices.Has("Reading from '" + NameFromBytes(dir.Join("gone")) +
                                "' has failed miserably: No such file or directory",
                            true));
    EXPECT_EQ(first->Model(), before);
    EXPECT_TRUE(notices.Has("Reading folder...", false));
}

// Names are bytes and case-sensitive: "a" and "A" are two rows, a name that
// is not UTF-8 is listed and keeps its bytes, and sorting is stable.
TEST_F(PaneViewTest, NamesDifferingInCaseAndUndecodableNames) {
    TestDir dir;
    for (const QByteArray& name :
         {QByteArray("a"), QByteArray("A"), QByteArray("caf\xe9"), QByteArray("b")}) {
        ASSERT_TRUE(dir.MakeFile(name, name));
    }
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    EXPECT_EQ(first->List()->RowCount(), 4);
    ASSERT_NE(Item(*first, "a"), nullptr);
    ASSERT_NE(Item(*first, "A"), nullptr);
    EXPECT_NE(Item(*first, "a"), Item(*first, "A"));
    const QString odd = NameFromBytes(QByteArray("caf\xe9"));
    ASSERT_NE(Item(*first, odd), nullptr);
    EXPECT_EQ(NameToBytes(Item(*first, odd)->name), QByteArray("caf\xe9"));
    EXPECT_EQ(Item(*first, odd)->size, 4u);

    PaneListCtrl& list = *first->List();
    list.SetSortKey(ID_SORT_NAME);
    list.SetAscending(true);
    list.Sort();
    const std::vector<QString> sorted = RowNames(*first);
    ASSERT_EQ(sorted.size(), 4u);
    EXPECT_EQ(sorted[2], "b");
    EXPECT_EQ(sorted[3], odd);
    // The two that tie keep the model's order, sort after sort.
    const std::vector<QString> model = ItemNames(*first->Model());
    const bool lowerFirst =
        std::find(model.begin(), model.end(), "a") < std::find(model.begin(), model.end(), "A");
    EXPECT_EQ(sorted[0], lowerFirst ? "a" : "A");
    EXPECT_EQ(sorted[1], lowerFirst ? "A" : "a");
    list.Sort();
    EXPECT_EQ(RowNames(*first), sorted);
}

TEST_F(PaneViewTest, SettingsClamps) {
    ProfileStore& store = host.store;
    for (auto [value, expected] : {std::pair{999, 20000}, std::pair{1000, 1000},
                                   std::pair{10000000, 10000000}, std::pair{10000001, 20000}}) {
        store.WriteProfileInt(kLeftPaneSection, "msFreeSpaceUpdateInterval", value);
        first->LoadSettings();
        EXPECT_EQ(first->freeSpaceUpdateInterval(), expected) << value;
        EXPECT_EQ(store.GetProfileInt(kLeftPaneSection, "msFreeSpaceUpdateInterval", 0), expected);
    }

    store.WriteProfileString(kLeftPaneSection, "szDisplayFilter", "");
    store.WriteProfileString(kLeftPaneSection, "szInitialFolder", " \t /some/where ");
    store.WriteProfileInt(kLeftPaneSection, "nMaxListColumnWidth", 49);
    store.WriteProfileString(kRightPaneSection, "szDisplayFilter", " , ");
    store.WriteProfileInt(kRightPaneSection, "nMaxListColumnWidth", 50);
    store.WriteProfileInt(kRightPaneSection, "msFreeSpaceUpdateInterval", 999);
    store.WriteProfileInt(kRightPaneSection, "bLameMessages", 7);
    store.WriteProfileString(kRightPaneSection, "szDisplayFilter", "*.c, -x*");
    first->LoadSettings();
    CountingPane& right = MakeSecond();
    EXPECT_EQ(first->SettingsSection(), kLeftPaneSection);
    EXPECT_EQ(right.SettingsSection(), kRightPaneSection);
    EXPECT_EQ(first->FilterText(), "*");
    EXPECT_EQ(first->initialFolder(), "/some/where ");
    EXPECT_EQ(first->maxListColumnWidth(), 0);
    EXPECT_EQ(right.FilterText(), "*.c,-x*");
    EXPECT_EQ(LastVisualFilter(), "*.c,-x*");
    EXPECT_EQ(right.maxListColumnWidth(), 50);
    EXPECT_EQ(store.GetProfileInt(kRightPaneSection, "msFreeSpaceUpdateInterval", 0), 999);
    EXPECT_EQ(store.GetProfileInt(kRightPaneSection, "bLameMessages", 0), 1);
    EXPECT_TRUE(LameMessages());
    SetLameMessages(false);

    store.WriteProfileString(kRightPaneSection, "szDisplayFilter", " , ");
    right.LoadSettings();
    EXPECT_EQ(right.FilterText(), "*");

    // Saving: the initial folder only for a file-system folder; nothing at
    // all with "bSaveSettings" off.
    TestDir dir;
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    ASSERT_TRUE(right.OpenFolder(SHGetSpecialFolderLocation(CSIDL_DRIVES)));
    store.WriteProfileString(kRightPaneSection, "szInitialFolder", "/kept");
    first->SetStickySelection(true);
    MutableGeneral().saveSettings = false;
    first->SaveSettings(store);
    EXPECT_FALSE(store.HasEntry(kLeftPaneSection, "bStickySelection"));
    MutableGeneral().saveSettings = true;
    first->SaveSettings(store);
    right.SaveSettings(store);
    EXPECT_EQ(store.GetProfileString(kLeftPaneSection, "szInitialFolder"), dir.Path());
    EXPECT_EQ(store.GetProfileString(kRightPaneSection, "szInitialFolder"), "/kept");
    EXPECT_EQ(store.GetProfileInt(kLeftPaneSection, "bStickySelection", 0), 1);
    EXPECT_EQ(store.GetProfileString(kRightPaneSection, "szDisplayFilter"), "*");
}

// Refresh (ID_PANE_REFRESH) acts on the pane it is given to, or on the other one with
// Alt, and says which.
TEST_F(PaneViewTest, RefreshCommand) {
    TestDir one;
    TestDir two;
    CountingPane& right = MakeSecond();
    ASSERT_TRUE(Open(*first, one.PathBytes()));
    ASSERT_TRUE(Open(right, two.PathBytes()));
    NoticeRecorder notices;

    ASSERT_TRUE(first->OnCommand(ID_PANE_REFRESH));
    EXPECT_EQ(first->refreshes, 1);
    EXPECT_EQ(notices.LastText()->text, "First pane contents have been refreshed");
    EXPECT_FALSE(notices.LastText()->alert);
    {
        ScopedKeyState alt(Qt::AltModifier);
        ASSERT_TRUE(first->OnCommand(ID_PANE_REFRESH));
    }
    EXPECT_EQ(first->refreshes, 1);
    EXPECT_EQ(right.refreshes, 1);
    EXPECT_EQ(notices.LastText()->text, "Second pane contents have been refreshed");

    ASSERT_EQ(::rmdir(two.PathBytes().constData()), 0);
    ASSERT_TRUE(right.OnCommand(ID_PANE_REFRESH));
    EXPECT_EQ(notices.LastText()->text, "Refresh has failed; stale-ness is triumphant again");
    EXPECT_TRUE(notices.LastText()->alert);
    EXPECT_TRUE(right.Model()->idList.IsEmpty());

    CommandState state;
    EXPECT_TRUE(first->OnUpdateCommand(ID_PANE_REFRESH, state));
    EXPECT_TRUE(state.enabled);
    CommandState sort;
    first->List()->SetSortKey(ID_SORT_SIZE);
    ASSERT_TRUE(first->OnUpdateCommand(ID_SORT_SIZE, sort));
    EXPECT_TRUE(sort.checked);
    ASSERT_TRUE(first->OnCommand(ID_SORT_NAME));
    EXPECT_EQ(first->List()->SortKey(), ID_SORT_NAME);
}

// Start-up: the command line's folder (a wildcard part becomes the filter),
// else the stored initial folder, else the current directory; anything
// that fails gives the Desktop.
TEST_F(PaneViewTest, StartUpFolder) {
    TestDir one;
    TestDir two;
    TestDir three;
    CwdKeeper keeper;  // put back before the folders go
    ASSERT_TRUE(one.MakeFile("a.txt", "a"));
    ASSERT_TRUE(one.MakeFile("b.bin", "b"));

    host.firstFolder = one.Path() + "/*.txt";
    ASSERT_TRUE(first->InitialUpdate());
    EXPECT_EQ(first->Model()->path, one.Path());
    EXPECT_EQ(first->FilterText(), "*.txt");
    EXPECT_TRUE(Listed(*first, "a.txt"));
    EXPECT_FALSE(Listed(*first, "b.bin"));

    host.store.WriteProfileString(kRightPaneSection, "szInitialFolder", "   " + two.Path());
    CountingPane& right = MakeSecond();
    ASSERT_TRUE(right.InitialUpdate());
    EXPECT_EQ(right.Model()->path, two.Path());
    EXPECT_TRUE(right.initialFolder().isEmpty());

    host.secondFolder = "/no/such/folder/at/all";
    NoticeRecorder notices;
    ASSERT_TRUE(right.InitialUpdate());
    EXPECT_TRUE(right.Model()->idList.IsEmpty());

    host.secondFolder.clear();
    ASSERT_EQ(::chdir(three.PathBytes().constData()), 0);
    ASSERT_TRUE(right.InitialUpdate());
    EXPECT_EQ(right.Model()->path, three.Path());
}

}  // namespace
