// Commander mode: with nothing marked the focused row is what commands act
// on; moving the cursor never marks, Space and Insert do; after a copy into
// the pane only the arrivals are marked. Without the mode the list keeps its
// own rules (the cursor's row is the selection).

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QTest>
#include <algorithm>
#include <memory>

#include "PaneTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "support/TestDir.h"

namespace {

class CommanderModeTest : public OnePaneTest<> {
protected:
    void SetUp() override {
        MutableGeneral().autoReSort = false;
        MutableGeneral().commanderMode = true;
        OnePaneTest::SetUp();
        pane->List()->SetSortKey(ID_SORT_NAME);
        tester = std::make_unique<QAbstractItemModelTester>(
            pane->List()->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            ASSERT_TRUE(dir.MakeFile(name, "x"));
        ASSERT_TRUE(Open(dir));
    }
    void TearDown() override {
        tester.reset();
        OnePaneTest::TearDown();
    }
    std::vector<QString> Names(const std::vector<FolderItem*>& items) {
        std::vector<QString> names;
        for (const FolderItem* item : items) names.push_back(item->name);
        return names;
    }
    // The marks as a set: rows arrive in the folder's own order until the
    // pane sorts, which is not what these tests are about.
    std::vector<QString> Marked() {
        std::vector<QString> names = Names(pane->List()->SelectedItems());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
};

using Names_ = std::vector<QString>;

// The operands: the focused row alone while nothing is marked, the marks
// (not the focused row) once something is; without the mode, only marks.
TEST_F(CommanderModeTest, FocusedRowIsTheOperandOnlyWhileNothingIsMarked) {
    PaneListCtrl& list = *pane->List();
    ASSERT_TRUE(list.CommanderMode());
    list.ClearSelection();
    list.SetFocusedRow(RowOf("b.txt"), false);
    EXPECT_TRUE(list.SelectedItems().empty());
    EXPECT_EQ(Names(list.OperandItems()), (Names_{"b.txt"}));
    EXPECT_EQ(list.OperandCount(), 1);

    list.SelectRow(RowOf("d.txt"), true);
    EXPECT_EQ(Names(list.OperandItems()), (Names_{"d.txt"}));
    EXPECT_EQ(list.OperandCount(), 1);

    list.ClearSelection();
    list.SetCommanderMode(false);
    EXPECT_TRUE(list.OperandItems().empty());
    EXPECT_EQ(list.OperandCount(), 0);
}

// Arrow keys and a plain click move the cursor and mark nothing; Space
// marks the cursor's row, Insert marks it and moves on. Without the mode
// the same Down key selects the row it lands on.
TEST_F(CommanderModeTest, CursorMovesNeverMarkButSpaceAndInsertDo) {
    PaneListCtrl& list = *pane->List();
    list.ClearSelection();
    list.SetFocusedRow(0, false);
    QAbstractItemView* view = list.ActiveView();
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(list.FocusedRow(), 2);
    EXPECT_TRUE(Marked().empty());

    QTest::keyClick(view, Qt::Key_Insert);  // marks c.txt, moves to d.txt
    EXPECT_EQ(list.FocusedRow(), 3);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Space);  // marks b.txt
    EXPECT_EQ(Marked(), (Names_{"b.txt", "c.txt"}));

    list.SetCommanderMode(false);
    list.ClearSelection();
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Marked(), (Names_{"c.txt"}));
}

// What arrived in the pane is marked, and only that: the marks of before
// are cleared. Without the mode they stay beside the arrivals.
TEST_F(CommanderModeTest, AfterACopyOnlyTheArrivalsAreMarked) {
    PaneListCtrl& list = *pane->List();
    list.SelectRow(RowOf("a.txt"), true);
    list.SelectRow(RowOf("b.txt"), true);
    ASSERT_TRUE(dir.MakeFile("e.txt", "new"));
    ASSERT_TRUE(dir.MakeFile("f.txt", "new"));
    QStringList names;
    ASSERT_TRUE(pane->RefreshPane(true, &names));
    EXPECT_EQ(Marked(), (Names_{"e.txt", "f.txt"}));

    list.SetCommanderMode(false);
    list.SelectRow(RowOf("a.txt"), true);
    ASSERT_TRUE(dir.MakeFile("g.txt", "new"));
    ASSERT_TRUE(pane->RefreshPane(true, &names));
    EXPECT_EQ(Marked(), (Names_{"a.txt", "e.txt", "f.txt", "g.txt"}));
}

// Return opens the cursor's row even while others are marked.
TEST_F(CommanderModeTest, ReturnOpensTheCursorRowNotTheFirstMark) {
    ASSERT_TRUE(dir.MakeFolder("zz_sub"));
    ASSERT_TRUE(pane->RefreshPane(false, nullptr));
    PaneListCtrl& list = *pane->List();
    list.SelectRow(RowOf("a.txt"), true);
    list.SetFocusedRow(RowOf("zz_sub"), false);
    ASSERT_TRUE(pane->Launch(true));
    EXPECT_TRUE(pane->Model()->path.endsWith(QStringLiteral("/zz_sub")));
}

}  // namespace
