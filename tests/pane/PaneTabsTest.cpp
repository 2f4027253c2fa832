// The tabs of a pane side: each tab a pane view of its own; restoring,
// locking, moving, closing, history per tab, the settings round trip.

#include <gtest/gtest.h>

#include <QDir>
#include <QTabBar>

#include "pane/Bookmarks.h"
#include "pane/PaneTabs.h"
#include "pane/PaneTestSupport.h"
#include "pane/TabSettings.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "support/TestDir.h"

namespace {

// The window of two sides: its store, the active pane and the command line.
class TabsWindow : public PaneHost {
public:
    explicit TabsWindow(const QString& storePath) : store(storePath) {}
    ProfileStore& Store() override { return store; }
    QString CommandLineFolder(const CPanexView& pane) const override {
        return left && left->IndexOf(&pane) >= 0 ? leftFolder : rightFolder;
    }
    bool IsFirstPane(const CPanexView&) const override { return true; }
    CPanexView* OtherPane(const CPanexView&) const override { return nullptr; }
    CPanexView* ActivePane() const override { return active; }

    ProfileStore store;
    PaneTabs* left = nullptr;
    CPanexView* active = nullptr;
    QString leftFolder;
    QString rightFolder;
};

QString FolderOf(const CPanexView* view) {
    return view && view->Model() ? view->Model()->path : QString();
}

class PaneTabsTest : public RealShellTest {
protected:
    void SetUp() override {
        MutableGeneral() = GeneralSettings();
        for (const char* folder : {"a/deep", "b", "c"}) ASSERT_TRUE(dir.MakeFolder(folder));
        ASSERT_TRUE(dir.MakeFile("a/one.txt", "1"));
        ASSERT_TRUE(dir.MakeFile("b/two.txt", "22"));
        window = std::make_unique<TabsWindow>(dir.Path() + QStringLiteral("/profile.ini"));
        Make();
    }
    void TearDown() override {
        right.reset();
        left.reset();
        TheBookmarks().Clear();
    }

    // Both sides anew over the same store, started as the window starts
    // them: settings, the stored tabs, the first folders.
    void Make() {
        right.reset();
        left.reset();
        left = std::make_unique<PaneTabs>(*window, true);
        right = std::make_unique<PaneTabs>(*window, false);
        left->SetOther(right.get());
        right->SetOther(left.get());
        window->left = left.get();
        window->active = left->Current();
    }
    void Start() {
        left->Current()->LoadSettings();
        right->Current()->LoadSettings();
        left->BeginRestore();
        right->BeginRestore();
        left->Current()->InitialUpdate();
        right->Current()->InitialUpdate();
        left->FinishRestore();
        right->FinishRestore();
        window->active = left->Current();
    }
    QString P(const char* relative) const { return dir.Path() + u'/' + QLatin1String(relative); }
    bool Open(CPanexView* view, const char* relative) {
        return view->OpenFolder(ParsePath(P(relative)));
    }

    CwdKeeper cwd;
    TestDir dir;
    std::unique_ptr<TabsWindow> window;
    std::unique_ptr<PaneTabs> left;
    std::unique_ptr<PaneTabs> right;
};

TEST_F(PaneTabsTest, EachTabKeepsItsOwnFolderHistoryAndViewAndSwitchingReadsNothing) {
    window->leftFolder = P("a");
    window->rightFolder = P("c");
    Start();
    CPanexView* first = left->Current();
    ASSERT_TRUE(Open(first, "b"));
    CPanexView* second = left->OpenInNewTab(ParsePath(P("c")), true);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(left->Count(), 2);
    EXPECT_EQ(left->Current(), second);
    EXPECT_FALSE(left->TabBar()->isHidden());
    second->List()->SetViewStyle(ID_VIEW_DETAILS);

    // History: the first tab came from a, the second from nowhere.
    ASSERT_TRUE(first->Navigation().PreviousPath());
    EXPECT_EQ(*first->Navigation().PreviousPath(), P("a"));
    EXPECT_FALSE(second->Navigation().PreviousPath());
    EXPECT_NE(first->List()->ViewStyle(), ID_VIEW_DETAILS);

    // A switch shows the tab that is there: same model, same rows.
    const FolderModel* firstModel = first->Model();
    left->SetCurrentIndex(0);
    EXPECT_EQ(left->Current(), first);
    EXPECT_EQ(first->Model(), firstModel);
    EXPECT_EQ(FolderOf(first), P("b"));
    EXPECT_EQ(first->List()->RowCount(), 1);
    left->Step(1);
    EXPECT_EQ(left->Current(), second);
    left->Step(1);  // wraps
    EXPECT_EQ(left->Current(), first);

    // Asked from either side, only a tab not shown on its side is hidden:
    // the other side's shown tab is the pane Tab goes to.
    PaneHost& rightHost = right->Current()->Host();
    EXPECT_FALSE(rightHost.IsPaneHidden(*first));
    EXPECT_TRUE(rightHost.IsPaneHidden(*second));
    EXPECT_FALSE(first->Host().IsPaneHidden(*right->Current()));
    EXPECT_TRUE(first->Host().IsPaneHidden(*second));
    EXPECT_EQ(rightHost.OtherPane(*right->Current()), first);
    EXPECT_EQ(left->TabText(0), QStringLiteral("b"));
    EXPECT_EQ(left->TabText(1), QStringLiteral("c"));
    // A tab that is not the active pane, sent to an empty folder, is named
    // after it once the opening is over.
    ASSERT_NE(window->active, second);
    ASSERT_TRUE(Open(second, "a/deep"));
    QCoreApplication::processEvents();
    EXPECT_EQ(left->TabBar()->tabText(1), QStringLiteral("deep"));
    // So is a new tab on an empty folder that goes on to another empty one.
    CPanexView* fresh = left->OpenInNewTab(ParsePath(P("a/deep")), false);
    ASSERT_NE(fresh, nullptr);
    ASSERT_TRUE(Open(fresh, "c"));
    QCoreApplication::processEvents();
    EXPECT_EQ(left->TabBar()->tabText(left->IndexOf(fresh)), QStringLiteral("c"));
}

TEST_F(PaneTabsTest, ATabNotShownStillFollowsItsFolder) {
    window->leftFolder = P("a");
    Start();
    CPanexView* background = left->OpenInNewTab(ParsePath(P("b")), false);
    ASSERT_NE(background, nullptr);
    ASSERT_NE(left->Current(), background);
    ASSERT_EQ(background->List()->RowCount(), 1);
    ASSERT_TRUE(dir.MakeFile("b/arrived.txt", "x"));
    EXPECT_TRUE(WaitFor([&] { return background->List()->RowCount() == 2; }))
        << "the hidden tab did not pick up the new file";
    EXPECT_NE(left->Current(), background);
}

TEST_F(PaneTabsTest, ALockedTabOpensFoldersInANewTabAndStaysPut) {
    window->leftFolder = P("a");
    Start();
    CPanexView* locked = left->Current();
    left->SetLocked(0, true);
    EXPECT_TRUE(left->IsLocked(0));
    // Going down, and the parent (Bksp's way), both leave it where it is.
    ASSERT_TRUE(Open(locked, "a/deep"));
    EXPECT_EQ(FolderOf(locked), P("a"));
    ASSERT_EQ(left->Count(), 2);
    EXPECT_EQ(FolderOf(left->ViewAt(1)), P("a/deep"));
    EXPECT_EQ(left->Current(), left->ViewAt(1));
    EXPECT_FALSE(left->IsLocked(1));
    // The new tab is an ordinary one: it goes where it is sent.
    ASSERT_TRUE(Open(left->ViewAt(1), "b"));
    EXPECT_EQ(left->Count(), 2);
    EXPECT_EQ(FolderOf(left->ViewAt(1)), P("b"));
    // Unlocked, the tab moves again.
    left->SetLocked(0, false);
    ASSERT_TRUE(Open(locked, "c"));
    EXPECT_EQ(FolderOf(locked), P("c"));
    EXPECT_EQ(left->Count(), 2);
}

TEST_F(PaneTabsTest, ATabMovesToTheOtherSideWithItsViewAndCloseOthersKeepsOne) {
    window->leftFolder = P("a");
    window->rightFolder = P("c");
    Start();
    CPanexView* moving = left->Current();
    ASSERT_TRUE(Open(moving, "b"));
    moving->List()->SelectAll();
    ASSERT_EQ(moving->List()->SelectedItems().size(), 1u);
    const FolderModel* model = moving->Model();
    // The last tab of a side stays.
    EXPECT_FALSE(left->MoveTabTo(0, *right));
    ASSERT_NE(left->OpenInNewTab(ParsePath(P("a")), false), nullptr);
    left->SetLocked(0, true);

    ASSERT_TRUE(left->MoveTabTo(0, *right));
    EXPECT_EQ(left->Count(), 1);
    EXPECT_EQ(FolderOf(left->Current()), P("a"));
    ASSERT_EQ(right->Count(), 2);
    EXPECT_EQ(right->Current(), moving);
    EXPECT_EQ(moving->Model(), model) << "the folder was read again";
    EXPECT_EQ(moving->List()->SelectedItems().size(), 1u);
    EXPECT_TRUE(right->IsLocked(1));
    ASSERT_TRUE(moving->Navigation().PreviousPath());
    EXPECT_EQ(*moving->Navigation().PreviousPath(), P("a"));
    // It is a second-pane view now: its settings go to the right section.
    EXPECT_EQ(moving->SettingsSection(), kRightPaneSection);

    ASSERT_NE(right->OpenInNewTab(ParsePath(P("a/deep")), false), nullptr);
    EXPECT_EQ(right->Count(), 3);
    EXPECT_EQ(right->CloseOtherTabs(right->IndexOf(moving)), 2);
    EXPECT_EQ(right->Count(), 1);
    EXPECT_EQ(right->Current(), moving);
    EXPECT_FALSE(right->CloseTab(0));
    EXPECT_EQ(right->Count(), 1);
}

TEST_F(PaneTabsTest, ANewTabTakesTheSettingsOfItsSourceAndReloadsNothingProcessWide) {
    window->leftFolder = P("b");
    Start();
    CPanexView* source = left->Current();
    ASSERT_TRUE(source->OpenFolder(ParsePath(P("a"))));
    source->List()->SetSortKey(ID_SORT_SIZE);
    source->List()->SetAscending(false);
    source->List()->SetViewStyle(ID_VIEW_DETAILS);
    source->SetStickySelection(true);
    ASSERT_TRUE(source->SetFilter(QStringLiteral("*.txt")));
    // Set in this run, never saved: a reload from the store would lose it.
    TheBookmarks().Set(2, P("c"));
    MutableGeneral().saveSettings = false;

    CPanexView* copy = left->DuplicateTab(0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->List()->SortKey(), ID_SORT_SIZE);
    EXPECT_FALSE(copy->List()->Ascending());
    EXPECT_EQ(copy->List()->ViewStyle(), ID_VIEW_DETAILS);
    EXPECT_TRUE(copy->stickySelection());
    EXPECT_EQ(copy->FilterText(), QStringLiteral("*.txt"));
    EXPECT_EQ(FolderOf(copy), P("a"));
    EXPECT_EQ(TheBookmarks().At(2), P("c"));
    EXPECT_FALSE(General().saveSettings) << "the copy left the user's choice changed";
    // Its history is the source's: Back goes where the source came from.
    EXPECT_EQ(copy->Navigation().Entries(), source->Navigation().Entries());
    EXPECT_EQ(copy->Navigation().Current(), source->Navigation().Current());
    EXPECT_EQ(copy->Navigation().PreviousPath(), std::optional<QString>(P("b")));

    // A new tab on a folder lists everything.
    CPanexView* fresh = left->OpenInNewTab(ParsePath(P("b")), true);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->FilterText(), kNoFilter);
    EXPECT_EQ(fresh->List()->ViewStyle(), ID_VIEW_DETAILS);
}

TEST_F(PaneTabsTest, TabsComeBackFromTheStoreAndAGoneFolderOpensItsNearestParent) {
    window->leftFolder = P("a");
    Start();
    ASSERT_NE(left->OpenInNewTab(ParsePath(P("a/deep")), false, 1), nullptr);
    CPanexView* third = left->OpenInNewTab(ParsePath(P("b")), true, 2);
    ASSERT_NE(third, nullptr);
    third->List()->SetViewStyle(ID_VIEW_DETAILS);
    ASSERT_TRUE(third->SetFilter(QStringLiteral("*.txt")));
    third->ReapplyFilter();
    left->SetLocked(1, true);
    left->SaveSettings(window->store);
    right->SaveSettings(window->store);
    ASSERT_TRUE(QDir(P("a/deep")).removeRecursively());
    // An empty folder gives no rows to follow: its tab is named all the same.
    ASSERT_TRUE(QDir(P("a")).removeRecursively());
    ASSERT_TRUE(dir.MakeFolder("a"));

    window->leftFolder.clear();
    Make();
    NoticeRecorder notices;
    Start();
    ASSERT_EQ(left->Count(), 3);
    EXPECT_EQ(left->CurrentIndex(), 2);
    EXPECT_EQ(FolderOf(left->ViewAt(0)), P("a"));
    EXPECT_EQ(FolderOf(left->ViewAt(1)), P("a")) << "the nearest parent that is left";
    EXPECT_EQ(FolderOf(left->ViewAt(2)), P("b"));
    EXPECT_TRUE(left->IsLocked(1));
    EXPECT_FALSE(left->IsLocked(2));
    EXPECT_EQ(left->ViewAt(2)->List()->ViewStyle(), ID_VIEW_DETAILS);
    EXPECT_EQ(left->ViewAt(2)->FilterText(), QStringLiteral("*.txt"));
    EXPECT_EQ(left->ViewAt(0)->FilterText(), kNoFilter);
    // Tabs that were never shown are named after their folders too.
    QCoreApplication::processEvents();
    EXPECT_EQ(left->TabBar()->tabText(0), QStringLiteral("a"));
    EXPECT_EQ(left->TabBar()->tabText(2), QStringLiteral("b"));
    EXPECT_TRUE(notices.Has(QStringLiteral("The folder '%1' of a tab has gone; the tab shows '%2'")
                                .arg(P("a/deep"), P("a")),
                            true));
    EXPECT_EQ(right->Count(), 1);
}

TEST_F(PaneTabsTest, TheShownTabsFolderGoneAndSavingOffLeaveNothingLost) {
    window->leftFolder = P("a");
    Start();
    ASSERT_NE(left->OpenInNewTab(ParsePath(P("a/deep")), true), nullptr);
    left->SaveSettings(window->store);
    ASSERT_TRUE(QDir(P("a/deep")).removeRecursively());

    // The shown tab starts on the nearest parent of its folder.
    window->leftFolder.clear();
    Make();
    Start();
    ASSERT_EQ(left->Count(), 2);
    EXPECT_EQ(left->CurrentIndex(), 1);
    EXPECT_EQ(FolderOf(left->Current()), P("a"));

    // With "bSaveSettings" off nothing is written at all.
    ASSERT_NE(left->OpenInNewTab(ParsePath(P("c")), true), nullptr);
    MutableGeneral().saveSettings = false;
    left->SaveSettings(window->store);
    EXPECT_EQ(window->store.GetProfileInt(kLeftPaneSection, QStringLiteral("nTabs"), 0), 2);
}

// The store's side: a round trip, and damaged values that cost only
// themselves.
TEST(TabSettings, RoundTripAndDamagedValuesLoseOnlyThemselves) {
    TestDir dir;
    ProfileStore store(dir.Path() + QStringLiteral("/p.ini"));
    const QString section = kLeftPaneSection;
    store.WriteProfileString(section, QStringLiteral("szInitialFolder"), QStringLiteral("/tmp"));
    TabSetRecord set;
    set.tabs = {
        {QStringLiteral("/a"), false, QStringLiteral("*"), ID_VIEW_LIST, ID_SORT_NAME, true},
        {QStringLiteral("sftp://host/x"), true, QStringLiteral("*.c,*.h"), ID_VIEW_DETAILS,
         ID_SORT_DATE, false},
        {QStringLiteral("/b"), false, QStringLiteral("*"), ID_VIEW_SMALLICON, ID_SORT_SIZE, true}};
    set.current = 1;
    WriteTabSet(store, section, set);
    EXPECT_EQ(ReadTabSet(store, section), set);
    // A layout's prefix keeps a set apart from the pane's own.
    EXPECT_FALSE(ReadTabSet(store, section, QStringLiteral("Left")));
    WriteTabSet(store, section, set, QStringLiteral("Left"));
    EXPECT_EQ(ReadTabSet(store, section, QStringLiteral("Left")), set);

    // Damaged values of one tab: that value only.
    store.WriteProfileString(section, QStringLiteral("nTabViewStyle1"), QStringLiteral("seven"));
    store.WriteProfileInt(section, QStringLiteral("nTabSortBy2"), 99999);
    store.WriteProfileString(section, QStringLiteral("szTabFilter3"), QStringLiteral(" , "));
    std::optional<TabSetRecord> read = ReadTabSet(store, section);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->tabs.size(), 3u);
    EXPECT_EQ(read->tabs[0].viewStyle, 0);
    EXPECT_EQ(read->tabs[0].sortBy, ID_SORT_NAME);
    EXPECT_EQ(read->tabs[1].sortBy, 0);
    EXPECT_EQ(read->tabs[1].filter, QStringLiteral("*.c,*.h"));
    EXPECT_TRUE(read->tabs[2].filter.isEmpty());
    EXPECT_EQ(read->current, 1);

    // A tab without a folder is left out, and the shown one stays shown.
    store.WriteProfileString(section, QStringLiteral("szTabFolder1"), QString());
    read = ReadTabSet(store, section);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->tabs.size(), 2u);
    EXPECT_EQ(read->tabs[read->current].folder, QStringLiteral("sftp://host/x"));
    // A current tab out of range is the first.
    store.WriteProfileInt(section, QStringLiteral("nCurrentTab"), 40);
    EXPECT_EQ(ReadTabSet(store, section)->current, 0);
    // A damaged count: no tabs, and nothing else of the section is touched.
    for (const QString& count : {QStringLiteral("lots"), QStringLiteral("0"), QStringLiteral("-3"),
                                 QStringLiteral("65"), QStringLiteral("99999999999")}) {
        store.WriteProfileString(section, QStringLiteral("nTabs"), count);
        EXPECT_FALSE(ReadTabSet(store, section)) << count.toStdString();
    }
    EXPECT_EQ(store.GetProfileString(section, QStringLiteral("szInitialFolder")),
              QStringLiteral("/tmp"));
    EXPECT_TRUE(ReadTabSet(store, section, QStringLiteral("Left")));
}

TEST(TabSettings, TheNearestExistingFolderOfAPath) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("x/file.txt", "1"));
    const QString x = dir.Path() + QStringLiteral("/x");
    EXPECT_EQ(NearestExistingFolder(x), x);
    EXPECT_EQ(NearestExistingFolder(x + QStringLiteral("/")), x);
    EXPECT_EQ(NearestExistingFolder(x + QStringLiteral("/gone/deeper")), x);
    EXPECT_EQ(NearestExistingFolder(x + QStringLiteral("/file.txt")), x) << "a file is no folder";
    EXPECT_EQ(NearestExistingFolder(QStringLiteral("/no-such-top-folder/y")), QStringLiteral("/"));
    EXPECT_EQ(NearestExistingFolder(QStringLiteral("sftp://host/gone")),
              QStringLiteral("sftp://host/gone"));
}

}  // namespace
