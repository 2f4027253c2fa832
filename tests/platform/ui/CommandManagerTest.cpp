#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "platform/ui/CommandManager.h"
#include "support/Wait.h"

namespace {

constexpr int kCopyTo = 32797;
constexpr int kView = 32802;
constexpr int kShowHidden = 32808;
constexpr int kSortFirst = 32943;
constexpr int kSortLast = 32948;
constexpr int kNobody = 32999;

// A target that records what reached it.
class RecordingTarget : public CommandTarget {
public:
    explicit RecordingTarget(QString name) : m_name(std::move(name)) {}
    QStringList* log = nullptr;

    void Handle(int id) {
        MapCommand(id, [this, id] { Record(id); });
    }
    void Record(int id) {
        if (log != nullptr)
            log->append(m_name + QLatin1Char(':') + QString::number(id));
    }

private:
    QString m_name;
};

CommandInfo CopyToInfo() {
    return {kCopyTo,
            QStringLiteral("&Copy To...\tF5"),
            {QKeySequence(Qt::Key_F5)},
            QStringLiteral("Copy the selected items to the other pane\nCopy To"),
            true};
}

class CommandManagerTest : public ::testing::Test {
protected:
    CommandManagerTest() {
        manager.AddCommands(
            {CopyToInfo(),
             {kView, QStringLiteral("&View\tF3"), {}, QStringLiteral("View a file")},
             {kShowHidden, QStringLiteral("Show &Hidden"), {}, QString()}});
        pane.log = &log;
        frame.log = &log;
        manager.SetChainProvider([this] { return CommandManager::Chain{tree, &pane, &frame}; });
    }

    QStringList log;
    RecordingTarget pane{QStringLiteral("pane")};
    RecordingTarget frame{QStringLiteral("frame")};
    CommandTarget* tree = nullptr;  // focused tree: not in the chain until set
    CommandManager manager;
};

TEST_F(CommandManagerTest, ActionsAreBuiltFromTheTable) {
    QAction* copy = manager.Action(kCopyTo);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy To..."));
    EXPECT_EQ(copy->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::Key_F5)});
    EXPECT_EQ(copy->statusTip(), QStringLiteral("Copy the selected items to the other pane"));
    EXPECT_EQ(copy->toolTip(), QStringLiteral("Copy To"));
    EXPECT_EQ(copy->data().toInt(), kCopyTo);
    EXPECT_EQ(manager.IdOf(copy), kCopyTo);

    // Without a shortcut the table's hint stays in the text; a prompt without
    // "\n" is all status prompt.
    QAction* view = manager.Action(kView);
    EXPECT_EQ(view->text(), QStringLiteral("&View\tF3"));
    EXPECT_TRUE(view->shortcuts().isEmpty());
    EXPECT_EQ(view->statusTip(), QStringLiteral("View a file"));
    EXPECT_EQ(StatusPromptOf(QStringLiteral("a\nb\nc")), QStringLiteral("a"));
    EXPECT_EQ(ToolTipOf(QStringLiteral("a\nb\nc")), QStringLiteral("b\nc"));

    EXPECT_EQ(manager.Action(kNobody), nullptr);
    QAction foreign;
    foreign.setData(kCopyTo);
    EXPECT_EQ(manager.IdOf(&foreign), std::nullopt);
    EXPECT_EQ(manager.Actions(), (QList<QAction*>{copy, view, manager.Action(kShowHidden)}));

    // Adding a known id refreshes its action instead of making a second one.
    CommandInfo renamed = CopyToInfo();
    renamed.menuText = QStringLiteral("Cop&y");
    EXPECT_EQ(manager.AddCommand(renamed), copy);
    EXPECT_EQ(copy->text(), QStringLiteral("Cop&y"));
}

TEST_F(CommandManagerTest, RoutingStopsAtTheFirstHandler) {
    frame.Handle(kCopyTo);
    frame.Handle(kView);
    pane.Handle(kCopyTo);
    EXPECT_TRUE(manager.Execute(kCopyTo));
    EXPECT_TRUE(manager.Execute(kView));
    EXPECT_EQ(log, (QStringList{QStringLiteral("pane:32797"), QStringLiteral("frame:32802")}));

    // The focused tree comes first once it is in the chain.
    RecordingTarget focusedTree(QStringLiteral("tree"));
    focusedTree.log = &log;
    focusedTree.Handle(kCopyTo);
    tree = &focusedTree;
    log.clear();
    EXPECT_TRUE(manager.Execute(kCopyTo));
    EXPECT_EQ(log, QStringList{QStringLiteral("tree:32797")});

    // Nobody handles it: not handled, and the signal says so.
    QSignalSpy executed(&manager, &CommandManager::CommandExecuted);
    EXPECT_FALSE(manager.Execute(kNobody));
    ASSERT_EQ(executed.size(), 1);
    EXPECT_EQ(executed[0][0].toInt(), kNobody);
    EXPECT_FALSE(executed[0][1].toBool());

    // Without a provider nothing runs.
    manager.SetChainProvider(nullptr);
    log.clear();
    EXPECT_FALSE(manager.Execute(kCopyTo));
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(CommandManagerTest, StateComesFromTheFirstTargetThatClaimsIt) {
    // A mapped handler alone claims its command as enabled.
    frame.Handle(kCopyTo);
    EXPECT_TRUE(manager.Update(kCopyTo).enabled);
    // No target claims it: disabled.
    EXPECT_FALSE(manager.Update(kView).enabled);
    EXPECT_EQ(manager.Query(kView), std::nullopt);

    // The pane, earlier in the chain, decides; the frame's handler no longer
    // counts, and a disabled command does not run.
    bool paneAllows = false;
    pane.MapUpdate(kCopyTo, [&](CommandState& state) { state.Enable(paneAllows); });
    EXPECT_FALSE(manager.Update(kCopyTo).enabled);
    EXPECT_FALSE(manager.Execute(kCopyTo));
    EXPECT_TRUE(log.isEmpty());
    paneAllows = true;
    EXPECT_TRUE(manager.Execute(kCopyTo));
    EXPECT_EQ(log, QStringList{QStringLiteral("frame:32797")});

    // A null entry in the chain is skipped.
    tree = nullptr;
    EXPECT_TRUE(manager.Update(kCopyTo).enabled);
}

TEST_F(CommandManagerTest, RangesCoverEveryIdInThem) {
    QList<int> sorted;
    pane.MapCommandRange(kSortFirst, kSortLast, [&](int id) { sorted.append(id); });
    int current = kSortFirst + 2;
    pane.MapUpdateRange(kSortFirst, kSortLast,
                        [&](int id, CommandState& state) { state.SetRadio(id == current); });
    for (int id = kSortFirst - 1; id <= kSortLast + 1; ++id) manager.Execute(id);
    EXPECT_EQ(sorted, (QList<int>{32943, 32944, 32945, 32946, 32947, 32948}));

    const CommandState chosen = manager.Update(kSortFirst + 2);
    EXPECT_TRUE(chosen.enabled);
    EXPECT_EQ(chosen.check, CommandState::Check::Radio);
    EXPECT_TRUE(chosen.checked);
    EXPECT_FALSE(manager.Update(kSortFirst).checked);
    EXPECT_FALSE(manager.Update(kSortLast + 1).enabled);
    EXPECT_TRUE(CommandTarget::InRange(kSortLast, kSortFirst, kSortLast));
    EXPECT_FALSE(CommandTarget::InRange(kSortLast + 1, kSortFirst, kSortLast));
}

TEST_F(CommandManagerTest, MenusAreUpdatedWhenAboutToShow) {
    bool hidden = true;
    int runs = 0;
    pane.MapCommand(kShowHidden, [&] { ++runs; });
    pane.MapUpdate(kShowHidden, [&](CommandState& state) { state.SetCheck(hidden); });
    pane.MapUpdate(kView,
                   [](CommandState& state) { state.SetText(QStringLiteral("&View 3 items")); });
    QMenu menu;
    menu.addAction(manager.Action(kCopyTo));  // claimed by nobody
    QMenu* submenu = menu.addMenu(QStringLiteral("&Options"));
    submenu->addAction(manager.Action(kShowHidden));
    submenu->addAction(manager.Action(kView));
    QAction* other = menu.addAction(QStringLiteral("not a command"));
    manager.WatchMenu(&menu);
    manager.WatchMenu(&menu);  // a second watch must not double anything

    Q_EMIT menu.aboutToShow();
    EXPECT_FALSE(manager.Action(kCopyTo)->isEnabled());
    EXPECT_TRUE(manager.Action(kShowHidden)->isEnabled());
    EXPECT_TRUE(manager.Action(kShowHidden)->isCheckable());
    EXPECT_TRUE(manager.Action(kShowHidden)->isChecked());
    EXPECT_EQ(manager.Action(kView)->text(), QStringLiteral("&View 3 items"));
    EXPECT_TRUE(other->isEnabled());

    // Triggering runs the command; the check mark then follows the handler's
    // state (still on: the command changed nothing), not Qt's own toggle.
    manager.Action(kShowHidden)->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(manager.Action(kShowHidden)->isChecked());

    hidden = false;
    Q_EMIT submenu->aboutToShow();
    EXPECT_FALSE(manager.Action(kShowHidden)->isChecked());

    // The state decides the kind of mark: a radio item is drawn as one.
    pane.MapUpdate(kCopyTo, [](CommandState& state) { state.SetRadio(true); });
    Q_EMIT menu.aboutToShow();
    QAction* copy = manager.Action(kCopyTo);
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_TRUE(copy->isChecked());
    ASSERT_NE(copy->actionGroup(), nullptr);
    EXPECT_TRUE(copy->actionGroup()->isExclusive());
}

TEST_F(CommandManagerTest, HoverAndCloseReachTheStatusBar) {
    QMenu menu;
    QMenu* submenu = menu.addMenu(QStringLiteral("&More"));
    menu.addAction(manager.Action(kCopyTo));
    manager.WatchMenu(&menu);
    QSignalSpy highlighted(&manager, &CommandManager::CommandHighlighted);
    QSignalSpy closed(&manager, &CommandManager::MenuClosed);

    manager.Action(kCopyTo)->hover();
    ASSERT_EQ(highlighted.size(), 1);
    EXPECT_EQ(highlighted[0][0].toInt(), kCopyTo);
    EXPECT_EQ(highlighted[0][1].toString(),
              QStringLiteral("Copy the selected items to the other pane"));

    Q_EMIT submenu->aboutToHide();
    EXPECT_EQ(closed.size(), 0);
    Q_EMIT menu.aboutToHide();
    EXPECT_EQ(closed.size(), 1);
}

TEST_F(CommandManagerTest, ToolbarCommandsAreUpdatedWhileIdle) {
    bool enabled = false;
    pane.MapUpdate(kCopyTo, [&](CommandState& state) { state.Enable(enabled); });
    pane.MapUpdate(kView, [&](CommandState& state) { state.Enable(enabled); });
    manager.UpdateAction(kCopyTo);
    manager.UpdateAction(kView);
    ASSERT_FALSE(manager.Action(kCopyTo)->isEnabled());

    enabled = true;
    manager.UpdateIdleActions();
    EXPECT_TRUE(manager.Action(kCopyTo)->isEnabled());  // a toolbar command
    EXPECT_FALSE(manager.Action(kView)->isEnabled());   // a menu-only command

    // The timer runs only while the application is active.
    manager.StartIdleUpdates();
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(manager.IdleUpdatesRunning());
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(manager.IdleUpdatesRunning());

    enabled = false;
    WaitFor([&] { return !manager.Action(kCopyTo)->isEnabled(); });
    EXPECT_FALSE(manager.Action(kCopyTo)->isEnabled());

    manager.StopIdleUpdates();
    EXPECT_FALSE(manager.IdleUpdatesRunning());
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(manager.IdleUpdatesRunning());
}

TEST_F(CommandManagerTest, PostedCommandsRunFromTheEventLoop) {
    frame.Handle(kView);
    QSignalSpy executed(&manager, &CommandManager::CommandExecuted);
    manager.PostCommand(kView);
    EXPECT_TRUE(log.isEmpty());
    ASSERT_TRUE(executed.wait(10000));
    EXPECT_EQ(log, QStringList{QStringLiteral("frame:32802")});
}

// A key pressed before the idle tick has caught up with the state (F5 right
// after selecting, Ctrl+S right after typing) runs its command; a key whose
// command is disabled at that moment still does not.
TEST_F(CommandManagerTest, AKeySeesTheStateOfTheMomentNotOfTheLastTick) {
    bool enabled = false;
    pane.Handle(kCopyTo);
    pane.MapUpdate(kCopyTo, [&](CommandState& state) { state.Enable(enabled); });
    manager.AddCommand({kSortFirst,
                        QStringLiteral("Sort by &Name"),
                        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
                        QString()});
    pane.Handle(kSortFirst);
    pane.MapUpdate(kSortFirst, [&](CommandState& state) { state.Enable(enabled); });

    QWidget window;
    window.addActions(manager.Actions());
    window.setFocusPolicy(Qt::StrongFocus);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.setFocus();
    manager.UpdateIdleActions();
    manager.UpdateAction(kSortFirst);
    ASSERT_FALSE(manager.Action(kCopyTo)->isEnabled());

    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_TRUE(log.isEmpty());

    enabled = true;  // no idle tick runs between this and the key
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(log, QStringList{QStringLiteral("pane:32797")});
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(log, (QStringList{QStringLiteral("pane:32797"), QStringLiteral("pane:32943")}));

    enabled = false;
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(log.size(), 2);
}

}  // namespace
