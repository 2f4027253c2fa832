#pragma once
// What the tree tests share: the two-pane fixture, a tree whose
// host forwards the panes' "locate in tree" to it (as the frame does while
// the tree bar is shown), and waits on the tree's asynchronous reads.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "pane/PaneTestSupport.h"
#include "shell/GeneralSettings.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "tree/CTreeBrowser.h"
#include "tree/TreeFolderReader.h"

class TreeTestHost : public TestPaneHost {
public:
    bool TreeVisible() const override { return tree != nullptr; }
    void LocateInTree(const IdList& absolute) override {
        ++locates;
        if (tree)
            tree->LocateFolder(absolute);
    }
    CTreeBrowser* tree = nullptr;
    int locates = 0;
};

class TreeTest : public TwoPaneTest<CountingPane, TreeTestHost> {
protected:
    void SetUp() override {
        TwoPaneTest::SetUp();
        tree = std::make_unique<CTreeBrowser>(host);
        tree->SetSettingsSource([this] { return settings; });
        tree->resize(400, 600);
        host.tree = tree.get();
        tester = std::make_unique<QAbstractItemModelTester>(
            tree->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        host.tree = nullptr;
        tester.reset();
        tree.reset();
        TwoPaneTest::TearDown();
    }

    // Walks the tree to a path; the node selected, or nullptr.
    TreeNode* Locate(const QString& path) {
        QSignalSpy done(tree.get(), &CTreeBrowser::LocateFinished);
        if (!tree->LocateFolder(ParsePath(path)))
            return nullptr;
        if (done.isEmpty() && !done.wait(10000))
            return nullptr;
        return done.first().first().toBool() ? tree->SelectedNode() : nullptr;
    }
    // Expands a node and waits for its read.
    bool ExpandAndWait(TreeNode* node) {
        tree->ExpandNode(node);
        return WaitFor([&] { return tree->PendingReads() == 0; }, 10000) &&
               node->state == TreeNode::State::Expanded;
    }
    static QStringList ChildNames(const TreeNode* node) {
        QStringList names;
        for (const auto& child : node->children) names << child->displayName;
        return names;
    }
    // The folder a pane shows, by its path.
    static QString Shown(const CPanexView& pane) {
        return pane.Model() ? pane.Model()->path : QString();
    }

    TestDir dir;
    std::unique_ptr<CTreeBrowser> tree;
    std::unique_ptr<QAbstractItemModelTester> tester;
    CTreeBrowser::Settings settings;
    ScopedPrompter prompter;
    NoticeRecorder notices;
};
