#include <gtest/gtest.h>

#include <QDateTime>
#include <QHeaderView>
#include <QListView>
#include <QStyle>
#include <QTemporaryDir>
#include <QTreeView>

#include "ListCtrlTestItems.h"
#include "pane/DetailsColumnWidths.h"
#include "pane/ListColumnSizer.h"
#include "pane/PaneRowModel.h"
#include "platform/store/ProfileStore.h"

namespace {

const QString kSection = QStringLiteral("Find Window");
const QString kKey = QStringLiteral("szColumnWidths");

// The widths of a details view of their own, without a pane list: stored
// and loaded again, bad texts giving the defaults, the date column's
// default as wide as the locale's dates.
TEST(DetailsColumnWidthsTest, SaveAndLoadOnAPlainTree) {
    PaneRowModel model;
    QTreeView tree;
    tree.setModel(&model);
    DetailsColumnWidths widths(&tree, &model);
    widths.SetWidths({});
    const std::vector<int> defaults = widths.Defaults();
    ASSERT_EQ(defaults.size(), 3u);
    EXPECT_EQ(widths.Widths(), defaults);
    const QDateTime late(QDate(2026, 12, 28), QTime(23, 58, 58));
    const QString date = FormatFileTime(FileTimeFromTimespec(late.toSecsSinceEpoch(), 0));
    EXPECT_GT(defaults[2], tree.fontMetrics().horizontalAdvance(date));
    // A 2 GiB file's size shows whole, with the cell's margins to spare.
    EXPECT_GE(defaults[1], tree.fontMetrics().horizontalAdvance(QStringLiteral("2,147,483,648")) +
                               2 * tree.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 4);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProfileStore store(dir.filePath("w.ini"));
    widths.SetWidths({210, 55});
    EXPECT_EQ(widths.Widths(), (std::vector<int>{210, 55, defaults[2]})) << "the rest: defaults";
    widths.Save(store, kSection, kKey);
    EXPECT_EQ(store.GetProfileString(kSection, kKey), QStringLiteral("210,55,%1").arg(defaults[2]));

    widths.SetWidths({});
    widths.Load(store, kSection, kKey);
    EXPECT_EQ(widths.Widths(), (std::vector<int>{210, 55, defaults[2]}));

    store.WriteProfileString(kSection, kKey, QStringLiteral("300,40"));
    widths.Load(store, kSection, kKey);
    EXPECT_EQ(widths.Widths(), defaults) << "a field too few: every default";
    EXPECT_EQ(DetailsColumnWidths::Format({}), QString());
}

// The List column of a list view of its own: nothing to measure keeps the
// width pending; without a maximum later rows widen it and new rows start
// it afresh; with one the width stays as calculated.
TEST(ListColumnSizerTest, FollowsTheRowsWithoutAMaximum) {
    PaneRowModel model;
    QListView list;
    list.setModel(&model);
    list.setIconSize(QSize(16, 16));
    TestFolder folder;
    ListColumnSizer sizer(&list, &model);
    const QFontMetrics fm = list.fontMetrics();
    const int padding = 16 + 12 + 2;

    sizer.Apply(-1);
    EXPECT_TRUE(sizer.IsPending());
    EXPECT_EQ(sizer.Width(), 0);

    model.Append(folder.Add("short"), false);
    sizer.Apply(0);
    EXPECT_FALSE(sizer.IsPending());
    EXPECT_EQ(sizer.Width(), fm.horizontalAdvance("short") + padding);
    EXPECT_EQ(list.gridSize(), QSize(sizer.Width(), sizer.RowHeight()));

    const QString longer = QStringLiteral("a rather longer label");
    model.Append(folder.Add(longer), false);
    sizer.RowsInserted(1, 1, 0);
    EXPECT_EQ(sizer.Width(), fm.horizontalAdvance(longer) + padding);
    model.Append(folder.Add("x"), false);
    sizer.RowsInserted(2, 2, 0);
    EXPECT_EQ(sizer.Width(), fm.horizontalAdvance(longer) + padding) << "never narrower";

    sizer.RowsCleared();
    EXPECT_TRUE(sizer.IsPending());

    // With a maximum new rows change nothing and clearing keeps the width.
    sizer.SetMaximum(fm.horizontalAdvance("short") + padding + 1);
    sizer.Apply(0);
    const int capped = sizer.Width();
    EXPECT_EQ(capped, sizer.Maximum());
    model.Append(folder.Add(longer + longer), false);
    sizer.RowsInserted(3, 3, 0);
    sizer.RowsCleared();
    EXPECT_FALSE(sizer.IsPending());
    EXPECT_EQ(sizer.Width(), capped);
}

// Large folders are estimated before they are measured: the widest label
// still wins when its width comes from characters outside ASCII, and when
// labels with more characters are narrower.
TEST(ListColumnSizerTest, EstimatesFindTheWidestLabelOfALargeFolder) {
    PaneRowModel model;
    QListView list;
    list.setModel(&model);
    TestFolder folder;
    const QFontMetrics fm = list.fontMetrics();
    const QString wide = QString(30, QChar(0x00C6));  // Æ, wide in most fonts
    for (int i = 0; i < 2000; ++i) {
        const QString name = i == 1234    ? wide
                             : i % 5 == 0 ? QString(40, QLatin1Char('.'))
                                          : QStringLiteral("file%1").arg(i);
        model.Append(folder.Add(name), false);
    }
    int expected = 0;
    for (int row = 0; row < model.Count(); ++row)
        expected = std::max(expected, fm.horizontalAdvance(model.ItemAt(row)->displayName));
    ASSERT_EQ(expected, fm.horizontalAdvance(wide)) << "the font must make Æ the widest";
    ListColumnSizer sizer(&list, &model);
    EXPECT_EQ(sizer.WidestLabel(0, model.Count()), expected);
    EXPECT_EQ(sizer.WidestLabel(0, 1000), fm.horizontalAdvance(QString(40, QLatin1Char('.'))))
        << "only the rows asked for";
}

}  // namespace
