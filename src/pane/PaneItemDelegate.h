#pragma once
// PaneItemDelegate: paints the rows of a pane-style list, a QListView or a
// QTreeView over a table model whose first column holds the labels, and
// answers their tooltips. What it adds to the style's own painting follows
// the "lvsExtendedStyle" bits given by SetExtendedStyle
// (ListExtendedStyle.h):
// - details (a QTreeView): grid lines, and without full-row selection only
//   the first column of a selected row highlighted;
// - with one- or two-click activation: hot (hovered) or cold labels
//   underlined; the view must track the mouse for hot labels;
// - the focus mark: while a view lacks the keyboard focus, its current row
//   carries a dotted frame, around the whole row in details and around the
//   label (text width + 3) in the other views; the view must repaint when
//   its focus changes;
// - tooltips: info tips (first column only, text from the info-tip
//   function) and label tips (the full text of an elided label).
// Sizes: in a QListView with a grid every row takes its grid cell (icon
// mode: the cell less 6 x 4), so uniform item sizes never cut a label to
// the first row's width. Large icons centre their labels.
//
// Label editors: Return (or Enter) ends the edit at once, the text
// committed and the editor closed before the key handler returns, and the
// key goes no further: the view never sees it as an activation of the row,
// and a key typed right after it reaches the view, not a closing editor.
// Escape cancels.
//
// The delegate keeps no row state, but give each view its own: a view warns
// about (and ignores) the editors of another view that shares its delegate.
// Main thread only.

#include <QStyledItemDelegate>
#include <functional>

class QTreeView;

class PaneItemDelegate : public QStyledItemDelegate {
public:
    /// The description shown as the info tip of a row (empty: none).
    using InfoTipFunction = std::function<QString(const QModelIndex& index)>;

    explicit PaneItemDelegate(QObject* parent = nullptr);

    /// The "lvsExtendedStyle" bits; the views repaint on their own only
    /// when told (the caller updates their viewports).
    void SetExtendedStyle(int bits) { m_extendedStyle = bits; }
    int ExtendedStyle() const { return m_extendedStyle; }
    /// Null: no info tips.
    void SetInfoTipFunction(InfoTipFunction infoTip) { m_infoTip = std::move(infoTip); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QRect TextRect(const QStyleOptionViewItem& option, const QModelIndex& index,
                   QStyleOptionViewItem& opt) const;
    bool IsElided(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void PaintFocusMark(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index, const QTreeView* tree) const;

    int m_extendedStyle = 0;
    InfoTipFunction m_infoTip;
};
