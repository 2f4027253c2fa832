// The function-key bar and the hidden-files key, on the running frame: each
// button runs what its key runs, held modifiers show and run their own
// meanings, and Ctrl+. hides and shows the dotfiles of both panes at once.
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "app/FrameFixture.h"
#include "app/FunctionKeyBar.h"
#include "platform/ui/KeyState.h"
#include "support/Wait.h"

namespace {

class FunctionKeyBarTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        ASSERT_TRUE(dir.MakeFile("left/.profile-left", "h"));
        ASSERT_TRUE(dir.MakeFile("right/.profile-right", "h"));
    }
    static QStringList Listed(const CPanexView* pane) {
        QStringList names;
        for (int row = 0; row < pane->List()->RowCount(); ++row)
            names.append(pane->List()->ItemAt(row)->name);
        return names;
    }
    static int IndexOf(const QString& keyText) {
        const QList<FunctionKeyBar::Slot>& slots = FunctionKeyBar::Slots();
        for (int i = 0; i < slots.size(); ++i) {
            if (slots[i].keyText == keyText)
                return i;
        }
        return -1;
    }
    static void SendModifier(QWidget* to, Qt::Key key, bool press, Qt::KeyboardModifiers state) {
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, state);
        QApplication::sendEvent(to, &event);
    }
};

TEST_F(FunctionKeyBarTest, ButtonsAreTheKeyMapsAndFollowTheHeldModifiers) {
    ASSERT_TRUE(Start());
    FunctionKeyBar* bar = frame->FunctionKeys();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());

    const QStringList plain = {"F2 Rename",   "F3 View",       "F4 Edit",    "F5 Copy",   "F6 Move",
                               "F7 New file", "F8 New folder", "Del Delete", "Alt+X Exit"};
    for (int i = 0; i < plain.size(); ++i) EXPECT_EQ(bar->TextAt(i), plain[i]) << i;
    // The bar's commands are the key map's: what F5 and the rest run.
    EXPECT_EQ(bar->CommandAt(IndexOf("F5")), ID_FILE_COPYTO);
    EXPECT_EQ(bar->CommandAt(IndexOf("F8")), ID_NEW_FOLDER);
    EXPECT_EQ(bar->CommandAt(IndexOf("Alt+X")), ID_APP_EXIT);
    for (int i = 0; i < plain.size(); ++i) {
        const FunctionKeyBar::Slot& slot = FunctionKeyBar::Slots()[i];
        if (slot.key.key() != Qt::Key_Delete)
            EXPECT_EQ(bar->CommandAt(i), FunctionKeyBar::CommandForKey(slot.key)) << i;
        EXPECT_EQ(bar->ButtonAt(i)->focusPolicy(), Qt::NoFocus) << i;
    }

    // Holding Alt: Alt+F2 chooses the right pane's volume; Alt+F3, bound to
    // nothing, is greyed; letting go brings the plain row back.
    CPanexView* left = frame->GetLeftPane();
    SendModifier(left->List(), Qt::Key_Alt, true, Qt::NoModifier);
    EXPECT_EQ(bar->ShownModifiers(), Qt::AltModifier);
    EXPECT_EQ(bar->TextAt(IndexOf("F2")), QStringLiteral("Alt+F2 Right volume"));
    EXPECT_EQ(bar->CommandAt(IndexOf("F2")), ID_DRIVE_RIGHT);
    EXPECT_FALSE(bar->ButtonAt(IndexOf("F3"))->isEnabled());
    EXPECT_EQ(bar->TextAt(IndexOf("Alt+X")), QStringLiteral("Alt+X Exit"));
    SendModifier(left->List(), Qt::Key_Alt, false, Qt::AltModifier);
    EXPECT_EQ(bar->TextAt(IndexOf("F2")), QStringLiteral("F2 Rename"));

    // Shift: Del deletes permanently.
    SendModifier(left->List(), Qt::Key_Shift, true, Qt::NoModifier);
    EXPECT_EQ(bar->TextAt(IndexOf("Del")), QStringLiteral("Shift+Del Delete permanently"));
    EXPECT_EQ(bar->CommandAt(IndexOf("Del")), ID_FILE_DELETE);
    SendModifier(left->List(), Qt::Key_Shift, false, Qt::ShiftModifier);

    // The View menu's entry hides and shows the bar.
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_FUNCTION_KEYS));
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(frame->Commands().Update(ID_VIEW_FUNCTION_KEYS).checked);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_FUNCTION_KEYS));
    EXPECT_FALSE(bar->isHidden());
}

TEST_F(FunctionKeyBarTest, AClickRunsTheCommandWithTheHeldModifierAndKeepsThePaneFocused) {
    ASSERT_TRUE(Start());
    FunctionKeyBar* bar = frame->FunctionKeys();
    CPanexView* left = frame->GetLeftPane();
    frame->ActivatePane(left);
    const QStringList names = Listed(left);
    const int row = int(names.indexOf(QStringLiteral("a2.txt")));
    ASSERT_GE(row, 0);
    left->List()->SetFocusedRow(row, true);
    left->List()->setFocus();

    // Ctrl+F5 is the copy without its dialog.
    {
        ScopedKeyState ctrl(Qt::ControlModifier);
        bar->ShowModifiers(Qt::ControlModifier);
        EXPECT_EQ(bar->TextAt(IndexOf("F5")), QStringLiteral("Ctrl+F5 Copy"));
        QTest::mouseClick(bar->ButtonAt(IndexOf("F5")), Qt::LeftButton, Qt::ControlModifier);
    }
    bar->ShowModifiers(Qt::NoModifier);
    const QString copied = rightPath + QStringLiteral("/a2.txt");
    EXPECT_TRUE(WaitForFile(copied));
    EXPECT_TRUE(prompter->Requests().isEmpty());
    EXPECT_EQ(frame->ActivePane(), left);
    EXPECT_TRUE(left->List()->hasFocus());
}

TEST_F(FunctionKeyBarTest, CtrlDotHidesAndShowsTheDotfilesOfBothPanes) {
    ASSERT_TRUE(Start());
    CPanexView* left = frame->GetLeftPane();
    CPanexView* right = frame->GetRightPane();
    ASSERT_TRUE(General().showHiddenFiles);
    ASSERT_TRUE(Listed(left).contains(QStringLiteral(".profile-left")));
    EXPECT_TRUE(frame->Commands().Update(ID_VIEW_HIDDEN_FILES).checked);

    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_HIDDEN_FILES));
    EXPECT_FALSE(General().showHiddenFiles);
    EXPECT_TRUE(WaitFor(
        [&] {
            return !Listed(left).contains(QStringLiteral(".profile-left")) &&
                   !Listed(right).contains(QStringLiteral(".profile-right"));
        },
        5000));
    EXPECT_TRUE(Listed(left).contains(QStringLiteral("a1.txt")));
    EXPECT_TRUE(HasNotice(kHiddenFilesHidden, false));
    EXPECT_FALSE(frame->Commands().Update(ID_VIEW_HIDDEN_FILES).checked);

    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_HIDDEN_FILES));
    EXPECT_TRUE(WaitFor(
        [&] {
            return Listed(left).contains(QStringLiteral(".profile-left")) &&
                   Listed(right).contains(QStringLiteral(".profile-right"));
        },
        5000));
    EXPECT_TRUE(HasNotice(kHiddenFilesShown, false));

    // The key itself is Ctrl+.
    const QList<QKeySequence> keys = frame->Commands().Action(ID_VIEW_HIDDEN_FILES)->shortcuts();
    EXPECT_TRUE(keys.contains(QKeySequence(Qt::ControlModifier | Qt::Key_Period)));
}

}  // namespace
