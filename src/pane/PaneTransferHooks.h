#pragma once
// PaneTransferHooks: how a pane hands drags, drops and pastes to the
// transfer code, which lies above the pane in the dependency order. The
// transfer code installs one implementation for the run
// (SetPaneTransferHooks); each pane attaches itself once
// (AttachPaneTransferHooks), which makes both of its list's views accept
// drops and forwards what happens there. Without installed hooks a pane
// neither starts drags nor takes drops.
//
// Main thread only. Header only: the forwarding is a small event filter.

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QListView>
#include <QMouseEvent>
#include <QObject>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "pane/CPanexView.h"
#include "pane/PaneListCtrl.h"

class IdList;

class PaneTransferHooks {
public:
    virtual ~PaneTransferHooks() = default;

    /// The user started dragging in `pane`'s list with `button`; `row` is
    /// the row the button went down on (-1: none).
    virtual void BeginDrag(CPanexView& pane, int row, Qt::MouseButton button) = 0;

    /// A drag entered / moved over / left `pane`'s list. Enter and move set
    /// the event's drop action and accept or ignore it. `position` is in the
    /// coordinates of `view`'s viewport.
    virtual void DragEnter(CPanexView& pane, QAbstractItemView& view, QDragEnterEvent& event) = 0;
    virtual void DragMove(CPanexView& pane, QAbstractItemView& view, QDragMoveEvent& event) = 0;
    virtual void DragLeave(CPanexView& pane) = 0;
    /// Something was dropped on `pane`'s list.
    virtual void Drop(CPanexView& pane, QAbstractItemView& view, QDropEvent& event) = 0;

    /// Pastes the clipboard into the folder `absolute` names (a folder-like
    /// item of `pane`'s folder). True when carried out or refused with a
    /// notice.
    virtual bool PasteInto(CPanexView& pane, const IdList& absolute) = 0;
};

namespace pane_transfer_detail {

inline PaneTransferHooks*& Slot() {
    static PaneTransferHooks* hooks = nullptr;
    return hooks;
}

// Forwards the drag and drop events of one view's viewport, and remembers
// the row a drag starts from (the press point).
//
// Qt's views start drags with the left button only in effect: on this
// desktop the context menu opens at the right button's press, before the
// pointer can move. Over an item the forwarder holds that menu back until
// the button comes up again; moving the pointer past the drag distance
// first starts a right-button drag (BeginDrag with Qt::RightButton)
// instead, and the menu is dropped. On empty space the menu opens at once,
// as before.
//
// Dragging over the view near an edge scrolls it (the view's own
// auto-scroll never runs, as the forwarder takes the drag events): a timer
// steps the scroll bar towards that edge while the pointer stays within
// the view's auto-scroll margin.
class Forwarder : public QObject {
public:
    /// How often the view scrolls while a drag rests near an edge.
    static constexpr int kAutoScrollIntervalMs = 50;

    Forwarder(CPanexView& pane, QAbstractItemView& view)
        : QObject(&view), m_pane(pane), m_view(view) {
        m_scrollTimer.setInterval(kAutoScrollIntervalMs);
        QObject::connect(&m_scrollTimer, &QTimer::timeout, this, [this] {
            if (!StepAutoScroll())
                StopAutoScroll();
        });
    }

    int pressRow = -1;

    /// The direction a drag over the view scrolls it now: -1, 0 or 1 per
    /// axis; (0, 0) while it does not scroll.
    QPoint AutoScrollDirection() const { return m_scrollDirection; }
    /// Scrolls one step in AutoScrollDirection(); false when nothing moved
    /// (at the end, or no direction). The timer calls it.
    bool StepAutoScroll() {
        bool moved = false;
        auto step = [&moved](QScrollBar* bar, int direction) {
            if (!bar || direction == 0)
                return;
            const int before = bar->value();
            bar->setValue(before + direction * std::max(1, bar->singleStep()));
            moved = moved || bar->value() != before;
        };
        step(m_view.horizontalScrollBar(), m_scrollDirection.x());
        step(m_view.verticalScrollBar(), m_scrollDirection.y());
        return moved;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        PaneTransferHooks* hooks = Slot();
        if (watched != m_view.viewport())
            return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                const QModelIndex index = m_view.indexAt(mouse->position().toPoint());
                pressRow = index.isValid() ? index.row() : -1;
                m_right = RightPress();
                if (hooks && mouse->button() == Qt::RightButton && index.isValid()) {
                    m_right.active = true;
                    m_right.position = mouse->position().toPoint();
                }
                return false;
            }
            case QEvent::ContextMenu: {
                const auto* menu = static_cast<QContextMenuEvent*>(event);
                if (m_replaying || !m_right.active || menu->reason() != QContextMenuEvent::Mouse)
                    return false;
                // Held back until the button comes up (or a drag starts).
                m_right.held = true;
                m_right.menuPosition = menu->pos();
                m_right.menuGlobal = menu->globalPos();
                m_right.menuModifiers = menu->modifiers();
                return true;
            }
            case QEvent::MouseMove: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (!m_right.active)
                    return false;
                if (!(mouse->buttons() & Qt::RightButton)) {
                    m_right = RightPress();
                    return false;
                }
                // The view would start a drag of its own for any button: it
                // sees none of these moves.
                if ((mouse->position().toPoint() - m_right.position).manhattanLength() <
                    QApplication::startDragDistance())
                    return true;
                m_right = RightPress();
                if (hooks)
                    hooks->BeginDrag(m_pane, pressRow, Qt::RightButton);
                return true;
            }
            case QEvent::MouseButtonRelease: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (!m_right.active || mouse->button() != Qt::RightButton)
                    return false;
                const RightPress press = m_right;
                m_right = RightPress();
                if (press.held) {
                    // After the view has taken the release, as a menu at
                    // the release would come.
                    QMetaObject::invokeMethod(
                        this, [this, press] { ReplayContextMenu(press); }, Qt::QueuedConnection);
                }
                return false;
            }
            case QEvent::DragEnter:
                if (!hooks)
                    return false;
                hooks->DragEnter(m_pane, m_view, *static_cast<QDragEnterEvent*>(event));
                TrackAutoScroll(static_cast<QDropEvent*>(event)->position().toPoint());
                return true;
            case QEvent::DragMove:
                if (!hooks)
                    return false;
                hooks->DragMove(m_pane, m_view, *static_cast<QDragMoveEvent*>(event));
                TrackAutoScroll(static_cast<QDropEvent*>(event)->position().toPoint());
                return true;
            case QEvent::DragLeave:
                StopAutoScroll();
                if (!hooks)
                    return false;
                hooks->DragLeave(m_pane);
                return true;
            case QEvent::Drop:
                StopAutoScroll();
                if (!hooks)
                    return false;
                hooks->Drop(m_pane, m_view, *static_cast<QDropEvent*>(event));
                return true;
            default:
                return false;
        }
    }

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

    void ReplayContextMenu(const RightPress& press) {
        QContextMenuEvent menu(QContextMenuEvent::Mouse, press.menuPosition, press.menuGlobal,
                               press.menuModifiers);
        m_replaying = true;
        QCoreApplication::sendEvent(m_view.viewport(), &menu);
        m_replaying = false;
    }

    void TrackAutoScroll(QPoint point) {
        const QRect area = m_view.viewport()->rect();
        const int margin = m_view.autoScrollMargin();
        QPoint direction;
        if (m_view.hasAutoScroll() && area.contains(point)) {
            if (point.x() < area.left() + margin)
                direction.setX(-1);
            else if (point.x() > area.right() - margin)
                direction.setX(1);
            if (point.y() < area.top() + margin)
                direction.setY(-1);
            else if (point.y() > area.bottom() - margin)
                direction.setY(1);
        }
        m_scrollDirection = direction;
        if (direction.isNull())
            m_scrollTimer.stop();
        else if (!m_scrollTimer.isActive())
            m_scrollTimer.start();
    }

    void StopAutoScroll() {
        m_scrollDirection = QPoint();
        m_scrollTimer.stop();
    }

    CPanexView& m_pane;
    QAbstractItemView& m_view;
    RightPress m_right;
    bool m_replaying = false;
    QTimer m_scrollTimer;
    QPoint m_scrollDirection;
};

}  // namespace pane_transfer_detail

/// The installed hooks, or nullptr.
inline PaneTransferHooks* TransferHooks() {
    return pane_transfer_detail::Slot();
}

/// Installs the hooks (nullptr removes them); gives back the previous ones.
inline PaneTransferHooks* SetPaneTransferHooks(PaneTransferHooks* hooks) {
    PaneTransferHooks* previous = pane_transfer_detail::Slot();
    pane_transfer_detail::Slot() = hooks;
    return previous;
}

/// Attaches `pane`: its list's views accept drops and forward them, and a
/// drag the list starts goes to BeginDrag. Call once, from the pane's
/// constructor.
inline void AttachPaneTransferHooks(CPanexView& pane) {
    PaneListCtrl* list = pane.List();
    auto attach = [&pane](QAbstractItemView* view) {
        auto* forwarder = new pane_transfer_detail::Forwarder(pane, *view);
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->viewport()->installEventFilter(forwarder);
        return forwarder;
    };
    auto* listForwarder = attach(list->ListView());
    auto* treeForwarder = attach(list->TreeView());
    QObject::connect(list, &PaneListCtrl::dragStarted, &pane,
                     [&pane, list, listForwarder, treeForwarder](Qt::MouseButton button) {
                         PaneTransferHooks* hooks = TransferHooks();
                         if (!hooks)
                             return;
                         const bool tree = list->ActiveView() ==
                                           static_cast<QAbstractItemView*>(list->TreeView());
                         hooks->BeginDrag(pane,
                                          tree ? treeForwarder->pressRow : listForwarder->pressRow,
                                          button);
                     });
}

/// The forwarder AttachPaneTransferHooks put on `view` (tests drive its
/// auto-scroll), or nullptr.
inline pane_transfer_detail::Forwarder* TransferForwarderOf(QAbstractItemView& view) {
    for (QObject* child : view.children()) {
        if (auto* forwarder = dynamic_cast<pane_transfer_detail::Forwarder*>(child))
            return forwarder;
    }
    return nullptr;
}
