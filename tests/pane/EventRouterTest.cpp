// The pane's one event filter on its list's views: each key goes to the
// part that uses it, in the order the router states, and the label editor
// keeps the keys it uses.

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "ActivationTestSupport.h"
#include "shell/CommandIds.h"
#include "support/TestDir.h"

namespace {

class EventRouterTest : public OnePaneTest<RecordingPane, ActivationHost> {
protected:
    void SetUp() override {
        OnePaneTest::SetUp();
        pane->resize(500, 400);
        pane->show();
    }
    ~EventRouterTest() override { QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall); }

    bool Open(const QByteArray& path) {
        return pane->OpenFolder(ParsePath(NameFromBytes(path))) &&
               QTest::qWaitForWindowExposed(pane.get());
    }
    QAbstractItemView* View() { return pane->List()->ActiveView(); }
    QString Shown() { return pane->Model() ? pane->Model()->path : QString(); }
    void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, mods, text);
        QCoreApplication::sendEvent(View(), &event);
    }
    QLineEdit* Editor() { return View()->viewport()->findChild<QLineEdit*>(); }
};

// Keys given to the view reach navigation (Backspace, Delete), the list's
// selection and type-ahead (Space, letters) and activation (Return); keys
// typed into an open label editor stay there, Backspace included.
TEST_F(EventRouterTest, EachKeyReachesItsPartAndTheEditorKeepsItsOwn) {
    ASSERT_TRUE(dir.MakeFolder("sub"));
    ASSERT_TRUE(dir.MakeFile("sub/alpha.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("sub/beta.txt", "b"));
    ASSERT_TRUE(dir.MakeFolder("sub/inner"));
    const QString sub = dir.Path() + QStringLiteral("/sub");
    ASSERT_TRUE(Open(sub.toUtf8()));
    ASSERT_EQ(Shown(), sub);

    // The list: a letter searches, Space selects the focused row.
    Press(Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    EXPECT_EQ(FocusedName(), QStringLiteral("beta.txt"));
    pane->List()->ClearSelection();
    Press(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_TRUE(pane->List()->IsRowSelected(RowOf("beta.txt")));
    EXPECT_EQ(pane->List()->SelectedCount(), 1);

    // Navigation: Delete with a selection posts the delete command.
    host.executed.clear();
    Press(Qt::Key_Delete);
    ASSERT_TRUE(WaitFor([&] { return !host.executed.empty(); }));
    EXPECT_EQ(host.executed.front(), ID_FILE_DELETE);

    // The label editor keeps Backspace: the pane stays, the text shrinks.
    pane->List()->SetFocusedRow(RowOf("alpha.txt"), false);
    ASSERT_TRUE(pane->BeginRename());
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("alphas"));
    editor->setCursorPosition(6);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), QStringLiteral("alpha"));
    EXPECT_EQ(Shown(), sub);
    QTest::keyClick(editor, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !pane->List()->IsEditingLabel(); }));
    EXPECT_TRUE(dir.Exists("sub/alpha.txt"));

    // Activation: Return on a selected folder opens it.
    pane->List()->ClearSelection();
    pane->List()->SetFocusedRow(RowOf("inner"), true);
    Press(Qt::Key_Return);
    EXPECT_EQ(Shown(), sub + QStringLiteral("/inner"));

    // Navigation: Backspace goes up, onto the folder just left.
    Press(Qt::Key_Backspace);
    EXPECT_EQ(Shown(), sub);
    EXPECT_EQ(FocusedName(), QStringLiteral("inner"));
}

}  // namespace
