// "Program Options" over the real frame and panes with a temporary store:
// refusals keep the sheet open and change nothing, Ok applies what applies
// at once and leaves the rest to the next start, Cancel puts everything
// back, and what Ok changed is written at exit and read back next time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/CPaneSplitter.h"
#include "app/FrameFixture.h"
#include "app/OptionsDialog.h"
#include "pane/ListExtendedStyle.h"
#include "pane/PaneRowModel.h"
#include "platform/process/Launch.h"
#include "support/Wait.h"

namespace {

const QString kGeneralSection = GeneralSettings::kSection;

class OptionsDialogTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        CGeneralPDlg::SetProgramChooser(nullptr);
        ASSERT_TRUE(dir.MakeFile("left/.hidden-left", "h"));
        ASSERT_TRUE(dir.MakeFile("right/.hidden-right", "h"));
    }
    void TearDown() override {
        sheet.reset();
        CGeneralPDlg::SetProgramChooser(nullptr);
        FrameFixture::TearDown();
    }

    COptionsSheet& Open() {
        sheet = std::make_unique<COptionsSheet>(*frame, app->lastOptionsPage, frame);
        sheet->show();
        return *sheet;
    }
    /// Sets a field as typing would.
    static void Type(QLineEdit* field, const QString& text) {
        field->clear();
        field->insert(text);
    }
    QStringList Messages() const {
        QStringList texts;
        for (const PromptRecord& record : prompter->Requests()) texts.append(record.text);
        return texts;
    }
    static QStringList Listed(const CPanexView* pane) {
        QStringList names;
        for (int row = 0; row < pane->List()->RowCount(); ++row)
            names.append(pane->List()->ItemAt(row)->name);
        return names;
    }
    static QString DateTitle(const CPanexView* pane) {
        const PaneRowModel* model = pane->List()->Model();
        return model->headerData(model->DateColumn(), Qt::Horizontal, Qt::DisplayRole).toString();
    }

    std::unique_ptr<COptionsSheet> sheet;
};

TEST_F(OptionsDialogTest, OutOfRangeNumbersAndABlankEditorAreRefusedAndNothingIsSaved) {
    ASSERT_NE(Start(), nullptr);
    COptionsSheet& options = Open();
    CGeneralPDlg* general = options.GeneralPage();
    ASSERT_EQ(options.Pages()->currentWidget(), general);
    const GeneralSettings before = General();

    // 1 and 51 in the history length, and an empty field: each refused with
    // its message, the field focused, the sheet open, the other edits made
    // on the page not taken over.
    general->HiddenFilesBox()->setChecked(false);
    general->AutoReSortBox()->setChecked(true);
    for (const QString& entry : {QStringLiteral("1"), QStringLiteral("51"), QStringLiteral("")}) {
        prompter->Clear();
        Type(general->HistoryItemsField(), entry);
        options.accept();
        EXPECT_TRUE(options.isVisible()) << entry.toStdString();
        EXPECT_EQ(options.result(), 0) << entry.toStdString();
        ASSERT_EQ(prompter->Requests().size(), 1) << entry.toStdString();
        EXPECT_EQ(prompter->Requests()[0].text,
                  entry.isEmpty() ? OptionNotNumberMessage() : OptionRangeMessage(2, 50));
        EXPECT_EQ(prompter->Requests()[0].icon, PromptIcon::Warning);
        EXPECT_EQ(options.focusWidget(), general->HistoryItemsField());
        EXPECT_EQ(General().historyItems, before.historyItems);
        EXPECT_EQ(General().showHiddenFiles, before.showHiddenFiles);
        EXPECT_EQ(General().autoReSort, before.autoReSort);
    }
    // Leaving the page for Usability is refused the same way.
    Type(general->HistoryItemsField(), QStringLiteral("51"));
    prompter->Clear();
    options.Pages()->setCurrentIndex(1);
    EXPECT_EQ(options.Pages()->currentWidget(), general);
    EXPECT_EQ(Messages(), QStringList{OptionRangeMessage(2, 50)});

    // The bounds themselves pass; "&External" with a blank name does not.
    Type(general->HistoryItemsField(), QStringLiteral("50"));
    general->ExternalEditorButton()->setChecked(true);
    EXPECT_TRUE(general->EditorField()->isEnabled());
    EXPECT_TRUE(general->BrowseButton()->isEnabled());
    Type(general->EditorField(), QStringLiteral("   "));
    prompter->Clear();
    options.accept();
    EXPECT_TRUE(options.isVisible());
    EXPECT_EQ(Messages(), QStringList{kNoExternalEditor});
    EXPECT_EQ(options.focusWidget(), general->EditorField());

    // A List column width beyond 1000 keeps the sheet open on Usability,
    // even when Ok is pressed from General.
    general->InternalEditorButton()->setChecked(true);
    EXPECT_FALSE(general->EditorField()->isEnabled());
    EXPECT_FALSE(general->BrowseButton()->isEnabled());
    Type(options.UsabilityPage()->MaxColumnWidthField(), QStringLiteral("1001"));
    options.UsabilityPage()->FullRowBox()->setChecked(
        !options.UsabilityPage()->FullRowBox()->isChecked());
    const int styleBefore = frame->GetLeftPane()->List()->ExtendedStyle();
    prompter->Clear();
    options.accept();
    EXPECT_TRUE(options.isVisible());
    EXPECT_EQ(Messages(), QStringList{OptionRangeMessage(0, 1000)});
    EXPECT_EQ(options.Pages()->currentWidget(), options.UsabilityPage());
    EXPECT_EQ(options.focusWidget(), options.UsabilityPage()->MaxColumnWidthField());
    EXPECT_EQ(frame->GetLeftPane()->List()->ExtendedStyle(), styleBefore);

    // Given up with Cancel: the run's settings are as they were, and the
    // store gets them as they were.
    options.reject();
    EXPECT_EQ(General().historyItems, before.historyItems);
    EXPECT_EQ(General().showHiddenFiles, before.showHiddenFiles);
    EXPECT_EQ(General().autoReSort, before.autoReSort);
    EXPECT_EQ(General().useExternalEditor, before.useExternalEditor);
    EXPECT_TRUE(Listed(frame->GetLeftPane()).contains(QStringLiteral(".hidden-left")));
    sheet.reset();
    Stop();
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("nHistoryItems")).toInt(),
              before.historyItems);
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("bAutoReSort")).toInt(), 0);
    EXPECT_EQ(ReadStore(kLeftPaneSection, QStringLiteral("nMaxListColumnWidth")).toInt(), 0);
}

TEST_F(OptionsDialogTest, ChangedSettingsApplyAreSavedAtExitAndReadBackNextRun) {
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(DateTitle(frame->GetLeftPane()), DateColumnTitle(0));
    COptionsSheet& options = Open();
    CGeneralPDlg* general = options.GeneralPage();
    Type(general->HistoryItemsField(), QStringLiteral("30"));
    general->DateButton(2)->setChecked(true);
    general->AutoReSortBox()->setChecked(true);
    general->ExternalEditorButton()->setChecked(true);
    Type(general->EditorField(), QStringLiteral("  vi -R  "));
    Type(options.UsabilityPage()->MaxColumnWidthField(), QStringLiteral("30"));
    options.Pages()->setCurrentIndex(1);
    prompter->Clear();
    options.accept();
    EXPECT_FALSE(options.isVisible());
    EXPECT_TRUE(prompter->Requests().isEmpty()) << Messages().join(u'|').toStdString();

    EXPECT_EQ(General().historyItems, 30);
    EXPECT_EQ(General().fileDateUsed, 2);
    EXPECT_TRUE(General().autoReSort);
    EXPECT_TRUE(General().useExternalEditor);
    EXPECT_EQ(General().externalEditorName, QStringLiteral("vi -R"));
    // The date shown changes at once in both panes.
    EXPECT_EQ(DateTitle(frame->GetLeftPane()), DateColumnTitle(2));
    EXPECT_EQ(DateTitle(frame->GetRightPane()), DateColumnTitle(2));
    // 30 pixels is no maximum.
    EXPECT_EQ(frame->GetLeftPane()->maxListColumnWidth(), 0);
    EXPECT_EQ(app->lastOptionsPage, 1);

    // 50 is a maximum, in both panes.
    COptionsSheet& again = Open();
    EXPECT_EQ(again.Pages()->currentWidget(), again.UsabilityPage());
    EXPECT_EQ(again.GeneralPage()->HistoryItemsField()->text(), QStringLiteral("30"));
    Type(again.UsabilityPage()->MaxColumnWidthField(), QStringLiteral("50"));
    again.accept();
    EXPECT_EQ(frame->GetLeftPane()->maxListColumnWidth(), 50);
    EXPECT_EQ(frame->GetRightPane()->maxListColumnWidth(), 50);
    EXPECT_EQ(frame->GetRightPane()->List()->MaxListColumnWidth(), 50);
    sheet.reset();

    Stop();
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("nHistoryItems")).toInt(), 30);
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("eFileDateUzed")).toInt(), 2);
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("bUzeExternalEditor")).toInt(), 1);
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("szExternalEditorName")).toString(),
              QStringLiteral("vi -R"));
    EXPECT_EQ(ReadStore(kLeftPaneSection, QStringLiteral("nMaxListColumnWidth")).toInt(), 50);
    EXPECT_EQ(ReadStore(kRightPaneSection, QStringLiteral("nMaxListColumnWidth")).toInt(), 50);

    // The next run reads them back and the sheet shows them.
    MutableGeneral() = GeneralSettings();
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(General().historyItems, 30);
    EXPECT_EQ(DateTitle(frame->GetLeftPane()), DateColumnTitle(2));
    COptionsSheet& third = Open();
    EXPECT_EQ(third.Pages()->currentWidget(), third.GeneralPage());  // the page is not stored
    EXPECT_TRUE(third.GeneralPage()->DateButton(2)->isChecked());
    EXPECT_TRUE(third.GeneralPage()->ExternalEditorButton()->isChecked());
    EXPECT_EQ(third.GeneralPage()->EditorField()->text(), QStringLiteral("vi -R"));
    EXPECT_EQ(third.UsabilityPage()->MaxColumnWidthField()->text(), QStringLiteral("50"));
}

TEST_F(OptionsDialogTest, HiddenFilesOffByTheCommandStopsBothPanesListingThemAndOnBringsThemBack) {
    ASSERT_NE(Start(), nullptr);
    CPanexView* left = frame->GetLeftPane();
    CPanexView* right = frame->GetRightPane();
    ASSERT_TRUE(Listed(left).contains(QStringLiteral(".hidden-left")));
    ASSERT_TRUE(Listed(right).contains(QStringLiteral(".hidden-right")));

    // Through the menu's command, as the user opens it; the sheet is
    // answered once it shows.
    auto answerWith = [](bool showHidden) {
        QTimer::singleShot(0, [showHidden] {
            auto* shown = qobject_cast<COptionsSheet*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->windowTitle(), kOptionsTitle);
            EXPECT_EQ(shown->OkButton()->text(), QStringLiteral("Ok"));
            shown->GeneralPage()->HiddenFilesBox()->setChecked(showHidden);
            shown->OkButton()->click();
        });
    };
    EXPECT_TRUE(frame->Commands().Update(ID_VIEW_OPTIONS).enabled);
    answerWith(false);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_OPTIONS));
    EXPECT_FALSE(General().showHiddenFiles);
    auto hiddenGone = [&] {
        return !Listed(left).contains(QStringLiteral(".hidden-left")) &&
               !Listed(right).contains(QStringLiteral(".hidden-right"));
    };
    EXPECT_TRUE(WaitFor(hiddenGone, 5000));
    EXPECT_TRUE(Listed(left).contains(QStringLiteral("a1.txt")));
    EXPECT_TRUE(Listed(right).contains(QStringLiteral("b1.txt")));

    answerWith(true);
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_OPTIONS));
    EXPECT_TRUE(WaitFor(
        [&] {
            return Listed(left).contains(QStringLiteral(".hidden-left")) &&
                   Listed(right).contains(QStringLiteral(".hidden-right"));
        },
        5000));
    EXPECT_TRUE(prompter->Requests().isEmpty()) << Messages().join(u'|').toStdString();
}

TEST_F(OptionsDialogTest, CancelPutsTheGeneralSettingsBackAndLeavesBarsAndPanesAlone) {
    ASSERT_NE(Start(), nullptr);
    const GeneralSettings before = General();
    QToolButton* button = frame->ToolBar()->findChildren<QToolButton*>().value(0);
    ASSERT_NE(button, nullptr);
    const bool raisedBefore = button->autoRaise();
    const int treeBefore = frame->TreeOptions();

    COptionsSheet& options = Open();
    CGeneralPDlg* general = options.GeneralPage();
    general->FlatToolbarsBox()->setChecked(!before.flatToolbars);
    general->HiddenFilesBox()->setChecked(!before.showHiddenFiles);
    general->SaveSettingsBox()->setChecked(!before.saveSettings);
    Type(general->HistoryItemsField(), QStringLiteral("7"));
    // Visiting Usability writes the General page into the run's settings...
    options.Pages()->setCurrentIndex(1);
    ASSERT_EQ(options.Pages()->currentWidget(), options.UsabilityPage());
    EXPECT_EQ(General().historyItems, 7);
    options.UsabilityPage()->TreeSingleClickBox()->setChecked(
        !options.UsabilityPage()->TreeSingleClickBox()->isChecked());
    options.UsabilityPage()->HorizontalButton()->setChecked(true);
    // ...and Cancel takes them back.
    options.reject();
    EXPECT_EQ(General().flatToolbars, before.flatToolbars);
    EXPECT_EQ(General().showHiddenFiles, before.showHiddenFiles);
    EXPECT_EQ(General().saveSettings, before.saveSettings);
    EXPECT_EQ(General().historyItems, before.historyItems);
    EXPECT_EQ(button->autoRaise(), raisedBefore);
    EXPECT_EQ(frame->TreeOptions(), treeBefore);
    EXPECT_TRUE(frame->IsSideBySide());
    EXPECT_TRUE(prompter->Requests().isEmpty());
    // Cancel does not remember the page.
    EXPECT_EQ(app->lastOptionsPage, 0);

    // Ok with flat toolbars applies them at once.
    COptionsSheet& flat = Open();
    flat.GeneralPage()->FlatToolbarsBox()->setChecked(!before.flatToolbars);
    flat.accept();
    EXPECT_EQ(button->autoRaise(), !before.flatToolbars);
}

TEST_F(OptionsDialogTest, TilingWaitsForTheNextStartAndSaysSo) {
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(frame->Splitter()->IsSideBySide());

    // Ok without changes says nothing.
    Open().accept();
    EXPECT_TRUE(prompter->Requests().isEmpty());

    COptionsSheet& options = Open();
    EXPECT_TRUE(options.UsabilityPage()->VerticalButton()->isChecked());
    options.UsabilityPage()->HorizontalButton()->setChecked(true);
    options.accept();
    EXPECT_EQ(Messages(), QStringList{kNextStartMessage});
    EXPECT_FALSE(frame->IsSideBySide());
    EXPECT_TRUE(frame->Splitter()->IsSideBySide());  // the panes keep their places
    sheet.reset();

    // The volume bar's labels are announced the same way.
    prompter->Clear();
    COptionsSheet& labels = Open();
    EXPECT_TRUE(labels.UsabilityPage()->HorizontalButton()->isChecked());
    labels.GeneralPage()->DrivebarLettersBox()->setChecked(!General().drivebarLetters);
    labels.accept();
    EXPECT_EQ(Messages(), QStringList{kNextStartMessage});
    sheet.reset();

    Stop();
    EXPECT_EQ(ReadStore(kMainFrameSection, MainFrameKeys::kUpDownPanes).toInt(), 1);
    ASSERT_NE(Start(), nullptr);
    EXPECT_FALSE(frame->Splitter()->IsSideBySide());
}

TEST_F(OptionsDialogTest, OkRewritesOnlyItsOwnListAndTreeBits) {
    using namespace ListExtendedStyle;
    // A stored style with movable columns and label tips (neither on the
    // page) and grid lines; tree options with bit 4 and bit 1.
    WriteStore(kGeneralSection, QStringLiteral("lvsExtendedStyle"),
               kHeaderDragDrop | kLabelTip | kGridLines);
    WriteStore(kMainFrameSection, MainFrameKeys::kTreeOptions, 4 | 1);
    ASSERT_NE(Start(), nullptr);
    CPanexView* left = frame->GetLeftPane();
    CPanexView* right = frame->GetRightPane();

    COptionsSheet& options = Open();
    CUsabilityPDlg* page = options.UsabilityPage();
    EXPECT_TRUE(page->GridLinesBox()->isChecked());
    EXPECT_FALSE(page->SingleClickBox()->isChecked());
    EXPECT_TRUE(page->TreeSingleClickBox()->isChecked());
    EXPECT_FALSE(page->TreeFocusViewBox()->isChecked());
    page->GridLinesBox()->setChecked(false);
    page->SingleClickBox()->setChecked(true);
    page->InfoTipsBox()->setChecked(true);
    page->TreeSingleClickBox()->setChecked(false);
    page->TreeFocusViewBox()->setChecked(true);
    page->TreeHoverExpandBox()->setChecked(true);
    options.accept();

    const int expected =
        kHeaderDragDrop | kLabelTip | kOneClickActivate | 0x8 | kUnderlineHot | kInfoTip;
    EXPECT_EQ(left->List()->ExtendedStyle(), expected);
    EXPECT_EQ(right->List()->ExtendedStyle(), expected);
    EXPECT_EQ(General().listExtendedStyle, expected);
    EXPECT_EQ(frame->TreeOptions(), 4 | 8 | 2);
    sheet.reset();

    // Single click off again clears all three of its bits.
    COptionsSheet& again = Open();
    EXPECT_TRUE(again.UsabilityPage()->SingleClickBox()->isChecked());
    again.UsabilityPage()->SingleClickBox()->setChecked(false);
    again.accept();
    EXPECT_EQ(left->List()->ExtendedStyle(), kHeaderDragDrop | kLabelTip | kInfoTip);
    sheet.reset();

    Stop();
    EXPECT_EQ(ReadStore(kGeneralSection, QStringLiteral("lvsExtendedStyle")).toInt(),
              kHeaderDragDrop | kLabelTip | kInfoTip);
    EXPECT_EQ(ReadStore(kMainFrameSection, MainFrameKeys::kTreeOptions).toInt(), 4 | 8 | 2);
}

TEST_F(OptionsDialogTest, BrowseGivesAProgramPathTheCommandLineSplitsBack) {
    ASSERT_NE(Start(), nullptr);
    COptionsSheet& options = Open();
    CGeneralPDlg* general = options.GeneralPage();
    general->ExternalEditorButton()->setChecked(true);

    QString offered;
    CGeneralPDlg::SetProgramChooser([&](QWidget*) { return std::optional<QString>(offered); });
    offered = QStringLiteral("/usr/bin/vi");
    general->BrowseButton()->click();
    EXPECT_EQ(general->EditorField()->text(), offered);

    for (const QString& path : {QStringLiteral("/opt/My Editor/edit"),
                                QStringLiteral("/opt/odd \"quoted\" $HOME 100%/ed")}) {
        offered = path;
        general->BrowseButton()->click();
        const std::optional<QStringList> split = SplitCommandLine(general->EditorField()->text());
        ASSERT_TRUE(split.has_value()) << path.toStdString();
        EXPECT_EQ(*split, QStringList{path});
    }

    // Cancelling the chooser leaves the field alone.
    const QString kept = general->EditorField()->text();
    CGeneralPDlg::SetProgramChooser([](QWidget*) { return std::optional<QString>(); });
    general->BrowseButton()->click();
    EXPECT_EQ(general->EditorField()->text(), kept);
}

}  // namespace
