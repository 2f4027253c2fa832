#pragma once
// FolderStatsWindow: one folder-statistics reading shown as a tree. Each
// folder is an item "<total> "<name>": Sub-Folders=<n>, Files=<n>", its
// sub-folders below it in the run's sort order, then a last item for the
// files lying directly in it ("<size> in <n> local file(s)"). The root is
// expanded, the rest collapsed.
//
// Enter, a double click or "Browse" sends the active pane (the other one
// with Alt) to the selected folder; "Sort by Name" / "Sort by Size" set the
// run's order and re-sort the whole tree (the expanded folders and the
// selection stay); "Print" writes the tree as the listing file and opens it.
// The context menu "dirData" is the tree's. Escape or the close box
// remembers the placement for the run and destroys the window.
//
// The window owns its nodes and frees them when it goes. Main thread only;
// the CFolderStats that made it outlives it.

#include <QByteArray>
#include <QWidget>
#include <memory>

#include "stats/FolderStatNode.h"

class CFolderStats;
class QTreeWidget;
class QTreeWidgetItem;

class FolderStatsWindow : public QWidget {
    Q_OBJECT

public:
    /// A window over `root`, the reading of `readPath`, titled `title`.
    FolderStatsWindow(CFolderStats& owner, std::unique_ptr<FolderStatNode> root,
                      const QByteArray& readPath, const QString& title, QWidget* parent = nullptr);
    ~FolderStatsWindow() override;

    /// Runs one of the window's commands (ID_FIND_BROWSE, ID_SORT_NAME, ID_SORT_SIZE,
    /// ID_DIRDATA_PRINT); false for any other id.
    bool RunCommand(int id);
    /// Browse for the selected item; a local-files item does nothing.
    void Browse();
    /// Re-sorts the whole tree in the run's new order.
    void Sort(StatSortOrder order);

    QTreeWidget* Tree() const { return m_tree; }
    const FolderStatNode& Root() const { return *m_root; }
    /// The node an item stands for; nullptr for a local-files item.
    static const FolderStatNode* NodeOf(const QTreeWidgetItem* item);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    void AddItems(const FolderStatNode& node, QTreeWidgetItem* parentItem);
    void ShowContextMenu(const QPoint& position);
    void OpenMenu(const QPoint& globalPosition, bool canBrowse);

    CFolderStats& m_owner;
    std::unique_ptr<FolderStatNode> m_root;
    QByteArray m_readPath;
    QTreeWidget* m_tree = nullptr;
};
