#include "stats/CFolderStats.h"

#include <QMenu>
#include <chrono>
#include <future>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneStatusLine.h"
#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/Prompter.h"
#include "platform/ui/WaitCursor.h"
#include "shell/CommandIds.h"
#include "shell/LongOperation.h"
#include "shell/Notice.h"
#include "shell/NotifyShell.h"
#include "shell/ShellContext.h"
#include "stats/FolderStatsWindow.h"
#include "tools/DirListing.h"
#include "tools/ToolFiles.h"

namespace {

// How often the main thread looks for Escape while the worker reads.
constexpr std::chrono::milliseconds kEscapePoll(15);

int SortCommand(StatSortOrder order) {
    return order == StatSortOrder::ByName ? ID_SORT_NAME : ID_SORT_SIZE;
}

}  // namespace

int ClampStatSortCommand(int stored) {
    return stored == ID_SORT_NAME ? ID_SORT_NAME : ID_SORT_SIZE;
}

QString StatRootName(const QByteArray& path) {
    const VolumeTable volumes = VolumeTable::Read();
    if (const auto volume = volumes.VisibleVolumeAt(path)) {
        QString label = volumes.LabelOf(*volume);
        if (label.isEmpty())
            label = FolderStatsTexts::kUntitled;
        return QStringLiteral("%1 (%2)").arg(label,
                                             DisplayFromName(NameFromBytes(volume->mountPoint)));
    }
    const qsizetype slash = path.lastIndexOf('/');
    return DisplayFromName(NameFromBytes(slash < 0 ? path : path.mid(slash + 1)));
}

CFolderStats::CFolderStats(PaneHost& host) : m_host(host) {}

CFolderStats::~CFolderStats() {
    // The windows still open count as closed now, the newest last.
    for (const QPointer<FolderStatsWindow>& window : std::as_const(m_windows)) {
        if (window)
            m_run->placement = window->normalGeometry();
        delete window.data();
    }
}

bool CFolderStats::OnCommand(int id) {
    if (id == ID_FOLDER_DATA) {
        ShowFolderData();
        return true;
    }
    if (id == ID_DIRDATA_PRINT) {
        if (FolderStatsWindow* window = CommandWindow())
            window->RunCommand(id);
        return true;
    }
    return CommandTarget::OnCommand(id);
}

bool CFolderStats::OnUpdateCommand(int id, CommandState& state) {
    if (id == ID_FOLDER_DATA) {
        CPanexView* pane = m_host.ActivePane();
        state.Enable(pane && pane->Model());
        return true;
    }
    if (id == ID_DIRDATA_PRINT) {
        state.Enable(CommandWindow() != nullptr);
        return true;
    }
    return CommandTarget::OnUpdateCommand(id, state);
}

FolderStatsWindow* CFolderStats::CommandWindow() const {
    const QList<FolderStatsWindow*> open = Windows();
    for (FolderStatsWindow* window : open) {
        if (window->isActiveWindow())
            return window;
    }
    return open.isEmpty() ? nullptr : open.last();
}

QList<FolderStatsWindow*> CFolderStats::Windows() const {
    QList<FolderStatsWindow*> open;
    for (const QPointer<FolderStatsWindow>& window : m_windows) {
        if (window)
            open.append(window.data());
    }
    return open;
}

FolderStatsWindow* CFolderStats::ShowFolderData() {
    CPanexView* pane = m_host.ActivePane();
    FolderModel* model = pane ? pane->Model() : nullptr;
    // Only a folder of the file system has a tree to walk.
    if (!model || !model->IsFileSystem() || !model->path.startsWith(QLatin1Char('/'))) {
        Notice(FolderStatsTexts::kUncooperative, true);
        return nullptr;
    }
    const QByteArray path = NameToBytes(model->path);
    StatReading reading = ReadOnWorker(path, StatRootName(path));
    switch (reading.result) {
        case StatReadResult::Failure:
            Notice(FolderStatsTexts::kUncooperative, true);
            return nullptr;
        case StatReadResult::Interrupted:
            Notice(std::nullopt);
            return nullptr;
        case StatReadResult::PartlyAccessible:
            Notice(FolderStatsTexts::kPartly, true);
            break;
        case StatReadResult::Success:
            break;
    }
    EnsureSettings();
    const QString title = FolderStatsTexts::kTitle.arg(FreeSpaceText(model->path));
    auto* window =
        new FolderStatsWindow(*this, std::move(reading.root), path, title, pane->window());
    m_windows.removeAll(nullptr);
    m_windows.append(window);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

StatReading CFolderStats::ReadOnWorker(const QByteArray& path, const QString& rootName) {
    WaitCursor wait;
    LongOperation operation(FolderStatsTexts::kReading);
    auto promise = std::make_shared<std::promise<StatReading>>();
    std::future<StatReading> done = promise->get_future();
    m_worker.Start([promise, path, rootName, hooks = m_hooks](const JobControl& control) {
        promise->set_value(ReadFolderStats(path, rootName, control.StopFlag().get(), hooks));
    });
    // The window stays painted meanwhile; Escape raises the walk's stop flag.
    while (done.wait_for(kEscapePoll) != std::future_status::ready) {
        if (operation.PollEscape())
            m_worker.Stop();
    }
    m_worker.Wait();
    return done.get();
}

void CFolderStats::EnsureSettings() {
    if (m_settingsLoaded)
        return;
    m_settingsLoaded = true;
    ProfileStore& store = m_host.Store();
    const int sortBy = ClampStatSortCommand(
        store.GetProfileInt(FolderStatsKeys::kSection, FolderStatsKeys::kSortBy, ID_SORT_SIZE));
    m_run->sortOrder = sortBy == ID_SORT_NAME ? StatSortOrder::ByName : StatSortOrder::BySize;
    if (m_readRect && !m_run->placement)
        m_run->placement = m_readRect(store, FolderStatsKeys::kSection);
    if (m_registrar) {
        m_registrar([run = m_run, writeRect = m_writeRect](ProfileStore& target) {
            target.WriteProfileInt(FolderStatsKeys::kSection, FolderStatsKeys::kSortBy,
                                   SortCommand(run->sortOrder));
            if (run->placement && writeRect)
                writeRect(target, FolderStatsKeys::kSection, *run->placement);
        });
    }
}

void CFolderStats::Browse(const QByteArray& path) {
    CPanexView* pane = m_host.ActivePane();
    if (!pane)
        return;
    IdList idList = ParsePath(NameFromBytes(path));
    if (idList.IsNull()) {
        Notice(FolderStatsTexts::kUncooperative, true);
        return;
    }
    // The pane picks itself or, with Alt held, the other pane.
    CPanexView::PostGoToIdList(*pane, std::move(idList));
}

void CFolderStats::Print(const FolderStatNode& root) {
    const QString path = m_listingPath ? m_listingPath() : QString();
    PrintListingFile(path, StatTreeListing(root), m_opener);
}

std::unique_ptr<QMenu> CFolderStats::CreatePopupMenu(QWidget* parent) {
    return m_host.CreatePopupMenu(QStringLiteral("dirData"), parent);
}
