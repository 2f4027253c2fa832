#pragma once
// PaneContextMenu: the context menu of a pane, built for one request and
// then carried out.
//
// - With selected rows: the folder's context menu over them, its commands
//   numbered 1..9999, asked with CMF_EXPLORE, and CMF_CANRENAME when exactly
//   one row is selected in a file-system folder.
// - When the folder gives none, or with no selection: the host's background
//   menu "paneLR" (PaneHost::CreatePopupMenu), followed, when the folder has
//   a background menu ("Shell new", ...), by a separator and that menu's
//   entries, numbered 1..9999. Only one of the two shell menus is ever in
//   use, so the numbers can't clash.
// - The chosen entry: a shell command's verb found (case-blind) in
//   PaneVerbs is posted to the pane as its command; "paste" on exactly one
//   folder-like selected row pastes into that folder through the transfer
//   hooks (PaneTransferHooks::PasteInto; without hooks, or when they do
//   not, the menu's own paste runs); any other shell
//   command is carried out by the menu (InvokeCommand). An entry of the
//   program's own menu is posted to the pane as its command.
// - Highlighted shell entries show their help text in the status bar (as
//   the actions' status tips, which reach the main window through the
//   pane).
//
// Main thread only; one object per request.

#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/namespace/ShellFolder.h"

class CPanexView;
class QAction;
class QMenu;

/// The first and last command numbers of a shell menu in a pane's menu;
/// numbers from kPaneOwnCommandFirst on are the program's commands.
inline constexpr int kShellMenuFirstId = 1;
inline constexpr int kShellMenuLastId = 9999;
inline constexpr int kPaneOwnCommandFirst = 10000;

/// The background menu's name in the host's menus.
inline const QString kPaneBackgroundMenu = QStringLiteral("paneLR");

/// Where a keyboard request opens the menu, from the row's top left corner.
inline constexpr int kKeyboardMenuOffsetX = 30;
inline constexpr int kKeyboardMenuOffsetY = 5;

/// Shows the menu at a point and gives the entry chosen (nullptr: none).
/// The default is QMenu::exec; tests install their own.
using ContextMenuChooser = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
/// Installs `chooser` (an empty function restores QMenu::exec); gives the
/// previous one.
ContextMenuChooser SetContextMenuChooser(ContextMenuChooser chooser);
/// Shows `menu` at `globalPos` through the installed chooser and gives the
/// entry chosen (nullptr: none).
QAction* ChooseContextMenuEntry(QMenu& menu, const QPoint& globalPos);

class PaneContextMenu {
public:
    explicit PaneContextMenu(CPanexView& pane);
    ~PaneContextMenu();
    PaneContextMenu(const PaneContextMenu&) = delete;
    PaneContextMenu& operator=(const PaneContextMenu&) = delete;

    /// Builds the menu for the pane's selection now. False when there is
    /// nothing to show (no shell menu and no background menu).
    bool Build();
    /// The menu built; nullptr before Build() or when it failed.
    QMenu* Menu() const { return m_menu.get(); }
    /// True when the selection's own shell menu is shown (not the
    /// background menu).
    bool IsItemMenu() const { return m_itemMenu; }

    /// Carries out the chosen entry (nullptr: nothing).
    void Run(QAction* chosen);

private:
    void AddShellEntries(QMenu& menu, const std::vector<ContextMenuEntry>& entries);
    bool RunShellCommand(int id);

    CPanexView& m_pane;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<ShellContextMenu> m_handler;
    std::vector<QPointer<QAction>> m_shellActions;
    bool m_itemMenu = false;
};
