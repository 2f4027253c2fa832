#pragma once
// TreeModel: the nodes of the folder tree as an item model.
//
// The root is the Desktop. A node's children exist only while it is
// expanded: SetChildren() gives a node the folders a read found, Merge()
// brings them up to date after a change, Forget() drops them (and with them
// every node below, their watches included). Each node keeps its own
// relative id and the absolute id of its folder, so a node never has to ask
// its parents for anything.
//
// Guarantees:
// - Rows are inserted and removed in contiguous ranges announced in advance;
//   children stay in the order their folder sorts them.
// - A node is never moved in memory while it exists; Serial() names it for
//   posted results (a node that is gone is never found again by its serial,
//   as serials are not reused).
// - hasChildren() is the node's has-children mark: the item's
//   SFGAO_HASSUBFOLDER (always for the root, optimistic for file-system
//   folders, see TreeFolderReader.h) until a read finds no folders.
//
// Main thread only.

#include <QAbstractItemModel>
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/namespace/IdList.h"
#include "platform/watch/ChangeWatch.h"
#include "tree/TreeFolderReader.h"

/// One node of the tree.
struct TreeNode {
    enum class State {
        Collapsed,  // no children held
        Reading,    // a read of its folder runs
        Expanded,   // children held (and a watch running, when it has one)
    };

    TreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> children;
    IdList id;        // relative to the parent's folder; empty for the root
    IdList absolute;  // the folder's absolute id list
    QByteArray key;   // TreeItemKey of `id` (empty for the root)
    QString displayName;
    std::uint32_t attributes = 0;
    bool hasChildren = true;
    State state = State::Collapsed;
    bool fileSystem = false;  // learnt by the first read
    bool removable = false;
    QString path;  // the parsing path of a file-system folder
    std::unique_ptr<ChangeWatch> watch;
    std::uint64_t serial = 0;
    std::uint64_t readGeneration = 0;  // the read whose result is awaited
    int icon = -1;                     // icon indexes, asked once
    int openIcon = -1;
    bool bold = false;
    bool dropTarget = false;  // highlighted as the target of a drag
    int row = 0;              // its place among its parent's children

    bool IsRoot() const { return parent == nullptr; }
    /// The child with that key, or nullptr.
    TreeNode* Child(const QByteArray& childKey) const;
    int Row() const { return row; }
};

class TreeModel : public QAbstractItemModel {
public:
    /// A model with the Desktop (named `rootName`) as its only node.
    explicit TreeModel(const QString& rootName, QObject* parent = nullptr);
    ~TreeModel() override;

    TreeNode* Root() const { return m_root.get(); }
    TreeNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const TreeNode* node) const;
    /// The node of a serial, or nullptr when it is gone.
    TreeNode* Find(std::uint64_t serial) const { return m_bySerial.value(serial); }
    /// Nodes that exist (the root included).
    int NodeCount() const { return int(m_bySerial.size()); }

    /// Gives a collapsed or reading node the entries of a read as its
    /// children, in their order.
    void SetChildren(TreeNode* node, std::vector<TreeEntry>& entries);
    /// Brings an expanded node's children in line with a new read: children
    /// whose key is missing from `entries` go (with their sub-trees), new
    /// entries are inserted where the read puts them, the others keep their
    /// nodes (and their expansion). True when anything changed.
    bool Merge(TreeNode* node, std::vector<TreeEntry>& entries);
    /// Drops every child of `node` (and their sub-trees).
    void Forget(TreeNode* node);
    /// Sets the has-children mark (the view's expand button).
    void SetHasChildren(TreeNode* node, bool on);
    /// Draws `node` bold (the selected one), or not.
    void SetBold(TreeNode* node, bool on);
    /// Highlights `node` as a drop target, or not.
    void SetDropTarget(TreeNode* node, bool on);

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Drops are judged by the tree itself (its nodes' drop targets); the
    // view's own checks must let every drag through to it.
    QStringList mimeTypes() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

private:
    std::unique_ptr<TreeNode> MakeNode(TreeNode* parent, TreeEntry& entry);
    void Unregister(TreeNode* node);
    void NodeChanged(TreeNode* node);
    // Numbers the children of `node` from `first` on (the views ask for a
    // node's row all the time, so it is kept, not searched for).
    static void Renumber(TreeNode* node, std::size_t first);

    std::unique_ptr<TreeNode> m_root;
    QHash<std::uint64_t, TreeNode*> m_bySerial;
    std::uint64_t m_nextSerial = 1;
};
