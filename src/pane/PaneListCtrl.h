#pragma once
// PaneListCtrl: the list of a folder pane (and of the find-results window):
// one row model over FolderItem pointers, shown by a QListView for the small
// icon, large icon and list styles and by a QTreeView for details, both
// sharing one selection model. It keeps the sort key and direction, the view
// style, the columns and their stored widths, the type-ahead search and the
// Space / Insert selection keys.
//
// Rows point at items owned elsewhere (the pane's FolderModel); the owner
// removes a row before destroying its item. Rows are appended in batches and
// sorted once; icons are asked only for painted rows. Main thread only.
//
// Batching: while redrawing is suspended (SuspendRedraw) and until the count
// announced by SetItemCount has been appended, AppendRow only queues the
// row; the queue reaches the views as one rowsInserted range at the
// outermost ResumeRedraw, when the announced count is complete, or as soon
// as a call needs model indexes (selection, focus, removal, sorting). Row
// numbers, ItemAt, RowOf and RowCount include queued rows at once. A Sort of
// a freshly filled list sorts the queue before the views see it.
//
// Views: small icons are a QListView in list mode flowing left to right
// (labels beside 16 px icons, as the small-icon style shows them), large
// icons a QListView in icon mode (32 px), List a QListView flowing top to
// bottom in columns whose width RecalcListColumnWidth computes, details a
// QTreeView with the columns. All use uniform item sizes.
//
// The pieces, each usable by another list on its own: PaneItemDelegate
// paints the rows and answers tooltips, StickySelectionKeeper keeps the
// selection, TypeAheadSearch finds rows by typed letters, DetailsColumnWidths
// and ListColumnSizer keep the widths of the details and List columns.
//
// The general setting "lvsExtendedStyle" is applied at construction and by
// ApplyExtendedStyle(): 0x1 grid lines (details), 0x10 movable columns,
// 0x20 full-row selection (without it only the Name cell of a selected row
// is highlighted in details), 0x40 activation by one click, 0x80 by a click
// on a selected row, 0x800 / 0x1000 hot / cold labels underlined (with 0x40
// or 0x80), 0x400 info tips and 0x4000 label tips (the full name of an
// elided label). The other bits are ignored (ListExtendedStyle.h).
//
// Focus mark: while a view lacks the keyboard focus (the inactive pane), its
// focused row carries a dotted frame: around the whole row in details,
// around the label (text width + 3) in the other views.
//
// Sticky selection (SetStickySelection): the rules of
// StickySelectionKeeper, which watches both views. Changes made through
// this class's functions (the program's own) are never refused.
//
// Label editing: Qt's edit triggers are off in both views; only EditLabel()
// opens the label editor. Its end comes as labelEdited (with the text) and
// then labelEditClosed, or as labelEditClosed alone when it was cancelled.

#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "pane/DetailsColumnWidths.h"
#include "pane/ListColumnSizer.h"
#include "pane/PaneRowModel.h"
#include "pane/StickySelectionKeeper.h"
#include "pane/TypeAheadSearch.h"

class FolderItem;
class ProfileStore;
class QAbstractItemView;
class QItemSelectionModel;
class QKeyEvent;
class QListView;
class QStackedLayout;
class QTreeView;
class PaneItemDelegate;

/// Orders two rows: negative when `a` sorts first. `parameter` is the sort
/// key command, with the top bit 0x80000000 set for ascending.
using CompareFunction = std::function<int(FolderItem* a, FolderItem* b, std::uint32_t parameter)>;

class PaneListCtrl : public QWidget {
    Q_OBJECT
public:
    // Settings keys, in the owner's section.
    static inline const QString kKeySortBy = QStringLiteral("nSortBy");
    static inline const QString kKeySortAscending = QStringLiteral("bSortAscending");
    static inline const QString kKeyViewStyle = QStringLiteral("nViewStyle");
    static inline const QString kKeyColumnWidths = QStringLiteral("szColumnWidths");

    explicit PaneListCtrl(QWidget* parent = nullptr);
    ~PaneListCtrl() override;

    // --- settings ("nSortBy", "bSortAscending", "nViewStyle", "szColumnWidths")
    /// "nSortBy" outside ID_SORT_FIRST..ID_SORT_LAST reads ID_SORT_TYPE (by type); "bSortAscending"
    /// defaults to 1; "nViewStyle" outside ID_VIEW_STYLE_FIRST..ID_VIEW_STYLE_LAST reads
    /// ID_VIEW_LIST (list); "szColumnWidths" see ParseColumnWidths. Call after SetColumns.
    void LoadSettings(const ProfileStore& store, const QString& section);
    /// "szColumnWidths" only in the details view. The caller decides whether
    /// settings are saved at all ("bSaveSettings").
    void SaveSettings(ProfileStore& store, const QString& section) const;
    /// The widths a stored "szColumnWidths" text gives for these defaults
    /// (DetailsColumnWidths::Parse).
    static std::vector<int> ParseColumnWidths(const QString& text, const std::vector<int>& defaults,
                                              int screenWidth) {
        return DetailsColumnWidths::Parse(text, defaults, screenWidth);
    }

    // --- columns (before LoadSettings; the panes keep the default three)
    /// Replaces the columns; their widths become the defaults.
    void SetColumns(std::vector<PaneColumn> columns);
    const std::vector<PaneColumn>& Columns() const { return m_model->Columns(); }
    /// The details view's column widths now.
    std::vector<int> ColumnWidths() const { return m_columnWidths.Widths(); }
    void SetColumnWidths(const std::vector<int>& widths) { m_columnWidths.SetWidths(widths); }

    // --- comparison and sorting
    /// Null restores CompareItems.
    void SetCompareFunction(CompareFunction compare) { m_compare = std::move(compare); }
    int SortKey() const { return m_sortKey; }
    bool Ascending() const { return m_ascending; }
    /// Key and direction; the details header shows them (below).
    void SetSortKey(int key);
    void SetAscending(bool ascending);
    /// The parameter Sort passes to the comparison (key | 0x80000000 when
    /// ascending).
    std::uint32_t SortParameter() const;
    /// Sorts the rows (nothing with fewer than 2 rows or under ID_SORT_NONE
    /// when called by the commands; Sort() itself always sorts by the key).
    /// One stable sort; selection and focus stay with their items. Without
    /// a comparison of the owner's, the rows' keys are made once
    /// (SortItems); with one, it is called O(n log n) times.
    void Sort();
    /// The details header carries Qt's sort indicator on the column whose
    /// header sorts by the current key, pointing the current direction; no
    /// indicator under a key no column has ("Unsorted", by type). Every
    /// change of key or direction keeps it so.
    /// The header-click rule for a column: the key becomes the column's;
    /// with 2 rows or more, row 0 is compared ascending with rows 1, 2, ...
    /// until one differs (all equal: no sort); when row 0 sorts first the
    /// order becomes descending, else ascending; then Sort().
    void HeaderClicked(int column);

    // --- view style
    int ViewStyle() const { return m_viewStyle; }
    /// ID_VIEW_SMALLICON .. ID_VIEW_DETAILS; the current style or another
    /// value does nothing. Switching to List recalculates a pending List
    /// column width. Focus, selection and the focused row's visibility are
    /// kept.
    void SetViewStyle(int styleCommand);
    /// The view that shows the rows now (list or tree).
    QAbstractItemView* ActiveView() const;
    QItemSelectionModel* SelectionModel() const { return m_selection; }
    PaneRowModel* Model() const { return m_model; }
    QListView* ListView() const { return m_list; }
    QTreeView* TreeView() const { return m_tree; }
    /// Applies the "lvsExtendedStyle" bits (see the header comment).
    void ApplyExtendedStyle(int bits);
    int ExtendedStyle() const { return m_extendedStyle; }

    // --- the sort commands, ID_SORT_ASCENDING and the view styles
    bool HandlesCommand(int id) const;
    /// Sort commands set the key and sort (not ID_SORT_NONE: the rows stay where
    /// they are); ID_SORT_ASCENDING flips the direction and sorts (unless ID_SORT_NONE); view
    /// commands set the style. False for other ids.
    bool OnCommand(int id);
    /// enabled / checked for the command's menu item: the current key and
    /// style are checked; ID_SORT_ASCENDING is checked when ascending and disabled under
    /// ID_SORT_NONE; ID_SORT_FOLDER is enabled only when a column sorts by it (the find
    /// window). False for other ids.
    bool UpdateCommand(int id, bool& enabled, bool& checked) const;

    // --- rows
    /// Redraw suspension; suspensions nest, the outermost Resume repaints.
    void SuspendRedraw();
    void ResumeRedraw();
    bool IsRedrawSuspended() const { return m_suspendCount > 0; }
    /// Removes every row; the type-ahead search starts afresh.
    void DeleteAllRows();
    /// Announces the count of rows about to be appended.
    void SetItemCount(int count);
    /// Appends a row at the end; gives its index.
    int AppendRow(FolderItem* item);
    /// Removes the row of `item` (if listed).
    void RemoveRow(FolderItem* item);
    /// Removes the rows of `items` (those listed): one removal per
    /// contiguous range of rows (PaneRowModel::RemoveRows).
    void RemoveRows(const std::vector<FolderItem*>& items);
    /// Makes `rows` the rows, in the order given, without sorting
    /// (PaneRowModel::ReplaceRows); `stays` tells, for a row listed now,
    /// whether its item is among `rows`. Selected rows that go are
    /// unselected first, as one change of the selection, so a hidden item
    /// is never selected; the other rows keep their selection. When the
    /// focused row goes, the focus moves (without selecting) to the first
    /// row after it that stays, else to the last row. The program's own
    /// change; O(n).
    void ShowRows(std::vector<FolderItem*> rows, const std::function<bool(FolderItem*)>& stays);
    /// Renews the texts (size, date) of the row of `item`.
    void UpdateRow(FolderItem* item);
    /// Points the row at a new item (a rename made one); false when the row
    /// does not exist or the item is listed already.
    bool ReplaceRowItem(int row, FolderItem* item) { return m_model->ReplaceItem(row, item); }
    int RowCount() const { return m_model->Count(); }
    FolderItem* ItemAt(int row) const { return m_model->ItemAt(row); }
    int RowOf(const FolderItem* item) const { return m_model->RowOf(item); }  // -1 when not listed
    /// The row under a point given in global coordinates, or -1.
    int RowAtGlobal(const QPoint& globalPos) const;

    // --- selection and focus
    int FocusedRow() const;  // -1 when none
    /// Gives `row` the focus; with `select` it is also selected (the other
    /// rows keep their selection). -1 clears the focus.
    void SetFocusedRow(int row, bool select, bool ensureVisible = true);
    void EnsureVisible(int row);
    /// After a plain navigation key (arrows, Home, End, Page Up / Down,
    /// without Ctrl, Shift or Alt): without sticky selection the focused
    /// row becomes the only selected row, also when the key left the focus
    /// where it was (Home on the first row); with sticky selection nothing
    /// changes. The views call it after every such key.
    void SelectFocusedAfterNavigation();
    bool IsRowSelected(int row) const;
    void SelectRow(int row, bool selected);
    void SelectAll();
    void ClearSelection();
    /// Makes exactly the rows whose entry in `selected` is true selected
    /// (rows past its end are unselected), as one change of the selection
    /// with contiguous rows as one range: linear in the rows, where
    /// selecting row by row would be quadratic. The program's own change.
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
    /// What the status line and the commands' states ask several times a
    /// second: how many rows are selected and the sum of their items' sizes.
    struct SelectionTotals {
        int count = 0;
        std::uint64_t bytes = 0;
    };
    /// Counted once after the selection, the rows or their data changed,
    /// then kept: O(1) while nothing changes, one walk of the selection at
    /// the first call after a change.
    SelectionTotals SelectedTotals() const;
    int SelectedCount() const { return SelectedTotals().count; }
    /// How often the whole selection was walked (SelectedRows, SelectedItems
    /// and the counting of SelectedTotals), for tests that check the idle
    /// updates do not walk it.
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
    /// The sticky-selection flag (see the header comment), shared with the
    /// pane.
    void SetStickySelection(bool sticky) { m_sticky->SetEnabled(sticky); }
    bool StickySelection() const { return m_sticky->IsEnabled(); }
    /// The list is putting back the sticky selection from the marks.
    bool IsRestoring() const { return m_sticky->IsRestoring(); }
    /// Unselects every row, then selects every row whose item has
    /// `selectedMark`, with redrawing suspended; drops the queued
    /// WM_RESTORE_STICKY_SEL events first. Linear in the rows.
    void RestoreStickySelection();
    /// What a view's key or click does to the selection under sticky
    /// selection (`base`: what it would do otherwise). For the two views.
    QItemSelectionModel::SelectionFlags StickySelectionCommand(
        const QModelIndex& index, const QEvent* event,
        QItemSelectionModel::SelectionFlags base) const;

    /// Starts editing the label of `row` in place (rename); the result comes
    /// as labelEdited and labelEditClosed. False when the row does not exist
    /// or no editor opened.
    bool EditLabel(int row);
    /// True while a label editor is open.
    bool IsEditingLabel() const { return m_editing; }

    /// Alt+Down / Alt+Up: the next (or previous) selected row after (before)
    /// the focused one gets the focus, only the focus, and is brought into
    /// view; past the last (before the first) selected row the search wraps
    /// round and `wrapped` is set. The row, or -1 when no row is selected.
    int FocusNextSelected(bool down, bool* wrapped = nullptr);

    // --- keys (the views route their key presses here; tests may call it)
    /// Space, Insert, Shift+A..Z (type-ahead: a capital it typed is text,
    /// TypeAheadSearch::ShiftedLetter; a chord without text the Contains
    /// search), plain printable text (Prefix), Return / Enter, Alt+Up /
    /// Alt+Down (FocusNextSelected; a wrap gives the notice "Cursor warped
    /// round the pane"), the Menu key and Shift+F10 (a context menu from the
    /// keyboard). True when the key was used.
    bool HandleKey(QKeyEvent* event);
    /// The type-ahead's letters; they are forgotten when a view loses the
    /// keyboard focus (a dialog, another widget or window took it).
    TypeAheadSearch& TypeAhead() { return m_typeAhead; }

    // --- columns
    /// Sets the date column's title from the general setting "eFileDateUzed"
    /// and renews every row's date text.
    void UpdateDateColumn() { m_model->DateColumnChanged(); }
    void SetMaxListColumnWidth(int width) { m_listWidth.SetMaximum(width); }  // 0: no limit
    int MaxListColumnWidth() const { return m_listWidth.Maximum(); }
    /// Marks the List column width as pending and recalculates it (in the
    /// List view; otherwise when the List view is chosen). With a maximum:
    /// padding (icon width + 12) plus the widest label of 80 rows from the
    /// focused row (the last 80 when that passes the end), at most the
    /// maximum. Without one: the widest label of all rows, widened later as
    /// rows come.
    void RecalcListColumnWidth();
    /// The List column width now (0 before the first calculation).
    int ListColumnWidth() const { return m_listWidth.Width(); }

Q_SIGNALS:
    /// A row was activated: by a double click or Return (`byClick` false),
    /// or by the one- or two-click activation of the extended style (true).
    /// `row` is the row clicked, or for Return the focused row (-1: none).
    /// Once per activation.
    void rowActivated(int row, bool byClick);
    void selectionChanged();
    void focusChanged(int row);
    /// The user finished editing a label (see EditLabel).
    void labelEdited(int row, const QString& text);
    /// The label editor closed (after labelEdited, or cancelled without it).
    void labelEditClosed(int row);
    /// A context menu was asked for at `globalPos` over `row` (-1: empty
    /// space). From the keyboard `globalPos` is (-1, -1) and `row` the
    /// focused row.
    void contextMenuRequested(const QPoint& globalPos, int row);
    /// The user started dragging the selected rows with `button`.
    void dragStarted(Qt::MouseButton button);
    /// A button went down over empty space (a marquee may follow) / every
    /// button went up again.
    void marqueeStarted();
    void mouseReleased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using ProgramChange = StickySelectionKeeper::ProgramChange;

    void OnEditorClosed();
    void ApplyViewStyle();
    void ConfigureListView();
    void FocusSearchResult(int row);
    void ToggleFocused(bool moveFocus);
    void FlushPending() const;
    void ScheduleFlush();
    void ApplyListColumnWidth();
    void UpdateSortIndicator();

    PaneRowModel* m_model;
    QItemSelectionModel* m_selection;
    QListView* m_list;
    QTreeView* m_tree;
    QStackedLayout* m_stack;
    PaneItemDelegate* m_delegate;      // the list view's
    PaneItemDelegate* m_treeDelegate;  // the details view's
    StickySelectionKeeper* m_sticky = nullptr;
    TypeAheadSearch m_typeAhead;
    DetailsColumnWidths m_columnWidths;
    ListColumnSizer m_listWidth;

    CompareFunction m_compare;
    int m_sortKey;
    bool m_ascending = true;
    int m_viewStyle;
    int m_extendedStyle = 0;
    int m_suspendCount = 0;
    int m_announced = 0;  // rows SetItemCount announced and not yet appended
    bool m_commander = false;
    // SelectedTotals, until something changes them.
    mutable SelectionTotals m_totals;
    mutable bool m_totalsValid = false;
    mutable int m_selectionWalks = 0;
    // Whether the last press was on a selected row (two-click activation).
    bool m_pressOnSelected = false;
    bool m_flushScheduled = false;
    // The label being edited, and whether its text came.
    QPersistentModelIndex m_editIndex;
    bool m_editing = false;
};

/// The comparison of the panes: folders first, the four keys, ties by name,
/// descending negates; in virtual folders the folder's own order.
int CompareItems(FolderItem* a, FolderItem* b, std::uint32_t parameter);
