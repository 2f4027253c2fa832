#pragma once
// TreeDropTarget: the folder tree as a drag source and a drop target, the
// part of CTreeBrowser that handles drags.
//
// - StartDrag() drags the selected node's folder (not the root) with its
//   icon; the tree's own drops use the data object itself, not its copy.
// - During a drag over the tree, the node under the cursor is asked for the
//   effect through its folder's drop target (the folder opened once per
//   node, not once per move) and highlighted when it would take the drop.
//   The effect is asked again only when the keys or the point change. With
//   option kTreeHoverExpand a collapsed node the drag rests on expands after
//   the delay (FireHoverExpand(), the tree's hover timer).
// - A drop is carried out as a paste into the node's folder (the transfer
//   executor, with the operation record), else by the folder's own drop
//   target. A drop with the right button (or Alt) asks Copy Here / Move
//   Here / Link Here / Cancel, its default what the left button would have
//   done; Cancel ends the drag with nothing done and no beep. A drop nothing
//   takes beeps.
//
// Main thread only; owned by its tree, which forwards its drag events after
// the view's own handling (auto-scroll).

#include <QBasicTimer>
#include <QPoint>
#include <cstdint>
#include <memory>

class CTreeBrowser;
class FolderModel;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class ShellDataObject;
struct TreeNode;

class TreeDropTarget {
public:
    explicit TreeDropTarget(CTreeBrowser& tree);
    ~TreeDropTarget();
    TreeDropTarget(const TreeDropTarget&) = delete;
    TreeDropTarget& operator=(const TreeDropTarget&) = delete;

    /// Drags the selected node's folder; nothing for none or the root.
    void StartDrag();
    void DragEnter(QDragEnterEvent& event);
    void DragMove(QDragMoveEvent& event);
    void DragLeave();
    void Drop(QDropEvent& event);

    /// What the hover timer does when it fires: a collapsed node with
    /// folders under the resting drag expands.
    void FireHoverExpand();
    bool HoverPending() const { return m_hoverTimer.isActive(); }
    int HoverTimerId() const { return m_hoverTimer.timerId(); }

private:
    // The drop-target state between drag events.
    struct DropState {
        std::shared_ptr<const ShellDataObject> data;
        std::uint32_t lastKeyState = 0;
        QPoint lastPoint{-1, -1};
        std::uint32_t lastEffect = 0;
        std::uint64_t nodeSerial = 0;  // the node under the cursor
        bool rightButton = false;
    };

    std::shared_ptr<const ShellDataObject> DragDataOf(const QDropEvent& event) const;
    void SetHighlight(TreeNode* node);
    void Forget();
    FolderModel* FolderOf(TreeNode* node);
    std::uint32_t EffectAt(TreeNode* node, std::uint32_t keyState, QPoint point,
                           std::uint32_t allowed);
    std::uint32_t DropOnto(TreeNode* node, std::uint32_t effect, const ShellDataObject& data,
                           QPoint point);
    void UpdateHover(TreeNode* node);

    CTreeBrowser& m_tree;
    DropState m_drop;
    std::uint64_t m_highlightNode = 0;
    // The folder under the cursor during a drag, opened once per node.
    std::unique_ptr<FolderModel> m_folder;
    std::uint64_t m_folderNode = 0;
    std::shared_ptr<const ShellDataObject> m_dragData;  // of a drag started here
    QBasicTimer m_hoverTimer;                           // hover expansion during a drag
    std::uint64_t m_hoverNode = 0;
};
