#pragma once
// PaneDropForwarder: the drag-and-drop side of one of a pane's list views.
// It takes the events of the view's viewport that the pane's event router
// (PaneEventRouter.h) hands it, forwards drags and drops to the installed
// transfer hooks (PaneTransferHooks.h), and remembers the row a press went
// down on, which is where a drag starts from.
//
// - Qt's views start drags with the left button only in effect: on this
//   desktop the context menu opens at the right button's press, before the
//   pointer can move. Over an item the forwarder holds that menu back until
//   the button comes up again, then replays it; moving the pointer past the
//   drag distance first starts a right-button drag (BeginDrag with
//   Qt::RightButton) instead, and the menu is dropped. On empty space the
//   menu opens at once.
// - Dragging over the view near an edge scrolls it (the view's own
//   auto-scroll never runs, as the forwarder takes the drag events): a
//   timer steps the scroll bar towards that edge while the pointer stays
//   within the view's auto-scroll margin, and stops when the drag leaves or
//   drops.
//
// A child of its view; main thread only.

#include <QObject>
#include <QPoint>
#include <QTimer>

class CPanexView;
class QAbstractItemView;
class QEvent;

class PaneDropForwarder : public QObject {
public:
    /// How often the view scrolls while a drag rests near an edge.
    static constexpr int kAutoScrollIntervalMs = 50;

    /// Makes `view` (and its viewport) accept drops; the forwarder is a
    /// child of `view`.
    PaneDropForwarder(CPanexView& pane, QAbstractItemView& view);
    ~PaneDropForwarder() override;

    /// One event of the view's viewport, before the list and the view see
    /// it. True when it was used up here (the list and the view never see
    /// it): drag events while hooks are installed, a held-back context
    /// menu, and the pointer moves of a pending right-button drag.
    bool HandleViewportEvent(QEvent* event);

    /// The row the last press went down on; -1 when none.
    int PressRow() const { return m_pressRow; }

    /// The direction a drag over the view scrolls it now: -1, 0 or 1 per
    /// axis; (0, 0) while it does not scroll.
    QPoint AutoScrollDirection() const { return m_scrollDirection; }
    /// Scrolls one step in AutoScrollDirection(); false when nothing moved
    /// (at the end, or no direction). The timer calls it.
    bool StepAutoScroll();

private:
    // A right-button press on an item, while the button is down.
    struct RightPress {
        bool active = false;
        QPoint position;
        bool held = false;  // a context menu waits for the release
        QPoint menuPosition;
        QPoint menuGlobal;
        Qt::KeyboardModifiers menuModifiers;
    };

    bool OnPress(QEvent* event);
    bool OnContextMenu(QEvent* event);
    bool OnMove(QEvent* event);
    bool OnRelease(QEvent* event);
    void ReplayContextMenu(const RightPress& press);
    void TrackAutoScroll(QPoint point);
    void StopAutoScroll();

    CPanexView& m_pane;
    QAbstractItemView& m_view;
    int m_pressRow = -1;
    RightPress m_right;
    bool m_replaying = false;
    QTimer m_scrollTimer;
    QPoint m_scrollDirection;
};

/// The forwarder of `view` (one of a pane's list views; tests drive its
/// auto-scroll), or nullptr.
PaneDropForwarder* TransferForwarderOf(QAbstractItemView& view);
