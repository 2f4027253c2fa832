// Selection by pattern, by extension, inversion and the selection
// clipboard, run as commands on real folders.

#include <QCheckBox>

#include "tools/SelectPatternDialog.h"
#include "tools/ToolsTestSupport.h"

namespace {

class SelectionTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        for (const char* name : {"a.c", "b.c", "test1.c", "test2.c", "x.h", "README"})
            ASSERT_TRUE(a.MakeFile(name, "x"));
        ASSERT_TRUE(a.MakeFolder("dir.c"));
        ASSERT_TRUE(Open(*left, a.Path()));
    }
    // The pattern dialog answered with `pattern` and its options as they
    // are.
    void AnswerPattern(const QString& pattern) {
        dialogAnswer = [pattern](QDialog& dialog) {
            auto* select = qobject_cast<SelectPatternDialog*>(&dialog);
            if (!select)
                return false;
            select->SetPattern(pattern);
            return select->Validate();
        };
    }
};

TEST_F(SelectionTest, PatternWithAnExclusionAndTheFolderOption) {
    AnswerPattern("  *.c, -test*  ");
    ASSERT_TRUE(Run(ID_MARK_SELECT_GROUP));
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Selected(*left), QStringList({"a.c", "b.c"})) << "dir.c is a folder";
    EXPECT_EQ(SelectionPatternHistory().First(), "*.c, -test*") << "trimmed, to the front";
    EXPECT_EQ(SelectionPatternHistory().entries().last(), "*.*") << "the seed of an empty history";
    EXPECT_TRUE(Focused(*left) == "a.c" || Focused(*left) == "b.c");

    MutableGeneral().selectIncFolders = true;
    MutableGeneral().selectAddOnTop = false;
    {
        // Ctrl: the newest pattern at once, no dialog.
        ScopedKeyState ctrl(Qt::ControlModifier);
        Run(ID_MARK_SELECT_GROUP);
    }
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Selected(*left), QStringList({"a.c", "b.c", "dir.c"}));

    AnswerPattern("b*");
    Run(ID_MARK_UNSELECT_GROUP);
    EXPECT_EQ(Selected(*left), QStringList({"a.c", "dir.c"}));
}

TEST_F(SelectionTest, EmptyPatternKeepsTheDialogAndNothingMatchingIsReported) {
    SelectPatternDialog dialog(true, false);
    dialog.SetPattern("   ");
    EXPECT_FALSE(dialog.Validate());
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, "Pattern should not be empty");

    AnswerPattern("*.none");
    Run(ID_MARK_SELECT_GROUP);
    EXPECT_TRUE(notices.Has("No items match the specified pattern", true));
    AnswerPattern(" , ");
    Run(ID_MARK_SELECT_GROUP);
    EXPECT_TRUE(notices.Has("The specified pattern is invalid", true));
}

TEST_F(SelectionTest, WithinCurrentSelectionKeepsOnlySelectedMatches) {
    ASSERT_TRUE(Select(*left, {"a.c", "x.h", "test1.c"}));
    dialogAnswer = [](QDialog& dialog) {
        auto* select = qobject_cast<SelectPatternDialog*>(&dialog);
        EXPECT_TRUE(select->WithinSelection()->isEnabled()) << "a select with a selection";
        select->WithinSelection()->setChecked(true);
        EXPECT_FALSE(select->AddToSelection()->isChecked()) << "the two exclude each other";
        select->SetPattern("*.c");
        return select->Validate();
    };
    Run(ID_MARK_SELECT_GROUP);
    EXPECT_EQ(Selected(*left), QStringList({"a.c", "test1.c"}));
    EXPECT_TRUE(WithinSelectionOnly());

    // Unselecting never offers the two options.
    SelectPatternDialog unselect(false, true);
    EXPECT_FALSE(unselect.WithinSelection()->isEnabled());
    EXPECT_FALSE(unselect.AddToSelection()->isEnabled());
}

TEST_F(SelectionTest, SelectWithoutAddingReplacesTheSelection) {
    MutableGeneral().selectAddOnTop = false;
    ASSERT_TRUE(Select(*left, {"x.h"}));
    AnswerPattern("a*");
    Run(ID_MARK_SELECT_GROUP);
    EXPECT_EQ(Selected(*left), QStringList({"a.c"}));
    MutableGeneral().selectAddOnTop = true;
    ASSERT_TRUE(Select(*left, {"x.h"}));
    {
        ScopedKeyState ctrl(Qt::ControlModifier);
        Run(ID_MARK_SELECT_GROUP);
    }
    EXPECT_EQ(Selected(*left), QStringList({"a.c", "x.h"}));
}

TEST_F(SelectionTest, SameExtensionOfADoubleExtension) {
    ASSERT_TRUE(a.MakeFile("archive.tar.gz", "x"));
    ASSERT_TRUE(a.MakeFile("bigz", "x"));
    ASSERT_TRUE(a.MakeFile("other.txt", "x"));
    ASSERT_TRUE(left->RefreshPane(false, nullptr));
    left->List()->SetFocusedRow(Row(*left, "archive.tar.gz"), true);
    ASSERT_TRUE(Enabled(ID_SELECT_SAME_EXT));
    Run(ID_SELECT_SAME_EXT);
    EXPECT_EQ(SelectionPatternHistory().First(), "*gz");
    EXPECT_EQ(Selected(*left), QStringList({"archive.tar.gz", "bigz"}));

    left->List()->SetFocusedRow(Row(*left, "README"), false);
    Run(ID_UNSELECT_SAME_EXT);
    EXPECT_TRUE(notices.Has("The focused item has no extension", true));
    EXPECT_EQ(Selected(*left), QStringList({"archive.tar.gz", "bigz"}));
}

TEST_F(SelectionTest, InvertAllAndFolders) {
    ASSERT_TRUE(Select(*left, {"a.c", "dir.c"}));
    Run(ID_MARK_INVERT);
    EXPECT_EQ(Selected(*left), QStringList({"README", "b.c", "dir.c", "test1.c", "test2.c", "x.h"}))
        << "the folder keeps its selection";
    Run(ID_UNSELECT_FOLDERS);
    EXPECT_EQ(Selected(*left), QStringList({"README", "b.c", "test1.c", "test2.c", "x.h"}));
    Run(ID_MARK_UNSELECT_ALL);
    EXPECT_TRUE(Selected(*left).isEmpty());
    Run(ID_SELECT_FOLDERS);
    EXPECT_EQ(Selected(*left), QStringList({"dir.c"}));
    Run(ID_MARK_SELECT_ALL);
    EXPECT_EQ(Selected(*left).size(), 7);
}

TEST_F(SelectionTest, TheSelectionClipboardWorksAcrossPanes) {
    for (const char* name : {"a.c", "A.C", "x.h", "other"}) ASSERT_TRUE(b.MakeFile(name, "y"));
    ASSERT_TRUE(Open(*right, b.Path()));
    EXPECT_FALSE(Enabled(ID_SELECTION_SELECT)) << "nothing stored yet";
    ASSERT_TRUE(Select(*left, {"a.c", "x.h", "README"}));
    Run(ID_SELECTION_STORE);
    EXPECT_TRUE(notices.Has("Current selection stored", false));
    QStringList stored = SelectionClipboard();
    stored.sort();
    EXPECT_EQ(stored, QStringList({"README", "a.c", "x.h"})) << "names only";

    host.active = right.get();
    ASSERT_TRUE(Select(*right, {"other"}));
    ASSERT_TRUE(Enabled(ID_SELECTION_SELECT));
    Run(ID_SELECTION_SELECT);
    EXPECT_EQ(Selected(*right), QStringList({"a.c", "other", "x.h"}))
        << "names compare exactly (A.C stays), the selection is added to";
    Run(ID_SELECTION_UNSELECT);
    EXPECT_EQ(Selected(*right), QStringList({"other"}));

    MutableGeneral().selectAddOnTop = false;
    Run(ID_SELECTION_SELECT);
    EXPECT_EQ(Selected(*right), QStringList({"a.c", "x.h"}));

    SelectionClipboard() = QStringList({"nowhere"});
    Run(ID_SELECTION_SELECT);
    EXPECT_TRUE(notices.Has("No matching items in the selection clipboard", true));
}

}  // namespace
