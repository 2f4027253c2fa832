#include "pane/PaneListSelection.h"

#include <algorithm>
#include <utility>

#include "pane/PaneRowModel.h"
#include "pane/StickySelectionKeeper.h"
#include "shell/FolderItem.h"

using ProgramChange = StickySelectionKeeper::ProgramChange;

PaneListSelection::~PaneListSelection() {
    // The model and the selection model may outlive this object (a widget
    // that derives from it deletes them as its children afterwards).
    for (const QMetaObject::Connection& connection : m_connections) QObject::disconnect(connection);
}

void PaneListSelection::BindSelection(PaneRowModel* model, QItemSelectionModel* selection,
                                      StickySelectionKeeper* sticky) {
    m_rows = model;
    m_selection = selection;
    m_sticky = sticky;
    // Rows that go, a new order or new sizes change the totals without a
    // selectionChanged of their own.
    const auto forget = [this] { m_totalsValid = false; };
    m_connections = {
        QObject::connect(selection, &QItemSelectionModel::selectionChanged, selection, forget),
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, selection, forget),
        QObject::connect(model, &QAbstractItemModel::modelReset, selection, forget),
        QObject::connect(model, &QAbstractItemModel::layoutChanged, selection, forget),
        QObject::connect(model, &QAbstractItemModel::dataChanged, selection, forget),
    };
}

void PaneListSelection::CommitRows() const {
    m_rows->CommitPending();
}

void PaneListSelection::ScrollTo(const QModelIndex& index) const {
    if (m_scroll)
        m_scroll(index);
}

int PaneListSelection::FocusedRow() const {
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void PaneListSelection::SetFocusedRow(int row, bool select, bool ensureVisible) {
    const ProgramChange change(*m_sticky);
    CommitRows();
    if (row < 0 || row >= m_rows->Count()) {
        m_selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const QModelIndex index = m_rows->index(row, 0);
    m_selection->setCurrentIndex(index,
                                 select ? QItemSelectionModel::Select | QItemSelectionModel::Rows
                                        : QItemSelectionModel::NoUpdate);
    if (ensureVisible)
        EnsureVisible(row);
}

void PaneListSelection::SelectFocusedAfterNavigation() {
    // Under sticky selection, and in commander mode, a move changes only
    // the focus.
    if (StickySelection() || m_commander)
        return;
    CommitRows();
    const QModelIndex current = m_selection->currentIndex();
    if (!current.isValid())
        return;
    const QModelIndexList selected = m_selection->selectedRows();
    if (selected.size() == 1 && selected.front().row() == current.row())
        return;
    m_selection->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PaneListSelection::EnsureVisible(int row) {
    CommitRows();
    if (row < 0 || row >= m_rows->Count())
        return;
    ScrollTo(m_rows->index(row, 0));
}

bool PaneListSelection::IsRowSelected(int row) const {
    CommitRows();
    if (row < 0 || row >= m_rows->Count())
        return false;
    return m_selection->isSelected(m_rows->index(row, 0));
}

void PaneListSelection::SelectRow(int row, bool selected) {
    const ProgramChange change(*m_sticky);
    CommitRows();
    if (row < 0 || row >= m_rows->Count())
        return;
    m_selection->select(m_rows->index(row, 0),
                        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                            QItemSelectionModel::Rows);
}

void PaneListSelection::SelectAll() {
    const ProgramChange change(*m_sticky);
    CommitRows();
    const int count = m_rows->Count();
    if (count == 0)
        return;
    m_selection->select(
        QItemSelection(m_rows->index(0, 0), m_rows->index(count - 1, m_rows->columnCount() - 1)),
        QItemSelectionModel::Select);
}

void PaneListSelection::ClearSelection() {
    const ProgramChange change(*m_sticky);
    m_selection->clearSelection();
}

void PaneListSelection::SetSelectedRows(const std::vector<bool>& selected) {
    const ProgramChange change(*m_sticky);
    CommitRows();
    const int count = std::min(m_rows->Count(), int(selected.size()));
    const int lastColumn = m_rows->columnCount() - 1;
    QItemSelection selection;
    for (int row = 0; row < count; ++row) {
        if (!selected[size_t(row)])
            continue;
        const int top = row;
        while (row + 1 < count && selected[size_t(row + 1)]) ++row;
        selection.select(m_rows->index(top, 0), m_rows->index(row, lastColumn));
    }
    m_selection->select(selection, QItemSelectionModel::ClearAndSelect);
}

void PaneListSelection::SelectRows(const std::vector<int>& rows, bool selected) {
    CommitRows();
    const int count = m_rows->Count();
    std::vector<bool> state(std::size_t(count), false);
    for (int row : SelectedRows()) {
        if (row < count)
            state[std::size_t(row)] = true;
    }
    bool changed = false;
    for (int row : rows) {
        if (row >= 0 && row < count && state[std::size_t(row)] != selected) {
            state[std::size_t(row)] = selected;
            changed = true;
        }
    }
    if (changed)
        SetSelectedRows(state);
}

PaneListSelection::SelectionTotals PaneListSelection::SelectedTotals() const {
    if (m_totalsValid)
        return m_totals;
    SelectionTotals totals;
    for (int row : SelectedRows()) {
        ++totals.count;
        if (const FolderItem* item = m_rows->ItemAt(row))
            totals.bytes += item->size;
    }
    m_totals = totals;
    m_totalsValid = true;
    return totals;
}

std::vector<int> PaneListSelection::SelectedRows() const {
    ++m_selectionWalks;
    // Merge the selection's ranges rather than asking row by row: a select
    // all of 100,000 rows is one range.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        if (range.isValid() && range.left() == 0)
            ranges.emplace_back(range.top(), range.bottom());
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<int> rows;
    int next = 0;
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom; ++row) rows.push_back(row);
        next = std::max(next, bottom + 1);
    }
    return rows;
}

std::vector<FolderItem*> PaneListSelection::SelectedItems() const {
    std::vector<FolderItem*> items;
    for (int row : SelectedRows()) items.push_back(m_rows->ItemAt(row));
    return items;
}

std::vector<FolderItem*> PaneListSelection::OperandItems() const {
    std::vector<FolderItem*> items = SelectedItems();
    if (items.empty() && m_commander) {
        if (FolderItem* focused = m_rows->ItemAt(FocusedRow()))
            items.push_back(focused);
    }
    return items;
}

int PaneListSelection::OperandCount() const {
    const int marked = SelectedCount();
    if (marked == 0 && m_commander && FocusedRow() >= 0)
        return 1;
    return marked;
}

void PaneListSelection::SetStickySelection(bool sticky) {
    m_sticky->SetEnabled(sticky);
}

bool PaneListSelection::StickySelection() const {
    return m_sticky->IsEnabled();
}

bool PaneListSelection::IsRestoring() const {
    return m_sticky->IsRestoring();
}

void PaneListSelection::RestoreStickySelection() {
    m_sticky->Restore();
}

QItemSelectionModel::SelectionFlags PaneListSelection::StickySelectionCommand(
    const QModelIndex& index, const QEvent* event, QItemSelectionModel::SelectionFlags base) const {
    return m_sticky->Command(index, event, base);
}

int PaneListSelection::FocusNextSelected(bool down, bool* wrapped) {
    if (wrapped)
        *wrapped = false;
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return -1;
    const int focused = FocusedRow();
    int target = -1;
    if (down) {
        const auto next = std::upper_bound(rows.begin(), rows.end(), focused);
        target = next != rows.end() ? *next : rows.front();
        if (next == rows.end() && wrapped)
            *wrapped = true;
    } else {
        const auto next = std::lower_bound(rows.begin(), rows.end(), focused);
        target = next != rows.begin() ? *std::prev(next) : rows.back();
        if (next == rows.begin() && wrapped)
            *wrapped = true;
    }
    const QModelIndex index = m_rows->index(target, 0);
    m_selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    ScrollTo(index);
    return target;
}

void PaneListSelection::ToggleFocused(bool moveFocus) {
    // Space and Insert are the pane's own selection keys: they toggle under
    // sticky selection too.
    const ProgramChange change(*m_sticky);
    CommitRows();
    const int row = FocusedRow();
    if (row < 0)
        return;
    m_selection->select(m_rows->index(row, 0),
                        QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    if (moveFocus && row + 1 < m_rows->Count()) {
        const QModelIndex next = m_rows->index(row + 1, 0);
        m_selection->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
        ScrollTo(next);
    }
}

void PaneListSelection::FocusSearchResult(int row) {
    // Under sticky selection a search only moves the focus.
    CommitRows();
    const QModelIndex index = m_rows->index(row, 0);
    m_selection->setCurrentIndex(
        index, StickySelection() || m_commander
                   ? QItemSelectionModel::NoUpdate
                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ScrollTo(index);
}
