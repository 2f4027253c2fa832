#include "pane/PaneRowModel.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"
#include "shell/ShellContext.h"

namespace {

const QString kNameTitle = QStringLiteral("Name");
const QString kSizeTitle = QStringLiteral("Size");
const QString kDeletedTitle = QStringLiteral("Deleted");
const QString kOriginalLocationTitle = QStringLiteral("Original location");
const QString kFreeSpaceTitle = QStringLiteral("Free space");
const QString kTotalSizeTitle = QStringLiteral("Total size");
const QString kModifiedTitle = QStringLiteral("Modified");
const QString kCreatedTitle = QStringLiteral("Created");
const QString kAccessedTitle = QStringLiteral("Accessed");

int LowBit(int i) {
    return i & -i;
}

IconRegistry& Icons() {
    IconRegistry* images = TheShellContext().images;
    return images ? *images : IconRegistry::Instance();
}

// A cut item's icon: its disabled look, in both sizes.
QIcon GhostedIcon(const QIcon& icon) {
    QIcon ghost;
    for (int size : {16, 32}) ghost.addPixmap(icon.pixmap(QSize(size, size), QIcon::Disabled));
    return ghost;
}

int DateIndex() {
    const int index = General().fileDateUsed;
    return (index < 0 || index > 2) ? int(kTimeModified) : index;
}

// Where the persistent indexes `before`, whose rows showed `items`, point
// once the rows have changed: the rows of the same items, in the same
// columns, or nowhere for an item no longer listed.
QModelIndexList IndexesAfter(const PaneRowModel& model, const QModelIndexList& before,
                             const std::vector<FolderItem*>& items) {
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = model.RowOf(items[std::size_t(i)]);
        after.push_back(row >= 0 ? model.index(row, before[i].column()) : QModelIndex());
    }
    return after;
}

}  // namespace

std::vector<PaneColumn> PaneColumnsForPanes() {
    std::vector<PaneColumn> columns(3);
    columns[0] = {PaneColumnKind::Name, kNameTitle, 150, Qt::AlignLeft, ID_SORT_NAME, {}};
    columns[1] = {PaneColumnKind::Size, kSizeTitle, 70, Qt::AlignRight, ID_SORT_SIZE, {}};
    columns[2] = {PaneColumnKind::Date, QString(), 120, Qt::AlignLeft, ID_SORT_DATE, {}};
    return columns;
}

std::vector<PaneColumn> PaneColumnsForTrash() {
    std::vector<PaneColumn> columns = PaneColumnsForPanes();
    columns[2].title = kDeletedTitle;
    columns[2].fixedDate = 0;
    PaneColumn from;
    from.kind = PaneColumnKind::Text;
    from.title = kOriginalLocationTitle;
    from.defaultWidth = 250;
    // The list's comparisons know no locations; a click keeps the name order.
    from.sortKey = ID_SORT_NAME;
    from.text = [](FolderItem& item) {
        const std::optional<TrashItemData> data =
            item.id.Count() == 1 ? DecodeTrashItem(item.id.ItemPayload(0)) : std::nullopt;
        if (!data)
            return QString();
        const qsizetype slash = data->originalPath.lastIndexOf('/');
        return DisplayFromName(
            NameFromBytes(slash <= 0 ? QByteArray("/") : data->originalPath.left(slash)));
    };
    columns.push_back(std::move(from));
    return columns;
}

std::vector<PaneColumn> PaneColumnsForComputer() {
    // Asked once per volume each time Computer is opened (the columns are
    // made anew then); a remote volume is not asked, so a server that does
    // not answer can't hold the pane.
    auto known = std::make_shared<std::map<QByteArray, std::pair<QString, QString>>>();
    auto spaceOf = [known](FolderItem& item) -> const std::pair<QString, QString>& {
        static const std::pair<QString, QString> none;
        const std::optional<VolumeItemData> volume =
            item.id.Count() == 1 ? DecodeVolumeItem(item.id.ItemPayload(0)) : std::nullopt;
        if (!volume)
            return none;
        auto found = known->find(volume->mountPoint);
        if (found == known->end()) {
            std::pair<QString, QString> texts;
            if (GetDriveType(NameFromBytes(volume->mountPoint)) != DRIVE_REMOTE) {
                if (const auto free = FreeSpace(volume->mountPoint))
                    texts.first = FormatSizeUnits(*free);
                if (const auto total = TotalSpace(volume->mountPoint))
                    texts.second = FormatSizeUnits(*total);
            }
            found = known->emplace(volume->mountPoint, std::move(texts)).first;
        }
        return found->second;
    };
    std::vector<PaneColumn> columns(3);
    columns[0] = {PaneColumnKind::Name, kNameTitle, 150, Qt::AlignLeft, ID_SORT_NAME, {}};
    columns[1] = {PaneColumnKind::Text,
                  kFreeSpaceTitle,
                  90,
                  Qt::AlignRight,
                  ID_SORT_NAME,
                  [spaceOf](FolderItem& item) { return spaceOf(item).first; }};
    columns[2] = {PaneColumnKind::Text,
                  kTotalSizeTitle,
                  90,
                  Qt::AlignRight,
                  ID_SORT_NAME,
                  [spaceOf](FolderItem& item) { return spaceOf(item).second; }};
    return columns;
}

QString DateColumnTitle(int fileDateUsed) {
    switch (fileDateUsed) {
        case 1:
            return kCreatedTitle;
        case 2:
            return kAccessedTitle;
        default:
            return kModifiedTitle;
    }
}

PaneRowModel::PaneRowModel(QObject* parent)
    : QAbstractTableModel(parent), m_columns(PaneColumnsForPanes()), m_tree(1, 0) {}

PaneRowModel::~PaneRowModel() = default;

void PaneRowModel::SetColumns(std::vector<PaneColumn> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

int PaneRowModel::DateColumn() const {
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].kind == PaneColumnKind::Date)
            return int(i);
    }
    return -1;
}

FolderItem* PaneRowModel::ItemAt(int row) const {
    if (row < 0 || row >= Count())
        return nullptr;
    return m_rows[std::size_t(row)];
}

int PaneRowModel::RowOf(const FolderItem* item) const {
    const auto it = m_slotOf.constFind(item);
    if (it == m_slotOf.cend())
        return -1;
    const int row = it.value() - RemovedBefore(it.value());
    Q_ASSERT(row >= 0 && row < Count() && m_rows[std::size_t(row)] == item);
    return row;
}

int PaneRowModel::Append(FolderItem* item, bool defer) {
    if (!item)
        return -1;
    const int existing = RowOf(item);
    if (existing >= 0)
        return existing;
    const int row = Count();
    m_rows.push_back(item);
    m_slotOf.insert(item, m_nextSlot);
    GrowTree();
    ++m_nextSlot;
    if (!defer)
        CommitPending();
    return row;
}

void PaneRowModel::CommitPending() {
    if (PendingCount() <= 0)
        return;
    // The rows are in m_rows already; the views only learn of them here.
    // rowCount() must still give the old count between begin and end.
    const int first = m_committed;
    const int last = Count() - 1;
    beginInsertRows(QModelIndex(), first, last);
    m_committed = Count();
    endInsertRows();
}

void PaneRowModel::Reserve(int count) {
    if (count <= 0)
        return;
    const std::size_t wanted = m_rows.size() + std::size_t(count);
    m_rows.reserve(wanted);
    m_tree.reserve(std::size_t(m_nextSlot + count + 1));
    m_slotOf.reserve(qsizetype(wanted));
}

bool PaneRowModel::Remove(const FolderItem* item) {
    const int row = RowOf(item);
    if (row < 0)
        return false;
    RemoveRows({row});
    return true;
}

int PaneRowModel::Remove(const std::vector<const FolderItem*>& items) {
    std::vector<int> rows;
    rows.reserve(items.size());
    for (const FolderItem* item : items) {
        const int row = RowOf(item);
        if (row >= 0)
            rows.push_back(row);
    }
    return RemoveRows(std::move(rows));
}

int PaneRowModel::RemoveRows(std::vector<int> rows) {
    const int count = Count();
    std::erase_if(rows, [count](int row) { return row < 0 || row >= count; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the highest range down, so the rows of the ranges still to come
    // keep their numbers.
    std::size_t end = rows.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && rows[begin - 1] == rows[begin] - 1) --begin;
        RemoveRange(rows[begin], rows[end - 1]);
        end = begin;
    }
    // Slots of removed rows only cost tree space; renumber once they
    // outnumber the rows, so every removal stays amortised O(log n).
    if (m_removedSlots > Count() + 64)
        Renumber();
    return int(rows.size());
}

void PaneRowModel::RemoveRange(int first, int last) {
    // Pending rows all follow the committed ones, so only a range's head can
    // be known to the views.
    const int visibleLast = std::min(last, m_committed - 1);
    const bool visible = first <= visibleLast;
    if (visible)
        beginRemoveRows(QModelIndex(), first, visibleLast);
    for (int row = first; row <= last; ++row) {
        const FolderItem* item = m_rows[std::size_t(row)];
        MarkRemoved(m_slotOf.take(item));
        m_ghosted.remove(item);
        if (m_dropHighlight == item)
            m_dropHighlight = nullptr;
    }
    m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
    if (visible) {
        m_committed -= visibleLast - first + 1;
        endRemoveRows();
    }
}

void PaneRowModel::Clear() {
    const bool visible = m_committed > 0;
    if (visible)
        beginRemoveRows(QModelIndex(), 0, m_committed - 1);
    m_rows.clear();
    m_committed = 0;
    m_slotOf.clear();
    m_ghosted.clear();
    m_dropHighlight = nullptr;
    Renumber();
    if (visible)
        endRemoveRows();
}

void PaneRowModel::Sort(const std::function<bool(FolderItem*, FolderItem*)>& less) {
    SortWith(
        [&](std::vector<FolderItem*>& rows) { std::stable_sort(rows.begin(), rows.end(), less); });
}

void PaneRowModel::SortWith(const std::function<void(std::vector<FolderItem*>&)>& sortRows) {
    if (Count() < 2)
        return;
    if (m_committed == 0) {
        sortRows(m_rows);
        Renumber();
        return;
    }
    CommitPending();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<FolderItem*> items;
    items.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before) items.push_back(ItemAt(index.row()));

    sortRows(m_rows);
    Renumber();

    changePersistentIndexList(before, IndexesAfter(*this, before, items));
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PaneRowModel::ReplaceRows(std::vector<FolderItem*> rows) {
    CommitPending();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<FolderItem*> items;
    items.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before) items.push_back(ItemAt(index.row()));

    m_rows = std::move(rows);
    m_committed = Count();
    m_slotOf.clear();
    m_slotOf.reserve(qsizetype(m_rows.size()));
    Renumber();
    // Marks of rows that went are forgotten, as a removal forgets them.
    for (auto it = m_ghosted.begin(); it != m_ghosted.end();) {
        if (m_slotOf.contains(*it))
            ++it;
        else
            it = m_ghosted.erase(it);
    }
    if (m_dropHighlight && !m_slotOf.contains(m_dropHighlight))
        m_dropHighlight = nullptr;

    changePersistentIndexList(before, IndexesAfter(*this, before, items));
    Q_EMIT layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}

bool PaneRowModel::ReplaceItem(int row, FolderItem* item) {
    FolderItem* old = ItemAt(row);
    if (!old || !item || m_slotOf.contains(item))
        return false;
    const int slot = m_slotOf.take(old);
    m_slotOf.insert(item, slot);
    m_rows[std::size_t(row)] = item;
    RowChanged(row);
    return true;
}

void PaneRowModel::RowChanged(int row) {
    if (row < 0 || row >= m_committed || m_columns.empty())
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void PaneRowModel::DateColumnChanged() {
    const int column = DateColumn();
    if (column < 0)
        return;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    if (m_committed > 0)
        Q_EMIT dataChanged(index(0, column), index(m_committed - 1, column), {Qt::DisplayRole});
}

QIcon PaneRowModel::IconOf(FolderItem& item) const {
    IconRegistry& icons = Icons();
    const int iconIndex = item.Icon(false);
    const int overlay = item.Overlay();
    if (overlay == IconRegistry::NoOverlay)
        return icons.Icon(iconIndex);
    const int key = iconIndex * 4 + overlay;
    auto it = m_composedIcons.constFind(key);
    if (it != m_composedIcons.cend())
        return it.value();

    // The overlays are drawn at full size with the picture in a corner, so
    // they are simply painted over the item's icon.
    QIcon composed;
    const QIcon badge = icons.OverlayIcon(overlay);
    for (int size : {16, 32}) {
        QPixmap pixmap = icons.Pixmap(iconIndex, size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        }
        {
            QPainter painter(&pixmap);
            badge.paint(&painter, QRect(0, 0, pixmap.width(), pixmap.height()));
        }
        composed.addPixmap(pixmap);
    }
    m_composedIcons.insert(key, composed);
    return composed;
}

void PaneRowModel::SetGhosted(const FolderItem* item, bool ghosted) {
    bool changed = false;
    if (ghosted) {
        changed = !m_ghosted.contains(item);
        m_ghosted.insert(item);
    } else {
        changed = m_ghosted.remove(item);
    }
    const int row = RowOf(item);
    if (changed && row >= 0 && row < m_committed)
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void PaneRowModel::ClearGhosted() {
    const QSet<const FolderItem*> ghosted = std::move(m_ghosted);
    m_ghosted.clear();
    for (const FolderItem* item : ghosted) {
        const int row = RowOf(item);
        if (row >= 0 && row < m_committed)
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

void PaneRowModel::SetDropHighlight(const FolderItem* item) {
    if (item == m_dropHighlight)
        return;
    for (const FolderItem* changed : {m_dropHighlight, item}) {
        const int row = changed ? RowOf(changed) : -1;
        m_dropHighlight = item;
        if (row >= 0 && row < m_committed)
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    m_dropHighlight = item;
}

QString PaneRowModel::CellText(FolderItem& item, int column) const {
    if (column < 0 || column >= columnCount())
        return {};
    const PaneColumn& c = m_columns[std::size_t(column)];
    switch (c.kind) {
        case PaneColumnKind::Name:
            return item.displayName;
        case PaneColumnKind::Size:
            return item.SizeText();
        case PaneColumnKind::Date:
            return item.DateText(c.fixedDate >= 0 ? c.fixedDate : DateIndex());
        case PaneColumnKind::Text:
            return c.text ? c.text(item) : QString();
    }
    return {};
}

int PaneRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_committed;
}

int PaneRowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant PaneRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_committed || index.column() >= columnCount())
        return {};
    FolderItem* item = m_rows[std::size_t(index.row())];
    const PaneColumn& column = m_columns[std::size_t(index.column())];
    switch (role) {
        case Qt::DisplayRole:
            return CellText(*item, index.column());
        case Qt::EditRole:
            return column.kind == PaneColumnKind::Name ? QVariant(item->displayName) : QVariant();
        case Qt::DecorationRole:
            if (column.kind != PaneColumnKind::Name)
                return {};
            if (!m_ghosted.isEmpty() && m_ghosted.contains(item))
                return GhostedIcon(IconOf(*item));
            return QVariant(IconOf(*item));
        case Qt::ForegroundRole:
            if (!m_ghosted.isEmpty() && m_ghosted.contains(item))
                return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
            return {};
        case Qt::BackgroundRole:
            if (item == m_dropHighlight) {
                QColor color = QGuiApplication::palette().color(QPalette::Highlight);
                color.setAlpha(96);
                return QBrush(color);
            }
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant PaneRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const PaneColumn& column = m_columns[std::size_t(section)];
    switch (role) {
        case Qt::DisplayRole:
            return column.kind == PaneColumnKind::Date && column.fixedDate < 0
                       ? DateColumnTitle(DateIndex())
                       : column.title;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
        default:
            return {};
    }
}

Qt::ItemFlags PaneRowModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f =
        Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    if (index.column() < columnCount() &&
        m_columns[std::size_t(index.column())].kind == PaneColumnKind::Name)
        f |= Qt::ItemIsEditable;
    return f;
}

bool PaneRowModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_committed ||
        m_columns[std::size_t(index.column())].kind != PaneColumnKind::Name)
        return false;
    Q_EMIT labelEdited(index.row(), value.toString());
    return false;
}

// Slots: every row has one; they grow along the list, so a row is its slot
// minus the slots removed before it.

void PaneRowModel::Renumber() {
    m_tree.assign(m_rows.size() + 1, 0);
    m_nextSlot = int(m_rows.size());
    m_removedSlots = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) m_slotOf.insert(m_rows[i], int(i));
}

void PaneRowModel::MarkRemoved(int slot) {
    for (int i = slot + 1; i < int(m_tree.size()); i += LowBit(i)) ++m_tree[std::size_t(i)];
    ++m_removedSlots;
}

int PaneRowModel::RemovedBefore(int slot) const {
    int sum = 0;
    for (int i = slot; i > 0; i -= LowBit(i)) sum += m_tree[std::size_t(i)];
    return sum;
}

void PaneRowModel::GrowTree() {
    // The new node i covers the slots (i - lowbit(i), i]; the new slot itself
    // is not removed, so the node holds the removals among the others.
    const int i = m_nextSlot + 1;
    Q_ASSERT(int(m_tree.size()) == i);
    const int value = m_removedSlots == 0 ? 0 : RemovedBefore(i - 1) - RemovedBefore(i - LowBit(i));
    m_tree.push_back(value);
}
