#include "NavigationTestSupport.h"
#include "shell/CommandIds.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

class StatusLineTest : public RealShellTest {
protected:
    void Select(const QString& name) {
        FolderItem* item = pane.Model()->FindByName(name);
        ASSERT_TRUE(item);
        pane.List()->SelectRow(pane.List()->RowOf(item), true);
    }
    QString DateOf(const QString& name) {
        return pane.Model()->FindByName(name)->DateText(General().fileDateUsed);
    }
    std::optional<QString> Indicator(int id) {
        CommandState state;
        EXPECT_TRUE(pane.OnUpdateCommand(id, state));
        return state.text;
    }

    TestDir dir;
    PanePair panes;
    CPanexView& pane = *panes.first;
};

// The summary's forms: several selected, one file (plural or not), a
// shortcut, a folder, nothing selected in a full or an empty folder, the
// focused row under sticky selection.
TEST_F(StatusLineTest, SelectionSummaryForms) {
    MutableGeneral().plainBytesFormat = true;
    ASSERT_TRUE(dir.MakeFolder("empty"));
    ASSERT_TRUE(pane.GoToText(PathJoin(dir.Path(), "empty")));
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION), QString("Empty folder"));

    ASSERT_TRUE(dir.MakeFile("one/only.txt", QByteArray(7, 'o')));
    ASSERT_TRUE(pane.GoToText(PathJoin(dir.Path(), "one")));
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION), QString("1 Object, 7 bytes in total"));

    ASSERT_TRUE(dir.MakeFile("many/a.bin", QByteArray(1000, 'a')));
    ASSERT_TRUE(dir.MakeFile("many/b.bin", QByteArray(2000, 'b')));
    ASSERT_TRUE(dir.MakeFolder("many/sub"));
    // A link whose target text is 1000 bytes long (it dangles: no matter).
    ASSERT_TRUE(dir.MakeSymlink("many/link", QByteArray(1000, 'x').replace(200, 1, "/")));
    ASSERT_TRUE(pane.GoToText(PathJoin(dir.Path(), "many")));
    pane.List()->ClearSelection();
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION), QString("4 Objects, 4,000 bytes in total"));

    Select("a.bin");
    Select("b.bin");
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION),
              QString("2 objects selected, 3,000 bytes in total"));
    MutableGeneral().plainBytesFormat = false;
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION), QString("2 objects selected, 2.929 kB in total"));
    MutableGeneral().plainBytesFormat = true;

    pane.List()->ClearSelection();
    Select("link");
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION),
              "Selected object: Link, 1,000 bytes, Modified " + DateOf("link"));
    pane.List()->ClearSelection();
    Select("sub");
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION),
              "Selected object: Folder, Modified " + DateOf("sub"));
    MutableGeneral().fileDateUsed = 2;
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION),
              "Selected object: Folder, Accessed " + DateOf("sub"));
    MutableGeneral().fileDateUsed = 0;

    pane.List()->ClearSelection();
    pane.SetStickySelection(true);
    pane.FocusByName("b.bin", false);
    EXPECT_EQ(Indicator(ID_INDICATOR_SELECTION),
              "Focused object: 2,000 bytes, Modified " + DateOf("b.bin"));
    pane.SetStickySelection(false);
}

// The free space is renewed at most once per interval, and at once after
// the pane read or refreshed its folder; a virtual folder shows none.
TEST_F(StatusLineTest, FreeSpaceInterval) {
    std::int64_t now = 1000000;
    SetStatusTickSource([&] { return now; });
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    const std::optional<QString> first = Indicator(ID_INDICATOR_FREESPACE);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->endsWith(" free"));
    EXPECT_FALSE(first->startsWith("???"));
    EXPECT_EQ(*first, FreeSpaceText(dir.Path()) + " free");

    now += pane.freeSpaceUpdateInterval();
    EXPECT_FALSE(Indicator(ID_INDICATOR_FREESPACE));
    now += 1;
    EXPECT_TRUE(Indicator(ID_INDICATOR_FREESPACE));
    EXPECT_FALSE(Indicator(ID_INDICATOR_FREESPACE));

    ASSERT_TRUE(pane.RefreshPane(false, nullptr));
    EXPECT_TRUE(Indicator(ID_INDICATOR_FREESPACE));
    EXPECT_FALSE(Indicator(ID_INDICATOR_FREESPACE));

    ASSERT_TRUE(pane.OpenFolder(TheShellContext().drives));
    ASSERT_TRUE(pane.Model()->IsVirtual());
    EXPECT_EQ(Indicator(ID_INDICATOR_FREESPACE), QString());

    EXPECT_EQ(FreeSpaceText(PathJoin(dir.Path(), "gone")), "???");
}

class StatusLineFakeTest : public FakeShellTest {};

// In a virtual folder a row is a special folder or a shell extension.
TEST_F(StatusLineFakeTest, VirtualFolderRows) {
    FakeNode& panel = Root().AddFolder("Settings");
    panel.AddFile("Display", 0);
    panel.AddFile("notes.txt", 0);
    panel.AddFolder("Devices");
    PanePair panes;
    CPanexView& pane = *panes.first;
    ASSERT_TRUE(pane.OpenFolder(shell->AbsoluteId("Settings")));
    for (const auto& [name, text] : {std::pair{"Display", "Selected object: Item"},
                                     std::pair{"notes.txt", "Selected object: Plain text document"},
                                     std::pair{"Devices", "Selected object: Special folder"}}) {
        pane.List()->ClearSelection();
        pane.FocusByName(name, true);
        EXPECT_EQ(SelectionSummary(pane), QString(text));
    }
}

}  // namespace
