// Folder statistics through the frame: Ctrl+D opens a window over the active
// pane's folder, its "Print" runs along the frame's chain, and the run's
// choices reach "Folder Data Settings" when the program ends, after the
// frame has gone.

#include <QApplication>
#include <QTreeWidget>

#include "FrameFixture.h"
#include "stats/CFolderStats.h"
#include "stats/FolderStatsWindow.h"

namespace {

class FolderStatsFrameTest : public FrameFixture {
protected:
    static QList<FolderStatsWindow*> StatsWindows() {
        QList<FolderStatsWindow*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<FolderStatsWindow*>(widget))
                windows.append(window);
        }
        return windows;
    }
};

}  // namespace

TEST_F(FolderStatsFrameTest, CtrlDOpensTheWindowAndTheRunsChoiceIsSavedAtExit) {
    ASSERT_TRUE(Start());
    std::optional<CommandState> print = frame->Commands().Query(ID_DIRDATA_PRINT);
    ASSERT_TRUE(print.has_value());
    EXPECT_FALSE(print->enabled);

    ASSERT_TRUE(frame->Commands().Execute(ID_FOLDER_DATA));
    const QList<FolderStatsWindow*> windows = StatsWindows();
    ASSERT_EQ(windows.size(), 1);
    FolderStatsWindow* window = windows.first();
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Folder Statistics (")));
    // The left pane's folder: "sub" and two files of 1 and 2 bytes.
    EXPECT_EQ(window->Tree()->topLevelItem(0)->text(0),
              QStringLiteral("0kB \"left\": Sub-Folders=1, Files=2"));
    print = frame->Commands().Query(ID_DIRDATA_PRINT);
    ASSERT_TRUE(print.has_value());
    EXPECT_TRUE(print->enabled);

    window->RunCommand(ID_SORT_NAME);
    Stop();
    EXPECT_TRUE(StatsWindows().isEmpty());
    EXPECT_EQ(ReadStore(FolderStatsKeys::kSection, FolderStatsKeys::kSortBy).toInt(), ID_SORT_NAME);
    EXPECT_TRUE(ReadStore(FolderStatsKeys::kSection, QStringLiteral("szWindowRect")).isValid());
}
