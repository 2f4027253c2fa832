#pragma once
// TreeNodeCommands: what the folder tree does to the selected node's folder,
// and the node's context menu: the part of CTreeBrowser that acts on items.
//
// - Delete() removes the node's folder: a file-system folder through the
//   file-operation engine (to the trash; with Shift for good), in the
//   background when the program has a queue (else at once, with the
//   parent's watch paused meanwhile); anything else through its folder's
//   own "delete" verb, the parent's watch paused as well. Either
//   way the panes are brought up to date through the operation record, and
//   the parent is read again (looked up anew: it may have gone meanwhile).
// - Copy() and Paste() go through the clipboard and the transfer executor
//   as the panes' commands do; an expanded node whose folder was pasted
//   into is read again.
// - ContextMenu() shows the folder's own menu for the node (from the
//   keyboard by the selected node's label). The clipboard and delete verbs
//   are run as the tree's own commands, so the rules above apply; others
//   go to the folder.
// The root (the Desktop) is never deleted, copied or cut, nor has a menu.
//
// Main thread only; owned by its tree.

#include <QString>
#include <cstdint>
#include <memory>

class CTreeBrowser;
class QContextMenuEvent;
class ShellDataObject;
class ShellFolder;
struct TreeNode;

/// The folder that holds `node` (the Desktop for the root's children), or
/// nullptr for the root or when it cannot be bound.
std::unique_ptr<ShellFolder> BindParentOf(const TreeNode& node);
/// The data object of `node` as its folder gives it, or nullptr.
std::unique_ptr<ShellDataObject> DataObjectOf(const TreeNode& node);
/// The parsing name of a node's folder: its path for a file-system folder,
/// else what the namespace calls it.
QString ParsingNameOf(const TreeNode& node);

class TreeNodeCommands {
public:
    explicit TreeNodeCommands(CTreeBrowser& tree) : m_tree(tree) {}

    void Delete();
    void Copy(bool cut);
    void Paste(bool asLinks);
    /// Handles the tree's context-menu event (accepted when a menu opens).
    void ContextMenu(QContextMenuEvent& event);

private:
    // The end of a delete: the panes brought up to date, the parent re-read
    // and watched again (looked up anew: it may have gone meanwhile).
    void EndDelete(std::uint64_t parentSerial, bool fileSystemParent);

    CTreeBrowser& m_tree;
};
