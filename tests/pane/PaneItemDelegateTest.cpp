#include <gtest/gtest.h>

#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QStandardItemModel>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include "pane/ListExtendedStyle.h"
#include "pane/PaneItemDelegate.h"

namespace {

// The delegate on a details view of its own over a plain model: names in
// the first column, nothing in the second, so a cell's colour there is its
// background alone.
class PaneItemDelegateTest : public ::testing::Test {
protected:
    PaneItemDelegateTest() : model(4, 2) {
        for (int row = 0; row < 4; ++row)
            model.setItem(row, 0, new QStandardItem(QStringLiteral("name %1").arg(row)));
        tree.setModel(&model);
        tree.setItemDelegate(&delegate);
        tree.setRootIsDecorated(false);
        tree.setSelectionBehavior(QAbstractItemView::SelectRows);
        // The view of an inactive pane: never the keyboard focus.
        tree.setFocusPolicy(Qt::NoFocus);
        tree.header()->resizeSection(0, 120);
        tree.header()->resizeSection(1, 120);
        tree.resize(300, 200);
        tree.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&tree));
        tree.selectionModel()->select(model.index(0, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QImage Paint(int style) {
        delegate.SetExtendedStyle(style);
        return tree.viewport()->grab().toImage();
    }
    QRect Cell(int row, int column) const { return tree.visualRect(model.index(row, column)); }
    static QRgb At(const QImage& image, QPoint point) { return image.pixel(point); }

    QStandardItemModel model;
    PaneItemDelegate delegate;
    QTreeView tree;
};

// Without full-row selection only the first cell of a selected row is lit;
// with it the whole row. Grid lines run along the cells' bottom edges.
TEST_F(PaneItemDelegateTest, HighlightAndGridLinesFollowTheStyle) {
    using namespace ListExtendedStyle;
    const QImage nameOnly = Paint(0);
    // Left of the text, at the height of the empty cells' centres (the
    // style may shade a highlight from top to bottom).
    const QPoint selectedName(Cell(0, 0).left() + 2, Cell(0, 1).center().y());
    const QPoint plainName(Cell(1, 0).left() + 2, Cell(1, 1).center().y());
    ASSERT_NE(At(nameOnly, selectedName), At(nameOnly, plainName)) << "the name cell is lit";
    const QPoint selectedEmpty = Cell(0, 1).center();
    const QPoint plainEmpty = Cell(1, 1).center();
    EXPECT_EQ(At(nameOnly, selectedEmpty), At(nameOnly, plainEmpty));

    const QImage fullRow = Paint(kFullRowSelect);
    EXPECT_NE(At(fullRow, selectedEmpty), At(fullRow, plainEmpty));
    EXPECT_EQ(At(fullRow, selectedEmpty), At(fullRow, selectedName));

    const QPoint bottom(Cell(2, 1).center().x(), Cell(2, 1).bottom());
    const QImage grid = Paint(kGridLines);
    EXPECT_NE(At(grid, bottom), At(nameOnly, bottom));
    EXPECT_EQ(At(grid, Cell(2, 1).center()), At(nameOnly, Cell(2, 1).center()));
}

// A view without the keyboard focus marks its current row with a frame,
// which changes that row's pixels and no other row's.
TEST_F(PaneItemDelegateTest, CurrentRowOfAnUnfocusedViewIsFramed) {
    ASSERT_FALSE(tree.hasFocus());
    tree.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    const QImage plain = Paint(0);
    tree.selectionModel()->setCurrentIndex(model.index(2, 0), QItemSelectionModel::NoUpdate);
    const QImage marked = Paint(0);
    auto rowDiffers = [&](int row) {
        const QRect rect = Cell(row, 0).united(Cell(row, 1));
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                if (plain.pixel(x, y) != marked.pixel(x, y))
                    return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(rowDiffers(2));
    EXPECT_FALSE(rowDiffers(1));
    EXPECT_FALSE(rowDiffers(3));
}

// Info tips come from the owner's function for the first column only, and
// only while the style asks for them.
TEST_F(PaneItemDelegateTest, InfoTipsAskTheOwnerForTheFirstColumnOnly) {
    using namespace ListExtendedStyle;
    std::vector<int> asked;
    delegate.SetInfoTipFunction([&](const QModelIndex& index) {
        asked.push_back(index.row());
        return QStringLiteral("about row %1").arg(index.row());
    });
    auto hover = [&](int row, int column) {
        const QPoint pos = Cell(row, column).center();
        QHelpEvent help(QEvent::ToolTip, pos, tree.viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(tree.viewport(), &help);
    };
    delegate.SetExtendedStyle(kInfoTip);
    hover(2, 0);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "about row 2");
    hover(3, 1);
    EXPECT_EQ(asked, std::vector<int>{2});

    delegate.SetExtendedStyle(0);
    hover(1, 0);
    EXPECT_EQ(asked, std::vector<int>{2}) << "not asked without the style bit";
}

}  // namespace
