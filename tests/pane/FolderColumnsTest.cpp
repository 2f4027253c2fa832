// A pane in the trash shows when each item was deleted and where from, in
// Computer each volume's space; back in a folder it has its own columns and
// widths again, and the stored widths are the pane's, not the trash's.

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "NavigationTestSupport.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/store/ProfileStore.h"
#include "platform/trash/Trash.h"
#include "shell/CommandIds.h"
#include "support/TestDir.h"

namespace {

class FolderColumnsTest : public RealShellTest {
protected:
    QStringList Titles() const {
        QStringList titles;
        const QAbstractItemModel* rows = pane.List()->Model();
        for (int c = 0; c < rows->columnCount(); ++c)
            titles << rows->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        return titles;
    }

    TestDir dir;
    PanePair panes;
    CPanexView& pane = *panes.first;
};

TEST_F(FolderColumnsTest, TheTrashShowsTheDeletionDateAndTheOriginalLocation) {
    // The other tests find the home trash as they left it: absent.
    const QString trashPath = QString::fromUtf8(HomeTrashPath());
    ASSERT_FALSE(QFileInfo::exists(trashPath));
    struct RemoveTrash {
        QString path;
        ~RemoveTrash() { QDir(path).removeRecursively(); }
    } removeTrash{trashPath};
    ASSERT_TRUE(dir.MakeFile("gone/thrown away.txt", "bye"));
    const QByteArray original = dir.Join("gone/thrown away.txt");
    ASSERT_EQ(MoveToTrash(original), TrashResult::Trashed);

    ASSERT_TRUE(pane.GoToText(dir.Path()));
    pane.List()->SetViewStyle(ID_VIEW_DETAILS);
    pane.List()->SetColumnWidths({211, 97, 143});
    const QStringList folderTitles = Titles();
    ASSERT_EQ(folderTitles.size(), 3);

    ASSERT_TRUE(pane.OpenFolder(SHGetSpecialFolderLocation(CSIDL_BITBUCKET)));
    EXPECT_EQ(Titles(),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Size"),
                           QStringLiteral("Deleted"), QStringLiteral("Original location")}));
    int row = -1;
    for (int r = 0; r < pane.List()->RowCount(); ++r) {
        if (pane.List()->ItemAt(r)->displayName == QStringLiteral("thrown away.txt"))
            row = r;
    }
    ASSERT_GE(row, 0);
    const QAbstractItemModel* rows = pane.List()->Model();
    EXPECT_EQ(rows->index(row, 3).data().toString(), dir.Path() + QStringLiteral("/gone"));
    EXPECT_FALSE(rows->index(row, 2).data().toString().isEmpty()) << "the deletion date";

    // Closing in the trash stores the pane's own widths.
    QTemporaryDir store;
    ProfileStore written(store.filePath(QStringLiteral("s.ini")));
    MutableGeneral().saveSettings = true;
    pane.SaveSettings(written);
    EXPECT_EQ(written.GetProfileString(pane.SettingsSection(), QStringLiteral("szColumnWidths")),
              QStringLiteral("211,97,143"));

    ASSERT_TRUE(pane.GoToText(dir.Path()));
    EXPECT_EQ(Titles(), folderTitles);
    EXPECT_EQ(pane.List()->ColumnWidths(), (std::vector<int>{211, 97, 143}));
}

TEST_F(FolderColumnsTest, ComputerShowsEachVolumesSpace) {
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    pane.List()->SetColumnWidths({180, 80, 150});
    ASSERT_TRUE(pane.OpenFolder(TheShellContext().drives));
    EXPECT_EQ(Titles(), (QStringList{QStringLiteral("Name"), QStringLiteral("Free space"),
                                     QStringLiteral("Total size")}));
    const QAbstractItemModel* rows = pane.List()->Model();
    int root = -1;
    for (int r = 0; r < pane.List()->RowCount(); ++r) {
        if (pane.List()->ItemAt(r)->displayName == QStringLiteral("/"))
            root = r;
    }
    ASSERT_GE(root, 0);
    EXPECT_TRUE(rows->index(root, 1).data().toString().endsWith(QStringLiteral("B")))
        << rows->index(root, 1).data().toString().toStdString();
    EXPECT_TRUE(rows->index(root, 2).data().toString().endsWith(QStringLiteral("B")));
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    EXPECT_EQ(pane.List()->ColumnWidths(), (std::vector<int>{180, 80, 150}));
}

}  // namespace
