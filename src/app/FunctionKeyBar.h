#pragma once
// The function-key bar along the bottom of the main window: one button per
// key a commander user presses most (F2 rename ... F8 new folder, Del, Alt+X),
// each running the command that key runs, so a mouse user sees the keys and
// a keyboard user learns them.
//
// - The buttons are the key map's own: a button's command is the one the
//   command table binds to its key (Del, which the pane's list handles, runs
//   "Delete"). A key the table leaves unbound shows a greyed button.
// - While Shift, Ctrl or Alt is held, every button shows and runs what that
//   modifier and its key do (Alt+F2 picks the right pane's volume, Shift+Del
//   deletes permanently); letting go shows the plain meanings again.
// - A click runs the command through the command manager, as a menu item
//   would: a disabled command does not run, and the held modifier reaches the
//   command the same way a key's would (IsShiftDown() and the like).
// - The buttons never take the keyboard focus: the active pane keeps it.
//
// Main thread only. The bar shows what it is given; the frame owns it, puts
// it in the bottom tool bar area and toggles it from the View menu.

#include <QList>
#include <QString>
#include <QToolBar>

class CommandManager;
class QToolButton;

class FunctionKeyBar : public QToolBar {
    Q_OBJECT

public:
    /// The key of each button, in order.
    struct Slot {
        QKeyCombination key;  // without modifiers except Alt+X's own Alt
        QString keyText;      // "F5", "Del", "Alt+X"
    };
    static const QList<Slot>& Slots();

    FunctionKeyBar(CommandManager& commands, QWidget* parent);
    ~FunctionKeyBar() override;

    /// Shows the meanings of the keys under `modifiers` (none: the plain row).
    void ShowModifiers(Qt::KeyboardModifiers modifiers);
    Qt::KeyboardModifiers ShownModifiers() const { return m_shown; }

    /// The command a button runs under the modifiers shown now (0: none).
    int CommandAt(int index) const;
    /// A button's text ("F5 Copy"), as shown now.
    QString TextAt(int index) const;
    QToolButton* ButtonAt(int index) const;

    /// The command the key map gives `key` (modifiers included), 0 for none.
    /// Del and Shift+Del, which the pane handles itself, run "Delete".
    static int CommandForKey(QKeyCombination key);
    /// The short name of a command for a button ("Copy", "New folder").
    static QString ShortName(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Run(int index);

    CommandManager& m_commands;
    QList<QToolButton*> m_buttons;
    QList<int> m_ids;
    Qt::KeyboardModifiers m_shown;
};
