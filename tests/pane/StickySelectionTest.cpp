#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include "ActivationTestSupport.h"
#include "ListCtrlTestItems.h"
#include "pane/PaneListCtrl.h"
#include "pane/StickySelectionKeeper.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"

namespace {

const QString kWarped = QStringLiteral("Cursor warped round the pane");

class StickySelectionTest : public ::testing::Test {
protected:
    StickySelectionTest() {
        for (const char* name : {"a", "b", "c", "d", "e"})
            ctrl.AppendRow(folder.Add(QString::fromLatin1(name)));
        ctrl.resize(400, 300);
        ctrl.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
        view = ctrl.ActiveView();
    }

    QStringList Selected() const { return NamesOf(ctrl.SelectedItems()); }
    QStringList Marked() const {
        QStringList names;
        for (int row = 0; row < ctrl.RowCount(); ++row) {
            if (ctrl.ItemAt(row)->selectedMark)
                names << ctrl.ItemAt(row)->name;
        }
        return names;
    }
    QPoint Center(int row) const { return view->visualRect(ctrl.Model()->index(row, 0)).center(); }
    void Click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(view->viewport(), button, mods, Center(row));
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        view->setFocus();
        QTest::keyClick(view, Qt::Key(key), mods);
    }

    PaneListCtrl ctrl;
    QAbstractItemModelTester tester{ctrl.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
    TestFolder folder;
    QAbstractItemView* view = nullptr;
};

// Arrow keys move only the focus, a plain click on a selected row unselects
// only that row and keeps the focus there, Ctrl and Shift change the
// selection as usual, and the marks follow every allowed change.
TEST_F(StickySelectionTest, PlainKeysAndClicksKeepTheOtherRows) {
    ctrl.SetStickySelection(true);
    Click(0);
    Click(2);
    Click(4, Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(Selected(), QStringList({"a", "c", "e"})) << "clicks add rows";
    EXPECT_EQ(Marked(), Selected());

    Click(2);
    EXPECT_EQ(Selected(), QStringList({"a", "e"}))
        << "a click on a selected row unselects it alone";
    EXPECT_EQ(ctrl.FocusedRow(), 2);
    Click(4, Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(Selected(), QStringList({"a", "e"})) << "a right click never unselects";

    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(ctrl.FocusedRow(), 4);
    Key(Qt::Key_Up);
    Key(Qt::Key_Home);
    EXPECT_EQ(ctrl.FocusedRow(), 0);
    EXPECT_EQ(Selected(), QStringList({"a", "e"})) << "moves leave the selection alone";

    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 1);
    EXPECT_TRUE(Selected().contains("b")) << "Shift extends as usual";
    EXPECT_EQ(Marked(), Selected());
    const QStringList extended = Selected();
    Click(1, Qt::ControlModifier);
    EXPECT_FALSE(Selected().contains("b")) << "Ctrl toggles as usual";
    EXPECT_EQ(Selected().size(), extended.size() - 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(Selected().contains("b")) << "an allowed change is not restored";
    EXPECT_EQ(Marked(), Selected());

    // The program's own changes are never refused.
    ctrl.ClearSelection();
    EXPECT_TRUE(Selected().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(Selected().isEmpty());
    EXPECT_TRUE(Marked().isEmpty());
}

// A deselection that came neither from the program nor from an allowed key
// or click is undone from the marks once the restore event arrives; without
// sticky selection the same change stands.
TEST_F(StickySelectionTest, RefusedChangeIsRestoredFromTheMarks) {
    ctrl.SetStickySelection(true);
    Click(1);
    Click(3);
    ASSERT_EQ(Marked(), QStringList({"b", "d"}));

    ctrl.SelectionModel()->clearSelection();
    EXPECT_EQ(Marked(), QStringList({"b", "d"})) << "a refused change leaves the marks";
    ASSERT_TRUE(WaitFor([&] { return Selected() == QStringList({"b", "d"}); }));
    EXPECT_FALSE(ctrl.IsRestoring());

    // Refusals in a row are undone together.
    ctrl.SelectionModel()->select(ctrl.Model()->index(1, 0),
                                  QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    ctrl.SelectionModel()->select(ctrl.Model()->index(3, 0),
                                  QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_TRUE(Selected().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return Selected() == QStringList({"b", "d"}); }));

    ctrl.SetStickySelection(false);
    ctrl.SelectionModel()->clearSelection();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Selected().isEmpty());
    EXPECT_TRUE(Marked().isEmpty());
}

// Alt+Down and Alt+Up step the focus through the selected rows only,
// wrapping round with a notice; with no selection nothing happens.
TEST_F(StickySelectionTest, AltDownAndUpWrapRoundTheSelectedRows) {
    NoticeRecorder notices;
    ctrl.SetFocusedRow(0, false);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 0);
    EXPECT_TRUE(notices.entries.empty());

    ctrl.SelectRow(1, true);
    ctrl.SelectRow(3, true);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 1);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 3);
    EXPECT_TRUE(notices.entries.empty());
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 1) << "past the last selected row: the first";
    EXPECT_TRUE(notices.Has(kWarped, false));

    notices.entries.clear();
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 3) << "before the first selected row: the last";
    EXPECT_TRUE(notices.Has(kWarped, false));
    notices.entries.clear();
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(ctrl.FocusedRow(), 1);
    EXPECT_TRUE(notices.entries.empty());
    EXPECT_EQ(Selected(), QStringList({"b", "d"})) << "only the focus moves";
}

// A marquee drag from empty space selects what it covers even under sticky
// selection, which is on again once the button is up.
TEST_F(StickySelectionTest, MarqueeSuspendsStickySelection) {
    ctrl.SetViewStyle(ID_VIEW_DETAILS);
    view = ctrl.ActiveView();
    QTest::qWait(0);
    ctrl.SetStickySelection(true);
    Click(0);
    ASSERT_EQ(Selected(), QStringList({"a"}));

    const QPoint empty(view->viewport()->width() - 5, view->viewport()->height() - 5);
    ASSERT_FALSE(view->indexAt(empty).isValid());
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, empty);
    EXPECT_EQ(Selected(), QStringList({"a"})) << "a press on empty space changes nothing";
    QTest::mouseMove(view->viewport(), Center(3) + QPoint(0, 30));
    QTest::mouseMove(view->viewport(), Center(3));
    EXPECT_FALSE(ctrl.StickySelection()) << "suspended while the marquee runs";
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, Center(3));
    ASSERT_TRUE(WaitFor([&] { return ctrl.StickySelection(); }));
    EXPECT_FALSE(Selected().contains("a")) << "the marquee replaced the selection";
    EXPECT_TRUE(Selected().contains("d"));
    EXPECT_EQ(Marked(), Selected());
}

// A list view of its own that asks a keeper, as any list built from the
// pane's pieces would.
class KeptListView : public QListView {
public:
    StickySelectionKeeper* keeper = nullptr;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        const QItemSelectionModel::SelectionFlags flags = QListView::selectionCommand(index, event);
        return keeper && keeper->IsEnabled() ? keeper->Command(index, event, flags) : flags;
    }
};

// The keeper keeps the selection of a plain view without a pane list:
// clicks add, a click on a selected row takes only it away, keys move the
// focus alone, a change from elsewhere is put back from the marks, the
// program's own change stands, and painting held by the owner stays held.
TEST(StickySelectionKeeperTest, KeepsTheSelectionOfAPlainView) {
    PaneRowModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    TestFolder folder;
    std::vector<FolderItem*> items;
    for (const char* name : {"w", "x", "y", "z"}) {
        items.push_back(folder.Add(QString::fromLatin1(name)));
        model.Append(items.back(), false);
    }
    KeptListView view;
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    StickySelectionKeeper keeper(&model, view.selectionModel(), &view);
    view.keeper = &keeper;
    keeper.Attach(&view);
    view.resize(300, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto selected = [&] {
        QStringList names;
        for (int row = 0; row < model.Count(); ++row) {
            if (view.selectionModel()->isRowSelected(row, {}))
                names << model.ItemAt(row)->name;
        }
        return names;
    };
    auto marked = [&] {
        QStringList names;
        for (FolderItem* item : items) {
            if (item->selectedMark)
                names << item->name;
        }
        return names;
    };
    auto click = [&](int row) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                          view.visualRect(model.index(row, 0)).center());
    };

    keeper.SetEnabled(true);
    QSignalSpy released(&keeper, &StickySelectionKeeper::buttonsReleased);
    click(0);
    click(2);
    EXPECT_EQ(selected(), QStringList({"w", "y"}));
    EXPECT_EQ(marked(), selected());
    ASSERT_TRUE(WaitFor([&] { return released.count() == 2; }));
    click(2);
    EXPECT_EQ(selected(), QStringList({"w"}));
    EXPECT_EQ(view.currentIndex().row(), 2);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.currentIndex().row(), 3);
    EXPECT_EQ(selected(), QStringList({"w"}));

    view.selectionModel()->clearSelection();
    EXPECT_EQ(marked(), QStringList({"w"}));
    ASSERT_TRUE(WaitFor([&] { return selected() == QStringList({"w"}); }));

    {
        const StickySelectionKeeper::ProgramChange change(keeper);
        view.selectionModel()->clearSelection();
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(selected().isEmpty());
    EXPECT_TRUE(marked().isEmpty());

    items[1]->selectedMark = 1;
    items[3]->selectedMark = 1;
    view.setUpdatesEnabled(false);
    keeper.Restore();
    EXPECT_EQ(selected(), QStringList({"x", "z"}));
    EXPECT_FALSE(view.updatesEnabled()) << "the owner's hold outlasts the restore";
    view.setUpdatesEnabled(true);
    keeper.Restore();
    EXPECT_TRUE(view.updatesEnabled());
    EXPECT_EQ(selected(), QStringList({"x", "z"}));
}

class StickyCommandTest : public FakeShellTest {};

// ID_MARK_STICKY sets both panes to the negation of the active pane's mode and is
// checked while on; hover selection disables it and forces it off.
TEST_F(StickyCommandTest, CommandFlipsBothPanesAndHoverSelectionForbidsIt) {
    Root().AddFolder("F").AddFile("x");
    const GeneralSettings saved = General();
    ActivationHost host;
    RecordingPane left(host);
    RecordingPane right(host);
    host.first = &left;
    host.second = &right;
    host.active = &right;
    left.LoadSettings();
    right.LoadSettings();
    left.SetStickySelection(true);

    ASSERT_TRUE(left.RunPaneCommand(ID_MARK_STICKY));
    EXPECT_TRUE(left.stickySelection());
    EXPECT_TRUE(right.stickySelection()) << "the active pane's mode was off";
    CommandState state;
    ASSERT_TRUE(right.OnUpdateCommand(ID_MARK_STICKY, state));
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(state.checked);

    ASSERT_TRUE(right.RunPaneCommand(ID_MARK_STICKY));
    EXPECT_FALSE(left.stickySelection());
    EXPECT_FALSE(right.stickySelection());

    right.SetStickySelection(true);
    right.List()->ApplyExtendedStyle(right.List()->ExtendedStyle() | 0x8);
    CommandState hover;
    ASSERT_TRUE(right.OnUpdateCommand(ID_MARK_STICKY, hover));
    EXPECT_FALSE(hover.enabled);
    EXPECT_FALSE(hover.checked);
    EXPECT_FALSE(right.stickySelection());
    MutableGeneral() = saved;
}

}  // namespace
