// The stepping rule of long operations and the progress bar's placement.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTest>

#include "app/CMainStatusBar.h"
#include "app/CProgressSBar.h"
#include "app/ProgressStepper.h"

namespace {

// Runs the rule over `count` items against a real bar; the bar's final value.
int RunItems(std::size_t count, CProgressSBar& bar, QList<int>* stepsAt = nullptr) {
    ProgressStepper stepper(count);
    for (std::size_t item = 1; item <= count; ++item) {
        if (stepper.Advance()) {
            bar.StepIt();
            if (stepsAt)
                stepsAt->append(int(item));
        }
    }
    return bar.value();
}

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(900, 200);
        bar = new CMainStatusBar(&window);
        window.setStatusBar(bar);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QMainWindow window;
    CMainStatusBar* bar = nullptr;
};

TEST_F(ProgressTest, ThreeItemsEndAtThirtyPercentAndTwoHundredEndFull) {
    CProgressSBar* progress = bar->Progress();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);

    ProgressStepper three(3);
    const double expected[] = {100.0 / 3 - 10, 200.0 / 3 - 20, 100.0 - 30};
    for (double accumulator : expected) {
        EXPECT_TRUE(three.Advance());
        EXPECT_NEAR(three.Accumulator(), accumulator, 1e-9);
    }

    progress->BeginProgress(QStringLiteral("Shreding... (ESC to abort)"));
    EXPECT_EQ(RunItems(3, *progress), 30);
    progress->BeginProgress(QStringLiteral("Shreding... (ESC to abort)"));
    QList<int> stepsAt;
    EXPECT_EQ(RunItems(200, *progress, &stepsAt), 100);
    EXPECT_EQ(stepsAt, (QList<int>{20, 40, 60, 80, 100, 120, 140, 160, 180, 200}));
    // Nine items step nine times; nothing at all for none.
    progress->BeginProgress(QString());
    EXPECT_EQ(RunItems(9, *progress), 90);
    progress->BeginProgress(QString());
    EXPECT_EQ(RunItems(0, *progress), 0);
    // A bar stepped past its end stays full.
    progress->BeginProgress(QString());
    for (int i = 0; i < 12; ++i) progress->StepIt();
    EXPECT_EQ(progress->value(), 100);
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
    progress->BeginProgress(QStringLiteral("Splitting... (ESC to abort)"));
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(bar->MessageText(), QStringLiteral("Ready"));
    // Stepping a hidden bar is harmless.
    EXPECT_EQ(RunItems(5, *progress), 50);
    progress->EndProgress();
    EXPECT_TRUE(progress->isHidden());
}

}  // namespace
