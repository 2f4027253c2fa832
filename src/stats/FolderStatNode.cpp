#include "stats/FolderStatNode.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "platform/namespace/NameCodec.h"
#include "platform/walk/TreeWalker.h"

namespace {

struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(std::uint64_t(id.inode) * 0x9E3779B97F4A7C15ull ^
                                          std::uint64_t(id.device));
    }
};

bool IsAccessDenied(int error) {
    return error == EACCES || error == EPERM;
}

// Gone, or no longer a folder (replaced by a link: ELOOP under O_NOFOLLOW).
bool IsVanished(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP;
}

QByteArray LastComponent(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

void MarkNotAccessible(FolderStatNode& node) {
    if (node.notAccessible)
        return;
    node.notAccessible = true;
    node.name += kNotAccessibleSuffix;
}

class StatVisitor : public WalkVisitor {
public:
    StatVisitor(FolderStatNode& root, const StatReadHooks& hooks) : m_root(root), m_hooks(hooks) {}

    bool Entry(WalkEntry& entry) override {
        const bool enter = Count(entry);
        if (m_hooks.afterEntry)
            m_hooks.afterEntry();
        return enter;
    }

    void EnterFolder(const QByteArray& path, int depth) override {
        if (depth == 0) {
            m_open.assign(1, Open{&m_root, 0});
            return;
        }
        if (m_open.empty())
            return;
        m_open.push_back(Open{EnteredChild(m_open.back(), LastComponent(path)), 0});
    }

    void LeaveFolder(const QByteArray&, int) override {
        if (m_open.empty())
            return;
        FolderStatNode* node = m_open.back().node;
        m_open.pop_back();
        if (node)
            Finish(*node);
    }

    void FolderError(const QByteArray&, int depth, int error) override {
        FolderStatNode* node = m_open.empty() ? nullptr : m_open.back().node;
        if (!node || depth == 0) {
            m_failed = true;
            return;
        }
        ApplyError(*node, error);
    }

    /// Finishes the folders a stopped walk left open, innermost first, so
    /// that the partial tree adds up.
    void FinishOpenFolders() {
        while (!m_open.empty()) {
            FolderStatNode* node = m_open.back().node;
            m_open.pop_back();
            if (node)
                Finish(*node);
        }
    }

    bool Failed() const { return m_failed; }
    bool PartlyAccessible() const { return m_partly; }

private:
    // A folder being read, and how far its sub-folders have been entered
    // (they are entered in the order they were met).
    struct Open {
        FolderStatNode* node;
        std::size_t nextChild;
    };

    bool Count(WalkEntry& entry) {
        FolderStatNode* folder = m_open.empty() ? nullptr : m_open.back().node;
        if (!folder)
            return false;
        if (entry.IsFolder()) {
            auto child = std::make_unique<FolderStatNode>();
            child->nameBytes = entry.NameBytes();
            child->name = DisplayFromName(NameFromBytes(child->nameBytes));
            child->parent = folder;
            FolderStatNode& added = *child;
            folder->children.push_back(std::move(child));
            // After a failure nothing more is worth reading.
            if (m_failed)
                return false;
            if (m_hooks.enterError) {
                if (const int error = m_hooks.enterError(entry.Path())) {
                    ApplyError(added, error);
                    return false;
                }
            }
            return true;
        }
        const struct stat* status = entry.Stat();
        if (!status) {
            // Gone since the folder was listed: nothing to count. Any other
            // error leaves the folder's figures short, which must show.
            if (!IsVanished(entry.StatError())) {
                MarkNotAccessible(*folder);
                m_partly = true;
            }
            return false;
        }
        if (status->st_nlink > 1 && !S_ISDIR(status->st_mode) &&
            !m_linked.insert(FileId{status->st_dev, status->st_ino}).second)
            return false;
        ++folder->localFiles;
        folder->localBytes += std::uint64_t(status->st_size);
        return false;
    }

    FolderStatNode* EnteredChild(Open& parent, const QByteArray& name) {
        if (!parent.node)
            return nullptr;
        auto& children = parent.node->children;
        // Folders the walk skipped (one met before, on a loop) are passed by.
        for (std::size_t i = parent.nextChild; i < children.size(); ++i) {
            if (children[i]->nameBytes == name) {
                parent.nextChild = i + 1;
                return children[i].get();
            }
        }
        return nullptr;
    }

    void ApplyError(FolderStatNode& node, int error) {
        if (IsAccessDenied(error)) {
            MarkNotAccessible(node);
            m_partly = true;
        } else if (IsVanished(error)) {
            m_vanished.insert(&node);
        } else {
            m_failed = true;
        }
    }

    // The folder's own figures become kB, and the sub-folders' totals are
    // carried up into it (they were all finished before it).
    void Finish(FolderStatNode& node) {
        auto& children = node.children;
        if (!m_vanished.empty()) {
            std::erase_if(children, [this](const std::unique_ptr<FolderStatNode>& child) {
                return m_vanished.erase(child.get()) > 0;
            });
        }
        node.localSize = RoundToKilobytes(node.localBytes);
        node.subFolders = std::int64_t(children.size());
        node.descendantFolders = 0;
        node.descendantsSize = 0;
        node.descendantsBytes = 0;
        node.descendantFiles = 0;
        for (const auto& child : children) {
            node.descendantFolders += child->subFolders + child->descendantFolders;
            node.descendantsSize += child->localSize + child->descendantsSize;
            node.descendantsBytes += child->localBytes + child->descendantsBytes;
            node.descendantFiles += child->localFiles + child->descendantFiles;
        }
    }

    FolderStatNode& m_root;
    const StatReadHooks& m_hooks;
    std::vector<Open> m_open;
    std::unordered_set<FileId, FileIdHash> m_linked;
    std::unordered_set<const FolderStatNode*> m_vanished;
    bool m_failed = false;
    bool m_partly = false;
};

int CompareBytes(const QByteArray& a, const QByteArray& b) {
    const int common =
        std::memcmp(a.constData(), b.constData(), std::size_t(std::min(a.size(), b.size())));
    if (common != 0)
        return common;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

std::uint64_t RoundToKilobytes(std::uint64_t bytes) {
    return bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
}

StatReading ReadFolderStats(const QByteArray& path, const QString& rootName,
                            const std::atomic<bool>* stop, const StatReadHooks& hooks) {
    StatReading reading;
    auto root = std::make_unique<FolderStatNode>();
    root->nameBytes = LastComponent(path);
    root->name = rootName;
    StatVisitor visitor(*root, hooks);
    const WalkResult walked = TreeWalker(stop).Walk(path, visitor);
    if (walked == WalkResult::NoStart || visitor.Failed())
        return reading;
    if (walked == WalkResult::Stopped) {
        visitor.FinishOpenFolders();
        reading.result = StatReadResult::Interrupted;
    } else {
        reading.result =
            visitor.PartlyAccessible() ? StatReadResult::PartlyAccessible : StatReadResult::Success;
    }
    reading.root = std::move(root);
    return reading;
}

QString StatSizeText(std::uint64_t kilobytes) {
    static const char* const kUnits[] = {"kB", "MB", "GB", "tB"};
    std::uint64_t value = kilobytes;
    std::uint64_t divisor = 1;
    int unit = 0;
    while (value > 1024 && unit < 3) {
        value /= 1024;
        divisor *= 1024;
        ++unit;
    }
    QString text = QString::number(value);
    if (unit > 0) {
        const std::uint64_t digit = (kilobytes % divisor) * 10 / divisor;
        if (digit != 0)
            text += QLatin1Char('.') + QString::number(digit);
    }
    return text + QLatin1String(kUnits[unit]);
}

QString StatFolderText(const FolderStatNode& node) {
    return QStringLiteral("%1 \"%2\": Sub-Folders=%3, Files=%4")
        .arg(StatSizeText(node.TotalSize()), node.name)
        .arg(node.ShownFolders())
        .arg(node.ShownFiles());
}

QString StatLocalFilesText(const FolderStatNode& node) {
    return QStringLiteral("%1 in %2 local file(s)")
        .arg(StatSizeText(node.localSize))
        .arg(node.localFiles);
}

void SortStatTree(FolderStatNode& node, StatSortOrder order) {
    auto byName = [](const std::unique_ptr<FolderStatNode>& a,
                     const std::unique_ptr<FolderStatNode>& b) {
        return CompareBytes(a->nameBytes, b->nameBytes) < 0;
    };
    auto bySize = [&byName](const std::unique_ptr<FolderStatNode>& a,
                            const std::unique_ptr<FolderStatNode>& b) {
        // The exact figures decide between folders whose rounded ones tie.
        if (a->TotalSize() != b->TotalSize())
            return a->TotalSize() > b->TotalSize();
        if (a->TotalBytes() != b->TotalBytes())
            return a->TotalBytes() > b->TotalBytes();
        return byName(a, b);
    };
    if (order == StatSortOrder::ByName)
        std::sort(node.children.begin(), node.children.end(), byName);
    else
        std::sort(node.children.begin(), node.children.end(), bySize);
    for (auto& child : node.children) SortStatTree(*child, order);
}

QByteArray StatNodePath(const FolderStatNode& node, const QByteArray& readPath) {
    std::vector<const QByteArray*> names;
    for (const FolderStatNode* n = &node; n->parent; n = n->parent) names.push_back(&n->nameBytes);
    QByteArray path = readPath;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!path.endsWith('/'))
            path += '/';
        path += **it;
    }
    return path;
}

namespace {

void AppendListing(const FolderStatNode& node, int depth, QString& text) {
    const QString indent(depth, QLatin1Char('\t'));
    text += indent + StatFolderText(node) + QLatin1Char('\n');
    for (const auto& child : node.children) AppendListing(*child, depth + 1, text);
    if (node.localFiles > 0)
        text += indent + QLatin1Char('\t') + StatLocalFilesText(node) + QLatin1Char('\n');
}

}  // namespace

QString StatTreeListing(const FolderStatNode& root) {
    QString text;
    AppendListing(root, 0, text);
    return text;
}
