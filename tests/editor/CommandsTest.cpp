// The editor's commands beyond search: lines, indentation, the clipboard,
// bookmarks, the status panes, AutoText, and the window around the view.

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>

#include "EditorTestSupport.h"
#include "editor/AutoText.h"
#include "editor/CEditorFrame.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorDialogs.h"
#include "editor/EditorTextControl.h"

namespace {

CommandState StateOf(CEditorView& view, int id) {
    CommandState state;
    EXPECT_TRUE(view.OnUpdateCommand(id, state)) << id;
    return state;
}

}  // namespace

TEST_F(EditorTest, GotoLineAsksOnlyForTextsOfSeveralLines) {
    auto one = EditText("just one line");
    one->OnCommand(ID_EDITOR_GOTO_LINE);
    EXPECT_TRUE(prompter_->Requests().isEmpty());

    auto view = EditText("l1\nl2\nl3\nl4");
    // Out of range first: asked again with the range; then line 3.
    prompter_->AnswerInput(QStringLiteral("9")).AnswerInput(QStringLiteral("3"));
    view->OnCommand(ID_EDITOR_GOTO_LINE);
    ASSERT_EQ(prompter_->Requests().size(), 3);
    EXPECT_EQ(prompter_->Requests()[0].text, "Enter Line Number");
    EXPECT_EQ(prompter_->Requests()[0].initialText, "1");
    EXPECT_EQ(prompter_->Requests()[1].text, "Please enter an integer between 1 and 4.");
    EXPECT_EQ(view->SelectionStart(), 6);
    EXPECT_EQ(view->PositionText(), "Ln 3, Col 1");
}

TEST_F(EditorTest, IndentOutdentAndDeleteLine) {
    auto view = EditText("a\n  b\n\tc\nd");
    view->SetSelection(0, 7);  // lines 1 to 3
    view->Indent(false);
    EXPECT_EQ(view->Bytes(), "\ta\n\t  b\n\t\tc\nd");
    // The same offsets are selected again.
    EXPECT_EQ(view->SelectionStart(), 0);
    EXPECT_EQ(view->SelectionEnd(), 7);
    view->SetSelection(0, view->Length());
    view->Indent(true);
    EXPECT_EQ(view->Bytes(), "a\n  b\n\tc\nd");
    view->Indent(true);
    view->Indent(true);
    EXPECT_EQ(view->Bytes(), "a\nb\nc\nd");
    // Lines without leading blanks do not change.
    view->Indent(true);
    EXPECT_EQ(view->Bytes(), "a\nb\nc\nd");

    view->SetSelection(2, 2);
    view->DeleteLine();
    EXPECT_EQ(view->Bytes(), "a\nc\nd");
    view->SetSelection(5, 5);  // the last line, without a line end
    view->DeleteLine();
    EXPECT_EQ(view->Bytes(), "a\nc\n");
    // Undo brings lines back.
    view->OnCommand(ID_EDITOR_UNDO);
    EXPECT_EQ(view->Bytes(), "a\nc\nd");
}

TEST_F(EditorTest, CopyWithoutASelectionCopiesTheCaretsLine) {
    auto view = EditText("first\r\nsecond line\r\nthird");
    view->SetSelection(10, 10);
    view->Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "second line");
    EXPECT_EQ(view->SelectionStart(), 10);
    view->SetSelection(0, 3);
    view->Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "fir");
    // Paste puts plain text in; in view mode it is disabled.
    view->SetSelection(0, 0);
    view->OnCommand(ID_EDITOR_PASTE);
    EXPECT_TRUE(view->Bytes().startsWith("firfirst"));
    auto viewer = Open(File("v.txt", "x"), true);
    EXPECT_FALSE(StateOf(*viewer, ID_EDITOR_PASTE).enabled);
    EXPECT_FALSE(StateOf(*viewer, ID_EDITOR_CUT).enabled);
    EXPECT_TRUE(StateOf(*viewer, ID_EDITOR_COPY).enabled);
}

TEST_F(EditorTest, BookmarkOverwriteAndTheStatusPanes) {
    auto view = EditText("abc\ndefgh\n");
    view->SetSelection(7, 7);
    EXPECT_EQ(view->PositionText(), "Ln 2, Col 4");
    view->OnCommand(ID_EDITOR_SET_BOOKMARK);
    EXPECT_EQ(notices.last().text, "Bookmark set ok.");
    EXPECT_FALSE(notices.last().alert);
    view->SetSelection(0, 0);
    view->OnCommand(ID_EDITOR_GOTO_BOOKMARK);
    EXPECT_EQ(view->SelectionStart(), 7);

    EXPECT_EQ(view->OverwriteText(), "");
    view->OnCommand(ID_EDITOR_OVERWRITE);
    EXPECT_EQ(view->OverwriteText(), "OVR");
    EXPECT_TRUE(StateOf(*view, ID_EDITOR_OVERWRITE).checked);
    view->OnCommand(ID_EDITOR_OVERWRITE);
    EXPECT_EQ(view->OverwriteText(), "");

    // Columns count characters, not bytes.
    auto wide = EditText("\xC3\xA9\xC3\xA9x");
    wide->SetSelection(4, 4);
    EXPECT_EQ(wide->PositionText(), "Ln 1, Col 3");
}

TEST_F(EditorTest, AutoTextInsertsAndBacktracksAndIsOffInViewMode) {
    auto view = EditText("X");
    // No stored slots: the two defaults.
    EXPECT_EQ(AutoTextTable()[1].identifier, "Bold HTML");
    EXPECT_EQ(AutoTextTable()[2].identifier, "Link HTML");
    EXPECT_FALSE(StateOf(*view, ID_AUTOTEXT_FIRST + 0).enabled);
    const CommandState slot1 = StateOf(*view, ID_AUTOTEXT_FIRST + 1);
    EXPECT_TRUE(slot1.enabled);
    EXPECT_EQ(slot1.text, "&1: Bold HTML\tCtrl+1");

    view->SetSelection(0, 1);
    view->OnCommand(ID_AUTOTEXT_FIRST + 2);
    EXPECT_EQ(view->Bytes(), "<a HREF=\"\"></a>");
    // Between the two quotes of the HREF value.
    EXPECT_EQ(view->SelectionStart(), 9);
    EXPECT_EQ(view->SelectionEnd(), 9);
    // Undoable.
    view->OnCommand(ID_EDITOR_UNDO);
    EXPECT_EQ(view->Bytes(), "X");

    auto viewer = Open(File("v.txt", "x"), true);
    for (int id : {ID_AUTOTEXT_FIRST + 1, ID_AUTOTEXT_DEFINE, ID_AUTOTEXT_MNEMONICS})
        EXPECT_FALSE(StateOf(*viewer, id).enabled) << id;
    viewer->OnCommand(ID_AUTOTEXT_FIRST + 1);
    EXPECT_EQ(viewer->Bytes(), "x");
}

TEST_F(EditorTest, AutoTextSlotsAreReadCheckedAndWrittenBack) {
    Store().WriteProfileString("AutoText Settings\\03", "szIdentifier", "Sig");
    Store().WriteProfileString("AutoText Settings\\03", "szAutoText", "abc");
    Store().WriteProfileInt("AutoText Settings\\03", "nBackTrack", 9);
    Store().WriteProfileString("AutoText Settings\\04", "szAutoText", "no name, not read");
    EnsureEditorSettingsLoaded();
    EXPECT_EQ(AutoTextTable()[3].text, "abc");
    EXPECT_EQ(AutoTextTable()[3].backtrack, 0);  // beyond the text: 0
    EXPECT_TRUE(AutoTextTable()[4].text.isEmpty());
    // A stored slot means no defaults.
    EXPECT_TRUE(AutoTextTable()[1].IsEmpty());
    EXPECT_EQ(AutoTextDefineRow(3), "3. Sig");
    EXPECT_EQ(AutoTextDefineRow(1), "(empty)");
    EXPECT_EQ(AutoTextMnemonicRow(1), "   (empty)");

    QString name = "  Tag ";
    int backtrack = 50;
    EXPECT_FALSE(ValidateAutoText(name, "<i></i>", backtrack));
    EXPECT_EQ(name, "Tag");
    EXPECT_EQ(backtrack, 7);
    QString blank = "   ";
    EXPECT_EQ(ValidateAutoText(blank, "x", backtrack)->message,
              "An identifier is required for this block");
    QString named = "n";
    EXPECT_EQ(ValidateAutoText(named, "", backtrack)->message, "No body text was defined");

    // The edit dialog: a new slot starts with its number as name.
    AutoTextEditDialog dialog(5, nullptr);
    EXPECT_EQ(dialog.Name()->text(), "AutoText 5");

    ASSERT_TRUE(saver_);
    saver_(Store());
    EXPECT_EQ(Store().GetProfileString("AutoText Settings\\03", "szIdentifier"), "Sig");
    EXPECT_EQ(Store().GetProfileInt("AutoText Settings\\03", "nBackTrack", -1), 0);
}

TEST_F(EditorTest, TheFrameIsTitledAndClosesWithTheQuestionAboutChanges) {
    const QString path = File("report.txt", "line one\nline two\n");
    auto* frame = new CEditorFrame(false);
    QPointer<CEditorFrame> guard(frame);
    ASSERT_TRUE(frame->Open(path, nullptr));
    EXPECT_EQ(frame->windowTitle(), "report.txt @ " + m_dir.Path());
    frame->show();
    frame->View()->SetSelection(0, 0);
    frame->View()->ReplaceSelection("new ");
    frame->UpdateStatus();
    EXPECT_EQ(frame->ModifiedPane(), "*");
    EXPECT_EQ(frame->PositionPane(), "Ln 1, Col 5");

    // Esc is Exit; Cancel keeps the window and the text.
    prompter_->AnswerMessage(PromptAnswer::Cancel);
    ASSERT_TRUE(frame->Commands().Execute(ID_EDITOR_EXIT));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(prompter_->Requests().last().text, "Save changes to report.txt?");
    // Yes saves and closes.
    prompter_->AnswerMessage(PromptAnswer::Yes);
    frame->Commands().Execute(ID_EDITOR_EXIT);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "new line one\nline two\n");
}

TEST_F(EditorTest, TheFrameShowsNoticesAndTakesHalfTheMainWindowWhenNothingIsStored) {
    EditorHost host = GetEditorHost();
    host.mainWindowRect = [] { return QRect(100, 80, 800, 600); };
    SetEditorHost(host);
    const QString path = File("n.txt", QByteArray("a\x01", 2));
    CEditorFrame* frame = OpenEditorWindow(path, true);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->geometry().size(), QSize(400, 300));
    EXPECT_EQ(frame->MessageText(),
              "The file is probably non-text; a switch to hex-view is suggested.");
    ASSERT_FALSE(prompter_->Beeps().isEmpty());
    frame->close();

    // A file that cannot be read: a message and no window.
    EXPECT_EQ(OpenEditorWindow(m_dir.Path() + "/missing.txt", true), nullptr);
    ASSERT_FALSE(prompter_->Requests().isEmpty());
    EXPECT_TRUE(prompter_->Requests().last().text.startsWith("Cannot open the file"));
}

TEST_F(EditorTest, TheDefineDialogEditsASlotAndItsRow) {
    auto view = EditText("");
    const EditorDialogRunner previous = SetEditorDialogRunner([&](QDialog& dialog) {
        if (auto* define = qobject_cast<AutoTextDefineDialog*>(&dialog)) {
            EXPECT_EQ(define->Slots()->count(), 10);
            EXPECT_EQ(define->Slots()->item(1)->text(), "1. Bold HTML");
            define->Slots()->setCurrentRow(7);
            define->OnEdit();
            EXPECT_EQ(define->Slots()->item(7)->text(), "7. Italic");
            return true;
        }
        auto& edit = static_cast<AutoTextEditDialog&>(dialog);
        edit.Name()->setText("  Italic ");
        edit.Body()->setPlainText("<i></i>");
        edit.Backtrack()->setValue(40);
        edit.OnOk();
        return edit.result() == QDialog::Accepted;
    });
    view->OnCommand(ID_AUTOTEXT_DEFINE);
    SetEditorDialogRunner(previous);
    EXPECT_EQ(AutoTextTable()[7].identifier, "Italic");
    EXPECT_EQ(AutoTextTable()[7].backtrack, 7);
    view->OnCommand(ID_AUTOTEXT_FIRST + 7);
    EXPECT_EQ(view->Bytes(), "<i></i>");
    EXPECT_EQ(view->SelectionStart(), 0);
}
