// A command that needs a selection and finds none says so: by its key, by
// its id, and in the greyed menu item's status text. Keys of commands that
// can run are not touched.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>

#include "FrameFixture.h"
#include "fileops/CPaneTransfer.h"
#include "platform/ui/CommandManager.h"

namespace {

class RefusedCommandTest : public FrameFixture {
protected:
    bool Active() {
        frame->activateWindow();
        return QTest::qWaitForWindowActive(frame);
    }
    int CountOf(const QString& text) const {
        int count = 0;
        for (const Shown& shown : notices) count += shown.text == text && shown.alert ? 1 : 0;
        return count;
    }
};

}  // namespace

TEST_F(RefusedCommandTest, EachSelectionCommandGivesItsNoticeWithoutASelection) {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Active());
    CPanexView* left = frame->GetLeftPane();
    frame->ActivatePane(left);
    QTRY_VERIFY(left->List()->RowCount() == 3);
    left->List()->ClearSelection();
    ASSERT_EQ(left->List()->SelectedCount(), 0);

    using namespace TransferNotices;
    const QList<std::pair<int, QString>> commands = {{ID_FILE_COPYTO, kNoSource},
                                                     {ID_FILE_MOVETO, kNoSource},
                                                     {ID_FILE_DELETE, kNoDelete},
                                                     {ID_EDIT_COPY, kClipboardRefused},
                                                     {ID_EDIT_CUT, kClipboardRefused}};
    for (const auto& [id, text] : commands) {
        notices.clear();
        EXPECT_FALSE(frame->Commands().Execute(id)) << id;
        EXPECT_EQ(CountOf(text), 1) << id;
        // The greyed menu item says why.
        frame->Commands().UpdateAction(id);
        QAction* action = frame->Commands().Action(id);
        ASSERT_NE(action, nullptr);
        EXPECT_FALSE(action->isEnabled());
        EXPECT_EQ(action->statusTip(), text) << id;
    }

    // The keys, pressed in the pane's list.
    QWidget* view = left->List()->ActiveView();
    view->setFocus();
    const QList<std::tuple<Qt::Key, Qt::KeyboardModifiers, QString>> keys = {
        {Qt::Key_F5, Qt::NoModifier, kNoSource},
        {Qt::Key_F6, Qt::NoModifier, kNoSource},
        {Qt::Key_Delete, Qt::NoModifier, kNoDelete},
        {Qt::Key_C, Qt::ControlModifier, kClipboardRefused},
        {Qt::Key_X, Qt::ControlModifier, kClipboardRefused}};
    for (const auto& [key, modifiers, text] : keys) {
        notices.clear();
        QTest::keyClick(view, key, modifiers);
        QTRY_COMPARE_WITH_TIMEOUT(CountOf(text), 1, 2000);
    }
    EXPECT_EQ(left->List()->SelectedCount(), 0);
    EXPECT_TRUE(prompter->Requests().isEmpty()) << "nothing asked, nothing done";

    // With a selection the status text is the prompt again and the key
    // runs the command (here Ctrl+C: no notice of refusal).
    left->List()->SetFocusedRow(0, true);
    frame->Commands().UpdateAction(ID_EDIT_COPY);
    QAction* copy = frame->Commands().Action(ID_EDIT_COPY);
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_EQ(copy->statusTip(), StatusPromptOf(frame->Commands().Info(ID_EDIT_COPY)->prompt));
    notices.clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(CountOf(kClipboardRefused), 0);
}
