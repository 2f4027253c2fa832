#pragma once
// PaneListSelection: the selection and the focused row of a list of rows
// (a PaneRowModel whose views share one QItemSelectionModel), in the terms
// the pane's commands, keys and status line use: rows, items, operands.
//
// It works on the model and the selection model only; the one thing it
// asks of a view, bringing a row into sight, goes through the scroller the
// owner sets (SetScroller; without one nothing scrolls). Rows the model has
// queued but not yet announced are committed first wherever a model index
// is needed, so row numbers always include them.
//
// Changes made through these functions are the program's own: sticky
// selection (StickySelectionKeeper) never refuses them. Commander mode and
// sticky selection change only what the user's navigation keys and type-
// ahead do to the selection (SelectFocusedAfterNavigation,
// FocusSearchResult), never what the program asks for.
//
// Cost: the selection is read as its ranges, merged (a select all of
// 100,000 rows is one range); SelectedTotals is counted once per change of
// the selection, the rows or their data, then kept. SelectionWalks counts
// the walks so that tests can check the idle updates do not make them.
//
// PaneListCtrl is one (it derives from it); the class needs no widget of
// its own and can serve another list the same way. Main thread only.

#include <QItemSelectionModel>
#include <cstdint>
#include <functional>
#include <vector>

class FolderItem;
class PaneRowModel;
class QEvent;
class QModelIndex;
class StickySelectionKeeper;

class PaneListSelection {
public:
    /// What the status line and the commands' states ask several times a
    /// second: how many rows are selected and the sum of their items' sizes.
    struct SelectionTotals {
        int count = 0;
        std::uint64_t bytes = 0;
    };
    /// Brings the row of an index into the view that shows the rows now.
    using Scroller = std::function<void(const QModelIndex& index)>;

    PaneListSelection() = default;
    virtual ~PaneListSelection();
    PaneListSelection(const PaneListSelection&) = delete;
    PaneListSelection& operator=(const PaneListSelection&) = delete;

    /// Works on `model` through `selection` (whose model it is), telling
    /// `sticky` which changes are the program's own. None is owned; call
    /// once, before anything else. From then on every change of the
    /// selection, removal of rows, new order or new data drops the kept
    /// totals, before any connection made later hears of the change.
    void BindSelection(PaneRowModel* model, QItemSelectionModel* selection,
                       StickySelectionKeeper* sticky);
    void SetScroller(Scroller scroller) { m_scroll = std::move(scroller); }
    QItemSelectionModel* SelectionModel() const { return m_selection; }

    int FocusedRow() const;  // -1 when none
    /// Gives `row` the focus; with `select` it is also selected (the other
    /// rows keep their selection). -1 clears the focus.
    void SetFocusedRow(int row, bool select, bool ensureVisible = true);
    void EnsureVisible(int row);
    /// After a plain navigation key (arrows, Home, End, Page Up / Down,
    /// without Ctrl, Shift or Alt): without sticky selection the focused
    /// row becomes the only selected row, also when the key left the focus
    /// where it was (Home on the first row); with sticky selection or in
    /// commander mode nothing changes. The views call it after every such
    /// key.
    void SelectFocusedAfterNavigation();
    bool IsRowSelected(int row) const;
    void SelectRow(int row, bool selected);
    void SelectAll();
    void ClearSelection();
    /// Makes exactly the rows whose entry in `selected` is true selected
    /// (rows past its end are unselected), as one change of the selection
    /// with contiguous rows as one range: linear in the rows, where
    /// selecting row by row would be quadratic.
    void SetSelectedRows(const std::vector<bool>& selected);
    /// Selects (`selected`) or unselects the rows listed in `rows` (any
    /// order; rows that do not exist are ignored), the others keeping their
    /// state, as one SetSelectedRows: linear in the rows, where selecting
    /// them one by one costs a pass over the selection's ranges each (the
    /// 10,000 new rows after a copy).
    void SelectRows(const std::vector<int>& rows, bool selected);
    /// Both walk the whole selection (SelectionWalks counts them).
    std::vector<FolderItem*> SelectedItems() const;  // in row order
    std::vector<int> SelectedRows() const;           // ascending
    /// Counted once after the selection, the rows or their data changed,
    /// then kept: O(1) while nothing changes, one walk of the selection at
    /// the first call after a change.
    SelectionTotals SelectedTotals() const;
    int SelectedCount() const { return SelectedTotals().count; }
    /// How often the whole selection was walked (SelectedRows, SelectedItems
    /// and the counting of SelectedTotals).
    int SelectionWalks() const { return m_selectionWalks; }

    /// Commander mode (the general setting "bCommanderMode"): moving the
    /// cursor, by key or plain click, never marks a row; Space and Insert
    /// (and Ctrl or Shift with a click) mark; and a command's operands are
    /// the marked rows, or the focused row when none is marked.
    void SetCommanderMode(bool on) { m_commander = on; }
    bool CommanderMode() const { return m_commander; }
    /// The items a command acts on: the selected rows' items in row order;
    /// in commander mode with no row marked, the focused row's item (none
    /// without a focused row).
    std::vector<FolderItem*> OperandItems() const;
    int OperandCount() const;

    /// The sticky-selection flag, shared with the pane.
    void SetStickySelection(bool sticky);
    bool StickySelection() const;
    /// The list is putting back the sticky selection from the marks.
    bool IsRestoring() const;
    /// Unselects every row, then selects every row whose item has
    /// `selectedMark`, with redrawing suspended; drops the queued
    /// WM_RESTORE_STICKY_SEL events first. Linear in the rows.
    void RestoreStickySelection();
    /// What a view's key or click does to the selection under sticky
    /// selection (`base`: what it would do otherwise). For the views.
    QItemSelectionModel::SelectionFlags StickySelectionCommand(
        const QModelIndex& index, const QEvent* event,
        QItemSelectionModel::SelectionFlags base) const;

    /// Alt+Down / Alt+Up: the next (or previous) selected row after (before)
    /// the focused one gets the focus, only the focus, and is brought into
    /// view; past the last (before the first) selected row the search wraps
    /// round and `wrapped` is set. The row, or -1 when no row is selected.
    int FocusNextSelected(bool down, bool* wrapped = nullptr);
    /// Space (`moveFocus` false) and Insert (true): the focused row's
    /// selection flips, under sticky selection too; Insert then moves the
    /// focus to the next row.
    void ToggleFocused(bool moveFocus);
    /// A type-ahead search found `row`: it gets the focus and becomes the
    /// only selected row, except under sticky selection or in commander
    /// mode, where only the focus moves.
    void FocusSearchResult(int row);

private:
    void CommitRows() const;
    void ScrollTo(const QModelIndex& index) const;

    PaneRowModel* m_rows = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    StickySelectionKeeper* m_sticky = nullptr;
    Scroller m_scroll;
    std::vector<QMetaObject::Connection> m_connections;
    bool m_commander = false;
    mutable SelectionTotals m_totals;
    mutable bool m_totalsValid = false;
    mutable int m_selectionWalks = 0;
};
