#include "tree/TreeNodeCommands.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <span>

#include "fileops/CPaneTransfer.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "pane/FolderModel.h"
#include "pane/PaneContextMenu.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/fileop/FileOperation.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "platform/ui/WaitCursor.h"
#include "shell/CommandIds.h"
#include "shell/Notice.h"
#include "shell/ShellContext.h"
#include "tree/CTreeBrowser.h"
#include "tree/TreeReads.h"

namespace {

const QString kDeleteVerb = QStringLiteral("delete");

// Where a menu asked for from the keyboard opens, from the label's corner.
constexpr int kTreeMenuOffsetX = 15;
constexpr int kTreeMenuOffsetY = 5;

// The shell menu's verbs that the tree carries out itself, so that its own
// rules (the operation record, the watch pause, the refresh) apply.
struct VerbCommand {
    const char* verb;
    int command;
};
constexpr VerbCommand kVerbCommands[] = {
    {"cut", ID_EDIT_CUT},
    {"copy", ID_EDIT_COPY},
    {"delete", ID_FILE_DELETE},
    {"paste", ID_EDIT_PASTE},
};

void AddMenuEntries(QMenu& menu, const std::vector<ContextMenuEntry>& entries) {
    for (const ContextMenuEntry& entry : entries) {
        if (!entry.children.empty()) {
            QMenu* sub = menu.addMenu(entry.icon, entry.text);
            sub->setEnabled(entry.enabled);
            AddMenuEntries(*sub, entry.children);
            continue;
        }
        if (entry.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(entry.icon, entry.text);
        action->setData(entry.id);
        action->setEnabled(entry.enabled);
        action->setStatusTip(entry.helpText);
        if (entry.isDefault)
            menu.setDefaultAction(action);
    }
}

}  // namespace

// The parsing name of a node's folder: its path for a file-system folder,
// else what the namespace calls it.
QString ParsingNameOf(const TreeNode& node) {
    if (!node.path.isEmpty())
        return node.path;
    return AbsoluteDisplayName(node.absolute, SHGDN_FORPARSING).value_or(QString());
}

std::unique_ptr<ShellFolder> BindParentOf(const TreeNode& node) {
    if (!node.parent)
        return nullptr;
    std::unique_ptr<ShellFolder> desktop = SHGetDesktopFolder();
    if (!desktop || node.parent->IsRoot())
        return desktop;
    return desktop->BindToObject(node.parent->absolute);
}

std::unique_ptr<ShellDataObject> DataObjectOf(const TreeNode& node) {
    std::unique_ptr<ShellFolder> parent = BindParentOf(node);
    if (!parent)
        return nullptr;
    return parent->GetDataObject(std::span(&node.id, 1));
}

void TreeNodeCommands::Delete() {
    TreeNode* node = m_tree.SelectedNode();
    // The Desktop stays.
    if (!node || node->IsRoot())
        return;
    // What the refresh afterwards needs, taken while the node is there.
    const WaitCursor wait;
    TreeNode* parent = node->parent;
    const std::uint64_t parentSerial = parent->serial;
    const bool fileSystemParent = parent->fileSystem && !parent->path.isEmpty();
    const QString parentPath = ParsingNameOf(*parent);

    // A file of the file system goes to the engine, in the
    // background when the program has a queue; the tree and the panes
    // catch up when it ends.
    if (fileSystemParent) {
        std::unique_ptr<ShellDataObject> data = DataObjectOf(*node);
        const QStringList paths = data ? FilePathsOf(*data) : QStringList();
        if (!paths.isEmpty()) {
            FileOpRequest request;
            request.func = FileOpRequest::Delete;
            for (const QString& path : paths) request.sources.push_back(NameToBytes(path));
            request.allowUndo = !IsShiftDown();
            if (FileOpQueue* queue = BackgroundOperations()) {
                queue->Start(
                    std::move(request),
                    [this, parentSerial, parentPath](const FileOpResult&) {
                        BeginPaneOperation(m_tree.m_host, parentPath, QString(), DROPEFFECT_MOVE);
                        EndDelete(parentSerial, true);
                    },
                    &m_tree);
                return;
            }
            if (parent->watch)
                parent->watch->SetEnabled(false);
            BeginPaneOperation(m_tree.m_host, parentPath, QString(), DROPEFFECT_MOVE);
            SHFileOperation(request, m_tree.window());
            EndDelete(parentSerial, true);
            return;
        }
    }
    if (fileSystemParent && parent->watch)
        parent->watch->SetEnabled(false);
    BeginPaneOperation(m_tree.m_host, parentPath, QString(), DROPEFFECT_MOVE);
    // Anything else through the folder's own verb.
    bool deleted = false;
    if (std::unique_ptr<ShellFolder> folder = BindParentOf(*node)) {
        if (std::unique_ptr<ShellContextMenu> menu =
                folder->GetContextMenu(std::span(&node->id, 1))) {
            InvokeContext context;
            context.parent = m_tree.window();
            deleted = menu->InvokeVerb(kDeleteVerb, context);
        }
    }
    if (!deleted)
        Beep(BeepKind::Exclamation);
    EndDelete(parentSerial, fileSystemParent);
}

void TreeNodeCommands::EndDelete(std::uint64_t parentSerial, bool fileSystemParent) {
    // The parent may have gone with the operation (its own
    // refresh); it is looked up again.
    EndPaneOperation(m_tree.m_host);
    if (TreeNode* again = m_tree.Model()->Find(parentSerial); again && fileSystemParent) {
        if (again->state == TreeNode::State::Expanded)
            m_tree.m_reads->Start(again);
        if (again->watch)
            again->watch->SetEnabled(true);
    }
}

void TreeNodeCommands::Copy(bool cut) {
    TreeNode* node = m_tree.SelectedNode();
    if (!node || node->IsRoot())
        return;
    std::unique_ptr<ShellDataObject> data = DataObjectOf(*node);
    const std::uint32_t preferred =
        cut ? DROPEFFECT_MOVE | DROPEFFECT_LINK : DROPEFFECT_COPY | DROPEFFECT_LINK;
    if (!data || !SetClipboardData(std::move(data), preferred))
        Notice(TransferNotices::kClipboardRefused, true);
}

void TreeNodeCommands::Paste(bool asLinks) {
    TreeNode* node = m_tree.SelectedNode();
    if (!node || (node->IsRoot() && node->state != TreeNode::State::Expanded))
        return;
    FolderModel folder;
    if (folder.Open(node->absolute, false) == FolderModel::kReadFailed) {
        Notice(kItemNoDropNotice, true);
        return;
    }
    const std::uint64_t serial = node->serial;
    const bool expanded = node->state == TreeNode::State::Expanded;
    if (expanded && node->watch)
        node->watch->SetEnabled(false);
    ExecuteTransfer(m_tree.m_host, asLinks ? DROPEFFECT_LINK : DROPEFFECT_NONE, nullptr, folder,
                    true);
    if (TreeNode* again = m_tree.Model()->Find(serial); again && expanded) {
        if (again->state == TreeNode::State::Expanded)
            m_tree.m_reads->Start(again);
        if (again->watch)
            again->watch->SetEnabled(true);
    }
}

void TreeNodeCommands::ContextMenu(QContextMenuEvent& event) {
    // The node and the point: the selection's from the keyboard, else the mouse's.
    TreeNode* node = nullptr;
    QPoint global;
    if (event.reason() == QContextMenuEvent::Keyboard) {
        node = m_tree.SelectedNode();
        if (!node)
            return;
        const QModelIndex index = m_tree.Model()->IndexOf(node);
        m_tree.scrollTo(index);
        const QRect label = m_tree.visualRect(index);
        global = m_tree.viewport()->mapToGlobal(label.topLeft() +
                                                QPoint(kTreeMenuOffsetX, kTreeMenuOffsetY));
    } else {
        node = m_tree.Model()->NodeOf(m_tree.indexAt(event.pos()));
        global = event.globalPos();
    }
    // The root has no menu; the node becomes the selection.
    if (!node || node->IsRoot())
        return;
    m_tree.SelectByProgram(node);
    event.accept();

    // The folder's own menu for the node.
    std::unique_ptr<ShellFolder> parent = BindParentOf(*node);
    std::unique_ptr<ShellContextMenu> handler =
        parent ? parent->GetContextMenu(std::span(&node->id, 1)) : nullptr;
    std::vector<ContextMenuEntry> entries;
    if (!handler ||
        !handler->QueryContextMenu(entries, kShellMenuFirstId, kShellMenuLastId, CMF_EXPLORE) ||
        entries.empty())
        return;
    QMenu menu(&m_tree);
    AddMenuEntries(menu, entries);
    QAction* chosen = ChooseContextMenuEntry(menu, global);
    if (!chosen || !chosen->data().isValid())
        return;
    const int offset = chosen->data().toInt() - kShellMenuFirstId;

    // Known verbs run as the tree's own commands; others go to the folder.
    if (const std::optional<QString> verb = handler->GetCommandString(offset)) {
        for (const VerbCommand& known : kVerbCommands) {
            if (verb->compare(QLatin1String(known.verb), Qt::CaseInsensitive) == 0) {
                m_tree.PostCommand(known.command);
                return;
            }
        }
    }
    InvokeContext context;
    context.parent = m_tree.window();
    context.workingDirectory = NameToBytes(ParsingNameOf(*node->parent));
    handler->InvokeCommand(offset, context);
}
