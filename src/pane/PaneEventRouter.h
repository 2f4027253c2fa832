#pragma once
// PaneEventRouter: the one event filter a folder pane puts on its list's
// two views (list and details) and their viewports. Every key press of the
// views and every pointer, context-menu and drag event of their viewports
// passes through it, and it hands each to the pane's parts in a fixed
// order, so that which part sees an event first never depends on the order
// in which filters happened to be installed.
//
// Keys (pressed while a view has the focus), in this order:
//   1. The label editor. While a row's label is edited the editor holds
//      the focus and sees every key first; a key reaches the view (and this
//      router) only when the editor left it unused, and then goes on down
//      this list like any other.
//   2. Navigation (PaneNavigation::HandleKey): Backspace, Tab and
//      Shift/Ctrl+Tab, Left/Right in details, Delete (the delete command,
//      posted), Ctrl+digits (bookmarks, layouts), Ctrl+Shift+letter
//      (volumes).
//   3. The list (PaneListCtrl::HandleKey): Space and Insert (selection),
//      Shift+letter and plain text (type-ahead), Alt+Up/Down, and the keys
//      that activate: Return (the list's rowActivated, which the activation
//      part launches) and the Menu key or Shift+F10 (the context menu).
//   4. The view's own key handling (moving the focus), through the list's
//      own filter, which finds nothing left to do with the key.
// The key sets of 2 and 3 do not overlap; the first part that uses a key
// ends its way.
//
// Viewport events (pointer, context menu, drag and drop), in this order:
//   1. Transfer (the view's PaneDropForwarder): the press row, right-button
//      drags, a context menu held back over an item, drags and drops handed
//      to the transfer hooks, auto-scroll.
//   2. The list's own filter (clicks, marquee, sticky selection, the
//      context menu request), then the view.
// A left-button drag the view starts itself arrives as the list's
// dragStarted and goes to the transfer hooks with the active view's press
// row.
//
// The pane builds the router after its list, so the router sees each event
// before the list's own filter. Main thread only; the pane owns it.

#include <QObject>

class CPanexView;
class PaneDropForwarder;
class PaneNavigation;
class QAbstractItemView;
class QEvent;

class PaneEventRouter : public QObject {
public:
    /// Installs itself on both views of `pane`'s list and their viewports,
    /// and gives each view a drop forwarder.
    PaneEventRouter(CPanexView& pane, PaneNavigation& navigation);
    ~PaneEventRouter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool RouteKey(QEvent* event);
    PaneDropForwarder* ForwarderOfViewport(QObject* watched) const;

    CPanexView& m_pane;
    PaneNavigation& m_navigation;
    QAbstractItemView* m_listView = nullptr;
    QAbstractItemView* m_treeView = nullptr;
    PaneDropForwarder* m_listForwarder = nullptr;  // children of their views
    PaneDropForwarder* m_treeForwarder = nullptr;
};
