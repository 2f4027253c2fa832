// The tabs in the main window: the commands run by id as a key or the menu
// would, the window's panes following the tab shown, Ctrl+Tab in a pane,
// the tabs kept by a stored layout and by the next run.

#include <QAbstractItemView>
#include <QComboBox>
#include <QTabBar>

#include "app/AddressBar.h"
#include "app/FrameBars.h"
#include "app/FrameFixture.h"
#include "pane/PaneTabs.h"
#include "platform/ui/KeyState.h"

namespace {

class TabCommandsTest : public FrameFixture {
protected:
    PaneTabs* LeftTabs() const { return frame->findChild<PaneTabs*>(QStringLiteral("leftTabs")); }
    PaneTabs* RightTabs() const { return frame->findChild<PaneTabs*>(QStringLiteral("rightTabs")); }
    bool Enabled(int id) {
        const std::optional<CommandState> state = frame->Commands().Query(id);
        return state && state->enabled;
    }
    QString AddressText() const { return frame->GetAddressBar()->Combo()->currentText(); }
};

TEST_F(TabCommandsTest, TheWindowsPanesAndBarsFollowTheTabShown) {
    ASSERT_TRUE(Start());
    PaneTabs* tabs = LeftTabs();
    ASSERT_NE(tabs, nullptr);
    CPanexView* first = frame->GetLeftPane();
    frame->ActivatePane(first);
    EXPECT_FALSE(Enabled(ID_TAB_CLOSE)) << "the only tab can't close";
    EXPECT_FALSE(Enabled(ID_TAB_NEXT));
    EXPECT_FALSE(Enabled(ID_TAB_GOTO_FIRST + 1));
    EXPECT_TRUE(tabs->TabBar()->isHidden()) << "one tab shows no bar";

    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_NEW));
    ASSERT_EQ(tabs->Count(), 2);
    CPanexView* second = frame->GetLeftPane();
    EXPECT_NE(second, first);
    EXPECT_EQ(frame->GetActivePane(), second);
    EXPECT_EQ(FolderOf(second), leftPath);
    EXPECT_FALSE(tabs->TabBar()->isHidden());

    // The new tab goes elsewhere; the address bar and the title follow it,
    // and come back with the first tab.
    ASSERT_TRUE(second->GoToText(leftPath + QStringLiteral("/sub")));
    EXPECT_EQ(frame->windowTitle(),
              kMainFrameTitle + QStringLiteral(" - ") + leftPath + QStringLiteral("/sub"));
    EXPECT_TRUE(AddressText().startsWith(leftPath + QStringLiteral("/sub")))
        << AddressText().toStdString();
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_GOTO_FIRST));
    EXPECT_EQ(frame->GetLeftPane(), first);
    EXPECT_EQ(frame->GetActivePane(), first);
    EXPECT_EQ(frame->windowTitle(), kMainFrameTitle + QStringLiteral(" - ") + leftPath);
    EXPECT_FALSE(AddressText().startsWith(leftPath + QStringLiteral("/sub")));
    EXPECT_TRUE(first->hasFocus() || first->isAncestorOf(QApplication::focusWidget()));

    // Ctrl+Tab in the pane's list steps through the tabs.
    frame->ActivatePane(first);
    QTest::keyClick(first->List()->ActiveView(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(frame->GetLeftPane(), second);
    QTest::keyClick(second->List()->ActiveView(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(frame->GetLeftPane(), first);

    // The focused folder in a new tab, behind the current one.
    ASSERT_GE(first->FocusByName(QStringLiteral("sub"), false), 0);
    ASSERT_TRUE(Enabled(ID_TAB_OPEN_FOCUSED));
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_OPEN_FOCUSED));
    ASSERT_EQ(tabs->Count(), 3);
    EXPECT_EQ(frame->GetLeftPane(), first);
    EXPECT_EQ(FolderOf(tabs->ViewAt(1)), leftPath + QStringLiteral("/sub"));
    ASSERT_GE(first->FocusByName(QStringLiteral("a1.txt"), false), 0);
    EXPECT_FALSE(Enabled(ID_TAB_OPEN_FOCUSED)) << "a file is no folder";

    // The tab moves to the right pane, which becomes active with it.
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_MOVE_TO_OTHER));
    EXPECT_EQ(tabs->Count(), 2);
    EXPECT_EQ(RightTabs()->Count(), 2);
    EXPECT_EQ(frame->GetRightPane(), first);
    EXPECT_EQ(frame->GetActivePane(), first);
    EXPECT_NE(frame->GetLeftPane(), first);
    EXPECT_EQ(frame->GetInactivePane(), frame->GetLeftPane());

    // Closing the shown tab shows its neighbour in the window's pane.
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_CLOSE));
    EXPECT_EQ(RightTabs()->Count(), 1);
    EXPECT_EQ(FolderOf(frame->GetRightPane()), rightPath);
    EXPECT_EQ(frame->GetActivePane(), frame->GetRightPane());
}

TEST_F(TabCommandsTest, TabsComeBackInTheNextRunAndWithAStoredLayout) {
    ASSERT_TRUE(Start());
    frame->ActivatePane(frame->GetLeftPane());
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_NEW));
    ASSERT_TRUE(frame->GetLeftPane()->GoToText(leftPath + QStringLiteral("/sub")));
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_LOCK));
    EXPECT_TRUE(LeftTabs()->IsLocked(1));

    // A layout keeps the tabs; closing one and applying it brings it back.
    prompter->AnswerInput(QStringLiteral("Tabs"));
    {
        const ScopedKeyState shift(Qt::ShiftModifier);
        ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST));
    }
    ASSERT_TRUE(frame->Commands().Execute(ID_TAB_CLOSE_OTHERS));
    ASSERT_EQ(LeftTabs()->Count(), 1);
    {
        const ScopedKeyState none(Qt::NoModifier);
        ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST));
    }
    ASSERT_EQ(LeftTabs()->Count(), 2);
    EXPECT_EQ(FolderOf(LeftTabs()->ViewAt(1)), leftPath + QStringLiteral("/sub"));
    EXPECT_TRUE(LeftTabs()->IsLocked(1));
    EXPECT_EQ(LeftTabs()->CurrentIndex(), 1);
    EXPECT_EQ(frame->GetLeftPane(), LeftTabs()->ViewAt(1));

    // The next run: the shown tab opens the command line's folder, the
    // other stored one comes back on its own.
    Stop();
    ASSERT_TRUE(Start());
    ASSERT_EQ(LeftTabs()->Count(), 2);
    EXPECT_EQ(LeftTabs()->CurrentIndex(), 1);
    EXPECT_EQ(FolderOf(LeftTabs()->ViewAt(0)), leftPath);
    EXPECT_EQ(FolderOf(frame->GetLeftPane()), leftPath) << "the command line's folder";
    EXPECT_TRUE(LeftTabs()->IsLocked(1));
    EXPECT_EQ(RightTabs()->Count(), 1);
}

}  // namespace
