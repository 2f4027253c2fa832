#include "NavigationTestSupport.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

class BookmarkTest : public RealShellTest {
protected:
    CommandState Update(int id) {
        CommandState state;
        EXPECT_TRUE(panes.first->OnUpdateCommand(id, state));
        return state;
    }

    TestDir dir;
    PanePair panes;
    CPanexView& pane = *panes.first;
};

// Ctrl+Shift+2 in a file-system folder sets bookmark 2 (with the notice and
// the menu text); Ctrl+2 elsewhere goes back there; in a virtual folder the
// set does nothing; an unset bookmark's entry is enabled (it sets it).
TEST_F(BookmarkTest, SetAndGo) {
    ASSERT_TRUE(dir.MakeFolder("marked"));
    const QString marked = PathJoin(dir.Path(), "marked");
    const int slot2 = ID_BOOKMARK_FIRST + 2;
    EXPECT_TRUE(Update(slot2).enabled);
    EXPECT_EQ(Update(slot2).text, QString("(press Ctrl+Shift+2 to set)"));
    ASSERT_TRUE(pane.GoToText(marked));
    {
        NoticeRecorder notices;
        ScopedKeyState shift(Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(Update(slot2).enabled);
        PressKey(pane, Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier);  // Shift+2
        EXPECT_TRUE(notices.Has("Bookmark set ok.", false));
    }
    EXPECT_EQ(TheBookmarks().At(2), marked);
    EXPECT_TRUE(Update(slot2).enabled);
    EXPECT_EQ(Update(slot2).text, QString("&2: \"%1\"\tCtrl+2").arg(marked));

    ASSERT_TRUE(pane.OpenFolder(TheShellContext().drives));  // Computer is virtual
    ASSERT_TRUE(pane.Model()->IsVirtual());
    {
        NoticeRecorder notices;
        ScopedKeyState shift(Qt::ShiftModifier);
        pane.OnCommand(ID_BOOKMARK_FIRST + 3);
        pane.OnCommand(slot2);
        EXPECT_TRUE(notices.entries.empty());
    }
    EXPECT_FALSE(TheBookmarks().IsSet(3));
    EXPECT_EQ(TheBookmarks().At(2), marked);

    PressKey(pane, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(ShownPath(pane), marked);

    // On the other pane with Alt.
    ASSERT_TRUE(panes.second->GoToText(dir.Path()));
    {
        ScopedKeyState alt(Qt::AltModifier);
        pane.OnCommand(slot2);
    }
    EXPECT_EQ(ShownPath(*panes.second), marked);
}

// A busy window may get to Ctrl+Shift+3 only once Shift is up again: the
// key's own modifiers still set the bookmark.
TEST_F(BookmarkTest, TheKeysModifiersDecideNotTheKeyboardsLaterState) {
    ASSERT_TRUE(pane.GoToText(dir.Path()));
    {
        ScopedKeyState released(Qt::NoModifier);
        PressKey(pane, Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier);  // Shift+3
    }
    EXPECT_EQ(TheBookmarks().At(3), dir.Path());
    TheBookmarks().Clear();  // the other tests start without it
}

// The first pane loads the bookmarks and writes them with its settings,
// only when settings are saved; a missing slot reads unset.
TEST_F(BookmarkTest, StoredAndLoaded) {
    ProfileStore& store = panes.host.Store();
    TheBookmarks().Set(0, "/srv/zero");
    TheBookmarks().Set(5, "/home/five & more");
    MutableGeneral().saveSettings = false;
    pane.SaveSettings(store);
    EXPECT_TRUE(store.GetProfileString(Bookmarks::kSection, "0").isEmpty());

    MutableGeneral().saveSettings = true;
    pane.SaveSettings(store);
    EXPECT_EQ(store.GetProfileString(Bookmarks::kSection, "5"), "/home/five & more");
    EXPECT_EQ(TheBookmarks().MenuText(5), "&5: \"/home/five && more\"\tCtrl+5");

    TheBookmarks().Clear();
    panes.second->LoadSettings();  // the second pane does not load them
    EXPECT_FALSE(TheBookmarks().IsSet(0));
    pane.LoadSettings();
    EXPECT_EQ(TheBookmarks().At(0), "/srv/zero");
    EXPECT_EQ(TheBookmarks().At(5), "/home/five & more");
    EXPECT_FALSE(TheBookmarks().IsSet(1));
}

// From the menu, without Shift: an unset slot's entry sets that slot to
// the pane's folder; "Bookmark this folder" takes the first unset slot, and
// says so when every slot is set. A set slot's entry still goes there.
TEST_F(BookmarkTest, TheMenuSetsAnUnsetSlotAndTheFirstFreeOne) {
    // Chosen from the menu, with no key held (an earlier test's key event
    // leaves Qt's idea of the modifiers behind on the offscreen platform).
    const ScopedKeyState nothingHeld(Qt::NoModifier);
    TheBookmarks().Clear();
    ASSERT_TRUE(dir.MakeFolder("one"));
    ASSERT_TRUE(dir.MakeFolder("two"));
    const QString one = PathJoin(dir.Path(), "one");
    const QString two = PathJoin(dir.Path(), "two");
    ASSERT_TRUE(pane.GoToText(one));
    {
        NoticeRecorder notices;
        EXPECT_TRUE(Update(ID_BOOKMARK_FIRST + 4).enabled);
        EXPECT_TRUE(pane.OnCommand(ID_BOOKMARK_FIRST + 4));
        EXPECT_TRUE(notices.Has("Bookmark set ok.", false));
    }
    EXPECT_EQ(TheBookmarks().At(4), one);

    ASSERT_TRUE(pane.GoToText(two));
    EXPECT_TRUE(Update(ID_BOOKMARK_SET_FREE).enabled);
    EXPECT_TRUE(pane.OnCommand(ID_BOOKMARK_SET_FREE));
    EXPECT_EQ(TheBookmarks().At(0), two);
    EXPECT_EQ(TheBookmarks().At(4), one) << "a set slot is not taken";

    // The set slot's entry goes there, it does not set it anew.
    EXPECT_TRUE(pane.OnCommand(ID_BOOKMARK_FIRST + 4));
    EXPECT_EQ(ShownPath(pane), one);
    EXPECT_EQ(TheBookmarks().At(0), two);

    for (int slot = 1; slot < Bookmarks::kCount; ++slot) {
        if (!TheBookmarks().IsSet(slot))
            EXPECT_TRUE(pane.OnCommand(ID_BOOKMARK_SET_FREE));
    }
    for (int slot = 0; slot < Bookmarks::kCount; ++slot) EXPECT_TRUE(TheBookmarks().IsSet(slot));
    {
        NoticeRecorder notices;
        EXPECT_TRUE(pane.OnCommand(ID_BOOKMARK_SET_FREE));
        ASSERT_FALSE(notices.entries.empty());
        EXPECT_TRUE(notices.entries.back().alert) << "every slot is set";
    }
    // In a virtual folder there is nothing to bookmark.
    ASSERT_TRUE(pane.OpenFolder(TheShellContext().drives));
    EXPECT_FALSE(Update(ID_BOOKMARK_SET_FREE).enabled);
    TheBookmarks().Clear();
}

}  // namespace
