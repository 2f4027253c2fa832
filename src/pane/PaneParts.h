#pragma once
// PaneParts: the parts a folder pane (CPanexView) owns beside its core, and
// the pane's functions that pass a call on to one of them:
// - PaneNavigation: moving between folders, the history, the navigation
//   keys and the status indicators;
// - PaneActivation: the activation update, launching items, the context
//   menu, sticky selection and the commands posted to the pane;
// - PaneRename: renaming in place;
// - PaneEventRouter: the one event filter on the list's views, which hands
//   keys and drag events to the parts in the order its header states.
//
// BuildParts() makes them once the pane's list exists; DropParts() destroys
// them, the router first (it hands events to the others), and the pane
// calls it after its rows and its model are gone. Between the two every
// function below reaches its part; before BuildParts() none may be called.
// Each function is the part's own, as its header describes it; here they
// are named the way the pane's callers know them.
//
// CPanexView is one (it derives from it). Main thread only.

#include <QChar>
#include <QString>
#include <memory>
#include <optional>

#include "platform/namespace/IdList.h"

class CPanexView;
class NavigationList;
class PaneActivation;
class PaneEventRouter;
class PaneNavigation;
class PaneRename;
class QKeyEvent;
class QPoint;

class PaneParts {
public:
    // -- Navigation, keys and status line (PaneNavigation.h) --------------------

    /// Navigates by typed text (ResolveUserPath): a folder opens, a file
    /// opens its folder with the file focused, a wildcard last part becomes
    /// the visual filter, a bare pattern filters the folder shown. A
    /// relative text is accepted only while the pane shows a file-system
    /// folder (or none). Unintelligible text gives the alert "The CPU cannot
    /// make any sense of the last input".
    bool GoToText(const QString& text);
    /// Opens the folder of a file (absolute id list) and focuses and
    /// selects the file.
    bool GoToFile(const IdList& absolute);
    /// The pane commands act on now: the active pane, or the other pane
    /// while Alt is held (KeyState); this one when there is no active pane
    /// yet.
    CPanexView* CommandTargetPane();
    /// This pane's history of file-system folders.
    const NavigationList& Navigation() const;
    void SetNavigation(const NavigationList& history);
    /// The tooltip of ID_GOTO_PREVIOUS / ID_GOTO_NEXT: the path of the
    /// previous / next entry of the navigation list; empty when there is
    /// none (or for other ids).
    QString NavigationToolTip(int id) const;
    /// The navigation keys of the pane's list (PaneNavigation::HandleKey).
    /// True when the key was used. The pane's key router hands every key
    /// press of the list's views here first.
    bool HandleNavigationKey(QKeyEvent* event);
    /// Goes to the first volume whose name starts with `letter`
    /// (case-blind): its mount point when the drive dialog's "bGotoRoot" is
    /// on, else its remembered folder (or the mount point); on the command
    /// target. False when no volume matches or the navigation failed.
    bool GoToVolume(QChar letter);
    /// Posts internal command ID_INTERNAL_GO with `absolute` to `pane`.
    static void PostGoToIdList(CPanexView& pane, IdList absolute);
    /// The texts of the status indicators ID_INDICATOR_SELECTION and
    /// ID_INDICATOR_FREESPACE (the active pane's OnUpdateCommand gives them
    /// as the state's text); nullopt leaves the indicator as it is.
    std::optional<QString> SelectionIndicatorText();
    std::optional<QString> FreeSpaceIndicatorText();
    /// `lastFreeSpaceUpdate` = 0: the next free-space update is immediate.
    void ResetFreeSpaceUpdate();

    // -- Activation, launch, rename, context menu and sticky selection ----------
    //    (PaneActivation.h and PaneRename.h)

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
    /// view. Last, the free-space indicator is due for an update at once.
    void ActivationUpdate(const QString& focusName);
    /// Opens or launches the selected item (PaneActivation::Launch).
    bool Launch(bool useFocused);
    /// ID_FILE_RENAME: starts editing the focused row's label
    /// (PaneRename::Begin).
    bool BeginRename();
    /// The end of a label edit with `text` (PaneRename::End).
    bool EndRename(int row, const QString& text);
    /// The context menu for the rows selected now, at `globalPos` (screen
    /// coordinates), or from the keyboard with (-1, -1): see
    /// PaneContextMenu.h.
    void ShowContextMenu(const QPoint& globalPos);
    /// ID_MARK_STICKY: both panes take the negation of the active pane's
    /// sticky selection mode (PaneActivation::ToggleStickySelection).
    void ToggleStickySelection();
    /// Runs `id` from the event loop as a command posted to this pane: the
    /// pane's own handling first (unless it disables the command), then the
    /// host's command chain.
    void PostPaneCommand(int id);
    /// Runs `id` at once the way a posted command runs.
    bool RunPaneCommand(int id);

protected:
    PaneParts();
    ~PaneParts();
    PaneParts(const PaneParts&) = delete;
    PaneParts& operator=(const PaneParts&) = delete;

    void BuildParts(CPanexView& pane);
    void DropParts();

    std::unique_ptr<PaneNavigation> m_navigation;
    std::unique_ptr<PaneRename> m_rename;
    std::unique_ptr<PaneActivation> m_activation;
    std::unique_ptr<PaneEventRouter> m_router;
};
