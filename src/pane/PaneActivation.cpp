#include "pane/PaneActivation.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QCursor>
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
#include "platform/namespace/ShellNamespace.h"
#include "platform/places/NetworkFolder.h"
#include "platform/ui/CommandTarget.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/Notice.h"
#include "shell/PathHelpers.h"

namespace {

const QString kNothingSelected = QStringLiteral("No item is selected to act upon");
const QString kLaunched = QStringLiteral("Item launched in the background.");
const QString kLaunchFailed = QStringLiteral("The item could not be launched");
const QString kChooseOpenWith = QStringLiteral(": choose one with \"Open with\" in its menu");
const QString kNoPropertySheet = QStringLiteral("No property sheet for this selection");

// "lvsExtendedStyle": rows are selected by hovering over them.
constexpr int kExTrackSelect = 0x8;

// Two file-system paths lie on the same volume (the counterpart of the
// same drive letter).
bool SameVolume(const QString& a, const QString& b) {
    return VolumeRootOf(a) == VolumeRootOf(b);
}

}  // namespace

PaneActivation::PaneActivation(CPanexView& pane) : m_pane(pane) {
    PaneListCtrl* list = m_pane.List();
    connect(list, &PaneListCtrl::rowActivated, this, &PaneActivation::OnRowActivated);
    connect(list, &PaneListCtrl::contextMenuRequested, this,
            [this](const QPoint& globalPos, int) { ShowContextMenu(globalPos); });
}

PaneActivation::~PaneActivation() = default;

// -- Activation update -----------------------------------------------------------

void PaneActivation::ActivationUpdate(const QString& focusName) {
    PaneHost& host = m_pane.Host();
    const FolderModel* model = m_pane.Model();

    // The caption shows whether the pane is active.
    m_pane.UpdateCaption();
    m_pane.Caption()->update();

    // The address bar, the tree and the volume's folder follow the active pane.
    const bool fileSystem = model && model->IsFileSystem() && !model->path.isEmpty();
    if (host.IsActive(m_pane)) {
        host.AddressUpdate(m_pane, true);
        if (model && General().keepTreeInSync)
            host.LocateInTree(model->idList);
        // The window title.
        host.ActivationUpdate(m_pane);
        if (fileSystem)
            TheDriveFolders().SetFolder(model->path, true);
    } else if (fileSystem) {
        const CPanexView* active = host.ActivePane();
        const FolderModel* shown = active ? active->Model() : nullptr;
        if (!shown || !shown->IsFileSystem() || shown->path.isEmpty() ||
            !SameVolume(shown->path, model->path))
            TheDriveFolders().SetFolder(model->path, false);
    }

    // The free space first: a name to focus may end the update early.
    m_pane.ResetFreeSpaceUpdate();

    // A name to focus wins.
    if (!focusName.isEmpty() && m_pane.FocusByName(focusName, !m_pane.stickySelection()) >= 0)
        return;

    // Otherwise the active pane keeps its focused row visible.
    if (host.IsActive(m_pane) && QGuiApplication::mouseButtons() == Qt::NoButton) {
        PaneListCtrl* list = m_pane.List();
        const int focused = list->FocusedRow();
        if (focused >= 0)
            list->SetFocusedRow(focused, false, true);
        else if (list->RowCount() > 0)
            list->SetFocusedRow(0, false, true);
    }
}

// -- Launch ------------------------------------------------------------------------

bool PaneActivation::Launch(bool useFocused) {
    // The row to open: the first selected, or the focused one in a commander.
    PaneListCtrl* list = m_pane.List();
    const std::vector<int> selected = list->SelectedRows();
    int row = selected.empty() ? -1 : selected.front();
    // A commander opens the row under the cursor, whatever is marked.
    if (list->CommanderMode() && list->FocusedRow() >= 0)
        row = list->FocusedRow();
    if (row < 0 && useFocused)
        row = list->FocusedRow();
    FolderItem* item = row >= 0 ? list->ItemAt(row) : nullptr;
    if (!item) {
        Notice(kNothingSelected, true);
        return false;
    }

    // Its absolute id.
    IdList absolute = item->AbsoluteId(true);
    // The Network folder's first item is an action, not a place.
    if (IsConnectToServerItem(absolute)) {
        m_pane.Host().ExecuteCommand(ID_FILE_CONNECT_SERVER);
        return true;
    }
    if (item->IsFolderLike(true)) {
        if (absolute.IsNull())
            return false;
        return m_pane.CommandTargetPane()->OpenFolder(std::move(absolute));
    }
    if (absolute.IsNull())
        return false;

    // An entry of a self-describing folder (an archive) is unpacked to a
    // temporary copy first; a refusal ("too large") comes back as a notice.
    if (const FolderModel* model = m_pane.Model(); model && model->IsDescriptor()) {
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

    // The launch runs on its own thread; a failure found there is
    // told when it comes back.
    // A menu popped up later, while the user is already elsewhere, would
    // take the keyboard by surprise: the notice points at "Open with" in the
    // item's menu instead.
    const auto onFailure = [](const LaunchOutcome& outcome) {
        QString text = outcome.why.isEmpty() ? kLaunchFailed : outcome.why;
        if (outcome.noDefaultApplication)
            text += kChooseOpenWith;
        Notice(text, true);
    };
    if (!LaunchInBackground(std::move(absolute), onFailure)) {
        Notice(kLaunchFailed, true);
        return false;
    }
    Notice(kLaunched);
    return true;
}

bool PaneActivation::IsConnectToServerItem(const IdList& absolute) {
    if (absolute.IsNull() || absolute.IsEmpty())
        return false;
    const std::unique_ptr<ShellFolder> desktop = SHGetDesktopFolder();
    const std::optional<QString> parsing =
        desktop ? desktop->GetDisplayNameOf(absolute, SHGDN_FORPARSING) : std::nullopt;
    return parsing && *parsing == ConnectToServerParsingName();
}

void PaneActivation::OnRowActivated(int row, bool byClick) {
    (void)row;
    // The list reports each activation once (a double click is not followed
    // by a second activation notice), so no mark is needed against a
    // second launch.
    Launch(byClick);
}

// -- Sticky selection ------------------------------------------------------------------

void PaneActivation::ToggleStickySelection() {
    const CPanexView* active = m_pane.Host().ActivePane();
    const bool on = !(active ? active : &m_pane)->stickySelection();
    m_pane.SetStickySelection(on);
    if (CPanexView* other = m_pane.Host().OtherPane(m_pane))
        other->SetStickySelection(on);
}

// -- Properties ----------------------------------------------------------------------------

void PaneActivation::OnPropertiesCommand() {
    bool shown = false;
    const FolderModel* model = m_pane.Model();
    if (model && model->shellFolder) {
        std::vector<IdList> ids;
        for (FolderItem* item : m_pane.List()->OperandItems()) ids.push_back(item->id);
        if (!ids.empty()) {
            if (auto menu = model->shellFolder->GetContextMenu(ids)) {
                InvokeContext context;
                context.parent = &m_pane;
                shown = menu->InvokeVerb(kPropertiesVerb, context);
            }
        }
    }
    if (!shown)
        Notice(kNoPropertySheet, true);
}

// -- Posted commands ---------------------------------------------------------------------------

bool PaneActivation::RunPaneCommand(int id) {
    // Through the pane, so that a command of any part (and whatever a
    // subclass adds) runs as it would from a menu.
    CommandState state;
    if (m_pane.OnUpdateCommand(id, state) && !state.enabled)
        return false;
    if (m_pane.OnCommand(id))
        return true;
    return m_pane.Host().ExecuteCommand(id);
}

void PaneActivation::PostPaneCommand(int id) {
    QPointer<CPanexView> self(&m_pane);
    QMetaObject::invokeMethod(
        &m_pane,
        [self, id] {
            if (self)
                self->RunPaneCommand(id);
        },
        Qt::QueuedConnection);
}

// -- Commands ------------------------------------------------------------------------------------

bool PaneActivation::OnCommand(int id) {
    switch (id) {
        case ID_OPEN_ITEM:
            Launch(true);
            return true;
        case ID_FILE_PROPERTIES:
            OnPropertiesCommand();
            return true;
        case ID_MARK_STICKY:
            ToggleStickySelection();
            return true;
        case ID_TREE_LOCATE:
            if (const FolderModel* model = m_pane.Model())
                m_pane.Host().LocateInTree(model->idList);
            return true;
        default:
            return false;
    }
}

bool PaneActivation::OnUpdateCommand(int id, CommandState& state) {
    PaneListCtrl* list = m_pane.List();
    switch (id) {
        case ID_OPEN_ITEM:
            // Enabled with nothing to open too, so that the user hears why.
            state.Enable(true);
            return true;
        case ID_FILE_PROPERTIES:
            state.Enable(list->OperandCount() > 0);
            return true;
        case ID_MARK_STICKY:
            // Hover selection changes the selection without a click or key,
            // which sticky selection would fight.
            if (list->ExtendedStyle() & kExTrackSelect) {
                if (m_pane.stickySelection())
                    m_pane.SetStickySelection(false);
                state.Enable(false);
            }
            state.SetCheck(m_pane.stickySelection());
            return true;
        case ID_TREE_LOCATE:
            state.Enable(m_pane.Model() && m_pane.Host().TreeVisible());
            return true;
        default:
            return false;
    }
}

// -- Context menu ------------------------------------------------------------------------------

void PaneActivation::ShowContextMenu(const QPoint& globalPos) {
    PaneContextMenu menu(m_pane);
    if (!menu.Build())
        return;

    // Where the menu opens: at the pointer, or by the one selected row.
    PaneListCtrl* list = m_pane.List();
    QPoint at = globalPos;
    const bool keyboard = globalPos == QPoint(-1, -1);
    const std::vector<int> selected = list->SelectedRows();
    if (keyboard && selected.size() == 1) {
        const int row = selected.front();
        list->EnsureVisible(row);
        QAbstractItemView* view = list->ActiveView();
        const QRect rect = view->visualRect(list->Model()->index(row, 0));
        at = view->viewport()->mapToGlobal(rect.topLeft()) +
             QPoint(kKeyboardMenuOffsetX, kKeyboardMenuOffsetY);
    } else if (keyboard) {
        at = QCursor::pos();
    }

    menu.Run(ChooseContextMenuEntry(*menu.Menu(), at));
}
