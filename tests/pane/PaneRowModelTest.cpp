#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <random>

#include "ListCtrlTestItems.h"
#include "pane/PaneRowModel.h"
#include "shell/CommandIds.h"

namespace {

class PaneRowModelTest : public ::testing::Test {
protected:
    PaneRowModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
    TestFolder folder;
};

TEST_F(PaneRowModelTest, DeferredRowsAreListedAtOnceAndAnnouncedAsOneRange) {
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    FolderItem* a = folder.Add("a");
    FolderItem* b = folder.Add("b");
    FolderItem* c = folder.Add("c");
    EXPECT_EQ(model.Append(a, true), 0);
    EXPECT_EQ(model.Append(b, true), 1);
    EXPECT_EQ(model.Append(a, true), 0) << "an item is listed once";
    EXPECT_EQ(model.Count(), 2);
    EXPECT_EQ(model.rowCount(), 0) << "the views have not been told yet";
    EXPECT_EQ(model.RowOf(b), 1);
    EXPECT_EQ(inserted.count(), 0);

    // An immediate append takes the pending rows along in the same range.
    EXPECT_EQ(model.Append(c, false), 2);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 2);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.Append(nullptr, false), -1);
}

TEST_F(PaneRowModelTest, RowOfStaysRightThroughRemovalsAppendsAndSorts) {
    // A reference list checked against the model after every step.
    std::vector<FolderItem*> reference;
    std::mt19937 random(12345);
    for (int i = 0; i < 600; ++i) {
        FolderItem* item = folder.Add(QStringLiteral("n%1").arg(random() % 100000));
        model.Append(item, i % 3 != 0);
        reference.push_back(item);
    }
    auto check = [&](const char* step) {
        ASSERT_EQ(model.Count(), int(reference.size())) << step;
        for (int row = 0; row < int(reference.size()); ++row) {
            ASSERT_EQ(model.ItemAt(row), reference[std::size_t(row)]) << step << " row " << row;
            ASSERT_EQ(model.RowOf(reference[std::size_t(row)]), row) << step << " row " << row;
        }
    };
    check("appended");

    // Remove many more rows than remain, so the slots get renumbered on the
    // way, and append between removals.
    for (int round = 0; round < 900; ++round) {
        if (round % 4 == 3) {
            FolderItem* item = folder.Add(QStringLiteral("late%1").arg(round));
            model.Append(item, round % 8 == 3);
            reference.push_back(item);
        } else if (!reference.empty()) {
            const std::size_t victim = random() % reference.size();
            FolderItem* gone = reference[victim];
            ASSERT_TRUE(model.Remove(gone));
            EXPECT_EQ(model.RowOf(gone), -1);
            EXPECT_FALSE(model.Remove(gone));
            reference.erase(reference.begin() + std::ptrdiff_t(victim));
        }
        if (round % 50 == 0)
            check("removing");
    }
    check("removed");

    model.Sort([](FolderItem* a, FolderItem* b) { return a->name < b->name; });
    std::stable_sort(reference.begin(), reference.end(),
                     [](FolderItem* a, FolderItem* b) { return a->name < b->name; });
    check("sorted");
    EXPECT_EQ(model.PendingCount(), 0);

    model.Clear();
    reference.clear();
    check("cleared");
}

TEST_F(PaneRowModelTest, SortingRowsTheViewsHaveNotSeenEmitsNoLayoutChange) {
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (const char* name : {"c", "a", "b"}) model.Append(folder.Add(name), true);
    model.Sort([](FolderItem* a, FolderItem* b) { return a->name < b->name; });
    EXPECT_EQ(layout.count(), 0);
    model.CommitPending();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.index(0, 0).data().toString(), "a");
    EXPECT_EQ(model.index(2, 0).data().toString(), "c");

    model.Sort([](FolderItem* a, FolderItem* b) { return a->name > b->name; });
    EXPECT_EQ(layout.count(), 1);
    EXPECT_EQ(model.index(0, 0).data().toString(), "c");
}

TEST_F(PaneRowModelTest, CellsHeadersAndIconsOnDemand) {
    FolderItem* file = folder.Add("notes.txt", 1234, 133000000000000000ULL);
    FolderItem* sub = folder.AddFolder("sub");
    FolderItem* link = folder.Add("link", 1, 0, SFGAO_LINK);
    for (FolderItem* item : {file, sub, link}) model.Append(item, false);

    EXPECT_EQ(model.index(0, 0).data().toString(), "notes.txt");
    EXPECT_EQ(model.index(0, 1).data().toString(), file->SizeText());
    EXPECT_EQ(model.index(1, 1).data().toString(), "<folder>");
    EXPECT_EQ(model.index(0, 2).data().toString(), file->DateText(kTimeModified));
    EXPECT_EQ(model.index(2, 2).data().toString(), "<n/a>");
    EXPECT_TRUE(Qt::Alignment(model.index(0, 1).data(Qt::TextAlignmentRole).toInt()) &
                Qt::AlignRight);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Modified");

    // Texts and sorting never ask for icons; only the decoration does.
    model.Sort([](FolderItem* a, FolderItem* b) { return a->name < b->name; });
    EXPECT_EQ(file->icon, -1);
    EXPECT_EQ(link->icon, -1);
    const int linkRow = model.RowOf(link);
    EXPECT_FALSE(model.index(linkRow, 0).data(Qt::DecorationRole).isNull());
    EXPECT_GE(link->icon, 0);
    EXPECT_EQ(file->icon, -1);
    // The composed icon is made once and reused.
    const QIcon first = model.IconOf(*link);
    EXPECT_EQ(model.IconOf(*link).cacheKey(), first.cacheKey());

    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    {
        ScopedFileDate accessed(kTimeAccessed);
        model.DateColumnChanged();
        EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Accessed");
        file->times[kTimeAccessed] = 0;
        EXPECT_EQ(model.index(model.RowOf(file), 2).data().toString(), "<n/a>");
    }
    EXPECT_EQ(header.count(), 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 2);
}

TEST_F(PaneRowModelTest, EditingReportsTheTextAndReplaceKeepsTheRow) {
    FolderItem* old = folder.Add("old");
    FolderItem* other = folder.Add("other");
    model.Append(old, false);
    model.Append(other, false);
    QSignalSpy edited(&model, &PaneRowModel::labelEdited);
    EXPECT_FALSE(model.setData(model.index(0, 0), "new"));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited[0][0].toInt(), 0);
    EXPECT_EQ(edited[0][1].toString(), "new");
    EXPECT_EQ(model.index(0, 0).data().toString(), "old") << "the owner renames";

    FolderItem* renamed = folder.Add("new");
    EXPECT_FALSE(model.ReplaceItem(0, other)) << "listed already";
    EXPECT_TRUE(model.ReplaceItem(0, renamed));
    EXPECT_EQ(model.RowOf(renamed), 0);
    EXPECT_EQ(model.RowOf(old), -1);
    EXPECT_EQ(model.index(0, 0).data().toString(), "new");
}

// Removing many rows announces each contiguous range once, the highest
// first, so every announced range is numbered as the views see it then.
TEST_F(PaneRowModelTest, RemovingRowsAnnouncesEachRangeOnceHighestFirst) {
    std::vector<FolderItem*> items;
    for (int i = 0; i < 10; ++i) {
        items.push_back(folder.Add(QStringLiteral("r%1").arg(i)));
        model.Append(items.back(), false);
    }
    model.SetGhosted(items[2], true);
    model.SetDropHighlight(items[7]);
    QSignalSpy about(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    EXPECT_EQ(model.RemoveRows({8, 2, 1, 7, 3, 3, 42, -1}), 5) << "repeats and strays skipped";
    ASSERT_EQ(removed.count(), 2);
    ASSERT_EQ(about.count(), 2);
    EXPECT_EQ(removed[0][1].toInt(), 7);
    EXPECT_EQ(removed[0][2].toInt(), 8);
    EXPECT_EQ(removed[1][1].toInt(), 1);
    EXPECT_EQ(removed[1][2].toInt(), 3);
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row) names << model.index(row, 0).data().toString();
    EXPECT_EQ(names, QStringList({"r0", "r4", "r5", "r6", "r9"}));
    for (int row = 0; row < model.Count(); ++row) EXPECT_EQ(model.RowOf(model.ItemAt(row)), row);
    for (int gone : {1, 2, 3, 7, 8}) EXPECT_EQ(model.RowOf(items[std::size_t(gone)]), -1);
    EXPECT_FALSE(model.IsGhosted(items[2])) << "a removed row forgets its marks";
    EXPECT_EQ(model.DropHighlight(), nullptr);

    // By items: those without a row are skipped.
    EXPECT_EQ(model.Remove(std::vector<const FolderItem*>{items[9], items[1], items[0]}), 2);
    ASSERT_EQ(removed.count(), 4);
    EXPECT_EQ(removed[2][1].toInt(), 4);
    EXPECT_EQ(removed[3][1].toInt(), 0);
    EXPECT_EQ(model.Count(), 3);
}

// Pending rows follow the visible ones: a range that reaches into them
// announces only its visible head, and the pending rest goes silently.
TEST_F(PaneRowModelTest, RemovingPendingRowsAnnouncesOnlyTheVisiblePart) {
    std::vector<FolderItem*> items;
    for (int i = 0; i < 10; ++i) {
        items.push_back(folder.Add(QStringLiteral("p%1").arg(i)));
        model.Append(items.back(), i >= 6);
    }
    ASSERT_EQ(model.rowCount(), 6);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    EXPECT_EQ(model.RemoveRows({4, 5, 6, 8}), 4);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 4);
    EXPECT_EQ(removed[0][2].toInt(), 5);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.PendingCount(), 2);
    EXPECT_EQ(model.RowOf(items[7]), 4);
    EXPECT_EQ(model.RowOf(items[9]), 5);

    model.CommitPending();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 4);
    EXPECT_EQ(inserted[0][2].toInt(), 5);
    EXPECT_EQ(model.index(5, 0).data().toString(), "p9");
}

// Random batches against a reference list: the rows that stay, their
// lookups and the number of announced ranges.
TEST_F(PaneRowModelTest, RandomBatchesLeaveTheRightRows) {
    std::vector<FolderItem*> reference;
    std::mt19937 random(777);
    for (int i = 0; i < 400; ++i) {
        reference.push_back(folder.Add(QStringLiteral("b%1").arg(i)));
        model.Append(reference.back(), false);
    }
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    while (!reference.empty()) {
        std::vector<int> rows;
        std::vector<bool> gone(reference.size(), false);
        const int wanted = 1 + int(random() % 40);
        for (int i = 0; i < wanted; ++i) {
            const int row = int(random() % reference.size());
            rows.push_back(row);
            gone[std::size_t(row)] = true;
        }
        int ranges = 0;
        for (std::size_t i = 0; i < gone.size(); ++i) {
            if (gone[i] && (i == 0 || !gone[i - 1]))
                ++ranges;
        }
        std::vector<FolderItem*> kept;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            if (!gone[i])
                kept.push_back(reference[i]);
        }
        removed.clear();
        ASSERT_EQ(model.RemoveRows(rows), int(reference.size() - kept.size()));
        EXPECT_EQ(removed.count(), ranges);
        reference = kept;
        ASSERT_EQ(model.Count(), int(reference.size()));
        for (int row = 0; row < model.Count(); ++row) {
            ASSERT_EQ(model.ItemAt(row), reference[std::size_t(row)]);
            ASSERT_EQ(model.RowOf(reference[std::size_t(row)]), row);
        }
    }
}

}  // namespace
