// The drag and drop side of CPaneTransfer: dragging a pane's selection out,
// and a pane as a drop target.

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>

#include "fileops/CPaneTransfer.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/ui/Prompter.h"
#include "shell/Notice.h"

namespace {

const QString kCopyHere = QStringLiteral("&Copy Here");
const QString kMoveHere = QStringLiteral("&Move Here");
const QString kLinkHere = QStringLiteral("&Link Here");
const QString kCancel = QStringLiteral("Cancel");

// The size of a one-item drag image.
constexpr int kDragImageSize = 32;

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

// Asks a drop target which effect it would have (enter, then leave).
std::uint32_t AskEffect(ShellDropTarget& target, const ShellDataObject& data,
                        std::uint32_t keyState, QPoint point, std::uint32_t allowed) {
    std::uint32_t effect = allowed;
    if (!target.DragEnter(data, keyState, point, effect))
        effect = DROPEFFECT_NONE;
    target.DragLeave();
    return effect & allowed;
}

// A drag with the right button held, or one a pane started with it (the
// button may be up by the time the event comes).
bool IsRightButtonDrag(const QDropEvent& event) {
    return (event.buttons() & Qt::RightButton) ||
           (event.mimeData() && event.mimeData()->hasFormat(kRightButtonDragFormat));
}

// The key state of a drag event; a right-button drag keeps MK_RBUTTON to
// its end.
std::uint32_t DropKeyState(const QDropEvent& event) {
    std::uint32_t keyState = KeyStateOf(event.buttons(), event.modifiers());
    if (IsRightButtonDrag(event))
        keyState |= MK_RBUTTON;
    return keyState;
}

std::uint32_t DefaultDropMenu(QPoint global, std::uint32_t allowed, std::uint32_t preferred) {
    QMenu menu;
    std::vector<std::pair<QAction*, std::uint32_t>> entries;
    for (auto [text, effect] : {std::pair{kCopyHere, std::uint32_t(DROPEFFECT_COPY)},
                                std::pair{kMoveHere, std::uint32_t(DROPEFFECT_MOVE)},
                                std::pair{kLinkHere, std::uint32_t(DROPEFFECT_LINK)}}) {
        QAction* action = menu.addAction(text);
        action->setEnabled(allowed & effect);
        if (effect == preferred)
            menu.setDefaultAction(action);
        entries.emplace_back(action, effect);
    }
    menu.addSeparator();
    menu.addAction(kCancel);
    QAction* chosen = menu.exec(global);
    for (const auto& [action, effect] : entries) {
        if (action == chosen)
            return effect;
    }
    return DROPEFFECT_NONE;
}

}  // namespace

void CPaneTransfer::BeginDrag(CPanexView& pane, int row, Qt::MouseButton button) {
    PaneListCtrl* list = pane.List();
    // A drag from an unselected row selects it.
    if (row >= 0 && row < list->RowCount() && !list->IsRowSelected(row))
        list->SelectRow(row, true);
    // The selection as data.
    std::unique_ptr<ShellDataObject> data = SelectionDataObject(pane);
    if (!data) {
        Notice(TransferNotices::kNothingToDrag, true);
        return;
    }
    std::shared_ptr<const ShellDataObject> shared(std::move(data));
    auto* drag = new QDrag(list);
    QMimeData* mime = ToMimeData(shared, 0);
    if (button == Qt::RightButton)
        mime->setData(kRightButtonDragFormat, QByteArray("1"));
    drag->setMimeData(mime);
    // One item drags its own picture.
    const std::vector<FolderItem*> selected = list->SelectedItems();
    if (selected.size() == 1) {
        const QIcon icon = list->Model()->IconOf(*selected.front());
        drag->setPixmap(icon.pixmap(QSize(kDragImageSize, kDragImageSize)));
        drag->setHotSpot(QPoint(kDragImageSize / 2, kDragImageSize / 2));
    }
    // The view (or, for the right button, the pane's forwarder)
    // started the drag once the cursor left the system's drag distance
    // around the press point.
    m_dragData = shared;
    m_dragMime = mime;
    if (m_dragRunner)
        m_dragRunner(*drag);
    else
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    m_dragData.reset();
    m_dragMime.clear();
    drag->deleteLater();
}

std::shared_ptr<const ShellDataObject> CPaneTransfer::DragDataOf(const QDropEvent& event) const {
    // Our own drag: its data object, not a reading of its MIME data (which
    // would make the temporary copies meant for other programs).
    if (m_dragData && (event.source() || (m_dragMime && event.mimeData() == m_dragMime.data())))
        return m_dragData;
    if (!event.mimeData())
        return nullptr;
    return std::make_shared<MimeDataObject>(*event.mimeData());
}

void CPaneTransfer::RemoveHighlight(DropState& state) {
    if (state.pane)
        state.pane->List()->Model()->SetDropHighlight(nullptr);
    state.highlightRow = -1;
}

std::uint32_t CPaneTransfer::ComputeEffect(DropState& state, QAbstractItemView& view, QPoint point,
                                           std::uint32_t keyState, std::uint32_t allowed) {
    // The old target loses its highlight; then the row under the point.
    RemoveHighlight(state);
    if (!state.pane || !state.data || !state.pane->Model())
        return DROPEFFECT_NONE;
    CPanexView& pane = *state.pane;
    const QModelIndex index = view.indexAt(point);
    if (index.isValid()) {
        if (FolderItem* item = pane.List()->ItemAt(index.row())) {
            if (std::unique_ptr<ShellDropTarget> target = DropTargetOfItem(*item)) {
                const std::uint32_t effect =
                    AskEffect(*target, *state.data, keyState, point, allowed);
                if (effect != DROPEFFECT_NONE) {
                    state.highlightRow = index.row();
                    pane.List()->Model()->SetDropHighlight(item);
                    return effect;
                }
            }
        }
    }
    if (std::unique_ptr<ShellDropTarget> target = FolderDropTarget(*pane.Model()))
        return AskEffect(*target, *state.data, keyState, point, allowed);
    return DROPEFFECT_NONE;
}

void CPaneTransfer::DragEnter(CPanexView& pane, QAbstractItemView& view, QDragEnterEvent& event) {
    // A new drag starts from a clean state.
    RemoveHighlight(m_drop);
    m_drop = DropState();
    m_drop.pane = &pane;
    m_drop.data = DragDataOf(event);
    m_drop.rightButton = IsRightButtonDrag(event);
    const QPoint point = event.position().toPoint();
    const std::uint32_t keyState = DropKeyState(event);
    // A right-button drag asks everything, as its menu offers everything.
    const std::uint32_t allowed = EffectsOf(event.possibleActions());
    const std::uint32_t effect = ComputeEffect(m_drop, view, point, keyState, allowed);
    m_drop.lastKeyState = keyState;
    m_drop.lastPoint = point;
    m_drop.lastEffect = effect;
    if (effect == DROPEFFECT_NONE) {
        // Accepting the enter keeps the move events coming: another item
        // under the cursor may take the drop.
        event.setDropAction(Qt::IgnoreAction);
        event.accept();
        return;
    }
    event.setDropAction(ActionOf(effect));
    event.accept();
}

void CPaneTransfer::DragMove(CPanexView& pane, QAbstractItemView& view, QDragMoveEvent& event) {
    const QPoint point = event.position().toPoint();
    const std::uint32_t keyState = DropKeyState(event);
    std::uint32_t effect = m_drop.lastEffect;
    // The same keys at the same point give the same answer.
    if (m_drop.pane != &pane || keyState != m_drop.lastKeyState || point != m_drop.lastPoint) {
        if (m_drop.pane != &pane) {
            m_drop.pane = &pane;
            m_drop.data = DragDataOf(event);
            m_drop.rightButton = IsRightButtonDrag(event);
        }
        effect = ComputeEffect(m_drop, view, point, keyState, EffectsOf(event.possibleActions()));
        m_drop.lastKeyState = keyState;
        m_drop.lastPoint = point;
        m_drop.lastEffect = effect;
    }
    if (effect == DROPEFFECT_NONE) {
        event.ignore();
        return;
    }
    event.setDropAction(ActionOf(effect));
    event.accept();
}

void CPaneTransfer::DragLeave(CPanexView& pane) {
    (void)pane;
    RemoveHighlight(m_drop);
    m_drop = DropState();
}

std::uint32_t CPaneTransfer::TransferAt(CPanexView& pane, QAbstractItemView& view, QPoint point,
                                        std::uint32_t effect, const ShellDataObject& data) {
    const QModelIndex index = view.indexAt(point);
    if (!index.isValid())
        return ExecuteTransfer(m_host, effect, &data, *pane.Model(), false);
    FolderItem* item = pane.List()->ItemAt(index.row());
    if (!item)
        return DROPEFFECT_NONE;
    const bool followLinks = pane.Model()->IsFileSystem();
    if (item->IsFolderLike(followLinks))
        return ExecuteTransferIntoItem(m_host, effect, &data, *item, false);
    // An item that is no folder (the trash, an application) takes the drop
    // through its own drop target.
    if (std::unique_ptr<ShellDropTarget> target = DropTargetOfItem(*item)) {
        std::uint32_t done = effect;
        const std::uint32_t keyState = KeyStateForOperation(effect);
        std::uint32_t asked = effect;
        if (target->DragEnter(data, keyState, point, asked) && asked != DROPEFFECT_NONE &&
            target->Drop(data, keyState, point, done))
            return done == DROPEFFECT_NONE ? effect : done;
    }
    return DROPEFFECT_NONE;
}

void CPaneTransfer::Drop(CPanexView& pane, QAbstractItemView& view, QDropEvent& event) {
    const QPoint point = event.position().toPoint();
    std::shared_ptr<const ShellDataObject> data =
        m_drop.pane == &pane && m_drop.data ? m_drop.data : DragDataOf(event);
    const bool rightButton =
        (m_drop.pane == &pane && m_drop.rightButton) || IsRightButtonDrag(event);
    DropState state = m_drop;
    state.pane = &pane;
    state.data = data;
    const std::uint32_t allowed = EffectsOf(event.possibleActions());
    const std::uint32_t keyState = DropKeyState(event);
    const std::uint32_t effect =
        data ? ComputeEffect(state, view, point, keyState, allowed) : DROPEFFECT_NONE;
    RemoveHighlight(state);
    m_drop = DropState();

    std::uint32_t done = DROPEFFECT_NONE;
    if (data && pane.Model()) {
        // Alt at the drop asks as a right-button drag does, as the desktop's
        // file managers do.
        if (rightButton || (event.modifiers() & Qt::AltModifier)) {
            // For the right button (or Alt) the menu decides.
            const QPoint global = view.viewport()->mapToGlobal(point);
            const std::uint32_t chosen = m_dropMenu ? m_dropMenu(global, allowed, effect)
                                                    : DefaultDropMenu(global, allowed, effect);
            if (chosen != DROPEFFECT_NONE)
                done = TransferAt(pane, view, point, chosen, *data);
            else {
                event.setDropAction(Qt::IgnoreAction);
                event.accept();
                return;
            }
        } else if (effect != DROPEFFECT_NONE) {
            // Otherwise the effect the keys chose.
            done = TransferAt(pane, view, point, effect, *data);
        }
    }
    if (done == DROPEFFECT_NONE) {
        Beep();
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
        return;
    }
    // The items have arrived already; the source learns what happened (a
    // move removes the items from its view).
    event.setDropAction(ActionOf(done));
    event.accept();
}
