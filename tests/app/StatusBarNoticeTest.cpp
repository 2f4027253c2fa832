// The status bar's notices: the revert to "Ready", alerts, the hidden bar,
// menu prompts.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "app/AppTestSupport.h"
#include "app/CMainStatusBar.h"
#include "platform/ui/CommandManager.h"
#include "support/ScriptedPrompter.h"
#include "support/Wait.h"

namespace {

class StatusBarTest : public StatusBarWindowTest {
protected:
    ScopedPrompter prompter;
};

TEST_F(StatusBarTest, ASecondNoticeRestartsTheTimeoutAndReadyFollowsIt) {
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
    EXPECT_EQ(bar->NoticeTimeout(), 5000);
    bar->SetNoticeTimeout(600);
    QSignalSpy expired(bar, &CMainStatusBar::NoticeExpired);

    bar->ShowNotice(QStringLiteral("Bookmark set ok."), false);
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Bookmark set ok."));
    ASSERT_TRUE(bar->IsNoticePending());
    // Let part of the first notice's time run out before the second arrives.
    ASSERT_TRUE(WaitFor([&] { return bar->RemainingNoticeTime() <= 400; }, 5000));
    const int leftOfFirst = bar->RemainingNoticeTime();

    bar->ShowNotice(QStringLiteral("Reading folder..."), false);
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Reading folder..."));
    EXPECT_GT(bar->RemainingNoticeTime(), leftOfFirst);
    EXPECT_TRUE(expired.isEmpty());

    ASSERT_TRUE(expired.wait(5000));
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
    EXPECT_FALSE(bar->IsNoticePending());
    EXPECT_EQ(expired.count(), 1);
    // Plain notices are quiet.
    EXPECT_TRUE(prompter->Beeps().isEmpty());
    EXPECT_TRUE(prompter->Requests().isEmpty());
}

TEST_F(StatusBarTest, NoTextMeansReadyAtOnceAndTheTimerRestoresItAgain) {
    bar->SetNoticeTimeout(200);
    bar->ShowNotice(QStringLiteral("Refresh has failed"), true);
    EXPECT_EQ(prompter->Beeps(), QList<BeepKind>{BeepKind::Exclamation});

    bar->ShowNotice(std::nullopt, false);
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
    EXPECT_TRUE(bar->IsNoticePending());
    QSignalSpy expired(bar, &CMainStatusBar::NoticeExpired);
    ASSERT_TRUE(expired.wait(5000));
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
    EXPECT_EQ(prompter->Beeps().size(), 1);
}

TEST_F(StatusBarTest, WhileHiddenOnlyAlertsReachTheUserAsAMessageBox) {
    bar->hide();
    bar->ShowNotice(QStringLiteral("Bookmark set ok."), false);
    EXPECT_TRUE(prompter->Requests().isEmpty());
    EXPECT_FALSE(bar->IsNoticePending());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));

    bar->ShowNotice(QStringLiteral("Reading from 'x' has failed miserably"), true);
    ASSERT_EQ(prompter->Requests().size(), 1);
    const PromptRecord& box = prompter->Requests().first();
    EXPECT_EQ(box.kind, PromptKind::MessageBox);
    EXPECT_EQ(box.text, QStringLiteral("Reading from 'x' has failed miserably"));
    EXPECT_EQ(box.buttons, PromptButtons::Ok);
    // The box is the alert's sound; the bar stays as it was.
    EXPECT_TRUE(prompter->Beeps().isEmpty());
    EXPECT_FALSE(bar->IsNoticePending());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));

    // Shown again, the bar takes notices again.
    bar->show();
    bar->ShowNotice(QStringLiteral("Back"), false);
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Back"));
}

TEST_F(StatusBarTest, MenuPromptsCoverPaneZeroUntilTheMenuCloses) {
    CommandManager commands;
    CommandInfo info;
    info.id = 32855;
    info.menuText = QStringLiteral("&Equal panes");
    info.prompt = QStringLiteral("Make the width (or height) of the two panes equal");
    QAction* action = commands.AddCommand(info);
    bar->ConnectCommandPrompts(commands);
    bar->ShowNotice(QStringLiteral("Bookmark set ok."), false);

    QMenu menu;
    menu.addAction(action);
    commands.WatchMenu(&menu);
    menu.popup(window.mapToGlobal(QPoint(10, 10)));
    action->hover();
    EXPECT_EQ(bar->currentMessage(), info.prompt);
    // The notice underneath is kept.
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Bookmark set ok."));

    menu.hide();
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Bookmark set ok."));
}

TEST_F(StatusBarTest, IndicatorPanesAreSizedFromTheirTemplates) {
    const QFontMetrics metrics(bar->font());
    const int selection = bar->PaneRect(CMainStatusBar::SelectionPane).width();
    const int freeSpace = bar->PaneRect(CMainStatusBar::FreeSpacePane).width();
    EXPECT_GE(selection, metrics.horizontalAdvance(kSelectionPaneTemplate));
    EXPECT_GE(freeSpace, metrics.horizontalAdvance(kFreeSpacePaneTemplate));
    EXPECT_LT(freeSpace, selection);
    // Pane 0 takes the rest, left of the other two.
    const QRect message = bar->PaneRect(CMainStatusBar::MessagePane);
    EXPECT_LT(message.right(), bar->PaneRect(CMainStatusBar::SelectionPane).left());
    bar->SetPaneText(CMainStatusBar::FreeSpacePane, QStringLiteral("1.5 GB free"));
    EXPECT_EQ(bar->PaneText(CMainStatusBar::FreeSpacePane), QStringLiteral("1.5 GB free"));
}

}  // namespace
