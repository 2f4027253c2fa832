// The pane's activation update, item launch, sticky selection command and
// the commands of this group (open, rename, properties, locate in tree).

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneCaption.h"
#include "pane/PaneContextMenu.h"
#include "pane/PaneHost.h"
#include "pane/PaneLaunch.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneVerbs.h"
#include "platform/fs/Volumes.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/PathHelpers.h"

namespace {

const QString kNothingSelected = QStringLiteral("No item is selected to act upon");
const QString kLaunched = QStringLiteral("Item launched in the background.");
const QString kLaunchFailed = QStringLiteral("The item could not be launched");
const QString kNoPropertySheet = QStringLiteral("No property sheet for this selection");

// "lvsExtendedStyle": rows are selected by hovering over them.
constexpr int kExTrackSelect = 0x8;

// Two file-system paths lie on the same volume (the counterpart of the
// same drive letter).
bool SameVolume(const QString& a, const QString& b) {
    return VolumeRootOf(a) == VolumeRootOf(b);
}

}  // namespace

void CPanexView::SetUpActivation() {
    connect(m_list, &PaneListCtrl::rowActivated, this, &CPanexView::OnRowActivated);
    connect(m_list, &PaneListCtrl::labelEdited, this, [this](int row, const QString& text) {
        m_renameTextCame = true;
        EndRename(row, text);
    });
    connect(m_list, &PaneListCtrl::labelEditClosed, this, &CPanexView::OnLabelEditClosed);
    connect(m_list, &PaneListCtrl::contextMenuRequested, this,
            [this](const QPoint& globalPos, int) { ShowContextMenu(globalPos); });
}

// -- Activation update -----------------------------------------------------------

void CPanexView::ActivationUpdate(const QString& focusName) {
    // Step 1.
    UpdateCaption();
    m_caption->update();

    // Steps 2 and 3.
    const bool fileSystem = m_model && m_model->IsFileSystem() && !m_model->path.isEmpty();
    if (m_host.IsActive(*this)) {
        m_host.AddressUpdate(*this, true);
        if (m_model && General().keepTreeInSync)
            m_host.LocateInTree(m_model->idList);
        // The window title.
        m_host.ActivationUpdate(*this);
        if (fileSystem)
            TheDriveFolders().SetFolder(m_model->path, true);
    } else if (fileSystem) {
        const CPanexView* active = m_host.ActivePane();
        const FolderModel* shown = active ? active->Model() : nullptr;
        if (!shown || !shown->IsFileSystem() || shown->path.isEmpty() ||
            !SameVolume(shown->path, m_model->path))
            TheDriveFolders().SetFolder(m_model->path, false);
    }

    // Step 6 goes before step 4, which may end the update early.
    ResetFreeSpaceUpdate();

    // Step 4.
    if (!focusName.isEmpty() && FocusByName(focusName, !stickySelection()) >= 0)
        return;

    // Step 5.
    if (m_host.IsActive(*this) && QGuiApplication::mouseButtons() == Qt::NoButton) {
        const int focused = m_list->FocusedRow();
        if (focused >= 0)
            m_list->SetFocusedRow(focused, false, true);
        else if (m_list->RowCount() > 0)
            m_list->SetFocusedRow(0, false, true);
    }
}

// -- Launch ------------------------------------------------------------------------

bool CPanexView::Launch(bool useFocused) {
    // Step 1.
    const std::vector<int> selected = m_list->SelectedRows();
    int row = selected.empty() ? -1 : selected.front();
    if (row < 0 && useFocused)
        row = m_list->FocusedRow();
    FolderItem* item = row >= 0 ? m_list->ItemAt(row) : nullptr;
    if (!item) {
        Notice(kNothingSelected, true);
        return false;
    }

    // Step 2.
    IdList absolute = item->AbsoluteId(true);
    if (item->IsFolderLike(true)) {
        if (absolute.IsNull())
            return false;
        return CommandTargetPane()->OpenFolder(std::move(absolute));
    }
    if (absolute.IsNull())
        return false;

    // An entry of a self-describing folder (an archive) is unpacked to a
    // temporary copy first; a refusal ("too large") comes back as a notice.
    if (m_model && m_model->IsDescriptor()) {
        const bool started = OpenEntryInBackground(std::move(absolute), [](const QString& why) {
            Notice(why.isEmpty() ? kLaunchFailed : why, true);
        });
        if (!started) {
            Notice(kLaunchFailed, true);
            return false;
        }
        Notice(kLaunched);
        return true;
    }

    // Step 3.
    if (!LaunchInBackground(std::move(absolute))) {
        Notice(kLaunchFailed, true);
        return false;
    }
    Notice(kLaunched);
    return true;
}

void CPanexView::OnRowActivated(int row, bool byClick) {
    (void)row;
    // The list reports each activation once (a double click is not followed
    // by a second activation notice), so no mark is needed against a
    // second launch.
    Launch(byClick);
}

// -- Sticky selection ------------------------------------------------------------------

void CPanexView::ToggleStickySelection() {
    const CPanexView* active = m_host.ActivePane();
    const bool on = !(active ? active : this)->stickySelection();
    SetStickySelection(on);
    if (CPanexView* other = m_host.OtherPane(*this))
        other->SetStickySelection(on);
}

// -- Properties ----------------------------------------------------------------------------

void CPanexView::OnPropertiesCommand() {
    bool shown = false;
    if (m_model && m_model->shellFolder) {
        std::vector<IdList> ids;
        for (FolderItem* item : m_list->SelectedItems()) ids.push_back(item->id);
        if (!ids.empty()) {
            if (auto menu = m_model->shellFolder->GetContextMenu(ids)) {
                InvokeContext context;
                context.parent = this;
                shown = menu->InvokeVerb(kPropertiesVerb, context);
            }
        }
    }
    if (!shown)
        Notice(kNoPropertySheet, true);
}

// -- Posted commands ---------------------------------------------------------------------------

bool CPanexView::RunPaneCommand(int id) {
    CommandState state;
    if (OnUpdateCommand(id, state) && !state.enabled)
        return false;
    if (OnCommand(id))
        return true;
    return m_host.ExecuteCommand(id);
}

void CPanexView::PostPaneCommand(int id) {
    QPointer<CPanexView> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, id] {
            if (self)
                self->RunPaneCommand(id);
        },
        Qt::QueuedConnection);
}

// -- Commands ------------------------------------------------------------------------------------

bool CPanexView::OnActivationCommand(int id) {
    switch (id) {
        case ID_OPEN_ITEM:
            Launch(true);
            return true;
        case ID_FILE_RENAME:
            BeginRename();
            return true;
        case ID_FILE_PROPERTIES:
            OnPropertiesCommand();
            return true;
        case ID_MARK_STICKY:
            ToggleStickySelection();
            return true;
        case ID_TREE_LOCATE:
            if (m_model)
                m_host.LocateInTree(m_model->idList);
            return true;
        default:
            return false;
    }
}

bool CPanexView::OnActivationUpdate(int id, CommandState& state) {
    switch (id) {
        case ID_OPEN_ITEM:
            // Enabled with nothing to open too, so that the user hears why.
            state.Enable(true);
            return true;
        case ID_FILE_RENAME:
            state.Enable(m_model && m_model->IsFileSystem() && m_list->SelectedCount() > 0 &&
                         !m_renaming);
            return true;
        case ID_FILE_PROPERTIES:
            state.Enable(m_list->SelectedCount() > 0);
            return true;
        case ID_MARK_STICKY:
            // Hover selection changes the selection without a click or key,
            // which sticky selection would fight.
            if (m_list->ExtendedStyle() & kExTrackSelect) {
                if (stickySelection())
                    SetStickySelection(false);
                state.Enable(false);
            }
            state.SetCheck(stickySelection());
            return true;
        case ID_TREE_LOCATE:
            state.Enable(m_model && m_host.TreeVisible());
            return true;
        default:
            return false;
    }
}
