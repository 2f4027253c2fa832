#pragma once
// PaneRowModel: the rows of a PaneListCtrl as a Qt table model. Each row is
// a FolderItem owned elsewhere (the pane's FolderModel, the find window's
// item store); the owner removes a row before it destroys the item.
//
// Batches. Rows can be appended deferred: they are part of the row list at
// once (Count(), ItemAt(), RowOf() see them) but are announced to the views
// only by CommitPending(), as one contiguous rowsInserted range. Sorting
// deferred rows that the views have not seen yet costs no signal at all.
//
// Guarantees:
// - rowsInserted: one per CommitPending() (or per immediate Append()).
// - rowsRemoved: one per contiguous range of rows the views know, highest
//   range first, so every range is numbered as the views see it then
//   (removing rows 1-3 and 7-8 is two removals: 7-8, then 1-3). Pending
//   rows go without a signal.
// - Sort() is one stable sort and one layoutChanged; persistent indexes
//   (and so the selection and the current row) follow their items.
// - RowOf() is O(log n): rows keep a "slot" number that only grows along
//   the list, and a Fenwick tree over removed slots turns a slot back into
//   a row. Slots are renumbered after a sort and when removals outnumber
//   the rows (amortised O(1) per removal).
// - Icons are asked (FolderItem::Icon) only when a view asks for a row's
//   decoration, that is for painted rows; icons with overlays are composed
//   once per (icon index, overlay).
// Main thread only.

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class FolderItem;

/// What a column shows.
enum class PaneColumnKind {
    Name,  // displayName, with the item's icon
    Size,  // SizeText()
    Date,  // DateText() of the general setting "eFileDateUzed"; titled after it
    Text,  // the column's own text function (the find window's "In Folder")
};

struct PaneColumn {
    PaneColumnKind kind = PaneColumnKind::Name;
    QString title;  // not used by Date columns
    int defaultWidth = 150;
    Qt::Alignment alignment = Qt::AlignLeft;
    int sortKey = 0;                           // the ID_SORT_ command its header click selects
    std::function<QString(FolderItem&)> text;  // Text columns
    /// Date columns: the time shown (0 modified, 1 created, 2 accessed)
    /// under `title`; -1 shows the "eFileDateUzed" time under its own title.
    int fixedDate = -1;
};

/// The columns of a folder pane: "Name" 150 (by name), "Size" 70 right
/// aligned (by size), the date column 120 (by date).
std::vector<PaneColumn> PaneColumnsForPanes();

/// The columns of a pane showing the trash: "Name", "Size", "Deleted" (the
/// deletion date, which the trash gives as the modified time) and
/// "Original location" (the folder each item was deleted from).
std::vector<PaneColumn> PaneColumnsForTrash();
/// The columns of a pane showing Computer: "Name", "Free space" and "Total
/// size" of each volume (as the status line words sizes; empty for remote
/// volumes, which are not asked).
std::vector<PaneColumn> PaneColumnsForComputer();

/// "Modified", "Created" or "Accessed" for "eFileDateUzed" 0, 1, 2 (others
/// read as 0).
QString DateColumnTitle(int fileDateUsed);

class PaneRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PaneRowModel(QObject* parent = nullptr);
    ~PaneRowModel() override;

    /// Replaces the columns (a model reset).
    void SetColumns(std::vector<PaneColumn> columns);
    const std::vector<PaneColumn>& Columns() const { return m_columns; }
    /// The first Date column, or -1.
    int DateColumn() const;

    // --- rows (deferred rows included)
    int Count() const { return int(m_rows.size()); }
    /// Rows appended but not yet announced to the views.
    int PendingCount() const { return int(m_rows.size()) - m_committed; }
    FolderItem* ItemAt(int row) const;
    /// The row of `item`, or -1. O(log n).
    int RowOf(const FolderItem* item) const;
    /// Appends a row for `item` and gives its index. With `defer` the views
    /// learn of it at the next CommitPending(); otherwise at once (after any
    /// rows still pending). An item that has a row already keeps it (its row
    /// is given). Null is refused (-1).
    int Append(FolderItem* item, bool defer);
    /// Announces the deferred rows as one range.
    void CommitPending();
    void Reserve(int count);
    /// Removes the row of `item`; false when it has none.
    bool Remove(const FolderItem* item);
    /// Removes the rows of `items` (items without a row are skipped) by
    /// contiguous ranges; gives the count of rows removed. Cost: one
    /// removal signal per range, O(k log n) bookkeeping for k rows, and
    /// moving the rows behind each range.
    int Remove(const std::vector<const FolderItem*>& items);
    /// Removes rows by number (numbers out of range and repeats are
    /// skipped) as Remove(items) does; gives the count removed.
    int RemoveRows(std::vector<int> rows);
    /// Removes every row (the columns and their header stay).
    void Clear();
    /// Stable sort by `less`. Deferred rows are committed first, unless no
    /// row has been committed yet: then they are sorted before the views see
    /// them.
    void Sort(const std::function<bool(FolderItem*, FolderItem*)>& less);
    /// As Sort, with `sortRows` putting the rows (given as a list of items)
    /// in their new order itself; it must keep the same items.
    void SortWith(const std::function<void(std::vector<FolderItem*>&)>& sortRows);
    /// Makes `rows` the rows, in that order, as one layout change: rows of
    /// items not in `rows` go, items new to the rows come, and persistent
    /// indexes (the selection, the current row) follow their items; those
    /// of items that went become invalid. No row may appear twice. Nothing
    /// is sorted: O(n) for n rows, with one hash insertion per row. The
    /// quick filter narrows a pane this way, where removing and inserting
    /// scattered rows would cost a signal per range.
    void ReplaceRows(std::vector<FolderItem*> rows);
    /// Points row `row` at another item (a rename made a new one); false
    /// when the row does not exist or the item has a row already.
    bool ReplaceItem(int row, FolderItem* item);
    /// The texts of `row` changed (size, date, name).
    void RowChanged(int row);
    /// The date column's title and every row's date text changed.
    void DateColumnChanged();

    // --- transfer marks (painted by the views)
    /// Shows the row of `item` ghosted (its item was cut to the clipboard),
    /// or normal again. Removing the row forgets the mark.
    void SetGhosted(const FolderItem* item, bool ghosted);
    bool IsGhosted(const FolderItem* item) const { return m_ghosted.contains(item); }
    /// Every row normal again.
    void ClearGhosted();
    /// Highlights the row of `item` as the target of a drop (nullptr: none).
    void SetDropHighlight(const FolderItem* item);
    const FolderItem* DropHighlight() const { return m_dropHighlight; }

    /// The decoration of an item: its icon with its overlay.
    QIcon IconOf(FolderItem& item) const;
    /// The text of a cell (as DisplayRole gives it).
    QString CellText(FolderItem& item, int column) const;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Editing the Name column changes nothing here: it emits labelEdited
    /// and gives false; the owner renames the item and updates the row.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    /// The user finished editing the label of `row` with `text`.
    void labelEdited(int row, const QString& text);

private:
    // Removes rows [first, last], announcing the visible part.
    void RemoveRange(int first, int last);
    // Slot bookkeeping (see the header comment).
    void Renumber();
    void MarkRemoved(int slot);
    int RemovedBefore(int slot) const;
    void GrowTree();

    std::vector<PaneColumn> m_columns;
    std::vector<FolderItem*> m_rows;  // committed rows, then pending ones
    int m_committed = 0;
    QHash<const FolderItem*, int> m_slotOf;
    std::vector<int> m_tree;  // Fenwick tree over slots, 1-based: removed marks
    int m_nextSlot = 0;
    int m_removedSlots = 0;
    mutable QHash<int, QIcon> m_composedIcons;  // key: icon index * 4 + overlay
    QSet<const FolderItem*> m_ghosted;
    const FolderItem* m_dropHighlight = nullptr;
};
