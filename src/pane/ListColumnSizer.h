#pragma once
// ListColumnSizer: the width of the columns of the List style, a QListView
// flowing top to bottom in columns over a PaneRowModel, set as the width of
// the view's grid. Its height is the row height RowHeight() gives.
//
// The rule: padding (icon width + 12, and 2 for text laid out with
// fractional widths) plus the widest label, where
// - with a maximum, the labels are those of 80 rows from the focused row
//   (the last 80 when that passes the end), and the width is at most the
//   maximum; only a recalculation sets it;
// - without one, every label counts, and rows inserted later widen the
//   column as they come; new rows (after RowsCleared) recalculate it.
// A width is "pending" until calculated; a calculation without rows leaves
// it pending. The owner calls Apply and RowsInserted only while the view
// shows the List style.
//
// Cost: up to 256 labels are measured exactly; above that, labels are
// estimated from cached advances of their characters and only the widest
// estimates (at most 64) are measured, so a folder of 100,000 names takes a
// few milliseconds rather than most of a second. Main thread only.

#include <QFont>
#include <QHash>
#include <array>

class PaneRowModel;
class QFontMetrics;
class QString;
class QListView;

class ListColumnSizer {
public:
    /// Neither is owned.
    ListColumnSizer(QListView* list, const PaneRowModel* model);

    /// 0: no maximum.
    void SetMaximum(int width);
    int Maximum() const { return m_maximum; }
    /// The width now (0 before the first calculation).
    int Width() const { return m_width; }
    bool IsPending() const { return m_pending; }

    /// Marks the width pending: the next Apply calculates it.
    void Invalidate() { m_pending = true; }
    /// Calculates a pending width and sets the view's grid.
    void Apply(int focusedRow);
    /// Rows `first`..`last` arrived: without a maximum the column follows
    /// the widest label (a pending width is calculated).
    void RowsInserted(int first, int last, int focusedRow);
    /// Every row went: without a maximum the width is pending again.
    void RowsCleared();

    /// The height of a row of the small-icon and List styles.
    int RowHeight() const;
    /// The widest label of the rows [first, end), in pixels of the view's
    /// font (see the cost in the header comment).
    int WidestLabel(int first, int end) const;

private:
    int MeasureLabel(int row) const;
    int EstimateLabel(const QString& text, const QFontMetrics& fm) const;
    int Padding();
    void SetGrid();

    QListView* m_list;
    const PaneRowModel* m_model;
    bool m_pending = true;
    int m_padding = 0;  // measured once
    int m_maximum = 0;
    int m_width = 0;
    // Per-character advances of the view's font, for estimating many labels.
    mutable QFont m_advanceFont;
    mutable std::array<int, 128> m_asciiAdvance{};
    mutable QHash<char16_t, int> m_otherAdvance;
};
