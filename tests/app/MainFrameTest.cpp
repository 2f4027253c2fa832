// The main frame over the real application object, the real panes and a
// temporary store: creation, the pane-pair commands, bars, and what closing
// writes.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QSettings>
#include <QSplitterHandle>
#include <QTest>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "app/CMainStatusBar.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/FrameFixture.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/MirrorBrowse.h"
#include "pane/PaneListCtrl.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "support/Wait.h"

namespace {

const QString kLeftSection = QStringLiteral("Left Pane Settings");
const QString kRightSection = QStringLiteral("Right Pane Settings");

class MainFrameTest : public FrameFixture {
protected:
    void MakeFolders() override {
        ASSERT_TRUE(dir.MakeFile("left/a1.txt", "1"));
        ASSERT_TRUE(dir.MakeFile("left/a2.txt", "22"));
        ASSERT_TRUE(dir.MakeFile("right/b1.txt", "333"));
        ASSERT_TRUE(dir.MakeFile("right/b2.txt", "4444"));
    }

    /// A fresh reading of the store file.
    std::unique_ptr<ProfileStore> ReadStore() const {
        return std::make_unique<ProfileStore>(StorePath());
    }

    /// Starts the application and shows its frame at 800 x 600 (unless it
    /// came back maximised); the status bar keeps the notices.
    CMainFrame* Start() { return Launch(true); }

    QList<int> PaneSizes() const { return frame->Splitter()->sizes(); }
};

TEST_F(MainFrameTest, TheCommandLineFoldersOpenLeftAndRightAndTheTitleFollowsTheActivePane) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_NE(frame->GetLeftPane(), nullptr);
    ASSERT_NE(frame->GetLeftPane()->Model(), nullptr);
    ASSERT_NE(frame->GetRightPane()->Model(), nullptr);
    EXPECT_EQ(frame->GetLeftPane()->Model()->path, leftPath);
    EXPECT_EQ(frame->GetRightPane()->Model()->path, rightPath);
    EXPECT_EQ(frame->GetActivePane(), frame->GetLeftPane());
    EXPECT_EQ(frame->GetInactivePane(), frame->GetRightPane());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane K3 - ") + leftPath);
    EXPECT_TRUE(frame->IsSideBySide());
    EXPECT_EQ(frame->toolBarArea(frame->ToolBar()), Qt::BottomToolBarArea);
    EXPECT_EQ(frame->ToolBar()->objectName(), QStringLiteral("ToolBar"));
    EXPECT_EQ(PaneSizes().value(0), 250);

    // The right pane's list taking the focus makes it the active pane.
    frame->GetRightPane()->List()->ActiveView()->setFocus();
    EXPECT_TRUE(WaitFor([&] { return frame->GetActivePane() == frame->GetRightPane(); }, 5000));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane K3 - ") + rightPath);
    EXPECT_EQ(frame->GetInactivePane(), frame->GetLeftPane());

    // Notices reach the status bar.
    Notice(QStringLiteral("Bookmark set ok."));
    EXPECT_EQ(frame->StatusBar()->MessageText(), QStringLiteral("Bookmark set ok."));
}

TEST_F(MainFrameTest, BalanceEqualOnePaneAndTheDoubleClickOnTheBar) {
    ASSERT_NE(Start(), nullptr);
    CPaneSplitter* splitter = frame->Splitter();
    const int available = splitter->Available();
    ASSERT_GT(available, 400);

    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_EQUAL));
    EXPECT_EQ(PaneSizes(), (QList<int>{available / 2, available - available / 2}));

    // One pane with the left pane active: it fills the splitter.
    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_ONE));
    EXPECT_EQ(PaneSizes(), (QList<int>{available, 0}));
    // A double click with a pane collapsed gives equal halves again...
    splitter->Balance(CPaneSplitter::DoubleClick);
    EXPECT_EQ(PaneSizes().value(0), available / 2);

    // ...and a real double click on the bar, with both visible, maximises
    // the active pane.
    QSplitterHandle* bar = splitter->handle(1);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(splitter->GetBarRect(), bar->geometry());
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->rect().center());
    EXPECT_EQ(PaneSizes(), (QList<int>{available, 0}));
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->rect().center());
    EXPECT_EQ(PaneSizes().value(0), available / 2);

    // One pane with the right pane active: the first pane's size is 0.
    frame->ActivatePane(frame->GetRightPane());
    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_ONE));
    EXPECT_EQ(PaneSizes(), (QList<int>{0, available}));
    // A pane at exactly its minimum counts as collapsed too.
    splitter->SetFirstPaneSize(CPaneSplitter::kDefaultMinimum);
    EXPECT_EQ(PaneSizes().value(0), CPaneSplitter::kDefaultMinimum);
    splitter->Balance(CPaneSplitter::DoubleClick);
    EXPECT_EQ(PaneSizes().value(0), available / 2);
}

TEST_F(MainFrameTest, DraggingTheBarStopsAtTheMinimumAndShortcutsRunThePaneCommands) {
    ASSERT_NE(Start(), nullptr);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    CPaneSplitter* splitter = frame->Splitter();
    const int available = splitter->Available();

    QTest::keyClick(frame, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(PaneSizes().value(0), available / 2);

    QSplitterHandle* bar = splitter->handle(1);
    const QPoint grab = bar->rect().center();
    const QPoint globalGrab = bar->mapToGlobal(grab);
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        const QPointF local = bar->mapFromGlobal(global);
        QMouseEvent event(type, local, QPointF(global), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(bar, &event);
    };
    send(QEvent::MouseButtonPress, globalGrab, Qt::LeftButton);
    send(QEvent::MouseMove, globalGrab - QPoint(available, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, globalGrab - QPoint(available, 0), Qt::NoButton);
    EXPECT_EQ(PaneSizes().value(0), CPaneSplitter::kDefaultMinimum);

    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(PaneSizes(), (QList<int>{available, 0}));
}

TEST_F(MainFrameTest, SameFolderBothWaysAndSwapKeepsTheFocusedItems) {
    ASSERT_NE(Start(), nullptr);
    CPanexView* left = frame->GetLeftPane();
    CPanexView* right = frame->GetRightPane();

    // Same folder: the inactive pane opens the active pane's folder.
    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_SAME_FOLDER));
    EXPECT_EQ(right->Model()->path, leftPath);
    EXPECT_EQ(left->Model()->path, leftPath);

    // With Alt the other way: the active pane opens the inactive one's.
    ASSERT_TRUE(right->GoToText(rightPath));
    {
        ScopedKeyState alt(Qt::AltModifier);
        EXPECT_TRUE(frame->Commands().Execute(ID_PANES_SAME_FOLDER));
    }
    EXPECT_EQ(left->Model()->path, rightPath);
    EXPECT_EQ(right->Model()->path, rightPath);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane K3 - ") + rightPath);

    // Swap: each pane opens the other's folder and focuses its item.
    ASSERT_TRUE(left->GoToText(leftPath));
    ASSERT_GE(left->FocusByName(QStringLiteral("a2.txt"), false), 0);
    ASSERT_GE(right->FocusByName(QStringLiteral("b1.txt"), false), 0);
    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_SWAP));
    EXPECT_EQ(left->Model()->path, rightPath);
    EXPECT_EQ(right->Model()->path, leftPath);
    EXPECT_EQ(FocusedName(left), QStringLiteral("b1.txt"));
    EXPECT_EQ(FocusedName(right), QStringLiteral("a2.txt"));
    EXPECT_EQ(frame->GetActivePane(), left);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane K3 - ") + rightPath);

    // With mirrored navigation on, the swap is not mirrored (which would
    // undo it or switch mirroring off) and mirroring stays on.
    SetMirrorBrowsing(true);
    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_SWAP));
    EXPECT_EQ(left->Model()->path, leftPath);
    EXPECT_EQ(right->Model()->path, rightPath);
    EXPECT_TRUE(MirrorBrowsing());
    SetMirrorBrowsing(false);

    // A folder that vanished meanwhile: that pane keeps what it shows, the
    // other still swaps.
    ASSERT_TRUE(QDir(leftPath).removeRecursively());
    EXPECT_TRUE(frame->Commands().Execute(ID_PANES_SWAP));
    EXPECT_EQ(right->Model()->path, rightPath);
    EXPECT_EQ(FocusedName(right), QStringLiteral("b1.txt"));
}

TEST_F(MainFrameTest, BarTogglesCarryCheckMarksAndAHiddenStatusBarTurnsAlertsIntoBoxes) {
    ASSERT_NE(Start(), nullptr);
    CommandManager& commands = frame->Commands();

    EXPECT_TRUE(commands.Update(ID_VIEW_TOOLBAR).checked);
    EXPECT_TRUE(commands.Execute(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(frame->ToolBar()->isHidden());
    EXPECT_FALSE(commands.Update(ID_VIEW_TOOLBAR).checked);
    EXPECT_TRUE(commands.Execute(ID_VIEW_TOOLBAR));
    EXPECT_FALSE(frame->ToolBar()->isHidden());

    EXPECT_TRUE(commands.Update(ID_VIEW_STATUS_BAR).checked);
    EXPECT_TRUE(commands.Execute(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(frame->StatusBar()->isHidden());
    EXPECT_FALSE(commands.Update(ID_VIEW_STATUS_BAR).checked);
    Notice(QStringLiteral("quiet"));
    EXPECT_TRUE(prompter->Requests().isEmpty());
    Notice(QStringLiteral("Refresh has failed; stale-ness is triumphant again"), true);
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests().first().text,
              QStringLiteral("Refresh has failed; stale-ness is triumphant again"));

    // Showing a bar by its id never hides it.
    frame->ShowBar(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame->StatusBar()->isHidden());
    frame->ShowBar(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame->StatusBar()->isHidden());

    // The pane's commands are routed to the active pane.
    EXPECT_TRUE(commands.Execute(ID_VIEW_DETAILS));
    EXPECT_EQ(frame->GetLeftPane()->List()->ViewStyle(), ID_VIEW_DETAILS);
    EXPECT_NE(frame->GetRightPane()->List()->ViewStyle(), ID_VIEW_DETAILS);
    EXPECT_TRUE(commands.Update(ID_VIEW_DETAILS).checked);
}

TEST_F(MainFrameTest, ClosingWritesTheFrameFirstThenThePanes) {
    MakeFrameApp();
    bool probed = false;
    bool frameWritten = false;
    bool panesWritten = true;
    // Added before the frame exists, this saver runs between the frame's
    // settings and the panes' sections.
    app->AddFrameSaver([&](ProfileStore& store) {
        probed = true;
        frameWritten = store.HasEntry(kMainFrameSection, MainFrameKeys::kToolbarsVersion);
        panesWritten = store.HasEntry(kLeftSection, QStringLiteral("szDisplayFilter")) ||
                       store.HasEntry(kRightSection, QStringLiteral("szDisplayFilter"));
    });
    ASSERT_NE(Start(), nullptr);
    frame->ActivatePane(frame->GetRightPane());
    frame->Commands().Execute(ID_PANES_EQUAL);
    const int firstSize = PaneSizes().value(0);
    Stop();

    EXPECT_TRUE(probed);
    EXPECT_TRUE(frameWritten);
    EXPECT_FALSE(panesWritten);
    auto store = ReadStore();
    const QString& s = kMainFrameSection;
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kToolbarsVersion, 0), 1);
    EXPECT_TRUE(store->GetProfileBinary(s, MainFrameKeys::kDockState).has_value());
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kLeftPaneActive, -1), 0);
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kLeftPaneWidth, -1), firstSize);
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kUpDownPanes, -1), 0);
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kDriveBar2Root, -1), 1);
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kTreeOptions, -1), 3);
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kTreeAutoCDDelay, -1), 1500);
    EXPECT_FALSE(store->GetProfileString(s, QStringLiteral("szWindowRect")).isEmpty());
    EXPECT_EQ(store->GetProfileString(kLeftSection, QStringLiteral("szInitialFolder")), leftPath);
    EXPECT_EQ(store->GetProfileString(kRightSection, QStringLiteral("szInitialFolder")), rightPath);

    // The next run starts where this one ended.
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(frame->GetActivePane(), frame->GetRightPane());
    EXPECT_EQ(PaneSizes().value(0), firstSize);
}

// A window closed maximised comes back maximised, with the pane split it
// had, and its normal size is still the one it had before maximising.
TEST_F(MainFrameTest, AMaximisedWindowComesBackMaximisedWithItsSplit) {
    ASSERT_NE(Start(), nullptr);
    frame->setGeometry(100, 100, 700, 500);
    frame->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(frame->isMaximized());
    frame->Commands().Execute(ID_PANES_EQUAL);
    const int firstSize = PaneSizes().value(0);
    Stop();
    auto store = ReadStore();
    EXPECT_EQ(store->GetProfileInt(kMainFrameSection, MainFrameKeys::kMaximized, -1), 1);

    ASSERT_NE(Start(), nullptr);
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(PaneSizes().value(0), firstSize);
    EXPECT_EQ(frame->normalGeometry().size(), QSize(700, 500));
    frame->showNormal();
    QCoreApplication::processEvents();
    Stop();
    EXPECT_EQ(ReadStore()->GetProfileInt(kMainFrameSection, MainFrameKeys::kMaximized, -1), 0);
    ASSERT_NE(Start(), nullptr);
    EXPECT_FALSE(frame->isMaximized());
}

TEST_F(MainFrameTest, WithSaveSettingsOffNothingOfTheFrameIsWritten) {
    WriteStore(GeneralSettings::kSection, QStringLiteral("bSaveSettings"), 0);
    WriteStore(kMainFrameSection, MainFrameKeys::kLeftPaneWidth, 300);
    MakeFrameApp();
    bool probed = false;
    app->AddFrameSaver([&](ProfileStore&) { probed = true; });
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(PaneSizes().value(0), 300);
    frame->ActivatePane(frame->GetRightPane());
    frame->Commands().Execute(ID_PANES_ONE);
    Stop();

    EXPECT_FALSE(probed);
    auto store = ReadStore();
    const QString& s = kMainFrameSection;
    EXPECT_EQ(store->GetProfileInt(s, MainFrameKeys::kLeftPaneWidth, -1), 300);
    for (const QString& key : {MainFrameKeys::kToolbarsVersion, MainFrameKeys::kDockState,
                               MainFrameKeys::kLeftPaneActive, MainFrameKeys::kUpDownPanes,
                               MainFrameKeys::kTreeAutoCDDelay, MainFrameKeys::kTreeOptions,
                               MainFrameKeys::kDriveBar2Root, QStringLiteral("szWindowRect")})
        EXPECT_FALSE(store->HasEntry(s, key)) << key.toStdString();
    EXPECT_FALSE(store->HasEntry(kLeftSection, QStringLiteral("szInitialFolder")));
    EXPECT_FALSE(store->HasEntry(kRightSection, QStringLiteral("szInitialFolder")));
}

TEST_F(MainFrameTest, DockingIsRestoredOnlyUnderToolbarsVersionOneAndTreeDelaysAreClamped) {
    ASSERT_NE(Start(), nullptr);
    frame->addToolBar(Qt::TopToolBarArea, frame->ToolBar());
    Stop();

    WriteStore(kMainFrameSection, MainFrameKeys::kTreeAutoCDDelay, 99);
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(frame->toolBarArea(frame->ToolBar()), Qt::TopToolBarArea);
    EXPECT_EQ(frame->TreeAutoCDDelay(), 100);
    Stop();

    // A stored docking state without the version is ignored once, and
    // replaced at exit.
    WriteStore(kMainFrameSection, MainFrameKeys::kToolbarsVersion, 0);
    WriteStore(kMainFrameSection, MainFrameKeys::kTreeAutoCDDelay, 10001);
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(frame->toolBarArea(frame->ToolBar()), Qt::BottomToolBarArea);
    EXPECT_EQ(frame->TreeAutoCDDelay(), 1500);
    Stop();
    EXPECT_EQ(ReadStore()->GetProfileInt(kMainFrameSection, MainFrameKeys::kToolbarsVersion, 0), 1);

    // A damaged state leaves the default docking.
    WriteStore(kMainFrameSection, MainFrameKeys::kDockState, QByteArray("not a state"));
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(frame->toolBarArea(frame->ToolBar()), Qt::BottomToolBarArea);

    EXPECT_EQ(ClampTreeAutoCDDelay(10000), 10000);
    EXPECT_EQ(ClampTreeAutoCDDelay(100), 100);
    EXPECT_EQ(ClampTreeAutoCDDelay(-5), 100);
}

TEST_F(MainFrameTest, StackedPanesTakeTheirSizeFromTheStore) {
    WriteStore(kMainFrameSection, MainFrameKeys::kUpDownPanes, 1);
    WriteStore(kMainFrameSection, MainFrameKeys::kLeftPaneWidth, 140);
    ASSERT_NE(Start(), nullptr);
    EXPECT_FALSE(frame->IsSideBySide());
    EXPECT_EQ(frame->Splitter()->orientation(), Qt::Vertical);
    EXPECT_EQ(PaneSizes().value(0), 140);
    const int available = frame->Splitter()->Available();
    frame->Commands().Execute(ID_PANES_EQUAL);
    EXPECT_EQ(PaneSizes().value(0), available / 2);
    Stop();
    auto store = ReadStore();
    EXPECT_EQ(store->GetProfileInt(kMainFrameSection, MainFrameKeys::kUpDownPanes, 0), 1);
    EXPECT_EQ(store->GetProfileInt(kMainFrameSection, MainFrameKeys::kLeftPaneWidth, 0),
              available / 2);
}

}  // namespace

TEST_F(MainFrameTest, AHiddenPaneIsNeverActiveAndOnePaneTogglesBack) {
    ASSERT_NE(Start(), nullptr);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    CPaneSplitter* splitter = frame->Splitter();
    const int available = splitter->Available();
    CPanexView* left = frame->GetLeftPane();
    CPanexView* right = frame->GetRightPane();
    frame->ActivatePane(left);
    ASSERT_EQ(frame->GetActivePane(), left);

    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(PaneSizes(), (QList<int>{available, 0}));
    EXPECT_TRUE(frame->IsPaneHidden(*right));
    EXPECT_FALSE(frame->IsPaneHidden(*left));

    // Tab in the shown pane keeps it active and focused.
    QWidget* leftView = left->List()->ActiveView();
    QTest::keyClick(leftView, Qt::Key_Tab);
    EXPECT_EQ(frame->GetActivePane(), left);
    EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()));

    // Neither asking nor a focus change activates the hidden pane.
    frame->ActivatePane(right);
    EXPECT_EQ(frame->GetActivePane(), left);
    right->List()->ActiveView()->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(frame->GetActivePane(), left);
    EXPECT_TRUE(left->isAncestorOf(QApplication::focusWidget()));

    // Alt does not reach into the hidden pane either.
    SetKeyStateOverride(Qt::AltModifier);
    EXPECT_EQ(left->CommandTargetPane(), left);
    SetKeyStateOverride(std::nullopt);

    // Ctrl+O again brings the hidden pane back; then Tab reaches it.
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(PaneSizes().value(0), available / 2);
    EXPECT_FALSE(frame->IsPaneHidden(*right));
    SetKeyStateOverride(Qt::AltModifier);
    EXPECT_EQ(left->CommandTargetPane(), right);
    SetKeyStateOverride(std::nullopt);
    QTest::keyClick(left->List()->ActiveView(), Qt::Key_Tab);
    EXPECT_EQ(frame->GetActivePane(), right);

    // One pane with the right pane active hides the left one; the active
    // pane stays the shown one.
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(PaneSizes(), (QList<int>{0, available}));
    QTest::keyClick(right->List()->ActiveView(), Qt::Key_Tab);
    EXPECT_EQ(frame->GetActivePane(), right);
}

TEST_F(MainFrameTest, AStoredActivePaneWithNoRoomGivesWayToTheShownOne) {
    // The last run ended with the right pane filling the window while the
    // left one was stored as active.
    WriteStore(QStringLiteral("MainFrame Settings"), QStringLiteral("nLeftPaneWidth"), 0);
    WriteStore(QStringLiteral("MainFrame Settings"), QStringLiteral("bLeftPaneActive"), 1);
    ASSERT_NE(Start(), nullptr);
    QTRY_VERIFY(frame->IsPaneHidden(*frame->GetLeftPane()));
    QTRY_COMPARE(frame->GetActivePane(), frame->GetRightPane());
}

TEST_F(MainFrameTest, BoxesWithoutATitleOfTheirOwnAreTitledCorvane) {
    ASSERT_NE(Start(), nullptr);
    // Not the executable's lower-case name.
    EXPECT_EQ(PromptTitle(QString()), QStringLiteral("Corvane"));
    EXPECT_EQ(PromptTitle(QStringLiteral("Copy")), QStringLiteral("Copy"));
}
