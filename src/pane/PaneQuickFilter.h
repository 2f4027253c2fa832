#pragma once
// PaneQuickFilter: the pane's visual filter, typed live. A small field over
// the foot of the pane takes the text; every change makes the pane's filter
// the names that contain the text (case-blind; "*" and "?" work inside it;
// commas separate several texts, a leading "-" excludes), and the rows
// narrow or widen at once. Folders stay listed, as the visual filter always
// keeps them.
//
// - The filter typed is the pane's own (CPanexView::Filter, the caption,
//   the address bar): there is no second filter. Return keeps it (it goes
//   to the visual filter history); Escape clears the text and brings back
//   the filter the pane had when the field opened; leaving the field keeps
//   what was typed, as Return does.
// - A keystroke does not sort. The order the rows would have with every
//   item listed is made once when the field opens (the rows as they stand,
//   with the hidden items sorted in by the pane's key) and each keystroke
//   picks the matching items out of it: O(n) in the folder's items. The
//   order is made again after anything changed the rows or the items (a
//   refresh, a sort, a rename).
// - Hidden rows are never selected (PaneListCtrl::ShowRows); the focus
//   stays on its row while that is listed.
//
// Main thread only; owned by its pane.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class CPanexView;
class FolderItem;
class QLineEdit;

class PaneQuickFilter : public QObject {
    Q_OBJECT

public:
    explicit PaneQuickFilter(CPanexView& pane);
    ~PaneQuickFilter() override;

    /// The pattern text a typed text stands for: each comma-separated part
    /// within stars ("abc" gives "*abc*", "-bak" gives "-*bak*"); "*" for a
    /// text of nothing but blanks and commas.
    static QString PatternTextFor(const QString& typed);

    /// Shows the field with the keyboard focus and an empty text; the
    /// pane's filter now is the one Escape brings back. Opening it again
    /// while it is open only gives it the focus.
    void Open();
    bool IsOpen() const;
    QLineEdit* Field() const { return m_field; }

    /// What the field does on a change of its text: the pane lists the
    /// names that contain `typed` (the filter it opened with for an empty
    /// text).
    void SetText(const QString& typed);
    /// Return: the field closes, the filter stays and goes to the history.
    void Accept();
    /// Escape: the field closes and the pane's earlier filter is back.
    void Cancel();

    /// The rows or the items changed under the field: the order is made
    /// again at the next keystroke.
    void Invalidate() { m_orderValid = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Close();
    void Place();
    void BuildOrder();
    void Apply(const QString& patternText);

    // What a keystroke reads of an item, kept together: touching 100,000
    // items scattered in memory (and their names' buffers) costs more than
    // matching them.
    struct Entry {
        FolderItem* item = nullptr;
        std::uint64_t size = 0;
        qsizetype nameAt = 0;  // in m_names
        qsizetype nameLength = 0;
        bool folder = false;
        bool listed = false;  // the item's listState, as we set it
    };

    CPanexView& m_pane;
    QLineEdit* m_field = nullptr;
    QString m_baseFilter;  // the pane's filter when the field opened
    std::vector<Entry> m_order;
    QString m_names;  // every name of m_order, one after the other
    bool m_orderValid = false;
    bool m_applying = false;  // our own row change, not one to invalidate on
    bool m_closing = false;
};
