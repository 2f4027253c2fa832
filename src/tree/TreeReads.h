#pragma once
// TreeReads: the reads and watches of the folder tree's branches, the part
// of CTreeBrowser that talks to the disk.
//
// Start() reads a node's sub-folders on a thread of its own (ReadTreeFolder)
// and returns at once; the listing comes back as a posted event, which the
// tree hands to HandleEvent(). Each read carries a generation: an answer for
// a node that was collapsed, removed or read again since is dropped, so a
// slow or hung mount never puts stale folders into the tree. Applying a
// listing expands the node (or refuses the expansion and drops the expand
// button when it has no folders), merges it into an expanded node, lets a
// running LocateFolder() walk go on, and emits CTreeBrowser::ReadApplied.
//
// An expanded file-system folder is watched (unless option kTreeNoWatch is
// set; remote folders and optical discs never are); its changes arrive as
// WM_FOLDER_CHANGED with the node's serial and read the node again.
//
// Close() before the tree goes: later answers reach nothing. The destructor
// waits a bounded time for reads still running (a hung mount must not keep
// the program from ending).
//
// Main thread only, except the reads themselves, which touch nothing but
// their own copy of the folder's id list.

#include <cstdint>
#include <memory>

class CTreeBrowser;
class QEvent;
class ThreadGroup;
struct TreeListing;
struct TreeNode;

class TreeReads {
public:
    explicit TreeReads(CTreeBrowser& tree);
    ~TreeReads();
    TreeReads(const TreeReads&) = delete;
    TreeReads& operator=(const TreeReads&) = delete;

    /// Reads `node`'s folders on a worker; a collapsed node becomes Reading.
    /// A read already running for it is superseded.
    void Start(TreeNode* node);
    /// Watches an expanded file-system node's folder, when the options and
    /// the kind of volume allow.
    void Watch(TreeNode* node);
    /// A finished read or a watch's change for the tree; false for any other
    /// event.
    bool HandleEvent(QEvent* event);
    /// Reads started and not answered yet.
    int Pending() const { return m_pending; }
    /// Later answers go nowhere.
    void Close();

private:
    struct Mailbox;

    void Apply(std::uint64_t serial, std::uint64_t generation, TreeListing& listing);
    void OnFolderChanged(std::uint64_t serial);

    CTreeBrowser& m_tree;
    // A read answers through the mailbox, which Close() empties, so nothing
    // reaches a tree that is gone.
    std::shared_ptr<Mailbox> m_mailbox;
    std::unique_ptr<ThreadGroup> m_readers;
    std::uint64_t m_nextGeneration = 1;
    int m_pending = 0;
};
