// Find, find with wrap-around, replace and brace matching.

#include <QCheckBox>
#include <QComboBox>

#include "EditorTestSupport.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorDialogs.h"
#include "editor/EditorTextControl.h"
#include "editor/ReplaceSession.h"
#include "editor/TextSearch.h"

TEST(FindForwardTest, CaseWholeWordsAndRange) {
    const QByteArray text = "Cat concat cat. CAT_x cat";
    EXPECT_EQ(FindForward(text, "cat", 0, text.size(), {false, false}), 0);
    EXPECT_EQ(FindForward(text, "cat", 0, text.size(), {true, false}), 7);
    EXPECT_EQ(FindForward(text, "cat", 1, text.size(), {false, true}), 11);
    // "CAT_x": '_' is part of the word.
    EXPECT_EQ(FindForward(text, "cat", 12, text.size(), {false, true}), 22);
    // The match must lie wholly in the range.
    EXPECT_EQ(FindForward(text, "cat", 22, 24, {false, false}), std::nullopt);
    EXPECT_EQ(FindForward(text, "", 0, text.size(), {false, false}), std::nullopt);
    // Non-letters and bytes beyond ASCII compare exactly without match case.
    EXPECT_EQ(FindForward("a\xC3\xA9 \xC3\x89", "\xC3\x89", 0, 6, {false, false}), 4);
}

TEST(FindLastTest, BackwardSearchForALongTextUsesWindowsOfTwiceItsLength) {
    const QByteArray needle(2000, 'x');
    QByteArray text(20000, '.');
    text.replace(1000, 2000, needle);
    text.replace(9000, 2000, needle);
    text.replace(15000, 2000, needle);
    QList<qint64> widths;
    const ForwardFind find = [&](qint64 from, qint64 to) {
        widths.append(to - from);
        // Overlapping matches exist inside a run of x's; the last one starts
        // at 15000 since the run ends at 17000.
        return FindForward(text, needle, from, to, {true, false});
    };
    EXPECT_EQ(FindLast(find, needle.size(), 0, text.size()), 15000);
    ASSERT_GE(widths.size(), 2);
    // After the first search over the whole range, every window is 4000 wide.
    for (qsizetype i = 1; i < widths.size(); ++i) EXPECT_LE(widths[i], 4000) << i;
    // The hit in the middle when the range ends before the last one.
    EXPECT_EQ(FindLast(find, needle.size(), 0, 12000), 9000);
    EXPECT_EQ(FindLast(find, needle.size(), 0, 2999), std::nullopt);
    // Short texts: the last of several close occurrences.
    const QByteArray small = "ab ab ab";
    const ForwardFind smallFind = [&](qint64 from, qint64 to) {
        return FindForward(small, "ab", from, to, {true, false});
    };
    EXPECT_EQ(FindLast(smallFind, 2, 0, small.size()), 6);
}

TEST_F(EditorTest, FindWrapsRoundTheFileBothWaysWithItsNotices) {
    auto view = EditText("one two one three");
    // Forwards from after the last "one": wraps to the first.
    view->SetSelection(12, 12);
    ASSERT_TRUE(view->FindText("one"));
    EXPECT_EQ(view->SelectionStart(), 0);
    EXPECT_EQ(view->SelectionEnd(), 3);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "Cursor warped round the file");
    EXPECT_TRUE(notices[0].alert);

    // Repeat find with the match selected moves on to the next one.
    notices.clear();
    ASSERT_TRUE(view->FindText("one"));
    EXPECT_EQ(view->SelectionStart(), 8);
    EXPECT_TRUE(notices.isEmpty());

    // Backwards from the start wraps to the last.
    EditorConfig().search.backwards = true;
    view->SetSelection(0, 0);
    ASSERT_TRUE(view->FindText("one"));
    EXPECT_EQ(view->SelectionStart(), 8);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "Cursor warped round the file");
    // And on backwards to the one before.
    ASSERT_TRUE(view->FindText("one"));
    EXPECT_EQ(view->SelectionStart(), 0);

    // Without cyclic search nothing wraps.
    notices.clear();
    EditorConfig().search.cyclic = false;
    EXPECT_FALSE(view->FindText("one"));
    EXPECT_EQ(view->SelectionStart(), 0);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].text, "The specified text cannot be located.");
    EXPECT_TRUE(notices[0].alert);
}

TEST_F(EditorTest, FindHonoursWholeWordsAndCaseAndRepeatFindUsesTheHistory) {
    auto view = EditText("concat Cat cat");
    EditorConfig().search.wholeWords = true;
    ASSERT_TRUE(view->FindText("cat"));
    EXPECT_EQ(view->SelectionStart(), 7);
    EditorConfig().search.matchCase = true;
    ASSERT_TRUE(view->FindText("cat"));
    EXPECT_EQ(view->SelectionStart(), 11);

    CommandState state;
    view->OnUpdateCommand(ID_EDITOR_REPEAT_FIND, state);
    EXPECT_FALSE(state.enabled);
    // Find selection puts the selected text first in the history.
    view->SetSelection(7, 10);
    EditorConfig().search.matchCase = false;
    EditorConfig().search.wholeWords = false;
    view->OnCommand(ID_EDITOR_FIND_SELECTION);
    EXPECT_EQ(EditorFindHistory().First(), "Cat");
    EXPECT_EQ(view->SelectionStart(), 11);
    view->OnUpdateCommand(ID_EDITOR_REPEAT_FIND, state);
    EXPECT_TRUE(state.enabled);
    view->OnCommand(ID_EDITOR_REPEAT_FIND);
    EXPECT_EQ(view->SelectionStart(), 3);  // "cat" inside "concat", wrapped
}

TEST_F(EditorTest, ReplaceAllCountsEveryReplacementIncludingASelectedMatch) {
    auto view = EditText("a cat, a cat and a cat");
    view->SetSelection(2, 5);  // the first "cat", selected
    ReplaceSession session(*view);
    EXPECT_FALSE(session.RangeMode());
    EXPECT_EQ(session.InitialFindText(), "cat");
    session.SetTexts("cat", "dog");
    EXPECT_EQ(session.ReplaceAll(), 3);
    EXPECT_EQ(view->Bytes(), "a dog, a dog and a dog");
    ASSERT_EQ(prompter_->Requests().size(), 1);
    EXPECT_EQ(prompter_->Requests()[0].text, "3 occurrences have been replaced.");
    EXPECT_EQ(prompter_->Requests()[0].icon, PromptIcon::Information);
    EXPECT_TRUE(EditorConfig().search.cyclic);  // put back afterwards
    EXPECT_EQ(ReplaceTextHistory().First(), "dog");

    // One replacement: the singular; none: no message.
    auto single = EditText("only one here");
    ReplaceSession one(*single);
    one.SetTexts("one", "two");
    EXPECT_EQ(one.ReplaceAll(), 1);
    EXPECT_EQ(prompter_->Requests().last().text, "1 occurrence has been replaced.");
    const qsizetype asked = prompter_->Requests().size();
    ReplaceSession none(*single);
    none.SetTexts("absent", "x");
    EXPECT_EQ(none.ReplaceAll(), 0);
    EXPECT_EQ(prompter_->Requests().size(), asked);

    // A replacement that contains the text does not loop.
    auto grow = EditText("a a");
    ReplaceSession growing(*grow);
    growing.SetTexts("a", "aa");
    EXPECT_EQ(growing.ReplaceAll(), 2);
    EXPECT_EQ(grow->Bytes(), "aa aa");
}

TEST_F(EditorTest, ReplaceAllCoversTheWholeTextWhereverTheCaretIs) {
    // The caret at the end, after every occurrence; cyclic search off, so a
    // search from the caret alone would find nothing.
    auto view = EditText("cat and cat\nconcat, CAT\nend cat");
    EditorConfig().search.cyclic = false;
    view->SetSelection(view->Length(), view->Length());
    ReplaceSession atEnd(*view);
    atEnd.SetTexts("cat", "dog");
    EXPECT_EQ(atEnd.ReplaceAll(), 5);
    EXPECT_EQ(view->Bytes(), "dog and dog\ncondog, dog\nend dog");
    EXPECT_EQ(prompter_->Requests().last().text, "5 occurrences have been replaced.");
    EXPECT_FALSE(EditorConfig().search.cyclic);

    // Whole words and match case hold over the whole text as well; the
    // caret in the middle, backwards on.
    auto words = EditText("Cat cat concat cat_x cat");
    EditorConfig().search.matchCase = true;
    EditorConfig().search.wholeWords = true;
    EditorConfig().search.backwards = true;
    words->SetSelection(10, 10);
    ReplaceSession whole(*words);
    whole.SetTexts("cat", "cow");
    EXPECT_EQ(whole.ReplaceAll(), 2);
    EXPECT_EQ(words->Bytes(), "Cat cow concat cat_x cow");
}

TEST_F(EditorTest, ReplaceAllIsOneUndoStepAndKeepsTheEditsBeforeIt) {
    auto view = EditText("one two one\nthree one");
    // An edit of the user's before the replacement.
    view->SetSelection(0, 0);
    view->ReplaceSelection("zero ", true);
    ASSERT_EQ(view->Bytes(), "zero one two one\nthree one");
    view->SetSelection(view->Length(), view->Length());
    ReplaceSession session(*view);
    session.SetTexts("one", "1");
    ASSERT_EQ(session.ReplaceAll(), 3);
    ASSERT_EQ(view->Bytes(), "zero 1 two 1\nthree 1");
    EXPECT_TRUE(view->IsModified());

    // Undo once: every replacement is taken back at once.
    ASSERT_TRUE(view->OnCommand(ID_EDITOR_UNDO));
    EXPECT_EQ(view->Bytes(), "zero one two one\nthree one");
    // The user's edit is still there to undo.
    CommandState state;
    ASSERT_TRUE(view->OnUpdateCommand(ID_EDITOR_UNDO, state));
    EXPECT_TRUE(state.enabled);
    ASSERT_TRUE(view->OnCommand(ID_EDITOR_UNDO));
    EXPECT_EQ(view->Bytes(), "one two one\nthree one");
}

TEST_F(EditorTest, ReplaceAllInTheSelectionOnlyLeavesTheRestAndUndoesAtOnce) {
    auto view = EditText("x x\nx x\nx x\nx x");
    view->SetSelection(4, 11);  // "x x\nx x": the second and third lines
    ReplaceSession session(*view);
    ASSERT_TRUE(session.RangeMode());
    session.SetSelectionOnly(true);
    // Wherever the caret went since, the range is what is replaced.
    view->SetSelection(view->Length(), view->Length());
    session.SetTexts("x", "yz");
    EXPECT_EQ(session.ReplaceAll(), 4);
    EXPECT_EQ(view->Bytes(), "x x\nyz yz\nyz yz\nx x");
    EXPECT_EQ(prompter_->Requests().last().text, "4 occurrences have been replaced.");
    session.Close();
    EXPECT_EQ(view->SelectedBytes(), "yz yz\nyz yz");
    ASSERT_TRUE(view->OnCommand(ID_EDITOR_UNDO));
    EXPECT_EQ(view->Bytes(), "x x\nx x\nx x\nx x");
}

TEST_F(EditorTest, ReplaceInASelectionOfSeveralLinesStaysInsideIt) {
    auto view = EditText("x\nx x\nx\nx");
    view->SetSelection(2, 7);  // "x x\nx"
    ReplaceSession session(*view);
    ASSERT_TRUE(session.RangeMode());
    session.SetSelectionOnly(true);
    EXPECT_FALSE(session.BackwardsAllowed());
    session.SetTexts("x", "yy");
    EXPECT_EQ(session.ReplaceAll(), 3);
    EXPECT_EQ(view->Bytes(), "x\nyy yy\nyy\nx");
    session.Close();
    // The range grew with its replacements and is selected again.
    EXPECT_EQ(view->SelectedBytes(), "yy yy\nyy");

    // An empty find text is refused.
    ReplaceSession empty(*view);
    empty.SetTexts("", "z");
    EXPECT_FALSE(empty.FindNext());
    EXPECT_EQ(prompter_->Requests().last().text, "Search string should not be empty");
    EXPECT_EQ(prompter_->Requests().last().icon, PromptIcon::Warning);
}

TEST_F(EditorTest, ReplaceWithoutAHitDisablesTheButtonsUntilTheTextChanges) {
    auto view = EditText("abc");
    ReplaceSession session(*view);
    session.SetTexts("zzz", "y");
    EXPECT_FALSE(session.FindNext());
    EXPECT_FALSE(session.ButtonsEnabled());
    session.SetTexts("b", "y");
    EXPECT_TRUE(session.ButtonsEnabled());
    EXPECT_TRUE(session.Replace());  // finds "b" (nothing was selected to replace)
    EXPECT_EQ(view->Bytes(), "abc");
    session.Replace();
    EXPECT_EQ(view->Bytes(), "ayc");
}

TEST(MatchBraceTest, NestedUnbalancedAndBackwards) {
    const QByteArray text = "f((a) + [b]) )";
    // The first of two nested opening parentheses: the outer closing one.
    BraceMatch match = MatchBrace(text, 1, 2);
    EXPECT_EQ(match.result, BraceMatch::Result::Found);
    EXPECT_EQ(match.partner, 11);
    EXPECT_EQ(MatchBrace(text, 2, 3).partner, 4);
    // A closing brace searches backwards.
    EXPECT_EQ(MatchBrace(text, 11, 12).partner, 1);
    EXPECT_EQ(MatchBrace(text, 10, 11).partner, 8);
    // Blanks around the brace are trimmed; anything else is no brace.
    EXPECT_EQ(MatchBrace(" ( x)", 0, 2).partner, 4);
    EXPECT_EQ(MatchBrace(text, 0, 1).result, BraceMatch::Result::NotABrace);
    EXPECT_EQ(MatchBrace(text, 1, 3).result, BraceMatch::Result::NotABrace);
    // An opening brace without a partner.
    EXPECT_EQ(MatchBrace("((x)", 0, 1).result, BraceMatch::Result::Unbalanced);
    EXPECT_EQ(MatchBrace(text, 13, 14).result, BraceMatch::Result::Unbalanced);
}

TEST_F(EditorTest, MatchBraceSelectsThePartnerOrTellsWhy) {
    auto view = EditText("{ a { b } c }");
    view->SetSelection(0, 1);
    view->MatchBrace(false);
    EXPECT_EQ(view->SelectionStart(), 12);
    EXPECT_EQ(view->SelectionEnd(), 13);
    // With Shift the selection runs from the first brace to its partner.
    view->SetSelection(4, 5);
    view->MatchBrace(true);
    EXPECT_EQ(view->SelectedBytes(), "{ b }");

    view->SetSelection(2, 3);
    view->MatchBrace(false);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_EQ(notices.last().text, "No single brace character is selected.");
    auto open = EditText("{ {");
    open->SetSelection(0, 1);
    open->MatchBrace(false);
    EXPECT_EQ(notices.last().text, "The matching brace cannot be found (unbalanced ?)");
    EXPECT_TRUE(notices.last().alert);
    EXPECT_EQ(open->SelectionStart(), 0);
}

TEST_F(EditorTest, TheFindDialogRefusesAnEmptyTextAndKeepsItsOptions) {
    auto view = EditText("alpha beta Beta");
    view->SetSelection(6, 10);
    QString initial;
    const EditorDialogRunner previous = SetEditorDialogRunner([&](QDialog& dialog) {
        auto& find = static_cast<FindDialog&>(dialog);
        initial = find.FindWhat()->currentText();
        find.FindWhat()->setEditText(QString());
        find.OnFindNext();
        EXPECT_NE(find.result(), QDialog::Accepted);
        find.FindWhat()->setEditText("beta");
        find.MatchCase()->setChecked(true);
        find.OnFindNext();
        return find.result() == QDialog::Accepted;
    });
    view->OnCommand(ID_EDITOR_FIND);
    SetEditorDialogRunner(previous);
    EXPECT_EQ(initial, "beta");
    ASSERT_FALSE(prompter_->Requests().isEmpty());
    EXPECT_EQ(prompter_->Requests()[0].text, "Search string should not be empty");
    EXPECT_TRUE(EditorConfig().search.matchCase);
    EXPECT_EQ(EditorFindHistory().First(), "beta");
    // The selected "beta" is passed over, and with match case "Beta" is not
    // it: the wrapped search ends before the selection, so nothing is found.
    EXPECT_EQ(view->SelectionStart(), 6);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_EQ(notices.last().text, "The specified text cannot be located.");
}
