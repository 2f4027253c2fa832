#include "tree/TreeModel.h"

#include <QFont>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"

namespace {

constexpr int kSmallIcon = 16;

// The icons of a node: the closed one, and the open one for its selected
// state; a shared folder carries the share overlay.
QIcon NodeIcon(int closed, int open, bool shared) {
    IconRegistry& registry = IconRegistry::Instance();
    auto pixmap = [&](int index) {
        QPixmap picture = registry.Pixmap(index, kSmallIcon);
        if (shared && !picture.isNull()) {
            QPainter painter(&picture);
            registry.OverlayIcon(IconRegistry::ShareOverlay)
                .paint(&painter, picture.rect(), Qt::AlignBottom | Qt::AlignLeft);
        }
        return picture;
    };
    QIcon icon;
    icon.addPixmap(pixmap(closed), QIcon::Normal);
    icon.addPixmap(pixmap(open), QIcon::Selected);
    return icon;
}

// The icon indexes of a node, asked once: file-system folders by their
// kind alone (no look at the disk), archives by their name, every other
// place as the namespace answers for it.
void EnsureIcons(TreeNode& node) {
    if (node.icon >= 0)
        return;
    IconRegistry& registry = IconRegistry::Instance();
    if (node.IsRoot()) {
        node.icon = node.openIcon = IconRegistry::DesktopIcon;
        return;
    }
    if (const auto data = DecodeFileSystemItem(node.id.ItemPayload(0))) {
        node.icon = registry.IndexForFile(node.displayName, data->mode, false);
        node.openIcon = registry.IndexForFile(node.displayName, data->mode, true);
        return;
    }
    node.icon = SHGetFileInfoIconIndex(node.absolute, false);
    node.openIcon = SHGetFileInfoIconIndex(node.absolute, true);
    if (node.icon < 0)
        node.icon = IconRegistry::FolderIcon;
    if (node.openIcon < 0)
        node.openIcon = node.icon;
}

}  // namespace

TreeNode* TreeNode::Child(const QByteArray& childKey) const {
    for (const std::unique_ptr<TreeNode>& child : children) {
        if (child->key == childKey)
            return child.get();
    }
    return nullptr;
}

void TreeModel::Renumber(TreeNode* node, std::size_t first) {
    for (std::size_t i = first; i < node->children.size(); ++i) node->children[i]->row = int(i);
}

TreeModel::TreeModel(const QString& rootName, QObject* parent) : QAbstractItemModel(parent) {
    m_root = std::make_unique<TreeNode>();
    m_root->id = IdList::Empty();
    m_root->absolute = IdList::Empty();
    m_root->displayName = rootName;
    m_root->serial = m_nextSerial++;
    m_bySerial.insert(m_root->serial, m_root.get());
}

TreeModel::~TreeModel() = default;

TreeNode* TreeModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid())
        return nullptr;
    return static_cast<TreeNode*>(index.internalPointer());
}

QModelIndex TreeModel::IndexOf(const TreeNode* node) const {
    if (!node)
        return {};
    if (node->IsRoot())
        return createIndex(0, 0, const_cast<TreeNode*>(node));
    return createIndex(node->Row(), 0, const_cast<TreeNode*>(node));
}

std::unique_ptr<TreeNode> TreeModel::MakeNode(TreeNode* parent, TreeEntry& entry) {
    auto node = std::make_unique<TreeNode>();
    node->parent = parent;
    node->absolute = parent->absolute.Concat(entry.id);
    node->id = std::move(entry.id);
    node->key = std::move(entry.key);
    node->displayName = std::move(entry.displayName);
    node->attributes = entry.attributes;
    node->hasChildren = (entry.attributes & SFGAO_HASSUBFOLDER) != 0;
    node->serial = m_nextSerial++;
    m_bySerial.insert(node->serial, node.get());
    return node;
}

void TreeModel::Unregister(TreeNode* node) {
    for (const std::unique_ptr<TreeNode>& child : node->children) Unregister(child.get());
    // The watch names the node by its serial; it ends with the node.
    node->watch.reset();
    m_bySerial.remove(node->serial);
}

void TreeModel::SetChildren(TreeNode* node, std::vector<TreeEntry>& entries) {
    if (!node->children.empty())
        Forget(node);
    if (entries.empty())
        return;
    beginInsertRows(IndexOf(node), 0, int(entries.size()) - 1);
    node->children.reserve(entries.size());
    for (TreeEntry& entry : entries) node->children.push_back(MakeNode(node, entry));
    Renumber(node, 0);
    endInsertRows();
}

bool TreeModel::Merge(TreeNode* node, std::vector<TreeEntry>& entries) {
    bool changed = false;
    const QModelIndex parentIndex = IndexOf(node);
    QSet<QByteArray> fresh;
    fresh.reserve(qsizetype(entries.size()));
    for (const TreeEntry& entry : entries) fresh.insert(entry.key);

    // The gone ones first, in contiguous runs from the end so the rows of
    // the runs still to come keep their numbers.
    int row = int(node->children.size()) - 1;
    while (row >= 0) {
        if (fresh.contains(node->children[std::size_t(row)]->key)) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && !fresh.contains(node->children[std::size_t(first - 1)]->key)) --first;
        beginRemoveRows(parentIndex, first, row);
        for (int i = first; i <= row; ++i) Unregister(node->children[std::size_t(i)].get());
        node->children.erase(node->children.begin() + first, node->children.begin() + row + 1);
        Renumber(node, std::size_t(first));
        endRemoveRows();
        changed = true;
        row = first - 1;
    }

    // Then the new ones where the read puts them. The kept children are in
    // the read's order already, since both come from the folder's sort.
    std::size_t at = 0;
    for (TreeEntry& entry : entries) {
        if (at < node->children.size() && node->children[at]->key == entry.key) {
            ++at;
            continue;
        }
        if (TreeNode* existing = node->Child(entry.key)) {
            // The folder's order moved under us (a rename that sorts
            // elsewhere keeps no node; this is a sort that disagrees with
            // the last one): keep the node where it is.
            (void)existing;
            continue;
        }
        beginInsertRows(parentIndex, int(at), int(at));
        node->children.insert(node->children.begin() + std::ptrdiff_t(at), MakeNode(node, entry));
        Renumber(node, at);
        endInsertRows();
        ++at;
        changed = true;
    }
    return changed;
}

void TreeModel::Forget(TreeNode* node) {
    if (node->children.empty())
        return;
    beginRemoveRows(IndexOf(node), 0, int(node->children.size()) - 1);
    for (const std::unique_ptr<TreeNode>& child : node->children) Unregister(child.get());
    node->children.clear();
    endRemoveRows();
}

void TreeModel::SetHasChildren(TreeNode* node, bool on) {
    if (node->hasChildren == on)
        return;
    node->hasChildren = on;
    NodeChanged(node);
}

void TreeModel::SetBold(TreeNode* node, bool on) {
    if (!node || node->bold == on)
        return;
    node->bold = on;
    NodeChanged(node);
}

void TreeModel::SetDropTarget(TreeNode* node, bool on) {
    if (!node || node->dropTarget == on)
        return;
    node->dropTarget = on;
    NodeChanged(node);
}

QStringList TreeModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

bool TreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                const QModelIndex& parent) const {
    (void)action;
    (void)row;
    (void)column;
    (void)parent;
    return data != nullptr;
}

Qt::DropActions TreeModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

Qt::DropActions TreeModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

void TreeModel::NodeChanged(TreeNode* node) {
    const QModelIndex index = IndexOf(node);
    Q_EMIT dataChanged(index, index);
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, m_root.get()) : QModelIndex();
    const TreeNode* node = NodeOf(parent);
    if (!node || row >= int(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[std::size_t(row)].get());
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = NodeOf(child);
    if (!node || node->IsRoot())
        return {};
    return IndexOf(node->parent);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    const TreeNode* node = NodeOf(parent);
    return node ? int(node->children.size()) : 0;
}

int TreeModel::columnCount(const QModelIndex& parent) const {
    (void)parent;
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid())
        return true;
    const TreeNode* node = NodeOf(parent);
    return node && (node->hasChildren || !node->children.empty());
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    TreeNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return node->displayName;
        case Qt::DecorationRole:
            EnsureIcons(*node);
            return NodeIcon(node->icon, node->openIcon, node->attributes & SFGAO_SHARE);
        case Qt::BackgroundRole:
            if (node->dropTarget)
                return QPalette().brush(QPalette::Highlight);
            return {};
        case Qt::ForegroundRole:
            if (node->dropTarget)
                return QPalette().brush(QPalette::HighlightedText);
            return {};
        case Qt::FontRole:
            if (node->bold) {
                QFont font;
                font.setBold(true);
                return font;
            }
            return {};
        default:
            return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}
