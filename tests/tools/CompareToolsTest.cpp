// Comparing the panes by name, size and date (F9, Ctrl+F9) and by contents
// (Alt+F9); scrolling the focused row to the top.

#include <fcntl.h>
#include <sys/stat.h>

#include <QTreeView>

#include "tools/ContentCompare.h"
#include "tools/PaneCompare.h"
#include "tools/ToolsTestSupport.h"

namespace {

constexpr std::int64_t kBase = 1700000000;  // a time in seconds

bool SetFolderTime(const TestDir& dir, const QByteArray& name, std::int64_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, dir.Join(name).constData(), times, 0) == 0;
}

class CompareTest : public ToolsTest {
protected:
    void OpenBoth() {
        ASSERT_TRUE(Open(*left, a.Path()));
        ASSERT_TRUE(Open(*right, b.Path()));
    }
};

TEST_F(CompareTest, DatesWithinTwoSecondsAreEqualTenSecondsNewerIsSelected) {
    ASSERT_TRUE(a.MakeFile("close.txt", "same", kBase + 2));
    ASSERT_TRUE(b.MakeFile("close.txt", "same", kBase));
    ASSERT_TRUE(a.MakeFile("newer.txt", "left", kBase + 10));
    ASSERT_TRUE(b.MakeFile("newer.txt", "right", kBase));
    ASSERT_TRUE(a.MakeFile("onlyleft", "x", kBase));
    ASSERT_TRUE(b.MakeFile("onlyright", "x", kBase));
    ASSERT_TRUE(a.MakeFile("Case", "x", kBase));
    ASSERT_TRUE(b.MakeFile("case", "x", kBase));
    OpenBoth();
    ASSERT_TRUE(Enabled(ID_MARK_SYNC_PANES));

    Run(ID_MARK_SYNC_PANES);
    EXPECT_EQ(Selected(*left), QStringList({"Case", "newer.txt", "onlyleft"}))
        << "names differing in case are different files";
    EXPECT_EQ(Selected(*right), QStringList({"case", "onlyright"}));
    EXPECT_TRUE(notices.Has("Differing items identified and selected for further action.", false));

    Run(ID_MARK_LOCATE_IDENTICAL);
    EXPECT_EQ(Selected(*left), QStringList({"close.txt"}))
        << "newer.txt has an equal size but a later date";
    EXPECT_EQ(Selected(*right), QStringList({"close.txt"}));
    EXPECT_TRUE(notices.Has("Identical items identified and selected for further action.", false));
    EXPECT_TRUE(prompter->Requests().isEmpty());
}

TEST_F(CompareTest, NothingToSelectGivesTheStatusTexts) {
    ASSERT_TRUE(a.MakeFile("f", "abc", kBase));
    ASSERT_TRUE(b.MakeFile("f", "abcd", kBase));
    OpenBoth();
    Run(ID_MARK_SYNC_PANES);
    EXPECT_TRUE(notices.Has("The contents of the two folders seem identical", false));
    Run(ID_MARK_LOCATE_IDENTICAL);
    EXPECT_TRUE(notices.Has("No common items shared between the folders", false))
        << "same date but sizes differ";
}

TEST_F(CompareTest, TheFolderRule) {
    ASSERT_TRUE(a.MakeFolder("sub"));
    ASSERT_TRUE(b.MakeFolder("sub"));
    ASSERT_TRUE(SetFolderTime(a, "sub", kBase + 100));
    ASSERT_TRUE(SetFolderTime(b, "sub", kBase));
    ASSERT_TRUE(a.MakeFolder("onlyfolder"));
    OpenBoth();
    Run(ID_MARK_SYNC_PANES);
    EXPECT_TRUE(Selected(*left).isEmpty()) << "zero-size folders stay unselected";
    MutableGeneral().selectIncFolders = true;
    Run(ID_MARK_SYNC_PANES);
    EXPECT_EQ(Selected(*left), QStringList({"onlyfolder", "sub"}));
    EXPECT_TRUE(Selected(*right).isEmpty());
}

TEST_F(CompareTest, AFolderAgainstAFileOfTheSameName) {
    MutableGeneral().selectIncFolders = true;
    ASSERT_TRUE(a.MakeFolder("thing"));
    ASSERT_TRUE(b.MakeFile("thing", "x", kBase + 1000));
    OpenBoth();
    Run(ID_MARK_SYNC_PANES);
    EXPECT_EQ(Selected(*left), QStringList({"thing"})) << "the folder side counts as later";
    EXPECT_TRUE(Selected(*right).isEmpty()) << "the file side counts as earlier";
}

TEST_F(CompareTest, TheTwoQuestions) {
    ASSERT_TRUE(a.MakeFile("x.txt", "x", kBase + 10));
    ASSERT_TRUE(b.MakeFile("x.txt", "x", kBase));
    OpenBoth();
    ASSERT_TRUE(left->SetFilter("*.txt"));
    left->ReapplyFilter();
    prompter->AnswerMessage(PromptAnswer::No);
    Run(ID_MARK_SYNC_PANES);
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(prompter->Requests()[0].text.startsWith("The two panes have different visual"));
    EXPECT_TRUE(Selected(*left).isEmpty()) << "No ends the command";

    MutableGeneral().fileDateUsed = kTimeCreated;
    prompter->AnswerMessage(PromptAnswer::Yes).AnswerMessage(PromptAnswer::Yes);
    Run(ID_MARK_SYNC_PANES);
    ASSERT_EQ(prompter->Requests().size(), 3);
    EXPECT_TRUE(prompter->Requests()[2].text.startsWith("The file dates shown are NOT"));
    EXPECT_TRUE(prompter->AllAnswered());
}

TEST(CompareTimes, ToleranceRules) {
    const FileTime t = FileTime(133000000000000000ULL);
    const FileTime second = 10000000;
    EXPECT_EQ(CompareTimesWithTolerance(t + 2 * second, t, false, false), 0);
    EXPECT_EQ(CompareTimesWithTolerance(t + 3 * second, t, false, false), 1);
    EXPECT_EQ(CompareTimesWithTolerance(t, t + 3 * second, false, false), -1);
    // Two times a second apart across a boundary of the low 32 bits.
    const FileTime boundary = (t | 0xFFFFFFFFULL) + 1;
    EXPECT_EQ(CompareTimesWithTolerance(boundary + second / 2, boundary - second / 2, false, false),
              0);
    // Archives: the file-system side may be up to 58 seconds newer, never
    // older.
    EXPECT_EQ(CompareTimesWithTolerance(t + 58 * second, t, false, true), 0);
    EXPECT_EQ(CompareTimesWithTolerance(t + 59 * second, t, false, true), 1);
    EXPECT_EQ(CompareTimesWithTolerance(t, t + 58 * second, true, false), 0);
    EXPECT_EQ(CompareTimesWithTolerance(t, t + 30 * second, false, true), -1)
        << "a file older than its archived twin";
    EXPECT_EQ(CompareTimesWithTolerance(t + 30 * second, t, true, true), 1)
        << "both archives: no slack";
}

TEST_F(CompareTest, ContentsDifferingInTheLastByteAndUnreadableFiles) {
    QByteArray contents(100000, 'z');
    ASSERT_TRUE(a.MakeFile("same", contents));
    ASSERT_TRUE(b.MakeFile("same", contents));
    QByteArray last = contents;
    last[last.size() - 1] = 'y';
    ASSERT_TRUE(a.MakeFile("lastbyte", contents));
    ASSERT_TRUE(b.MakeFile("lastbyte", last));
    ASSERT_TRUE(a.MakeFile("sizes", "abc"));
    ASSERT_TRUE(b.MakeFile("sizes", "abcd"));
    ASSERT_TRUE(a.MakeFile("empty", ""));
    ASSERT_TRUE(b.MakeFile("empty", ""));
    ASSERT_TRUE(a.MakeFile("lonely", "x"));
    ASSERT_TRUE(a.MakeFile("locked", "abc"));
    ASSERT_TRUE(b.MakeFile("locked", "abd"));
    ASSERT_TRUE(b.SetMode("locked", 0));
    OpenBoth();
    ASSERT_TRUE(Select(*left, {"same", "empty"}));
    ASSERT_TRUE(Enabled(ID_MARK_SYNC_CONTENT));
    {
        ScopedNoDacOverride noOverride;
        Run(ID_MARK_SYNC_CONTENT);
    }
    EXPECT_EQ(Selected(*left), QStringList({"lastbyte", "locked", "lonely", "sizes"}))
        << "a pair that could not be read is never taken for identical";
    EXPECT_TRUE(notices.Has("Read error comparing locked", true));
    EXPECT_TRUE(notices.Has("Differing items identified and selected for further action.", true));
    EXPECT_TRUE(Selected(*right).isEmpty()) << "only the active pane";
}

TEST_F(CompareTest, ContentsOfTheSameFolderAreNotCompared) {
    ASSERT_TRUE(a.MakeFile("f", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, a.Path()));
    ASSERT_TRUE(Select(*left, {"f"}));
    notices.entries.clear();
    Run(ID_MARK_SYNC_CONTENT);
    EXPECT_EQ(Selected(*left), QStringList({"f"}));
    EXPECT_TRUE(notices.entries.empty());
    EXPECT_FALSE(Enabled(ID_MARK_SYNC_PANES)) << "the same folder in both panes";
}

TEST_F(CompareTest, AllIdenticalContents) {
    ASSERT_TRUE(a.MakeFile("f", "same"));
    ASSERT_TRUE(b.MakeFile("f", "same"));
    OpenBoth();
    Run(ID_MARK_SYNC_CONTENT);
    EXPECT_TRUE(
        notices.Has("All files are identical with matching files in the other pane.", true));
}

TEST_F(CompareTest, AnUnreadablePairIsSelectedAndNeverReportedIdentical) {
    ASSERT_TRUE(a.MakeFile("same", "same"));
    ASSERT_TRUE(b.MakeFile("same", "same"));
    ASSERT_TRUE(a.MakeFile("locked", "abc"));
    ASSERT_TRUE(b.MakeFile("locked", "abc"));
    ASSERT_TRUE(a.SetMode("locked", 0));
    OpenBoth();
    {
        ScopedNoDacOverride noOverride;
        Run(ID_MARK_SYNC_CONTENT);
    }
    EXPECT_EQ(Selected(*left), QStringList({"locked"}));
    EXPECT_TRUE(notices.Has("Read error comparing locked", true));
    EXPECT_FALSE(
        notices.Has("All files are identical with matching files in the other pane.", true))
        << "one pair was not read at all";
    EXPECT_TRUE(notices.Has("Differing items identified and selected for further action.", true));
}

TEST(ContentCompare, FilesThatChangedLengthSinceListingDiffer) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a", QByteArray(70000, 'q')));
    ASSERT_TRUE(dir.MakeFile("b", QByteArray(70000, 'q')));
    ContentBuffers buffers;
    EXPECT_EQ(CompareFileContents(dir.Join("a"), dir.Join("b"), 70000, buffers),
              ContentResult::kEqual);
    // Listed longer than the files are (they shrank): the loop ends.
    EXPECT_EQ(CompareFileContents(dir.Join("a"), dir.Join("b"), 90000, buffers),
              ContentResult::kDiffer);
    // Listed shorter (they grew).
    EXPECT_EQ(CompareFileContents(dir.Join("a"), dir.Join("b"), 50000, buffers),
              ContentResult::kDiffer);
    EXPECT_EQ(CompareFileContents(dir.Join("a"), dir.Join("missing"), 70000, buffers),
              ContentResult::kOpenError);
    int polls = 0;
    EXPECT_EQ(CompareFileContents(dir.Join("a"), dir.Join("b"), 70000, buffers,
                                  [&] { return ++polls == 1; }),
              ContentResult::kAborted);
}

TEST_F(CompareTest, ScrollToTopInDetailsView) {
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(a.MakeFile(QByteArray::number(1000 + i), "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    left->resize(400, 300);
    left->show();
    EXPECT_FALSE(Enabled(ID_SCROLL_TO_TOP) && left->List()->ViewStyle() != ID_VIEW_DETAILS);
    left->List()->SetViewStyle(ID_VIEW_DETAILS);
    ASSERT_TRUE(Enabled(ID_SCROLL_TO_TOP));
    const int row = Row(*left, "1050");
    left->List()->SetFocusedRow(row, false);
    Run(ID_SCROLL_TO_TOP);
    QTreeView* tree = left->List()->TreeView();
    EXPECT_EQ(tree->indexAt(QPoint(5, 2)).row(), row);
}

TEST_F(CompareTest, SyncScrollingKeepsTheSameNameAtTheSameHeight) {
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(a.MakeFile(QByteArray::number(1000 + i), "x"));
        ASSERT_TRUE(b.MakeFile(QByteArray::number(1000 + i), "x"));
    }
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(b.MakeFile("extra" + QByteArray::number(i), "x"));
    OpenBoth();
    bool sideBySide = true;
    tools->SetSideBySideQuery([&] { return sideBySide; });
    tools->AttachPanes(*left, *right);
    for (CPanexView* pane : {left.get(), right.get()}) {
        pane->resize(400, 300);
        pane->show();
        pane->List()->SetViewStyle(ID_VIEW_DETAILS);
    }
    auto top = [](CPanexView& pane, const QString& name) {
        return pane.List()
            ->TreeView()
            ->visualRect(pane.List()->Model()->index(Row(pane, name), 0))
            .top();
    };
    Run(ID_SYNC_SCROLLING);
    EXPECT_TRUE(notices.Has("Synchronized pane scrolling ON", true));
    left->List()->SetFocusedRow(Row(*left, "1060"), false);
    const int height =
        left->List()->TreeView()->visualRect(left->List()->Model()->index(0, 0)).height();
    EXPECT_NEAR(top(*right, "1060"), top(*left, "1060"), height / 2);
    EXPECT_GE(top(*right, "1060"), 0) << "the match is in view";

    // Stacked panes do not follow.
    sideBySide = false;
    const int before = top(*right, "1020");
    left->List()->SetFocusedRow(Row(*left, "1020"), false);
    EXPECT_EQ(top(*right, "1020"), before);

    Run(ID_SYNC_SCROLLING);
    EXPECT_TRUE(notices.Has("Synchronized pane scrolling OFF", true));
}

}  // namespace
