#include "fileops/TransferExecutor.h"

#include "fileops/FileSystemDropTarget.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferFormats.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/fileop/FileOperation.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "platform/ui/WaitCursor.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/Pidl.h"
#include "shell/ShellContext.h"

namespace {

// The two panes of the host, each once, those that exist.
std::vector<CPanexView*> Panes(PaneHost& host) {
    std::vector<CPanexView*> panes;
    CPanexView* active = host.ActivePane();
    if (!active)
        return panes;
    panes.push_back(active);
    if (CPanexView* other = host.OtherPane(*active); other && other != active)
        panes.push_back(other);
    return panes;
}

bool Shows(const CPanexView* pane, const QString& path) {
    return !path.isEmpty() && pane->Model() && pane->Model()->path == path;
}

QString ParentFolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// What the engine did for the direct path.
struct DirectResult {
    bool done = false;
    bool declined = false;  // the user chose Skip or Cancel for everything
};

FileOpRequest EngineRequest(std::uint32_t operation, const QStringList& paths,
                            const QString& target, bool sameFolder) {
    FileOpRequest request;
    request.func = operation == DROPEFFECT_MOVE ? FileOpRequest::Move : FileOpRequest::Copy;
    for (const QString& path : paths) request.sources.push_back(NameToBytes(path));
    request.targetFolder = NameToBytes(target);
    request.allowUndo = true;
    request.noConfirmation = !General().askConfirmation;
    request.renameOnCollision = operation == DROPEFFECT_COPY && sameFolder;
    return request;
}

DirectResult DirectResultOf(const FileOpResult& result) {
    DirectResult out;
    out.done = !result.done.empty() || !result.partial.empty();
    out.declined = !out.done && (result.aborted || result.anySkipped) && !result.anyFailed;
    return out;
}

// The end of an engine transfer, in the foreground or when a background
// operation has finished: the record, the clipboard after a move from it,
// both panes brought up to date, the failure notice.
std::uint32_t FinishEngineTransfer(PaneHost& host, OperationRecord record, std::uint32_t operation,
                                   bool fromClipboard, bool report, const DirectResult& result) {
    if (result.done && fromClipboard && operation == DROPEFFECT_MOVE)
        EmptyClipboard();
    record.effect = result.done ? ReportedEffect(operation) : DROPEFFECT_NONE;
    TheOperationRecord() = record;
    EndPaneOperation(host);
    if (record.effect == DROPEFFECT_NONE && report && !result.declined)
        Notice(kNoComplyNotice, true);
    return record.effect;
}

// Copy or move of file paths into a file-system folder by the engine. With
// a background queue the operation starts there and this returns the
// effect it is to perform; the panes are brought up to date when it ends,
// and meanwhile their change watch shows the items as they arrive.
std::uint32_t EngineTransfer(PaneHost& host, std::uint32_t operation, const QStringList& paths,
                             const QString& sourcePath, const QString& targetPath,
                             bool fromClipboard, bool report) {
    OperationRecord record;
    record.sourcePath = sourcePath;
    record.targetPath = targetPath;
    FileOpRequest request = EngineRequest(operation, paths, targetPath, sourcePath == targetPath);
    if (FileOpQueue* queue = BackgroundOperations()) {
        TheOperationRecord() = record;
        PaneHost* hostPtr = &host;
        queue->Start(
            std::move(request),
            [hostPtr, record, operation, fromClipboard, report](const FileOpResult& result) {
                FinishEngineTransfer(*hostPtr, record, operation, fromClipboard, report,
                                     DirectResultOf(result));
            },
            host.ActivePane());
        return ReportedEffect(operation);
    }
    BeginPaneOperation(host, sourcePath, targetPath, DROPEFFECT_NONE);
    const DirectResult result = DirectResultOf(SHFileOperation(request));
    return FinishEngineTransfer(host, record, operation, fromClipboard, report, result);
}

bool DropInto(ShellDropTarget& target, const ShellDataObject& data, std::uint32_t operation) {
    const std::uint32_t keyState = KeyStateForOperation(operation);
    std::uint32_t effect = operation;
    if (!target.DragEnter(data, keyState, QPoint(0, 0), effect))
        return false;
    if (effect == DROPEFFECT_NONE) {
        target.DragLeave();
        return false;
    }
    effect = operation;
    return target.Drop(data, keyState, QPoint(0, 0), effect);
}

}  // namespace

OperationRecord& TheOperationRecord() {
    static OperationRecord record;
    return record;
}

void BeginPaneOperation(PaneHost& host, const QString& sourcePath, const QString& targetPath,
                        std::uint32_t effect) {
    OperationRecord& record = TheOperationRecord();
    record.sourcePath = sourcePath;
    record.targetPath = targetPath;
    record.effect = effect;
    for (CPanexView* pane : Panes(host)) {
        if (Shows(pane, sourcePath) || Shows(pane, targetPath))
            pane->Model()->SetWatchEnabled(false);
    }
}

void EndPaneOperation(PaneHost& host) {
    const OperationRecord record = TheOperationRecord();
    const std::vector<CPanexView*> panes = Panes(host);
    if (record.effect != DROPEFFECT_NONE) {
        const bool copy = record.effect == DROPEFFECT_COPY;
        QStringList names;
        std::vector<CPanexView*> refreshed;
        for (CPanexView* pane : panes) {
            if (Shows(pane, record.targetPath)) {
                pane->RefreshPane(true, copy ? &names : nullptr);
                refreshed.push_back(pane);
            }
        }
        for (CPanexView* pane : panes) {
            if (std::find(refreshed.begin(), refreshed.end(), pane) == refreshed.end() &&
                Shows(pane, record.sourcePath))
                pane->RefreshPane(false, copy ? &names : nullptr);
        }
    }
    // A refresh may have sent a pane elsewhere (its folder vanished): its
    // new model watches already.
    for (CPanexView* pane : panes) {
        if (Shows(pane, record.sourcePath) || Shows(pane, record.targetPath))
            pane->Model()->SetWatchEnabled(true);
    }
}

QString SourceFolderOf(const ShellDataObject& data) {
    if (data.HasFormat(ClipFormats::kShellIdList)) {
        if (std::optional<ShellIdArray> array =
                DecodeShellIdArray(data.GetData(ClipFormats::kShellIdList))) {
            if (std::optional<QString> path = AbsoluteDisplayName(array->parent, SHGDN_FORPARSING))
                return *path;
        }
    }
    const QStringList paths = FilePathsOf(data);
    return paths.isEmpty() ? QString() : ParentFolderOf(paths.front());
}

std::unique_ptr<ShellDropTarget> FolderDropTarget(FolderModel& folder) {
    if (folder.parentFolder && !folder.idList.IsNull() && !folder.idList.IsEmpty()) {
        const IdList last = PidlLast(folder.idList);
        if (auto target = folder.parentFolder->GetDropTarget(std::span<const IdList>(&last, 1)))
            return target;
    }
    if (folder.shellFolder) {
        if (auto target = folder.shellFolder->GetDropTarget({}))
            return target;
    }
    if (folder.IsFileSystem() && !folder.path.isEmpty())
        return std::make_unique<FileSystemDropTarget>(folder.path);
    return nullptr;
}

std::unique_ptr<ShellDropTarget> DropTargetOfItem(FolderItem& item) {
    if (!item.folder)
        return nullptr;
    if (auto target =
            item.folder->OwnerShellFolder().GetDropTarget(std::span<const IdList>(&item.id, 1)))
        return target;
    if (IsFileSystemFolder(item.folder->OwnerAttributes()) && item.IsFolderLike(true)) {
        const IdList absolute = item.AbsoluteId(true);
        if (std::optional<QString> path = AbsoluteDisplayName(absolute, SHGDN_FORPARSING);
            path && path->startsWith(QLatin1Char('/')))
            return std::make_unique<FileSystemDropTarget>(*path);
    }
    return nullptr;
}

std::uint32_t ExecuteTransfer(PaneHost& host, std::uint32_t operation, const ShellDataObject* data,
                              FolderModel& target, bool report) {
    // The data: the clipboard's unless given.
    WaitCursor wait;
    std::shared_ptr<const ShellDataObject> clipboard;
    const bool fromClipboard = data == nullptr;
    if (fromClipboard) {
        clipboard = ClipboardDataObject();
        data = clipboard.get();
    }
    const QString sourcePath = data ? SourceFolderOf(*data) : QString();
    OperationRecord& record = TheOperationRecord();
    record.sourcePath = sourcePath;
    record.targetPath = target.path;
    record.effect = DROPEFFECT_NONE;

    // Data without a source folder is not transferred.
    if (sourcePath.isEmpty())
        return DROPEFFECT_NONE;

    // The data must offer items; copy and move of file paths into a
    // file-system folder go to the engine.
    const QStringList paths = FilePathsOf(*data);
    const bool offers = data->HasFormat(ClipFormats::kShellIdList) ||
                        data->HasFormat(ClipFormats::kFileContents) || !paths.isEmpty();
    if (offers && operation == DROPEFFECT_NONE)
        operation = OperationFromPreferred(PreferredEffectOf(*data));
    const bool copyOrMove = operation == DROPEFFECT_COPY || operation == DROPEFFECT_MOVE;
    if (offers && copyOrMove && target.IsFileSystem() &&
        !data->HasFormat(ClipFormats::kFileNameMap) && !paths.isEmpty())
        return EngineTransfer(host, operation, paths, sourcePath, target.path, fromClipboard,
                              report);

    BeginPaneOperation(host, sourcePath, target.path, DROPEFFECT_NONE);
    bool done = false;
    if (offers) {
        if (std::unique_ptr<ShellDropTarget> dropTarget = FolderDropTarget(target))
            done = DropInto(*dropTarget, *data, operation);
        if (done && fromClipboard && operation == DROPEFFECT_MOVE)
            EmptyClipboard();
    }

    // The effect is recorded, and reported when nothing was done.
    const std::uint32_t effect = done ? ReportedEffect(operation) : DROPEFFECT_NONE;
    record.effect = effect;
    EndPaneOperation(host);
    if (effect == DROPEFFECT_NONE && report)
        Notice(kNoComplyNotice, true);
    return effect;
}

std::uint32_t ExecutePathTransfer(PaneHost& host, std::uint32_t operation, const QStringList& paths,
                                  const QString& sourcePath, const QString& targetPath,
                                  bool report) {
    if (paths.isEmpty() || sourcePath.isEmpty())
        return DROPEFFECT_NONE;
    WaitCursor wait;
    return EngineTransfer(host, operation, paths, sourcePath, targetPath, false, report);
}

std::uint32_t ExecuteTransferIntoItem(PaneHost& host, std::uint32_t operation,
                                      const ShellDataObject* data, FolderItem& item, bool report) {
    const bool folderLike =
        item.folder && (item.IsFolderLike(IsFileSystemFolder(item.folder->OwnerAttributes())));
    FolderModel folder;
    if (!folderLike || folder.Open(item.AbsoluteId(true), false) == FolderModel::kReadFailed) {
        if (report)
            Notice(kItemNoDropNotice, true);
        return DROPEFFECT_NONE;
    }
    return ExecuteTransfer(host, operation, data, folder, report);
}
