#include "stats/FolderStatsWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QSet>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/CommandIds.h"
#include "stats/CFolderStats.h"

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
// The template's margin around the tree, kept on every side when resized.
constexpr int kMargin = 7;

QIcon FolderIcon() {
    QStyle* style = QApplication::style();
    QIcon icon = style->standardIcon(QStyle::SP_DirClosedIcon);
    // The open folder shows for the selected item.
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    for (const QSize& size : open.availableSizes())
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    return icon;
}

}  // namespace

FolderStatsWindow::FolderStatsWindow(CFolderStats& owner, std::unique_ptr<FolderStatNode> root,
                                     const QByteArray& readPath, const QString& title,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_owner(owner), m_root(std::move(root)), m_readPath(readPath) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FolderStatsWindow"));
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("FolderStatsTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->installEventFilter(this);
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] { Browse(); });
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            &FolderStatsWindow::ShowContextMenu);
    if (const auto placement = m_owner.Placement())
        setGeometry(*placement);
    else
        resize(520, 420);
    Fill();
}

FolderStatsWindow::~FolderStatsWindow() {
    // The items point at the nodes: they go first.
    if (m_tree)
        m_tree->clear();
}

const FolderStatNode* FolderStatsWindow::NodeOf(const QTreeWidgetItem* item) {
    if (!item)
        return nullptr;
    return reinterpret_cast<const FolderStatNode*>(item->data(0, kNodeRole).value<quintptr>());
}

void FolderStatsWindow::Fill() {
    SortStatTree(*m_root, m_owner.SortOrder());
    m_tree->clear();
    AddItems(*m_root, nullptr);
    QTreeWidgetItem* top = m_tree->topLevelItem(0);
    top->setExpanded(true);
    m_tree->setCurrentItem(top);
}

void FolderStatsWindow::AddItems(const FolderStatNode& node, QTreeWidgetItem* parentItem) {
    static const QIcon folderIcon = FolderIcon();
    auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(m_tree);
    item->setText(0, StatFolderText(node));
    item->setIcon(0, folderIcon);
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    for (const auto& child : node.children) AddItems(*child, item);
    if (node.localFiles > 0) {
        auto* files = new QTreeWidgetItem(item);
        files->setText(0, StatLocalFilesText(node));
        files->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    }
}

bool FolderStatsWindow::RunCommand(int id) {
    switch (id) {
        case ID_FIND_BROWSE:
            Browse();
            return true;
        case ID_SORT_NAME:
            Sort(StatSortOrder::ByName);
            return true;
        case ID_SORT_SIZE:
            Sort(StatSortOrder::BySize);
            return true;
        case ID_DIRDATA_PRINT:
            m_owner.Print(*m_root);
            return true;
        default:
            return false;
    }
}

void FolderStatsWindow::Browse() {
    const FolderStatNode* node = NodeOf(m_tree->currentItem());
    if (!node || !m_tree->currentItem()->isSelected())
        return;
    m_owner.Browse(StatNodePath(*node, m_readPath));
}

void FolderStatsWindow::Sort(StatSortOrder order) {
    m_owner.SetSortOrder(order);
    // The items are made anew in the new order; what the user opened and
    // where they stood is carried over by node.
    QSet<const FolderStatNode*> expanded;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->isExpanded())
            expanded.insert(NodeOf(*it));
    }
    const FolderStatNode* current = NodeOf(m_tree->currentItem());
    Fill();
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        const FolderStatNode* node = NodeOf(*it);
        if (!node)
            continue;
        (*it)->setExpanded(expanded.contains(node));
        if (node == current)
            m_tree->setCurrentItem(*it);
    }
}

void FolderStatsWindow::ShowContextMenu(const QPoint& position) {
    // A right click selects the item under the mouse first; "Browse" needs
    // one there.
    QTreeWidgetItem* item = m_tree->itemAt(position);
    if (item)
        m_tree->setCurrentItem(item);
    OpenMenu(m_tree->viewport()->mapToGlobal(position), item != nullptr);
}

void FolderStatsWindow::OpenMenu(const QPoint& globalPosition, bool canBrowse) {
    std::unique_ptr<QMenu> menu = m_owner.CreatePopupMenu(this);
    if (!menu)
        return;
    // The states are the window's, not the frame's: they are set again
    // after the frame's own update when the menu shows.
    QMenu* shown = menu.get();
    auto setStates = [this, shown, canBrowse] {
        const int sortId =
            m_owner.SortOrder() == StatSortOrder::ByName ? ID_SORT_NAME : ID_SORT_SIZE;
        for (QAction* action : shown->actions()) {
            const int id = action->data().toInt();
            if (id == ID_SORT_NAME || id == ID_SORT_SIZE) {
                action->setEnabled(true);
                action->setCheckable(true);
                action->setChecked(id == sortId);
            } else if (id == ID_FIND_BROWSE) {
                action->setEnabled(canBrowse);
            } else if (id == ID_DIRDATA_PRINT) {
                action->setEnabled(true);
            }
        }
    };
    setStates();
    connect(shown, &QMenu::aboutToShow, this, setStates);
    if (QAction* chosen = menu->exec(globalPosition))
        RunCommand(chosen->data().toInt());
}

bool FolderStatsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Browse();
            return true;
        }
        if (key->key() == Qt::Key_Menu) {
            // From the keyboard the menu opens at the current item, and
            // "Browse" needs a selected one.
            QTreeWidgetItem* current = m_tree->currentItem();
            const QRect rect = current ? m_tree->visualItemRect(current) : QRect();
            const QPoint at = rect.isValid() ? rect.bottomLeft() : QPoint(0, 0);
            OpenMenu(m_tree->viewport()->mapToGlobal(at), current && current->isSelected());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FolderStatsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FolderStatsWindow::closeEvent(QCloseEvent* event) {
    m_owner.RememberPlacement(normalGeometry());
    QWidget::closeEvent(event);
}
