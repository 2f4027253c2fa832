#include "fileops/CPaneTransfer.h"

#include <sys/stat.h>

#include <QClipboard>
#include <QGuiApplication>

#include "fileops/TargetFolderDialog.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferExecutor.h"
#include "fileops/TransferFormats.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/archive/ArchiveExtractor.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/fileop/FileOperation.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/GioTempCopy.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/ShellContext.h"

namespace {

const QString kDeleteVerb = QStringLiteral("delete");
const QString kViewWord = QStringLiteral("view");
const QString kEditWord = QStringLiteral("edit");

// The items of a pane's selection, in the list's order.
std::vector<FolderItem*> Selected(CPanexView& pane) {
    return pane.List()->OperandItems();
}

}  // namespace

HistoryList& TargetFolderHistory() {
    static HistoryList history;
    return history;
}

CPaneTransfer::CPaneTransfer(PaneHost& host)
    : m_host(host), m_context(std::make_unique<QObject>()) {
    m_previousHooks = SetPaneTransferHooks(this);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // A cut stays ghosted only while the clipboard holds it.
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, m_context.get(),
                         [this] {
                             if (!ClipboardHoldsOurCut())
                                 ClearGhosts();
                         });
    }
}

CPaneTransfer::~CPaneTransfer() {
    if (TransferHooks() == this)
        SetPaneTransferHooks(m_previousHooks);
}

void CPaneTransfer::SetEditorOpener(EditorOpener opener, EditorAvailable available) {
    m_opener = std::move(opener);
    m_editorAvailable = std::move(available);
}

CPanexView* CPaneTransfer::ActivePane() const {
    CPanexView* pane = m_host.ActivePane();
    return pane && pane->Model() ? pane : nullptr;
}

bool CPaneTransfer::HasSelection() const {
    CPanexView* pane = ActivePane();
    return pane && pane->List()->OperandCount() > 0;
}

// -- Commands ------------------------------------------------------------------------

bool CPaneTransfer::OnCommand(int id) {
    switch (id) {
        case ID_FILE_COPYTO:
        case ID_FILE_MOVETO:
            CopyOrMove(id == ID_FILE_MOVETO);
            return true;
        case ID_FILE_DELETE:
            Delete();
            return true;
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
            CopyToClipboard(id == ID_EDIT_CUT);
            return true;
        case ID_EDIT_PASTE:
        case ID_EDIT_PASTE_LINK:
            Paste(id == ID_EDIT_PASTE_LINK);
            return true;
        case ID_FILE_VIEW:
        case ID_FILE_EDIT:
            ViewOrEdit(id == ID_FILE_EDIT);
            return true;
        default:
            return CommandTarget::OnCommand(id);
    }
}

bool CPaneTransfer::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
        case ID_FILE_COPYTO:
        case ID_FILE_MOVETO:
            state.EnableOrSay(HasSelection(), TransferNotices::kNoSource);
            return true;
        case ID_FILE_DELETE:
            state.EnableOrSay(HasSelection(), TransferNotices::kNoDelete);
            return true;
        case ID_EDIT_COPY:
        case ID_EDIT_CUT:
            state.EnableOrSay(HasSelection(), TransferNotices::kClipboardRefused);
            return true;
        case ID_EDIT_PASTE:
        case ID_EDIT_PASTE_LINK:
            state.Enable(ActivePane() && ClipboardOffersTransfer());
            return true;
        case ID_FILE_VIEW:
        case ID_FILE_EDIT: {
            CPanexView* pane = ActivePane();
            const bool editor = m_opener && (!m_editorAvailable || m_editorAvailable());
            const bool folder =
                pane && (pane->Model()->IsFileSystem() || ReadsEntrySource(*pane->Model()) ||
                         (id == ID_FILE_VIEW && pane->Model()->IsDescriptor()));
            state.Enable(editor && folder && pane->List()->RowCount() > 0);
            return true;
        }
        default:
            return CommandTarget::OnUpdateCommand(id, state);
    }
}

void CPaneTransfer::EnsureHistoryLoaded() {
    if (m_historyLoaded)
        return;
    m_historyLoaded = true;
    TargetFolderHistory().Load(General().historyItems, m_host.Store(), kTargetFolderHistorySection);
    if (m_registrar) {
        m_registrar([](ProfileStore& store) {
            TargetFolderHistory().Save(General().historyItems, store, kTargetFolderHistorySection);
        });
    }
}

std::unique_ptr<ShellDataObject> CPaneTransfer::SelectionDataObject(CPanexView& pane) {
    FolderModel* model = pane.Model();
    if (!model || !model->shellFolder)
        return nullptr;
    std::vector<IdList> ids;
    for (FolderItem* item : Selected(pane)) ids.push_back(item->id);
    if (ids.empty())
        return nullptr;
    return model->shellFolder->GetDataObject(ids);
}

namespace {

// A folder of the file system itself (not an archive or a virtual place):
// the engine copies into it by path.
bool IsFileSystemPath(const QString& path) {
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    struct stat st;
    return ::stat(NameToBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The paths of the selected items of a file-system pane, in the list's
// order; empty when the pane shows something else or nothing is selected.
QStringList SelectedPaths(CPanexView& pane) {
    QStringList paths;
    FolderModel* model = pane.Model();
    if (!model || !model->IsFileSystem() || !model->path.startsWith(QLatin1Char('/')))
        return paths;
    for (FolderItem* item : Selected(pane)) {
        const QString path = item->ItemPath();
        if (!path.startsWith(QLatin1Char('/')))
            return {};
        paths << path;
    }
    return paths;
}

}  // namespace

void CPaneTransfer::CopyOrMove(bool move) {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    CPanexView* other = m_host.OtherPane(*pane);
    FolderModel* otherModel = other ? other->Model() : nullptr;
    const std::uint32_t operation = move ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    FolderModel* target = nullptr;
    FolderModel chosen;
    QString targetPath;

    if (!IsCtrlDown()) {
        // The target folder dialog.
        EnsureHistoryLoaded();
        const QString initial =
            otherModel && (otherModel->IsFileSystem() || ReadsEntrySource(*otherModel))
                ? otherModel->path
                : QString();
        TargetFolderDialog dialog(!move, pane->Model()->path, initial, TargetFolderHistory(),
                                  pane->window());
        const bool accepted =
            m_dialogRunner ? m_dialogRunner(dialog) : dialog.exec() == QDialog::Accepted;
        if (!accepted)
            return;
        targetPath = dialog.Target();
        if (!IsFileSystemPath(targetPath)) {
            // An archive or a virtual place: its folder takes the items.
            const IdList id = ParsePath(targetPath);
            if (id.IsNull() || chosen.Open(id, false) == FolderModel::kReadFailed) {
                Notice(TransferNotices::kKarma, true);
                return;
            }
            target = &chosen;
        }
    } else {
        // Straight to the opposite pane's folder.
        if (!otherModel) {
            Notice(TransferNotices::kKarma, true);
            return;
        }
        if (move && otherModel->path == pane->Model()->path) {
            Notice(TransferNotices::kMoveNeedsOtherFolder, true);
            return;
        }
        if (otherModel->IsFileSystem() && IsFileSystemPath(otherModel->path))
            targetPath = otherModel->path;
        else
            target = otherModel;
    }

    // File-system items into a file-system folder: the engine's request is
    // made from the selected items' paths and the target path directly.
    if (!target) {
        const QStringList paths = SelectedPaths(*pane);
        if (!paths.isEmpty()) {
            ExecutePathTransfer(m_host, operation, paths, pane->Model()->path, targetPath, true);
            return;
        }
        const IdList id = ParsePath(targetPath);
        if (id.IsNull() || chosen.Open(id, false) == FolderModel::kReadFailed) {
            Notice(TransferNotices::kKarma, true);
            return;
        }
        target = &chosen;
    }

    // Anything else travels as the selection's data object.
    std::unique_ptr<ShellDataObject> data = SelectionDataObject(*pane);
    if (!data) {
        Notice(TransferNotices::kNoSource, true);
        return;
    }
    ExecuteTransfer(m_host, operation, data.get(), *target, true);
}

void CPaneTransfer::Delete() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    FolderModel& model = *pane->Model();
    const std::vector<FolderItem*> items = Selected(*pane);

    // File-system items go to the engine, in the background when the
    // program has a queue: the pane is brought up to date when it ends and
    // its change watch shows the items going meanwhile.
    if (model.IsFileSystem() && !items.empty()) {
        std::unique_ptr<ShellDataObject> data = SelectionDataObject(*pane);
        const QStringList paths = data ? FilePathsOf(*data) : QStringList();
        if (!paths.isEmpty()) {
            FileOpRequest request = DeleteRequestOf(paths);
            OperationRecord record;
            record.sourcePath = model.path;
            record.effect = DROPEFFECT_MOVE;
            if (FileOpQueue* queue = BackgroundOperations()) {
                TheOperationRecord() = record;
                PaneHost* host = &m_host;
                queue->Start(
                    std::move(request),
                    [host, record](const FileOpResult&) {
                        TheOperationRecord() = record;
                        EndPaneOperation(*host);
                    },
                    pane);
                return;
            }
            BeginPaneOperation(m_host, model.path, QString(), DROPEFFECT_MOVE);
            SHFileOperation(request, pane->window());
            EndPaneOperation(m_host);
            return;
        }
    }

    // Virtual folders delete through their own verb.
    BeginPaneOperation(m_host, model.path, QString(), DROPEFFECT_MOVE);
    bool deleted = false;
    if (!items.empty() && model.shellFolder) {
        std::vector<IdList> ids;
        for (FolderItem* item : items) ids.push_back(item->id);
        if (std::unique_ptr<ShellContextMenu> menu = model.shellFolder->GetContextMenu(ids)) {
            InvokeContext context;
            context.parent = pane->window();
            deleted = menu->InvokeVerb(kDeleteVerb, context);
        }
    }
    if (!deleted)
        Notice(TransferNotices::kNoDelete, true);
    EndPaneOperation(m_host);
}

void CPaneTransfer::ClearGhosts() {
    CPanexView* active = m_host.ActivePane();
    if (!active)
        return;
    active->List()->Model()->ClearGhosted();
    if (CPanexView* other = m_host.OtherPane(*active))
        other->List()->Model()->ClearGhosted();
}

void CPaneTransfer::CopyToClipboard(bool cut) {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    std::unique_ptr<ShellDataObject> data = SelectionDataObject(*pane);
    const std::uint32_t preferred =
        cut ? DROPEFFECT_MOVE | DROPEFFECT_LINK : DROPEFFECT_COPY | DROPEFFECT_LINK;
    if (!data || !SetClipboardData(std::move(data), preferred)) {
        Notice(TransferNotices::kClipboardRefused, true);
        return;
    }
    // Setting the clipboard cleared the ghosts of an earlier cut.
    ClearGhosts();
    if (cut) {
        PaneRowModel* rows = pane->List()->Model();
        for (FolderItem* item : Selected(*pane)) rows->SetGhosted(item, true);
    }
}

void CPaneTransfer::Paste(bool asLinks) {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    ExecuteTransfer(m_host, asLinks ? DROPEFFECT_LINK : DROPEFFECT_NONE, nullptr, *pane->Model(),
                    true);
}

bool CPaneTransfer::PasteInto(CPanexView& pane, const IdList& absolute) {
    (void)pane;
    FolderModel folder;
    if (absolute.IsNull() || folder.Open(absolute, false) == FolderModel::kReadFailed) {
        Notice(kItemNoDropNotice, true);
        return true;
    }
    ExecuteTransfer(m_host, DROPEFFECT_NONE, nullptr, folder, true);
    return true;
}

namespace {

// Why an item got no file to view: over the limit (with both sizes), or
// what reading it met (a damaged archive); the plain notice otherwise.
QString WhyNotViewable(const FolderItem& item, const QString& why) {
    const std::uint64_t limit = std::uint64_t(std::max(0, General().maxExtractSize));
    if (item.size > limit)
        return OverExtractLimitText(item.size, limit);
    if (why.isEmpty())
        return TransferNotices::kTooLarge;
    return TransferNotices::kCantRead.arg(DisplayFromName(item.name), why);
}

}  // namespace

void CPaneTransfer::ViewOrEdit(bool edit) {
    CPanexView* pane = ActivePane();
    if (!pane || !m_opener)
        return;
    FolderModel& model = *pane->Model();
    // Only files are viewed or edited (a descriptor folder's items are
    // viewed; a remote folder's without a local path through a local copy).
    const bool remote = ReadsEntrySource(model);
    if (!model.IsFileSystem() && !remote && !(model.IsDescriptor() && !edit)) {
        Notice(TransferNotices::kNeedsFile, true);
        return;
    }
    // Many files open only if the user says so.
    std::vector<FolderItem*> items = Selected(*pane);
    if (int(items.size()) > kManyFilesToOpen) {
        PromptRequest request;
        request.text = TransferNotices::kManyFiles.arg(edit ? kEditWord : kViewWord);
        request.buttons = PromptButtons::YesNo;
        request.icon = PromptIcon::Question;
        request.parent = pane->window();
        if (Prompts().MessageBox(request) != PromptAnswer::Yes)
            return;
    }
    // Without a selection, the focused row.
    if (items.empty()) {
        const int focused = pane->List()->FocusedRow();
        if (focused >= 0)
            items.push_back(pane->List()->ItemAt(focused));
    }
    bool any = false;
    for (FolderItem* item : items) {
        if (!item || (item->IsFolderLike(false) && item->size == 0))
            continue;
        any = true;
        QString why;
        if (remote) {
            ViewOrEditRemote(*pane, *item, edit);
            continue;
        }
        const QString path = model.IsDescriptor() ? item->TempCopy(&why) : item->ItemPath();
        if (path.isEmpty()) {
            Notice(WhyNotViewable(*item, why), true);
            continue;
        }
        m_opener(path, !edit);
    }
    // Nothing opened: say why.
    if (!any)
        Notice(TransferNotices::kNeedsFile, true);
}

void CPaneTransfer::ViewOrEditRemote(CPanexView& pane, FolderItem& item, bool edit) {
    // The copy comes through GIO on a worker; an edited copy goes back the
    // same way each time it is saved.
    const QString uri = item.ItemPath();
    const QString path = GioTempCopy(uri, pane.window());
    if (path.isEmpty())
        return;  // the operation has told why
    if (edit) {
        WriteBackWhenSaved(path, uri,
                           [](const QString& text, bool failed) { Notice(text, failed); });
    }
    m_opener(path, !edit);
}
