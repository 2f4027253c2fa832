#include "tree/TreeDropTarget.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <utility>
#include <vector>

#include "fileops/CPaneTransfer.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "pane/FolderModel.h"
#include "pane/PaneContextMenu.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "platform/ui/WaitCursor.h"
#include "shell/Notice.h"
#include "tree/CTreeBrowser.h"
#include "tree/TreeNodeCommands.h"

namespace {

const QString kCopyHere = QStringLiteral("&Copy Here");
const QString kMoveHere = QStringLiteral("&Move Here");
const QString kLinkHere = QStringLiteral("&Link Here");
const QString kCancel = QStringLiteral("Cancel");

constexpr int kDragImageSize = 16;

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

}  // namespace

TreeDropTarget::TreeDropTarget(CTreeBrowser& tree) : m_tree(tree) {}

TreeDropTarget::~TreeDropTarget() = default;

void TreeDropTarget::StartDrag() {
    TreeNode* node = m_tree.SelectedNode();
    if (!node || node->IsRoot())
        return;
    std::unique_ptr<ShellDataObject> data = DataObjectOf(*node);
    if (!data) {
        Notice(TransferNotices::kNothingToDrag, true);
        return;
    }
    std::shared_ptr<const ShellDataObject> shared(std::move(data));
    auto* drag = new QDrag(&m_tree);
    drag->setMimeData(ToMimeData(shared, 0));
    const QIcon icon =
        m_tree.Model()->data(m_tree.Model()->IndexOf(node), Qt::DecorationRole).value<QIcon>();
    drag->setPixmap(icon.pixmap(kDragImageSize, kDragImageSize));
    m_dragData = shared;
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    m_dragData.reset();
    drag->deleteLater();
}

std::shared_ptr<const ShellDataObject> TreeDropTarget::DragDataOf(const QDropEvent& event) const {
    if (m_dragData && event.source() == &m_tree)
        return m_dragData;
    if (!event.mimeData())
        return nullptr;
    return std::make_shared<MimeDataObject>(*event.mimeData());
}

void TreeDropTarget::SetHighlight(TreeNode* node) {
    const std::uint64_t serial = node ? node->serial : 0;
    if (serial == m_highlightNode)
        return;
    m_tree.Model()->SetDropTarget(m_tree.Model()->Find(m_highlightNode), false);
    m_tree.Model()->SetDropTarget(node, true);
    m_highlightNode = serial;
}

void TreeDropTarget::Forget() {
    SetHighlight(nullptr);
    m_drop = DropState();
    m_folder.reset();
    m_folderNode = 0;
    m_hoverTimer.stop();
    m_hoverNode = 0;
}

FolderModel* TreeDropTarget::FolderOf(TreeNode* node) {
    if (!node)
        return nullptr;
    if (m_folderNode != node->serial) {
        m_folderNode = node->serial;
        m_folder = std::make_unique<FolderModel>();
        if (m_folder->Open(node->absolute, false) == FolderModel::kReadFailed)
            m_folder.reset();
    }
    return m_folder.get();
}

std::uint32_t TreeDropTarget::EffectAt(TreeNode* node, std::uint32_t keyState, QPoint point,
                                       std::uint32_t allowed) {
    FolderModel* folder = FolderOf(node);
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

std::uint32_t TreeDropTarget::DropOnto(TreeNode* node, std::uint32_t effect,
                                       const ShellDataObject& data, QPoint point) {
    FolderModel* folder = FolderOf(node);
    if (!folder)
        return DROPEFFECT_NONE;
    const WaitCursor wait;
    // As a paste into the node's folder first, then the folder's own drop
    // target for what that does not take.
    std::uint32_t done = ExecuteTransfer(m_tree.m_host, effect, &data, *folder, false);
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

void TreeDropTarget::DragEnter(QDragEnterEvent& event) {
    Forget();
    m_drop.data = DragDataOf(event);
    m_drop.rightButton = IsRightButtonDrag(event);
    const QPoint point = event.position().toPoint();
    const std::uint32_t keyState = DropKeyState(event);
    TreeNode* node = m_tree.Model()->NodeOf(m_tree.indexAt(point));
    const std::uint32_t effect =
        EffectAt(node, keyState, point, EffectsOf(event.possibleActions()));
    m_drop.lastKeyState = keyState;
    m_drop.lastPoint = point;
    m_drop.lastEffect = effect;
    m_drop.nodeSerial = node ? node->serial : 0;
    SetHighlight(effect != DROPEFFECT_NONE ? node : nullptr);
    // A drag that comes to rest where it entered hovers all the same.
    UpdateHover(node);
    // Accepted either way, so that the moves keep coming: another node may
    // take the drop.
    event.setDropAction(ActionOf(effect));
    event.accept();
}

void TreeDropTarget::UpdateHover(TreeNode* node) {
    const CTreeBrowser::Settings settings = m_tree.CurrentSettings();
    if (!(settings.options & kTreeHoverExpand))
        return;
    const std::uint64_t serial = node ? node->serial : 0;
    if (serial != m_hoverNode)
        m_hoverTimer.stop();
    if (!m_hoverTimer.isActive() && node) {
        m_hoverNode = serial;
        m_hoverTimer.start(settings.autoCDDelay, &m_tree);
    }
}

void TreeDropTarget::DragMove(QDragMoveEvent& event) {
    const QPoint point = event.position().toPoint();
    const std::uint32_t keyState = DropKeyState(event);
    std::uint32_t effect = m_drop.lastEffect;
    if (keyState != m_drop.lastKeyState || point != m_drop.lastPoint) {
        TreeNode* node = m_tree.Model()->NodeOf(m_tree.indexAt(point));
        const std::uint64_t serial = node ? node->serial : 0;
        UpdateHover(node);
        effect = EffectAt(node, keyState, point, EffectsOf(event.possibleActions()));
        m_drop.lastKeyState = keyState;
        m_drop.lastPoint = point;
        m_drop.lastEffect = effect;
        m_drop.nodeSerial = serial;
        SetHighlight(effect != DROPEFFECT_NONE ? node : nullptr);
    }
    if (effect == DROPEFFECT_NONE) {
        event.ignore();
        return;
    }
    event.setDropAction(ActionOf(effect));
    event.accept();
}

void TreeDropTarget::DragLeave() {
    Forget();
}

void TreeDropTarget::FireHoverExpand() {
    m_hoverTimer.stop();
    TreeNode* node = m_tree.Model()->Find(m_hoverNode);
    if (node && node->state == TreeNode::State::Collapsed && node->hasChildren)
        m_tree.ExpandNode(node);
}

void TreeDropTarget::Drop(QDropEvent& event) {
    const QPoint point = event.position().toPoint();
    TreeNode* node = m_tree.Model()->NodeOf(m_tree.indexAt(point));
    if (!m_drop.data)
        m_drop.data = DragDataOf(event);
    std::shared_ptr<const ShellDataObject> data = m_drop.data;
    const bool rightButton = m_drop.rightButton || IsRightButtonDrag(event);
    const std::uint32_t allowed = EffectsOf(event.possibleActions());
    const std::uint32_t effect = EffectAt(node, DropKeyState(event), point, allowed);

    std::uint32_t done = DROPEFFECT_NONE;
    bool cancelled = false;
    if (data && node) {
        if (rightButton || (event.modifiers() & Qt::AltModifier)) {
            // The right button asks what to do, its default what the left
            // button would have done.
            QMenu menu(&m_tree);
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
            QAction* chosen = ChooseContextMenuEntry(menu, m_tree.viewport()->mapToGlobal(point));
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
    Forget();
    if (cancelled) {
        event.setDropAction(Qt::IgnoreAction);
        event.accept();
        return;
    }
    if (done == DROPEFFECT_NONE) {
        Beep(BeepKind::Exclamation);
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
        return;
    }
    event.setDropAction(ActionOf(done));
    event.accept();
}
