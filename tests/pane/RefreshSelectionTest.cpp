// What a refresh does to the selection and the focus: after a copy the
// target pane selects what arrived and the source pane unselects what
// went.

#include <unistd.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <algorithm>
#include <memory>

#include "PaneTestSupport.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "support/TestDir.h"

namespace {

// The tests refresh by hand: Open(dir) leaves the folder unwatched.
class RefreshSelectionTest : public OnePaneTest<> {
protected:
    bool Selected(const QString& name) { return IsSelected(*pane, name); }
    static QStringList Sorted(QStringList names) {
        names.sort();
        return names;
    }
};

// Several new items and a changed one: all of them selected besides what
// was selected before, the focus on the last of them, the new rows shown
// in one insertion and the focus moved once; a new item the filter hides
// stays unlisted and unnamed.
TEST_F(RefreshSelectionTest, NewRowsAreSelectedTogetherAndTheLastFocused) {
    MutableGeneral().autoReSort = false;
    ASSERT_TRUE(dir.MakeFile("a.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("b.txt", "b"));
    ASSERT_TRUE(pane->SetFilter(QStringLiteral("*.txt")));
    ASSERT_TRUE(Open(dir));
    PaneListCtrl& list = *pane->List();
    list.SelectRow(RowOf("a.txt"), true);
    list.SetFocusedRow(RowOf("a.txt"), false);

    QAbstractItemView* view = list.ActiveView();
    int insertions = 0;
    int inserted = 0;
    int focusMoves = 0;
    QObject counting;  // the counters go with the test, the pane later
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, &counting,
                     [&](const QModelIndex&, int firstRow, int lastRow) {
                         ++insertions;
                         inserted += lastRow - firstRow + 1;
                     });
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, &counting,
                     [&] { ++focusMoves; });

    ASSERT_TRUE(dir.MakeFile("c.txt", "c"));
    ASSERT_TRUE(dir.MakeFile("d.txt", "d"));
    ASSERT_TRUE(dir.MakeFile("e.txt", "e"));
    ASSERT_TRUE(dir.MakeFile("z.bin", "z"));
    ASSERT_TRUE(dir.MakeFile("b.txt", "bigger"));
    QStringList names;
    ASSERT_TRUE(pane->RefreshPane(true, &names));

    EXPECT_EQ(Sorted(names), (QStringList{"b.txt", "c.txt", "d.txt", "e.txt"}));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        EXPECT_TRUE(Selected(QString::fromLatin1(name))) << name;
    EXPECT_EQ(RowOf("z.bin"), -1);
    EXPECT_EQ(list.SelectedCount(), 5);
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(FocusedName(), names.last());
    EXPECT_EQ(list.RowCount(), 5);
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(inserted, 3);
    EXPECT_EQ(focusMoves, 1);

    // Nothing new: the selection and the focus stay as they are.
    QStringList none;
    ASSERT_TRUE(pane->RefreshPane(true, &none));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(list.SelectedCount(), 5);
    EXPECT_EQ(FocusedName(), names.last());
    EXPECT_EQ(focusMoves, 1);
}

// Items that went leave the list in one removal per run of rows, and the
// folder's total drops by their sizes.
TEST_F(RefreshSelectionTest, GoneRowsLeaveByRunsNotOneByOne) {
    MutableGeneral().autoReSort = false;
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
        ASSERT_TRUE(dir.MakeFile(QByteArray(name) + ".txt", QByteArray(name) + "12"));
    ASSERT_TRUE(Open(dir));
    PaneListCtrl& list = *pane->List();
    list.SetSortKey(ID_SORT_NAME);
    list.Sort();
    ASSERT_EQ(list.RowCount(), 7);

    int removals = 0;
    QObject counting;
    QObject::connect(list.ActiveView()->model(), &QAbstractItemModel::rowsRemoved, &counting,
                     [&] { ++removals; });
    for (const char* gone : {"b.txt", "c.txt", "d.txt", "f.txt"})
        ASSERT_EQ(::unlink(dir.Join(gone).constData()), 0);
    ASSERT_TRUE(pane->RefreshPane(false, nullptr));

    EXPECT_EQ(removals, 2);  // b..d and f
    EXPECT_EQ(list.RowCount(), 3);
    for (const char* kept : {"a.txt", "e.txt", "g.txt"})
        EXPECT_GE(RowOf(QString::fromLatin1(kept)), 0) << kept;
    for (const char* gone : {"b.txt", "c.txt", "d.txt", "f.txt"}) {
        EXPECT_EQ(pane->Model()->FindByName(QString::fromLatin1(gone)), nullptr) << gone;
    }
    EXPECT_EQ(pane->Model()->items.size(), 3u);
}

// With the automatic re-sort the rows are sorted after the refresh, and
// the focus stays on the same item, wherever its row went.
TEST_F(RefreshSelectionTest, AResortKeepsTheFocusOnTheLastNewItem) {
    MutableGeneral().autoReSort = true;
    ASSERT_TRUE(dir.MakeFile("m.txt", "m"));
    ASSERT_TRUE(Open(dir));
    pane->List()->SetSortKey(ID_SORT_NAME);
    pane->List()->Sort();

    ASSERT_TRUE(dir.MakeFile("z.txt", "z"));
    ASSERT_TRUE(dir.MakeFile("b.txt", "b"));
    ASSERT_TRUE(dir.MakeFile("a.txt", "a"));
    QStringList names;
    ASSERT_TRUE(pane->RefreshPane(true, &names));

    EXPECT_EQ(RowNames(*pane), (std::vector<QString>{"a.txt", "b.txt", "m.txt", "z.txt"}));
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(FocusedName(), names.last());
    EXPECT_TRUE(Selected("a.txt") && Selected("b.txt") && Selected("z.txt"));
    EXPECT_FALSE(Selected("m.txt"));
}

// The source pane's refresh unselects the listed items named, and only
// them: names of hidden or missing items and repeated names change
// nothing else.
TEST_F(RefreshSelectionTest, NamedRowsAreUnselectedAndNoOthers) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "h.bin"})
        ASSERT_TRUE(dir.MakeFile(name, name));
    ASSERT_TRUE(pane->SetFilter(QStringLiteral("*.txt")));
    ASSERT_TRUE(Open(dir));
    PaneListCtrl& list = *pane->List();
    list.SelectAll();
    ASSERT_EQ(list.SelectedCount(), 4);

    QStringList names{"b.txt", "h.bin", "gone.txt", "d.txt", "b.txt"};
    const QStringList given = names;
    ASSERT_TRUE(pane->RefreshPane(false, &names));

    EXPECT_EQ(names, given) << "the names are read, not changed";
    EXPECT_TRUE(Selected("a.txt"));
    EXPECT_FALSE(Selected("b.txt"));
    EXPECT_TRUE(Selected("c.txt"));
    EXPECT_FALSE(Selected("d.txt"));
    EXPECT_EQ(list.SelectedCount(), 2);
}

}  // namespace
