// The selection's kept totals (count and bytes) against a walk of the
// selected items, across the changes a pane goes through; and the status
// line asked again and again without a change walks the selection no more.

#include <gtest/gtest.h>

#include "PaneTestSupport.h"
#include "pane/PaneStatusLine.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "support/TestDir.h"

namespace {

class SelectionTotalsTest : public OnePaneTest<> {
protected:
    void SetUp() override {
        MutableGeneral().plainBytesFormat = true;
        OnePaneTest::SetUp();
        pane->List()->SetSortKey(ID_SORT_NAME);
    }

    // What a walk of the selected items gives.
    PaneListCtrl::SelectionTotals Walked() const {
        PaneListCtrl::SelectionTotals totals;
        for (const FolderItem* item : pane->List()->SelectedItems()) {
            ++totals.count;
            totals.bytes += item->size;
        }
        return totals;
    }

    void ExpectTotals(int count, std::uint64_t bytes, const char* step) {
        const PaneListCtrl::SelectionTotals kept = pane->List()->SelectedTotals();
        const PaneListCtrl::SelectionTotals walked = Walked();
        EXPECT_EQ(kept.count, walked.count) << step;
        EXPECT_EQ(kept.bytes, walked.bytes) << step;
        EXPECT_EQ(kept.count, count) << step;
        EXPECT_EQ(kept.bytes, bytes) << step;
    }

    int Row(const char* name) { return RowOf(QString::fromUtf8(name)); }
};

TEST_F(SelectionTotalsTest, TotalsFollowSelectRemoveRefreshAndSort) {
    ASSERT_TRUE(dir.MakeFile("a.txt", QByteArray(1000, 'a')));
    ASSERT_TRUE(dir.MakeFile("b.txt", QByteArray(2000, 'b')));
    ASSERT_TRUE(dir.MakeFile("c.txt", QByteArray(30, 'c')));
    ASSERT_TRUE(dir.MakeFile("d.txt", QByteArray(4, 'd')));
    ASSERT_TRUE(pane->OpenFolder(ParsePath(dir.Path())));
    PaneListCtrl& list = *pane->List();
    ASSERT_EQ(list.RowCount(), 4);

    ExpectTotals(0, 0, "nothing selected");
    list.SelectAll();
    ExpectTotals(4, 3034, "select all");
    list.SelectRow(Row("c.txt"), false);
    ExpectTotals(3, 3004, "one unselected");
    list.SelectRow(Row("c.txt"), true);
    list.SelectRow(Row("a.txt"), false);
    ExpectTotals(3, 2034, "one selected again, another unselected");
    EXPECT_EQ(*SelectionSummary(*pane), QStringLiteral("3 objects selected, 2,034 bytes in total"));

    // A new order keeps the same selection.
    list.OnCommand(ID_SORT_ASCENDING);
    ExpectTotals(3, 2034, "re-sorted");

    // A selected file grows, another goes: the refresh changes the totals.
    ASSERT_TRUE(dir.MakeFile("b.txt", QByteArray(5000, 'b')));
    ASSERT_EQ(::unlink(dir.Join("d.txt").constData()), 0);
    ASSERT_TRUE(pane->RefreshPane(false, nullptr));
    ASSERT_EQ(list.RowCount(), 3);
    ExpectTotals(2, 5030, "after the refresh");
    EXPECT_EQ(*SelectionSummary(*pane), QStringLiteral("2 objects selected, 5,030 bytes in total"));

    list.SetSelectedRows({true, true, true});
    ExpectTotals(3, 6030, "all rows set");
    list.ClearSelection();
    ExpectTotals(0, 0, "cleared");
    list.SelectAll();
    list.DeleteAllRows();
    ExpectTotals(0, 0, "rows deleted");
}

// Rows selected or unselected in one go keep the others as they were, in
// any order, with rows that do not exist ignored.
TEST_F(SelectionTotalsTest, SelectRowsChangesOnlyTheRowsGiven) {
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(dir.MakeFile("f" + QByteArray::number(i), "x"));
    ASSERT_TRUE(pane->OpenFolder(ParsePath(dir.Path())));
    PaneListCtrl& list = *pane->List();
    list.SelectRow(1, true);
    list.SelectRows({6, 3, 4, 99, -1, 3}, true);
    EXPECT_EQ(list.SelectedRows(), std::vector<int>({1, 3, 4, 6}));
    list.SelectRows({4, 1, 7}, false);
    EXPECT_EQ(list.SelectedRows(), std::vector<int>({3, 6}));
    ExpectTotals(2, 2, "after SelectRows");
}

// Asked again and again without a change, the summary and the count cost
// no walk of the selection; the first question after a change walks once.
TEST_F(SelectionTotalsTest, RepeatedQuestionsWalkTheSelectionOnce) {
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(dir.MakeFile("f" + QByteArray::number(i), QByteArray(i, 'x')));
    ASSERT_TRUE(pane->OpenFolder(ParsePath(dir.Path())));
    PaneListCtrl& list = *pane->List();
    list.SelectAll();
    EXPECT_EQ(*SelectionSummary(*pane),
              QStringLiteral("50 objects selected, 1,225 bytes in total"));
    const int walks = list.SelectionWalks();
    for (int i = 0; i < 20; ++i) {
        (void)SelectionSummary(*pane);
        EXPECT_EQ(list.SelectedCount(), 50);
    }
    EXPECT_EQ(list.SelectionWalks(), walks);
    list.SelectRow(0, false);
    EXPECT_EQ(list.SelectedCount(), 49);
    EXPECT_EQ(list.SelectedCount(), 49);
    EXPECT_EQ(list.SelectionWalks(), walks + 1);
}

}  // namespace
