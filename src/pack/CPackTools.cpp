#include "pack/CPackTools.h"

#include <sys/stat.h>

#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include "fileops/TransferExecutor.h"
#include "pack/PackDialog.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/thread/WorkerThread.h"
#include "platform/ui/EscapePoll.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/Notice.h"

namespace {

ArchiveFormat g_lastFormat = ArchiveFormat::TarGz;

void LoadPackSettings(const ProfileStore& store) {
    const int stored =
        store.GetProfileInt(kPackSettingsSection, kPackFormatKey, int(ArchiveFormat::TarGz));
    g_lastFormat = stored >= int(ArchiveFormat::Zip) && stored <= int(ArchiveFormat::SevenZip)
                       ? ArchiveFormat(stored)
                       : ArchiveFormat::TarGz;
}

void SavePackSettings(ProfileStore& store) {
    store.WriteProfileInt(kPackSettingsSection, kPackFormatKey, int(g_lastFormat));
}

bool IsFileSystemPane(const CPanexView* pane) {
    return pane && pane->Model() && pane->Model()->IsFileSystem();
}

// An archive opens as a folder, so its attributes say folder: the disk says
// whether it is a file.
bool IsArchiveFile(FolderItem* item) {
    if (!item || !(item->attributes & SFGAO_FILESYSTEM) || !IsArchiveName(NameToBytes(item->name)))
        return false;
    struct stat st;
    return ::stat(NameToBytes(item->ItemPath()).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// The progress figures for a dialog whose range is 0..1000.
int Permille(const PackProgress& progress) {
    if (progress.bytesTotal > 0)
        return int(progress.bytesDone * 1000 / progress.bytesTotal);
    if (progress.itemsTotal > 0)
        return int(progress.itemsDone * 1000 / progress.itemsTotal);
    return 0;
}

}  // namespace

CPackTools::CPackTools(PaneHost& host) : m_host(host) {}

CPackTools::~CPackTools() = default;

ArchiveFormat CPackTools::LastFormat() {
    return g_lastFormat;
}

void CPackTools::EnsureLoaded() {
    if (m_loaded)
        return;
    m_loaded = true;
    LoadPackSettings(m_host.Store());
    if (m_registrar)
        m_registrar(SavePackSettings);
}

CPanexView* CPackTools::ActivePane() const {
    CPanexView* pane = m_host.ActivePane();
    return pane && pane->Model() ? pane : nullptr;
}

CPanexView* CPackTools::OtherPane() const {
    CPanexView* pane = m_host.ActivePane();
    CPanexView* other = pane ? m_host.OtherPane(*pane) : nullptr;
    return other && other->Model() ? other : nullptr;
}

FolderItem* CPackTools::ArchiveItem() const {
    CPanexView* pane = ActivePane();
    if (!IsFileSystemPane(pane))
        return nullptr;
    const std::vector<FolderItem*> selected = pane->List()->OperandItems();
    if (selected.size() == 1)
        return IsArchiveFile(selected.front()) ? selected.front() : nullptr;
    if (!selected.empty())
        return nullptr;
    const int row = pane->List()->FocusedRow();
    FolderItem* focused = row >= 0 ? pane->List()->ItemAt(row) : nullptr;
    return IsArchiveFile(focused) ? focused : nullptr;
}

bool CPackTools::OnCommand(int id) {
    switch (id) {
        case ID_FILE_PACK:
            Pack();
            return true;
        case ID_FILE_UNPACK:
            Unpack();
            return true;
        default:
            return CommandTarget::OnCommand(id);
    }
}

bool CPackTools::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
        case ID_FILE_PACK: {
            CPanexView* pane = ActivePane();
            state.Enable(IsFileSystemPane(pane) && pane->List()->OperandCount() > 0 &&
                         IsFileSystemPane(OtherPane()));
            return true;
        }
        case ID_FILE_UNPACK:
            state.Enable(ArchiveItem() != nullptr && IsFileSystemPane(OtherPane()));
            return true;
        default:
            return CommandTarget::OnUpdateCommand(id, state);
    }
}

void CPackTools::Pack() {
    CPanexView* pane = ActivePane();
    CPanexView* other = OtherPane();
    if (!IsFileSystemPane(pane) || !IsFileSystemPane(other))
        return;
    const std::vector<FolderItem*> selected = pane->List()->OperandItems();
    if (selected.empty())
        return;
    EnsureLoaded();

    PackRequest request;
    request.baseFolder = NameToBytes(pane->Model()->path);
    for (const FolderItem* item : selected) request.names.push_back(NameToBytes(item->name));
    // One file gives its name without its extension, one folder its name,
    // several items the name of their folder.
    QString base = NameFromBytes(request.baseFolder.mid(request.baseFolder.lastIndexOf('/') + 1));
    if (selected.size() == 1) {
        base = selected.front()->name;
        const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
        if (!(selected.front()->attributes & SFGAO_FOLDER) && dot > 0)
            base.truncate(dot);
    }
    if (base.isEmpty())
        base = QStringLiteral("archive");
    PackDialog dialog(base, g_lastFormat, other->Model()->path, pane->window());
    const bool accepted =
        m_dialogRunner ? m_dialogRunner(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted)
        return;
    g_lastFormat = dialog.Format();
    request.format = dialog.Format();
    request.archivePath = NameToBytes(dialog.ArchivePath());
    request.replaceExisting = dialog.ReplaceExisting();

    const PackResult result = RunPack(request, pane->window());
    QPointer<CPanexView> guarded(other);
    if (result.done) {
        if (guarded)
            guarded->RefreshPane(true, nullptr);
        Notice(PackTexts::kPacked.arg(result.items)
                   .arg(DisplayFromName(NameFromBytes(request.archivePath))),
               false);
        if (!result.skipped.isEmpty())
            MessageBoxText(PackTexts::kLeftOut.arg(result.skipped.join(QLatin1Char('\n'))),
                           PromptButtons::Ok, PromptIcon::Warning, pane->window());
    } else if (result.stopped) {
        Notice(PackTexts::kCancelled, false);
    } else {
        MessageBoxText(PackTexts::kFailed.arg(result.error), PromptButtons::Ok, PromptIcon::Warning,
                       pane->window());
    }
}

PackResult CPackTools::RunPack(const PackRequest& request, QWidget* parent) {
    QProgressDialog progress(
        PackTexts::kPacking.arg(DisplayFromName(
            NameFromBytes(request.archivePath.mid(request.archivePath.lastIndexOf('/') + 1)))),
        QStringLiteral("Cancel"), 0, 1000, parent);
    progress.setWindowTitle(PackTexts::kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);

    WorkerThread worker;
    QEventLoop loop;
    std::optional<PackResult> result;
    worker.Start([&request, &result, &loop, &progress](const JobControl& control) {
        PackResult done =
            PackArchive(request, *control.StopFlag(), [&control, &progress](const PackProgress& p) {
                const int value = Permille(p);
                control.Post([&progress, value] { progress.setValue(value); });
            });
        control.Post([&result, &loop, done] {
            result = done;
            loop.quit();
        });
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &progress,
                     [&worker] { worker.Stop(); });
    if (m_startedHook)
        m_startedHook([&worker] { worker.Stop(); });
    // Until the job ends the rest of the program takes no input (the dialog
    // shows only after a moment, and a key pressed before must not start a
    // second operation), and a quit waits; the dialog keeps its Cancel.
    {
        EscapePollScope polling(&progress);
        if (!result)
            loop.exec();
    }
    worker.Wait();
    progress.close();
    return result.value_or(PackResult{});
}

void CPackTools::Unpack() {
    CPanexView* pane = ActivePane();
    CPanexView* other = OtherPane();
    FolderItem* item = ArchiveItem();
    if (!item) {
        Notice(PackTexts::kNoArchive, true);
        return;
    }
    if (!IsFileSystemPane(other)) {
        Notice(PackTexts::kNoTarget, true);
        return;
    }
    FolderModel* model = pane->Model();
    std::unique_ptr<ShellFolder> archive =
        model->shellFolder ? model->shellFolder->BindToObject(item->id) : nullptr;
    if (!archive) {
        MessageBoxText(PackTexts::kFailed.arg(LastArchiveError()), PromptButtons::Ok,
                       PromptIcon::Warning, pane->window());
        return;
    }
    std::vector<IdList> ids;
    if (std::unique_ptr<EnumIdList> entries =
            archive->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN)) {
        IdList id;
        while (entries->Next(id) == EnumIdList::Result::Item) ids.push_back(std::move(id));
    }
    if (ids.empty()) {
        Notice(PackTexts::kNoArchive, true);
        return;
    }
    std::unique_ptr<ShellDataObject> data = archive->GetDataObject(ids);
    if (!data) {
        Notice(PackTexts::kNoArchive, true);
        return;
    }
    ExecuteTransfer(m_host, DROPEFFECT_COPY, data.get(), *other->Model(), true);
}
