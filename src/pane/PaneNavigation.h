#pragma once
// PaneNavigation: the navigation part of a folder pane (CPanexView). It
// moves the pane (or the command target pane) between folders: by typed
// text, by the navigation list (Back, Forward, and the row to land on), by
// the go-to commands, bookmarks, volumes and link targets; it keeps the
// other pane following when mirrored navigation is on, toggles the visual
// filter, answers the navigation keys of the pane's list, and gives the
// texts of the pane's status indicators.
//
// The pane owns it and outlives it; it changes folders only through the
// pane's OpenFolder(), and reaches the frame only through the pane's host.
//
// Guarantees:
// - The history records a file-system folder when the pane leaves it
//   (Leave) and gives the row to focus when the pane enters one (Enter);
//   going up lands on the folder just left even when the history does not
//   know the parent.
// - A failed typed navigation leaves the pane where it was and drops the
//   text from the history.
//
// Main thread only.

#include <QObject>
#include <QString>
#include <optional>

#include "pane/NavigationList.h"
#include "pane/PaneStatusLine.h"

class CommandState;
class CPanexView;
class IdList;
class QEvent;
class QKeyEvent;

class PaneNavigation : public QObject {
public:
    /// Attaches itself to `pane`'s caption (a double click goes up).
    explicit PaneNavigation(CPanexView& pane);
    ~PaneNavigation() override;

    /// This pane's history of file-system folders.
    const NavigationList& History() const { return m_history; }
    /// Takes `history` as this pane's own (a duplicated tab's Back and
    /// Forward go where its source's would).
    void SetHistory(const NavigationList& history) { m_history = history; }

    /// The pane commands act on now: the active pane, or the other pane
    /// while Alt is held (KeyState); the pane itself when there is no active
    /// pane yet.
    CPanexView* CommandTargetPane();

    /// Navigates by typed text (ResolveUserPath): a folder opens, a file
    /// opens its folder with the file focused, a wildcard last part becomes
    /// the visual filter, a bare pattern filters the folder shown. A
    /// relative text is accepted only while the pane shows a file-system
    /// folder (or none). Unintelligible text gives the alert "The CPU cannot
    /// make any sense of the last input". A remote URI opens by its local
    /// path once mounted; one not mounted yet is mounted first, and the pane
    /// moves when the mount is done (true means the mount was started).
    bool GoToText(const QString& text);
    /// Opens the folder of a file (absolute id list) and focuses and selects
    /// the file; other rows lose the selection the folder's history gave.
    bool GoToFile(const IdList& absolute);
    /// See CPanexView::GoToVolume.
    bool GoToVolume(QChar letter);

    /// OpenFolder's steps around the change of model. Leave: the focused
    /// name goes into the history; gives the old path when mirrored
    /// navigation needs it (else empty). Enter: the name to focus in the
    /// folder just entered. FollowMirror: the other pane follows the step
    /// from `oldPath` (mirrored navigation is switched off when it can't).
    QString Leave();
    QString Enter();
    void FollowMirror(const QString& oldPath);

    /// The path of the previous / next history entry for ID_GOTO_PREVIOUS / ID_GOTO_NEXT;
    /// empty otherwise.
    QString ToolTip(int id) const;

    /// The navigation keys: Backspace (with Shift: root, with Ctrl:
    /// Desktop), Tab (Shift+Tab, Ctrl+Tab: a frame bar), Left and Right in
    /// details (as Tab), Delete (ID_FILE_DELETE, posted, when rows are selected),
    /// Ctrl(+Shift)+0..5 (bookmarks), Ctrl+7..9 (layouts) and
    /// Ctrl+Shift+letter (the first volume whose name starts with it). True
    /// when the key was used.
    bool HandleKey(QKeyEvent* event);

    /// Internal command ID_INTERNAL_GO posted to the pane (GoToIdListEvent): the
    /// command target opens its folder. True when `e` was one.
    bool HandleEvent(QEvent* e);

    /// The status indicators' texts (see CPanexView).
    std::optional<QString> SelectionIndicatorText();
    std::optional<QString> FreeSpaceIndicatorText();
    void ResetFreeSpaceUpdate() { m_freeSpace.Reset(); }

    /// The navigation commands: go-to, bookmarks, the filter toggle, link
    /// targets, mirrored navigation, and the indicators' update. False for
    /// commands of other parts.
    bool OnCommand(int id);
    bool OnUpdateCommand(int id, CommandState& state);

private:
    /// A remote URI (sftp://, smb://, ...) that is not mounted yet: mounts it
    /// (asking what the server wants) and opens it when that is done. True
    /// when the mount was started; false for every other text.
    bool MountFirst(const QString& typed);
    void RunOwnCommand(int id);
    void GoToParent();
    void GoToSpecialFolder(int id);
    void OnBookmark(int slot);
    bool SetBookmark(CPanexView* target, int slot);
    void SetFirstFreeBookmark();
    void ToggleFilter();
    void FindLinkTarget();
    void SwitchToOtherPane();
    int FreeSpaceInterval() const;

    CPanexView& m_pane;
    NavigationList m_history;
    FreeSpaceIndicator m_freeSpace;
    QString m_parentFocusName;  // the folder just left by going up
};
