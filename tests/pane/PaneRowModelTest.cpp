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

}  // namespace
