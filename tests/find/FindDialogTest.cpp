// The criteria dialog as a user drives it, and the command that opens it:
// the enabling check boxes, "Scan all drives", the messages with their
// focus, the histories, and the settings written only after a dialog was
// built.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "find/CFindFiles.h"
#include "find/FindCriteria.h"
#include "find/FindFilesDialog.h"
#include "pane/PaneTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "tools/TextScan.h"

namespace {

class FindDialogTest : public RealShellTest {
protected:
    void SetUp() override {
        m_general = General();
        RunFindCriteria() = FindCriteria{};
        RunFindCriteria().until = QDate::currentDate();
        RunFindCriteria().loaded = true;
    }
    void TearDown() override {
        MutableGeneral() = m_general;
        RunFindCriteria() = FindCriteria{};
        FindLookInHistory().Clear();
        GrepFindHistory().Clear();
        GrepTypesHistory().Clear();
        GrepOptions() = {};
    }

    CwdKeeper cwd;
    TestDir dir;
    ScopedPrompter prompter;

private:
    GeneralSettings m_general;
};

}  // namespace

TEST_F(FindDialogTest, EachCheckBoxEnablesItsOwnControlsOnly) {
    MutableGeneral().fileDateUsed = 2;
    FindFilesDialog dialog(dir.Path());
    EXPECT_EQ(dialog.DateGroup()->title(), QStringLiteral("Date Accessed"));
    EXPECT_FALSE(dialog.UseDatesCheck()->isChecked());
    EXPECT_FALSE(dialog.FromEdit()->isEnabledTo(&dialog));
    EXPECT_FALSE(dialog.KiloBytesSpin()->isEnabledTo(&dialog));
    EXPECT_FALSE(dialog.FindWhatCombo()->isEnabledTo(&dialog));

    dialog.UseSizeCheck()->setChecked(true);
    EXPECT_TRUE(dialog.KiloBytesSpin()->isEnabledTo(&dialog));
    EXPECT_TRUE(dialog.SizeKindCombo()->isEnabledTo(&dialog));
    EXPECT_FALSE(dialog.FromEdit()->isEnabledTo(&dialog));
    EXPECT_FALSE(dialog.MatchCaseCheck()->isEnabledTo(&dialog));

    dialog.UseDatesCheck()->setChecked(true);
    EXPECT_TRUE(dialog.FromEdit()->isEnabledTo(&dialog));
    EXPECT_TRUE(dialog.UntilEdit()->isEnabledTo(&dialog));
    EXPECT_TRUE(dialog.PreviousRadio()->isEnabledTo(&dialog));
    EXPECT_TRUE(dialog.CountSpin()->isEnabledTo(&dialog));

    dialog.UseTextCheck()->setChecked(true);
    dialog.UseSizeCheck()->setChecked(false);
    EXPECT_TRUE(dialog.FindWhatCombo()->isEnabledTo(&dialog));
    EXPECT_TRUE(dialog.BinaryCheck()->isEnabledTo(&dialog));
    EXPECT_FALSE(dialog.KiloBytesSpin()->isEnabledTo(&dialog));
    // The look-in controls never depend on them.
    EXPECT_TRUE(dialog.LookInCombo()->isEnabledTo(&dialog));
}

TEST_F(FindDialogTest, ScanAllDrivesReplacesTheLookInTextAndGivesItBack) {
    FindFilesDialog dialog(dir.Path());
    EXPECT_EQ(dialog.LookInCombo()->currentText(), dir.Path());
    dialog.LookInCombo()->setEditText(QStringLiteral("/typed/meanwhile"));
    dialog.ScanAllCheck()->setChecked(true);
    EXPECT_EQ(dialog.LookInCombo()->currentText(), AllLocalVolumesText());
    dialog.ScanAllCheck()->setChecked(false);
    EXPECT_EQ(dialog.LookInCombo()->currentText(), dir.Path());
}

TEST_F(FindDialogTest, AFailedFindShowsItsMessageAndFocusesTheControl) {
    FindFilesDialog dialog(dir.Path());
    dialog.show();
    dialog.NamedCombo()->setEditText(QStringLiteral("*"));
    EXPECT_FALSE(dialog.Validate());
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests().front().text, FindTexts::kUnconstrained);
    EXPECT_EQ(prompter->Requests().front().icon, PromptIcon::Warning);
    EXPECT_TRUE(dialog.NamedCombo()->hasFocus() || QApplication::focusWidget() == nullptr ||
                dialog.NamedCombo()->isAncestorOf(QApplication::focusWidget()));

    dialog.UseDatesCheck()->setChecked(true);
    dialog.FromEdit()->setText(QStringLiteral("nonsense"));
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(prompter->Requests().last().text, FindTexts::kDateFormat.arg(FindDateFormat()));
    EXPECT_EQ(prompter->Requests().last().icon, PromptIcon::None);
    EXPECT_TRUE(FindLookInHistory().isEmpty());
}

TEST_F(FindDialogTest, ASuccessfulFindFillsTheHistoriesAndTheSharedOptions) {
    FindFilesDialog dialog(dir.Path() + QStringLiteral(" , "));
    dialog.NamedCombo()->setEditText(QStringLiteral("  *.txt "));
    dialog.UseTextCheck()->setChecked(true);
    dialog.FindWhatCombo()->setEditText(QStringLiteral("needle"));
    dialog.MatchCaseCheck()->setChecked(true);
    ASSERT_TRUE(dialog.Validate()) << prompter->Describe().toStdString();
    EXPECT_EQ(dialog.Checked().folders, QStringList({dir.Path()}));
    EXPECT_EQ(dialog.LookInCombo()->currentText(), dir.Path());
    EXPECT_EQ(FindLookInHistory().First(), dir.Path());
    EXPECT_EQ(GrepTypesHistory().First(), QStringLiteral("*.txt"));
    EXPECT_EQ(GrepFindHistory().First(), QStringLiteral("needle"));
    EXPECT_TRUE(GrepOptions().matchCase);
    // A second dialog shows what the first left.
    FindFilesDialog second(dir.Path());
    EXPECT_TRUE(second.MatchCaseCheck()->isChecked());
    EXPECT_EQ(second.NamedCombo()->count(), 1);
}

TEST_F(FindDialogTest, TheCommandOpensAWindowAndTheSettingsAreSavedOnlyOnceADialogWasBuilt) {
    ASSERT_TRUE(dir.MakeFile("sub/wanted.txt"));
    RunFindCriteria() = FindCriteria{};
    TestPaneHost host;
    CountingPane pane(host);
    AttachPanes(host, pane);
    ASSERT_TRUE(pane.OpenFolder(ParsePath(dir.Path())));
    host.store.WriteProfileInt(kFindSettingsSection, FindKeys::kPrevUnits, 7);
    CFindFiles find(host);
    int registered = 0;
    std::function<void(ProfileStore&)> saver;
    find.SetSaverRegistrar([&](std::function<void(ProfileStore&)> s) {
        ++registered;
        saver = std::move(s);
    });
    bool accept = false;
    find.SetDialogRunner([&](QDialog& dialog) {
        auto& findDialog = static_cast<FindFilesDialog&>(dialog);
        EXPECT_EQ(findDialog.LookInCombo()->currentText(), dir.Path());
        EXPECT_EQ(findDialog.UnitsCombo()->currentIndex(), int(kPrevHours));
        findDialog.NamedCombo()->setEditText(QStringLiteral("wanted"));
        return accept && findDialog.Validate();
    });
    EXPECT_EQ(registered, 0);
    EXPECT_TRUE(find.OnCommand(ID_FIND_FILES));  // cancelled
    EXPECT_EQ(registered, 1);
    EXPECT_TRUE(find.Windows().isEmpty());

    accept = true;
    FindResultsWindow* window = find.FindFiles();
    ASSERT_TRUE(window);
    EXPECT_EQ(registered, 1);
    ASSERT_TRUE(WaitFor([&] { return !window->IsRunning(); }));
    ASSERT_EQ(window->Count(), 1);
    EXPECT_EQ(window->RowPath(0), dir.Path() + QStringLiteral("/sub/wanted.txt"));
    EXPECT_EQ(find.Windows().size(), 1);

    RunFindCriteria().kiloBytes = 321;
    saver(host.store);
    EXPECT_EQ(host.store.GetProfileInt(kFindSettingsSection, FindKeys::kKiloBytes, 0), 321);
    EXPECT_EQ(host.store.GetProfileInt(kFindSettingsSection, FindKeys::kPrevUnits, -1), 0);
    HistoryList lookIn;
    lookIn.Load(General().historyItems, host.store, kFindLookInHistorySection);
    EXPECT_EQ(lookIn.First(), dir.Path());
    find.CloseAll();
    EXPECT_TRUE(WaitFor([&] { return find.Windows().isEmpty(); }));
}
