#include "pane/PaneQuickFilter.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <iterator>

#include "pane/CPanexView.h"
#include "pane/CompareItems.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/PatternList.h"

namespace {

constexpr int kFieldWidth = 260;

const QString kPlaceholder = QStringLiteral("Quick filter (Esc clears)");

bool IsListed(FolderItem* item) {
    return item->listState == kListListed;
}

}  // namespace

PaneQuickFilter::PaneQuickFilter(CPanexView& pane) : QObject(&pane), m_pane(pane) {
    m_field = new QLineEdit(&pane);
    m_field->setObjectName(QStringLiteral("quickFilter"));
    m_field->setPlaceholderText(kPlaceholder);
    m_field->setClearButtonEnabled(true);
    m_field->hide();
    m_field->installEventFilter(this);
    pane.installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, &PaneQuickFilter::SetText);

    // Any change of the rows that is not our own makes the order stale.
    PaneRowModel* rows = pane.List()->Model();
    const auto stale = [this] {
        if (!m_applying)
            Invalidate();
    };
    connect(rows, &QAbstractItemModel::rowsInserted, this, stale);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, stale);
    connect(rows, &QAbstractItemModel::modelReset, this, stale);
    connect(rows, &QAbstractItemModel::layoutChanged, this, stale);
    connect(rows, &QAbstractItemModel::dataChanged, this, stale);
}

PaneQuickFilter::~PaneQuickFilter() = default;

QString PaneQuickFilter::PatternTextFor(const QString& typed) {
    QStringList parts;
    for (QString part : typed.split(QLatin1Char(','))) {
        part = part.trimmed();
        const bool excludes = part.startsWith(QLatin1Char('-'));
        if (excludes)
            part = part.mid(1).trimmed();
        if (part.isEmpty())
            continue;
        parts.append((excludes ? QStringLiteral("-*") : QStringLiteral("*")) + part +
                     QLatin1Char('*'));
    }
    return parts.isEmpty() ? kNoFilter : parts.join(QLatin1Char(','));
}

bool PaneQuickFilter::IsOpen() const {
    return !m_field->isHidden();
}

void PaneQuickFilter::Open() {
    if (!IsOpen()) {
        m_baseFilter = m_pane.FilterText();
        m_field->clear();
        // Made now, so the first keystroke only narrows.
        BuildOrder();
        Place();
        m_field->show();
        m_field->raise();
    }
    m_field->setFocus(Qt::ShortcutFocusReason);
}

void PaneQuickFilter::SetText(const QString& typed) {
    Apply(typed.trimmed().isEmpty() ? m_baseFilter : PatternTextFor(typed));
}

void PaneQuickFilter::Accept() {
    const QString text = m_pane.FilterText();
    Close();
    if (text != m_baseFilter) {
        VisualFilterHistory().Add(General().historyItems, text);
        if (text != kNoFilter)
            LastVisualFilter() = text;
    }
}

void PaneQuickFilter::Cancel() {
    Close();
    if (m_pane.FilterText() != m_baseFilter)
        Apply(m_baseFilter);
}

void PaneQuickFilter::Close() {
    if (m_closing)
        return;
    m_closing = true;
    const bool hadFocus = m_field->hasFocus();
    m_field->hide();
    if (hadFocus)
        m_pane.List()->ActiveView()->setFocus(Qt::OtherFocusReason);
    m_closing = false;
}

void PaneQuickFilter::Place() {
    const QWidget* list = m_pane.List();
    const int height = m_field->sizeHint().height();
    const int width = std::min(kFieldWidth, list->width());
    const QRect area = list->geometry();
    m_field->setGeometry(area.right() - width + 1, area.bottom() - height + 1, width, height);
}

void PaneQuickFilter::BuildOrder() {
    m_order.clear();
    m_names.clear();
    m_orderValid = true;
    FolderModel* model = m_pane.Model();
    if (!model)
        return;
    PaneListCtrl* list = m_pane.List();
    std::vector<FolderItem*> rows;
    rows.reserve(std::size_t(list->RowCount()));
    for (int row = 0; row < list->RowCount(); ++row) rows.push_back(list->ItemAt(row));
    std::vector<FolderItem*> hidden;
    for (FolderItem& item : model->items) {
        if (item.listState != kListListed)
            hidden.push_back(&item);
    }
    // The rows keep the order they show; the hidden items go where the
    // pane's key would put them (at the end when it does not sort).
    std::vector<FolderItem*> order;
    if (hidden.empty()) {
        order = std::move(rows);
    } else if (list->SortKey() == ID_SORT_NONE) {
        order = std::move(rows);
        order.insert(order.end(), hidden.begin(), hidden.end());
    } else {
        const std::uint32_t parameter = list->SortParameter();
        SortItems(hidden, parameter);
        order.reserve(rows.size() + hidden.size());
        std::merge(rows.begin(), rows.end(), hidden.begin(), hidden.end(),
                   std::back_inserter(order), [parameter](FolderItem* a, FolderItem* b) {
                       return CompareItems(a, b, parameter) < 0;
                   });
    }
    qsizetype length = 0;
    for (const FolderItem* item : order) length += item->name.size();
    m_names.reserve(length);
    m_order.reserve(order.size());
    for (FolderItem* item : order) {
        Entry entry;
        entry.item = item;
        entry.size = item->size;
        entry.nameAt = m_names.size();
        entry.nameLength = item->name.size();
        entry.folder = item->IsFolderLike(false);
        entry.listed = item->listState == kListListed;
        m_names += item->name;
        m_order.push_back(entry);
    }
}

void PaneQuickFilter::Apply(const QString& patternText) {
    if (!m_orderValid)
        BuildOrder();
    PatternList patterns;
    if (!patterns.Parse(patternText))
        patterns.Parse(kNoFilter);
    const QString canonical = patterns.ToText();
    const bool everything = canonical == kNoFilter;

    std::vector<FolderItem*> rows;
    rows.reserve(m_order.size());
    std::uint64_t total = 0;
    const QStringView names(m_names);
    for (Entry& entry : m_order) {
        const bool listed = everything || entry.folder ||
                            patterns.Matches(names.mid(entry.nameAt, entry.nameLength));
        if (listed != entry.listed) {
            entry.item->listState = listed ? kListListed : kListHidden;
            entry.listed = listed;
        }
        if (listed) {
            total += entry.size;
            rows.push_back(entry.item);
        }
    }
    m_pane.m_filter = std::move(patterns);
    m_pane.m_filterText = canonical;
    m_pane.m_listedTotal = total;

    m_applying = true;
    m_pane.List()->ShowRows(std::move(rows), &IsListed);
    m_applying = false;

    m_pane.UpdateCaption();
    if (m_pane.Host().IsActive(m_pane))
        m_pane.Host().AddressUpdate(m_pane, false);
}

bool PaneQuickFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_pane) {
        if (event->type() == QEvent::Resize && IsOpen())
            Place();
        return false;
    }
    if (watched != m_field)
        return false;
    if (event->type() == QEvent::FocusOut && IsOpen() && !m_closing) {
        // Leaving the field keeps what was typed; a popup (the field's own
        // menu) is no leaving.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            Accept();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Escape:
            Cancel();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Accept();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The cursor moves in the rows while the field keeps the keys.
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(m_pane.List()->ActiveView(), &copy);
            return true;
        }
        default:
            return false;
    }
}
