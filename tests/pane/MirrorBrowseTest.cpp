#include "NavigationTestSupport.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

// The plan for each kind of move, including folders whose names differ in
// length between the two trees and moves from and to the root.
TEST(MirrorPlanTest, DownSidewaysUpAndNothing) {
    MirrorPlan plan = PlanMirror("/w/src", "/w/src/lib", "/backup/src");
    EXPECT_EQ(plan.kind, MirrorPlan::kOpen);
    EXPECT_EQ(plan.path, "/backup/src/lib");

    plan = PlanMirror("/w/src/lib", "/w/src/include/sys", "/bak/source/library");
    EXPECT_EQ(plan.kind, MirrorPlan::kOpen);
    EXPECT_EQ(plan.path, "/bak/source/include/sys");

    plan = PlanMirror("/w/src/lib/x", "/w/src", "/b/src/lib/x");
    EXPECT_EQ(plan.kind, MirrorPlan::kUp);
    EXPECT_EQ(plan.levels, 2);

    plan = PlanMirror("/w/ab", "/w/ac", "/b/ab");  // names share a prefix
    EXPECT_EQ(plan.kind, MirrorPlan::kOpen);
    EXPECT_EQ(plan.path, "/b/ac");

    plan = PlanMirror("/", "/media", "/mnt");
    EXPECT_EQ(plan.kind, MirrorPlan::kOpen);
    EXPECT_EQ(plan.path, "/mnt/media");

    plan = PlanMirror("/w", "/", "/b");
    EXPECT_EQ(plan.kind, MirrorPlan::kUp);
    EXPECT_EQ(plan.levels, 1);

    EXPECT_EQ(PlanMirror("/w/a", "/w/a", "/b").kind, MirrorPlan::kNothing);
    EXPECT_EQ(PlanMirror("/w/a", "/w/A", "/b/a").path, "/b/A");  // case counts
}

class MirrorBrowseTest : public RealShellTest {
protected:
    void SetUp() override {
        for (const char* side : {"L", "R"}) {
            for (const char* sub : {"/a/x", "/b"})
                ASSERT_TRUE(dir.MakeFolder(QByteArray(side) + sub));
        }
        ASSERT_TRUE(dir.MakeFolder("L/c"));  // no counterpart on the right
        ASSERT_TRUE(left.GoToText(L("")));
        ASSERT_TRUE(right.GoToText(R("")));
    }
    QString L(const QString& rest) { return dir.Path() + "/L" + rest; }
    QString R(const QString& rest) { return dir.Path() + "/R" + rest; }

    TestDir dir;
    PanePair panes;
    CPanexView& left = *panes.first;
    CPanexView& right = *panes.second;
};

// With the switch on, the other pane repeats moves down, sideways and up;
// the inactive pane moving on its own leads nothing; when the other pane
// cannot follow, the switch turns itself off.
TEST_F(MirrorBrowseTest, OtherPaneFollowsUntilItCannot) {
    CommandState state;
    ASSERT_TRUE(left.OnUpdateCommand(ID_MIRROR_BROWSING, state));
    EXPECT_TRUE(state.enabled);
    EXPECT_FALSE(state.checked);
    left.OnCommand(ID_MIRROR_BROWSING);
    ASSERT_TRUE(left.OnUpdateCommand(ID_MIRROR_BROWSING, state));
    EXPECT_TRUE(state.checked);

    ASSERT_TRUE(left.GoToText(L("/a/x")));
    EXPECT_EQ(ShownPath(right), R("/a/x"));
    ASSERT_TRUE(left.GoToText(L("/b")));
    EXPECT_EQ(ShownPath(right), R("/b"));
    left.OnCommand(ID_GOTO_PARENT);
    EXPECT_EQ(ShownPath(left), L(""));
    EXPECT_EQ(ShownPath(right), R(""));

    ASSERT_TRUE(right.GoToText(R("/a")));
    EXPECT_EQ(ShownPath(left), L(""));
    EXPECT_TRUE(MirrorBrowsing());

    ASSERT_TRUE(right.GoToText(R("")));
    ASSERT_TRUE(left.GoToText(L("/c")));
    EXPECT_EQ(ShownPath(right), R(""));
    EXPECT_FALSE(MirrorBrowsing());

    // Off, nothing follows.
    ASSERT_TRUE(left.GoToText(L("/a")));
    EXPECT_EQ(ShownPath(right), R(""));

    // The other pane showing a virtual folder cannot follow either.
    SetMirrorBrowsing(true);
    ASSERT_TRUE(right.OpenFolder(TheShellContext().drives));
    ASSERT_TRUE(right.Model()->IsVirtual());
    ASSERT_TRUE(left.GoToText(L("/a/x")));
    EXPECT_FALSE(MirrorBrowsing());
    EXPECT_TRUE(right.Model()->IsVirtual());
}

}  // namespace
