// Dragging with the right button from a pane's list, scrolling while a drag
// rests near an edge, drops on the trash, and pasting onto a folder item.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "TransferTestSupport.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "pane/PaneContextMenu.h"
#include "pane/PaneDropForwarder.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/trash/Trash.h"
#include "shell/CommandIds.h"

namespace {

// Counts the pane context menus that would have opened, and picks the
// entry named `pick` (none when empty).
class MenuCounter {
public:
    explicit MenuCounter(QString pick = QString()) : m_pick(std::move(pick)) {
        m_previous = SetContextMenuChooser([this](QMenu& menu, const QPoint&) -> QAction* {
            ++shown;
            return m_pick.isEmpty() ? nullptr : Find(menu);
        });
    }
    ~MenuCounter() { SetContextMenuChooser(std::move(m_previous)); }
    int shown = 0;

private:
    QAction* Find(QMenu& menu) const {
        for (QAction* action : menu.actions()) {
            if (action->text() == m_pick)
                return action;
        }
        return nullptr;
    }
    QString m_pick;
    ContextMenuChooser m_previous;
};

class PaneDragTest : public DropTest {
protected:
    // Shows the pane so that its views have their real geometry.
    void Show(CPanexView& pane, QSize size) {
        pane.resize(size);
        pane.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }
    void SendMouse(QAbstractItemView& view, QEvent::Type type, QPoint point, Qt::MouseButton button,
                   Qt::MouseButtons buttons) {
        QWidget* viewport = view.viewport();
        QMouseEvent event(type, point, viewport->mapToGlobal(point), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
    // What the desktop sends at a right-button press: the press, then the
    // context menu request.
    void RightPress(QAbstractItemView& view, QPoint point) {
        SendMouse(view, QEvent::MouseButtonPress, point, Qt::RightButton, Qt::RightButton);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, point,
                               view.viewport()->mapToGlobal(point));
        QCoreApplication::sendEvent(view.viewport(), &menu);
    }
};

TEST_F(PaneDragTest, RightButtonDragStartsPastTheDragDistanceAndEndsWithTheMenusChoice) {
    ASSERT_TRUE(a.MakeFile("x.txt", "x"));
    ASSERT_TRUE(a.MakeFile("y.txt", "y"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));
    Show(*left, QSize(400, 300));
    left->List()->ClearSelection();
    QAbstractItemView& view = View(*left);
    const QPoint press = RowPoint(*left, "y.txt");

    int drags = 0;
    bool marked = false;
    std::uint32_t offered = 0;
    std::uint32_t preferred = 0;
    transfer->SetDropMenu([&](QPoint, std::uint32_t allowed, std::uint32_t wanted) {
        offered = allowed;
        preferred = wanted;
        return std::uint32_t(DROPEFFECT_COPY);
    });
    transfer->SetDragRunner([&](QDrag& drag) {
        ++drags;
        marked = drag.mimeData()->hasFormat(kRightButtonDragFormat);
        // Dropped on the other pane; the button is up by the time of the drop.
        QDropEvent drop(EmptyPoint(*right), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
                        drag.mimeData(), Qt::NoButton, Qt::NoModifier);
        transfer->Drop(*right, View(*right), drop);
        return drop.dropAction();
    });

    MenuCounter menus;
    RightPress(view, press);
    // A move within the drag distance neither drags nor opens the menu.
    SendMouse(view, QEvent::MouseMove, press + QPoint(1, 0), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(drags, 0);
    const QPoint away = press + QPoint(QApplication::startDragDistance() + 2, 0);
    SendMouse(view, QEvent::MouseMove, away, Qt::NoButton, Qt::RightButton);
    ASSERT_EQ(drags, 1);
    EXPECT_TRUE(marked);
    // The drop asked, offering everything with the desktop's effect (a move
    // within one volume) as the default; the choice was a copy.
    EXPECT_EQ(offered, kAllDropEffects);
    EXPECT_EQ(preferred, std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(b.Read("y.txt"), QByteArray("y"));
    EXPECT_TRUE(a.Exists("y.txt"));
    EXPECT_FALSE(b.Exists("x.txt"));  // only the item under the cursor was taken
    // The context menu of the press never comes.
    QCoreApplication::processEvents();
    EXPECT_EQ(menus.shown, 0);
    // Further moves after the drag start no second one.
    SendMouse(view, QEvent::MouseMove, away + QPoint(10, 0), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(drags, 1);
}

TEST_F(PaneDragTest, RightClickWithoutMovingOpensTheContextMenuAtTheRelease) {
    ASSERT_TRUE(a.MakeFile("x.txt", "x"));
    ASSERT_TRUE(Open(*left, a.Path()));
    Show(*left, QSize(400, 300));
    QAbstractItemView& view = View(*left);
    const QPoint press = RowPoint(*left, "x.txt");
    int drags = 0;
    transfer->SetDragRunner([&](QDrag&) {
        ++drags;
        return Qt::IgnoreAction;
    });

    MenuCounter menus;
    RightPress(view, press);
    QCoreApplication::processEvents();
    EXPECT_EQ(menus.shown, 0);  // held back while the button is down
    SendMouse(view, QEvent::MouseButtonRelease, press, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(WaitFor([&] { return menus.shown == 1; }));
    EXPECT_EQ(drags, 0);
    EXPECT_TRUE(IsSelected(*left, "x.txt"));

    // On empty space the menu (of the folder) opens at the press itself.
    const QPoint empty(view.viewport()->width() - 3, view.viewport()->height() - 3);
    ASSERT_FALSE(view.indexAt(empty).isValid());
    RightPress(view, empty);
    EXPECT_EQ(menus.shown, 2);
    SendMouse(view, QEvent::MouseButtonRelease, empty, Qt::RightButton, Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(menus.shown, 2);
}

TEST_F(PaneDragTest, ADragNearAnEdgeScrollsTheListThatWay) {
    for (int i = 0; i < 120; ++i) ASSERT_TRUE(b.MakeFile("f" + QByteArray::number(1000 + i), "f"));
    ASSERT_TRUE(a.MakeFile("in.txt", "i"));
    ASSERT_TRUE(Open(*right, b.Path()));
    right->List()->SetViewStyle(ID_VIEW_DETAILS);
    Show(*right, QSize(300, 200));
    QAbstractItemView& view = View(*right);
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_TRUE(WaitFor([&] { return bar->maximum() > 0; }));
    PaneDropForwarder* forwarder = TransferForwarderOf(view);
    ASSERT_TRUE(forwarder);

    QMimeData mime;
    mime.setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/in.txt")}));
    const QRect area = view.viewport()->rect();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    auto dragTo = [&](QPoint point) {
        QDragMoveEvent event(point, actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    };
    QDragEnterEvent enter(area.center(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    EXPECT_EQ(forwarder->AutoScrollDirection(), QPoint(0, 0));

    // Near the bottom: down, step by step, until the end.
    dragTo(QPoint(area.center().x(), area.bottom() - 2));
    EXPECT_EQ(forwarder->AutoScrollDirection(), QPoint(0, 1));
    const int top = bar->value();
    EXPECT_TRUE(forwarder->StepAutoScroll());
    EXPECT_GT(bar->value(), top);
    bar->setValue(bar->maximum());
    EXPECT_FALSE(forwarder->StepAutoScroll());

    // Near the top: up. Back in the middle: still.
    dragTo(QPoint(area.center().x(), area.top() + 2));
    EXPECT_EQ(forwarder->AutoScrollDirection(), QPoint(0, -1));
    EXPECT_TRUE(forwarder->StepAutoScroll());
    EXPECT_LT(bar->value(), bar->maximum());
    dragTo(area.center());
    EXPECT_EQ(forwarder->AutoScrollDirection(), QPoint(0, 0));

    // Leaving the list stops it.
    dragTo(QPoint(area.center().x(), area.bottom() - 2));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(view.viewport(), &leave);
    EXPECT_EQ(forwarder->AutoScrollDirection(), QPoint(0, 0));
    EXPECT_TRUE(a.Exists("in.txt"));
}

// -- The trash as a drop target -----------------------------------------------------------

class TrashDropTest : public PaneDragTest {
protected:
    void TearDown() override {
        // Whatever a test left in the trash goes for good.
        const std::vector<TrashEntry> remaining = Entries();
        DeleteFromTrash(remaining, false);
        PaneDragTest::TearDown();
    }
    // The trash entries that came from the left pane's folder.
    std::vector<TrashEntry> Entries() const {
        std::vector<TrashEntry> out;
        for (TrashEntry& entry : ListTrash()) {
            if (entry.originalPath.startsWith(a.PathBytes() + "/"))
                out.push_back(std::move(entry));
        }
        return out;
    }
    static QByteArray ReadPath(const QByteArray& path) {
        QFile file(NameFromBytes(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
};

TEST_F(TrashDropTest, DropsOnTheTrashItemOrIntoTheTrashFolderTrashAndCanBeRestored) {
    ASSERT_TRUE(a.MakeFile("first.txt", "first bytes"));
    ASSERT_TRUE(a.MakeFile("second.txt", "second bytes"));
    ASSERT_TRUE(Open(*left, a.Path()));
    // The Desktop, with the trash among its places.
    ASSERT_TRUE(right->OpenFolder(SHGetSpecialFolderLocation(CSIDL_DESKTOP)));
    ASSERT_TRUE(Item(*right, "Trash"));

    QMimeData first;
    first.setData(ClipFormats::kUriList, EncodeUriList({a.Path() + QStringLiteral("/first.txt")}));
    EXPECT_NE(DropAt(*right, RowPoint(*right, "Trash"), first, Qt::LeftButton, Qt::NoModifier),
              Qt::IgnoreAction);
    EXPECT_FALSE(a.Exists("first.txt"));

    // Into the open trash folder, on its empty space.
    ASSERT_TRUE(right->OpenFolder(SHGetSpecialFolderLocation(CSIDL_BITBUCKET)));
    Show(*right, QSize(400, 300));
    QAbstractItemView& view = View(*right);
    const QPoint empty(view.viewport()->width() - 3, view.viewport()->height() - 3);
    ASSERT_FALSE(view.indexAt(empty).isValid());
    QMimeData second;
    second.setData(ClipFormats::kUriList,
                   EncodeUriList({a.Path() + QStringLiteral("/second.txt")}));
    EXPECT_NE(DropAt(*right, empty, second, Qt::LeftButton, Qt::NoModifier), Qt::IgnoreAction);
    EXPECT_FALSE(a.Exists("second.txt"));
    EXPECT_TRUE(Item(*right, "second.txt"));  // the trash pane shows it
    EXPECT_TRUE(prompter->Requests().isEmpty()) << prompter->Describe().toStdString();

    // Both lie in the temporary home's trash, whole, and come back from there.
    std::vector<TrashEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    for (const TrashEntry& entry : entries) {
        EXPECT_TRUE(entry.trash.IsHome());
        EXPECT_TRUE(entry.FilePath().startsWith(HomeTrashPath() + "/files/"));
        EXPECT_EQ(ReadPath(entry.FilePath()), entry.OriginalName() == "first.txt"
                                                  ? QByteArray("first bytes")
                                                  : QByteArray("second bytes"));
    }
    EXPECT_EQ(RestoreFromTrash(entries), TrashActionResult::Done);
    EXPECT_EQ(a.Read("first.txt"), QByteArray("first bytes"));
    EXPECT_EQ(a.Read("second.txt"), QByteArray("second bytes"));
    EXPECT_TRUE(Entries().empty());
}

// -- Paste onto a folder item ---------------------------------------------------------------

TEST_F(PaneDragTest, PasteOnAFolderItemPastesIntoThatFolder) {
    ASSERT_TRUE(a.MakeFile("c.txt", "c"));
    ASSERT_TRUE(a.MakeFile("m.txt", "m"));
    ASSERT_TRUE(b.MakeFolder("inner"));
    ASSERT_TRUE(Open(*left, a.Path()));
    ASSERT_TRUE(Open(*right, b.Path()));

    // A copy, pasted through the folder item's context menu.
    ASSERT_TRUE(Select(*left, {"c.txt"}));
    ASSERT_TRUE(Run(ID_EDIT_COPY));
    host.active = right.get();
    ASSERT_TRUE(Select(*right, {"inner"}));
    {
        MenuCounter menus(QStringLiteral("&Paste"));
        right->ShowContextMenu(QPoint(0, 0));
        ASSERT_EQ(menus.shown, 1);
    }
    EXPECT_EQ(b.Read("inner/c.txt"), QByteArray("c"));
    EXPECT_FALSE(b.Exists("c.txt"));
    EXPECT_TRUE(a.Exists("c.txt"));
    EXPECT_TRUE(ClipboardOffersTransfer());  // a copy stays there

    // A cut moves into the folder and empties the clipboard.
    host.active = left.get();
    ASSERT_TRUE(Select(*left, {"m.txt"}));
    ASSERT_TRUE(Run(ID_EDIT_CUT));
    const IdList inner = Item(*right, "inner")->AbsoluteId(true);
    EXPECT_TRUE(transfer->PasteInto(*right, inner));
    EXPECT_EQ(b.Read("inner/m.txt"), QByteArray("m"));
    EXPECT_FALSE(a.Exists("m.txt"));
    EXPECT_FALSE(Item(*left, "m.txt"));
    EXPECT_FALSE(ClipboardOffersTransfer());

    // Nothing there to paste into: refused with a notice, nothing made.
    ASSERT_TRUE(a.MakeFile("n.txt", "n"));
    ASSERT_TRUE(left->RefreshPane(false, nullptr));
    ASSERT_TRUE(Select(*left, {"n.txt"}));
    ASSERT_TRUE(Run(ID_EDIT_COPY));
    ASSERT_TRUE(b.MakeFolder("gone"));
    const IdList gone = ParsePath(b.Path() + QStringLiteral("/gone"));
    ASSERT_EQ(::rmdir(b.Join("gone").constData()), 0);
    notices.entries.clear();
    EXPECT_TRUE(transfer->PasteInto(*right, gone));
    EXPECT_TRUE(notices.Has(kItemNoDropNotice, true));
    EXPECT_FALSE(b.Exists("gone"));
}

}  // namespace
