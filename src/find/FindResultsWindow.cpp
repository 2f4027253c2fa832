#include "find/FindResultsWindow.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "fileops/TransferClipboard.h"
#include "find/FindCriteria.h"
#include "find/FindSearchJob.h"
#include "pane/CPanexView.h"
#include "pane/CompareItems.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/fileop/FileOperation.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/FolderItemOwner.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/NotifyShell.h"
#include "shell/PathHelpers.h"
#include "shell/ShellContext.h"
#include "tools/BatchDialogs.h"
#include "tools/BatchScript.h"
#include "tools/DirListing.h"
#include "tools/ToolFiles.h"

namespace {

// How long one turn of the event loop may spend making rows from found
// paths: the window answers the user between slices.
constexpr qint64 kTakeSliceMs = 25;
// The clipboard's preferred effect of a copy.
constexpr std::uint32_t kDropEffectCopy = 5;

std::vector<PaneColumn> FindColumns() {
    std::vector<PaneColumn> columns;
    columns.push_back(
        {PaneColumnKind::Name, QStringLiteral("Name"), 150, Qt::AlignLeft, ID_SORT_NAME, {}});
    columns.push_back({PaneColumnKind::Text, FindResultsTexts::kInFolder, 250, Qt::AlignLeft,
                       ID_SORT_FOLDER, [](FolderItem& item) {
                           return item.folder ? DisplayFromName(item.folder->OwnerPath())
                                              : QString();
                       }});
    columns.push_back(
        {PaneColumnKind::Size, QStringLiteral("Size"), 70, Qt::AlignRight, ID_SORT_SIZE, {}});
    columns.push_back({PaneColumnKind::Date, QString(), 120, Qt::AlignLeft, ID_SORT_DATE, {}});
    return columns;
}

QString FolderOf(const FolderItem* item) {
    return item->folder ? item->folder->OwnerPath() : QString();
}

QString FullPathOf(const FolderItem* item) {
    return PathJoin(FolderOf(item), item->name);
}

}  // namespace

FindResultsWindow::FindResultsWindow(PaneHost& host, FindRequest request,
                                     FindWindowServices services, QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window),
      m_host(host),
      m_request(std::move(request)),
      m_services(std::move(services)) {
    (void)mainWindow;
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("findResults"));
    setWindowTitle(FindResultsTexts::kSearching);

    m_list = new PaneListCtrl(this);
    m_list->setObjectName(QStringLiteral("findList"));
    m_list->SetColumns(FindColumns());
    m_list->SetCompareFunction([this](FolderItem* a, FolderItem* b, std::uint32_t parameter) {
        return CompareRows(a, b, parameter);
    });
    m_list->ApplyExtendedStyle(General().listExtendedStyle);
    m_list->LoadSettings(m_host.Store(), kFindSettingsSection);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(true);
    m_status = new QLabel(m_statusBar);
    m_status->setObjectName(QStringLiteral("findStatus"));
    m_statusBar->addWidget(m_status, 1);
    // The text stands on its own, without the frame of a status panel.
    m_statusBar->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 0);
    layout->setSpacing(4);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_statusBar);

    connect(m_list, &PaneListCtrl::rowActivated, this, [this](int, bool) { Browse(IsAltDown()); });
    connect(m_list, &PaneListCtrl::contextMenuRequested, this,
            [this](const QPoint& globalPos, int) { ShowContextMenu(globalPos); });
    // Keys the list does not use come to the window (Delete, F3, ...).
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_list->ListView()),
                                    static_cast<QAbstractItemView*>(m_list->TreeView())})
        view->installEventFilter(this);

    resize(600, 400);
    if (m_services.restorePlacement)
        m_services.restorePlacement(this);

    m_folderTimer = new QTimer(this);
    m_folderTimer->setInterval(100);
    connect(m_folderTimer, &QTimer::timeout, this, [this] {
        const QByteArray folder = m_job->CurrentFolder();
        if (m_running && !folder.isEmpty())
            SetStatus(
                FindResultsTexts::kSearchingFolder.arg(DisplayFromName(NameFromBytes(folder))));
    });
    m_takeTimer = new QTimer(this);
    m_takeTimer->setInterval(0);
    connect(m_takeTimer, &QTimer::timeout, this, [this] { TakeWaiting(); });

    m_job =
        std::make_unique<FindSearchJob>([this](const QList<QByteArray>& paths) { OnBatch(paths); },
                                        [this](FindOutcome) {
                                            m_finishPending = true;
                                            if (m_waiting.empty())
                                                OnFinished();
                                        });
    SetStatus(QString());
    m_running = m_job->Start(m_request);
    if (m_running)
        m_folderTimer->start();
}

FindResultsWindow::~FindResultsWindow() {
    // The worker goes first: nothing it posts may reach a half-destroyed
    // window. Then the rows, before the items they point at.
    m_job.reset();
    m_list->DeleteAllRows();
}

int FindResultsWindow::Count() const {
    return int(m_items.size());
}

QString FindResultsWindow::StatusText() const {
    return m_status->text();
}

QString FindResultsWindow::RowPath(int row) const {
    const FolderItem* item = m_list->ItemAt(row);
    return item ? FullPathOf(item) : QString();
}

void FindResultsWindow::SetStatus(const QString& text) {
    m_status->setText(text);
}

// -- Rows as the search finds them ------------------------------------------------

void FindResultsWindow::OnBatch(const QList<QByteArray>& paths) {
    for (const QByteArray& path : paths) m_waiting.push_back(path);
    if (!m_takeTimer->isActive())
        m_takeTimer->start();
}

void FindResultsWindow::TakeWaiting() {
    QElapsedTimer slice;
    slice.start();
    m_list->SuspendRedraw();
    while (!m_waiting.empty() && slice.elapsed() < kTakeSliceMs) {
        for (int i = 0; i < 64 && !m_waiting.empty(); ++i) {
            if (FolderItem* item = MakeItem(m_waiting.front()))
                m_list->AppendRow(item);
            m_waiting.pop_front();
        }
    }
    m_list->ResumeRedraw();
    if (m_waiting.empty()) {
        m_takeTimer->stop();
        if (m_finishPending)
            OnFinished();
    }
}

FolderItem* FindResultsWindow::MakeItem(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0 || slash + 1 >= path.size())
        return nullptr;
    const QByteArray folderPath = slash == 0 ? QByteArray("/") : path.left(slash);
    std::shared_ptr<BoundFolder>& folder = m_folders[folderPath];
    if (!folder) {
        const IdList id = ParsePath(NameFromBytes(folderPath));
        if (id.IsNull())
            return nullptr;
        std::unique_ptr<BoundFolder> bound = BoundFolder::Bind(id);
        if (!bound) {
            m_folders.remove(folderPath);
            return nullptr;
        }
        folder = std::move(bound);
    }
    IdList itemId = folder->OwnerShellFolder().ParseDisplayName(NameFromBytes(path.mid(slash + 1)));
    if (itemId.IsNull())
        return nullptr;
    auto item = std::make_unique<FolderItem>();
    if (!item->Init(*folder, std::move(itemId)))
        return nullptr;
    FolderItem* raw = item.get();
    m_items.push_back(std::move(item));
    m_itemIndex.insert(raw, std::prev(m_items.end()));
    return raw;
}

void FindResultsWindow::OnFinished() {
    if (!m_running)
        return;
    m_finishPending = false;
    m_folderTimer->stop();
    setWindowTitle(FindResultsTexts::kResultsIn.arg(m_request.lookIn));
    if (Count() == 0) {
        SetStatus(FindResultsTexts::kNothing);
        QTimer::singleShot(kSelfCloseMs, this, [this] { RequestClose(); });
    } else {
        ShowCount();
    }
    if (m_list->SortKey() != ID_SORT_NONE)
        m_list->Sort();
    m_running = false;
    Q_EMIT searchFinished();
}

void FindResultsWindow::ShowCount() {
    SetStatus(FindResultsTexts::kFound.arg(Count()));
}

int FindResultsWindow::CompareRows(FolderItem* a, FolderItem* b, std::uint32_t parameter) const {
    const int key = int(parameter & ~kSortAscendingBit);
    if (key != ID_SORT_FOLDER)
        return CompareItems(a, b, parameter);
    const bool ascending = (parameter & kSortAscendingBit) != 0;
    int result = QString::compare(FolderOf(a), FolderOf(b), Qt::CaseInsensitive);
    if (result == 0)
        return CompareItems(a, b, SortParameter(ID_SORT_NAME, ascending));
    return ascending ? result : -result;
}

// -- Closing ---------------------------------------------------------------------------

void FindResultsWindow::RequestClose() {
    if (m_running) {
        // The first ESC only stops the search; the window keeps what it
        // found.
        m_job->Stop();
        return;
    }
    close();
}

void FindResultsWindow::CloseNow() {
    m_folderTimer->stop();
    m_takeTimer->stop();
    m_job.reset();
    m_running = false;
    close();
}

void FindResultsWindow::closeEvent(QCloseEvent* event) {
    if (m_running) {
        m_job->Stop();
        event->ignore();
        return;
    }
    if (!m_closing) {
        m_closing = true;
        SaveSettings();
    }
    event->accept();
}

void FindResultsWindow::SaveSettings() {
    if (!General().saveSettings)
        return;
    if (m_services.storePlacement)
        m_services.storePlacement(this);
    m_list->SaveSettings(m_host.Store(), kFindSettingsSection);
}

// -- Keys and the popup menu -------------------------------------------------------

bool FindResultsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods =
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
        const bool ctrl = mods == Qt::ControlModifier;
        switch (key->key()) {
            case Qt::Key_Escape:
                RequestClose();
                return true;
            case Qt::Key_Delete:
                if (!Selected().empty())
                    DeleteSelected((mods & Qt::ShiftModifier) != 0);
                return true;
            case Qt::Key_F3:
                if (m_list->SelectedCount() == 1)
                    ViewFile();
                return true;
            case Qt::Key_C:
                if (ctrl) {
                    if (!Selected().empty())
                        CopySelected();
                    return true;
                }
                break;
            case Qt::Key_B:
                if (ctrl) {
                    if (!Selected().empty())
                        BatchFile();
                    return true;
                }
                break;
            case Qt::Key_A:
                if (ctrl) {
                    m_list->SelectAll();
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindResultsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        RequestClose();
        return;
    }
    QWidget::keyPressEvent(event);
}

std::unique_ptr<QMenu> FindResultsWindow::BuildContextMenu() {
    std::unique_ptr<QMenu> menu = m_host.CreatePopupMenu(QStringLiteral("findRMB"), this);
    if (!menu)
        return nullptr;
    QMenu* root = menu.get();
    auto update = [this](QMenu* popup, const auto& self) -> void {
        for (QAction* action : popup->actions()) {
            if (action->menu()) {
                self(action->menu(), self);
                continue;
            }
            bool ok = false;
            const int id = action->data().toInt(&ok);
            if (!ok || id == 0)
                continue;
            bool enabled = true;
            bool checked = false;
            if (UpdateCommand(id, enabled, checked)) {
                action->setEnabled(enabled);
                action->setCheckable(checked || action->isCheckable());
                action->setChecked(checked);
            }
        }
    };
    update(root, update);
    // The host's menu takes the main window's states again when it is about
    // to show (the panes' view style, commands no pane has); this window's
    // own states come after them.
    connect(root, &QMenu::aboutToShow, this, [root, update] { update(root, update); });
    return menu;
}

void FindResultsWindow::ShowContextMenu(const QPoint& requested) {
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (!menu)
        return;
    QPoint where = requested;
    if (where == QPoint(-1, -1))
        where = QCursor::pos();
    QAction* chosen = menu->exec(where);
    if (!chosen)
        return;
    bool ok = false;
    const int id = chosen->data().toInt(&ok);
    if (ok)
        OnCommand(id);
}

bool FindResultsWindow::UpdateCommand(int id, bool& enabled, bool& checked) const {
    if (m_list->HandlesCommand(id))
        return m_list->UpdateCommand(id, enabled, checked);
    checked = false;
    const int selected = m_list->SelectedCount();
    switch (id) {
        case ID_FIND_BROWSE:
        case ID_FIND_DELETE:
        case ID_FIND_COPY:
        case ID_FIND_BATCH:
            enabled = selected > 0;
            return true;
        case ID_FIND_VIEW_FILE:
            enabled = selected == 1;
            return true;
        case ID_FIND_SELECT_ALL:
        case ID_FIND_PRINT_LIST:
            enabled = true;
            return true;
        default:
            return false;
    }
}

bool FindResultsWindow::OnCommand(int id) {
    if (m_list->HandlesCommand(id))
        return m_list->OnCommand(id);
    switch (id) {
        case ID_FIND_BROWSE:
            Browse(IsAltDown());
            return true;
        case ID_FIND_VIEW_FILE:
            ViewFile();
            return true;
        case ID_FIND_DELETE:
            DeleteSelected(IsShiftDown());
            return true;
        case ID_FIND_COPY:
            CopySelected();
            return true;
        case ID_FIND_BATCH:
            BatchFile();
            return true;
        case ID_FIND_SELECT_ALL:
            m_list->SelectAll();
            return true;
        case ID_FIND_PRINT_LIST:
            PrintList();
            return true;
        default:
            return false;
    }
}

// -- The commands --------------------------------------------------------------------

std::vector<FolderItem*> FindResultsWindow::Selected() const {
    return m_list->SelectedItems();
}

void FindResultsWindow::Browse(bool otherPane) {
    const std::vector<FolderItem*> selected = Selected();
    if (selected.empty())
        return;
    CPanexView* pane = m_host.ActivePane();
    if (pane && otherPane)
        pane = m_host.OtherPane(*pane);
    if (!pane)
        return;
    FolderItem* first = selected.front();
    const QString folder = FolderOf(first);
    if (!pane->GoToFile(first->AbsoluteId(false)))
        return;
    // GoToFile left the first row's item selected alone; the others of its
    // folder join it, and the first keeps the focus.
    for (FolderItem* item : selected) {
        // Names are case-sensitive here: "Docs" and "docs" are two folders.
        if (item != first && FolderOf(item) == folder)
            pane->FocusByName(item->name, true);
    }
    pane->FocusByName(first->name, true);
}

void FindResultsWindow::ViewFile() {
    const std::vector<FolderItem*> selected = Selected();
    if (selected.size() != 1)
        return;
    FolderItem* item = selected.front();
    // Only a folder has nothing to view; an empty file opens empty.
    if (item->attributes & SFGAO_FOLDER) {
        Beep(BeepKind::Exclamation);
        return;
    }
    if (!m_services.openInEditor || !m_services.openInEditor(FullPathOf(item), true))
        Beep(BeepKind::Exclamation);
}

void FindResultsWindow::RemoveItems(const std::vector<FolderItem*>& items) {
    m_list->RemoveRows(items);
    for (FolderItem* item : items) {
        const auto found = m_itemIndex.find(item);
        if (found == m_itemIndex.end())
            continue;
        m_items.erase(found.value());
        m_itemIndex.erase(found);
    }
}

void FindResultsWindow::DeleteSelected(bool permanent) {
    const std::vector<FolderItem*> selected = Selected();
    if (selected.empty())
        return;
    FileOpRequest request;
    request.func = FileOpRequest::Delete;
    request.allowUndo = !permanent;
    for (const FolderItem* item : selected)
        request.sources.push_back(NameToBytes(FullPathOf(item)));
    // The rows go before the deletion starts, whatever its outcome.
    RemoveItems(selected);
    if (FileOpQueue* queue = BackgroundOperations())
        queue->Start(std::move(request), {}, this);
    else
        SHFileOperation(request, this);
    if (Count() > 0) {
        ShowCount();
    } else {
        SetStatus(FindResultsTexts::kQuitting);
        QTimer::singleShot(kSelfCloseMs, this, [this] { RequestClose(); });
    }
}

void FindResultsWindow::CopySelected() {
    const std::vector<FolderItem*> selected = Selected();
    if (selected.empty())
        return;
    QStringList paths;
    std::vector<IdList> ids;
    for (FolderItem* item : selected) {
        paths.append(FullPathOf(item));
        ids.push_back(item->AbsoluteId(false));
    }
    auto data = std::make_unique<BasicDataObject>();
    data->SetFilePaths(paths);
    // The items' absolute lists under the Desktop's empty one, as the
    // panes' own copies carry them.
    data->SetData(ClipFormats::kShellIdList, EncodeShellIdArray(IdList::Empty(), ids));
    if (!SetClipboardData(std::move(data), kDropEffectCopy))
        Beep(BeepKind::Exclamation);
}

void FindResultsWindow::BatchFile() {
    const std::vector<FolderItem*> selected = Selected();
    if (selected.empty())
        return;
    if (m_services.loadBatchHistory)
        m_services.loadBatchHistory();
    BatchTemplateDialog templateDialog(this);
    const bool accepted =
        m_services.runDialog ? m_services.runDialog(templateDialog) : templateDialog.exec() != 0;
    if (!accepted)
        return;
    const QStringList entries = ParseBatchTemplate(templateDialog.Template());
    if (entries.isEmpty()) {
        Beep(BeepKind::Exclamation);
        return;
    }
    CPanexView* active = m_host.ActivePane();
    CPanexView* other = active ? m_host.OtherPane(*active) : nullptr;
    const auto folderOf = [](CPanexView* pane) {
        return pane && pane->Model() ? pane->Model()->path : QString();
    };
    const bool activeFirst = active && m_host.IsFirstPane(*active);
    const BatchPaths paths{activeFirst ? folderOf(active) : folderOf(other),
                           activeFirst ? folderOf(other) : folderOf(active), folderOf(other)};
    std::vector<BatchItem> items;
    for (int row : m_list->SelectedRows()) {
        const FolderItem* item = m_list->ItemAt(row);
        items.push_back({item->name, FolderOf(item)});
    }
    const QString script = GenerateBatchScript(entries, items, paths);
    if (script.size() > kBatchScriptLimit) {
        Notice(BatchTexts::kTooLong, true);
        return;
    }
    const auto runner = m_services.runScript;
    const QString workingDirectory = folderOf(active).isEmpty() ? HomeFolder() : folderOf(active);
    BatchScriptDialog scriptDialog(
        script, templateDialog.Template(),
        m_services.batchPath ? m_services.batchPath() : QString(),
        [runner, workingDirectory](const QString& path) {
            return runner && runner(path, workingDirectory);
        },
        this);
    if (m_services.runDialog)
        m_services.runDialog(scriptDialog);
    else
        scriptDialog.exec();
}

QString FindResultsWindow::ListingText() const {
    static const QString labels[3] = {QStringLiteral("MODIFIED"), QStringLiteral("CREATED"),
                                      QStringLiteral("ACCESSED")};
    QString format = General().dirPrintFormat;
    if (!IsValidListingFormat(format))
        format = ListingTexts::kDefaultFormat;
    const int kind = std::clamp(General().fileDateUsed, 0, 2);
    QString text =
        FormatListingLine(format, QStringLiteral("NAME"), QStringLiteral("SIZE"), labels[kind]);
    std::uint64_t total = 0;
    for (int row = 0; row < m_list->RowCount(); ++row) {
        const FolderItem* item = m_list->ItemAt(row);
        QString line =
            FormatListingLine(format, item->displayName, item->SizeText(), item->DateText(kind));
        // The folder follows on the same line, in place of the line's end.
        while (line.endsWith(u'\n') || line.endsWith(u'\r')) line.chop(1);
        text +=
            line + QStringLiteral("  [") + DisplayFromName(FolderOf(item)) + QStringLiteral("]\n");
        total += item->size;
    }
    text += QStringLiteral("---------------\n%1 item(s); %2 %3in total\n")
                .arg(qulonglong(m_list->RowCount()))
                .arg(FormatSize(total),
                     General().plainBytesFormat ? QStringLiteral("bytes ") : QString());
    return text;
}

void FindResultsWindow::PrintList() {
    if (!IsValidListingFormat(General().dirPrintFormat))
        Notice(ListingTexts::kFormatRefused, true);
    const QString path = m_services.listingPath ? m_services.listingPath() : QString();
    if (!WriteListingFile(path, ListingText())) {
        MessageBoxText(ListingTexts::kWriteFailed, PromptButtons::Ok, PromptIcon::Warning, this);
        return;
    }
    if (m_services.openInEditor)
        m_services.openInEditor(path, false);
}
