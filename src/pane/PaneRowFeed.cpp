#include "pane/PaneRowFeed.h"

#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "pane/PaneRowModel.h"
#include "pane/StickySelectionKeeper.h"

using ProgramChange = StickySelectionKeeper::ProgramChange;

void PaneRowFeed::BindRowFeed(PaneRowModel* model, QWidget* redraw, StickySelectionKeeper* sticky) {
    m_rows = model;
    m_redraw = redraw;
    m_sticky = sticky;
}

void PaneRowFeed::SuspendRedraw() {
    if (m_suspendCount++ == 0)
        m_redraw->setUpdatesEnabled(false);
}

void PaneRowFeed::ResumeRedraw() {
    if (m_suspendCount == 0)
        return;
    if (--m_suspendCount == 0) {
        FlushPending();
        m_redraw->setUpdatesEnabled(true);
    }
}

void PaneRowFeed::SetItemCount(int count) {
    m_announced = std::max(0, count);
    m_rows->Reserve(count);
}

int PaneRowFeed::AppendRow(FolderItem* item) {
    const bool defer = m_suspendCount > 0 || m_announced > 0;
    const int row = m_rows->Append(item, defer);
    if (m_announced > 0 && --m_announced == 0 && m_suspendCount == 0) {
        FlushPending();
    } else if (defer) {
        // Fewer rows than announced must still show up.
        ScheduleFlush();
    }
    return row;
}

void PaneRowFeed::FlushPending() const {
    m_rows->CommitPending();
}

void PaneRowFeed::ScheduleFlush() {
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(0, m_redraw, [this] {
        m_flushScheduled = false;
        if (m_suspendCount == 0) {
            m_announced = 0;
            FlushPending();
        }
    });
}

void PaneRowFeed::RemoveRow(FolderItem* item) {
    const ProgramChange change(*m_sticky);
    m_rows->Remove(item);
}

void PaneRowFeed::RemoveRows(const std::vector<FolderItem*>& items) {
    const ProgramChange change(*m_sticky);
    m_rows->Remove(std::vector<const FolderItem*>(items.begin(), items.end()));
}
