#include "tree/CTreeBrowser.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>
#include <utility>

#include "fileops/TransferClipboard.h"
#include "pane/CPanexView.h"
#include "pane/PaneHost.h"
#include "platform/namespace/ShellTypes.h"
#include "shell/CommandIds.h"
#include "tree/TreeDropTarget.h"
#include "tree/TreeLocator.h"
#include "tree/TreeNodeCommands.h"
#include "tree/TreeReads.h"

namespace {

const QString kDesktopName = QStringLiteral("Desktop");

}  // namespace

CTreeBrowser::CTreeBrowser(PaneHost& host, QWidget* parent)
    : QTreeView(parent),
      m_host(host),
      m_model(new TreeModel(kDesktopName, this)),
      m_reads(std::make_unique<TreeReads>(*this)),
      m_locator(std::make_unique<TreeLocator>(*this)),
      m_commands(std::make_unique<TreeNodeCommands>(*this)),
      m_drop(std::make_unique<TreeDropTarget>(*this)) {
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
    m_reads->Close();
    // The watches post to this window: they end before it does.
    m_model->Forget(m_model->Root());
    m_model->Root()->watch.reset();
    m_reads.reset();
}

CTreeBrowser::Settings CTreeBrowser::CurrentSettings() const {
    return m_settings ? m_settings() : Settings();
}

TreeNode* CTreeBrowser::SelectedNode() const {
    return m_model->NodeOf(currentIndex());
}

int CTreeBrowser::PendingReads() const {
    return m_reads->Pending();
}

bool CTreeBrowser::event(QEvent* event) {
    if (m_reads->HandleEvent(event))
        return true;
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
        m_reads->Start(node);
}

void CTreeBrowser::OnExpanded(const QModelIndex& index) {
    TreeNode* node = m_model->NodeOf(index);
    if (node && node->state == TreeNode::State::Collapsed)
        m_reads->Start(node);
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
    return m_locator->Locate(absolute);
}

bool CTreeBrowser::IsLocating() const {
    return m_locator->IsLocating();
}

void CTreeBrowser::ShowDefault() {
    m_locator->ShowDefault();
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
    if (event->timerId() == m_drop->HoverTimerId()) {
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

void CTreeBrowser::DeleteSelected() {
    m_commands->Delete();
}

void CTreeBrowser::CopySelected(bool cut) {
    m_commands->Copy(cut);
}

void CTreeBrowser::PasteIntoSelected(bool asLinks) {
    m_commands->Paste(asLinks);
}

void CTreeBrowser::contextMenuEvent(QContextMenuEvent* event) {
    m_commands->ContextMenu(*event);
}

// -- Drag and drop -------------------------------------------------------------------

void CTreeBrowser::startDrag(Qt::DropActions supportedActions) {
    (void)supportedActions;
    m_drop->StartDrag();
}

void CTreeBrowser::dragEnterEvent(QDragEnterEvent* event) {
    // The view's own part keeps the auto-scroll at the edges working.
    QTreeView::dragEnterEvent(event);
    m_drop->DragEnter(*event);
}

void CTreeBrowser::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event);
    m_drop->DragMove(*event);
}

void CTreeBrowser::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeView::dragLeaveEvent(event);
    m_drop->DragLeave();
}

void CTreeBrowser::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(QAbstractItemView::NoState);
    m_drop->Drop(*event);
}

void CTreeBrowser::FireHoverExpand() {
    m_drop->FireHoverExpand();
}

bool CTreeBrowser::HoverPending() const {
    return m_drop->HoverPending();
}
