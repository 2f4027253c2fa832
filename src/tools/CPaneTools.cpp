#include "tools/CPaneTools.h"

#include <QClipboard>
#include <QDateTime>
#include <QDialog>
#include <QGuiApplication>
#include <QPointer>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "platform/ui/Prompter.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/Notice.h"
#include "shell/NotifyShell.h"
#include "tools/BatchDialogs.h"
#include "tools/BatchScript.h"
#include "tools/DirListing.h"
#include "tools/MultiRenameDialog.h"
#include "tools/PaneCompare.h"
#include "tools/PaneSelection.h"
#include "tools/SelectPatternDialog.h"
#include "tools/SyncWindow.h"
#include "tools/TextScan.h"
#include "tools/ToolFiles.h"

namespace {

bool g_syncScrolling = false;
bool g_syncByContent = false;  // "bSyncByContent"

void LoadSyncSettings(const ProfileStore& store) {
    g_syncByContent = store.GetProfileInt(kSyncSettingsSection, kSyncByContentKey, 0) != 0;
}

void SaveSyncSettings(ProfileStore& store) {
    store.WriteProfileInt(kSyncSettingsSection, kSyncByContentKey, g_syncByContent ? 1 : 0);
}

bool HasSelection(const CPanexView* pane) {
    return pane && pane->List()->OperandCount() > 0;
}

bool IsFileSystemPane(const CPanexView* pane) {
    return pane && pane->Model() && pane->Model()->IsFileSystem();
}

bool IsFileSystemOrArchive(const CPanexView* pane) {
    return pane && pane->Model() &&
           (pane->Model()->IsFileSystem() || pane->Model()->IsDescriptor());
}

}  // namespace

CPaneTools::CPaneTools(PaneHost& host)
    : m_host(host),
      m_scriptRunner([this](const QString& script, const QString& folder) {
          return RunScriptInTerminal(script, folder,
                                     m_consolePreamble ? m_consolePreamble() : QString());
      }),
      m_context(std::make_unique<QObject>()) {}

CPaneTools::~CPaneTools() = default;

bool CPaneTools::SyncScrolling() {
    return g_syncScrolling;
}

void CPaneTools::AttachPanes(CPanexView& first, CPanexView& second) {
    AttachPane(first);
    AttachPane(second);
}

void CPaneTools::AttachPane(CPanexView& pane) {
    QPointer<CPanexView> guarded(&pane);
    QObject::connect(pane.List(), &PaneListCtrl::focusChanged, m_context.get(),
                     [this, guarded](int) {
                         if (guarded)
                             OnFocusChanged(*guarded);
                     });
}

void CPaneTools::OnFocusChanged(CPanexView& pane) {
    if (!g_syncScrolling || !m_host.IsActive(pane))
        return;
    if (CPanexView* other = m_host.OtherPane(pane); other && other->Model())
        FollowScroll(pane, *other, m_sideBySide ? m_sideBySide() : true);
}

CPanexView* CPaneTools::ActivePane() const {
    CPanexView* pane = m_host.ActivePane();
    return pane && pane->Model() ? pane : nullptr;
}

CPanexView* CPaneTools::OtherPane() const {
    CPanexView* pane = m_host.ActivePane();
    CPanexView* other = pane ? m_host.OtherPane(*pane) : nullptr;
    return other && other->Model() ? other : nullptr;
}

bool CPaneTools::RunDialog(QDialog& dialog) {
    if (m_dialogRunner)
        return m_dialogRunner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

void CPaneTools::EnsureLoaded(Settings which) {
    bool& loaded = m_loaded[int(which)];
    if (loaded)
        return;
    loaded = true;
    const ProfileStore& store = m_host.Store();
    std::function<void(ProfileStore&)> saver;
    switch (which) {
        case Settings::SelectionPatternHistory:
            LoadSelectionPatternHistory(store);
            saver = SaveSelectionPatternHistory;
            break;
        case Settings::Grep:
            LoadGrepSettings(store);
            saver = SaveGrepSettings;
            break;
        case Settings::BatchTemplateHistory:
            LoadBatchTemplateHistory(store);
            saver = SaveBatchTemplateHistory;
            break;
        case Settings::Synchronize:
            LoadSyncSettings(store);
            saver = SaveSyncSettings;
            break;
    }
    if (m_registrar)
        m_registrar(which, std::move(saver));
}

// -- Commands ------------------------------------------------------------------------

bool CPaneTools::OnCommand(int id) {
    CPanexView* pane = ActivePane();
    switch (id) {
        case ID_MARK_SELECT_GROUP:
        case ID_MARK_UNSELECT_GROUP:
            SelectGroup(id == ID_MARK_SELECT_GROUP);
            return true;
        case ID_SELECT_SAME_EXT:
        case ID_UNSELECT_SAME_EXT:
            if (pane) {
                EnsureLoaded(Settings::SelectionPatternHistory);
                SelectSameExtension(*pane, id == ID_SELECT_SAME_EXT);
            }
            return true;
        case ID_MARK_SELECT_ALL:
            if (pane)
                SelectAllItems(*pane);
            return true;
        case ID_MARK_UNSELECT_ALL:
            if (pane)
                UnselectAllItems(*pane);
            return true;
        case ID_MARK_INVERT:
            if (pane)
                InvertSelection(*pane);
            return true;
        case ID_SELECT_FOLDERS:
        case ID_UNSELECT_FOLDERS:
            if (pane)
                SelectFolderItems(*pane, id == ID_SELECT_FOLDERS);
            return true;
        case ID_SELECTION_STORE:
            if (pane)
                StoreSelection(*pane);
            return true;
        case ID_SELECTION_SELECT:
        case ID_SELECTION_UNSELECT:
            if (pane)
                ApplyStoredSelection(*pane, id == ID_SELECTION_SELECT);
            return true;
        case ID_MARK_SYNC_PANES:
        case ID_MARK_LOCATE_IDENTICAL:
            SynchronizePanes(id == ID_MARK_SYNC_PANES);
            return true;
        case ID_MARK_SYNC_CONTENT:
            if (CPanexView* other = OtherPane(); pane && other)
                SyncOnContent(*pane, *other);
            return true;
        case ID_SYNC_SCROLLING:
            g_syncScrolling = !g_syncScrolling;
            Notice(CompareTexts::kSyncScrolling.arg(g_syncScrolling ? QStringLiteral("ON")
                                                                    : QStringLiteral("OFF")),
                   true);
            return true;
        case ID_SCROLL_TO_TOP:
            if (pane)
                ScrollFocusedToTop(*pane);
            return true;
        case ID_MARK_CONTAINING_TEXT:
            ContainingText();
            return true;
        case ID_MARK_GENERATE_BATCH:
            GenerateBatch();
            return true;
        case ID_MARK_PRINT_SELECTION:
            PrintSelection();
            return true;
        case ID_EDIT_COPY_NAMES:
            CopyNames(IsShiftDown());
            return true;
        case ID_FILE_MULTI_RENAME:
            MultiRename();
            return true;
        case ID_MARK_SYNC_FOLDERS:
            SynchronizeFolders();
            return true;
        default:
            return CommandTarget::OnCommand(id);
    }
}

bool CPaneTools::OnUpdateCommand(int id, CommandState& state) {
    CPanexView* pane = ActivePane();
    const bool lists = pane && pane->List()->RowCount() > 0;
    switch (id) {
        case ID_MARK_SELECT_GROUP:
        case ID_MARK_SELECT_ALL:
        case ID_MARK_INVERT:
        case ID_SELECT_FOLDERS:
        case ID_UNSELECT_FOLDERS:
            state.Enable(lists);
            return true;
        case ID_MARK_UNSELECT_GROUP:
        case ID_SELECT_SAME_EXT:
        case ID_UNSELECT_SAME_EXT:
        case ID_MARK_UNSELECT_ALL:
        case ID_SELECTION_STORE:
        case ID_MARK_PRINT_SELECTION:
            state.Enable(HasSelection(pane));
            return true;
        case ID_SELECTION_SELECT:
        case ID_SELECTION_UNSELECT:
            state.Enable(pane && !SelectionClipboard().isEmpty());
            return true;
        case ID_MARK_SYNC_PANES:
        case ID_MARK_LOCATE_IDENTICAL: {
            CPanexView* other = OtherPane();
            state.Enable(pane && other && PanesShowDifferentFolders(*pane, *other));
            return true;
        }
        case ID_MARK_SYNC_CONTENT:
        case ID_MARK_CONTAINING_TEXT:
            state.Enable(IsFileSystemOrArchive(pane));
            return true;
        case ID_SYNC_SCROLLING:
            state.Enable(true);
            state.SetCheck(g_syncScrolling);
            return true;
        case ID_SCROLL_TO_TOP:
            state.Enable(pane && pane->List()->ViewStyle() == ID_VIEW_DETAILS);
            return true;
        case ID_MARK_GENERATE_BATCH:
        case ID_EDIT_COPY_NAMES:
        case ID_FILE_MULTI_RENAME:
            state.Enable(HasSelection(pane) && IsFileSystemPane(pane));
            return true;
        case ID_MARK_SYNC_FOLDERS: {
            CPanexView* other = OtherPane();
            state.Enable(IsFileSystemPane(pane) && IsFileSystemPane(other) &&
                         PanesShowDifferentFolders(*pane, *other));
            return true;
        }
        default:
            return CommandTarget::OnUpdateCommand(id, state);
    }
}

void CPaneTools::SelectGroup(bool select) {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    EnsureLoaded(Settings::SelectionPatternHistory);
    if (!IsCtrlDown()) {
        SelectPatternDialog dialog(select, HasSelection(pane), pane->window());
        if (!RunDialog(dialog))
            return;
    }
    ApplySelectionPattern(*pane, select);
}

void CPaneTools::SynchronizePanes(bool differing) {
    CPanexView* pane = ActivePane();
    CPanexView* other = OtherPane();
    if (!pane || !other)
        return;
    const bool activeFirst = m_host.IsFirstPane(*pane);
    ::SynchronizePanes(activeFirst ? *pane : *other, activeFirst ? *other : *pane, differing);
}

void CPaneTools::ContainingText() {
    CPanexView* pane = ActivePane();
    if (!IsFileSystemOrArchive(pane))
        return;
    EnsureLoaded(Settings::Grep);
    FindInFilesDialog dialog(pane->Model()->title, pane->window());
    if (!RunDialog(dialog))
        return;
    ScanPaneForText(*pane, dialog.FindText(), dialog.FileTypes(), GrepOptions());
}

void CPaneTools::GenerateBatch() {
    CPanexView* pane = ActivePane();
    CPanexView* other = OtherPane();
    if (!HasSelection(pane) || !IsFileSystemPane(pane))
        return;
    EnsureLoaded(Settings::BatchTemplateHistory);
    BatchTemplateDialog templateDialog(pane->window());
    if (!RunDialog(templateDialog))
        return;
    const QStringList entries = ParseBatchTemplate(templateDialog.Template());
    if (entries.isEmpty()) {
        Notice(BatchTexts::kInvalidTemplate, true);
        return;
    }
    const QString folder = pane->Model()->path;
    const QString otherFolder = other ? other->Model()->path : QString();
    const bool activeFirst = m_host.IsFirstPane(*pane);
    const BatchPaths paths{activeFirst ? folder : otherFolder, activeFirst ? otherFolder : folder,
                           otherFolder};
    std::vector<BatchItem> items;
    for (const FolderItem* item : pane->List()->OperandItems())
        items.push_back({item->name, folder});
    const QString script = GenerateBatchScript(entries, items, paths);
    // A cut script could run half a job; a longer one is not offered.
    if (script.size() > kBatchScriptLimit) {
        Notice(BatchTexts::kTooLong, true);
        return;
    }
    const ScriptRunner runner = m_scriptRunner;
    BatchScriptDialog scriptDialog(
        script, templateDialog.Template(), m_batchPath ? m_batchPath() : QString(),
        [runner, folder](const QString& path) { return runner && runner(path, folder); },
        pane->window());
    RunDialog(scriptDialog);
}

void CPaneTools::PrintSelection() {
    CPanexView* pane = ActivePane();
    if (!pane)
        return;
    QString format = General().dirPrintFormat;
    if (!IsValidListingFormat(format)) {
        Notice(ListingTexts::kFormatRefused, true);
        format = ListingTexts::kDefaultFormat;
    }
    const QString text =
        BuildListing(pane->Model()->path, General().fileDateUsed, SelectionListingRows(*pane),
                     format, General().plainBytesFormat);
    const QString path = m_listingPath ? m_listingPath() : QString();
    PrintListingFile(path, text, m_opener);
}

void CPaneTools::CopyNames(bool shellQuoted) {
    CPanexView* pane = ActivePane();
    if (!HasSelection(pane)) {
        Beep();
        return;
    }
    QStringList paths;
    for (FolderItem* item : pane->List()->OperandItems()) {
        const QString path = item->ItemPath();
        if (!path.isEmpty())
            paths.append(path);
    }
    QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::clipboard()
                                : nullptr;
    if (!clipboard || paths.isEmpty()) {
        Beep();
        return;
    }
    clipboard->setText(JoinNames(paths, shellQuoted));
    Notice(ListingTexts::kNamesCopied, false);
}

void CPaneTools::MultiRename() {
    CPanexView* pane = ActivePane();
    if (!HasSelection(pane) || !IsFileSystemPane(pane))
        return;
    std::vector<RenameSource> items;
    for (const FolderItem* item : pane->List()->OperandItems()) {
        const FileTime modified = item->times[kTimeModified];
        items.push_back({item->name, modified ? QDateTime::fromMSecsSinceEpoch(
                                                    FileTimeToUnixMilliseconds(modified))
                                              : QDateTime()});
    }
    MultiRenameDialog dialog(pane->Model()->path, std::move(items), pane->window());
    QPointer<CPanexView> guarded(pane);
    dialog.SetChangedCallback([guarded] {
        if (guarded)
            guarded->RefreshPane(false, nullptr);
    });
    RunDialog(dialog);
}

void CPaneTools::SynchronizeFolders() {
    CPanexView* pane = ActivePane();
    CPanexView* other = OtherPane();
    if (!IsFileSystemPane(pane) || !IsFileSystemPane(other) ||
        !PanesShowDifferentFolders(*pane, *other))
        return;
    EnsureLoaded(Settings::Synchronize);
    const bool activeFirst = m_host.IsFirstPane(*pane);
    CPanexView* left = activeFirst ? pane : other;
    CPanexView* right = activeFirst ? other : pane;
    SyncWindow window(left->Model()->path, right->Model()->path, g_syncByContent, pane->window());
    window.SetByContentChanged([](bool on) { g_syncByContent = on; });
    QPointer<CPanexView> guardedLeft(left);
    QPointer<CPanexView> guardedRight(right);
    window.SetChangedCallback([guardedLeft, guardedRight] {
        for (CPanexView* view : {guardedLeft.data(), guardedRight.data()}) {
            if (view)
                view->RefreshPane(false, nullptr);
        }
    });
    RunDialog(window);
}
