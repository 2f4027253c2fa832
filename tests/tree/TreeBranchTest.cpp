// The tree's branches: read when expanded, forgotten when collapsed, kept
// up to date by the watch of each expanded folder.

#include <cstdio>

#include "tree/TreeTestSupport.h"

namespace {

using TreeBranchTest = TreeTest;

TEST_F(TreeBranchTest, LocatingAFolderExpandsThePathAndSelectsItBold) {
    ASSERT_TRUE(dir.MakeFolder("outer/inner/deep"));
    TreeNode* node = Locate(dir.Path() + "/outer/inner");
    ASSERT_TRUE(node);
    EXPECT_EQ(node->displayName, "inner");
    EXPECT_EQ(node->parent->displayName, "outer");
    EXPECT_TRUE(node->bold);
    EXPECT_EQ(node->state, TreeNode::State::Collapsed);  // the walk ends on it
    EXPECT_EQ(node->parent->state, TreeNode::State::Expanded);
    // Only the path was read: the Desktop's other places stay collapsed.
    for (const auto& place : tree->Model()->Root()->children) {
        if (place->displayName != "Computer") {
            EXPECT_EQ(place->state, TreeNode::State::Collapsed) << place->displayName.toStdString();
        }
    }

    // Locating another folder moves the bold mark.
    TreeNode* other = Locate(dir.Path() + "/outer");
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->bold);
    EXPECT_FALSE(node->bold);
}

TEST_F(TreeBranchTest, LocatingAMissingFolderStopsWhereTheWalkEnds) {
    ASSERT_TRUE(dir.MakeFolder("here"));
    QSignalSpy done(tree.get(), &CTreeBrowser::LocateFinished);
    // A path a pane could have had before the folder went.
    const IdList gone = ParsePath(dir.Path() + "/here");
    ASSERT_FALSE(gone.IsNull());
    ASSERT_EQ(::rmdir(dir.Join("here").constData()), 0);
    ASSERT_TRUE(tree->LocateFolder(gone));
    ASSERT_TRUE(done.wait(10000));
    EXPECT_FALSE(done.first().first().toBool());
    EXPECT_FALSE(tree->IsLocating());
}

TEST_F(TreeBranchTest, AFolderMadeAMomentAgoIsFoundByTheWalk) {
    // Unwatched, so only the walk's own second read can find it.
    settings.options |= kTreeNoWatch;
    ASSERT_TRUE(dir.MakeFolder("base/old"));
    TreeNode* base = Locate(dir.Path() + "/base");
    ASSERT_TRUE(base);
    ASSERT_TRUE(ExpandAndWait(base));
    ASSERT_TRUE(dir.MakeFolder("base/new"));
    TreeNode* made = Locate(dir.Path() + "/base/new");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->displayName, "new");
    EXPECT_EQ(ChildNames(base), QStringList({"new", "old"}));
}

TEST_F(TreeBranchTest, AFolderWithoutSubFoldersLosesItsExpandButton) {
    ASSERT_TRUE(dir.MakeFolder("empty"));
    ASSERT_TRUE(dir.MakeFile("empty/only-a-file.txt", "x"));
    TreeNode* node = Locate(dir.Path() + "/empty");
    ASSERT_TRUE(node);
    EXPECT_TRUE(tree->Model()->hasChildren(tree->Model()->IndexOf(node)));  // optimistic
    tree->ExpandNode(node);
    ASSERT_TRUE(WaitFor([&] { return tree->PendingReads() == 0; }));
    EXPECT_EQ(node->state, TreeNode::State::Collapsed);
    EXPECT_FALSE(tree->Model()->hasChildren(tree->Model()->IndexOf(node)));
    EXPECT_FALSE(tree->isExpanded(tree->Model()->IndexOf(node)));
}

TEST_F(TreeBranchTest, FoldersMadeRenamedAndRemovedOutsideShowInTheBranch) {
    ASSERT_TRUE(dir.MakeFolder("top/a"));
    ASSERT_TRUE(dir.MakeFolder("top/b"));
    TreeNode* top = Locate(dir.Path() + "/top");
    ASSERT_TRUE(top);
    ASSERT_TRUE(ExpandAndWait(top));
    EXPECT_EQ(ChildNames(top), QStringList({"a", "b"}));
    ASSERT_TRUE(top->watch);

    // Made.
    ASSERT_TRUE(dir.MakeFolder("top/c"));
    EXPECT_TRUE(WaitFor([&] {
        return ChildNames(top) == QStringList({"a", "b", "c"});
    })) << ChildNames(top).join(',').toStdString();
    // A file is no branch.
    ASSERT_TRUE(dir.MakeFile("top/file.txt", "f"));
    // Renamed: the node goes and one of the new name comes, in order.
    ASSERT_EQ(std::rename(dir.Join("top/a").constData(), dir.Join("top/z").constData()), 0);
    EXPECT_TRUE(WaitFor([&] {
        return ChildNames(top) == QStringList({"b", "c", "z"});
    })) << ChildNames(top).join(',').toStdString();
    // Removed.
    ASSERT_EQ(::rmdir(dir.Join("top/b").constData()), 0);
    EXPECT_TRUE(WaitFor([&] {
        return ChildNames(top) == QStringList({"c", "z"});
    })) << ChildNames(top).join(',').toStdString();
    // The last ones removed: the branch collapses and loses its button.
    ASSERT_EQ(::rmdir(dir.Join("top/c").constData()), 0);
    ASSERT_EQ(::rmdir(dir.Join("top/z").constData()), 0);
    EXPECT_TRUE(WaitFor([&] { return top->state == TreeNode::State::Collapsed; }));
    EXPECT_TRUE(top->children.empty());
    EXPECT_FALSE(top->watch);
    EXPECT_FALSE(tree->Model()->hasChildren(tree->Model()->IndexOf(top)));
}

TEST_F(TreeBranchTest, AnExpandedSubBranchSurvivesItsParentsRefresh) {
    ASSERT_TRUE(dir.MakeFolder("p/keep/x"));
    TreeNode* keep = Locate(dir.Path() + "/p/keep");
    ASSERT_TRUE(keep);
    ASSERT_TRUE(ExpandAndWait(keep));
    TreeNode* parent = keep->parent;
    ASSERT_TRUE(dir.MakeFolder("p/new"));
    ASSERT_TRUE(WaitFor([&] { return ChildNames(parent) == QStringList({"keep", "new"}); }));
    // Still the same node, still expanded, still selected.
    EXPECT_EQ(parent->Child(keep->key), keep);
    EXPECT_EQ(keep->state, TreeNode::State::Expanded);
    EXPECT_EQ(tree->SelectedNode(), keep);
}

TEST_F(TreeBranchTest, CollapsingForgetsAndReExpandingRereadsEvenUnwatched) {
    settings.options |= kTreeNoWatch;
    ASSERT_TRUE(dir.MakeFolder("w/one"));
    TreeNode* w = Locate(dir.Path() + "/w");
    ASSERT_TRUE(w);
    ASSERT_TRUE(ExpandAndWait(w));
    EXPECT_FALSE(w->watch);
    const int nodesExpanded = tree->Model()->NodeCount();
    ASSERT_TRUE(dir.MakeFolder("w/two"));
    // Unwatched: nothing comes by itself (no watch, nothing read).
    QCoreApplication::processEvents();
    EXPECT_EQ(tree->PendingReads(), 0);
    EXPECT_EQ(ChildNames(w), QStringList({"one"}));

    tree->CollapseNode(w);
    EXPECT_TRUE(w->children.empty());
    EXPECT_EQ(tree->Model()->NodeCount(), nodesExpanded - 1);
    ASSERT_TRUE(ExpandAndWait(w));
    EXPECT_EQ(ChildNames(w), QStringList({"one", "two"}));
}

TEST_F(TreeBranchTest, AReadThatArrivesAfterTheCollapseIsDropped) {
    ASSERT_TRUE(dir.MakeFolder("r/s"));
    TreeNode* r = Locate(dir.Path() + "/r");
    ASSERT_TRUE(r);
    tree->ExpandNode(r);
    EXPECT_EQ(r->state, TreeNode::State::Reading);
    tree->CollapseNode(r);  // before the read can have arrived
    ASSERT_TRUE(WaitFor([&] { return tree->PendingReads() == 0; }));
    EXPECT_EQ(r->state, TreeNode::State::Collapsed);
    EXPECT_TRUE(r->children.empty());
}

TEST_F(TreeBranchTest, CollapsingTheRootLeavesNoFoldersAndNoWatches) {
    ASSERT_TRUE(dir.MakeFolder("q/r"));
    TreeNode* q = Locate(dir.Path() + "/q");
    ASSERT_TRUE(q);
    ASSERT_TRUE(ExpandAndWait(q));
    ASSERT_GT(tree->Model()->NodeCount(), 3);
    tree->CollapseRoot();
    EXPECT_EQ(tree->Model()->NodeCount(), 1);
    EXPECT_TRUE(tree->Model()->Root()->children.empty());
    EXPECT_TRUE(tree->Model()->hasChildren(tree->Model()->IndexOf(tree->Model()->Root())));
}

}  // namespace
