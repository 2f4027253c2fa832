#include "pane/PaneSortOrder.h"

#include <QHeaderView>
#include <vector>

#include "pane/PaneRowModel.h"
#include "pane/StickySelectionKeeper.h"
#include "shell/CommandIds.h"

using ProgramChange = StickySelectionKeeper::ProgramChange;

PaneSortOrder::PaneSortOrder() : m_sortKey(ID_SORT_TYPE) {}

void PaneSortOrder::BindSortOrder(PaneRowModel* model, QHeaderView* header,
                                  StickySelectionKeeper* sticky) {
    m_rows = model;
    m_header = header;
    m_sticky = sticky;
}

void PaneSortOrder::SetSortKey(int key) {
    m_sortKey = key;
    UpdateSortIndicator();
}

void PaneSortOrder::SetAscending(bool ascending) {
    m_ascending = ascending;
    UpdateSortIndicator();
}

void PaneSortOrder::UpdateSortIndicator() {
    int column = -1;
    if (m_sortKey != ID_SORT_NONE) {
        const std::vector<PaneColumn>& columns = m_rows->Columns();
        for (std::size_t i = 0; i < columns.size() && column < 0; ++i) {
            if (columns[i].sortKey == m_sortKey)
                column = int(i);
        }
    }
    // The header flips its indicator on a click before the click reaches
    // HeaderClicked; whatever the rule decided is set here again.
    m_header->setSortIndicatorShown(column >= 0);
    m_header->setSortIndicator(column, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::uint32_t PaneSortOrder::SortParameter() const {
    return ::SortParameter(m_sortKey, m_ascending);
}

void PaneSortOrder::Sort() {
    if (m_rows->Count() < 2)
        return;
    const ProgramChange change(*m_sticky);
    const std::uint32_t parameter = SortParameter();
    if (!m_compare) {
        // The panes' order, with each row's keys made once.
        m_rows->SortWith(
            [parameter](std::vector<FolderItem*>& rows) { SortItems(rows, parameter); });
        return;
    }
    m_rows->Sort([&](FolderItem* a, FolderItem* b) { return m_compare(a, b, parameter) < 0; });
}

void PaneSortOrder::HeaderClicked(int column) {
    const std::vector<PaneColumn>& columns = m_rows->Columns();
    if (column < 0 || column >= int(columns.size())) {
        UpdateSortIndicator();
        return;
    }
    m_sortKey = columns[std::size_t(column)].sortKey;
    UpdateSortIndicator();
    const int count = m_rows->Count();
    if (count < 2)
        return;

    // Which way does the list start out under the new key?
    const CompareFunction compare = m_compare ? m_compare : CompareFunction(CompareItems);
    const std::uint32_t parameter = ::SortParameter(m_sortKey, true);
    FolderItem* first = m_rows->ItemAt(0);
    int result = 0;
    for (int row = 1; row < count && result == 0; ++row)
        result = compare(first, m_rows->ItemAt(row), parameter);
    if (result == 0)
        return;
    // Already ascending: the click reverses it.
    m_ascending = result > 0;
    UpdateSortIndicator();
    const ProgramChange change(*m_sticky);
    Sort();
}
