#pragma once
// PaneTransferHooks: the one way a pane hands drags, drops and pastes to
// the transfer code, which lies above the pane in the dependency order. The
// transfer code installs one implementation for the run
// (SetPaneTransferHooks); each pane's event router forwards what happens
// on its list's views (PaneDropForwarder.h), and its context menu's "paste"
// on a folder item comes here as well. Without installed hooks a pane
// neither starts drags nor takes drops, and a paste is left to the
// folder's own menu.
//
// Main thread only.

#include <Qt>

class CPanexView;
class IdList;
class QAbstractItemView;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

class PaneTransferHooks {
public:
    virtual ~PaneTransferHooks() = default;

    /// The user started dragging in `pane`'s list with `button`; `row` is
    /// the row the button went down on (-1: none).
    virtual void BeginDrag(CPanexView& pane, int row, Qt::MouseButton button) = 0;

    /// A drag entered / moved over / left `pane`'s list. Enter and move set
    /// the event's drop action and accept or ignore it. `position` is in the
    /// coordinates of `view`'s viewport.
    virtual void DragEnter(CPanexView& pane, QAbstractItemView& view, QDragEnterEvent& event) = 0;
    virtual void DragMove(CPanexView& pane, QAbstractItemView& view, QDragMoveEvent& event) = 0;
    virtual void DragLeave(CPanexView& pane) = 0;
    /// Something was dropped on `pane`'s list.
    virtual void Drop(CPanexView& pane, QAbstractItemView& view, QDropEvent& event) = 0;

    /// Pastes the clipboard into the folder `absolute` names (a folder-like
    /// item of `pane`'s folder, links already followed), as the "paste"
    /// entry of an item's context menu asks. True when carried out or
    /// refused with a notice; false lets the menu's own paste run.
    virtual bool PasteInto(CPanexView& pane, const IdList& absolute) = 0;
};

/// The installed hooks, or nullptr.
PaneTransferHooks* TransferHooks();

/// Installs the hooks (nullptr removes them); gives back the previous ones.
PaneTransferHooks* SetPaneTransferHooks(PaneTransferHooks* hooks);
