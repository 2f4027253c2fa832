#pragma once
// CPaneSplitter: the two-pane splitter of the main window, side by side
// (horizontal) or stacked (vertical), fixed for the run.
//
// Sizes work as the frame's splitter always did: the first pane has an
// ideal size and the second takes the rest of the room, so resizing the
// window changes the second pane only. Each pane has a minimum (50 unless
// SetFirstPaneSize() says otherwise); the user's drags stop there. A pane
// goes down to 0 (collapsed) only through SetFirstPaneSize() / Balance():
// asked for less than its minimum the first pane collapses, and when the
// rest is less than the second pane's minimum the second collapses and the
// first fills the splitter.
//
// A double click on the bar between the panes emits barDoubleClicked(); the
// frame answers it with Balance(-1).
//
// Main thread only.

#include <QSplitter>
#include <QSplitterHandle>
#include <functional>

/// One pane's size and minimum along the split direction.
struct PaneSize {
    int current = 0;
    int minimum = 0;
};

/// The handle between the panes; it reports double clicks.
class CPaneSplitterHandle : public QSplitterHandle {
    Q_OBJECT

public:
    CPaneSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class CPaneSplitter : public QSplitter {
    Q_OBJECT

public:
    static constexpr int kDefaultMinimum = 50;

    /// Balance() modes.
    enum BalanceMode { DoubleClick = -1, EqualPanes = 0, OnePane = 1 };

    /// `sideBySide`: two columns (horizontal), else two rows.
    explicit CPaneSplitter(bool sideBySide, QWidget* parent = nullptr);

    bool IsSideBySide() const { return orientation() == Qt::Horizontal; }

    /// Adds the first, then the second pane (exactly two).
    void SetPanes(QWidget* first, QWidget* second);

    /// Tells Balance() whether the active pane is the first one.
    void SetFirstPaneActiveQuery(std::function<bool()> isFirstActive);

    /// The first pane's size now (its ideal size before the splitter is
    /// laid out).
    int GetFirstPaneSize() const;
    /// Sets the first pane's ideal size and both panes' minimum, then lays
    /// out again (see the top of this file for collapsing). Before the
    /// splitter has a size of its own, the size is applied when it gets one.
    void SetFirstPaneSize(int size, int minimum = kDefaultMinimum);
    /// Current and minimum size of both panes (first, second).
    std::pair<PaneSize, PaneSize> GetPaneSizes() const;
    /// The bar between the panes, in the splitter's coordinates.
    QRect GetBarRect() const;
    /// The room for the panes: the size along the split minus the bar.
    int Available() const;
    /// True when pane `index` (0 first, 1 second) has no room at all, so
    /// the user cannot see it (One pane gave the other all of it).
    bool IsPaneHidden(int index) const;

    /// EqualPanes: the first pane gets half the room (at least its minimum).
    /// OnePane: the active pane fills the splitter (the first gets all of
    /// it, or size 0 when the second is active); when a pane is hidden
    /// already it toggles back to EqualPanes. DoubleClick: EqualPanes
    /// when either pane is at or below its minimum, else OnePane.
    void Balance(int mode);

Q_SIGNALS:
    void barDoubleClicked();
    /// After Balance() or SetFirstPaneSize() laid the panes out anew.
    void panesResized();

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ApplyFirstPaneSize();
    void SetPaneCollapsible(int index, bool on);

    std::function<bool()> m_isFirstActive;
    int m_idealFirst = 0;
    int m_minimum = kDefaultMinimum;
    bool m_pending = false;  // a size set before the splitter had one
};
