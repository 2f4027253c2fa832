#pragma once
// PaneActivation: the activation part of a folder pane (CPanexView). It
// does what the user asks of the pane's items and of the pane as a whole:
// the activation update after a folder was read or the active pane
// changed, opening or launching the selected item (a row activated by
// Return or a click comes here), the context menu, the properties of the
// selection, the sticky selection toggle, locating the folder in the tree,
// and the commands posted to the pane.
//
// The pane owns it and outlives it. Launches run on threads of their own
// (PaneLaunch.h); everything else runs on the main thread.

#include <QObject>
#include <QPoint>
#include <QString>

class CommandState;
class CPanexView;
class IdList;

class PaneActivation : public QObject {
public:
    /// Takes the rows the pane's list activates and the context menus it
    /// asks for.
    explicit PaneActivation(CPanexView& pane);
    ~PaneActivation() override;

    /// After a folder was read, and whenever the active pane changed: the
    /// caption is redrawn; the active pane updates the address bar (with
    /// history), the folder tree (with the general setting
    /// "bKeepTreeInSync"), the window title (the host's ActivationUpdate)
    /// and, in a file-system folder, makes its path the process's current
    /// directory; the other pane remembers its file-system folder as its
    /// volume's current folder when the active pane shows a virtual folder
    /// or one on another volume. Then the focus: the row named `focusName`
    /// (selected unless sticky selection is on), else, for the active pane
    /// with no mouse button down, the focused row or row 0, brought into
    /// view. The free-space indicator is due for an update at once.
    void ActivationUpdate(const QString& focusName);

    /// Opens or launches the selected item: the first selected row, or with
    /// `useFocused` and no selection the focused one (none: the alert "No
    /// item is selected to act upon", false). A folder-like item (links
    /// followed) opens in the command target pane; an archive's entry is
    /// unpacked to a temporary copy and opened from there; anything else is
    /// launched on a thread of its own (LaunchInBackground). Either gives
    /// the notice "Item launched in the background.". True when something
    /// was opened or started.
    bool Launch(bool useFocused);
    /// True for the Network folder's "Connect to Server" item.
    static bool IsConnectToServerItem(const IdList& absolute);

    /// The context menu for the rows selected now, at `globalPos` (screen
    /// coordinates), or from the keyboard with (-1, -1): next to the one
    /// selected row, else at the mouse pointer. See PaneContextMenu.h.
    void ShowContextMenu(const QPoint& globalPos);

    /// ID_MARK_STICKY: both panes take the negation of the active pane's sticky
    /// selection mode. Disabled, and the mode forced off, while the list
    /// selects rows by hovering (extended style 0x8).
    void ToggleStickySelection();

    /// Runs `id` at once the way a posted command runs: the pane's own
    /// handling first (unless it disables the command), then the host's
    /// command chain. PostPaneCommand runs it from the event loop, and not
    /// at all when the pane is gone by then.
    bool RunPaneCommand(int id);
    void PostPaneCommand(int id);

    /// The commands of this part: open, properties, sticky
    /// selection, locate in tree. False for commands of other parts.
    bool OnCommand(int id);
    bool OnUpdateCommand(int id, CommandState& state);

private:
    void OnRowActivated(int row, bool byClick);
    void OnPropertiesCommand();

    CPanexView& m_pane;
};
