// The status bar's progress bar: its placement, what begin and end show, and
// that the long operations below the frame reach it through their service.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMainWindow>
#include <QTest>

#include "app/AppTestSupport.h"
#include "app/CMainStatusBar.h"
#include "app/CProgressSBar.h"
#include "platform/ui/EscapePoll.h"
#include "shell/LongOperation.h"
#include "shell/ProgressStepper.h"

namespace {

// Runs the stepping rule over `count` items through the long-operation
// service; the bar's final value.
int RunItems(std::size_t count, CProgressSBar& bar) {
    ProgressStepper stepper(count);
    for (std::size_t item = 1; item <= count; ++item) {
        if (stepper.Advance())
            StepProgress();
    }
    return bar.value();
}

class ProgressTest : public StatusBarWindowTest {
protected:
    ProgressTest() : StatusBarWindowTest(900) {}
};

TEST_F(ProgressTest, ThreeItemsEndAtThirtyPercentAndTwoHundredEndFull) {
    CProgressSBar* progress = bar->Progress();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);

    BeginProgress(QStringLiteral("Shreding... (ESC to abort)"));
    EXPECT_EQ(RunItems(3, *progress), 30);
    BeginProgress(QStringLiteral("Shreding... (ESC to abort)"));
    EXPECT_EQ(RunItems(200, *progress), 100);
    // Nine items step nine times; nothing at all for none.
    BeginProgress(QString());
    EXPECT_EQ(RunItems(9, *progress), 90);
    BeginProgress(QString());
    EXPECT_EQ(RunItems(0, *progress), 0);
    // A bar stepped past its end stays full.
    BeginProgress(QString());
    for (int i = 0; i < 12; ++i) StepProgress();
    EXPECT_EQ(progress->value(), 100);
    EndProgress();
}

TEST(ProgressPlacement, FortyPercentRightOfTheCaptionCutAtThePaneEdge) {
    const QRect pane(2, 3, 500, 22);
    EXPECT_EQ(ProgressBarPlacement(pane, 0), QRect(2, 4, 200, 20));
    EXPECT_EQ(ProgressBarPlacement(pane, 110), QRect(112, 4, 200, 20));
    // A caption wider than 60 percent of the pane: the bar is cut short.
    const QRect cut = ProgressBarPlacement(pane, 350);
    EXPECT_EQ(cut.left(), 352);
    EXPECT_EQ(cut.left() + cut.width(), pane.left() + pane.width());
    EXPECT_LT(cut.width(), 200);
    // Wider than the pane: nothing left to show.
    EXPECT_EQ(ProgressBarPlacement(pane, 600).width(), 0);
    // Integer arithmetic: 40 percent of 333 is 133.
    EXPECT_EQ(ProgressBarPlacement(QRect(0, 0, 333, 10), 0).width(), 133);
}

TEST_F(ProgressTest, BeginShowsCaptionAndBarEndHidesItAndSaysReady) {
    CProgressSBar* progress = bar->Progress();
    EXPECT_TRUE(progress->isHidden());
    const QString caption = QStringLiteral("Comparing contents... (ESC to abort)");

    progress->BeginProgress(caption);
    EXPECT_EQ(bar->MessageText(), caption);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->value(), 0);
    const int captionWidth = QFontMetrics(bar->font()).horizontalAdvance(caption) + 10;
    const QRect expected = ProgressBarPlacement(bar->PaneRect(0), captionWidth);
    EXPECT_EQ(progress->geometry(), expected);
    EXPECT_GT(expected.width(), 0);
    EXPECT_EQ(progress->MoveCount(), 1);

    progress->StepIt();
    EXPECT_EQ(progress->value(), 10);
    progress->EndProgress();
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));

    // The same place again: the bar is not moved, but starts from 0.
    progress->BeginProgress(caption);
    EXPECT_EQ(progress->MoveCount(), 1);
    EXPECT_EQ(progress->value(), 0);
    // A caption wider than 60 percent of pane 0 moves it, and the bar is
    // cut at the pane's right edge, shorter than 40 percent of the pane.
    const QRect pane = bar->PaneRect(0);
    const QFontMetrics metrics(bar->font());
    QString wide;
    while (metrics.horizontalAdvance(wide) + 10 <= pane.width() * 70 / 100)
        wide += QLatin1Char('W');
    progress->BeginProgress(wide);
    EXPECT_EQ(progress->MoveCount(), 2);
    const QRect placed = progress->geometry();
    EXPECT_EQ(placed.left(), pane.left() + metrics.horizontalAdvance(wide) + 10);
    EXPECT_EQ(placed.left() + placed.width(), pane.left() + pane.width());
    EXPECT_LT(placed.width(), pane.width() * 40 / 100);
    EXPECT_GT(placed.width(), 0);
    progress->EndProgress();
}

TEST_F(ProgressTest, HiddenStatusBarRunsTheOperationWithoutABar) {
    bar->hide();
    CProgressSBar* progress = bar->Progress();
    {
        LongOperation operation(QStringLiteral("Splitting... (ESC to abort)"));
        EXPECT_TRUE(progress->isHidden());
        EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
        // Stepping a hidden bar is harmless.
        EXPECT_EQ(RunItems(5, *progress), 50);
        // Escape still stops the operation.
        EXPECT_TRUE(IsEscapePollActive());
        QCoreApplication::postEvent(
            &window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        EXPECT_TRUE(operation.PollEscape());
    }
    EXPECT_TRUE(progress->isHidden());
    EXPECT_FALSE(IsEscapePollActive());
}

TEST_F(ProgressTest, AnOperationShowsInTheBarAndEscapeReachesItUntilItEnds) {
    CProgressSBar* progress = bar->Progress();
    const QString caption = QStringLiteral("Creating hard links... (ESC to abort)");
    {
        LongOperation operation(caption);
        EXPECT_EQ(bar->MessageText(), caption);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_TRUE(progress->IsWatchingEscape());
        EXPECT_TRUE(IsEscapePollActive());
        operation.Step();
        operation.Step();
        EXPECT_EQ(progress->value(), 20);

        EXPECT_FALSE(operation.PollEscape());
        QCoreApplication::postEvent(&window,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
        EXPECT_FALSE(operation.PollEscape()) << "only Escape stops an operation";
        QCoreApplication::postEvent(
            &window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
        EXPECT_TRUE(operation.PollEscape());
        EXPECT_FALSE(operation.PollEscape()) << "seen once, reported once";
    }
    EXPECT_TRUE(progress->isHidden());
    EXPECT_FALSE(progress->IsWatchingEscape());
    EXPECT_FALSE(IsEscapePollActive());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
}

TEST_F(ProgressTest, AStatusBarGivesTheServiceBackWhenItGoes) {
    CProgressSBar* first = bar->Progress();
    {
        QMainWindow other;
        auto* second = new CMainStatusBar(&other);
        other.setStatusBar(second);
        other.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
        BeginProgress(QStringLiteral("Merging..."));
        EXPECT_EQ(second->MessageText(), QStringLiteral("Merging..."));
        EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
        EXPECT_TRUE(first->isHidden());
        // Gone in the middle of an operation: its Escape watch goes with it.
    }
    EXPECT_FALSE(IsEscapePollActive());
    BeginProgress(QStringLiteral("Merging..."));
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Merging..."));
    EXPECT_TRUE(first->isVisible());
    EndProgress();
    EXPECT_TRUE(first->isHidden());

    // A sink kept past its bar does nothing.
    ProgressSink kept;
    {
        QMainWindow other;
        auto* third = new CMainStatusBar(&other);
        kept = third->Progress()->Sink();
    }
    kept.begin(QStringLiteral("Nobody sees this"));
    kept.step();
    EXPECT_FALSE(kept.poll(false));
    kept.end();
    EXPECT_FALSE(IsEscapePollActive());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
}

}  // namespace
