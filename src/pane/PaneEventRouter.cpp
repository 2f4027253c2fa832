#include "pane/PaneEventRouter.h"

#include <QKeyEvent>
#include <QListView>
#include <QTreeView>

#include "pane/CPanexView.h"
#include "pane/PaneDropForwarder.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneNavigation.h"
#include "pane/PaneTransferHooks.h"

PaneEventRouter::PaneEventRouter(CPanexView& pane, PaneNavigation& navigation)
    : m_pane(pane), m_navigation(navigation) {
    PaneListCtrl* list = m_pane.List();
    m_listView = list->ListView();
    m_treeView = list->TreeView();
    m_listForwarder = new PaneDropForwarder(m_pane, *m_listView);
    m_treeForwarder = new PaneDropForwarder(m_pane, *m_treeView);
    for (QAbstractItemView* view : {m_listView, m_treeView}) {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }
    connect(list, &PaneListCtrl::dragStarted, this, [this, list](Qt::MouseButton button) {
        PaneTransferHooks* hooks = TransferHooks();
        if (!hooks)
            return;
        const bool tree = list->ActiveView() == m_treeView;
        hooks->BeginDrag(m_pane, (tree ? m_treeForwarder : m_listForwarder)->PressRow(), button);
    });
}

PaneEventRouter::~PaneEventRouter() = default;

bool PaneEventRouter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listView || watched == m_treeView) {
        if (event->type() == QEvent::KeyPress)
            return RouteKey(event);
        return false;
    }
    if (PaneDropForwarder* forwarder = ForwarderOfViewport(watched))
        return forwarder->HandleViewportEvent(event);
    return false;
}

bool PaneEventRouter::RouteKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_navigation.HandleKey(key))
        return true;
    return m_pane.List()->HandleKey(key);
}

PaneDropForwarder* PaneEventRouter::ForwarderOfViewport(QObject* watched) const {
    if (watched == m_listView->viewport())
        return m_listForwarder;
    if (watched == m_treeView->viewport())
        return m_treeForwarder;
    return nullptr;
}
