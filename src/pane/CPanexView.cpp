#include "pane/CPanexView.h"

#include <fcntl.h>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "pane/Bookmarks.h"
#include "pane/DetailsColumnWidths.h"
#include "pane/DetailsColumns.h"
#include "pane/FolderModel.h"
#include "pane/PaneActivation.h"
#include "pane/PaneCaption.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneNavigation.h"
#include "pane/PaneQuickFilter.h"
#include "pane/PaneRefresh.h"
#include "pane/PaneRename.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/WaitCursor.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/Notice.h"
#include "shell/PathHelpers.h"
#include "shell/Pidl.h"
#include "shell/ResolveUserPath.h"
#include "shell/ShellContext.h"

namespace {

// Notices.
const QString kReadingFolder = QStringLiteral("Reading folder...");
const QString kReadFailed = QStringLiteral("Reading from '%1' has failed miserably");
const QString kThatFolder = QStringLiteral("(that folder)");
const QString kNotAccessible = QStringLiteral("Some items in the folder were not accessible");
const QString kNoAnswer = QStringLiteral("'%1' does not answer; the pane stays where it was");

// How long a folder may take to answer being opened before the pane gives
// it up (a network or FUSE mount whose server has gone).
constexpr std::chrono::milliseconds kAnswerWait{1500};
// How long the pane waits for a streamed folder before it shows it: a
// folder read whole within this is shown read, sorted and focused as one;
// a larger one shows its first batch and streams in the rest.
constexpr std::chrono::milliseconds kWholeReadBudget{30};
// The longest wait for the first batch of a folder that has answered.
constexpr std::chrono::milliseconds kFirstRowsLimit{1000};

}  // namespace

QString& LastVisualFilter() {
    static QString last;
    return last;
}

CPanexView::CPanexView(PaneHost& host, QWidget* parent) : QWidget(parent), m_host(host) {
    m_filter.Parse(kNoFilter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_caption = new PaneCaption(this);
    m_caption->setObjectName(QStringLiteral("paneCaption"));
    m_captionHeight = m_caption->CaptionHeight();
    layout->addWidget(m_caption);

    m_list = new PaneListCtrl(this);
    m_list->setObjectName(QStringLiteral("paneList"));
    m_list->SetCommanderMode(General().commanderMode);
    layout->addWidget(m_list, 1);
    setFocusProxy(m_list);

    BuildParts(*this);
    m_quickFilter = new PaneQuickFilter(*this);

    // The header's own menu picks the Details columns; the rows' menu is
    // the list's.
    QHeaderView* header = m_list->TreeView()->header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, [this, header](QPoint at) {
        const std::unique_ptr<QMenu> menu = BuildColumnsMenu();
        menu->exec(header->mapToGlobal(at));
    });
}

CPanexView::~CPanexView() {
    DeleteRows();
    m_model.reset();
    DropParts();
}

void CPanexView::DeleteRows() {
    m_list->DeleteAllRows();
    m_listedTotal = 0;
}

bool CPanexView::stickySelection() const {
    return m_list->StickySelection();
}

void CPanexView::SetStickySelection(bool on) {
    m_list->SetStickySelection(on);
}

bool CPanexView::IsFirstPane() const {
    return m_host.IsFirstPane(*this);
}

QString CPanexView::SettingsSection() const {
    return IsFirstPane() ? kLeftPaneSection : kRightPaneSection;
}

bool CPanexView::InitialUpdate() {
    QString text = m_host.CommandLineFolder(*this);
    if (text.isEmpty())
        text = m_initialFolder;
    if (text.isEmpty())
        text = CurrentDirectory();
    if (!text.isEmpty() && GoToText(text)) {
        // A remote location is being mounted: the pane shows the Desktop
        // until it is there.
        return Model() ? true : OpenFolder(IdList::Empty());
    }
    return OpenFolder(IdList::Empty());
}

// -- Reading folders -----------------------------------------------------------

namespace {

// The failed folder is named by its title, else by its path (a folder that
// failed to bind has no title yet). An archive that can't be read says why:
// "failed" alone leaves the user guessing between a damaged file and a
// format we don't read.
QString ReadFailedText(const FolderModel& model, const IdList& wanted) {
    QString name = model.title;
    if (name.isEmpty())
        name = AbsoluteDisplayName(wanted, SHGDN_FORPARSING).value_or(QString());
    QString text = kReadFailed.arg(name.isEmpty() ? kThatFolder : name);
    if (!name.isEmpty() && IsArchiveName(NameToBytes(PathNamePart(name)))) {
        const QString why = LastArchiveError();
        if (!why.isEmpty())
            text += QStringLiteral(": ") + why;
        return text;
    }
    // A folder of the file system says what the system said ("Permission
    // denied", "No such file or directory").
    const QString path = AbsoluteDisplayName(wanted, SHGDN_FORPARSING).value_or(QString());
    if (path.startsWith(QLatin1Char('/'))) {
        const UniqueFd fd(
            ::open(NameToBytes(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
        if (!fd)
            text += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    }
    return text;
}

}  // namespace

bool CPanexView::OpenFolder(IdList idList) {
    // A locked tab stays on its folder; its host opens the new one elsewhere.
    if (m_model && m_host.DivertFolderOpen(*this, idList))
        return true;
    // Say that the folder is being read.
    WaitCursor wait;
    Notice(kReadingFolder);

    // A folder on a mount that does not answer costs the window the
    // probe's wait, and the pane stays where it was.
    auto model = std::make_unique<FolderModel>(kPaneEnumFlags);
    const IdList wanted = idList;
    const FolderModel::Probe probe = model->ProbeFolder(wanted, kAnswerWait);
    if (probe == FolderModel::Probe::NoAnswer) {
        const QString named = AbsoluteDisplayName(wanted, SHGDN_FORPARSING).value_or(QString());
        Notice(kNoAnswer.arg(named.isEmpty() ? kThatFolder : named), true);
        return false;
    }
    int result = model->Open(std::move(idList), false);
    const bool streamed = result != FolderModel::kReadFailed && model->CanReadStreamed();
    if (streamed && probe == FolderModel::Probe::Refused)
        result = FolderModel::kReadFailed;  // it can't be read: say so before leaving
    else if (result != FolderModel::kReadFailed && !streamed)
        result = model->ReadEntries();
    if (result == FolderModel::kReadFailed) {
        Notice(ReadFailedText(*model, wanted), true);
        return false;
    }

    // Leaving a file-system folder is where the navigation history
    // records the focused item, and where mirrored navigation keeps the old
    // path; both arrive with navigation.
    m_initialFolder.clear();
    const QString oldPath = m_navigation->Leave();
    m_list->SuspendRedraw();
    DeleteRows();
    m_model = std::move(model);
    m_pendingFocus.clear();
    m_refreshAfterRead = false;
    // Events the old model's watch posted would name a freed model, which a
    // new model might reuse the address of.
    QCoreApplication::removePostedEvents(this, WM_FOLDER_CHANGED);
    ApplyFolderColumns();

    // A streamed folder's rows come with its batches: a small folder
    // is read whole here, a large one shows its first rows now and the rest
    // as they come.
    FillList();
    if (streamed) {
        m_opening = true;
        m_readResult = FolderModel::kReadOk;
        m_model->StartRead([this](FolderModel::ItemList::iterator first) { OnReadBatch(first); },
                           [this](int done) { OnReadDone(done); });
        m_model->WaitForRead(kWholeReadBudget, kFirstRowsLimit);
        m_opening = false;
        if (!m_model->IsReading())
            result = m_readResult;
    }

    // Entering a file-system folder is where the navigation history
    // gives the name to focus.
    QString focusName;
    if (m_model->IsFileSystem()) {
        m_model->StartWatch(this);
        focusName = m_navigation->Enter();
    } else if (ReadsEntrySource(*m_model)) {
        focusName = m_navigation->Enter();  // a remote folder read through GIO
    } else if (m_model->IsVirtual()) {
        m_model->StartWatch(this);  // only the Trash has one
    }

    m_navigation->FollowMirror(oldPath);

    // A name to focus that has not come in yet is focused when it
    // comes, unless the user has moved the focus by then.
    ActivationUpdate(focusName);
    if (!m_pendingFocus.isEmpty())
        m_focusAtPending = FocusedItem();
    m_list->RecalcListColumnWidth();
    m_list->ResumeRedraw();

    // A folder still streaming in keeps "Reading folder..." until
    // its read ends.
    if (!IsReading())
        ShowReadResult(result);
    return true;
}

void CPanexView::ShowReadResult(int result) {
    if (result == FolderModel::kReadPartial)
        Notice(kNotAccessible, true);
    else if (result == FolderModel::kReadFailed)
        Notice(ReadFailedText(*m_model, m_model->idList), true);
    else
        Notice(std::nullopt);
}

bool CPanexView::IsReading() const {
    return m_model && m_model->IsReading();
}

FolderItem* CPanexView::FocusedItem() const {
    const int row = m_list->FocusedRow();
    return row >= 0 ? m_list->ItemAt(row) : nullptr;
}

void CPanexView::OnReadBatch(FolderModel::ItemList::iterator first) {
    const bool everything = m_filterText == kNoFilter;
    FolderItem* pending = nullptr;
    m_list->SuspendRedraw();
    for (auto it = first; it != m_model->items.end(); ++it) {
        if (AddRow(&*it, everything) >= 0 && !pending && !m_pendingFocus.isEmpty() &&
            it->name == m_pendingFocus)
            pending = &*it;
    }
    m_list->ResumeRedraw();
    if (pending) {
        // Only while the focus is where the open left it: the user's keys win.
        if (FocusedItem() == m_focusAtPending)
            FocusItem(pending, m_pendingSelect);
        m_pendingFocus.clear();
    }
}

void CPanexView::OnReadDone(int result) {
    m_readResult = result;
    // Sorted once, with the focused row kept on its item and in view, so
    // that the rows the user moves among do not change under the keys.
    if (m_list->SortKey() != ID_SORT_NONE) {
        m_list->Sort();
        const int focused = m_list->FocusedRow();
        if (focused >= 0)
            m_list->SetFocusedRow(focused, false, true);
    }
    if (m_opening)
        return;  // OpenFolder settles the rest
    m_pendingFocus.clear();
    m_list->RecalcListColumnWidth();
    ShowReadResult(result);
    // A change the watch (or the user) asked to be read while the folder
    // streamed in is read now.
    if (m_refreshAfterRead) {
        m_refreshAfterRead = false;
        RefreshPane(false, nullptr);
    }
}

void CPanexView::ApplyFolderColumns() {
    // The trash has its own columns (when an item was deleted, and from
    // where), and so has Computer (each volume's space). The pane's own
    // widths are kept aside meanwhile, for its other folders and for its
    // stored settings.
    const IdList trash = SHGetSpecialFolderLocation(CSIDL_BITBUCKET);
    const IdList& computer = TheShellContext().drives;
    const bool inTrash = m_model && !trash.IsNull() && m_model->idList == trash;
    const bool inComputer = m_model && !computer.IsNull() && m_model->idList == computer;
    if (!inTrash && !inComputer) {
        if (m_paneColumnWidths) {
            m_list->SetColumns(PaneColumnsWith(m_detailsColumns));
            m_list->SetColumnWidths(*m_paneColumnWidths);
            m_paneColumnWidths.reset();
        }
        return;
    }
    if (!m_paneColumnWidths)
        m_paneColumnWidths = m_list->ColumnWidths();
    // Made anew each time, so Computer shows the space of now.
    m_list->SetColumns(inTrash ? PaneColumnsForTrash() : PaneColumnsForComputer());
}

void CPanexView::FillList() {
    m_quickFilter->Invalidate();
    // Empty the list without repainting.
    m_list->SuspendRedraw();
    DeleteRows();
    if (!m_model) {
        m_list->ResumeRedraw();
        return;
    }

    // Mark the rows the filter lets through.
    const bool everything = m_filterText == kNoFilter;
    int listed = 0;
    for (FolderItem& item : m_model->items) {
        if (everything || item.IsFolderLike(false) || m_filter.Matches(item.name)) {
            item.listState = kListListed;
            ++listed;
        } else {
            item.listState = kListHidden;
        }
    }

    // Add them in one go.
    if (listed > 0) {
        m_list->SetItemCount(listed);
        for (FolderItem& item : m_model->items) {
            if (item.listState == kListListed)
                AddRow(&item, true);
        }
        // Sorted once, at the end.
        if (m_list->SortKey() != ID_SORT_NONE)
            m_list->Sort();
    }
    m_list->ResumeRedraw();
}

int CPanexView::AddRow(FolderItem* item, bool force) {
    if (!force && !item->IsFolderLike(false) && !m_filter.Matches(item->name)) {
        item->listState = kListHidden;
        return -1;
    }
    item->listState = kListListed;
    m_listedTotal += item->size;
    return m_list->AppendRow(item);
}

void CPanexView::RemoveRow(FolderItem* item) {
    m_list->RemoveRow(item);
    m_listedTotal -= item->size;
    if (m_model)
        m_model->DestroyItem(item);
}

bool CPanexView::SetFilter(const QString& text) {
    PatternList patterns;
    if (!patterns.Parse(text))
        return false;
    if (text.compare(m_filterText, Qt::CaseInsensitive) != 0) {
        m_filterText = patterns.ToText();
        m_filter = std::move(patterns);
        VisualFilterHistory().Add(General().historyItems, text);
        if (text != kNoFilter)
            LastVisualFilter() = text;
    }
    return true;
}

void CPanexView::ReapplyFilter() {
    if (m_model) {
        for (FolderItem& item : m_model->items) {
            item.selectedMark = 0;
            item.listState = kListListed;
        }
    }
    FillList();
    UpdateCaption();
    if (m_host.IsActive(*this))
        m_host.AddressUpdate(*this, false);
}

bool CPanexView::RefreshPane(bool selectChanged, QStringList* names) {
    return PaneRefresh(*this).All(selectChanged, names);
}

bool CPanexView::RefreshChanged(const std::vector<QString>& names) {
    return PaneRefresh(*this).Names(names);
}

int CPanexView::FocusByName(const QString& name, bool select) {
    if (!m_model)
        return -1;
    const int row = FocusItem(m_model->FindByName(name), select);
    if (row < 0 && m_model->IsReading() && !name.isEmpty()) {
        m_pendingFocus = name;
        m_pendingSelect = select;
        m_focusAtPending = FocusedItem();
    }
    return row;
}

int CPanexView::FocusItem(FolderItem* item, bool select) {
    if (!item || item->listState != kListListed)
        return -1;
    const int row = m_list->RowOf(item);
    if (row >= 0)
        m_list->SetFocusedRow(row, select, true);
    return row;
}

// -- Caption -------------------------------------------------------------------

QString CPanexView::CaptionText() const {
    if (!m_model)
        return QString();
    QString text = m_model->title;
    if (m_filterText != kNoFilter)
        text += QStringLiteral(" [") + m_filterText + QLatin1Char(']');
    return text;
}

void CPanexView::UpdateCaption() {
    m_caption->SetCaption(m_model ? m_model->title : QString(), m_filterText,
                          m_model && m_model->IsPlainDirectory());
    // The other strip changes colour when this pane became the active one.
    if (CPanexView* other = m_host.OtherPane(*this))
        other->Caption()->update();
}

// -- Commands and events -------------------------------------------------------

void CPanexView::SetMaxListColumnWidth(int width) {
    m_maxListColumnWidth = width < kMinMaxListColumnWidth ? 0 : width;
    m_list->SetMaxListColumnWidth(m_maxListColumnWidth);
    m_list->RecalcListColumnWidth();
}

bool CPanexView::OnCommand(int id) {
    if (m_navigation->OnCommand(id) || m_rename->OnCommand(id) || m_activation->OnCommand(id))
        return true;
    if (id == ID_PANE_REFRESH) {
        PaneRefresh(*this).OnCommand();
        return true;
    }
    if (id == ID_QUICK_FILTER) {
        m_quickFilter->Open();
        return true;
    }
    if (m_list->HandlesCommand(id))
        return m_list->OnCommand(id);
    return CommandTarget::OnCommand(id);
}

bool CPanexView::OnUpdateCommand(int id, CommandState& state) {
    if (m_navigation->OnUpdateCommand(id, state) || m_rename->OnUpdateCommand(id, state) ||
        m_activation->OnUpdateCommand(id, state))
        return true;
    if (id == ID_PANE_REFRESH) {
        state.Enable(true);
        return true;
    }
    if (id == ID_QUICK_FILTER) {
        state.Enable(m_model != nullptr);
        return true;
    }
    if (m_list->HandlesCommand(id)) {
        bool enabled = true;
        bool checked = false;
        if (!m_list->UpdateCommand(id, enabled, checked))
            return false;
        state.Enable(enabled);
        if (id == ID_SORT_ASCENDING)
            state.SetCheck(checked);
        else
            state.SetRadio(checked);
        return true;
    }
    return CommandTarget::OnUpdateCommand(id, state);
}

bool CPanexView::event(QEvent* e) {
    if (m_navigation->HandleEvent(e) || m_rename->HandleEvent(e))
        return true;
    if (PaneRefresh(*this).HandleEvent(e))
        return true;
    return QWidget::event(e);
}
