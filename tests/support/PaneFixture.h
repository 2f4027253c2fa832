#pragma once
// The one set-up of panes for the tests above the pane: a host for one or
// two panes over a temporary store, a pane that counts its refreshes, and
// fixtures over the real namespace that make the panes (the first active,
// each with its settings read) and put back the run-wide state panes change.
//
// TwoPaneTest gives `left` and `right` over `host`, with a temporary folder
// for each (`a` and `b`) and the current directory put back after the
// folders are gone (activation makes a pane's folder the current
// directory). OnePaneTest gives `pane` alone. Both are templates on the
// pane and the host, so a suite can count or record what it needs; a
// fixture derived from them calls their SetUp first and their TearDown
// last. The general settings are saved when the fixture is made, so a
// derived SetUp may change them before the panes read them.

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/PatternList.h"
#include "shell/ShellContext.h"
#include "shell/ShellFixture.h"  // RealShellTest, CwdKeeper
#include "support/TestDir.h"

class TestPaneHost : public PaneHost {
public:
    TestPaneHost() : store(storeDir.filePath(QStringLiteral("profile.ini"))) {}

    ProfileStore& Store() override { return store; }
    QString CommandLineFolder(const CPanexView& pane) const override {
        return &pane == second ? secondFolder : firstFolder;
    }
    bool IsFirstPane(const CPanexView& pane) const override { return &pane != second; }
    CPanexView* OtherPane(const CPanexView& pane) const override {
        return &pane == first ? second : first;
    }
    CPanexView* ActivePane() const override { return active; }
    void ActivationUpdate(CPanexView& pane) override {
        (void)pane;
        ++activationUpdates;
    }

    QTemporaryDir storeDir;
    ProfileStore store;
    CPanexView* first = nullptr;
    CPanexView* second = nullptr;
    CPanexView* active = nullptr;
    QString firstFolder;
    QString secondFolder;
    int activationUpdates = 0;
};

// A pane that counts its refreshes (from the watch's events and from the
// refresh command alike): `refreshes` all of them, `fullRefreshes` those
// that read the whole folder (RefreshPane), `namedRefreshes` those by the
// names the watch reported (RefreshChanged).
class CountingPane : public CPanexView {
public:
    using CPanexView::CPanexView;
    bool RefreshPane(bool selectChanged, QStringList* names) override {
        ++refreshes;
        ++fullRefreshes;
        return CPanexView::RefreshPane(selectChanged, names);
    }
    bool RefreshChanged(const std::vector<QString>& names) override {
        ++refreshes;
        ++namedRefreshes;
        return CPanexView::RefreshChanged(names);
    }
    int refreshes = 0;
    int fullRefreshes = 0;
    int namedRefreshes = 0;
};

// Makes `first` (active) and `second` (when given) the host's panes and
// reads their settings, as the frame does at start-up.
inline void AttachPanes(TestPaneHost& host, CPanexView& first, CPanexView* second = nullptr) {
    host.first = &first;
    host.active = &first;
    if (second)
        host.second = second;
    first.LoadSettings();
    if (second)
        second->LoadSettings();
}

// What both fixtures share: the run-wide state put back, and rows read and
// selected by their names.
class PaneFixtureBase : public RealShellTest {
protected:
    PaneFixtureBase() : m_general(General()) {}

    // The general settings and the visual filter as they were.
    void RestoreRunState() {
        MutableGeneral() = m_general;
        LastVisualFilter().clear();
        VisualFilterHistory().Clear();
    }

    static bool Open(CPanexView& pane, const QString& path) {
        return pane.OpenFolder(ParsePath(path));
    }
    static bool Open(CPanexView& pane, const QByteArray& path) {
        return pane.OpenFolder(ParsePath(NameFromBytes(path)));
    }
    // Opens a folder with its watch off, for tests that refresh by hand.
    static bool OpenUnwatched(CPanexView& pane, const TestDir& dir) {
        if (!Open(pane, dir.PathBytes()))
            return false;
        pane.Model()->SetWatchEnabled(false);
        return true;
    }
    static FolderItem* Item(const CPanexView& pane, const QString& name) {
        return pane.Model() ? pane.Model()->FindByName(name) : nullptr;
    }
    // The row of `name`, or -1.
    static int Row(const CPanexView& pane, const QString& name) {
        FolderItem* item = Item(pane, name);
        return item ? pane.List()->RowOf(item) : -1;
    }
    static bool IsSelected(const CPanexView& pane, const QString& name) {
        const int row = Row(pane, name);
        return row >= 0 && pane.List()->IsRowSelected(row);
    }
    // Selects exactly the rows of these names; false when one is missing.
    static bool Select(CPanexView& pane, const QStringList& names) {
        pane.List()->ClearSelection();
        for (const QString& name : names) {
            const int row = Row(pane, name);
            if (row < 0)
                return false;
            pane.List()->SelectRow(row, true);
        }
        return true;
    }
    // The names of the selected rows, sorted.
    static QStringList Selected(const CPanexView& pane) {
        QStringList names;
        for (const FolderItem* item : pane.List()->SelectedItems()) names.append(item->name);
        names.sort();
        return names;
    }
    // The name of the focused row, or empty.
    static QString Focused(const CPanexView& pane) {
        const int row = pane.List()->FocusedRow();
        return row >= 0 ? pane.List()->ItemAt(row)->name : QString();
    }

private:
    GeneralSettings m_general;
};

template <class Pane = CountingPane, class Host = TestPaneHost>
class TwoPaneTest : public PaneFixtureBase {
protected:
    void SetUp() override {
        left = std::make_unique<Pane>(host);
        right = std::make_unique<Pane>(host);
        AttachPanes(host, *left, right.get());
    }
    void TearDown() override {
        right.reset();
        left.reset();
        RestoreRunState();
    }

    CwdKeeper cwd;
    TestDir a;  // for the left pane's folder
    TestDir b;  // for the right pane's folder
    Host host;
    std::unique_ptr<Pane> left;
    std::unique_ptr<Pane> right;
};

template <class Pane = CountingPane, class Host = TestPaneHost>
class OnePaneTest : public PaneFixtureBase {
protected:
    void SetUp() override {
        pane = std::make_unique<Pane>(host);
        AttachPanes(host, *pane);
    }
    void TearDown() override {
        pane.reset();
        RestoreRunState();
    }

    using PaneFixtureBase::Open;
    using PaneFixtureBase::Row;
    // Opens `dir` in the pane with its watch off.
    bool Open(const TestDir& folder) { return OpenUnwatched(*pane, folder); }
    int RowOf(const QString& name) const { return Row(*pane, name); }
    QString FocusedName() const { return Focused(*pane); }

    CwdKeeper cwd;
    TestDir dir;  // for the pane's folder
    Host host;
    std::unique_ptr<Pane> pane;
};
