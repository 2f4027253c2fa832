#pragma once
// What the pane tool tests share: the two-pane fixture with the tools'
// commands over it, a scripted prompter and a notice recorder.

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

class ToolsTest : public TwoPaneTest<> {
protected:
    void SetUp() override {
        TwoPaneTest::SetUp();
        tools = std::make_unique<CPaneTools>(host);
        tools->SetDialogRunner([this](QDialog& dialog) {
            ++dialogs;
            return dialogAnswer ? dialogAnswer(dialog) : false;
        });
    }
    void TearDown() override {
        tools.reset();
        SelectionPatternHistory().Clear();
        GrepFindHistory().Clear();
        GrepTypesHistory().Clear();
        GrepOptions() = {};
        BatchTemplateHistory().Clear();
        SelectionClipboard().clear();
        SetWithinSelectionOnly(false);
        TwoPaneTest::TearDown();
    }

    bool Run(int id) { return tools->OnCommand(id); }
    bool Enabled(int id) {
        CommandState state;
        return tools->OnUpdateCommand(id, state) && state.enabled;
    }

    std::unique_ptr<CPaneTools> tools;
    ScopedPrompter prompter;
    NoticeRecorder notices;
    // Answers the dialogs the tools open (false: cancelled).
    std::function<bool(QDialog&)> dialogAnswer;
    int dialogs = 0;
};
