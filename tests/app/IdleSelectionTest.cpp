// After Select all the window goes quiet: the status bar's indicators and
// the toolbar's command states, renewed several times a second, walk the
// selection no more once they have shown it.

#include <gtest/gtest.h>

#include "FrameFixture.h"
#include "app/CMainStatusBar.h"
#include "platform/ui/CommandManager.h"

namespace {

class IdleSelectionTest : public FrameFixture {};

TEST_F(IdleSelectionTest, IdleUpdatesDoNotWalkAnUnchangedSelection) {
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(dir.MakeFile("left/many" + QByteArray::number(i) + ".txt", "x"));
    CMainFrame* shown = Start();
    ASSERT_TRUE(shown);
    CPanexView* pane = shown->GetActivePane();
    ASSERT_TRUE(pane);
    ASSERT_TRUE(shown->Commands().Execute(ID_MARK_SELECT_ALL));
    PaneListCtrl& list = *pane->List();
    ASSERT_EQ(list.SelectedCount(), list.RowCount());

    CMainStatusBar* bar = shown->StatusBar();
    ASSERT_TRUE(bar);
    // What the two idle timers do, once to show the selection...
    bar->UpdateIndicators(shown->Commands());
    shown->Commands().UpdateIdleActions();
    EXPECT_TRUE(
        bar->PaneText(CMainStatusBar::SelectionPane)
            .startsWith(QString::number(list.RowCount()) + QStringLiteral(" objects selected")))
        << qPrintable(bar->PaneText(CMainStatusBar::SelectionPane));
    // ...then many times over with nothing changed.
    const int walks = list.SelectionWalks();
    for (int i = 0; i < 25; ++i) {
        bar->UpdateIndicators(shown->Commands());
        shown->Commands().UpdateIdleActions();
    }
    EXPECT_EQ(list.SelectionWalks(), walks);

    // A change is shown at the next update.
    list.SelectRow(0, false);
    bar->UpdateIndicators(shown->Commands());
    EXPECT_TRUE(bar->PaneText(CMainStatusBar::SelectionPane)
                    .startsWith(QString::number(list.RowCount() - 1) +
                                QStringLiteral(" objects selected")));
}

}  // namespace
