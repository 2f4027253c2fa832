#pragma once
// What the navigation, bookmark, mirror and status line tests share: a pair
// of panes over a host that records the frame commands the panes ask for,
// and the process-wide state those tests touch put back afterwards.

#include <QAbstractItemView>
#include <QKeyEvent>
#include <memory>
#include <vector>

#include "PaneTestSupport.h"
#include "pane/Bookmarks.h"
#include "pane/MirrorBrowse.h"
#include "pane/PaneCaption.h"
#include "pane/PaneStatusLine.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/PatternList.h"

class NavigationHost : public TestPaneHost {
public:
    bool ExecuteCommand(int id) override {
        executed.push_back(id);
        return true;
    }
    std::vector<int> executed;
};

// Two panes (the first active) whose settings were read; the process-wide
// state of navigation and the current directory are put back when the pair
// goes.
struct PanePair {
    PanePair() : general(General()) {
        TheBookmarks().Clear();
        SetMirrorBrowsing(false);
        first = std::make_unique<CPanexView>(host);
        second = std::make_unique<CPanexView>(host);
        AttachPanes(host, *first, second.get());
    }
    ~PanePair() {
        second.reset();
        first.reset();
        MutableGeneral() = general;
        TheBookmarks().Clear();
        SetMirrorBrowsing(false);
        SetStatusTickSource(nullptr);
        LastVisualFilter().clear();
        VisualFilterHistory().Clear();
    }

    // The active pane makes its folder the current directory; the test's
    // folders go after the pair, so the directory is put back first.
    CwdKeeper cwd;
    GeneralSettings general;
    NavigationHost host;
    std::unique_ptr<CPanexView> first;
    std::unique_ptr<CPanexView> second;
};

// The path the pane shows; empty when it shows nothing.
inline QString ShownPath(const CPanexView& pane) {
    return pane.Model() ? pane.Model()->path : QString();
}

// The name of the pane's focused row; empty when none.
inline QString FocusedName(const CPanexView& pane) {
    const int row = pane.List()->FocusedRow();
    const FolderItem* item = row >= 0 ? pane.List()->ItemAt(row) : nullptr;
    return item ? item->name : QString();
}

inline bool IsSelected(CPanexView& pane, const QString& name) {
    FolderItem* item = pane.Model() ? pane.Model()->FindByName(name) : nullptr;
    const int row = item ? pane.List()->RowOf(item) : -1;
    return row >= 0 && pane.List()->IsRowSelected(row);
}

inline bool Enabled(CPanexView& pane, int id) {
    CommandState state;
    return pane.OnUpdateCommand(id, state) && state.enabled;
}

// A key press given to the pane's list view, as the user's key would come.
inline void PressKey(CPanexView& pane, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(pane.List()->ActiveView(), &event);
}
