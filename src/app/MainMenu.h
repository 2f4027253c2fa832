#pragma once
// Builds the main window's menus and keyboard accelerators from the command
// table (app/CommandTable.h) over a CommandManager.
//
// - AddTableCommands() makes one action per table command. The item shows
//   the table's own key text ("Grey +", "Alt+ left", "Del"), not Qt's name
//   of the shortcut, and a key shown for a command the pane's list handles
//   itself is no shortcut at all.
// - BuildMenuBar() fills a menu bar with the main menu tree and has the
//   manager update each menu as it opens.
// - BuildPopupMenu() makes one of the popups ("paneLR", "findRMB", ...) as
//   a menu of its own: its items carry the popup's wording, hold their
//   command id in data() and take their state from the manager when built
//   and as the menu opens; highlighting an item sends its status prompt
//   like a menu-bar item. The items are connected to nothing: whoever shows
//   the popup runs the chosen entry (QMenu::exec() gives it back).
// - ShortcutGate keeps the accelerators away from text fields: while a line
//   edit, text edit or spin box of the window has the focus (or the frame
//   is in its label-edit state, SetLabelEditing()), keys without Ctrl, Alt or Meta go to the
//   field (F2, F5, Return, Grey +, ...), and the field keeps the Ctrl keys
//   it uses itself (Ctrl+C, Ctrl+V, ...). For every other key it brings the
//   state of the commands bound to that key up to date before Qt matches
//   the shortcut, so a command that is disabled now lets the key through to
//   the focused widget instead of swallowing it, and one enabled since the
//   last menu update runs.
//
// Main thread only.

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class CommandManager;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QWidget;

/// The folder of the help files: HelpFolderOf() the executable's folder.
QString HelpFolder();
/// The help folder of a program in `programFolder`: "help" next to it when
/// that exists (a build tree), else the installed one, share/corvane/help
/// under the installation's prefix (as the build configured it, relative to
/// the program's folder so that a moved installation still finds it).
QString HelpFolderOf(const QString& programFolder);
/// The help file of help command `id` (ID_HELP_FIRST..ID_HELP_LAST, by its offset
/// from ID_HELP_FIRST: "Corvane.rtf", "Newest.txt", "Keyboard.txt", "faq.txt",
/// "Licence.txt") in HelpFolder(); empty for any other id.
QString HelpFilePath(int id);

/// Adds every command of the table to `commands` (see above).
void AddTableCommands(CommandManager& commands);

/// Fills `bar` with the main menu; `commands` must hold the table's commands.
void BuildMenuBar(QMenuBar& bar, CommandManager& commands);

/// The popup menu `name` with actions of its own; null for an unknown name.
/// The menu's actions belong to the menu.
std::unique_ptr<QMenu> BuildPopupMenu(const QString& name, CommandManager& commands,
                                      QWidget* parent);

class ShortcutGate : public QObject {
    Q_OBJECT

public:
    /// Watches key events for widgets of `window` (install it on the
    /// application with qApp->installEventFilter()); a child of `window`.
    ShortcutGate(QWidget* window, CommandManager& commands);

    /// The frame's label-edit state: while on, keys without Ctrl, Alt or
    /// Meta never reach the accelerators.
    void SetLabelEditing(bool editing) { m_labelEditing = editing; }
    bool LabelEditing() const { return m_labelEditing; }

    /// True when `widget` takes typed text (line edit, text edit, spin box,
    /// editable combo box).
    static bool IsTextInput(const QWidget* widget);
    /// True when a key with these modifiers belongs to a focused text field
    /// rather than to the accelerators: no Ctrl, Alt or Meta held.
    static bool IsTextFieldKey(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Updates the commands the key is a shortcut of; the id of one that is
    // disabled for a reason the user should hear, if any.
    std::optional<int> RefreshCommandsFor(const QKeyEvent& event);
    // A key press of a keypad shortcut that the shortcut map let through:
    // runs its command; true when it was one.
    bool RunKeypadShortcut(QObject* watched, QKeyEvent* key);

    QPointer<QWidget> m_window;
    CommandManager& m_commands;
    bool m_labelEditing = false;
    // The press that follows a refused shortcut's override goes nowhere.
    std::optional<QKeyCombination> m_swallowPress;
};
