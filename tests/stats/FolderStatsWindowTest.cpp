// The statistics command over a real pane: the window, its sorting, browse,
// print, the outcomes' notices, Escape, and "Folder Data Settings".

#include <gtest/gtest.h>

#include <QFile>
#include <QThread>
#include <QTreeWidget>
#include <atomic>
#include <cerrno>

#include "pane/PaneTestSupport.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/LongOperation.h"
#include "stats/CFolderStats.h"
#include "stats/FolderStatsWindow.h"
#include "support/TestDir.h"
#include "support/Wait.h"
#include "tools/DirListing.h"

namespace {

QByteArray Bytes(int count) {
    return QByteArray(count, 'x');
}

QStringList ChildTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) texts.append(item->child(i)->text(0));
    return texts;
}

class FolderStatsTest : public TwoPaneTest<> {
protected:
    void SetUp() override {
        TwoPaneTest::SetUp();
        stats = std::make_unique<CFolderStats>(host);
        stats->SetListingPath([this] { return listingPath; });
        stats->SetEditorOpener([this](const QString& path, bool viewOnly) {
            opened.append(path);
            openedViewOnly = viewOnly;
            return true;
        });
        stats->SetSaverRegistrar(
            [this](std::function<void(ProfileStore&)> saver) { savers.push_back(saver); });
        listingPath = listingDir.Path() + QStringLiteral("/CvDirListing");

        // A folder of its own files, a large sub-folder, a small one and an
        // empty one.
        ASSERT_TRUE(tree.MakeFile("own.txt", Bytes(1536)));
        ASSERT_TRUE(tree.MakeFile("big/a", Bytes(300 * 1024)));
        ASSERT_TRUE(tree.MakeFile("big/inner/b", Bytes(100 * 1024)));
        ASSERT_TRUE(tree.MakeFile("Small/c", Bytes(2048)));
        ASSERT_TRUE(tree.MakeFolder("empty"));
        ASSERT_TRUE(left->OpenFolder(ParsePath(tree.Path())));
        ASSERT_TRUE(right->OpenFolder(ParsePath(listingDir.Path())));
    }
    void TearDown() override {
        stats.reset();
        TwoPaneTest::TearDown();
    }

    FolderStatsWindow* Show() { return stats->ShowFolderData(); }

    std::unique_ptr<CFolderStats> stats;
    TestDir tree;
    TestDir listingDir;
    QString listingPath;
    QStringList opened;
    bool openedViewOnly = true;
    std::vector<std::function<void(ProfileStore&)>> savers;
};

}  // namespace

TEST_F(FolderStatsTest, WindowShowsTotalsLargestFirstAndLocalFilesLast) {
    NoticeRecorder notices;
    ASSERT_TRUE(stats->OnCommand(ID_FOLDER_DATA));
    ASSERT_EQ(stats->Windows().size(), 1);
    FolderStatsWindow* window = stats->Windows().first();
    EXPECT_TRUE(
        window->windowTitle().startsWith(QStringLiteral("Folder Statistics (Disk free space: ")));
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(")")));
    EXPECT_FALSE(window->windowTitle().contains(QStringLiteral("???")));

    QTreeWidget* view = window->Tree();
    ASSERT_EQ(view->topLevelItemCount(), 1);
    QTreeWidgetItem* root = view->topLevelItem(0);
    const QString rootName = tree.Path().section(QLatin1Char('/'), -1);
    // 2 + 300 + 100 + 2 kB; three folders below, four files.
    EXPECT_EQ(root->text(0), QStringLiteral("404kB \"%1\": Sub-Folders=4, Files=4").arg(rootName));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(ChildTexts(root), (QStringList{
                                    QStringLiteral("400kB \"big\": Sub-Folders=1, Files=2"),
                                    QStringLiteral("2kB \"Small\": Sub-Folders=0, Files=1"),
                                    QStringLiteral("0kB \"empty\": Sub-Folders=0, Files=0"),
                                    QStringLiteral("2kB in 1 local file(s)"),
                                }));
    QTreeWidgetItem* big = root->child(0);
    EXPECT_FALSE(big->isExpanded());
    EXPECT_EQ(ChildTexts(big), (QStringList{
                                   QStringLiteral("100kB \"inner\": Sub-Folders=0, Files=1"),
                                   QStringLiteral("300kB in 1 local file(s)"),
                               }));
    // An empty folder has no local-files line.
    EXPECT_EQ(root->child(2)->childCount(), 0);
    EXPECT_EQ(FolderStatsWindow::NodeOf(root->child(3)), nullptr);
    EXPECT_FALSE(notices.Has(FolderStatsTexts::kPartly, true));
    EXPECT_FALSE(notices.Has(FolderStatsTexts::kUncooperative, true));

    // By name: byte order, the local-files line still last.
    big->setExpanded(true);
    view->setCurrentItem(big);
    ASSERT_TRUE(window->RunCommand(ID_SORT_NAME));
    root = view->topLevelItem(0);
    EXPECT_EQ(ChildTexts(root), (QStringList{
                                    QStringLiteral("2kB \"Small\": Sub-Folders=0, Files=1"),
                                    QStringLiteral("400kB \"big\": Sub-Folders=1, Files=2"),
                                    QStringLiteral("0kB \"empty\": Sub-Folders=0, Files=0"),
                                    QStringLiteral("2kB in 1 local file(s)"),
                                }));
    // The open folder and the current item survive the re-sort.
    EXPECT_TRUE(root->child(1)->isExpanded());
    EXPECT_EQ(view->currentItem(), root->child(1));
    EXPECT_EQ(stats->SortOrder(), StatSortOrder::ByName);

    // The run keeps the choice for the next window.
    FolderStatsWindow* second = Show();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Tree()->topLevelItem(0)->child(0)->text(0),
              QStringLiteral("2kB \"Small\": Sub-Folders=0, Files=1"));
    EXPECT_EQ(stats->Windows().size(), 2);
}

TEST_F(FolderStatsTest, BrowseSendsThePaneToTheFolderAndAltTheOtherPane) {
    FolderStatsWindow* window = Show();
    ASSERT_NE(window, nullptr);
    QTreeWidget* view = window->Tree();
    QTreeWidgetItem* big = view->topLevelItem(0)->child(0);
    QTreeWidgetItem* inner = big->child(0);
    view->setCurrentItem(inner);
    QTest::keyClick(view, Qt::Key_Return);
    const QString innerPath = tree.Path() + QStringLiteral("/big/inner");
    EXPECT_TRUE(WaitFor([&] { return left->Model()->path == innerPath; }));

    {
        ScopedKeyState alt(Qt::AltModifier);
        view->setCurrentItem(big);
        ASSERT_TRUE(window->RunCommand(ID_FIND_BROWSE));
        EXPECT_TRUE(WaitFor([&] { return right->Model()->path == tree.Path() + "/big"; }));
    }
    EXPECT_EQ(left->Model()->path, innerPath);

    // The root is the folder that was read; a local-files line goes nowhere.
    view->setCurrentItem(view->topLevelItem(0));
    window->Browse();
    EXPECT_TRUE(WaitFor([&] { return left->Model()->path == tree.Path(); }));
    const int refreshes = left->refreshes;
    view->setCurrentItem(big->child(1));
    window->Browse();
    QTest::qWait(50);
    EXPECT_EQ(left->Model()->path, tree.Path());
    EXPECT_EQ(left->refreshes, refreshes);
}

TEST_F(FolderStatsTest, PrintWritesTheWholeTreeIndentedAndOpensIt) {
    CommandState state;
    ASSERT_TRUE(stats->OnUpdateCommand(ID_DIRDATA_PRINT, state));
    EXPECT_FALSE(state.enabled);
    FolderStatsWindow* window = Show();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(stats->OnUpdateCommand(ID_DIRDATA_PRINT, state));
    EXPECT_TRUE(state.enabled);
    // From the frame's chain as from the window's menu.
    ASSERT_TRUE(stats->OnCommand(ID_DIRDATA_PRINT));
    ASSERT_EQ(opened, QStringList{listingPath});
    EXPECT_FALSE(openedViewOnly);
    QFile file(listingPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString rootName = tree.Path().section(QLatin1Char('/'), -1);
    // Collapsed folders are printed too.
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("404kB \"%1\": Sub-Folders=4, Files=4\n"
                             "\t400kB \"big\": Sub-Folders=1, Files=2\n"
                             "\t\t100kB \"inner\": Sub-Folders=0, Files=1\n"
                             "\t\t\t100kB in 1 local file(s)\n"
                             "\t\t300kB in 1 local file(s)\n"
                             "\t2kB \"Small\": Sub-Folders=0, Files=1\n"
                             "\t\t2kB in 1 local file(s)\n"
                             "\t0kB \"empty\": Sub-Folders=0, Files=0\n"
                             "\t2kB in 1 local file(s)\n")
                  .arg(rootName));

    NoticeRecorder notices;
    opened.clear();
    listingPath = tree.Path() + QStringLiteral("/no-such-folder/CvDirListing");
    window->RunCommand(ID_DIRDATA_PRINT);
    EXPECT_TRUE(notices.Has(ListingTexts::kWriteFailed, true));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(FolderStatsTest, FolderNotAccessibleIsShownWithANoticeAndBrowsesByItsRealName) {
    const QByteArray shut = tree.Join("Small");
    stats->SetReadHooks(
        {[shut](const QByteArray& path) { return path == shut ? EACCES : 0; }, nullptr});
    NoticeRecorder notices;
    FolderStatsWindow* window = Show();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(notices.Has(FolderStatsTexts::kPartly, true));
    QTreeWidgetItem* root = window->Tree()->topLevelItem(0);
    EXPECT_TRUE(ChildTexts(root).contains(
        QStringLiteral("0kB \"Small <NOT accessible>\": Sub-Folders=0, Files=0")));
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0).contains(QStringLiteral("<NOT accessible>")))
            window->Tree()->setCurrentItem(root->child(i));
    }
    window->Browse();
    EXPECT_TRUE(WaitFor([&] { return left->Model()->path == tree.Path() + "/Small"; }));
}

TEST_F(FolderStatsTest, FailuresAndEscapeOpenNoWindow) {
    NoticeRecorder notices;
    // A read error other than a refusal.
    const QByteArray big = tree.Join("big");
    stats->SetReadHooks({[big](const QByteArray& path) { return path == big ? EIO : 0; }, nullptr});
    EXPECT_EQ(Show(), nullptr);
    EXPECT_TRUE(notices.Has(FolderStatsTexts::kUncooperative, true));
    stats->SetReadHooks({});

    // A folder that is no folder of the file system.
    notices.entries.clear();
    ASSERT_TRUE(left->OpenFolder(SHGetSpecialFolderLocation(CSIDL_DRIVES)));
    ASSERT_FALSE(left->Model()->IsFileSystem());
    EXPECT_EQ(Show(), nullptr);
    EXPECT_TRUE(notices.Has(FolderStatsTexts::kUncooperative, true));
    ASSERT_TRUE(left->OpenFolder(ParsePath(tree.Path())));

    // Escape while the worker reads: the walk is held after its first entry
    // until the reading has seen the Escape and raised the stop flag.
    std::atomic<int> polls{0};
    ProgressSink sink;
    QStringList captions;
    sink.begin = [&](const QString& caption) { captions.append(caption); };
    sink.poll = [&](bool) { return ++polls >= 1; };
    const ProgressSink previous = SetProgressSink(sink);
    stats->SetReadHooks({nullptr, [&] { SpinFor([&] { return polls >= 2; }, 5000); }});
    notices.entries.clear();
    EXPECT_EQ(Show(), nullptr);
    SetProgressSink(previous);
    EXPECT_GE(polls.load(), 2);
    EXPECT_EQ(captions, QStringList{FolderStatsTexts::kReading});
    EXPECT_TRUE(stats->Windows().isEmpty());
    // Only the status text is cleared.
    ASSERT_EQ(notices.entries.size(), 1u);
    EXPECT_FALSE(notices.entries[0].text.has_value());
}

TEST_F(FolderStatsTest, SettingsAreReadWithTheFirstWindowAndSavedFromTheRun) {
    host.store.WriteProfileInt(FolderStatsKeys::kSection, FolderStatsKeys::kSortBy, ID_SORT_NAME);
    std::optional<QRect> written;
    stats->SetRectAccess(
        [](ProfileStore&, const QString& section) -> std::optional<QRect> {
            EXPECT_EQ(section, FolderStatsKeys::kSection);
            return QRect(40, 50, 300, 200);
        },
        [&](ProfileStore&, const QString&, const QRect& rect) { written = rect; });
    EXPECT_TRUE(savers.empty());
    FolderStatsWindow* window = Show();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(savers.size(), 1u);
    EXPECT_EQ(stats->SortOrder(), StatSortOrder::ByName);
    EXPECT_EQ(window->geometry(), QRect(40, 50, 300, 200));

    // Escape closes the window; its place is kept for the next one.
    window->setGeometry(60, 70, 320, 240);
    QTest::keyClick(window->Tree(), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return stats->Windows().isEmpty(); }));
    window = Show();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), QRect(60, 70, 320, 240));
    EXPECT_EQ(savers.size(), 1u);
    window->RunCommand(ID_SORT_SIZE);

    ProfileStore& store = host.store;
    savers.front()(store);
    EXPECT_EQ(store.GetProfileInt(FolderStatsKeys::kSection, FolderStatsKeys::kSortBy, 0),
              ID_SORT_SIZE);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(*written, QRect(60, 70, 320, 240));

    // At exit the saver runs after the frame has gone, with it the windows
    // still open: the last of them gives the placement.
    window->setGeometry(80, 90, 330, 250);
    stats.reset();
    written.reset();
    savers.front()(store);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(*written, QRect(80, 90, 330, 250));

    EXPECT_EQ(ClampStatSortCommand(ID_SORT_NAME), ID_SORT_NAME);
    // The root of a volume is named by its label (or "Untitled") and its
    // mount point; any other folder by its own name.
    EXPECT_TRUE(StatRootName("/").endsWith(QStringLiteral(" (/)")));
    EXPECT_EQ(StatRootName(tree.Join("big")), QStringLiteral("big"));
    EXPECT_EQ(ClampStatSortCommand(ID_SORT_SIZE), ID_SORT_SIZE);
    EXPECT_EQ(ClampStatSortCommand(32778), ID_SORT_SIZE);
    EXPECT_EQ(ClampStatSortCommand(0), ID_SORT_SIZE);
}
