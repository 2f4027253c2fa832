#include <QAbstractItemView>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "ActivationTestSupport.h"
#include "ListCtrlTestItems.h"
#include "platform/namespace/ShellNamespace.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

class ActivationTest : public RealShellTest {
protected:
    ActivationTest() {
        saved = General();
        TheDriveFolders().Clear();
        first = std::make_unique<RecordingPane>(host);
        second = std::make_unique<RecordingPane>(host);
        AttachPanes(host, *first, second.get());
    }
    ~ActivationTest() override {
        second.reset();
        first.reset();
        TheDriveFolders().Clear();
        MutableGeneral() = saved;
    }
    bool Open(CPanexView& pane, const QByteArray& path) {
        return pane.OpenFolder(ParsePath(NameFromBytes(path)));
    }
    QString Cwd() const { return QString::fromUtf8(RealPathBytes(".")); }
    static QString Real(const TestDir& dir) {
        return QString::fromUtf8(RealPathBytes(dir.PathBytes()));
    }

    CwdKeeper cwd;
    GeneralSettings saved;
    ActivationHost host;
    std::unique_ptr<RecordingPane> first;
    std::unique_ptr<RecordingPane> second;
};

// The process's current directory follows the active pane's file-system
// folder; an inactive pane never changes it, and remembers its folder as
// its volume's current one only while the active pane is elsewhere.
TEST_F(ActivationTest, CurrentDirectoryFollowsTheActiveFileSystemPane) {
    TestDir one;
    TestDir two;
    ASSERT_TRUE(one.MakeFile("x", "1"));
    ASSERT_TRUE(two.MakeFile("y", "2"));
    MutableGeneral().keepTreeInSync = true;

    ASSERT_TRUE(Open(*first, one.PathBytes()));
    EXPECT_EQ(Cwd(), Real(one));
    ASSERT_FALSE(host.addressUpdates.empty());
    EXPECT_EQ(host.addressUpdates.back().pane, first.get());
    EXPECT_TRUE(host.addressUpdates.back().withHistory);
    ASSERT_FALSE(host.located.empty()) << "the tree follows with bKeepTreeInSync";
    EXPECT_EQ(host.located.back(), first->Model()->idList);

    host.addressUpdates.clear();
    ASSERT_TRUE(Open(*second, two.PathBytes()));
    EXPECT_EQ(Cwd(), Real(one)) << "the inactive pane leaves it alone";
    EXPECT_TRUE(host.addressUpdates.empty()) << "only the active pane updates the address bar";
    EXPECT_EQ(TheDriveFolders().FolderOf(second->Model()->path),
              std::optional<QString>(first->Model()->path))
        << "same volume as the active pane: nothing remembered for the inactive one";

    // Activation moves to the second pane.
    host.active = second.get();
    second->ActivationUpdate(QString());
    EXPECT_EQ(Cwd(), Real(two));
    EXPECT_EQ(host.addressUpdates.back().pane, second.get());

    // The active pane shows a virtual folder: the inactive one's folder is
    // its volume's current folder, and the process's directory stays.
    ASSERT_TRUE(second->OpenFolder(SHGetSpecialFolderLocation(CSIDL_DRIVES)));
    ASSERT_FALSE(second->Model()->IsFileSystem());
    EXPECT_EQ(Cwd(), Real(two));
    host.located.clear();
    MutableGeneral().keepTreeInSync = false;
    ASSERT_TRUE(Open(*first, one.PathBytes()));
    EXPECT_EQ(Cwd(), Real(two));
    EXPECT_EQ(TheDriveFolders().FolderOf(first->Model()->path),
              std::optional<QString>(first->Model()->path));
    EXPECT_TRUE(host.located.empty()) << "the inactive pane never moves the tree";
}

// A name to focus is focused (and selected unless sticky selection is on);
// without one the active pane's focus goes to row 0.
TEST_F(ActivationTest, FocusGoesToTheNamedRowOrTheFirstRow) {
    TestDir dir;
    for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(dir.MakeFile(name, "x"));
    first->List()->SetSortKey(ID_SORT_NAME);
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    EXPECT_EQ(first->List()->FocusedRow(), 0);
    EXPECT_EQ(first->List()->SelectedCount(), 0);

    first->ActivationUpdate(QStringLiteral("c"));
    EXPECT_EQ(first->List()->FocusedRow(), 2);
    EXPECT_TRUE(first->List()->IsRowSelected(2));

    first->List()->ClearSelection();
    first->SetStickySelection(true);
    first->ActivationUpdate(QStringLiteral("b"));
    EXPECT_EQ(first->List()->FocusedRow(), 1);
    EXPECT_EQ(first->List()->SelectedCount(), 0) << "sticky selection: focus only";

    // An unknown name falls through to the focused row.
    first->ActivationUpdate(QStringLiteral("nothing"));
    EXPECT_EQ(first->List()->FocusedRow(), 1);
}

// Locating the folder in the tree is possible only while a tree is shown.
TEST_F(ActivationTest, LocateInTreeNeedsATree) {
    TestDir dir;
    ASSERT_TRUE(Open(*first, dir.PathBytes()));
    CommandState hidden;
    ASSERT_TRUE(first->OnUpdateCommand(ID_TREE_LOCATE, hidden));
    EXPECT_FALSE(hidden.enabled);
    EXPECT_FALSE(first->RunPaneCommand(ID_TREE_LOCATE));

    host.treeVisible = true;
    host.located.clear();
    CommandState shown;
    ASSERT_TRUE(first->OnUpdateCommand(ID_TREE_LOCATE, shown));
    EXPECT_TRUE(shown.enabled);
    EXPECT_TRUE(first->RunPaneCommand(ID_TREE_LOCATE));
    ASSERT_EQ(host.located.size(), 1u);
    EXPECT_EQ(host.located[0], first->Model()->idList);
}

// Info tips answer for the first column only: the description alone for a
// label shown in full, the full label and the description for an elided
// one.
TEST(ActivationInfoTipTest, InfoTipsFollowTheLabelRule) {
    PaneListCtrl ctrl;
    TestFolder folder;
    FolderItem* shortName = folder.Add("a.txt");
    shortName->infoTip = QStringLiteral("Type: text");
    FolderItem* longName = folder.Add(QString(200, QLatin1Char('n')));
    longName->infoTip = QStringLiteral("Type: long");
    FolderItem* none = folder.Add("quiet");
    none->infoTip = QStringLiteral(" ");
    ctrl.AppendRow(shortName);
    ctrl.AppendRow(longName);
    ctrl.AppendRow(none);
    ctrl.SetViewStyle(ID_VIEW_DETAILS);
    ctrl.ApplyExtendedStyle(0x400);
    ctrl.resize(500, 300);
    ctrl.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    QAbstractItemView* view = ctrl.ActiveView();

    auto tipAt = [&](int row, int column) {
        const QRect rect = view->visualRect(ctrl.Model()->index(row, column));
        QHelpEvent event(QEvent::ToolTip, rect.center(),
                         view->viewport()->mapToGlobal(rect.center()));
        QCoreApplication::sendEvent(view->viewport(), &event);
        return QToolTip::text();
    };
    auto unanswered = [&](int row, int column) {
        tipAt(row, column);
        return WaitFor([] { return !QToolTip::isVisible(); });
    };
    EXPECT_EQ(tipAt(0, 0), QStringLiteral("Type: text"));
    EXPECT_EQ(tipAt(1, 0), longName->displayName + QStringLiteral("\nType: long"));
    EXPECT_TRUE(unanswered(0, 1)) << "other columns are not answered";
    EXPECT_EQ(tipAt(0, 0), QStringLiteral("Type: text"));
    EXPECT_TRUE(unanswered(2, 0)) << "no description, no tip";
}

}  // namespace
