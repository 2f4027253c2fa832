// Rename in place: the label editor of the pane's list, the rename through
// the folder model, and the row text put back afterwards.

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
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

bool CPanexView::BeginRename() {
    if (m_renaming || !m_model)
        return false;
    int row = m_list->FocusedRow();
    if (row < 0) {
        const std::vector<int> selected = m_list->SelectedRows();
        if (selected.empty())
            return false;
        row = selected.front();
    }
    // Step 1.
    if (!m_model->IsFileSystem()) {
        Notice(kNoVirtualRename, true);
        return false;
    }
    // The watch is off before the editor opens, so that no refresh can
    // destroy the item being edited.
    m_model->SetWatchEnabled(false);
    m_renaming = true;
    m_renameTextCame = false;
    m_host.SetLabelEditState(true);
    if (!m_list->EditLabel(row)) {
        LeaveLabelEdit();
        return false;
    }
    return true;
}

bool CPanexView::EndRename(int row, const QString& text) {
    FolderItem* item = m_list->ItemAt(row);
    if (!item || !m_model)
        return false;
    // Step 2. A name too long for the file system is refused by it, rather
    // than cut short into a name the user did not type.
    const QString name = text.trimmed();
    if (name.isEmpty() || name == item->displayName)
        return false;

    Notice(kRenaming);
    WaitCursor wait;
    const std::uint32_t mark = item->selectedMark;
    FolderItem* renamed = m_model->RenameItem(item, name);
    if (!renamed) {
        Notice(kRenameFailed, true);
        // Editing resumes once the editor that is closing now has gone.
        PostPaneCommand(ID_FILE_RENAME);
        return false;
    }
    // The old item is gone: its row is pointed at the new one at once.
    m_list->ReplaceRowItem(row, renamed);
    renamed->selectedMark = mark;
    QCoreApplication::postEvent(this, new RestoreRowTextEvent(renamed));
    Notice(std::nullopt);
    return true;
}

void CPanexView::OnLabelEditClosed(int row) {
    // Step 3: a cancelled edit puts the row's text back.
    if (!m_renameTextCame) {
        if (FolderItem* item = m_list->ItemAt(row))
            QCoreApplication::postEvent(this, new RestoreRowTextEvent(item));
    }
    // Step 4.
    LeaveLabelEdit();
}

void CPanexView::LeaveLabelEdit() {
    if (!m_renaming)
        return;
    m_renaming = false;
    m_renameTextCame = false;
    m_host.SetLabelEditState(false);
    if (m_model)
        m_model->SetWatchEnabled(true);
}

bool CPanexView::ActivationEvent(QEvent* e) {
    if (e->type() != QEvent::Type(WM_RESTORE_ROW_TEXT))
        return false;
    const auto* restore = static_cast<RestoreRowTextEvent*>(e);
    // A refresh may have removed the item meanwhile; RowOf only compares.
    const int row = m_list->RowOf(restore->item);
    if (row >= 0)
        m_list->UpdateRow(m_list->ItemAt(row));
    return true;
}
