#pragma once
// PaneSortOrder: the order of a list's rows: the sort key (an ID_SORT_
// command), the direction, the comparison, and the sort indicator of the
// details header that shows them.
//
// It works on a PaneRowModel (its rows and columns) and a QHeaderView; none
// is owned. Sorting is one stable sort of the rows, which keeps selection
// and focus with their items and counts as the program's own change for
// sticky selection. Every change of key or direction keeps the header's
// indicator in step: on the column whose header sorts by the current key,
// pointing the current direction; no indicator under a key no column has
// ("Unsorted", by type).
//
// PaneListCtrl is one (it derives from it). Main thread only.

#include <cstdint>
#include <functional>

#include "pane/CompareItems.h"

class FolderItem;
class PaneRowModel;
class QHeaderView;
class StickySelectionKeeper;

/// Orders two rows: negative when `a` sorts first. `parameter` is the sort
/// key command, with the top bit 0x80000000 set for ascending.
using CompareFunction = std::function<int(FolderItem* a, FolderItem* b, std::uint32_t parameter)>;

class PaneSortOrder {
public:
    /// Starts out by type (ID_SORT_TYPE), ascending.
    PaneSortOrder();
    virtual ~PaneSortOrder() = default;
    PaneSortOrder(const PaneSortOrder&) = delete;
    PaneSortOrder& operator=(const PaneSortOrder&) = delete;

    /// Sorts the rows of `model`, shows the order on `header`, and tells
    /// `sticky` which changes are the program's own. Call once, before
    /// anything else.
    void BindSortOrder(PaneRowModel* model, QHeaderView* header, StickySelectionKeeper* sticky);

    /// Null restores CompareItems.
    void SetCompareFunction(CompareFunction compare) { m_compare = std::move(compare); }
    int SortKey() const { return m_sortKey; }
    bool Ascending() const { return m_ascending; }
    /// Key and direction; the header shows them.
    void SetSortKey(int key);
    void SetAscending(bool ascending);
    /// The parameter Sort passes to the comparison (key | 0x80000000 when
    /// ascending).
    std::uint32_t SortParameter() const;
    /// Sorts the rows by the key, whatever it is (nothing with fewer than 2
    /// rows). Without a comparison of the owner's, the rows' keys are made
    /// once (SortItems); with one, it is called O(n log n) times.
    void Sort();
    /// The header-click rule for a column: the key becomes the column's;
    /// with 2 rows or more, row 0 is compared ascending with rows 1, 2, ...
    /// until one differs (all equal: no sort); when row 0 sorts first the
    /// order becomes descending, else ascending; then Sort(). A column that
    /// does not exist changes nothing but puts the indicator back.
    void HeaderClicked(int column);

protected:
    /// Shows the current key and direction on the header again (after the
    /// columns changed, or the header flipped its indicator on a click).
    void UpdateSortIndicator();

private:
    PaneRowModel* m_rows = nullptr;
    QHeaderView* m_header = nullptr;
    StickySelectionKeeper* m_sticky = nullptr;
    CompareFunction m_compare;
    int m_sortKey;
    bool m_ascending = true;
};
