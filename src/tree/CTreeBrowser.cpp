#include "tree/CTreeBrowser.h"

#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimerEvent>
#include <mutex>

#include "fileops/CPaneTransfer.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneContextMenu.h"
#include "pane/PaneHost.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/fileop/FileOperation.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "platform/ui/WaitCursor.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/ShellContext.h"
#include "tree/TreeFolderReader.h"

namespace {

const QString kDesktopName = QStringLiteral("Desktop");
const QString kDeleteVerb = QStringLiteral("delete");
const QString kCopyHere = QStringLiteral("&Copy Here");
const QString kMoveHere = QStringLiteral("&Move Here");
const QString kLinkHere = QStringLiteral("&Link Here");
const QString kCancel = QStringLiteral("Cancel");

// Where a menu asked for from the keyboard opens, from the label's corner.
constexpr int kTreeMenuOffsetX = 15;
constexpr int kTreeMenuOffsetY = 5;
constexpr int kDragImageSize = 16;
// How long the destruction waits for reads still running (a hung mount
// must not keep the program from ending).
constexpr std::chrono::milliseconds kReadersExitWait{2000};

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

std::uint32_t EffectsOf(Qt::DropActions actions) {
    std::uint32_t effects = 0;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction)
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropAction ActionOf(std::uint32_t effect) {
    switch (effect) {
        case DROPEFFECT_COPY:
            return Qt::CopyAction;
        case DROPEFFECT_MOVE:
            return Qt::MoveAction;
        case DROPEFFECT_LINK:
            return Qt::LinkAction;
        default:
            return Qt::IgnoreAction;
    }
}

bool IsRightButtonDrag(const QDropEvent& event) {
    return (event.buttons() & Qt::RightButton) ||
           (event.mimeData() && event.mimeData()->hasFormat(kRightButtonDragFormat));
}

std::uint32_t DropKeyState(const QDropEvent& event) {
    std::uint32_t keyState = KeyStateOf(event.buttons(), event.modifiers());
    if (IsRightButtonDrag(event))
        keyState |= MK_RBUTTON;
    return keyState;
}

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

// The parsing name of a node's folder: its path for a file-system folder,
// else what the namespace calls it.
QString ParsingNameOf(const TreeNode& node) {
    if (!node.path.isEmpty())
        return node.path;
    return AbsoluteDisplayName(node.absolute, SHGDN_FORPARSING).value_or(QString());
}

}  // namespace

struct CTreeBrowser::Mailbox {
    std::mutex lock;
    QObject* target = nullptr;
};

CTreeBrowser::CTreeBrowser(PaneHost& host, QWidget* parent)
    : QTreeView(parent),
      m_host(host),
      m_model(new TreeModel(kDesktopName, this)),
      m_mailbox(std::make_shared<Mailbox>()),
      m_readers(std::make_unique<ThreadGroup>(kReadersExitWait)) {
    m_mailbox->target = this;
    setProperty("controlId", kTreeControlId);
    setModel(m_model);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAutoScroll(true);
    setExpandsOnDoubleClick(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeView::expanded, this, &CTreeBrowser::OnExpanded);
    connect(this, &QTreeView::collapsed, this, &CTreeBrowser::OnCollapsed);
}

CTreeBrowser::~CTreeBrowser() {
    {
        std::lock_guard<std::mutex> guard(m_mailbox->lock);
        m_mailbox->target = nullptr;
    }
    // The watches post to this window: they end before it does.
    m_model->Forget(m_model->Root());
    m_model->Root()->watch.reset();
    m_readers.reset();
}

CTreeBrowser::Settings CTreeBrowser::CurrentSettings() const {
    return m_settings ? m_settings() : Settings();
}

TreeNode* CTreeBrowser::SelectedNode() const {
    return m_model->NodeOf(currentIndex());
}

// -- Reading -----------------------------------------------------------------

void CTreeBrowser::StartRead(TreeNode* node) {
    const std::uint64_t generation = m_nextGeneration++;
    node->readGeneration = generation;
    if (node->state == TreeNode::State::Collapsed)
        node->state = TreeNode::State::Reading;
    ++m_pendingReads;
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
        ApplyRead(serial, generation, failed);
    }
}

void CTreeBrowser::ApplyRead(std::uint64_t serial, std::uint64_t generation, TreeListing& listing) {
    --m_pendingReads;
    TreeNode* node = m_model->Find(serial);
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

    if (node->state == TreeNode::State::Reading) {
        if (noFolders) {
            // The expansion is refused, and the expand button goes.
            node->state = TreeNode::State::Collapsed;
            setExpanded(m_model->IndexOf(node), false);
            m_model->SetHasChildren(node, false);
            if (!m_locateTarget.IsNull() && m_locateWaitingFor == serial) {
                FinishLocate(nullptr);
                return;
            }
        } else {
            m_model->SetChildren(node, listing.entries);
            node->state = TreeNode::State::Expanded;
            StartWatch(node);
        }
    } else if (node->state == TreeNode::State::Expanded && listing.ok) {
        if (listing.entries.empty()) {
            CollapseNode(node);
            m_model->SetHasChildren(node, false);
        } else {
            m_changingByProgram = true;
            m_model->Merge(node, listing.entries);
            m_changingByProgram = false;
        }
    }
    Q_EMIT ReadApplied(serial);
    if (!m_locateTarget.IsNull())
        ContinueLocate();
}

void CTreeBrowser::StartWatch(TreeNode* node) {
    if (node->watch || !node->fileSystem || node->path.isEmpty())
        return;
    if (CurrentSettings().options & kTreeNoWatch)
        return;
    // As the panes do: remote folders and optical discs are not watched.
    const DriveType type = GetDriveType(node->path);
    if (type == DRIVE_REMOTE || type == DRIVE_CDROM)
        return;
    const auto settle =
        node->removable ? ChangeWatch::kRemovableSettleTime : ChangeWatch::kSettleTime;
    auto watch =
        std::make_unique<ChangeWatch>(NameToBytes(node->path), ChangeWatch::Scope::FoldersOnly,
                                      settle, this, WM_FOLDER_CHANGED, quintptr(node->serial));
    if (watch->Start())
        node->watch = std::move(watch);
}

void CTreeBrowser::OnFolderChanged(std::uint64_t serial) {
    TreeNode* node = m_model->Find(serial);
    if (!node || node->state != TreeNode::State::Expanded)
        return;
    // A plain directory that is gone is removed by its parent's refresh.
    if (node->fileSystem && node->parent && node->parent->fileSystem &&
        ::access(NameToBytes(node->path).constData(), F_OK) != 0)
        return;
    StartRead(node);
}

bool CTreeBrowser::event(QEvent* event) {
    if (event->type() == QEvent::Type(kTreeReadEvent)) {
        auto* read = static_cast<TreeReadEvent*>(event);
        ApplyRead(read->serial, read->generation, read->listing);
        return true;
    }
    if (event->type() == QEvent::Type(WM_FOLDER_CHANGED)) {
        OnFolderChanged(static_cast<ChangeWatchEvent*>(event)->parameter());
        return true;
    }
    return QTreeView::event(event);
}

// -- Expanding and collapsing --------------------------------------------------

void CTreeBrowser::ExpandNode(TreeNode* node) {
    if (!node || node->state != TreeNode::State::Collapsed)
        return;
    // Asked for by the program (a walk, a hover): a node without the mark
    // is read all the same, as a collapsed one's folders may have changed.
    m_model->SetHasChildren(node, true);
    setExpanded(m_model->IndexOf(node), true);
    if (node->state == TreeNode::State::Collapsed)
        StartRead(node);
}

void CTreeBrowser::OnExpanded(const QModelIndex& index) {
    TreeNode* node = m_model->NodeOf(index);
    if (node && node->state == TreeNode::State::Collapsed)
        StartRead(node);
}

void CTreeBrowser::OnCollapsed(const QModelIndex& index) {
    TreeNode* node = m_model->NodeOf(index);
    if (!node || (node->state == TreeNode::State::Collapsed && node->children.empty()))
        return;
    // A read still running answers into nothing; the watch and the
    // children go; the mark comes back from the item.
    node->readGeneration = 0;
    node->state = TreeNode::State::Collapsed;
    node->watch.reset();
    m_changingByProgram = true;
    m_model->Forget(node);
    m_changingByProgram = false;
    m_model->SetHasChildren(node, node->IsRoot() || (node->attributes & SFGAO_HASSUBFOLDER));
}

void CTreeBrowser::CollapseNode(TreeNode* node) {
    if (!node)
        return;
    setExpanded(m_model->IndexOf(node), false);
    OnCollapsed(m_model->IndexOf(node));
}

void CTreeBrowser::CollapseRoot() {
    CollapseNode(m_model->Root());
}

// -- Locating ------------------------------------------------------------------

bool CTreeBrowser::LocateFolder(const IdList& absolute) {
    if (absolute.IsNull())
        return false;
    m_locateTarget = absolute;
    m_locateWaitingFor = 0;
    m_locateReread = 0;
    m_expandAfterLocate = false;
    ContinueLocate();
    return true;
}

void CTreeBrowser::ContinueLocate() {
    TreeNode* node = m_model->Root();
    const int levels = m_locateTarget.Count();
    for (int level = 0;; ++level) {
        if (node->state == TreeNode::State::Reading && level < levels) {
            m_locateWaitingFor = node->serial;
            return;
        }
        if (level == levels) {
            FinishLocate(node);
            return;
        }
        if (node->state == TreeNode::State::Collapsed) {
            m_locateWaitingFor = node->serial;
            ExpandNode(node);
            // The read answers later (or has failed already, ending the walk).
            return;
        }
        TreeNode* child = node->Child(TreeItemKey(m_locateTarget.ItemPayload(level)));
        if (!child && node->readGeneration == 0 && m_locateReread != node->serial) {
            // A folder made a moment ago (the pane's new folder, opened at
            // once) may not have reached the branch yet: it is read again
            // once before the walk gives up.
            m_locateReread = node->serial;
            m_locateWaitingFor = node->serial;
            StartRead(node);
            return;
        }
        if (!child) {
            if (node->readGeneration != 0) {
                m_locateWaitingFor = node->serial;
                return;
            }
            FinishLocate(nullptr);
            return;
        }
        node = child;
    }
}

void CTreeBrowser::FinishLocate(TreeNode* found) {
    m_locateTarget = IdList();
    m_locateWaitingFor = 0;
    m_locateReread = 0;
    const bool expand = std::exchange(m_expandAfterLocate, false);
    if (found) {
        SelectByProgram(found);
        scrollTo(m_model->IndexOf(found));
        if (expand)
            ExpandNode(found);
    }
    Q_EMIT LocateFinished(found != nullptr);
}

void CTreeBrowser::ShowDefault() {
    const IdList computer = SHGetSpecialFolderLocation(CSIDL_DRIVES);
    if (computer.IsNull())
        return;
    // A walk of one level, then Computer's own expansion.
    LocateFolder(computer);
    m_expandAfterLocate = IsLocating();
    if (!m_expandAfterLocate) {
        if (TreeNode* node = SelectedNode(); node && !node->IsRoot())
            ExpandNode(node);
    }
}

// -- Selection and navigation ----------------------------------------------------

void CTreeBrowser::SelectByProgram(TreeNode* node) {
    const QModelIndex index = m_model->IndexOf(node);
    if (index != currentIndex())
        m_selectionByProgram = true;
    setCurrentIndex(index);
    m_selectionByProgram = false;
}

void CTreeBrowser::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    m_model->SetBold(m_model->Find(m_boldNode), false);
    TreeNode* node = m_model->NodeOf(current);
    m_boldNode = node ? node->serial : 0;
    m_model->SetBold(node, true);
    m_autoCDTimer.stop();
    // The program's own moves (a walk, a menu, a click, a branch that went
    // away under the selection) open nothing.
    if (m_selectionByProgram || m_changingByProgram) {
        m_selectionByProgram = false;
        return;
    }
    const Settings settings = CurrentSettings();
    if (node && (settings.options & kTreeSingleClick))
        m_autoCDTimer.start(settings.autoCDDelay, this);
}

void CTreeBrowser::FireAutoCD() {
    m_autoCDTimer.stop();
    if (hasFocus())
        PostCommand(ID_INTERNAL_GO);
}

void CTreeBrowser::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_autoCDTimer.timerId()) {
        FireAutoCD();
        return;
    }
    if (event->timerId() == m_hoverTimer.timerId()) {
        FireHoverExpand();
        return;
    }
    QTreeView::timerEvent(event);
}

void CTreeBrowser::focusOutEvent(QFocusEvent* event) {
    m_autoCDTimer.stop();
    QTreeView::focusOutEvent(event);
}

void CTreeBrowser::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

void CTreeBrowser::FocusActivePane() {
    if (CPanexView* pane = m_host.ActivePane())
        pane->setFocus(Qt::OtherFocusReason);
}

void CTreeBrowser::OpenSelected() {
    TreeNode* node = SelectedNode();
    CPanexView* pane = m_host.ActivePane();
    if (!node || !pane)
        return;
    pane->OpenFolder(node->absolute);
    if (CurrentSettings().options & kTreeFocusPane)
        FocusActivePane();
}

void CTreeBrowser::mousePressEvent(QMouseEvent* event) {
    m_pressNode = 0;
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    // Only a hit on the icon or the label counts, not on the expand button.
    if (event->button() == Qt::LeftButton && index.isValid() && visualRect(index).contains(point) &&
        (CurrentSettings().options & kTreeSingleClick)) {
        if (index != currentIndex())
            m_selectionByProgram = true;
        m_pressNode = m_model->NodeOf(index)->serial;
    }
    QTreeView::mousePressEvent(event);
    m_selectionByProgram = false;
}

void CTreeBrowser::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    const std::uint64_t pressed = std::exchange(m_pressNode, 0);
    // A click opens at once; a press that became a drag opens nothing.
    if (event->button() == Qt::LeftButton && pressed && index.isValid() &&
        visualRect(index).contains(point) && m_model->NodeOf(index)->serial == pressed &&
        index == currentIndex())
        PostCommand(ID_INTERNAL_GO);
}

// -- Keys ------------------------------------------------------------------------

bool CTreeBrowser::focusNextPrevChild(bool next) {
    (void)next;
    // Tab is the tree's own key (keyPressEvent).
    return false;
}

void CTreeBrowser::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if ((event->key() == Qt::Key_Backtab ||
                 (modifiers & (Qt::ShiftModifier | Qt::ControlModifier))) &&
                m_host.FocusFrameBar(true)) {
                event->accept();
                return;
            }
            FocusActivePane();
            event->accept();
            return;
        case Qt::Key_Escape:
            FocusActivePane();
            event->accept();
            return;
        case Qt::Key_Delete:
            DeleteSelected();
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OpenSelected();
            event->accept();
            return;
        default:
            QTreeView::keyPressEvent(event);
    }
}

// -- Commands ----------------------------------------------------------------------

bool CTreeBrowser::OnCommand(int id) {
    switch (id) {
        case ID_INTERNAL_GO:
        case ID_OPEN_ITEM:
            OpenSelected();
            return true;
        case ID_FILE_DELETE:
            DeleteSelected();
            return true;
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
            CopySelected(id == ID_EDIT_CUT);
            return true;
        case ID_EDIT_PASTE:
        case ID_EDIT_PASTE_LINK:
            PasteIntoSelected(id == ID_EDIT_PASTE_LINK);
            return true;
        default:
            return false;
    }
}

bool CTreeBrowser::OnUpdateCommand(int id, CommandState& state) {
    const TreeNode* node = SelectedNode();
    switch (id) {
        case ID_INTERNAL_GO:
        case ID_OPEN_ITEM:
            state.Enable(node != nullptr);
            return true;
        case ID_FILE_DELETE:
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
            state.Enable(node && !node->IsRoot());
            return true;
        case ID_EDIT_PASTE:
        case ID_EDIT_PASTE_LINK:
            state.Enable(node && ClipboardOffersTransfer() &&
                         !(node->IsRoot() && node->state != TreeNode::State::Expanded));
            return true;
        default:
            return false;
    }
}

std::unique_ptr<ShellFolder> CTreeBrowser::BindParentOf(const TreeNode& node) const {
    if (!node.parent)
        return nullptr;
    std::unique_ptr<ShellFolder> desktop = SHGetDesktopFolder();
    if (!desktop || node.parent->IsRoot())
        return desktop;
    return desktop->BindToObject(node.parent->absolute);
}

std::unique_ptr<ShellDataObject> CTreeBrowser::DataObjectOf(const TreeNode& node) const {
    std::unique_ptr<ShellFolder> parent = BindParentOf(node);
    if (!parent)
        return nullptr;
    return parent->GetDataObject(std::span(&node.id, 1));
}

void CTreeBrowser::DeleteSelected() {
    TreeNode* node = SelectedNode();
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
                        BeginPaneOperation(m_host, parentPath, QString(), DROPEFFECT_MOVE);
                        EndDelete(parentSerial, true);
                    },
                    this);
                return;
            }
            if (parent->watch)
                parent->watch->SetEnabled(false);
            BeginPaneOperation(m_host, parentPath, QString(), DROPEFFECT_MOVE);
            SHFileOperation(request, window());
            EndDelete(parentSerial, true);
            return;
        }
    }
    if (fileSystemParent && parent->watch)
        parent->watch->SetEnabled(false);
    BeginPaneOperation(m_host, parentPath, QString(), DROPEFFECT_MOVE);
    // Anything else through the folder's own verb.
    bool deleted = false;
    if (std::unique_ptr<ShellFolder> folder = BindParentOf(*node)) {
        if (std::unique_ptr<ShellContextMenu> menu =
                folder->GetContextMenu(std::span(&node->id, 1))) {
            InvokeContext context;
            context.parent = window();
            deleted = menu->InvokeVerb(kDeleteVerb, context);
        }
    }
    if (!deleted)
        Beep(BeepKind::Exclamation);
    EndDelete(parentSerial, fileSystemParent);
}

void CTreeBrowser::EndDelete(std::uint64_t parentSerial, bool fileSystemParent) {
    // The parent may have gone with the operation (its own
    // refresh); it is looked up again.
    EndPaneOperation(m_host);
    if (TreeNode* again = m_model->Find(parentSerial); again && fileSystemParent) {
        if (again->state == TreeNode::State::Expanded)
            StartRead(again);
        if (again->watch)
            again->watch->SetEnabled(true);
    }
}

void CTreeBrowser::CopySelected(bool cut) {
    TreeNode* node = SelectedNode();
    if (!node || node->IsRoot())
        return;
    std::unique_ptr<ShellDataObject> data = DataObjectOf(*node);
    const std::uint32_t preferred =
        cut ? DROPEFFECT_MOVE | DROPEFFECT_LINK : DROPEFFECT_COPY | DROPEFFECT_LINK;
    if (!data || !SetClipboardData(std::move(data), preferred))
        Notice(TransferNotices::kClipboardRefused, true);
}

void CTreeBrowser::PasteIntoSelected(bool asLinks) {
    TreeNode* node = SelectedNode();
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
    ExecuteTransfer(m_host, asLinks ? DROPEFFECT_LINK : DROPEFFECT_NONE, nullptr, folder, true);
    if (TreeNode* again = m_model->Find(serial); again && expanded) {
        if (again->state == TreeNode::State::Expanded)
            StartRead(again);
        if (again->watch)
            again->watch->SetEnabled(true);
    }
}

// -- Context menu --------------------------------------------------------------------

void CTreeBrowser::contextMenuEvent(QContextMenuEvent* event) {
    // The node and the point: the selection's from the keyboard, else the mouse's.
    TreeNode* node = nullptr;
    QPoint global;
    if (event->reason() == QContextMenuEvent::Keyboard) {
        node = SelectedNode();
        if (!node)
            return;
        const QModelIndex index = m_model->IndexOf(node);
        scrollTo(index);
        const QRect label = visualRect(index);
        global =
            viewport()->mapToGlobal(label.topLeft() + QPoint(kTreeMenuOffsetX, kTreeMenuOffsetY));
    } else {
        node = m_model->NodeOf(indexAt(event->pos()));
        global = event->globalPos();
    }
    // The root has no menu; the node becomes the selection.
    if (!node || node->IsRoot())
        return;
    SelectByProgram(node);
    event->accept();

    // The folder's own menu for the node.
    std::unique_ptr<ShellFolder> parent = BindParentOf(*node);
    std::unique_ptr<ShellContextMenu> handler =
        parent ? parent->GetContextMenu(std::span(&node->id, 1)) : nullptr;
    std::vector<ContextMenuEntry> entries;
    if (!handler ||
        !handler->QueryContextMenu(entries, kShellMenuFirstId, kShellMenuLastId, CMF_EXPLORE) ||
        entries.empty())
        return;
    QMenu menu(this);
    AddMenuEntries(menu, entries);
    QAction* chosen = ChooseContextMenuEntry(menu, global);
    if (!chosen || !chosen->data().isValid())
        return;
    const int offset = chosen->data().toInt() - kShellMenuFirstId;

    // Known verbs run as the tree's own commands; others go to the folder.
    if (const std::optional<QString> verb = handler->GetCommandString(offset)) {
        for (const VerbCommand& known : kVerbCommands) {
            if (verb->compare(QLatin1String(known.verb), Qt::CaseInsensitive) == 0) {
                PostCommand(known.command);
                return;
            }
        }
    }
    InvokeContext context;
    context.parent = window();
    context.workingDirectory = NameToBytes(ParsingNameOf(*node->parent));
    handler->InvokeCommand(offset, context);
}

// -- Drag and drop -------------------------------------------------------------------

void CTreeBrowser::startDrag(Qt::DropActions supportedActions) {
    (void)supportedActions;
    TreeNode* node = SelectedNode();
    if (!node || node->IsRoot())
        return;
    std::unique_ptr<ShellDataObject> data = DataObjectOf(*node);
    if (!data) {
        Notice(TransferNotices::kNothingToDrag, true);
        return;
    }
    std::shared_ptr<const ShellDataObject> shared(std::move(data));
    auto* drag = new QDrag(this);
    drag->setMimeData(ToMimeData(shared, 0));
    const QIcon icon = m_model->data(m_model->IndexOf(node), Qt::DecorationRole).value<QIcon>();
    drag->setPixmap(icon.pixmap(kDragImageSize, kDragImageSize));
    m_dragData = shared;
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    m_dragData.reset();
    drag->deleteLater();
}

std::shared_ptr<const ShellDataObject> CTreeBrowser::DragDataOf(const QDropEvent& event) const {
    if (m_dragData && event.source() == this)
        return m_dragData;
    if (!event.mimeData())
        return nullptr;
    return std::make_shared<MimeDataObject>(*event.mimeData());
}

void CTreeBrowser::SetDropHighlight(TreeNode* node) {
    const std::uint64_t serial = node ? node->serial : 0;
    if (serial == m_highlightNode)
        return;
    m_model->SetDropTarget(m_model->Find(m_highlightNode), false);
    m_model->SetDropTarget(node, true);
    m_highlightNode = serial;
}

void CTreeBrowser::ForgetDrag() {
    SetDropHighlight(nullptr);
    m_drop = DropState();
    m_dropFolder.reset();
    m_dropFolderNode = 0;
    m_hoverTimer.stop();
    m_hoverNode = 0;
}

FolderModel* CTreeBrowser::DropFolderOf(TreeNode* node) {
    if (!node)
        return nullptr;
    if (m_dropFolderNode != node->serial) {
        m_dropFolderNode = node->serial;
        m_dropFolder = std::make_unique<FolderModel>();
        if (m_dropFolder->Open(node->absolute, false) == FolderModel::kReadFailed)
            m_dropFolder.reset();
    }
    return m_dropFolder.get();
}

std::uint32_t CTreeBrowser::EffectAt(TreeNode* node, std::uint32_t keyState, QPoint point,
                                     std::uint32_t allowed) {
    FolderModel* folder = DropFolderOf(node);
    if (!folder || !m_drop.data)
        return DROPEFFECT_NONE;
    std::unique_ptr<ShellDropTarget> target = FolderDropTarget(*folder);
    if (!target)
        return DROPEFFECT_NONE;
    std::uint32_t effect = allowed;
    if (!target->DragEnter(*m_drop.data, keyState, point, effect))
        effect = DROPEFFECT_NONE;
    target->DragLeave();
    return effect & allowed;
}

std::uint32_t CTreeBrowser::DropOnto(TreeNode* node, std::uint32_t effect,
                                     const ShellDataObject& data, QPoint point) {
    FolderModel* folder = DropFolderOf(node);
    if (!folder)
        return DROPEFFECT_NONE;
    const WaitCursor wait;
    // As a paste into the node's folder first, then the folder's own drop
    // target for what that does not take.
    std::uint32_t done = ExecuteTransfer(m_host, effect, &data, *folder, false);
    if (done != DROPEFFECT_NONE)
        return done;
    std::unique_ptr<ShellDropTarget> target = FolderDropTarget(*folder);
    if (!target)
        return DROPEFFECT_NONE;
    const std::uint32_t keyState = KeyStateForOperation(effect);
    std::uint32_t asked = effect;
    done = effect;
    if (target->DragEnter(data, keyState, point, asked) && asked != DROPEFFECT_NONE &&
        target->Drop(data, keyState, point, done))
        return done == DROPEFFECT_NONE ? effect : done;
    return DROPEFFECT_NONE;
}

void CTreeBrowser::dragEnterEvent(QDragEnterEvent* event) {
    // The view's own part keeps the auto-scroll at the edges working.
    QTreeView::dragEnterEvent(event);
    ForgetDrag();
    m_drop.data = DragDataOf(*event);
    m_drop.rightButton = IsRightButtonDrag(*event);
    const QPoint point = event->position().toPoint();
    const std::uint32_t keyState = DropKeyState(*event);
    TreeNode* node = m_model->NodeOf(indexAt(point));
    const std::uint32_t effect =
        EffectAt(node, keyState, point, EffectsOf(event->possibleActions()));
    m_drop.lastKeyState = keyState;
    m_drop.lastPoint = point;
    m_drop.lastEffect = effect;
    m_drop.nodeSerial = node ? node->serial : 0;
    SetDropHighlight(effect != DROPEFFECT_NONE ? node : nullptr);
    // A drag that comes to rest where it entered hovers all the same.
    UpdateHover(node);
    // Accepted either way, so that the moves keep coming: another node may
    // take the drop.
    event->setDropAction(ActionOf(effect));
    event->accept();
}

void CTreeBrowser::UpdateHover(TreeNode* node) {
    const Settings settings = CurrentSettings();
    if (!(settings.options & kTreeHoverExpand))
        return;
    const std::uint64_t serial = node ? node->serial : 0;
    if (serial != m_hoverNode)
        m_hoverTimer.stop();
    if (!m_hoverTimer.isActive() && node) {
        m_hoverNode = serial;
        m_hoverTimer.start(settings.autoCDDelay, this);
    }
}

void CTreeBrowser::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event);
    const QPoint point = event->position().toPoint();
    const std::uint32_t keyState = DropKeyState(*event);
    std::uint32_t effect = m_drop.lastEffect;
    if (keyState != m_drop.lastKeyState || point != m_drop.lastPoint) {
        TreeNode* node = m_model->NodeOf(indexAt(point));
        const std::uint64_t serial = node ? node->serial : 0;
        UpdateHover(node);
        effect = EffectAt(node, keyState, point, EffectsOf(event->possibleActions()));
        m_drop.lastKeyState = keyState;
        m_drop.lastPoint = point;
        m_drop.lastEffect = effect;
        m_drop.nodeSerial = serial;
        SetDropHighlight(effect != DROPEFFECT_NONE ? node : nullptr);
    }
    if (effect == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    event->setDropAction(ActionOf(effect));
    event->accept();
}

void CTreeBrowser::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeView::dragLeaveEvent(event);
    ForgetDrag();
}

void CTreeBrowser::FireHoverExpand() {
    m_hoverTimer.stop();
    TreeNode* node = m_model->Find(m_hoverNode);
    if (node && node->state == TreeNode::State::Collapsed && node->hasChildren)
        ExpandNode(node);
}

void CTreeBrowser::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    const QPoint point = event->position().toPoint();
    TreeNode* node = m_model->NodeOf(indexAt(point));
    if (!m_drop.data)
        m_drop.data = DragDataOf(*event);
    std::shared_ptr<const ShellDataObject> data = m_drop.data;
    const bool rightButton = m_drop.rightButton || IsRightButtonDrag(*event);
    const std::uint32_t allowed = EffectsOf(event->possibleActions());
    const std::uint32_t effect = EffectAt(node, DropKeyState(*event), point, allowed);

    std::uint32_t done = DROPEFFECT_NONE;
    bool cancelled = false;
    if (data && node) {
        if (rightButton || (event->modifiers() & Qt::AltModifier)) {
            // The right button asks what to do, its default what the left
            // button would have done.
            QMenu menu(this);
            std::vector<std::pair<QAction*, std::uint32_t>> choices;
            for (auto [text, choice] : {std::pair{kCopyHere, std::uint32_t(DROPEFFECT_COPY)},
                                        std::pair{kMoveHere, std::uint32_t(DROPEFFECT_MOVE)},
                                        std::pair{kLinkHere, std::uint32_t(DROPEFFECT_LINK)}}) {
                QAction* action = menu.addAction(text);
                action->setEnabled(allowed & choice);
                if (choice == effect)
                    menu.setDefaultAction(action);
                choices.emplace_back(action, choice);
            }
            menu.addSeparator();
            menu.addAction(kCancel);
            QAction* chosen = ChooseContextMenuEntry(menu, viewport()->mapToGlobal(point));
            std::uint32_t choice = DROPEFFECT_NONE;
            for (const auto& [action, value] : choices) {
                if (action == chosen)
                    choice = value;
            }
            if (choice == DROPEFFECT_NONE)
                cancelled = true;
            else
                done = DropOnto(node, choice, *data, point);
        } else if (effect != DROPEFFECT_NONE) {
            done = DropOnto(node, effect, *data, point);
        }
    }
    ForgetDrag();
    if (cancelled) {
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        return;
    }
    if (done == DROPEFFECT_NONE) {
        Beep(BeepKind::Exclamation);
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(ActionOf(done));
    event->accept();
}
