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
// The list is a PaneRowFeed (rows appended in batches, see there), a
// PaneSortOrder (key, direction, the header's indicator) and a
// PaneListSelection (selection, focus and operands); the functions those
// declare are the list's own. A Sort of a freshly filled list sorts the
// queued rows before the views see them.
//
// Views: small icons are a QListView in list mode flowing left to right
// (labels beside 16 px icons, as the small-icon style shows them), large
// icons a QListView in icon mode (32 px), List a QListView flowing top to
// bottom in columns whose width RecalcListColumnWidth computes, details a
// QTreeView with the columns. All use uniform item sizes.
//
// The other pieces, each usable by another list on its own: PaneItemDelegate
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
#include "pane/PaneListSelection.h"
#include "pane/PaneRowFeed.h"
#include "pane/PaneRowModel.h"
#include "pane/PaneSortOrder.h"
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

class PaneListCtrl : public QWidget,
                     public PaneRowFeed,
                     public PaneSortOrder,
                     public PaneListSelection {
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

    // --- sorting: PaneSortOrder, on the details header. The sort commands
    // (below) leave the rows where they are under ID_SORT_NONE; Sort()
    // itself always sorts by the key.

    // --- view style
    int ViewStyle() const { return m_viewStyle; }
    /// ID_VIEW_SMALLICON .. ID_VIEW_DETAILS; the current style or another
    /// value does nothing. Switching to List recalculates a pending List
    /// column width. Focus, selection and the focused row's visibility are
    /// kept.
    void SetViewStyle(int styleCommand);
    /// The view that shows the rows now (list or tree).
    QAbstractItemView* ActiveView() const;
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

    // --- rows (also PaneRowFeed)
    /// Removes every row; the type-ahead search starts afresh.
    void DeleteAllRows();
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
    /// The row under a point given in global coordinates, or -1.
    int RowAtGlobal(const QPoint& globalPos) const;

    // --- selection and focus: PaneListSelection, scrolling the active view

    /// Starts editing the label of `row` in place (rename); the result comes
    /// as labelEdited and labelEditClosed. False when the row does not exist
    /// or no editor opened.
    bool EditLabel(int row);
    /// True while a label editor is open.
    bool IsEditingLabel() const { return m_editing; }

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
    void ApplyListColumnWidth();

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

    int m_viewStyle;
    int m_extendedStyle = 0;
    // Whether the last press was on a selected row (two-click activation).
    bool m_pressOnSelected = false;
    // The label being edited, and whether its text came.
    QPersistentModelIndex m_editIndex;
    bool m_editing = false;
};
