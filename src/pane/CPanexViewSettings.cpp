// The settings side of CPanexView: the pane's section of the store, and the
// Details columns it keeps there.

#include <QHash>
#include <QMenu>

#include "pane/Bookmarks.h"
#include "pane/CPanexView.h"
#include "pane/DetailsColumnWidths.h"
#include "pane/DetailsColumns.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/store/ProfileStore.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/Notice.h"

namespace {

// Settings keys of the pane sections.
const QString kDisplayFilterKey = QStringLiteral("szDisplayFilter");
const QString kInitialFolderKey = QStringLiteral("szInitialFolder");
const QString kStickySelectionKey = QStringLiteral("bStickySelection");
const QString kMaxListColumnWidthKey = QStringLiteral("nMaxListColumnWidth");
const QString kFreeSpaceIntervalKey = QStringLiteral("msFreeSpaceUpdateInterval");
const QString kDetailsColumnsKey = QStringLiteral("binDetailsColumns");

QString WithoutLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    return text.mid(i);
}

}  // namespace

// -- Settings ----------------------------------------------------------------

void CPanexView::LoadSettings() {
    ProfileStore& store = m_host.Store();
    const QString section = SettingsSection();

    PatternList filter;
    if (!filter.Parse(store.GetProfileString(section, kDisplayFilterKey, kNoFilter)))
        filter.Parse(kNoFilter);
    m_filter = filter;
    m_filterText = filter.ToText();
    if (m_filterText != kNoFilter)
        LastVisualFilter() = m_filterText;

    m_initialFolder = WithoutLeadingBlanks(store.GetProfileString(section, kInitialFolderKey));
    m_list->SetStickySelection(store.GetProfileInt(section, kStickySelectionKey, 0) != 0);
    m_maxListColumnWidth = store.GetProfileInt(section, kMaxListColumnWidthKey, 0);
    if (m_maxListColumnWidth < kMinMaxListColumnWidth)
        m_maxListColumnWidth = 0;
    m_list->SetMaxListColumnWidth(m_maxListColumnWidth);
    // Before the list's keys: the stored widths are those of these columns.
    m_detailsColumns = store.GetProfileInt(section, kDetailsColumnsKey, 0) & kAllDetailsColumns;
    if (m_detailsColumns != 0)
        m_list->SetColumns(PaneColumnsWith(m_detailsColumns));
    m_list->LoadSettings(store, section);

    if (IsFirstPane()) {
        int interval =
            store.GetProfileInt(section, kFreeSpaceIntervalKey, kDefaultFreeSpaceInterval);
        if (interval < kMinFreeSpaceInterval || interval > kMaxFreeSpaceInterval)
            interval = kDefaultFreeSpaceInterval;
        m_freeSpaceUpdateInterval = interval;
        store.WriteProfileInt(section, kFreeSpaceIntervalKey, interval);
        LoadVisualFilterHistory(store);
        TheBookmarks().Load(store);
    } else {
        LoadLameMessages(store);
    }
}

void CPanexView::SaveSettings(ProfileStore& store) const {
    if (!General().saveSettings)
        return;
    const QString section = SettingsSection();
    store.WriteProfileString(section, kDisplayFilterKey, m_filterText);
    if (m_model && m_model->IsFileSystem())
        store.WriteProfileString(section, kInitialFolderKey, m_model->path);
    store.WriteProfileInt(section, kStickySelectionKey, stickySelection() ? 1 : 0);
    store.WriteProfileInt(section, kMaxListColumnWidthKey, m_maxListColumnWidth);
    store.WriteProfileInt(section, kDetailsColumnsKey, m_detailsColumns);
    m_list->SaveSettings(store, section);
    if (m_paneColumnWidths && m_list->ViewStyle() == ID_VIEW_DETAILS)
        store.WriteProfileString(section, PaneListCtrl::kKeyColumnWidths,
                                 DetailsColumnWidths::Format(*m_paneColumnWidths));
    if (IsFirstPane()) {
        store.WriteProfileInt(section, kFreeSpaceIntervalKey, m_freeSpaceUpdateInterval);
        SaveVisualFilterHistory(store);
        TheBookmarks().Save(store);
    }
}

void CPanexView::SetDetailsColumns(int bits) {
    bits &= kAllDetailsColumns;
    if (bits == m_detailsColumns)
        return;
    if (m_paneColumnWidths) {
        // The trash or Computer shows its own columns now; the choice takes
        // effect when the pane's columns come back, the base three keeping
        // their widths.
        m_detailsColumns = bits;
        const std::vector<PaneColumn> columns = PaneColumnsWith(bits);
        std::vector<int>& widths = *m_paneColumnWidths;
        widths.resize(std::min(widths.size(), PaneColumnsForPanes().size()));
        for (std::size_t i = widths.size(); i < columns.size(); ++i)
            widths.push_back(columns[i].defaultWidth);
        return;
    }
    // The columns that stay keep their widths; the new ones start at their
    // defaults.
    const std::vector<PaneColumn> before = m_list->Columns();
    const std::vector<int> oldWidths = m_list->ColumnWidths();
    const auto keyOf = [](const PaneColumn& column) {
        return QString::number(int(column.kind)) + QLatin1Char('/') + column.title;
    };
    QHash<QString, int> widthOf;
    for (std::size_t i = 0; i < before.size() && i < oldWidths.size(); ++i)
        widthOf.insert(keyOf(before[i]), oldWidths[i]);
    m_detailsColumns = bits;
    m_list->SetColumns(PaneColumnsWith(bits));
    std::vector<int> widths = m_list->ColumnWidths();
    const std::vector<PaneColumn>& after = m_list->Columns();
    for (std::size_t i = 0; i < after.size() && i < widths.size(); ++i)
        widths[i] = widthOf.value(keyOf(after[i]), widths[i]);
    m_list->SetColumnWidths(widths);
}

std::unique_ptr<QMenu> CPanexView::BuildColumnsMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("columnsMenu"));
    for (const OptionalDetailsColumn& column : OptionalDetailsColumns()) {
        QAction* action = menu->addAction(QLatin1Char('&') + column.title);
        action->setCheckable(true);
        action->setChecked(m_detailsColumns & column.bit);
        const int bit = column.bit;
        connect(action, &QAction::triggered, this,
                [this, bit] { SetDetailsColumns(m_detailsColumns ^ bit); });
    }
    return menu;
}
