#pragma once
// TreeLocator: the folder tree's walk to a folder (CTreeBrowser::LocateFolder
// and ShowDefault), level by level as the reads arrive.
//
// Locate() starts from the root: each level's node is expanded (read on a
// worker) and the walk waits for its read, then takes the child that holds
// the next item of the target's id list. A level that does not hold the
// next folder is read once more before the walk gives up, since a folder
// made a moment ago (a pane's new folder, opened at once) may not have
// reached the branch yet. The walk ends with CTreeBrowser::LocateFinished:
// true with the folder selected and scrolled to, false where a level could
// not be expanded or lacks the folder (the tree stays where the walk
// stopped). A new Locate() replaces a walk still running.
//
// Main thread only; owned by its tree, which calls Continue() after each
// read it applies.

#include <cstdint>

#include "platform/namespace/IdList.h"

class CTreeBrowser;
struct TreeNode;

class TreeLocator {
public:
    explicit TreeLocator(CTreeBrowser& tree) : m_tree(tree) {}

    /// Starts a walk to `absolute`; false (and nothing done) for a null list.
    bool Locate(const IdList& absolute);
    /// Walks to Computer and expands it.
    void ShowDefault();
    /// True while a walk waits for a read.
    bool IsLocating() const { return !m_target.IsNull(); }
    /// True while a walk waits for the read of the node `serial`.
    bool IsWaitingFor(std::uint64_t serial) const { return IsLocating() && m_waitingFor == serial; }
    /// Goes as far as the reads so far allow.
    void Continue();
    /// Ends the walk at `found` (selected), or as failed for nullptr.
    void Finish(TreeNode* found);

private:
    CTreeBrowser& m_tree;
    IdList m_target;                 // null when no walk runs
    std::uint64_t m_waitingFor = 0;  // the node a walk expands
    bool m_expandAfter = false;      // ShowDefault's walk expands its end
    std::uint64_t m_reread = 0;      // the node a walk has read again
};
