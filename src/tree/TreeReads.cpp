#include "tree/TreeReads.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <mutex>

#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/thread/ThreadGroup.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "tree/CTreeBrowser.h"
#include "tree/TreeFolderReader.h"
#include "tree/TreeLocator.h"

namespace {

// How long the destruction waits for reads still running (a hung mount
// must not keep the program from ending).
constexpr std::chrono::milliseconds kReadersExitWait{2000};

class TreeReadEvent : public QEvent {
public:
    TreeReadEvent(std::uint64_t serial, std::uint64_t generation, TreeListing listing)
        : QEvent(QEvent::Type(kTreeReadEvent)),
          serial(serial),
          generation(generation),
          listing(std::move(listing)) {}
    std::uint64_t serial;
    std::uint64_t generation;
    TreeListing listing;
};

}  // namespace

struct TreeReads::Mailbox {
    std::mutex lock;
    QObject* target = nullptr;
};

TreeReads::TreeReads(CTreeBrowser& tree)
    : m_tree(tree),
      m_mailbox(std::make_shared<Mailbox>()),
      m_readers(std::make_unique<ThreadGroup>(kReadersExitWait)) {
    m_mailbox->target = &tree;
}

TreeReads::~TreeReads() {
    Close();
    m_readers.reset();
}

void TreeReads::Close() {
    std::lock_guard<std::mutex> guard(m_mailbox->lock);
    m_mailbox->target = nullptr;
}

void TreeReads::Start(TreeNode* node) {
    const std::uint64_t generation = m_nextGeneration++;
    node->readGeneration = generation;
    if (node->state == TreeNode::State::Collapsed)
        node->state = TreeNode::State::Reading;
    ++m_pending;
    const std::uint64_t serial = node->serial;
    const bool showHidden = General().showHiddenFiles;
    std::shared_ptr<Mailbox> mailbox = m_mailbox;
    const bool started =
        m_readers->Run([mailbox, serial, generation, showHidden, folder = node->absolute] {
            TreeListing listing = ReadTreeFolder(folder, showHidden);
            std::lock_guard<std::mutex> guard(mailbox->lock);
            if (mailbox->target)
                QCoreApplication::postEvent(
                    mailbox->target, new TreeReadEvent(serial, generation, std::move(listing)));
        });
    if (!started) {
        // No thread to read with: as a folder that could not be read.
        TreeListing failed;
        Apply(serial, generation, failed);
    }
}

void TreeReads::Apply(std::uint64_t serial, std::uint64_t generation, TreeListing& listing) {
    --m_pending;
    TreeModel* model = m_tree.Model();
    TreeNode* node = model->Find(serial);
    // A node collapsed (or read again) since gets nothing from this read.
    if (!node || node->readGeneration != generation)
        return;
    node->readGeneration = 0;
    if (listing.ok) {
        node->fileSystem = listing.fileSystem;
        node->removable = listing.removable;
        node->path = listing.path;
    }
    const bool noFolders = !listing.ok || listing.entries.empty();
    TreeLocator& locator = *m_tree.m_locator;

    if (node->state == TreeNode::State::Reading) {
        if (noFolders) {
            // The expansion is refused, and the expand button goes.
            node->state = TreeNode::State::Collapsed;
            m_tree.setExpanded(model->IndexOf(node), false);
            model->SetHasChildren(node, false);
            if (locator.IsWaitingFor(serial)) {
                locator.Finish(nullptr);
                return;
            }
        } else {
            model->SetChildren(node, listing.entries);
            node->state = TreeNode::State::Expanded;
            Watch(node);
        }
    } else if (node->state == TreeNode::State::Expanded && listing.ok) {
        if (listing.entries.empty()) {
            m_tree.CollapseNode(node);
            model->SetHasChildren(node, false);
        } else {
            m_tree.m_changingByProgram = true;
            model->Merge(node, listing.entries);
            m_tree.m_changingByProgram = false;
        }
    }
    Q_EMIT m_tree.ReadApplied(serial);
    if (locator.IsLocating())
        locator.Continue();
}

void TreeReads::Watch(TreeNode* node) {
    if (node->watch || !node->fileSystem || node->path.isEmpty())
        return;
    if (m_tree.CurrentSettings().options & kTreeNoWatch)
        return;
    // As the panes do: remote folders and optical discs are not watched.
    const DriveType type = GetDriveType(node->path);
    if (type == DRIVE_REMOTE || type == DRIVE_CDROM)
        return;
    const auto settle =
        node->removable ? ChangeWatch::kRemovableSettleTime : ChangeWatch::kSettleTime;
    auto watch =
        std::make_unique<ChangeWatch>(NameToBytes(node->path), ChangeWatch::Scope::FoldersOnly,
                                      settle, &m_tree, WM_FOLDER_CHANGED, quintptr(node->serial));
    if (watch->Start())
        node->watch = std::move(watch);
}

void TreeReads::OnFolderChanged(std::uint64_t serial) {
    TreeNode* node = m_tree.Model()->Find(serial);
    if (!node || node->state != TreeNode::State::Expanded)
        return;
    // A plain directory that is gone is removed by its parent's refresh.
    if (node->fileSystem && node->parent && node->parent->fileSystem &&
        ::access(NameToBytes(node->path).constData(), F_OK) != 0)
        return;
    Start(node);
}

bool TreeReads::HandleEvent(QEvent* event) {
    if (event->type() == QEvent::Type(kTreeReadEvent)) {
        auto* read = static_cast<TreeReadEvent*>(event);
        Apply(read->serial, read->generation, read->listing);
        return true;
    }
    if (event->type() == QEvent::Type(WM_FOLDER_CHANGED)) {
        OnFolderChanged(static_cast<ChangeWatchEvent*>(event)->parameter());
        return true;
    }
    return false;
}
