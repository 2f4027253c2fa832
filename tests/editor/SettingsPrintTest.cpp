// The editor's settings (keys, clamps, font, colours, margins) and printing.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>

#include "EditorTestSupport.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorDialogs.h"
#include "editor/EditorTextControl.h"
#include "editor/QsciHeaders.h"
#include "shell/HistoryList.h"

TEST_F(EditorTest, NothingStoredGivesTheDefaults) {
    EnsureEditorSettingsLoaded();
    const EditorSettings& settings = EditorConfig();
    EXPECT_FALSE(settings.search.backwards);
    EXPECT_TRUE(settings.search.cyclic);
    EXPECT_TRUE(settings.wordWrap);
    EXPECT_FALSE(settings.autoFill);
    EXPECT_EQ(settings.tabWidth, 3);
    EXPECT_EQ(settings.foreColor, -1);
    EXPECT_EQ(settings.backColor, -1);
    EXPECT_EQ(settings.margins, (std::array<int, 4>{310, 310, 310, 310}));
    // The fixed-pitch system font at 10 points.
    EXPECT_EQ(settings.charFormat.height, 200);
    const QFont font = settings.charFormat.ToFont();
    EXPECT_EQ(font.pointSizeF(), 10.0);
    EXPECT_EQ(QFontInfo(font).family(),
              QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family());
    auto view = EditText("x");
    EXPECT_EQ(view->Text()->tabWidth(), 3);

    // The character format is written back only once it has a height.
    ASSERT_TRUE(saver_);
    EditorConfig().charFormat.height = 0;
    saver_(Store());
    EXPECT_FALSE(Store().HasEntry(kEditorCharFormatSection, "nHeight"));
    EXPECT_EQ(Store().GetProfileInt(kEditorSection, "bCyclicSearch", -1), 1);
}

TEST_F(EditorTest, StoredTabWidthsKeepTheirLowFiveBits) {
    EXPECT_EQ(TabWidthFromStored(35), 3);
    EXPECT_EQ(TabWidthFromStored(32), 3);
    EXPECT_EQ(TabWidthFromStored(0), 3);
    EXPECT_EQ(TabWidthFromStored(31), 31);
    EXPECT_EQ(TabWidthFromStored(8), 8);
    Store().WriteProfileInt(kEditorSection, "bTabWidth", 37);
    EnsureEditorSettingsLoaded();
    EXPECT_EQ(EditorConfig().tabWidth, 5);

    auto view = EditText("x");
    prompter_->AnswerInput(QStringLiteral("33")).AnswerInput(QStringLiteral("8"));
    view->OnCommand(ID_EDITOR_TAB_WIDTH);
    EXPECT_EQ(prompter_->Requests()[0].text, "Enter new Tab Width");
    EXPECT_EQ(prompter_->Requests()[0].initialText, "5");
    EXPECT_EQ(EditorConfig().tabWidth, 8);
    EXPECT_EQ(view->Text()->tabWidth(), 8);
}

TEST_F(EditorTest, ColoursDependOnTheModeAndTheOverride) {
    const QColor menu = QApplication::palette("QMenu").color(QPalette::Window);
    const QColor base = QApplication::palette().color(QPalette::Base);
    auto viewer = Open(File("v.txt", "x"), true);
    auto editor = EditText("y");
    EXPECT_EQ(viewer->SchemeColors().second, menu);
    EXPECT_EQ(editor->SchemeColors().second, base);
    EXPECT_EQ(viewer->Text()->paper(), menu);

    EditorConfig().backColor = 0x0000FF;  // red, as 0x00BBGGRR
    EXPECT_EQ(editor->SchemeColors().second, QColor(255, 0, 0));
    EXPECT_EQ(viewer->SchemeColors().second, menu);
    EditorConfig().overrideROColors = true;
    EXPECT_EQ(viewer->SchemeColors().second, QColor(255, 0, 0));
}

TEST_F(EditorTest, TheColourDialogRefusesTwoEqualColoursButAllowsAutoTwice) {
    EditorConfig().foreColor = 0x008000;
    ColorSchemeDialog dialog(true, nullptr);
    EXPECT_EQ(dialog.Foreground()->count(), 17);
    EXPECT_EQ(ColorSchemeDialog::ValueOf(dialog.Foreground()->currentIndex()), 0x008000);
    EXPECT_EQ(dialog.Background()->currentIndex(), 0);  // Auto

    dialog.Foreground()->setCurrentIndex(5);
    dialog.Background()->setCurrentIndex(5);
    dialog.OnOk();
    EXPECT_EQ(prompter_->Requests().last().text, "The two colors should not be the same");
    EXPECT_EQ(EditorConfig().foreColor, 0x008000);
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.Foreground()->setCurrentIndex(0);
    dialog.Background()->setCurrentIndex(0);
    dialog.OverrideReadOnly()->setChecked(true);
    dialog.OnOk();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(EditorConfig().foreColor, -1);
    EXPECT_EQ(EditorConfig().backColor, -1);
    EXPECT_TRUE(EditorConfig().overrideROColors);
}

TEST(MarginTest, TwipsAndHundredthsOfMillimetres) {
    EXPECT_EQ(TwipsToHundredthsMm(310), 546);
    EXPECT_EQ(HundredthsMmToTwips(546), 309);
    EXPECT_EQ(TwipsToHundredthsMm(1440), 2540);
    EXPECT_EQ(HundredthsMmToTwips(2540), 1440);
}

TEST_F(EditorTest, APrintedPageReadsBackFromPdf) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(pdftotext.isEmpty()) << "pdftotext (poppler-utils) is needed";
    QByteArray text;
    for (int i = 1; i <= 120; ++i)
        text += "Line number " + QByteArray::number(i) + " of the printout\n";
    auto view = EditText(text);
    const QString pdf = m_dir.Path() + "/out.pdf";
    QsciPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(view->Print(printer));

    QProcess process;
    process.start(pdftotext, {"-layout", pdf, "-"});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(out.contains("Line number 1 of the printout"));
    EXPECT_TRUE(out.contains("Line number 120 of the printout"));
    // 120 lines do not fit on one page: the pages are separated by form feeds.
    EXPECT_GE(out.count(QChar('\f')), 2);
}

namespace {

// The containing-text scan saves "Grep Settings" and "Grep Find History"
// before the editor does: the editor must not undo what the scan stored
// with its own older copy, only add what it changed.
TEST_F(EditorTest, TheEditorAddsToTheScansSearchSettingsWithoutUndoingThem) {
    Store().WriteProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bMatchCase"), 0);
    EnsureEditorSettingsLoaded();
    RememberFindText(QStringLiteral("from the editor"));

    // Meanwhile the scan turned match case on and searched for a text.
    Store().WriteProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bMatchCase"), 1);
    HistoryList scans;
    scans.Add(15, QStringLiteral("from the scan"));
    scans.Save(15, Store(), QStringLiteral("Grep Find History"));

    ASSERT_TRUE(saver_);
    saver_(Store());
    EXPECT_EQ(
        Store().GetProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bMatchCase"), -1),
        1);
    HistoryList joined;
    joined.Load(15, Store(), QStringLiteral("Grep Find History"));
    EXPECT_EQ(joined.entries(),
              (QStringList{QStringLiteral("from the editor"), QStringLiteral("from the scan")}));

    // An option the editor changed is written.
    EditorConfig().search.wholeWords = true;
    saver_(Store());
    EXPECT_EQ(
        Store().GetProfileInt(QStringLiteral("Grep Settings"), QStringLiteral("bWordsOnly"), -1),
        1);
}

}  // namespace
