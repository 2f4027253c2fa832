#include "pane/PaneDropForwarder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "pane/PaneTransferHooks.h"

PaneDropForwarder::PaneDropForwarder(CPanexView& pane, QAbstractItemView& view)
    : QObject(&view), m_pane(pane), m_view(view) {
    view.setAcceptDrops(true);
    view.viewport()->setAcceptDrops(true);
    view.setDragDropMode(QAbstractItemView::DragDrop);
    m_scrollTimer.setInterval(kAutoScrollIntervalMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] {
        if (!StepAutoScroll())
            StopAutoScroll();
    });
}

PaneDropForwarder::~PaneDropForwarder() = default;

bool PaneDropForwarder::HandleViewportEvent(QEvent* event) {
    PaneTransferHooks* hooks = TransferHooks();
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            return OnPress(event);
        case QEvent::ContextMenu:
            return OnContextMenu(event);
        case QEvent::MouseMove:
            return OnMove(event);
        case QEvent::MouseButtonRelease:
            return OnRelease(event);
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

bool PaneDropForwarder::OnPress(QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QModelIndex index = m_view.indexAt(mouse->position().toPoint());
    m_pressRow = index.isValid() ? index.row() : -1;
    m_right = RightPress();
    if (TransferHooks() && mouse->button() == Qt::RightButton && index.isValid()) {
        m_right.active = true;
        m_right.position = mouse->position().toPoint();
    }
    return false;
}

bool PaneDropForwarder::OnContextMenu(QEvent* event) {
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

bool PaneDropForwarder::OnMove(QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!m_right.active)
        return false;
    if (!(mouse->buttons() & Qt::RightButton)) {
        m_right = RightPress();
        return false;
    }
    // The view would start a drag of its own for any button: it sees none
    // of these moves.
    if ((mouse->position().toPoint() - m_right.position).manhattanLength() <
        QApplication::startDragDistance())
        return true;
    m_right = RightPress();
    if (PaneTransferHooks* hooks = TransferHooks())
        hooks->BeginDrag(m_pane, m_pressRow, Qt::RightButton);
    return true;
}

bool PaneDropForwarder::OnRelease(QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!m_right.active || mouse->button() != Qt::RightButton)
        return false;
    const RightPress press = m_right;
    m_right = RightPress();
    if (press.held) {
        // After the view has taken the release, as a menu at the release
        // would come.
        QMetaObject::invokeMethod(
            this, [this, press] { ReplayContextMenu(press); }, Qt::QueuedConnection);
    }
    return false;
}

void PaneDropForwarder::ReplayContextMenu(const RightPress& press) {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, press.menuPosition, press.menuGlobal,
                           press.menuModifiers);
    m_replaying = true;
    QCoreApplication::sendEvent(m_view.viewport(), &menu);
    m_replaying = false;
}

bool PaneDropForwarder::StepAutoScroll() {
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

void PaneDropForwarder::TrackAutoScroll(QPoint point) {
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

void PaneDropForwarder::StopAutoScroll() {
    m_scrollDirection = QPoint();
    m_scrollTimer.stop();
}

PaneDropForwarder* TransferForwarderOf(QAbstractItemView& view) {
    for (QObject* child : view.children()) {
        if (auto* forwarder = dynamic_cast<PaneDropForwarder*>(child))
            return forwarder;
    }
    return nullptr;
}
