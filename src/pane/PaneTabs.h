#pragma once
// PaneTabs: the tabs of one side of the window (the first or the second
// pane). Each tab is a whole pane view (CPanexView) of its own, with its
// own folder model and change watch, history, selection, sort, view and
// filter; the side shows one of them, its current tab, under a tab bar that
// is shown while the side has more than one tab (or always, with
// SetAlwaysShowBar()).
//
// Every view of a side talks to the window through a host of its own that
// passes on to the window's PaneHost, except that:
// - the side decides IsFirstPane() (so every tab of the first side reads and
//   writes "Left Pane Settings"), and OtherPane() is the other side's
//   current tab;
// - a tab that is not current counts as hidden (IsPaneHidden), so it is
//   never made the active pane;
// - a locked tab that is asked to open another folder opens it in a new
//   tab next to it instead (DivertFolderOpen), which becomes current;
// - after a tab opened a folder its label follows (ActivationUpdate).
//
// Guarantees:
// - A side always has at least one tab; closing the last one is refused.
// - Switching tabs shows the view that is there: nothing is read again. A
//   tab that is not shown keeps its watch and refreshes its rows as its
//   folder changes; being hidden, it paints nothing until it is shown.
// - currentViewChanged() follows every change of the current tab (a switch,
//   closing the current tab, a move of the current tab to the other side),
//   after the new view is shown; tabsChanged() follows every change of a
//   label, the order, a lock or the count.
// - The views are children of the side; a tab moved to the other side takes
//   its view, with its model, history and selection, along.
// - A new tab takes the pane settings of the tab it was made from (columns,
//   sort, view, filter, sticky selection), read back through the store's
//   own keys, so nothing process-wide (bookmarks, histories) is reloaded.
//
// Main thread only.

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "pane/TabSettings.h"

class CPanexView;
class IdList;
class PaneHost;
class ProfileStore;
class QStackedWidget;
class QTabBar;

class PaneTabs : public QWidget {
    Q_OBJECT

public:
    /// One side with one tab, whose view exists but has read no settings
    /// and shows no folder yet. `host` is the window's; it outlives the side.
    PaneTabs(PaneHost& host, bool first, QWidget* parent = nullptr);
    ~PaneTabs() override;

    /// The side across the splitter (for OtherPane and moves).
    void SetOther(PaneTabs* other) { m_other = other; }
    PaneTabs* Other() const { return m_other; }
    bool IsFirst() const { return m_first; }

    // -- The tabs -------------------------------------------------------------

    int Count() const { return int(m_tabs.size()); }
    int CurrentIndex() const;
    CPanexView* Current() const;
    CPanexView* ViewAt(int index) const;
    /// -1 when `view` is no tab of this side.
    int IndexOf(const CPanexView* view) const;
    QTabBar* TabBar() const { return m_bar; }
    /// The label of tab `index`: the last part of its folder's title.
    QString TabText(int index) const;

    /// Shows tab `index` (out of range: nothing).
    void SetCurrentIndex(int index);
    /// Shows the tab `delta` places on, wrapping around.
    void Step(int delta);

    /// A new tab at `index` (-1: right after the current one) whose view
    /// took the settings of `source` (the current tab when null) and shows
    /// no folder yet; `show` makes it current.
    CPanexView* AddTab(int index, const CPanexView* source, bool show);
    /// A new tab (as AddTab) that opens `folder`; it lists everything
    /// unless `keepFilter` keeps the current tab's filter. Null (and no
    /// tab) when the folder could not be read.
    CPanexView* OpenInNewTab(const IdList& folder, bool show, int index = -1,
                             bool keepFilter = false);
    /// A copy of tab `index` right after it, shown: its folder, filter,
    /// sort, view, the focused item and the selected ones.
    CPanexView* DuplicateTab(int index);
    /// Closes tab `index` (its view, model and watch go); false for the
    /// last tab or an index out of range.
    bool CloseTab(int index);
    /// Closes every tab but `keep`; the count closed.
    int CloseOtherTabs(int keep);
    /// Moves tab `index` to the end of `target`'s tabs, where it becomes
    /// current; false for this side's last tab, a bad index or `target`
    /// this side.
    bool MoveTabTo(int index, PaneTabs& target);

    bool IsLocked(int index) const;
    void SetLocked(int index, bool locked);

    /// Every view of the side, in tab order.
    std::vector<CPanexView*> Views() const;

    // -- Settings -----------------------------------------------------------------

    /// The tabs as the store keeps them.
    TabSetRecord Record() const;
    /// Writes the current tab's pane settings (CPanexView::SaveSettings) and
    /// then the tab set into the side's section; nothing with the general
    /// setting "bSaveSettings" off.
    void SaveSettings(ProfileStore& store) const;
    /// Before the current tab's first folder is opened (its InitialUpdate):
    /// with "bSaveSettings" on, reads the stored tab set; the current tab
    /// then starts on the stored current tab's folder (or its nearest
    /// existing parent) unless the command line names a folder for the side.
    void BeginRestore();
    /// After that: the other stored tabs come back around the current one,
    /// each on its folder or its nearest existing parent (a notice names a
    /// folder that has gone), with its filter, sort, view and lock.
    void FinishRestore();
    /// Replaces the tabs by `record` (a stored layout's): a tab already on a
    /// folder of the record is kept (nothing read again), the others open,
    /// the tabs the record lacks close.
    void ApplyRecord(const TabSetRecord& record);

    /// Shows the tab bar with a single tab too.
    void SetAlwaysShowBar(bool always);

Q_SIGNALS:
    /// The side shows another view.
    void currentViewChanged(CPanexView* now);
    /// A view was made (for the window's watchers of views).
    void viewAdded(CPanexView* view);
    void tabsChanged();
    /// The user chose a tab with the mouse: the side wants to be active.
    void activateRequested();
    /// A command from the tab bar's menu, for the current tab.
    void commandRequested(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TabHost;
    struct Tab {
        CPanexView* view = nullptr;
        TabHost* host = nullptr;  // a child of the view
        bool locked = false;
    };

    CPanexView* MakeView(const CPanexView* source, TabHost*& madeHost);
    int Insert(CPanexView* view, TabHost* host, int index);
    void Remove(int index);
    void OnBarCurrentChanged(int index);
    void OnBarMoved(int from, int to);
    void UpdateLabel(int index);
    void UpdateBarVisibility();
    void ShowTabMenu(int index, QPoint global);
    bool HandleBarDrag(QEvent* event);
    bool HandleListKey(QEvent* event);
    bool HandleMiddleClick(QObject* watched, QEvent* event);
    void WatchView(CPanexView& view);
    QString StartFolder(const CPanexView& view) const;
    CPanexView* OpenRecord(const TabRecord& tab, int index, QStringList& gone);

    PaneHost& m_host;
    const bool m_first;
    PaneTabs* m_other = nullptr;
    QTabBar* m_bar = nullptr;
    QStackedWidget* m_stack = nullptr;
    std::vector<Tab> m_tabs;
    bool m_alwaysShowBar = false;
    bool m_switching = false;
    // The stored tab set between BeginRestore and FinishRestore.
    std::optional<TabSetRecord> m_restoring;
    // The view a drag over the tab bar is over now.
    QPointer<CPanexView> m_dragView;
    // Renames the tabs once the rows of some tab changed.
    QTimer m_labelTimer;
};
