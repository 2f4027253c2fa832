#pragma once
// CTreeBrowser: the tree of all folders, rooted at the Desktop, that the
// folder tree bar holds. It is a navigation aid for the active pane:
// selecting a node opens its folder there (at once on a click, after the
// hover delay when the selection is moved by keys), and LocateFolder() walks
// the tree to a pane's folder.
//
// Branches are read when they are expanded and forgotten when they are
// collapsed. Every read runs on a thread of its own (ReadTreeFolder), so a
// slow or hung mount never holds up the window: the node shows no children
// until its folders arrive, and an answer for a node that was collapsed (or
// read again) meanwhile is dropped. An expanded file-system folder is
// watched (option bit 4 turns that off); its changes arrive as event WM_FOLDER_CHANGED
// with the node's serial and re-read the folder, so folders made, renamed
// or removed elsewhere show up, change or go.
//
// Option bits ("binTreeOptions", kept by the frame and read through the
// settings source at each use, so a change applies at once):
//   1  a click opens the node in the active pane, and moving the selection
//      by keys opens it after the delay ("msTreeAutoCDDelay")
//   2  hovering over a node while dragging expands it after the delay
//   4  expanded folders are not watched
//   8  after opening a folder the focus moves to the active pane
//
// Commands while the tree has the focus (the frame routes them here first):
// ID_INTERNAL_GO and ID_OPEN_ITEM open the selected node in the active pane, ID_FILE_DELETE deletes
// its folder (to the trash; with Shift for good), ID_EDIT_COPY / ID_EDIT_CUT copy / cut
// it to the clipboard, ID_EDIT_PASTE / ID_EDIT_PASTE_LINK paste (as links) into it. Copy, cut,
// paste and delete go through the transfer executor with its operation
// record, as the panes' do.
//
// The tree's parts, each with its contract in its header: TreeReads (reads
// and watches), TreeLocator (the walk to a folder), TreeNodeCommands (delete,
// copy, paste, the context menu), TreeDropTarget (drag and drop).
//
// Main thread only; the host (the frame) outlives it.

#include <QBasicTimer>
#include <QPointer>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/namespace/IdList.h"
#include "platform/ui/CommandTarget.h"
#include "tree/TreeModel.h"

class PaneHost;
class TreeDropTarget;
class TreeLocator;
class TreeNodeCommands;
class TreeReads;

/// The option bits of "binTreeOptions".
enum TreeOption : int {
    kTreeSingleClick = 1,
    kTreeHoverExpand = 2,
    kTreeNoWatch = 4,
    kTreeFocusPane = 8,
};

/// The tree's control id (its widget's "controlId" property).
inline constexpr int kTreeControlId = 1002;

/// The event of a finished read (a private event type, delivered to the tree).
inline constexpr int kTreeReadEvent = 32790;

class CTreeBrowser : public QTreeView, public CommandTarget {
    Q_OBJECT

public:
    /// The tree's settings: the option bits and the delay in milliseconds.
    struct Settings {
        int options = 3;
        int autoCDDelay = 1500;
    };
    using SettingsSource = std::function<Settings()>;

    explicit CTreeBrowser(PaneHost& host, QWidget* parent = nullptr);
    ~CTreeBrowser() override;

    /// Where the options and the delay come from (the frame's values); the
    /// defaults without one.
    void SetSettingsSource(SettingsSource source) { m_settings = std::move(source); }
    Settings CurrentSettings() const;

    TreeModel* Model() const { return m_model; }
    /// The selected node, or nullptr.
    TreeNode* SelectedNode() const;

    /// Expands `node` the way the user does: its folders are read on a
    /// worker, and the node shows them when they arrive (or loses its expand
    /// button when there are none). Nothing when it is expanded or being
    /// read already.
    void ExpandNode(TreeNode* node);
    /// Collapses `node`: its children, their readers and watches go.
    void CollapseNode(TreeNode* node);

    /// Expands the path to the folder `absolute` names and selects it, level
    /// by level as the reads arrive. Ends with LocateFinished(): true when
    /// the folder was selected, false when a level could not be expanded or
    /// does not hold the next folder even after one more read of it (the
    /// tree stays where the walk stopped). A new call replaces a walk still running. Gives false at
    /// once for a null list.
    bool LocateFolder(const IdList& absolute);
    /// True while a LocateFolder() walk waits for a read.
    bool IsLocating() const;
    /// Selects Computer and expands it.
    void ShowDefault();
    /// Collapses the root: the tree then holds no folders and no watches.
    void CollapseRoot();

    /// Reads started and not answered yet.
    int PendingReads() const;

    /// What the delayed navigation's timer does when it fires: with the
    /// focus still in the tree, the selected node opens. For tests that
    /// stand in for the clock; the timer itself calls it.
    void FireAutoCD();
    /// True while the delayed navigation waits.
    bool AutoCDPending() const { return m_autoCDTimer.isActive(); }
    /// What the hover timer does when it fires during a drag.
    void FireHoverExpand();
    bool HoverPending() const;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

    // The commands on the selected node.
    void OpenSelected();
    void DeleteSelected();
    void CopySelected(bool cut);
    void PasteIntoSelected(bool asLinks);

Q_SIGNALS:
    /// A LocateFolder() walk ended.
    void LocateFinished(bool found);
    /// A read of a node's folder was applied (an expansion or a refresh).
    void ReadApplied(quint64 serial);

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class TreeDropTarget;
    friend class TreeLocator;
    friend class TreeNodeCommands;
    friend class TreeReads;

    void OnExpanded(const QModelIndex& index);
    void OnCollapsed(const QModelIndex& index);
    void SelectByProgram(TreeNode* node);
    void PostCommand(int id);
    void FocusActivePane();

    PaneHost& m_host;
    TreeModel* m_model;
    SettingsSource m_settings;
    std::unique_ptr<TreeReads> m_reads;
    std::unique_ptr<TreeLocator> m_locator;
    std::unique_ptr<TreeNodeCommands> m_commands;
    std::unique_ptr<TreeDropTarget> m_drop;

    bool m_selectionByProgram = false;
    // Set while the program changes the nodes (a collapse, a refresh): a
    // selection that moves because its node went opens nothing.
    bool m_changingByProgram = false;
    std::uint64_t m_pressNode = 0;  // the node a click with option 1 began on
    QBasicTimer m_autoCDTimer;      // delayed navigation
    std::uint64_t m_boldNode = 0;
};
