// The find results window's context menu over the real frame: the menu is
// the frame's "findRMB", yet what it shows checked and greyed is the
// results window's own state, not the active pane's.

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "FrameFixture.h"
#include "find/FindRequest.h"
#include "find/FindResultsWindow.h"

namespace {

class FindResultsMenuTest : public FrameFixture {
protected:
    void TearDown() override {
        delete window.data();
        FrameFixture::TearDown();
    }

    static QAction* ActionOf(QMenu* menu, int id) {
        for (QAction* action : menu->actions()) {
            if (QMenu* sub = action->menu()) {
                if (QAction* found = ActionOf(sub, id))
                    return found;
                continue;
            }
            bool ok = false;
            if (action->data().toInt(&ok) == id && ok)
                return action;
        }
        return nullptr;
    }

    QPointer<FindResultsWindow> window;
};

}  // namespace

TEST_F(FindResultsMenuTest, TheMenuShowsTheResultsWindowsViewAndSelection) {
    ASSERT_TRUE(Start());
    // The active pane shows details; the results window keeps its own list
    // style (the stored default).
    frame->ActivatePane(frame->GetLeftPane());
    ASSERT_TRUE(frame->Commands().Execute(ID_VIEW_DETAILS));
    ASSERT_EQ(frame->GetLeftPane()->List()->ViewStyle(), ID_VIEW_DETAILS);

    FindRequest request;
    request.lookIn = leftPath;
    request.folders = {leftPath.toUtf8()};
    request.patterns.Parse(FindPatternText(QStringLiteral("*.txt"), true));
    window = new FindResultsWindow(*frame, request, FindWindowServices{});
    QTRY_VERIFY_WITH_TIMEOUT(!window->IsRunning(), 10000);
    ASSERT_EQ(window->List()->RowCount(), 2);
    ASSERT_EQ(window->List()->ViewStyle(), ID_VIEW_LIST);
    window->List()->SetFocusedRow(0, true);
    ASSERT_EQ(window->List()->SelectedCount(), 1);

    for (int viewStyle : {ID_VIEW_LIST, ID_VIEW_DETAILS}) {
        SCOPED_TRACE(viewStyle);
        window->OnCommand(viewStyle);
        ASSERT_EQ(window->List()->ViewStyle(), viewStyle);
        std::unique_ptr<QMenu> menu = window->BuildContextMenu();
        ASSERT_NE(menu, nullptr);
        // What exec() does first.
        Q_EMIT menu->aboutToShow();
        for (int id : {ID_FIND_BROWSE, ID_FIND_VIEW_FILE, ID_FIND_DELETE, ID_FIND_COPY,
                       ID_FIND_BATCH, ID_FIND_SELECT_ALL}) {
            QAction* action = ActionOf(menu.get(), id);
            ASSERT_NE(action, nullptr) << id;
            EXPECT_TRUE(action->isEnabled()) << id << " with one result selected";
        }
        QAction* list = ActionOf(menu.get(), ID_VIEW_LIST);
        QAction* details = ActionOf(menu.get(), ID_VIEW_DETAILS);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(details, nullptr);
        EXPECT_EQ(list->isChecked(), viewStyle == ID_VIEW_LIST);
        EXPECT_EQ(details->isChecked(), viewStyle == ID_VIEW_DETAILS);
    }

    // With nothing selected the commands that need a selection are greyed.
    window->List()->ClearSelection();
    std::unique_ptr<QMenu> menu = window->BuildContextMenu();
    Q_EMIT menu->aboutToShow();
    EXPECT_FALSE(ActionOf(menu.get(), ID_FIND_BROWSE)->isEnabled());
    EXPECT_FALSE(ActionOf(menu.get(), ID_FIND_VIEW_FILE)->isEnabled());
    EXPECT_TRUE(ActionOf(menu.get(), ID_FIND_SELECT_ALL)->isEnabled());
}
