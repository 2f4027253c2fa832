#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include "ListCtrlTestItems.h"
#include "pane/PaneListCtrl.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "support/ScriptedPrompter.h"
#include "support/Wait.h"

namespace {

class PaneListCtrlTest : public ::testing::Test {
protected:
    // Keys sent without a time read `now`: the type-ahead's pauses are
    // stepped by hand, never slept.
    PaneListCtrlTest() {
        ctrl.TypeAhead().SetClock([this] { return now; });
    }

    unsigned long now = 1000;
    PaneListCtrl ctrl;
    QAbstractItemModelTester tester{ctrl.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
    TestFolder folder;

    // Lists `names` (folders end in "/") in this order.
    void Fill(const QStringList& names) {
        ctrl.SuspendRedraw();
        ctrl.DeleteAllRows();
        ctrl.SetItemCount(int(names.size()));
        for (const QString& name : names) {
            FolderItem* item =
                name.endsWith('/') ? folder.AddFolder(name.chopped(1)) : folder.Add(name);
            ctrl.AppendRow(item);
        }
        ctrl.ResumeRedraw();
    }
    QStringList Rows() const {
        QStringList names;
        for (int row = 0; row < ctrl.RowCount(); ++row) names.push_back(ctrl.ItemAt(row)->name);
        return names;
    }
    QStringList Selected() const { return NamesOf(ctrl.SelectedItems()); }

    // Types `text` as a keyboard does: a capital comes with Shift and the
    // text it typed.
    void Type(const QString& text) {
        for (QChar c : text) {
            const bool upper = c.isUpper();
            QKeyEvent event(QEvent::KeyPress, Qt::Key_A + (c.toUpper().unicode() - u'A'),
                            upper ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(ctrl.ActiveView(), &event);
        }
    }
    void SendKey(int key, Qt::KeyboardModifiers modifiers, unsigned long timestamp = 0) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        event.setTimestamp(timestamp);
        QCoreApplication::sendEvent(ctrl.ActiveView(), &event);
    }
};

TEST_F(PaneListCtrlTest, OneBatchOfManyRowsIsOneInsertion) {
    constexpr int kRows = 100000;
    QSignalSpy inserted(ctrl.Model(), &QAbstractItemModel::rowsInserted);
    std::vector<FolderItem*> items;
    items.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        items.push_back(folder.Add(QStringLiteral("file%1.txt").arg(i)));

    ctrl.SuspendRedraw();
    ctrl.SuspendRedraw();  // suspensions nest
    ctrl.SetItemCount(kRows);
    for (int i = 0; i < kRows; ++i) ASSERT_EQ(ctrl.AppendRow(items[std::size_t(i)]), i);
    ctrl.ResumeRedraw();
    EXPECT_EQ(inserted.count(), 0) << "still suspended";
    EXPECT_EQ(ctrl.RowCount(), kRows);
    EXPECT_EQ(ctrl.RowOf(items[77777]), 77777);
    ctrl.ResumeRedraw();

    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), kRows - 1);
    EXPECT_EQ(ctrl.Model()->rowCount(), kRows);

    // Removing rows of a large list keeps the lookup right.
    ctrl.RemoveRow(items[10]);
    ctrl.RemoveRow(items[99999]);
    EXPECT_EQ(ctrl.RowOf(items[77777]), 77776);
    EXPECT_EQ(ctrl.RowOf(items[10]), -1);
    EXPECT_EQ(ctrl.RowCount(), kRows - 2);
}

TEST_F(PaneListCtrlTest, AnnouncedRowsArriveTogetherWithoutSuspension) {
    QSignalSpy inserted(ctrl.Model(), &QAbstractItemModel::rowsInserted);
    ctrl.SetItemCount(3);
    ctrl.AppendRow(folder.Add("a"));
    ctrl.AppendRow(folder.Add("b"));
    EXPECT_EQ(inserted.count(), 0);
    ctrl.AppendRow(folder.Add("c"));
    EXPECT_EQ(inserted.count(), 1);

    // Fewer rows than announced still show up once the events run.
    ctrl.SetItemCount(5);
    ctrl.AppendRow(folder.Add("d"));
    EXPECT_TRUE(inserted.wait(5000));
    EXPECT_EQ(ctrl.Model()->rowCount(), 4);

    // Without an announcement or a suspension rows arrive one by one.
    ctrl.AppendRow(folder.Add("e"));
    EXPECT_EQ(inserted.count(), 3);
}

TEST_F(PaneListCtrlTest, HeaderClicksChooseTheDirection) {
    Fill({"b", "sub/", "c", "a"});
    ctrl.SetSortKey(ID_SORT_NONE);

    // The rows do not start out ascending by name: ascending.
    ctrl.HeaderClicked(0);
    EXPECT_EQ(ctrl.SortKey(), ID_SORT_NAME);
    EXPECT_TRUE(ctrl.Ascending());
    EXPECT_EQ(Rows(), QStringList({"sub", "a", "b", "c"}));
    // A second click reverses, a third restores.
    ctrl.HeaderClicked(0);
    EXPECT_FALSE(ctrl.Ascending());
    EXPECT_EQ(Rows(), QStringList({"c", "b", "a", "sub"}));
    ctrl.TreeView()->header()->sectionClicked(0);  // the real header's signal
    EXPECT_TRUE(ctrl.Ascending());
    EXPECT_EQ(Rows(), QStringList({"sub", "a", "b", "c"}));

    // Size and date headers select their keys.
    ctrl.HeaderClicked(1);
    EXPECT_EQ(ctrl.SortKey(), ID_SORT_SIZE);
    ctrl.HeaderClicked(2);
    EXPECT_EQ(ctrl.SortKey(), ID_SORT_DATE);
}

TEST_F(PaneListCtrlTest, HeaderClickOnEqualRowsOrOneRowOnlyChangesTheKey) {
    Fill({"x", "X", "x"});  // equal under every key
    ctrl.SetSortKey(ID_SORT_NONE);
    ctrl.SetAscending(false);
    QSignalSpy layout(ctrl.Model(), &QAbstractItemModel::layoutChanged);
    const std::vector<FolderItem*> before = {ctrl.ItemAt(0), ctrl.ItemAt(1), ctrl.ItemAt(2)};
    ctrl.HeaderClicked(1);
    EXPECT_EQ(ctrl.SortKey(), ID_SORT_SIZE);
    EXPECT_FALSE(ctrl.Ascending());
    EXPECT_EQ(layout.count(), 0);
    EXPECT_EQ((std::vector<FolderItem*>{ctrl.ItemAt(0), ctrl.ItemAt(1), ctrl.ItemAt(2)}), before);

    // A comparison of the owner's decides "equal" as well: only row 0
    // against the others is asked.
    int calls = 0;
    ctrl.SetCompareFunction([&](FolderItem*, FolderItem*, std::uint32_t) {
        ++calls;
        return 0;
    });
    ctrl.HeaderClicked(0);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ctrl.SortKey(), ID_SORT_NAME);
    EXPECT_FALSE(ctrl.Ascending());
    ctrl.SetCompareFunction(nullptr);

    Fill({"only"});
    ctrl.HeaderClicked(2);
    EXPECT_EQ(ctrl.SortKey(), ID_SORT_DATE);
    EXPECT_FALSE(ctrl.Ascending());
    EXPECT_EQ(layout.count(), 0);
}

TEST_F(PaneListCtrlTest, SortCommandsAndTheirMenuState) {
    Fill({"b.txt", "a.doc", "c"});
    ctrl.SetAscending(true);
    EXPECT_TRUE(ctrl.OnCommand(ID_SORT_NONE));
    EXPECT_EQ(Rows(), QStringList({"b.txt", "a.doc", "c"})) << "unsorted leaves the rows";
    bool enabled = true, checked = false;
    ASSERT_TRUE(ctrl.UpdateCommand(ID_SORT_ASCENDING, enabled, checked));
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(checked);
    ctrl.UpdateCommand(ID_SORT_NONE, enabled, checked);
    EXPECT_TRUE(checked);
    ctrl.UpdateCommand(ID_SORT_FOLDER, enabled, checked);
    EXPECT_FALSE(enabled) << "panes have no container-folder column";

    EXPECT_TRUE(ctrl.OnCommand(ID_SORT_TYPE));
    EXPECT_EQ(Rows(), QStringList({"c", "a.doc", "b.txt"}));
    ctrl.UpdateCommand(ID_SORT_TYPE, enabled, checked);
    EXPECT_TRUE(checked);
    ctrl.UpdateCommand(ID_SORT_NAME, enabled, checked);
    EXPECT_FALSE(checked);
    ctrl.UpdateCommand(ID_SORT_ASCENDING, enabled, checked);
    EXPECT_TRUE(enabled);

    EXPECT_TRUE(ctrl.OnCommand(ID_SORT_ASCENDING));
    EXPECT_FALSE(ctrl.Ascending());
    EXPECT_EQ(Rows(), QStringList({"b.txt", "a.doc", "c"}));
    ctrl.UpdateCommand(ID_SORT_ASCENDING, enabled, checked);
    EXPECT_FALSE(checked);
    EXPECT_EQ(ctrl.SortParameter(), std::uint32_t(ID_SORT_TYPE));

    EXPECT_FALSE(ctrl.OnCommand(ID_PANE_REFRESH));
    EXPECT_FALSE(ctrl.HandlesCommand(ID_PANE_REFRESH));
    EXPECT_FALSE(ctrl.UpdateCommand(ID_PANE_REFRESH, enabled, checked));
}

TEST_F(PaneListCtrlTest, ViewCommandsSwitchViewsAndKeepSelection) {
    Fill({"a", "b", "c"});
    ctrl.SetFocusedRow(1, true);
    ASSERT_EQ(ctrl.ViewStyle(), ID_VIEW_LIST);
    EXPECT_EQ(ctrl.ActiveView(), static_cast<QAbstractItemView*>(ctrl.ListView()));
    EXPECT_EQ(ctrl.ListView()->flow(), QListView::TopToBottom);
    EXPECT_TRUE(ctrl.ListView()->isWrapping());

    EXPECT_TRUE(ctrl.OnCommand(ID_VIEW_DETAILS));
    EXPECT_EQ(ctrl.ActiveView(), static_cast<QAbstractItemView*>(ctrl.TreeView()));
    EXPECT_EQ(ctrl.TreeView()->selectionModel(), ctrl.ListView()->selectionModel());
    EXPECT_EQ(ctrl.FocusedRow(), 1);
    EXPECT_EQ(Selected(), QStringList({"b"}));
    bool enabled = false, checked = false;
    ctrl.UpdateCommand(ID_VIEW_DETAILS, enabled, checked);
    EXPECT_TRUE(checked);
    ctrl.UpdateCommand(ID_VIEW_LIST, enabled, checked);
    EXPECT_FALSE(checked);

    ctrl.OnCommand(ID_VIEW_LARGEICON);
    EXPECT_EQ(ctrl.ListView()->viewMode(), QListView::IconMode);
    EXPECT_EQ(ctrl.ListView()->iconSize(), QSize(32, 32));
    ctrl.OnCommand(ID_VIEW_SMALLICON);
    EXPECT_EQ(ctrl.ListView()->iconSize(), QSize(16, 16));
    EXPECT_EQ(ctrl.ListView()->flow(), QListView::LeftToRight);
    EXPECT_EQ(Selected(), QStringList({"b"}));
}

TEST_F(PaneListCtrlTest, ListColumnWidthFollowsTheRule) {
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names.push_back(QStringLiteral("f%1").arg(i, 3, 10, QLatin1Char('0')));
    const QString longName(60, QLatin1Char('W'));
    names[150] = longName;  // outside the window of 80 rows from the top
    Fill(names);
    const QFontMetrics fm = ctrl.ListView()->fontMetrics();
    // The icon and 12 pixels, and 2 for text laid out with fractional widths.
    const int padding = ctrl.ListView()->iconSize().width() + 12 + 2;
    int widestShort = 0;
    for (int i = 0; i < 80; ++i)
        widestShort = std::max(widestShort, fm.horizontalAdvance(names[i]));
    ASSERT_LT(widestShort + padding, fm.horizontalAdvance(longName));

    ctrl.SetMaxListColumnWidth(fm.horizontalAdvance(longName));
    ctrl.RecalcListColumnWidth();
    EXPECT_EQ(ctrl.ListColumnWidth(), widestShort + padding);
    EXPECT_EQ(ctrl.ListView()->gridSize().width(), widestShort + padding);

    // From a focus whose window holds the long name, the maximum applies.
    ctrl.SetFocusedRow(120, false);
    ctrl.RecalcListColumnWidth();
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(longName));
    // A window that passes the end takes the last 80 rows (120..199 here).
    ctrl.SetFocusedRow(190, false);
    ctrl.RecalcListColumnWidth();
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(longName));

    // In another view the width waits until List is chosen again.
    ctrl.SetFocusedRow(0, false);
    ctrl.OnCommand(ID_VIEW_DETAILS);
    ctrl.RecalcListColumnWidth();
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(longName));
    ctrl.OnCommand(ID_VIEW_DETAILS);  // the current style: nothing
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(longName));
    ctrl.OnCommand(ID_VIEW_LIST);
    EXPECT_EQ(ctrl.ListColumnWidth(), widestShort + padding);

    // Without a maximum every label counts.
    ctrl.SetMaxListColumnWidth(0);
    ctrl.RecalcListColumnWidth();
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(longName) + padding);

    // Also in a large folder, where labels longer in characters but narrower
    // on screen must not win, and in rows that come later.
    QStringList many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(i % 7 == 0 ? QString(80, QLatin1Char('i')) : QStringLiteral("n%1").arg(i));
    const QString wide = QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");
    many[2345] = wide;
    ASSERT_GT(fm.horizontalAdvance(wide), fm.horizontalAdvance(many[0]));
    Fill(many);
    ctrl.RecalcListColumnWidth();
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(wide) + padding);
    const QString wider = wide + QStringLiteral("MMMM");
    ctrl.AppendRow(folder.Add(wider));
    EXPECT_EQ(ctrl.ListColumnWidth(), fm.horizontalAdvance(wider) + padding);
}

TEST_F(PaneListCtrlTest, LabelTipsShowFullNamesOfElidedLabels) {
    Fill({"short", QString(90, QLatin1Char('x')) + QStringLiteral(".txt")});
    ctrl.OnCommand(ID_VIEW_DETAILS);
    ctrl.resize(400, 200);
    ctrl.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    QAbstractItemView* view = ctrl.ActiveView();
    auto hover = [&](int row) {
        const QPoint pos = view->visualRect(ctrl.Model()->index(row, 0)).center();
        QHelpEvent help(QEvent::ToolTip, pos, view->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(view->viewport(), &help);
    };
    auto tipGone = [] { return WaitFor([] { return !QToolTip::isVisible(); }, 5000); };
    ASSERT_TRUE(ctrl.ExtendedStyle() & 0x4000) << "label tips are on by default";
    hover(0);
    EXPECT_FALSE(QToolTip::isVisible()) << "a label that fits has no tip";
    hover(1);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), ctrl.ItemAt(1)->displayName);

    // Info tips come first when the style asks for them.
    ctrl.ItemAt(0)->infoTip = QStringLiteral("Type: text");
    ctrl.ApplyExtendedStyle(0x4000 | 0x400);
    hover(0);
    EXPECT_EQ(QToolTip::text(), "Type: text");

    ctrl.ApplyExtendedStyle(0);
    hover(1);
    EXPECT_TRUE(tipGone());
}

TEST_F(PaneListCtrlTest, TypeAheadSearchesAfterTheFocusAndWraps) {
    ScopedPrompter prompter;
    Fill({"cab", "xaby", "plain", "grab.txt", "abacus", "zebra"});
    ctrl.SetFocusedRow(1, true);

    // "A" then "B" within a second: the first name after the focus with "AB".
    SendKey(Qt::Key_A, Qt::ShiftModifier, 10000);
    EXPECT_EQ(ctrl.FocusedRow(), 2) << "plain is the first after row 1 with an A";
    SendKey(Qt::Key_B, Qt::ShiftModifier, 10400);
    EXPECT_EQ(ctrl.FocusedRow(), 3);
    EXPECT_EQ(Selected(), QStringList({"grab.txt"}));
    SendKey(Qt::Key_A, Qt::ShiftModifier, 10800);  // "ABA"
    EXPECT_EQ(ctrl.FocusedRow(), 4);
    // "ABAB" is nowhere: a warning beep, the focus stays.
    SendKey(Qt::Key_B, Qt::ShiftModifier, 11200);
    EXPECT_EQ(ctrl.FocusedRow(), 4);
    ASSERT_EQ(prompter->Beeps().size(), 1);
    EXPECT_EQ(prompter->Beeps()[0], BeepKind::Exclamation);

    // After more than a second the buffer starts again: "B" alone, searched
    // after row 4 and then from the top ("zebra" is row 5).
    SendKey(Qt::Key_B, Qt::ShiftModifier, 12300);
    EXPECT_EQ(ctrl.FocusedRow(), 5);
    SendKey(Qt::Key_C, Qt::ShiftModifier, 12400);  // "BC": nowhere
    EXPECT_EQ(prompter->Beeps().size(), 2);
    SendKey(Qt::Key_C, Qt::ShiftModifier, 13500);  // "C": wraps to row 0
    EXPECT_EQ(ctrl.FocusedRow(), 0);
    EXPECT_EQ(Selected(), QStringList({"cab"}));

    // Exactly 1000 ms later still counts as the same burst.
    SendKey(Qt::Key_A, Qt::ShiftModifier, 14500);  // "CA"
    EXPECT_EQ(ctrl.FocusedRow(), 0) << "only cab holds CA: found again by wrapping";
    EXPECT_EQ(prompter->Beeps().size(), 2);

    // Without Shift a letter looks for a name that starts with it (here
    // "zebra"), which the Shift search's buffer knows nothing of; with Ctrl
    // the key is no search at all.
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
    EXPECT_TRUE(ctrl.HandleKey(&plain));
    EXPECT_EQ(ctrl.FocusedRow(), 5);
    SendKey(Qt::Key_B, Qt::ShiftModifier, 14600);  // "CAB"
    EXPECT_EQ(ctrl.FocusedRow(), 0);
    EXPECT_EQ(prompter->Beeps().size(), 2);
    EXPECT_FALSE([&] {
        QKeyEvent ctrlShift(QEvent::KeyPress, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
        return ctrl.HandleKey(&ctrlShift);
    }());
}

// A new folder's rows start a new search, however quickly the keys come:
// letters typed for the old rows must not prefix the search in the new ones.
TEST_F(PaneListCtrlTest, TypeAheadStartsAfreshWithNewRows) {
    ScopedPrompter prompter;
    Fill({"alpha", "top"});
    SendKey(Qt::Key_T, Qt::ShiftModifier, 20000);
    SendKey(Qt::Key_O, Qt::ShiftModifier, 20100);
    ASSERT_EQ(ctrl.FocusedRow(), 1);

    Fill({"xyz", "draft", "atodz"});
    ctrl.SetFocusedRow(0, true);
    SendKey(Qt::Key_D, Qt::ShiftModifier, 20200);
    EXPECT_EQ(ctrl.FocusedRow(), 1) << "searched for D, not TOD";
    EXPECT_TRUE(prompter->Beeps().empty());

    // The views' own search of plain letters starts afresh too.
    Fill({"alpha", "top"});
    ctrl.SetFocusedRow(0, true);
    QTest::keyClicks(ctrl.ActiveView(), QStringLiteral("to"));
    ASSERT_EQ(ctrl.FocusedRow(), 1);
    Fill({"xyz", "draft", "atodz"});
    ctrl.SetFocusedRow(0, true);
    QTest::keyClicks(ctrl.ActiveView(), QStringLiteral("d"));
    EXPECT_EQ(ctrl.FocusedRow(), 1);
}

TEST_F(PaneListCtrlTest, TypeAheadUnderStickySelectionOnlyMovesTheFocus) {
    ScopedPrompter prompter;
    Fill({"one", "two", "three"});
    ctrl.SelectRow(0, true);
    ctrl.SelectRow(1, true);
    ctrl.SetStickySelection(true);
    SendKey(Qt::Key_H, Qt::ShiftModifier, 500);
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    EXPECT_EQ(Selected(), QStringList({"one", "two"}));
    EXPECT_TRUE(prompter->Beeps().isEmpty());
}

TEST_F(PaneListCtrlTest, SpaceTogglesAndInsertTogglesAndMovesTheFocus) {
    Fill({"a", "b", "c"});
    ctrl.SetFocusedRow(0, false);
    SendKey(Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(Selected(), QStringList({"a"}));
    SendKey(Qt::Key_Space, Qt::NoModifier);
    EXPECT_TRUE(Selected().isEmpty());

    SendKey(Qt::Key_Insert, Qt::NoModifier);
    SendKey(Qt::Key_Insert, Qt::NoModifier);
    EXPECT_EQ(Selected(), QStringList({"a", "b"}));
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    EXPECT_FALSE(ctrl.IsRowSelected(2)) << "the focus moves alone";
    // On the last row Insert toggles and stays.
    SendKey(Qt::Key_Insert, Qt::NoModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    EXPECT_EQ(Selected(), QStringList({"a", "b", "c"}));

    // A row the cursor selected is toggled like any other: Insert unmarks
    // it and moves on, leaving nothing marked (the pane's Insert rule).
    ctrl.ClearSelection();
    ctrl.SetFocusedRow(0, false);
    SendKey(Qt::Key_Down, Qt::NoModifier);
    ASSERT_EQ(Selected(), QStringList({"b"}));
    SendKey(Qt::Key_Insert, Qt::NoModifier);
    EXPECT_TRUE(Selected().isEmpty());
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    ctrl.SelectAll();
    ASSERT_EQ(Selected(), QStringList({"a", "b", "c"}));

    // They work under sticky selection as well.
    ctrl.SetStickySelection(true);
    SendKey(Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(Selected(), QStringList({"a", "b"}));

    QSignalSpy activated(&ctrl, &PaneListCtrl::rowActivated);
    SendKey(Qt::Key_Return, Qt::NoModifier);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated[0][0].toInt(), 2);
}

TEST_F(PaneListCtrlTest, StickySelectionKeepsRowsAgainstPlainClicksAndMoves) {
    Fill({"a", "b", "c", "d"});
    ctrl.resize(400, 300);
    ctrl.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    QAbstractItemView* view = ctrl.ActiveView();
    auto click = [&](int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QRect rect = view->visualRect(ctrl.Model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, rect.center());
    };

    // Without sticky selection a plain click selects only that row.
    click(0);
    click(2);
    EXPECT_EQ(Selected(), QStringList({"c"}));

    ctrl.SetStickySelection(true);
    click(0);
    EXPECT_EQ(Selected(), QStringList({"a", "c"}));
    click(2);
    EXPECT_EQ(Selected(), QStringList({"a"}));
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(ctrl.FocusedRow(), 3);
    EXPECT_EQ(Selected(), QStringList({"a"}));
    // The search by first letters moves only the focus too.
    QTest::keyClick(view, Qt::Key_B);
    EXPECT_EQ(ctrl.FocusedRow(), 1);
    EXPECT_EQ(Selected(), QStringList({"a"}));
    // A plain click on empty space changes nothing; Ctrl and Shift still
    // work as usual.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(view->viewport()->width() - 2, view->viewport()->height() - 2));
    EXPECT_EQ(Selected(), QStringList({"a"}));
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), QStringList({"a", "b", "c"}));

    ctrl.SetStickySelection(false);
    click(1);
    EXPECT_EQ(Selected(), QStringList({"b"}));
}

TEST_F(PaneListCtrlTest, SelectionAndFocusSurviveSortAndRemoval) {
    Fill({"d", "b", "e", "a", "c"});
    ctrl.SetSortKey(ID_SORT_NAME);
    ctrl.SetAscending(true);
    ctrl.SelectRow(0, true);      // d
    ctrl.SelectRow(2, true);      // e
    ctrl.SetFocusedRow(4, true);  // c
    QSignalSpy focus(&ctrl, &PaneListCtrl::focusChanged);

    ctrl.Sort();
    EXPECT_EQ(Rows(), QStringList({"a", "b", "c", "d", "e"}));
    EXPECT_EQ(Selected(), QStringList({"c", "d", "e"}));
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    EXPECT_EQ(ctrl.ItemAt(ctrl.FocusedRow())->name, "c");

    ctrl.RemoveRow(ctrl.ItemAt(0));  // a, unselected
    ctrl.RemoveRow(ctrl.ItemAt(2));  // d, selected
    EXPECT_EQ(Rows(), QStringList({"b", "c", "e"}));
    EXPECT_EQ(Selected(), QStringList({"c", "e"}));
    EXPECT_EQ(ctrl.SelectedCount(), 2);
    EXPECT_EQ(ctrl.SelectedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(ctrl.ItemAt(ctrl.FocusedRow())->name, "c");

    ctrl.SelectAll();
    EXPECT_EQ(ctrl.SelectedCount(), 3);
    ctrl.ClearSelection();
    EXPECT_EQ(ctrl.SelectedCount(), 0);
    ctrl.DeleteAllRows();
    EXPECT_EQ(ctrl.RowCount(), 0);
    EXPECT_EQ(ctrl.FocusedRow(), -1);
}

// Rows removed in one batch leave the rest selected and focused as they
// were, under sticky selection too: the removal is the program's own.
TEST_F(PaneListCtrlTest, BatchRemovalKeepsSelectionAndFocusOfTheRest) {
    Fill({"a", "b", "c", "d", "e", "f"});
    ctrl.SetStickySelection(true);
    for (int row : {0, 2, 4}) ctrl.SelectRow(row, true);
    ctrl.SetFocusedRow(3, false);
    QSignalSpy removed(ctrl.Model(), &QAbstractItemModel::rowsRemoved);
    ctrl.RemoveRows({ctrl.ItemAt(5), ctrl.ItemAt(0), ctrl.ItemAt(1)});
    EXPECT_EQ(removed.count(), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows(), QStringList({"c", "d", "e"}));
    EXPECT_EQ(Selected(), QStringList({"c", "e"}));
    EXPECT_EQ(ctrl.ItemAt(ctrl.FocusedRow())->name, "d");
}

TEST(PaneListCtrlWidthsTest, ParsesStoredColumnWidths) {
    const std::vector<int> defaults = {150, 70, 120};
    using W = std::vector<int>;
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("150,5,120", defaults, 1920), W({150, 70, 120}));
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("200,80", defaults, 1920), defaults);
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("", defaults, 1920), defaults);
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("1,2,3,4", defaults, 1920), defaults);
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths(" 300,10,1920", defaults, 1920), W({300, 10, 1920}));
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("9,1921,-50", defaults, 1920), W({150, 70, 120}));
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("abc,90px,", defaults, 1920), W({150, 90, 120}));
    EXPECT_EQ(PaneListCtrl::ParseColumnWidths("99999999999,40,40", defaults, 1920),
              W({150, 40, 40}));
}

TEST_F(PaneListCtrlTest, SettingsAreClampedAndWidthsWrittenOnlyInDetails) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString section = QStringLiteral("Left Pane Settings");
    {
        ProfileStore store(dir.filePath("bad.ini"));
        store.WriteProfileInt(section, PaneListCtrl::kKeySortBy, 32775);
        store.WriteProfileInt(section, PaneListCtrl::kKeyViewStyle, 59412);
        store.WriteProfileString(section, PaneListCtrl::kKeyColumnWidths, "150,5,120");
        ctrl.LoadSettings(store, section);
        EXPECT_EQ(ctrl.SortKey(), ID_SORT_TYPE);
        EXPECT_TRUE(ctrl.Ascending());
        EXPECT_EQ(ctrl.ViewStyle(), ID_VIEW_LIST);
        // The size column's 5 is below the minimum: its default, which fits
        // a 2 GiB file's size.
        const std::vector<int> loaded = ctrl.ColumnWidths();
        ASSERT_EQ(loaded.size(), 3u);
        EXPECT_EQ(loaded[0], 150);
        EXPECT_GT(loaded[1], ctrl.TreeView()->fontMetrics().horizontalAdvance("2,147,483,648"));
        EXPECT_EQ(loaded[2], 120);

        // Not in details: the widths are not written.
        ctrl.TreeView()->header()->resizeSection(0, 222);
        ProfileStore out(dir.filePath("out.ini"));
        ctrl.SaveSettings(out, section);
        EXPECT_FALSE(out.HasEntry(section, PaneListCtrl::kKeyColumnWidths));
        EXPECT_EQ(out.GetProfileInt(section, PaneListCtrl::kKeySortBy, 0), ID_SORT_TYPE);
        EXPECT_EQ(out.GetProfileInt(section, PaneListCtrl::kKeySortAscending, 0), 1);
        EXPECT_EQ(out.GetProfileInt(section, PaneListCtrl::kKeyViewStyle, 0), ID_VIEW_LIST);
    }
    {
        ProfileStore store(dir.filePath("good.ini"));
        store.WriteProfileInt(section, PaneListCtrl::kKeySortBy, ID_SORT_FOLDER);
        store.WriteProfileInt(section, PaneListCtrl::kKeySortAscending, 0);
        store.WriteProfileInt(section, PaneListCtrl::kKeyViewStyle, ID_VIEW_DETAILS);
        store.WriteProfileString(section, PaneListCtrl::kKeyColumnWidths, "300,40,200");
        ctrl.LoadSettings(store, section);
        EXPECT_EQ(ctrl.SortKey(), ID_SORT_FOLDER);
        EXPECT_FALSE(ctrl.Ascending());
        EXPECT_EQ(ctrl.ViewStyle(), ID_VIEW_DETAILS);
        EXPECT_EQ(ctrl.ColumnWidths(), (std::vector<int>{300, 40, 200}));

        ProfileStore out(dir.filePath("out2.ini"));
        ctrl.SaveSettings(out, section);
        EXPECT_EQ(out.GetProfileString(section, PaneListCtrl::kKeyColumnWidths), "300,40,200");
        EXPECT_EQ(out.GetProfileInt(section, PaneListCtrl::kKeySortAscending, 1), 0);
        EXPECT_EQ(out.GetProfileInt(section, PaneListCtrl::kKeySortBy, 0), ID_SORT_FOLDER);
    }
}

TEST_F(PaneListCtrlTest, DateColumnTitleFollowsTheSetting) {
    Fill({"a"});
    EXPECT_EQ(ctrl.Model()->headerData(2, Qt::Horizontal).toString(), "Modified");
    ScopedFileDate created(kTimeCreated);
    QSignalSpy header(ctrl.Model(), &QAbstractItemModel::headerDataChanged);
    ctrl.UpdateDateColumn();
    EXPECT_EQ(header.count(), 1);
    EXPECT_EQ(ctrl.Model()->headerData(2, Qt::Horizontal).toString(), "Created");
}

}  // namespace

namespace {

// With no stored widths the date column is wide enough for the dates as
// the locale writes them, whatever the fixed default says.
TEST_F(PaneListCtrlTest, DefaultDateColumnFitsTheDateTexts) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProfileStore store(dir.filePath("empty.ini"));
    ctrl.LoadSettings(store, QStringLiteral("Left Pane Settings"));
    const std::vector<int> widths = ctrl.ColumnWidths();
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_EQ(widths[0], 150);
    EXPECT_GT(widths[1], ctrl.TreeView()->fontMetrics().horizontalAdvance("2,147,483,648"));
    const QDateTime late(QDate(2026, 12, 28), QTime(23, 58, 58));
    const QString text = FormatFileTime(FileTimeFromTimespec(late.toSecsSinceEpoch(), 0));
    EXPECT_GE(widths[2], 120);
    EXPECT_GT(widths[2], ctrl.TreeView()->fontMetrics().horizontalAdvance(text))
        << text.toStdString();
}

}  // namespace

namespace {

// Without sticky selection a plain navigation key selects the row it lands
// on and only it, also when the focus did not move (Home on the first row,
// Down on the last); with Ctrl or Shift, or under sticky selection, the
// selection is left to those rules.
TEST_F(PaneListCtrlTest, NavigationKeysSelectTheRowTheyLandOn) {
    Fill({"a", "b", "c", "d"});
    ctrl.resize(400, 300);  // Page Up needs a page
    ctrl.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    for (int style : {ID_VIEW_LIST, ID_VIEW_DETAILS}) {
        ctrl.SetViewStyle(style);
        QAbstractItemView* view = ctrl.ActiveView();
        ctrl.ClearSelection();
        ctrl.SetFocusedRow(0, false);
        ASSERT_TRUE(Selected().isEmpty());
        QTest::keyClick(view, Qt::Key_Home);
        EXPECT_EQ(ctrl.FocusedRow(), 0);
        EXPECT_EQ(Selected(), QStringList({"a"})) << "Home on the focused first row";

        // A leftover selection elsewhere goes: the landing row is the one.
        ctrl.SelectRow(2, true);
        QTest::keyClick(view, Qt::Key_Home);
        EXPECT_EQ(Selected(), QStringList({"a"}));

        QTest::keyClick(view, Qt::Key_End);
        EXPECT_EQ(Selected(), QStringList({"d"}));
        ctrl.SelectRow(0, true);
        QTest::keyClick(view, Qt::Key_Down);  // already on the last row
        EXPECT_EQ(ctrl.FocusedRow(), 3);
        EXPECT_EQ(Selected(), QStringList({"d"}));
        QTest::keyClick(view, Qt::Key_PageUp);
        EXPECT_EQ(Selected(), QStringList({"a"}));
        QTest::keyClick(view, Qt::Key_Down);
        EXPECT_EQ(Selected(), QStringList({"b"}));

        // Ctrl moves the focus alone, as ever; Shift extends.
        QTest::keyClick(view, Qt::Key_Down, Qt::ControlModifier);
        EXPECT_EQ(ctrl.FocusedRow(), 2);
        EXPECT_EQ(Selected(), QStringList({"b"}));
        QTest::keyClick(view, Qt::Key_End, Qt::ShiftModifier);
        EXPECT_GE(Selected().size(), 2) << Selected().join(',').toStdString();
    }

    // Sticky selection: Home on the focused row moves nothing and selects
    // nothing.
    ctrl.ClearSelection();
    ctrl.SetFocusedRow(0, false);
    ctrl.SelectRow(2, true);
    ctrl.SetStickySelection(true);
    QTest::keyClick(ctrl.ActiveView(), Qt::Key_Home);
    QTest::keyClick(ctrl.ActiveView(), Qt::Key_End);
    EXPECT_EQ(ctrl.FocusedRow(), 3);
    EXPECT_EQ(Selected(), QStringList({"c"}));
    ctrl.DeleteAllRows();  // the items go before the shown list
}

// A capital typed with Shift is text: "Pic" finds the row that starts with
// it, not the first row holding a "P" somewhere; lower case alike. When no
// label starts with what was typed, the Shift letters are still looked for
// anywhere, and only a miss of both beeps.
TEST_F(PaneListCtrlTest, CapitalLettersTypeAheadLikeLowerCase) {
    ScopedPrompter prompter;
    Fill({".hiddendir", "Desktop", "Documents", "Downloads", "Music", "My Stuff", "Pictures",
          "Public"});
    ctrl.SetFocusedRow(0, true);
    Type(QStringLiteral("Pic"));
    EXPECT_EQ(Selected(), QStringList({"Pictures"}));

    now += 1100;  // a new search
    ctrl.SetFocusedRow(0, true);
    Type(QStringLiteral("My"));
    EXPECT_EQ(Selected(), QStringList({"My Stuff"}));

    now += 1100;
    ctrl.SetFocusedRow(0, true);
    Type(QStringLiteral("Doc"));
    EXPECT_EQ(Selected(), QStringList({"Documents"}));
    now += 1100;
    ctrl.SetFocusedRow(0, true);
    Type(QStringLiteral("doc"));
    EXPECT_EQ(Selected(), QStringList({"Documents"}));
    EXPECT_TRUE(prompter->Beeps().empty());

    // "USI" starts no label: found inside "Music"; "Q" nowhere: one beep.
    now += 1100;
    ctrl.SetFocusedRow(0, true);
    Type(QStringLiteral("USI"));
    EXPECT_EQ(Selected(), QStringList({"Music"}));
    EXPECT_TRUE(prompter->Beeps().empty());
    now += 1100;
    Type(QStringLiteral("Q"));
    EXPECT_EQ(Selected(), QStringList({"Music"}));
    EXPECT_EQ(prompter->Beeps().size(), 1u);
}

// The keyboard went elsewhere between two names (the copy dialog of a
// function-key click took it and got the Return): the letters typed on
// coming back begin a new name however quickly they come, for both
// searches. "report", the dialog, "zeta" finds zeta.txt, not "reportzeta".
TEST_F(PaneListCtrlTest, TypeAheadStartsAfreshAfterTheKeyboardWasElsewhere) {
    ScopedPrompter prompter;
    Fill({"report.txt", "zeta.txt", "Zulu"});
    ctrl.resize(400, 300);
    ctrl.show();
    ctrl.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ctrl));
    ctrl.ActiveView()->setFocus();
    ASSERT_TRUE(ctrl.ActiveView()->hasFocus());
    // A window of its own takes the keyboard and gives it back; the clock
    // stands still meanwhile, well inside every typing interval.
    auto keyboardElsewhere = [&] {
        QDialog dialog;
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        dialog.accept();
        ctrl.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&ctrl));
        ASSERT_TRUE(ctrl.ActiveView()->hasFocus());
    };

    ctrl.SetFocusedRow(1, true);
    Type(QStringLiteral("report"));
    ASSERT_EQ(Selected(), QStringList({"report.txt"}));
    keyboardElsewhere();
    Type(QStringLiteral("zeta"));
    EXPECT_EQ(Selected(), QStringList({"zeta.txt"}));

    // The Shift search: "U" finds Zulu; after the dialog "T" alone wraps
    // round to report.txt instead of missing "UT".
    now += 1100;
    ctrl.SetFocusedRow(0, true);
    SendKey(Qt::Key_U, Qt::ShiftModifier);
    ASSERT_EQ(ctrl.FocusedRow(), 2);
    keyboardElsewhere();
    SendKey(Qt::Key_T, Qt::ShiftModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 0);
    EXPECT_TRUE(prompter->Beeps().empty());
    ctrl.DeleteAllRows();  // the items go before the shown list
}

// The details header shows the key's column and the direction, follows
// every change of either, and shows nothing under a key no column has.
// Qt flips the indicator on its own at a click; the rule's direction wins.
TEST_F(PaneListCtrlTest, HeaderShowsTheSortColumnAndDirection) {
    QTemporaryDir dir;
    ProfileStore store(dir.filePath(QStringLiteral("s.ini")));
    store.WriteProfileInt(QStringLiteral("P"), PaneListCtrl::kKeySortBy, ID_SORT_SIZE);
    store.WriteProfileInt(QStringLiteral("P"), PaneListCtrl::kKeySortAscending, 0);
    ctrl.LoadSettings(store, QStringLiteral("P"));
    QHeaderView* header = ctrl.TreeView()->header();
    auto shows = [&](int column, Qt::SortOrder order) {
        return header->isSortIndicatorShown() && header->sortIndicatorSection() == column &&
               header->sortIndicatorOrder() == order;
    };
    EXPECT_TRUE(shows(1, Qt::DescendingOrder));

    Fill({"b", "a.txt", "sub/"});
    ctrl.OnCommand(ID_SORT_ASCENDING);
    EXPECT_TRUE(shows(1, Qt::AscendingOrder));
    ctrl.OnCommand(ID_SORT_DATE);
    EXPECT_TRUE(shows(2, Qt::AscendingOrder));
    ctrl.OnCommand(ID_SORT_TYPE);
    EXPECT_FALSE(header->isSortIndicatorShown() && header->sortIndicatorSection() >= 0);
    ctrl.OnCommand(ID_SORT_NAME);
    EXPECT_TRUE(shows(0, Qt::AscendingOrder));
    ctrl.OnCommand(ID_SORT_NONE);
    EXPECT_FALSE(header->isSortIndicatorShown() && header->sortIndicatorSection() >= 0);

    // Real clicks on the header: the indicator tells what the rule chose.
    ctrl.SetViewStyle(ID_VIEW_DETAILS);
    ctrl.resize(500, 300);
    ctrl.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    auto clickSection = [&](int section) {
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, header->height() / 2));
    };
    for (int i = 0; i < 3; ++i) {
        clickSection(0);
        EXPECT_EQ(ctrl.SortKey(), ID_SORT_NAME);
        EXPECT_TRUE(shows(0, ctrl.Ascending() ? Qt::AscendingOrder : Qt::DescendingOrder)) << i;
    }
    // One row: a click changes only the key, and the indicator keeps the
    // direction that did not change.
    Fill({"only"});
    const bool ascending = ctrl.Ascending();
    clickSection(1);
    EXPECT_EQ(ctrl.Ascending(), ascending);
    EXPECT_TRUE(shows(1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder));
    ctrl.DeleteAllRows();  // the items go before the shown list
}

}  // namespace
