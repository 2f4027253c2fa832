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
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QListView>
#include <QMouseEvent>
#include <QObject>
#include <QTreeView>

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
class Forwarder : public QObject {
public:
    Forwarder(CPanexView& pane, QAbstractItemView& view)
        : QObject(&view), m_pane(pane), m_view(view) {}

    int pressRow = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        PaneTransferHooks* hooks = Slot();
        if (watched != m_view.viewport())
            return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const QModelIndex index =
                    m_view.indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                pressRow = index.isValid() ? index.row() : -1;
                return false;
            }
            case QEvent::DragEnter:
                if (!hooks)
                    return false;
                hooks->DragEnter(m_pane, m_view, *static_cast<QDragEnterEvent*>(event));
                return true;
            case QEvent::DragMove:
                if (!hooks)
                    return false;
                hooks->DragMove(m_pane, m_view, *static_cast<QDragMoveEvent*>(event));
                return true;
            case QEvent::DragLeave:
                if (!hooks)
                    return false;
                hooks->DragLeave(m_pane);
                return true;
            case QEvent::Drop:
                if (!hooks)
                    return false;
                hooks->Drop(m_pane, m_view, *static_cast<QDropEvent*>(event));
                return true;
            default:
                return false;
        }
    }

private:
    CPanexView& m_pane;
    QAbstractItemView& m_view;
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
