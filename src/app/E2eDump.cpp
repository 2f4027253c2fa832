#include "app/E2eDump.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QSplitter>
#include <QTabBar>
#include <cstdio>
#include <utility>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneTabs.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/ShellContext.h"
#include "tree/CTreeBrowser.h"

PaneListingDump::PaneListingDump(CPanexView* left, CPanexView* right, const QString& path,
                                 QObject* parent)
    : QObject(parent), m_left(left), m_right(right), m_path(path) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &PaneListingDump::Write);
    if (m_path.isEmpty())
        return;
    Watch(m_left);
    Watch(m_right);
    connect(qApp, &QApplication::focusChanged, this, [this] { m_timer.start(); });
}

QString PaneListingDump::PathFromEnvironment() {
    return NameFromBytes(qgetenv(kE2eDumpVariable));
}

void PaneListingDump::Watch(CPanexView* pane) {
    QAbstractItemModel* rows = pane->List()->Model();
    auto schedule = [this] { m_timer.start(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(rows, &QAbstractItemModel::modelReset, this, schedule);
    connect(rows, &QAbstractItemModel::layoutChanged, this, schedule);
    connect(pane->List(), &PaneListCtrl::selectionChanged, this, schedule);
    // A rename in place changes a row's name without moving any row.
    connect(rows, &QAbstractItemModel::dataChanged, this, schedule);
    connect(pane->List(), &PaneListCtrl::focusChanged, this, schedule);
    pane->installEventFilter(this);
}

QByteArray PaneListingDump::FocusLines() const {
    QByteArray lines;
    QByteArray focus = "-";
    const QWidget* now = QApplication::focusWidget();
    for (const auto& [pane, tag] : {std::pair{m_left, "L"}, std::pair{m_right, "R"}}) {
        if (!pane)
            continue;
        const PaneListCtrl* list = pane->List();
        const int row = list->FocusedRow();
        if (const FolderItem* item = row >= 0 ? list->ItemAt(row) : nullptr) {
            lines += QByteArray("F") + tag + '\t' + NameToBytes(item->name) + '\n';
        }
        // The splitter's share, not the widget's width: a collapsed pane
        // keeps its minimum width, moved out of sight. The pane may sit in
        // its side's tabs, a child of the splitter.
        const QWidget* side = pane;
        while (side->parentWidget() && !qobject_cast<const QSplitter*>(side->parentWidget()))
            side = side->parentWidget();
        const auto* splitter = qobject_cast<const QSplitter*>(side->parentWidget());
        const int index = splitter ? splitter->indexOf(const_cast<QWidget*>(side)) : -1;
        const int shown = index >= 0 ? splitter->sizes().value(index) : pane->width();
        lines += QByteArray("W") + tag + '\t' + QByteArray::number(shown) + '\n';
        if (now && pane->isAncestorOf(now))
            focus = QByteArray(tag) + (qobject_cast<const QLineEdit*>(now) ? "E" : "");
    }
    lines += "K\t" + focus + '\n';
    return lines;
}

void PaneListingDump::WatchTree(CTreeBrowser* tree) {
    if (m_path.isEmpty() || !tree)
        return;
    m_tree = tree;
    auto schedule = [this] { m_timer.start(); };
    TreeModel* nodes = tree->Model();
    connect(nodes, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(nodes, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(nodes, &QAbstractItemModel::dataChanged, this, schedule);
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, schedule);
    connect(tree, &CTreeBrowser::LocateFinished, this, schedule);
    connect(tree, &QTreeView::expanded, this, schedule);
    connect(tree, &QTreeView::collapsed, this, schedule);
}

void PaneListingDump::WatchButtons(QWidget* bar) {
    if (m_path.isEmpty() || !bar)
        return;
    m_buttons = bar;
    bar->installEventFilter(this);
    for (QAbstractButton* button : bar->findChildren<QAbstractButton*>())
        button->installEventFilter(this);
}

bool PaneListingDump::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::EnabledChange:
        case QEvent::FontChange:
            m_timer.start();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

QByteArray PaneListingDump::ButtonLines() const {
    QByteArray lines;
    if (!m_buttons || !m_buttons->isVisible())
        return lines;
    for (const QAbstractButton* button : m_buttons->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        const QPoint at = button->mapTo(button->window(), QPoint(0, 0));
        lines += "BG\t";
        lines += button->text().toUtf8();
        lines += QStringLiteral("\t%1 %2 %3 %4\n")
                     .arg(at.x())
                     .arg(at.y())
                     .arg(button->width())
                     .arg(button->height())
                     .toLatin1();
    }
    return lines;
}

QByteArray PaneListingDump::TreeLines() const {
    QByteArray lines;
    if (!m_tree || !m_tree->isVisible())
        return lines;
    if (const TreeNode* selected = m_tree->SelectedNode()) {
        lines += "T\t";
        lines += NameToBytes(
            AbsoluteDisplayName(selected->absolute, SHGDN_FORPARSING).value_or(QString()));
        lines += '\n';
    }
    const QRect visible = m_tree->viewport()->rect();
    for (QModelIndex index = m_tree->indexAt(visible.topLeft() + QPoint(1, 1)); index.isValid();
         index = m_tree->indexBelow(index)) {
        const QRect cell = m_tree->visualRect(index);
        if (!cell.intersects(visible))
            break;
        const QPoint at = m_tree->viewport()->mapTo(m_tree->window(), cell.topLeft());
        lines += "TG\t";
        lines += NameToBytes(m_tree->Model()->NodeOf(index)->displayName);
        lines += QStringLiteral("\t%1 %2 %3 %4\n")
                     .arg(at.x())
                     .arg(at.y())
                     .arg(cell.width())
                     .arg(cell.height())
                     .toLatin1();
    }
    return lines;
}

void PaneListingDump::AddNotice(const QString& text, bool alert) {
    if (m_path.isEmpty())
        return;
    QByteArray line = alert ? "NA\t" : "N\t";
    line += text.simplified().toUtf8();
    line += '\n';
    m_notices += line;
    while (m_notices.count('\n') > 20) m_notices.remove(0, m_notices.indexOf('\n') + 1);
    m_timer.start();
}

void PaneListingDump::SetOperationsText(const QString& text) {
    m_operations = text;
    if (!m_path.isEmpty())
        m_timer.start();
}

void PaneListingDump::WatchTabs(PaneTabs* left, PaneTabs* right) {
    if (m_path.isEmpty() || !left || !right)
        return;
    m_leftTabs = left;
    m_rightTabs = right;
    for (PaneTabs* side : {left, right}) {
        connect(side, &PaneTabs::viewAdded, this, [this](CPanexView* view) {
            Watch(view);
            m_timer.start();
        });
        connect(side, &PaneTabs::currentViewChanged, this, [this] { m_timer.start(); });
        connect(side, &PaneTabs::tabsChanged, this, [this] { m_timer.start(); });
    }
}

QByteArray PaneListingDump::TabLines() const {
    QByteArray lines;
    for (const auto& [side, tag] :
         {std::pair{m_leftTabs, "TL\t"}, std::pair{m_rightTabs, "TR\t"}}) {
        if (!side)
            continue;
        for (int i = 0; i < side->Count(); ++i) {
            QByteArray flags;
            if (i == side->CurrentIndex())
                flags += '*';
            if (side->IsLocked(i))
                flags += 'L';
            const FolderModel* model = side->ViewAt(i)->Model();
            lines += tag + (flags.isEmpty() ? QByteArray("-") : flags) + '\t' +
                     (model ? NameToBytes(model->path) : QByteArray()) + '\n';
        }
        // Where each tab is, while the bar is shown, for a script to drag
        // onto it.
        const QTabBar* bar = side->TabBar();
        if (bar->isVisible()) {
            for (int i = 0; i < bar->count(); ++i) {
                const QRect rect = bar->tabRect(i);
                const QPoint at = bar->mapTo(bar->window(), rect.topLeft());
                lines += QByteArray(side == m_leftTabs ? "TBL\t" : "TBR\t") +
                         QByteArray::number(i + 1) +
                         QStringLiteral("\t%1 %2 %3 %4\n")
                             .arg(at.x())
                             .arg(at.y())
                             .arg(rect.width())
                             .arg(rect.height())
                             .toLatin1();
            }
        }
    }
    return lines;
}

void PaneListingDump::Write() {
    if (m_path.isEmpty())
        return;
    if (m_leftTabs)
        m_left = m_leftTabs->Current();
    if (m_rightTabs)
        m_right = m_rightTabs->Current();
    QByteArray text;
    QByteArray places;
    for (const auto& [pane, tag] : {std::pair{m_left, "L"}, std::pair{m_right, "R"}}) {
        if (!pane)
            continue;
        const PaneListCtrl* list = pane->List();
        const QAbstractItemView* view = list->ActiveView();
        for (int row = 0; row < list->RowCount(); ++row) {
            const FolderItem* item = list->ItemAt(row);
            if (!item)
                continue;
            text += tag;
            text += '\t';
            text += NameToBytes(item->name);
            text += '\n';
            // Where the row's first cell is painted, in the window's own
            // coordinates, so a script can compare pixels of a capture of
            // the window whatever the window manager did with it.
            const QRect cell = view ? view->visualRect(view->model()->index(row, 0)) : QRect();
            if (!cell.isValid() || !view->viewport()->rect().intersects(cell))
                continue;
            const QPoint at = view->viewport()->mapTo(view->window(), cell.topLeft());
            places += tag;
            places += "G\t";
            places += NameToBytes(item->name);
            places += QStringLiteral("\t%1 %2 %3 %4\n")
                          .arg(at.x())
                          .arg(at.y())
                          .arg(cell.width())
                          .arg(cell.height())
                          .toLatin1();
        }
    }
    text += places;
    // The selected rows after all listed ones, so the tools' tests can see
    // what a command selected.
    for (const auto& [pane, tag] : {std::pair{m_left, "SL\t"}, std::pair{m_right, "SR\t"}}) {
        if (!pane)
            continue;
        for (const FolderItem* item : pane->List()->SelectedItems()) {
            text += tag;
            text += NameToBytes(item->name);
            text += '\n';
        }
    }
    text += TreeLines();
    text += ButtonLines();
    text += FocusLines();
    text += TabLines();
    text += m_notices;
    text += "OPS\t" + m_operations.toUtf8() + '\n';
    const QByteArray path = NameToBytes(m_path);
    const QByteArray temporary = path + ".tmp";
    UniqueFd fd(::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd)
        return;
    const bool written = WriteAll(fd.get(), text);
    if (fd.Close() == 0 && written)
        ::rename(temporary.constData(), path.constData());
}
