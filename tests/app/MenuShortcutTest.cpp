// ShortcutGate: the accelerators of a window against its text fields, and
// against command states that changed since the last menu update.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QVBoxLayout>

#include "app/MainMenu.h"
#include "platform/ui/CommandManager.h"
#include "platform/ui/CommandTarget.h"

namespace {

constexpr int kPlainCommand = 40001;   // F2
constexpr int kCtrlCommand = 40002;    // Ctrl+Alt+N
constexpr int kKeypadCommand = 40003;  // Grey +

class KeyCountingList : public QListWidget {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        ++keys;
        QListWidget::keyPressEvent(event);
    }
};

class MenuShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setObjectName(QStringLiteral("gateWindow"));
        auto* layout = new QVBoxLayout(&window);
        list = new KeyCountingList;
        edit = new QLineEdit;
        layout->addWidget(list);
        layout->addWidget(edit);

        auto info = [](int id, QKeySequence keys) {
            CommandInfo row;
            row.id = id;
            row.shortcuts = {keys};
            return row;
        };
        commands.AddCommands(
            {info(kPlainCommand, QKeySequence(Qt::Key_F2)),
             info(kCtrlCommand, QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_N)),
             info(kKeypadCommand, QKeySequence(Qt::KeypadModifier | Qt::Key_Plus))});
        for (int id : {kPlainCommand, kCtrlCommand, kKeypadCommand}) {
            target.MapCommand(id, [this, id] { ran << id; });
            target.MapUpdate(
                id, [this, id](CommandState& state) { state.Enable(!disabled.contains(id)); });
        }
        commands.SetChainProvider([this] { return CommandManager::Chain{&target}; });
        window.addActions(commands.Actions());
        gate = new ShortcutGate(&window, commands);
        qApp->installEventFilter(gate);

        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void Focus(QWidget* widget) {
        widget->setFocus();
        QCoreApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), widget);
    }

    QWidget window;
    KeyCountingList* list = nullptr;
    QLineEdit* edit = nullptr;
    CommandManager commands;
    CommandTarget target;
    ShortcutGate* gate = nullptr;
    QList<int> ran;
    QSet<int> disabled;
};

TEST_F(MenuShortcutTest, PlainKeysStayInTextFieldsAndCtrlAltKeysStillReachTheCommands) {
    Focus(list);
    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_EQ(ran, QList<int>{kPlainCommand});

    ran.clear();
    Focus(edit);
    QTest::keyClick(edit, Qt::Key_F2);
    QTest::keyClick(edit, Qt::Key_Plus, Qt::KeypadModifier, 0);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(edit->text(), QStringLiteral("+"));  // the keypad key typed its character
    QTest::keyClick(edit, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ran, QList<int>{kCtrlCommand});

    // The label-edit state guards a widget that is no text field as well.
    ran.clear();
    Focus(list);
    gate->SetLabelEditing(true);
    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_TRUE(ran.isEmpty());
    gate->SetLabelEditing(false);
    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_EQ(ran, QList<int>{kPlainCommand});
}

TEST_F(MenuShortcutTest, TheKeyFollowsTheCommandsStateNowNotAtTheLastMenuUpdate) {
    Focus(list);
    // Disabled at the last update, enabled since: the key runs it.
    disabled = {kKeypadCommand};
    commands.UpdateAction(kKeypadCommand);
    ASSERT_FALSE(commands.Action(kKeypadCommand)->isEnabled());
    disabled.clear();
    QTest::keyClick(list, Qt::Key_Plus, Qt::KeypadModifier, 0);
    EXPECT_EQ(ran, QList<int>{kKeypadCommand});

    // Enabled at the last update, disabled since: the key goes on to the
    // focused widget instead of vanishing.
    ran.clear();
    commands.UpdateAction(kPlainCommand);
    ASSERT_TRUE(commands.Action(kPlainCommand)->isEnabled());
    disabled = {kPlainCommand};
    const int before = list->keys;
    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(list->keys, before + 1);
}

TEST(ShortcutGateTextInput, KnowsWhichWidgetsTakeText) {
    QLineEdit line;
    EXPECT_TRUE(ShortcutGate::IsTextInput(&line));
    QListWidget view;
    EXPECT_FALSE(ShortcutGate::IsTextInput(&view));
    EXPECT_FALSE(ShortcutGate::IsTextInput(nullptr));
    QKeyEvent shifted(QEvent::KeyPress, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_TRUE(ShortcutGate::IsTextFieldKey(shifted));
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_F5, Qt::AltModifier);
    EXPECT_FALSE(ShortcutGate::IsTextFieldKey(alt));
}

}  // namespace

namespace {

// On X11 Qt's shortcut map drops the keypad modifier when it looks a key
// up, so Grey+ arrives at the focused widget as a plain key press; the gate
// runs the keypad command then, once, and the widget never sees the key.
TEST_F(MenuShortcutTest, AKeypadKeyThatTheShortcutMapLetThroughRunsItsCommand) {
    Focus(list);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, QStringLiteral("+"));
    QApplication::sendEvent(list, &press);
    EXPECT_EQ(ran, QList<int>{kKeypadCommand});
    EXPECT_EQ(list->keys, 0);

    disabled = {kKeypadCommand};
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, QStringLiteral("+"));
    QApplication::sendEvent(list, &again);
    EXPECT_EQ(ran, QList<int>{kKeypadCommand}) << "a disabled command does not run";

    // In a text field the key types its character.
    disabled.clear();
    Focus(edit);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, QStringLiteral("+"));
    QApplication::sendEvent(edit, &typed);
    EXPECT_EQ(ran, QList<int>{kKeypadCommand});
    EXPECT_EQ(edit->text(), QStringLiteral("+"));
}

}  // namespace
