#pragma once
// What the pane tool tests share: two panes over real temporary folders,
// the tools' commands over them, a scripted prompter, a notice recorder and
// helpers to select and read rows by name.

#include <gtest/gtest.h>

#include <QDialog>
#include <QStringList>
#include <algorithm>
#include <memory>

#include "pane/PaneTestSupport.h"
#include "platform/ui/KeyState.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/ShellContext.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "tools/BatchDialogs.h"
#include "tools/CPaneTools.h"
#include "tools/PaneSelection.h"
#include "tools/TextScan.h"

class ToolsTest : public RealShellTest {
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
        tools = std::make_unique<CPaneTools>(host);
        tools->SetDialogRunner([this](QDialog& dialog) {
            ++dialogs;
            return dialogAnswer ? dialogAnswer(dialog) : false;
        });
    }
    void TearDown() override {
        tools.reset();
        right.reset();
        left.reset();
        MutableGeneral() = m_general;
        SelectionPatternHistory().Clear();
        GrepFindHistory().Clear();
        GrepTypesHistory().Clear();
        GrepOptions() = {};
        BatchTemplateHistory().Clear();
        SelectionClipboard().clear();
        SetWithinSelectionOnly(false);
    }

    static bool Open(CPanexView& pane, const QString& path) {
        return pane.OpenFolder(ParsePath(path));
    }
    static FolderItem* Item(CPanexView& pane, const QString& name) {
        return pane.Model() ? pane.Model()->FindByName(name) : nullptr;
    }
    static int Row(CPanexView& pane, const QString& name) {
        FolderItem* item = Item(pane, name);
        return item ? pane.List()->RowOf(item) : -1;
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
    static QStringList Selected(CPanexView& pane) {
        QStringList names;
        for (const FolderItem* item : pane.List()->SelectedItems()) names.append(item->name);
        names.sort();
        return names;
    }
    static QString Focused(CPanexView& pane) {
        const int row = pane.List()->FocusedRow();
        return row >= 0 ? pane.List()->ItemAt(row)->name : QString();
    }
    bool Run(int id) { return tools->OnCommand(id); }
    bool Enabled(int id) {
        CommandState state;
        return tools->OnUpdateCommand(id, state) && state.enabled;
    }

    CwdKeeper cwd;
    TestDir a;  // the left pane's folder
    TestDir b;  // the right pane's folder
    TestPaneHost host;
    std::unique_ptr<CountingPane> left;
    std::unique_ptr<CountingPane> right;
    std::unique_ptr<CPaneTools> tools;
    ScopedPrompter prompter;
    NoticeRecorder notices;
    // Answers the dialogs the tools open (false: cancelled).
    std::function<bool(QDialog&)> dialogAnswer;
    int dialogs = 0;

private:
    GeneralSettings m_general;
};
