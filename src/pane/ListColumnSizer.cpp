#include "pane/ListColumnSizer.h"

#include <QFontMetrics>
#include <QListView>
#include <algorithm>
#include <utility>
#include <vector>

#include "pane/PaneRowModel.h"
#include "shell/FolderItem.h"

namespace {

constexpr int kWindowRows = 80;
constexpr int kPaddingExtra = 12;
// Qt lays label text out with fractional advances, which can come out a
// pixel wider than the whole-pixel width measured here; without the slack
// the widest label of a column would be elided.
constexpr int kTextLayoutSlack = 2;
constexpr int kSmallIconSize = 16;
constexpr int kRowExtra = 6;
// Above this many rows labels are first estimated, and only the widest
// estimates are measured exactly.
constexpr int kExactMeasureRows = 256;
constexpr int kExactMeasureCandidates = 64;

}  // namespace

ListColumnSizer::ListColumnSizer(QListView* list, const PaneRowModel* model)
    : m_list(list), m_model(model), m_advanceFont(list->font()) {
    m_asciiAdvance.fill(-1);
}

void ListColumnSizer::SetMaximum(int width) {
    m_maximum = std::max(0, width);
}

void ListColumnSizer::Apply(int focusedRow) {
    const int count = m_model->Count();
    // Without rows there is nothing to measure: the width stays pending.
    if (!m_pending || count == 0)
        return;
    const int padding = Padding();
    if (m_maximum > 0) {
        // A window of rows around the focus is enough to choose a width
        // when the width is capped anyway.
        int first = std::max(focusedRow, 0);
        int end = first + kWindowRows;
        if (end > count) {
            end = count;
            first = std::max(0, count - kWindowRows);
        }
        int widest = 0;
        for (int row = first; row < end; ++row) {
            widest = std::max(widest, MeasureLabel(row));
            if (widest + padding > m_maximum)
                break;
        }
        m_width = std::min(m_maximum, widest + padding);
    } else {
        m_width = WidestLabel(0, count) + padding;
    }
    m_pending = false;
    SetGrid();
}

void ListColumnSizer::RowsInserted(int first, int last, int focusedRow) {
    // Without a maximum the column follows the widest label, as the List
    // style does by itself; with one, only a recalculation sets the width.
    if (m_maximum != 0)
        return;
    if (m_pending) {
        Apply(focusedRow);
        return;
    }
    const int widest = WidestLabel(first, last + 1);
    if (widest + Padding() > m_width) {
        m_width = widest + Padding();
        SetGrid();
    }
}

void ListColumnSizer::RowsCleared() {
    if (m_maximum == 0)
        m_pending = true;
}

int ListColumnSizer::RowHeight() const {
    return std::max(kSmallIconSize, m_list->fontMetrics().height()) + kRowExtra;
}

int ListColumnSizer::Padding() {
    if (m_padding == 0)
        m_padding = m_list->iconSize().width() + kPaddingExtra + kTextLayoutSlack;
    return m_padding;
}

void ListColumnSizer::SetGrid() {
    m_list->setGridSize(QSize(m_width, RowHeight()));
}

int ListColumnSizer::MeasureLabel(int row) const {
    return m_list->fontMetrics().horizontalAdvance(m_model->ItemAt(row)->displayName);
}

int ListColumnSizer::EstimateLabel(const QString& text, const QFontMetrics& fm) const {
    int width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int advance;
        if (u < m_asciiAdvance.size()) {
            advance = m_asciiAdvance[u];
            if (advance < 0)
                advance = m_asciiAdvance[u] = fm.horizontalAdvance(c);
        } else {
            auto it = m_otherAdvance.find(u);
            if (it == m_otherAdvance.end())
                it = m_otherAdvance.insert(u, fm.horizontalAdvance(c));
            advance = it.value();
        }
        width += advance;
    }
    return width;
}

int ListColumnSizer::WidestLabel(int first, int end) const {
    int widest = 0;
    if (end - first <= kExactMeasureRows) {
        for (int row = first; row < end; ++row) widest = std::max(widest, MeasureLabel(row));
        return widest;
    }
    // Shaping every label of a large folder would take most of a second, so
    // labels are estimated from cached character advances, and only those
    // that come near the widest estimate are measured exactly.
    const QFontMetrics fm = m_list->fontMetrics();
    if (m_advanceFont != m_list->font()) {
        m_advanceFont = m_list->font();
        m_asciiAdvance.fill(-1);
        m_otherAdvance.clear();
    }
    std::vector<std::pair<int, int>> estimates;  // (estimate, row)
    estimates.reserve(std::size_t(end - first));
    int most = 0;
    for (int row = first; row < end; ++row) {
        const int estimate = EstimateLabel(m_model->ItemAt(row)->displayName, fm);
        most = std::max(most, estimate);
        estimates.emplace_back(estimate, row);
    }
    // Kerning and shaping change a width by a few percent at most.
    const int threshold = most - most / 8 - 2;
    auto keep = std::partition(estimates.begin(), estimates.end(),
                               [&](const auto& e) { return e.first >= threshold; });
    if (keep - estimates.begin() > kExactMeasureCandidates) {
        std::nth_element(estimates.begin(), estimates.begin() + kExactMeasureCandidates, keep,
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        keep = estimates.begin() + kExactMeasureCandidates;
    }
    for (auto it = estimates.begin(); it != keep; ++it)
        widest = std::max(widest, MeasureLabel(it->second));
    return widest;
}
