#pragma once
// The command table of the main window, as data: every command's menu text
// (with its "&" mnemonic and, after a tab, the key shown to the user), its
// accelerator keys and its prompt ("status text\ntooltip"); the main menu
// tree; the keyboard-only commands; and the popup menus the panes, the find
// results and the folder statistics show.
//
// Guarantees:
// - Every command id of the menus and of the keyboard-only list has exactly
//   one row in CommandTable(); popup items that no main-window command
//   shares (find results, folder statistics, the editor's text menu) carry
//   their text in the popup only.
// - A shown key that the pane's list handles itself ("Del", the "Bksp"
//   forms) has no accelerator; the digit keys of bookmarks and layouts are
//   no accelerators either (the panes read them).
// - Pairs that share one id (F5 / Ctrl+F5, Ctrl+R / Ctrl+Alt+R, ...) list
//   both key forms; the handler reads the modifier state itself.
//
// The data is built once, on first use, and never changes. Main thread or
// any thread after the first call (read-only).

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/ui/CommandManager.h"

/// One node of a menu resource.
struct MenuNode {
    enum class Kind { Command, Submenu, Separator };

    Kind kind = Kind::Command;
    /// Command: its id.
    int id = 0;
    /// Command: the item's text as shown (a popup may word a command
    /// differently from the main menu); Submenu: its title.
    QString text;
    /// Submenu: its items in order.
    QList<MenuNode> items;
};

/// A keyboard-only command: in the accelerator table, in no menu.
struct KeyboardCommand {
    int id = 0;
    /// What the keys do, for the keyboard reference.
    QString meaning;
};

/// Every command of the main window's menu bar and accelerator table, in
/// menu order, the keyboard-only commands last.
const QList<CommandInfo>& CommandTable();

/// The same table with the keys of commander mode (the general setting
/// "bCommanderMode"): F7 makes a folder, F8 and Shift+F8 delete (Shift for
/// good), and "New file" moves to Shift+F4; every other row is as above.
const QList<CommandInfo>& CommanderCommandTable();
/// The table whose keys are in force: CommanderCommandTable() in commander
/// mode, else CommandTable().
const QList<CommandInfo>& KeyTable();
/// The table row of `id`; null when the main window has no such command.
const CommandInfo* FindCommandInfo(int id);

/// The menu bar: one Submenu node per top-level menu, left to right.
const QList<MenuNode>& MainMenuResource();

/// The keyboard-only commands, in table order.
const QList<KeyboardCommand>& KeyboardOnlyCommands();

/// The names of the popup menus: "paneLR", "findRMB", "dirData", "editor".
const QStringList& PopupMenuNames();

/// The popup menu called `name` (a Submenu node whose items are the popup's
/// items); null for an unknown name.
const MenuNode* PopupMenuResource(const QString& name);

/// Every command id in `nodes` and their submenus, in menu order.
QList<int> CommandIdsIn(const QList<MenuNode>& nodes);

/// The key shown in a menu text: the part after the tab, without the blanks
/// around it; empty when the text shows no key.
QString ShownKeyText(const QString& menuText);

/// The key sequence that a shown key text ("F5", "Ctrl+Alt+N", "Grey +",
/// "Ctrl+Grey -", "Alt+ left", "Bksp", "Shift+Bksp", "Del", "Enter") names;
/// an empty sequence when the text names no key.
QKeySequence ParseShownKey(const QString& text);

/// The reverse of ParseShownKey(): "Ctrl+F5", "Grey +", "Alt+Left",
/// "Return". Used for the keyboard reference.
QString KeyDisplayText(const QKeySequence& keys);
