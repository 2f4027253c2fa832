#pragma once
// What the transfer tests share: two panes over real temporary folders, the
// transfer commands over them, a scripted prompter, and helpers to select
// rows by name.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <memory>

#include "fileops/CPaneTransfer.h"
#include "pane/PaneTestSupport.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/ScriptedPrompter.h"
#include "shell/GeneralSettings.h"
#include "support/TestDir.h"

class TransferTest : public RealShellTest {
protected:
    void SetUp() override {
        m_general = General();
        left = std::make_unique<CountingPane>(host);
        right = std::make_unique<CountingPane>(host);
        host.first = left.get();
        host.second = right.get();
        host.active = left.get();
        left->LoadSettings();
        right->LoadSettings();
        transfer = std::make_unique<CPaneTransfer>(host);
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        transfer.reset();
        right.reset();
        left.reset();
        QGuiApplication::clipboard()->clear();
        MutableGeneral() = m_general;
        TargetFolderHistory().Clear();
    }

    static bool Open(CPanexView& pane, const QString& path) {
        return pane.OpenFolder(ParsePath(path));
    }

    static FolderItem* Item(CPanexView& pane, const QString& name) {
        return pane.Model() ? pane.Model()->FindByName(name) : nullptr;
    }
    static bool IsSelected(CPanexView& pane, const QString& name) {
        FolderItem* item = Item(pane, name);
        const int row = item ? pane.List()->RowOf(item) : -1;
        return row >= 0 && pane.List()->IsRowSelected(row);
    }
    // Selects exactly the rows of these names; false when one is missing.
    static bool Select(CPanexView& pane, const QStringList& names) {
        pane.List()->ClearSelection();
        for (const QString& name : names) {
            FolderItem* item = Item(pane, name);
            const int row = item ? pane.List()->RowOf(item) : -1;
            if (row < 0)
                return false;
            pane.List()->SelectRow(row, true);
        }
        return true;
    }
    bool Run(int id) { return transfer->OnCommand(id); }
    bool Enabled(int id) {
        CommandState state;
        return transfer->OnUpdateCommand(id, state) && state.enabled;
    }

    // Activation makes a pane's folder the current directory; it is put
    // back after the folders are gone.
    CwdKeeper cwd;
    TestDir a;  // the left pane's folder
    TestDir b;  // the right pane's folder
    TestPaneHost host;
    std::unique_ptr<CountingPane> left;
    std::unique_ptr<CountingPane> right;
    std::unique_ptr<CPaneTransfer> transfer;
    ScopedPrompter prompter;
    NoticeRecorder notices;

private:
    GeneralSettings m_general;
};
