#include "fileops/CPaneFileUtils.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <optional>
#include <vector>

#include "fileops/FileChunks.h"
#include "fileops/FileTimes.h"
#include "fileops/HardLinker.h"
#include "fileops/MultiAnswerDialog.h"
#include "fileops/NewItems.h"
#include "fileops/Shredder.h"
#include "fileops/TransferClipboard.h"
#include "fileops/TransferFormats.h"
#include "fileops/ValuePromptDialog.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/places/GioFolder.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/LongOperation.h"
#include "shell/LongOperationWorker.h"
#include "shell/Notice.h"
#include "shell/NotifyShell.h"
#include "shell/PathHelpers.h"

using namespace FileUtilNotices;

namespace {

// Pauses a folder's change watch while the program changes the folder
// itself, and resumes it however the command ends.
class WatchPause {
public:
    explicit WatchPause(FolderModel& model) : m_model(model) { m_model.SetWatchEnabled(false); }
    ~WatchPause() { m_model.SetWatchEnabled(true); }
    WatchPause(const WatchPause&) = delete;
    WatchPause& operator=(const WatchPause&) = delete;

private:
    FolderModel& m_model;
};

QByteArray ItemPath(const FolderModel& model, const FolderItem& item) {
    return NameToBytes(PathJoin(model.path, item.name));
}

QString Shown(const QByteArray& path) {
    return NameFromBytes(path);
}

// The selected items in list order, without the folders (whose size is 0;
// an archive has its file's size and is merged as the file it is).
std::vector<FolderItem*> SelectedFiles(CPanexView& pane) {
    std::vector<FolderItem*> files;
    for (FolderItem* item : pane.List()->OperandItems()) {
        if (item->size != 0 || !item->IsFolderLike(false))
            files.push_back(item);
    }
    return files;
}

// The name without its last extension: the chunks of big.zip propose
// big.zip.
QString WithoutLastExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

}  // namespace

CPaneFileUtils::CPaneFileUtils(PaneHost& host) : m_host(host) {}

CPaneFileUtils::~CPaneFileUtils() = default;

std::int64_t& CPaneFileUtils::SplitSizeKiB() {
    static std::int64_t size = kDefaultSplitKiB;
    return size;
}

CPanexView* CPaneFileUtils::ActivePane() const {
    CPanexView* pane = m_host.ActivePane();
    return pane && pane->Model() && pane->Model()->IsFileSystem() ? pane : nullptr;
}

bool CPaneFileUtils::OnCommand(int id) {
    switch (id) {
        case ID_NEW_FILE:
        case ID_NEW_FOLDER:
            NewItem(id == ID_NEW_FOLDER);
            return true;
        case ID_PASTE_HARDLINK:
            PasteHardLink();
            return true;
        case ID_SPLIT_FILE:
            Split();
            return true;
        case ID_MERGE_FILES:
            Merge();
            return true;
        case ID_SHRED:
            Shred();
            return true;
        case ID_TOUCH_DATES:
            TouchDates();
            return true;
        case ID_SYNC_TOUCH:
            SyncTouch();
            return true;
        default:
            return false;
    }
}

bool CPaneFileUtils::OnUpdateCommand(int id, CommandState& state) {
    CPanexView* pane = ActivePane();
    const int selected = pane ? pane->List()->OperandCount() : 0;
    switch (id) {
        case ID_NEW_FOLDER:
            state.Enable(pane != nullptr || (m_host.ActivePane() && m_host.ActivePane()->Model() &&
                                             ReadsEntrySource(*m_host.ActivePane()->Model())));
            return true;
        case ID_NEW_FILE:
        case ID_SYNC_TOUCH:
            state.Enable(pane != nullptr);
            return true;
        case ID_PASTE_HARDLINK:
            state.Enable(pane && ClipboardOffersTransfer());
            return true;
        case ID_SPLIT_FILE:
            state.Enable(selected == 1);
            return true;
        case ID_MERGE_FILES:
        case ID_SHRED:
        case ID_TOUCH_DATES:
            state.Enable(selected > 0);
            return true;
        default:
            return false;
    }
}

// -- New file and new folder ---------------------------------------------------

void CPaneFileUtils::NewItem(bool isFolder) {
    CPanexView* pane = ActivePane();
    if (!pane) {
        if (isFolder)
            NewRemoteFolder();
        return;
    }
    FolderModel& model = *pane->Model();
    // The rename in place resumes the watch when its editor closes.
    model.SetWatchEnabled(false);
    // The first free default name, then the item itself.
    const QByteArray folder = NameToBytes(model.path);
    const QString name = FreeDefaultName(folder, isFolder);
    bool started = false;
    if (!name.isEmpty() && CreateNewItem(folder, name, isFolder)) {
        NotifyShell(isFolder ? SHCNE_MKDIR : SHCNE_CREATE, PathJoin(model.path, name));
        // Its row is added, focused and opened for renaming.
        if (FolderItem* item = model.AddItem(name)) {
            pane->List()->ClearSelection();
            pane->AddRow(item, true);
            pane->FocusItem(item, true);
            started = pane->BeginRename();
        }
    }
    // Without an edit the watch resumes here and the user is told.
    if (!started) {
        model.SetWatchEnabled(true);
        Notice(kDeclined.arg(isFolder ? kFolder : kFile), true);
    }
}

void CPaneFileUtils::NewRemoteFolder() {
    QPointer<CPanexView> pane = m_host.ActivePane();
    FolderModel* model = pane ? pane->Model() : nullptr;
    if (!model || !ReadsEntrySource(*model))
        return;
    // The listing is what the folder is known to hold; the server refuses
    // a name taken since.
    const QString name = FreeDefaultName(
        true, [model](const QString& n) { return model->FindByName(n) != nullptr; });
    bool started = false;
    if (!name.isEmpty() && MakeGioFolder(model->path, NameToBytes(name), pane->window())) {
        // A refresh read begun before the folder was made (the one after a
        // copy, say) would settle after the new row went in and take it
        // away, editor and all: it is let finish first. Its worker keeps
        // the window answering meanwhile.
        while (pane && pane->Model() == model && model->IsReading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!pane || pane->Model() != model)
            return;
        FolderItem* item = model->FindByName(name);
        if (!item && (item = model->AddItem(name)) != nullptr)
            pane->AddRow(item, true);
        if (item) {
            pane->List()->ClearSelection();
            pane->FocusItem(item, true);
            started = pane->BeginRename();
        }
    }
    if (!started)
        Notice(kDeclined.arg(kFolder), true);
}

// -- Paste hard link -----------------------------------------------------------

void CPaneFileUtils::PasteHardLink() {
    CPanexView* pane = m_host.ActivePane();
    if (!pane || !pane->Model())
        return;
    FolderModel& model = *pane->Model();
    int message = kLinkOk;
    {
        // A long operation, with the folder's watch paused.
        LongOperation operation(kHardLinking);
        WatchPause pause(model);
        // The clipboard's file paths.
        std::vector<QByteArray> sources;
        if (model.IsFileSystem()) {
            const auto data = ClipboardDataObject();
            for (const QString& path : data ? FilePathsOf(*data) : QStringList())
                sources.push_back(NameToBytes(path));
        }
        if (sources.empty()) {
            message = kLinkNotFileSystem;
        } else {
            // Linked on a worker; questions go to the main thread.
            HardLinker::Hooks hooks;
            LongOperationWorker worker(operation);
            hooks.askOverwrite = [pane, &worker](const QByteArray& target) {
                return worker.OnMainThread<int>([&] {
                    return MultiAnswerDialog(HardLinkText(kLinkTitle),
                                             HardLinkText(kLinkExists).arg(Shown(target)),
                                             PromptIcon::Question, MultiAnswerDialog::kNo)
                        .DoModal(pane);
                });
            };
            hooks.stop = [&worker] { return worker.StopRequested(); };
            HardLinker linker(std::move(hooks));
            const QByteArray folder = NameToBytes(model.path);
            worker.Run([&] { message = linker.LinkPaths(sources, folder); });
        }
    }
    // Refresh and report.
    pane->RefreshPane(false, nullptr);
    if (message != kLinkOk)
        Notice(HardLinkText(message), true);
    else
        Notice(std::nullopt);
}

// -- Split -----------------------------------------------------------------------

void CPaneFileUtils::Split() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    FolderModel& model = *pane->Model();
    // A non-empty file to split.
    const std::vector<FolderItem*> selected = pane->List()->OperandItems();
    FolderItem* item = selected.empty() ? nullptr : selected.front();
    if (!item || item->size == 0) {
        Notice(kNeedsFile, true);
        return;
    }
    // The chunk size, kept for next time.
    ValuePromptDialog prompt(kSplitPrompt, SplitSizeKiB(), kMinSplitKiB, kMaxSplitKiB);
    if (!prompt.DoModal(pane))
        return;
    SplitSizeKiB() = prompt.Number();

    const QByteArray source = ItemPath(model, *item);
    SplitResult result = SplitResult::kFailed;
    {
        // A long operation, with the folder's watch paused.
        LongOperation operation(kSplitting);
        WatchPause pause(model);
        // Split on a worker.
        LongOperationWorker worker(operation);
        SplitHooks hooks;
        hooks.stop = [&worker] { return worker.StopRequested(); };
        hooks.step = [&worker] { worker.Step(); };
        hooks.askOverwrite = [pane, &worker](const QByteArray& chunk) {
            return worker.OnMainThread<int>([&] {
                return MultiAnswerDialog(kSplitTitle, kChunkExists.arg(Shown(chunk)),
                                         PromptIcon::Question, MultiAnswerDialog::kYes)
                    .DoModal(pane);
            });
        };
        std::vector<QByteArray> created;
        const std::uint64_t chunkSize = std::uint64_t(SplitSizeKiB()) * 1024;
        worker.Run([&] { result = SplitFile(source, chunkSize, hooks, &created); });
        for (const QByteArray& chunk : created) NotifyShell(SHCNE_CREATE, Shown(chunk));
    }
    // Refresh and report.
    pane->RefreshPane(false, nullptr);
    switch (result) {
        case SplitResult::kDone:
            Notice(std::nullopt);
            break;
        case SplitResult::kNotAFile:
            Notice(kNeedsFile, true);
            break;
        case SplitResult::kSourceChanged:
            Notice(kSourceChanged.arg(Shown(source), kSplitWord), true);
            break;
        case SplitResult::kFailed:
            Notice(kSplitFailed, true);
            break;
    }
}

// -- Merge -----------------------------------------------------------------------

void CPaneFileUtils::Merge() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    FolderModel& model = *pane->Model();
    // Creation times of 0 are unknown and order nothing.
    const std::vector<FolderItem*> files = SelectedFiles(*pane);
    std::vector<QByteArray> sources;
    bool outOfOrder = false;
    FileTime previous = 0;
    for (FolderItem* item : files) {
        sources.push_back(ItemPath(model, *item));
        const FileTime created = item->times[kTimeCreated];
        if (created != 0 && previous != 0 && created < previous)
            outOfOrder = true;
        previous = created;
    }
    // Two files at least.
    if (sources.size() < 2) {
        Notice(kTooFew, true);
        return;
    }
    // Files whose dates are out of order are merged only if the user says so.
    if (outOfOrder && MessageBoxText(kDatesOutOfOrder, PromptButtons::YesNo, PromptIcon::Warning,
                                     pane) != PromptAnswer::Yes)
        return;
    // The target's name; the last file's without its extension by default.
    ValuePromptDialog prompt(kMergePrompt, WithoutLastExtension(files.back()->name));
    if (!prompt.DoModal(pane) || prompt.Text().trimmed().isEmpty())
        return;
    const QByteArray target = NameToBytes(PathJoin(model.path, prompt.Text()));

    MergeResult result = MergeResult::kFailed;
    {
        // A long operation, with the folder's watch paused.
        LongOperation operation(kMerging);
        WatchPause pause(model);
        // Merged on a worker.
        LongOperationWorker worker(operation);
        MergeHooks hooks;
        hooks.stop = [&worker] { return worker.StopRequested(); };
        hooks.step = [&worker] { worker.Step(); };
        hooks.confirmOverwrite = [pane, &worker](const QByteArray& path) {
            return worker.OnMainThread<bool>([&] {
                return MessageBoxText(kMergeTargetExists.arg(Shown(path)), PromptButtons::YesNo,
                                      PromptIcon::Warning, pane) == PromptAnswer::Yes;
            });
        };
        worker.Run([&] { result = MergeFiles(sources, target, hooks); });
        if (result == MergeResult::kDone)
            NotifyShell(SHCNE_CREATE, Shown(target));
    }
    // Refresh and report.
    pane->RefreshPane(false, nullptr);
    switch (result) {
        case MergeResult::kDone:
            Notice(std::nullopt);
            break;
        case MergeResult::kDeclined:
            break;
        case MergeResult::kTargetIsSource:
            Notice(kMergeIntoSource.arg(Shown(target)), true);
            break;
        case MergeResult::kSourceChanged:
            Notice(kSourceChanged.arg(Shown(target), kMergeWord), true);
            break;
        case MergeResult::kFailed:
            Notice(kMergeFailed, true);
            break;
    }
}

// -- Shred -----------------------------------------------------------------------

void CPaneFileUtils::Shred() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    FolderModel& model = *pane->Model();
    const std::vector<FolderItem*> items = pane->List()->OperandItems();
    if (items.empty())
        return;
    // No is the default.
    PromptRequest question;
    question.text = kShredQuestion;
    question.buttons = PromptButtons::YesNo;
    question.icon = PromptIcon::Warning;
    question.defaultButton = 1;
    question.parent = pane;
    if (Prompts().MessageBox(question) != PromptAnswer::Yes)
        return;

    // The paths are taken now: the items go with the refresh.
    std::vector<QByteArray> paths;
    for (FolderItem* item : items) paths.push_back(ItemPath(model, *item));

    ShredOutcome outcome;
    {
        // A long operation, with the folder's watch paused.
        LongOperation operation(kShreding);
        WatchPause pause(model);
        // Shredded on a worker.
        LongOperationWorker worker(operation, false);
        Shredder shredder([&worker] { return worker.StopRequested(); });
        std::vector<QByteArray> shredded;
        worker.Run([&] {
            for (const QByteArray& path : paths) {
                outcome = shredder.ShredItem(path);
                if (outcome.result != ShredResult::kDone)
                    break;
                shredded.push_back(path);
                if (worker.StopRequested()) {
                    outcome.result = ShredResult::kAborted;
                    break;
                }
            }
        });
        for (const QByteArray& path : shredded) NotifyShell(SHCNE_DELETE, Shown(path));
    }
    // Refresh and report.
    pane->RefreshPane(false, nullptr);
    const QString where = Shown(outcome.path);
    switch (outcome.result) {
        case ShredResult::kDone:
            Notice(std::nullopt);
            break;
        case ShredResult::kAborted:
            Notice(kShredAborted, true);
            break;
        case ShredResult::kWriteError:
            Notice(kShredError, true);
            break;
        case ShredResult::kOtherLinks:
            Notice(kShredOtherLinks.arg(where), true);
            break;
        case ShredResult::kOtherVolume:
            Notice(kShredOtherVolume.arg(where), true);
            break;
        case ShredResult::kChanged:
            Notice(kShredChanged.arg(where), true);
            break;
    }
}

// -- Touch and sync touch --------------------------------------------------------

void CPaneFileUtils::TouchDates() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    FolderModel& model = *pane->Model();
    {
        // One time for every file, with the watch paused.
        WatchPause pause(model);
        const timespec now = PresentTime();
        // Folders and what is not a file are skipped.
        for (FolderItem* item : pane->List()->OperandItems()) {
            const QByteArray path = ItemPath(model, *item);
            if (SetModifiedTime(path, now))
                NotifyShell(SHCNE_UPDATEITEM, Shown(path));
        }
    }
    // Refresh and report.
    pane->RefreshPane(false, nullptr);
    Notice(kTouched);
}

void CPaneFileUtils::SyncTouch() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    // The other pane must show another file-system folder.
    CPanexView* other = m_host.OtherPane(*pane);
    FolderModel* target = other ? other->Model() : nullptr;
    FolderModel& source = *pane->Model();
    if (!target || !target->IsFileSystem() || target->path == source.path)
        return;
    int matches = 0;
    {
        // The target's watch waits while its times change.
        WatchPause pause(*target);
        // Names match exactly: two names that differ in case are two
        // files here.
        for (FolderItem& item : source.items) {
            FolderItem* match = target->FindByName(item.name);
            if (!match)
                continue;
            ++matches;
            const std::optional<timespec> time = ModifiedTime(ItemPath(source, item));
            const QByteArray path = ItemPath(*target, *match);
            if (time && SetModifiedTime(path, *time))
                NotifyShell(SHCNE_UPDATEITEM, Shown(path));
        }
    }
    // Refresh the other pane and report.
    other->RefreshPane(false, nullptr);
    Notice(matches > 0 ? kSynced : kNoMatches, true);
}
