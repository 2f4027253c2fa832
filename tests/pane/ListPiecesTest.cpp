// The pieces a list is made of, each on its own: the selection over a row
// model without any view, the sort order on a bare header, the name range
// of a refresh and the directory scan of the unsorted order.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QWidget>
#include <list>

#include "ListCtrlTestItems.h"
#include "pane/NameRange.h"
#include "pane/PaneListSelection.h"
#include "pane/PaneRowFeed.h"
#include "pane/PaneRowModel.h"
#include "pane/PaneSortOrder.h"
#include "pane/ScanOrder.h"
#include "pane/StickySelectionKeeper.h"
#include "platform/namespace/ShellTypes.h"
#include "shell/CommandIds.h"
#include "support/TestDir.h"

namespace {

// A row model with its selection model and keeper, no view at all.
class ListPiecesTest : public ::testing::Test {
protected:
    ListPiecesTest() {
        selectionPiece.BindSelection(&model, &selection, &sticky);
        selectionPiece.SetScroller(
            [this](const QModelIndex& index) { scrolled.push_back(index.row()); });
        feed.BindRowFeed(&model, &redraw, &sticky);
    }

    void Fill(std::initializer_list<const char*> names, std::uint64_t size = 10) {
        for (const char* name : names) feed.AppendRow(folder.Add(name, size));
    }

    TestFolder folder;
    PaneRowModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QItemSelectionModel selection{&model};
    QWidget redraw;
    StickySelectionKeeper sticky{&model, &selection, nullptr, nullptr};
    PaneListSelection selectionPiece;
    PaneRowFeed feed;
    std::vector<int> scrolled;
};

// Rows still queued by a suspended feed are part of every answer: a focus
// or selection on them commits the queue first instead of pointing at a
// row the views do not have.
TEST_F(ListPiecesTest, SelectionReachesRowsTheFeedStillHolds) {
    feed.SuspendRedraw();
    Fill({"a", "b", "c", "d"});
    EXPECT_EQ(feed.RowCount(), 4);
    EXPECT_EQ(model.rowCount(), 0) << "held until the redraw resumes";

    selectionPiece.SetFocusedRow(2, true);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(selectionPiece.FocusedRow(), 2);
    EXPECT_TRUE(selectionPiece.IsRowSelected(2));
    EXPECT_EQ(scrolled, std::vector<int>({2}));
    feed.ResumeRedraw();

    // Out-of-range rows are refused, not clamped.
    selectionPiece.SelectRow(9, true);
    EXPECT_FALSE(selectionPiece.IsRowSelected(9));
    EXPECT_EQ(selectionPiece.SelectedRows(), std::vector<int>({2}));
}

// The kept totals follow every change that alters them: the selection,
// rows that go, and new data in a selected row, without the owner telling.
TEST_F(ListPiecesTest, TotalsFollowTheSelectionRowsAndData) {
    Fill({"a", "b", "c"});
    selectionPiece.SelectRows({0, 2}, true);
    EXPECT_EQ(selectionPiece.SelectedTotals().count, 2);
    EXPECT_EQ(selectionPiece.SelectedTotals().bytes, 20u);
    const int walks = selectionPiece.SelectionWalks();
    EXPECT_EQ(selectionPiece.SelectedCount(), 2);
    EXPECT_EQ(selectionPiece.SelectionWalks(), walks) << "kept while nothing changes";

    FolderItem* c = feed.ItemAt(2);
    c->size = 100;
    model.RowChanged(2);
    EXPECT_EQ(selectionPiece.SelectedTotals().bytes, 110u);

    feed.RemoveRow(feed.ItemAt(0));
    EXPECT_EQ(selectionPiece.SelectedTotals().count, 1);
    EXPECT_EQ(selectionPiece.SelectedTotals().bytes, 100u);
}

// Alt+Down / Alt+Up walk the selected rows and say when they wrapped; in
// commander mode the focused row is the operand while nothing is marked.
TEST_F(ListPiecesTest, NextSelectedWrapsAndCommanderOperands) {
    Fill({"a", "b", "c", "d", "e"});
    selectionPiece.SetSelectedRows({false, true, false, true});
    selectionPiece.SetFocusedRow(3, false);
    bool wrapped = false;
    EXPECT_EQ(selectionPiece.FocusNextSelected(true, &wrapped), 1);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(selectionPiece.FocusNextSelected(true, &wrapped), 3);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(selectionPiece.FocusNextSelected(false, &wrapped), 1);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(selectionPiece.SelectedRows(), std::vector<int>({1, 3})) << "only the focus moved";

    selectionPiece.ClearSelection();
    EXPECT_TRUE(selectionPiece.OperandItems().empty());
    selectionPiece.SetCommanderMode(true);
    selectionPiece.SetFocusedRow(4, false);
    EXPECT_EQ(NamesOf(selectionPiece.OperandItems()), QStringList({"e"}));
    EXPECT_EQ(selectionPiece.OperandCount(), 1);
    // A search result only moves the cursor in commander mode.
    selectionPiece.FocusSearchResult(0);
    EXPECT_EQ(selectionPiece.FocusedRow(), 0);
    EXPECT_TRUE(selectionPiece.SelectedRows().empty());
}

// The header-click rule on a bare header: a list already ascending under
// the column's key turns descending; the indicator follows key and
// direction, and goes under a key no column has.
TEST_F(ListPiecesTest, SortOrderOnABareHeader) {
    QHeaderView header(Qt::Horizontal);
    header.setModel(&model);
    PaneSortOrder order;
    order.BindSortOrder(&model, &header, &sticky);
    Fill({"apple", "banana", "cherry"});
    const std::vector<PaneColumn>& columns = model.Columns();
    int nameColumn = -1;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].sortKey == ID_SORT_NAME)
            nameColumn = int(i);
    }
    ASSERT_GE(nameColumn, 0);

    order.HeaderClicked(nameColumn);
    EXPECT_EQ(order.SortKey(), ID_SORT_NAME);
    EXPECT_FALSE(order.Ascending());
    EXPECT_EQ(NamesOf({feed.ItemAt(0), feed.ItemAt(1), feed.ItemAt(2)}),
              QStringList({"cherry", "banana", "apple"}));
    EXPECT_TRUE(header.isSortIndicatorShown());
    EXPECT_EQ(header.sortIndicatorSection(), nameColumn);
    EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);

    order.HeaderClicked(nameColumn);
    EXPECT_TRUE(order.Ascending());
    EXPECT_EQ(feed.ItemAt(0)->name, "apple");

    order.SetSortKey(ID_SORT_NONE);
    EXPECT_FALSE(header.isSortIndicatorShown());
    order.HeaderClicked(99);
    EXPECT_EQ(order.SortKey(), ID_SORT_NONE) << "a column that does not exist changes nothing";
}

struct Named {
    QString name;
};

// A refresh matches names in any order and finds a name listed twice at
// its first place, also after the entries before it were taken.
TEST(NameRangeTest, OutOfOrderAndTwiceListedNames) {
    std::list<Named> list{{"a"}, {"b"}, {"b"}, {"c"}};
    NameRange range(list, list.begin());
    auto c = range.Find("c");
    ASSERT_NE(c, list.end());
    range.Take(c);
    list.splice(range.Start(), list, c);  // c is met: it goes in front of the range
    EXPECT_EQ(range.Find("c"), list.end()) << "a met entry left the range";

    auto b = range.Find("b");
    ASSERT_NE(b, list.end());
    EXPECT_EQ(std::distance(list.begin(), b), 2) << "the first of the two b's in the range";
    range.Take(b);
    list.splice(range.Start(), list, b);
    auto second = range.Find("b");
    ASSERT_NE(second, list.end());
    EXPECT_NE(second, b);
    EXPECT_EQ(range.Find("x"), list.end());
}

// The scan reads the directory's own order; a link to a folder counts as a
// non-folder, as enumeration lists it; the caller can stop it early.
TEST(ScanOrderTest, KindsLinksAndEarlyStop) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("folder"));
    ASSERT_TRUE(dir.MakeFile("file", "x"));
    ASSERT_TRUE(dir.MakeSymlink("link", "folder"));

    const auto scanned = [&](std::uint32_t flags) {
        QStringList names;
        ForEachScannedName(dir.Path(), flags, [&](const QString& name) {
            names << name;
            return true;
        });
        names.sort();
        return names;
    };
    EXPECT_EQ(scanned(SHCONTF_FOLDERS), QStringList({"folder"}));
    EXPECT_EQ(scanned(SHCONTF_NONFOLDERS), QStringList({"file", "link"}));
    EXPECT_EQ(scanned(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS),
              QStringList({"file", "folder", "link"}));

    int calls = 0;
    ForEachScannedName(dir.Path(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, [&](const QString&) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 1);

    int missing = 0;
    ForEachScannedName(dir.Path() + "/nothing-here", SHCONTF_FOLDERS, [&](const QString&) {
        ++missing;
        return true;
    });
    EXPECT_EQ(missing, 0);

    // A list in another order is put into the directory's, with entries the
    // directory does not list kept at the end.
    std::list<Named> list{{"ghost"}, {"link"}, {"file"}, {"folder"}};
    ScanOrder(dir.Path(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, list);
    EXPECT_EQ(list.back().name, "ghost");
    EXPECT_EQ(list.size(), 4u);
}

}  // namespace
