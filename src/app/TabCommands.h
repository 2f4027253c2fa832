#pragma once
// TabCommands: the tabs of the main window's two panes and their commands.
// It makes the two sides (PaneTabs.h) the splitter holds, tells the window
// whenever a side shows another tab (so the window's left, right and active
// pane are always the shown tabs) and carries the tab commands, which act
// on the active pane's side:
//
//   ID_TAB_NEW            a new tab on the current folder, shown
//   ID_TAB_OPEN_FOCUSED   the focused folder in a new tab behind the current
//                         one (also a middle click on a folder row)
//   ID_TAB_DUPLICATE      a copy of the tab, shown
//   ID_TAB_CLOSE          closes the tab (never the last one)
//   ID_TAB_CLOSE_OTHERS   closes every other tab of the side
//   ID_TAB_NEXT / ID_TAB_PREVIOUS   the next / previous tab, wrapping
//   ID_TAB_MOVE_TO_OTHER  the tab, view and all, goes to the other pane,
//                         which becomes active
//   ID_TAB_LOCK           locks or unlocks the tab (checked while locked)
//   ID_TAB_GOTO_FIRST..ID_TAB_GOTO_LAST   tab 1..9
//
// A command that cannot act (one tab, no such tab, no folder focused) is
// disabled and says why. After a command the side's shown tab is the
// active pane and has the keyboard focus.
//
// The window puts this target into its command chain right after the
// active pane. Main thread only.

#include <QString>
#include <functional>
#include <vector>

#include "platform/ui/CommandTarget.h"

class CPanexView;
class FrameBars;
class PaneHost;
class PaneTabs;
class ProfileStore;
class QWidget;

class TabCommands : public CommandTarget {
public:
    /// Both sides, each with one tab whose view has read no settings yet.
    /// `window` is the pane host of the window; it outlives this object.
    /// The sides are children of `parent` until the splitter takes them.
    TabCommands(PaneHost& window, QWidget* parent);
    ~TabCommands() override;

    PaneTabs* Left() const { return m_left; }
    PaneTabs* Right() const { return m_right; }
    /// The side showing or holding `view`; null for none.
    PaneTabs* SideOf(const CPanexView* view) const;
    /// The side of the active pane (the left one before any is active).
    PaneTabs* ActiveSide() const;
    /// Every tab's view of both sides.
    std::vector<CPanexView*> AllViews() const;

    /// The window's panes: `left` and `right` become the sides' shown
    /// tabs ("leftPane", "rightPane" at first) and `active` the left one;
    /// from then on they follow every switch, and when the active pane's
    /// side shows another tab, `activate` makes that tab the active pane
    /// (its address bar, tree, volume bar, status line and title follow).
    void BindWindowPanes(CPanexView*& left, CPanexView*& right, CPanexView*& active,
                         std::function<void(CPanexView* view)> activate);
    /// A stored layout keeps both sides' tabs and gives them back.
    void ServeLayouts(FrameBars& bars);
    /// Called for every view made after the first two.
    void SetViewObserver(std::function<void(CPanexView* view)> observer);

    /// BeginRestore / FinishRestore of both sides (PaneTabs.h).
    void BeginRestore();
    void FinishRestore();
    /// Both sides' SaveSettings.
    void SaveSettings(ProfileStore& store) const;
    /// The general setting "bAlwaysShowTabBar" on both sides.
    void ApplyBarOption();

private:
    void MapTabCommands();
    void Connect(PaneTabs* side);
    void Activate(PaneTabs* side);
    bool RunOn(PaneTabs* side, int id);

    PaneHost& m_window;
    PaneTabs* m_left = nullptr;
    PaneTabs* m_right = nullptr;
    void OnShown(bool left, CPanexView* now);

    // The window's pane pointers (BindWindowPanes).
    CPanexView** m_windowLeft = nullptr;
    CPanexView** m_windowRight = nullptr;
    CPanexView** m_windowActive = nullptr;
    std::function<void(CPanexView*)> m_viewAdded;
    std::function<void(CPanexView*)> m_activate;
};
