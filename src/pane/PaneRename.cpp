#include "pane/PaneRename.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/WaitCursor.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/Notice.h"

namespace {

const QString kNoVirtualRename = QStringLiteral("Rename is not supported for virtual folders");
const QString kRenaming = QStringLiteral("Renaming...");
const QString kRenameFailed = QStringLiteral("For one reason or other, the item can't be renamed");

// WM_RESTORE_ROW_TEXT: the row of `item` shows the item's texts again. The
// item is only compared with the rows, never read, unless it is listed.
class RestoreRowTextEvent : public QEvent {
public:
    explicit RestoreRowTextEvent(const FolderItem* which)
        : QEvent(QEvent::Type(WM_RESTORE_ROW_TEXT)), item(which) {}
    const FolderItem* item;
};

}  // namespace

PaneRename::PaneRename(CPanexView& pane) : m_pane(pane) {
    PaneListCtrl* list = m_pane.List();
    connect(list, &PaneListCtrl::labelEdited, this, [this](int row, const QString& text) {
        m_textCame = true;
        End(row, text);
    });
    connect(list, &PaneListCtrl::labelEditClosed, this, &PaneRename::OnEditorClosed);
}

PaneRename::~PaneRename() = default;

bool PaneRename::Begin() {
    FolderModel* model = m_pane.Model();
    if (m_renaming || !model)
        return false;
    PaneListCtrl* list = m_pane.List();
    int row = list->FocusedRow();
    if (row < 0) {
        const std::vector<int> selected = list->SelectedRows();
        if (selected.empty())
            return false;
        row = selected.front();
    }
    // Only file-system folders rename in place, and remote folders read
    // through GIO (their folder object renames on the server).
    if (!model->IsFileSystem() && !ReadsEntrySource(*model)) {
        Notice(kNoVirtualRename, true);
        return false;
    }
    // The watch is off before the editor opens, so that no refresh can
    // destroy the item being edited.
    model->SetWatchEnabled(false);
    m_renaming = true;
    m_textCame = false;
    m_pane.Host().SetLabelEditState(true);
    if (!list->EditLabel(row)) {
        Leave();
        return false;
    }
    return true;
}

bool PaneRename::End(int row, const QString& text) {
    PaneListCtrl* list = m_pane.List();
    FolderModel* model = m_pane.Model();
    FolderItem* item = list->ItemAt(row);
    if (!item || !model)
        return false;
    // A name too long for the file system is refused by it, rather
    // than cut short into a name the user did not type.
    const QString name = text.trimmed();
    if (name.isEmpty() || name == item->displayName)
        return false;
    // A remote folder read through GIO renames on the server, which is
    // waited for in an event loop: not inside the editor's own key press.
    if (ReadsEntrySource(*model)) {
        QTimer::singleShot(0, this, [this, id = item->id, name] {
            FolderModel* now = m_pane.Model();
            FolderItem* still = now ? now->FindById(id) : nullptr;
            const int at = still ? m_pane.List()->RowOf(still) : -1;
            if (at >= 0 && !Rename(at, still, name))
                QCoreApplication::postEvent(&m_pane, new RestoreRowTextEvent(still));
        });
        return true;
    }
    return Rename(row, item, name);
}

bool PaneRename::Rename(int row, FolderItem* item, const QString& name) {
    PaneListCtrl* list = m_pane.List();
    FolderModel* model = m_pane.Model();
    Notice(kRenaming);
    WaitCursor wait;
    const std::uint32_t mark = item->selectedMark;
    FolderItem* renamed = model->RenameItem(item, name);
    if (!renamed) {
        Notice(kRenameFailed, true);
        // Editing resumes once the editor that is closing now has gone.
        m_pane.PostPaneCommand(ID_FILE_RENAME);
        return false;
    }
    // The old item is gone: its row is pointed at the new one at once.
    list->ReplaceRowItem(row, renamed);
    renamed->selectedMark = mark;
    QCoreApplication::postEvent(&m_pane, new RestoreRowTextEvent(renamed));
    Notice(std::nullopt);
    return true;
}

void PaneRename::OnEditorClosed(int row) {
    // A cancelled edit puts the row's text back.
    if (!m_textCame) {
        if (FolderItem* item = m_pane.List()->ItemAt(row))
            QCoreApplication::postEvent(&m_pane, new RestoreRowTextEvent(item));
    }
    Leave();
}

void PaneRename::Leave() {
    if (!m_renaming)
        return;
    m_renaming = false;
    m_textCame = false;
    m_pane.Host().SetLabelEditState(false);
    if (FolderModel* model = m_pane.Model())
        model->SetWatchEnabled(true);
}

bool PaneRename::HandleEvent(QEvent* e) {
    if (e->type() != QEvent::Type(WM_RESTORE_ROW_TEXT))
        return false;
    const auto* restore = static_cast<RestoreRowTextEvent*>(e);
    // A refresh may have removed the item meanwhile; RowOf only compares.
    PaneListCtrl* list = m_pane.List();
    const int row = list->RowOf(restore->item);
    if (row >= 0)
        list->UpdateRow(list->ItemAt(row));
    return true;
}

bool PaneRename::OnCommand(int id) {
    if (id != ID_FILE_RENAME)
        return false;
    Begin();
    return true;
}

bool PaneRename::OnUpdateCommand(int id, CommandState& state) {
    if (id != ID_FILE_RENAME)
        return false;
    const FolderModel* model = m_pane.Model();
    state.Enable(model && (model->IsFileSystem() || ReadsEntrySource(*model)) &&
                 m_pane.List()->OperandCount() > 0 && !m_renaming);
    return true;
}
