#pragma once
// PaneRowFeed: how rows reach a list: appended in batches, removed by item,
// with redrawing suspended while a folder fills the list.
//
// Batching: while redrawing is suspended (SuspendRedraw) and until the count
// announced by SetItemCount has been appended, AppendRow only queues the
// row in the PaneRowModel; the queue reaches the views as one rowsInserted
// range at the outermost ResumeRedraw, when the announced count is
// complete, at the next turn of the event loop when fewer rows came than
// were announced, or as soon as a call needs model indexes (FlushPending:
// selection, focus, removal, sorting). Row numbers, ItemAt, RowOf and
// RowCount include queued rows at once.
//
// It works on a PaneRowModel and on the widget whose painting it holds
// (which also times the late flush); neither is owned. Removals are the
// program's own changes for sticky selection.
//
// PaneListCtrl is one (it derives from it). Main thread only.

#include <vector>

#include "pane/PaneRowModel.h"

class FolderItem;
class QWidget;
class StickySelectionKeeper;

class PaneRowFeed {
public:
    PaneRowFeed() = default;
    virtual ~PaneRowFeed() = default;
    PaneRowFeed(const PaneRowFeed&) = delete;
    PaneRowFeed& operator=(const PaneRowFeed&) = delete;

    /// Feeds `model`, holding the painting of `redraw`; tells `sticky`
    /// which changes are the program's own. Call once, before anything
    /// else.
    void BindRowFeed(PaneRowModel* model, QWidget* redraw, StickySelectionKeeper* sticky);

    /// Redraw suspension; suspensions nest, the outermost Resume repaints.
    void SuspendRedraw();
    void ResumeRedraw();
    bool IsRedrawSuspended() const { return m_suspendCount > 0; }
    /// Announces the count of rows about to be appended.
    void SetItemCount(int count);
    /// Appends a row at the end; gives its index.
    int AppendRow(FolderItem* item);
    /// Removes the row of `item` (if listed).
    void RemoveRow(FolderItem* item);
    /// Removes the rows of `items` (those listed): one removal per
    /// contiguous range of rows (PaneRowModel::RemoveRows).
    void RemoveRows(const std::vector<FolderItem*>& items);
    /// Points the row at a new item (a rename made one); false when the row
    /// does not exist or the item is listed already.
    bool ReplaceRowItem(int row, FolderItem* item) { return m_rows->ReplaceItem(row, item); }
    int RowCount() const { return m_rows->Count(); }
    FolderItem* ItemAt(int row) const { return m_rows->ItemAt(row); }
    int RowOf(const FolderItem* item) const { return m_rows->RowOf(item); }  // -1 when not listed

protected:
    /// Hands the queued rows to the views now.
    void FlushPending() const;
    /// The rows announced and not appended yet will not come (the list was
    /// emptied or replaced).
    void ForgetAnnouncedRows() { m_announced = 0; }

private:
    void ScheduleFlush();

    PaneRowModel* m_rows = nullptr;
    QWidget* m_redraw = nullptr;
    StickySelectionKeeper* m_sticky = nullptr;
    int m_suspendCount = 0;
    int m_announced = 0;  // rows SetItemCount announced and not yet appended
    bool m_flushScheduled = false;
};
