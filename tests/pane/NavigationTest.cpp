#include <unistd.h>

#include "NavigationTestSupport.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

QStringList Paths(const NavigationList& list) {
    QStringList paths;
    for (const QString& entry : list.Entries()) paths.append(NavigationList::PathOf(entry));
    return paths;
}

// The list on its own: neighbours move the position, a new visit cuts the
// forward part, the oldest entry goes beyond 30, a name is remembered per
// entry and comes back for a later visit of the same path.
TEST(NavigationListTest, KeepsHistoryAndRememberedNames) {
    NavigationList list;
    EXPECT_TRUE(list.Enter("/a").isEmpty());
    list.Leave("x");
    list.Enter("/b");
    list.Leave(QString());
    list.Enter("/c");
    EXPECT_EQ(list.PreviousPath(), QString("/b"));
    EXPECT_FALSE(list.NextPath());

    EXPECT_TRUE(list.Enter("/b").isEmpty());  // Back: no name kept for /b
    EXPECT_EQ(list.Current(), 1);
    list.Leave("y");
    EXPECT_EQ(list.Enter("/a"), "x");  // Back again
    EXPECT_EQ(list.NextPath(), QString("/b"));

    // A folder differing in case only is another folder.
    list.Enter("/B");
    EXPECT_EQ(Paths(list), (QStringList{"/a", "/B"}));

    // A later visit of /a (not a neighbour) takes the name kept with it.
    list.Enter("/d");
    EXPECT_EQ(list.Enter("/a"), "x");
    EXPECT_EQ(list.Count(), 4);

    NavigationList full;
    for (int i = 0; i <= NavigationList::kMaxEntries; ++i) full.Enter(QString("/f%1").arg(i));
    EXPECT_EQ(full.Count(), NavigationList::kMaxEntries);
    EXPECT_EQ(NavigationList::PathOf(full.Entries().first()), "/f1");
    EXPECT_EQ(full.Current(), NavigationList::kMaxEntries - 1);

    // A failed text drops a neighbour, never the current entry.
    full.DropFailed(QString("/f%1").arg(NavigationList::kMaxEntries));
    EXPECT_EQ(full.Count(), NavigationList::kMaxEntries);
    full.DropFailed(QString("/f%1").arg(NavigationList::kMaxEntries - 1));
    EXPECT_EQ(full.Count(), NavigationList::kMaxEntries - 1);
    EXPECT_EQ(full.PreviousPath(), QString("/f%1").arg(NavigationList::kMaxEntries - 2));
}

class NavigationTest : public RealShellTest {
protected:
    QString Sub(const char* name) { return PathJoin(dir.Path(), QString::fromUtf8(name)); }

    TestDir dir;
    PanePair panes;
    CPanexView& pane = *panes.first;
};

// Visiting A, B, C, Back twice, then D drops C, and Forward is disabled;
// Back and Forward show the neighbours' paths as tooltips; a vanished
// folder drops out when Back fails on it.
TEST_F(NavigationTest, BackForwardAndNewVisit) {
    for (const char* name : {"A", "B", "C", "D"}) ASSERT_TRUE(dir.MakeFolder(name));
    ASSERT_TRUE(pane.GoToText(Sub("A")));
    EXPECT_FALSE(Enabled(pane, ID_GOTO_PREVIOUS));
    ASSERT_TRUE(pane.GoToText(Sub("B")));
    ASSERT_TRUE(pane.GoToText(Sub("C")));
    EXPECT_EQ(pane.NavigationToolTip(ID_GOTO_PREVIOUS), Sub("B"));
    EXPECT_TRUE(pane.NavigationToolTip(ID_GOTO_NEXT).isEmpty());

    ASSERT_TRUE(pane.OnCommand(ID_GOTO_PREVIOUS));
    ASSERT_TRUE(pane.OnCommand(ID_GOTO_PREVIOUS));
    EXPECT_EQ(ShownPath(pane), Sub("A"));
    EXPECT_TRUE(Enabled(pane, ID_GOTO_NEXT));
    EXPECT_EQ(pane.NavigationToolTip(ID_GOTO_NEXT), Sub("B"));

    ASSERT_TRUE(pane.GoToText(Sub("D")));
    const QStringList paths = Paths(pane.Navigation());
    EXPECT_FALSE(paths.contains(Sub("C")));
    EXPECT_FALSE(paths.contains(Sub("B")));
    EXPECT_FALSE(Enabled(pane, ID_GOTO_NEXT));
    EXPECT_EQ(pane.NavigationToolTip(ID_GOTO_PREVIOUS), Sub("A"));

    ASSERT_EQ(::rmdir(dir.Join("A").constData()), 0);
    NoticeRecorder notices;
    pane.OnCommand(ID_GOTO_PREVIOUS);
    EXPECT_EQ(ShownPath(pane), Sub("D"));
    EXPECT_FALSE(Paths(pane.Navigation()).contains(Sub("A")));
    EXPECT_FALSE(Enabled(pane, ID_GOTO_PREVIOUS));
}

// The 31st distinct folder pushes the oldest out of the pane's history.
TEST_F(NavigationTest, ThirtyFirstFolderPushesOutTheOldest) {
    for (int i = 0; i <= NavigationList::kMaxEntries; ++i) {
        const QByteArray name = QByteArray("f") + QByteArray::number(i);
        ASSERT_TRUE(dir.MakeFolder(name));
        ASSERT_TRUE(pane.GoToText(Sub(name.constData())));
    }
    EXPECT_EQ(pane.Navigation().Count(), NavigationList::kMaxEntries);
    int back = 0;
    while (Enabled(pane, ID_GOTO_PREVIOUS) && back < 100) {
        pane.OnCommand(ID_GOTO_PREVIOUS);
        ++back;
    }
    EXPECT_EQ(back, NavigationList::kMaxEntries - 1);
    EXPECT_EQ(ShownPath(pane), Sub("f1"));
}

// Going back to a folder focuses the row that had the focus there; going up
// focuses the sub-folder just left, also when the parent was never visited.
TEST_F(NavigationTest, ReturningFocusesTheRowLeft) {
    ASSERT_TRUE(dir.MakeFolder("P/S"));
    ASSERT_TRUE(dir.MakeFolder("P/T"));
    ASSERT_TRUE(dir.MakeFile("P/x.txt", "x"));
    ASSERT_TRUE(pane.GoToText(Sub("P")));
    ASSERT_GE(pane.FocusByName("x.txt", false), 0);
    ASSERT_TRUE(pane.GoToText(Sub("P/T")));
    pane.OnCommand(ID_GOTO_PREVIOUS);
    EXPECT_EQ(ShownPath(pane), Sub("P"));
    EXPECT_EQ(FocusedName(pane), "x.txt");

    PanePair fresh;
    CPanexView& other = *fresh.first;
    ASSERT_TRUE(other.GoToText(Sub("P/S")));
    PressKey(other, Qt::Key_Backspace);
    EXPECT_EQ(ShownPath(other), Sub("P"));
    EXPECT_EQ(FocusedName(other), "S");
}

// The typed text: a bare pattern filters the folder shown; a path to a file
// opens its folder with the file focused and selected; nonsense is refused
// with the notice and leaves the pane where it was.
TEST_F(NavigationTest, GoToTextFiltersOpensFilesAndRefusesNonsense) {
    ASSERT_TRUE(dir.MakeFile("a.txt", "a"));
    ASSERT_TRUE(dir.MakeFile("b.bin", "b"));
    ASSERT_TRUE(dir.MakeFile("sub/c.txt", "c"));
    ASSERT_TRUE(dir.MakeFile("sub/d.txt", "d"));
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    const FolderModel* model = pane.Model();

    ASSERT_TRUE(pane.GoToText("  *.txt"));
    EXPECT_EQ(pane.Model(), model);  // not read again
    EXPECT_EQ(pane.FilterText(), "*.txt");
    EXPECT_EQ(RowNames(pane).size(), 2u);  // a.txt and the folder
    EXPECT_TRUE(pane.Caption()->FullText().endsWith(" [*.txt]"));
    CommandState state;
    ASSERT_TRUE(pane.OnUpdateCommand(ID_FILE_USE_FILTER, state));
    EXPECT_TRUE(state.checked);

    ASSERT_TRUE(pane.GoToText(Sub("sub/d.txt")));
    EXPECT_EQ(ShownPath(pane), Sub("sub"));
    EXPECT_EQ(FocusedName(pane), "d.txt");
    EXPECT_TRUE(IsSelected(pane, "d.txt"));
    EXPECT_FALSE(IsSelected(pane, "c.txt"));

    NoticeRecorder notices;
    EXPECT_FALSE(pane.GoToText(Sub("no*/where")));
    EXPECT_TRUE(notices.Has("The CPU cannot make any sense of the last input", true));
    EXPECT_EQ(ShownPath(pane), Sub("sub"));
    EXPECT_FALSE(pane.GoToText("   "));
}

// The filter toggle switches between "*" and the last filter, on the other
// pane with Alt, and says so when there never was one.
TEST_F(NavigationTest, FilterToggle) {
    ASSERT_TRUE(dir.MakeFile("a.txt"));
    ASSERT_TRUE(dir.MakeFile("b.bin"));
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    ASSERT_TRUE(panes.second->GoToText(dir.Path()));
    {
        NoticeRecorder notices;
        pane.OnCommand(ID_FILE_USE_FILTER);
        EXPECT_TRUE(notices.Has("No visual filter has been defined earlier.", false));
        EXPECT_EQ(pane.FilterText(), "*");
    }
    ASSERT_TRUE(pane.GoToText("*.txt"));
    pane.OnCommand(ID_FILE_USE_FILTER);
    EXPECT_EQ(pane.FilterText(), "*");
    EXPECT_EQ(pane.List()->RowCount(), 2);
    {
        ScopedKeyState alt(Qt::AltModifier);
        pane.OnCommand(ID_FILE_USE_FILTER);
    }
    EXPECT_EQ(pane.FilterText(), "*");
    EXPECT_EQ(panes.second->FilterText(), "*.txt");
    EXPECT_EQ(panes.second->List()->RowCount(), 1);
}

// The pane's keys: Backspace goes up (nothing at the Desktop), Ctrl to the
// Desktop, Shift to the volume's root; Delete and Ctrl+7 go to the frame;
// Shift+Tab without a bar to focus is used up without effect.
TEST_F(NavigationTest, Keys) {
    ASSERT_TRUE(dir.MakeFile("f/x.txt"));
    ASSERT_TRUE(pane.GoToText(Sub("f")));

    PressKey(pane, Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_EQ(ShownPath(pane), PathRootPart(dir.Path()));

    ASSERT_TRUE(pane.GoToText(Sub("f")));
    pane.List()->ClearSelection();
    PressKey(pane, Qt::Key_Delete);
    pane.List()->SetFocusedRow(0, true);
    PressKey(pane, Qt::Key_Delete);
    PressKey(pane, Qt::Key_7, Qt::ControlModifier);
    PressKey(pane, Qt::Key_Backtab, Qt::ShiftModifier);
    // Del without a selection goes to the command as well, which refuses
    // it with its notice.
    ASSERT_TRUE(WaitFor([&] { return panes.host.executed.size() >= 3; }));
    EXPECT_EQ(panes.host.executed,
              (std::vector<int>{ID_LAYOUT_FIRST, ID_FILE_DELETE, ID_FILE_DELETE}));
    EXPECT_EQ(ShownPath(pane), Sub("f"));

    PressKey(pane, Qt::Key_Backspace, Qt::ControlModifier);
    ASSERT_TRUE(pane.Model()->idList.IsEmpty());
    EXPECT_FALSE(Enabled(pane, ID_GOTO_PARENT));
    const FolderModel* desktop = pane.Model();
    PressKey(pane, Qt::Key_Backspace);
    EXPECT_EQ(pane.Model(), desktop);
}

// Internal command ID_INTERNAL_GO opens its id list in the command target.
TEST_F(NavigationTest, PostedIdListOpensInCommandTarget) {
    ASSERT_TRUE(dir.MakeFolder("g"));
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    CPanexView::PostGoToIdList(pane, ParsePath(Sub("g")));
    ASSERT_TRUE(WaitFor([&] { return ShownPath(pane) == Sub("g"); }));
    {
        ScopedKeyState alt(Qt::AltModifier);
        CPanexView::PostGoToIdList(pane, ParsePath(dir.Path()));
        ASSERT_TRUE(WaitFor([&] { return ShownPath(*panes.second) == dir.Path(); }));
    }
    EXPECT_EQ(ShownPath(pane), Sub("g"));
}

class NavigationFakeTest : public FakeShellTest {};

// A relative text is refused while the pane shows a virtual folder and
// taken while it shows a file-system folder; special folders open in the
// command target, or give the notice when the system has none.
TEST_F(NavigationFakeTest, RelativeTextAndSpecialFolders) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("sub"));
    const QByteArray real = RealPathBytes(dir.PathBytes());
    FakeNode& folder = MirrorFolder(real);
    folder.AddFolder("sub", kFsFolder);
    Root().AddFolder("Virtual").AddFile("applet", 0);
    Root().AddFolder("Docs");
    CwdKeeper keeper;
    ASSERT_EQ(::chdir(real.constData()), 0);

    PanePair panes;
    CPanexView& pane = *panes.first;
    ASSERT_TRUE(pane.OpenFolder(shell->AbsoluteId("Virtual")));
    {
        NoticeRecorder notices;
        EXPECT_FALSE(pane.GoToText("sub"));
        EXPECT_TRUE(notices.Has("The CPU cannot make any sense of the last input", true));
        EXPECT_EQ(shell->NodeOf(pane.Model()->idList)->Name(), "Virtual");
    }
    ASSERT_TRUE(pane.OpenFolder(ParsePath(NameFromBytes(real))));
    EXPECT_TRUE(pane.GoToText("sub"));
    EXPECT_EQ(shell->NodeOf(pane.Model()->idList)->Name(), "sub");

    {
        NoticeRecorder notices;
        pane.OnCommand(ID_GOTO_DOCUMENTS);
        EXPECT_TRUE(notices.Has("Where is that special folder then?", true));
    }
    shell->SetSpecialFolder(CSIDL_PERSONAL, "Docs");
    {
        ScopedKeyState alt(Qt::AltModifier);
        pane.OnCommand(ID_GOTO_DOCUMENTS);
    }
    ASSERT_TRUE(panes.second->Model());
    EXPECT_EQ(shell->NodeOf(panes.second->Model()->idList)->Name(), "Docs");
    EXPECT_EQ(shell->NodeOf(pane.Model()->idList)->Name(), "sub");
}

}  // namespace
