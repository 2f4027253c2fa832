// The pane's navigation: typed text, the navigation list, the go-to
// commands, bookmarks, the filter toggle, link targets, mirrored navigation,
// the navigation keys of the list, and the status indicators.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include "pane/Bookmarks.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/MirrorBrowse.h"
#include "pane/PaneCaption.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "shell/Notice.h"
#include "shell/PathHelpers.h"
#include "shell/Pidl.h"
#include "shell/ResolveUserPath.h"
#include "shell/ShellContext.h"

namespace {

const QString kNoSense = QStringLiteral("The CPU cannot make any sense of the last input");
const QString kNoSpecialFolder = QStringLiteral("Where is that special folder then?");
const QString kBookmarkSet = QStringLiteral("Bookmark set ok.");
const QString kNoEarlierFilter = QStringLiteral("No visual filter has been defined earlier.");
const QString kLinkFailed = QStringLiteral("Error resolving shell link!");
const QString kSpecifyFilter =
    QStringLiteral("Specify the filter (e.g. '*.cpp') and press <Return>");

// The drive dialog's choice between a volume's root and its current folder.
const QString kDriveDialogSection = QStringLiteral("Select Drive Dialog");
const QString kGotoRootKey = QStringLiteral("bGotoRoot");

QString WithoutLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    return text.mid(i);
}

// The special folder of each go-to command.
int SpecialFolderOf(int id) {
    switch (id) {
        case ID_GOTO_NETWORK:
            return CSIDL_NETWORK;
        case ID_GOTO_DOCUMENTS:
            return CSIDL_PERSONAL;
        case ID_GOTO_CONTROL_PANEL:
            return CSIDL_CONTROLS;
        case ID_GOTO_PRINTERS:
            return CSIDL_PRINTERS;
        case ID_GOTO_RECYCLE_BIN:
            return CSIDL_BITBUCKET;
        case ID_GOTO_START_MENU:
            return CSIDL_STARTMENU;
        case ID_GOTO_STARTUP:
            return CSIDL_STARTUP;
        default:
            return -1;
    }
}

// The digit of a key pressed with Ctrl (and perhaps Shift): with Shift the
// key event carries the shifted symbol, which is taken back by the usual
// (US) layout's digit row. -1 for anything else.
int DigitOf(const QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    static const QString shifted = QStringLiteral(")!@#$%^&*(");
    const QString text = QKeySequence(key).toString();
    if (text.size() == 1) {
        const qsizetype digit = shifted.indexOf(text.at(0));
        if (digit >= 0)
            return int(digit);
    }
    return -1;
}

// Routes the key presses of the list's views to the pane before the list
// and the views handle them.
class NavigationKeyFilter : public QObject {
public:
    NavigationKeyFilter(CPanexView& pane) : QObject(&pane), m_pane(pane) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            return m_pane.HandleNavigationKey(static_cast<QKeyEvent*>(event));
        return QObject::eventFilter(watched, event);
    }

private:
    CPanexView& m_pane;
};

}  // namespace

// -- Set-up ----------------------------------------------------------------------

void CPanexView::SetUpNavigation() {
    auto* filter = new NavigationKeyFilter(*this);
    m_list->ListView()->installEventFilter(filter);
    m_list->TreeView()->installEventFilter(filter);
    m_caption->SetActiveQuery([this] { return m_host.IsActive(*this); });
    connect(m_caption, &PaneCaption::doubleClicked, this,
            [this] { RunOwnCommand(ID_GOTO_PARENT); });
}

CPanexView* CPanexView::CommandTargetPane() {
    CPanexView* active = m_host.ActivePane();
    if (!active)
        active = this;
    if (IsAltDown()) {
        if (CPanexView* other = m_host.OtherPane(*active))
            return other;
    }
    return active;
}

void CPanexView::RunOwnCommand(int id) {
    CommandState state;
    if (OnUpdateCommand(id, state) && !state.enabled)
        return;
    OnCommand(id);
}

// -- Navigation by text ------------------------------------------------------------

bool CPanexView::GoToText(const QString& text) {
    // Step 1.
    const QString typed = WithoutLeadingBlanks(text);
    if (typed.isEmpty())
        return false;

    // Steps 2 and 3.
    const ResolvedPath resolved = ResolveUserPath(typed);
    const bool hasList = !resolved.idList.IsNull();
    const bool accepted =
        hasList ? (!(resolved.flags & kResolveRelative) || !m_model || m_model->IsFileSystem())
                : !(resolved.flags & kResolveFailed);
    bool done = false;
    if (accepted) {
        // Steps 4 and 5.
        bool filtered = true;
        if (resolved.flags & kResolveFilter) {
            const bool bare = resolved.flags == (kResolveFilter | kResolveCurrent);
            if (hasList || (bare && m_model))
                filtered = SetFilter(PathNamePart(typed));
        }
        // Step 6.
        if (filtered) {
            if (hasList) {
                done = (resolved.flags & kResolveFile) ? GoToFile(resolved.idList)
                                                       : OpenFolder(resolved.idList);
            } else if (m_model) {
                ReapplyFilter();
                done = true;
            }
        }
    }

    // Step 7.
    if (!done) {
        m_navigation.DropFailed(typed);
        if (m_host.IsActive(*this))
            m_host.AddressUpdate(*this, false);
        if (!accepted)
            Notice(kNoSense, true);
    }
    return done;
}

bool CPanexView::GoToFile(const IdList& absolute) {
    if (absolute.IsNull() || absolute.IsEmpty())
        return false;
    if (!OpenFolder(PidlTrim(absolute, 1)))
        return false;
    const std::vector<FolderItem*> selected = m_list->SelectedItems();
    if (!selected.empty()) {
        const int row = m_list->RowOf(selected.front());
        if (row >= 0)
            m_list->SelectRow(row, false);
    }
    // The list's own functions are never refused by the sticky selection,
    // so nothing needs suspending here.
    if (FolderItem* item = m_model->FindById(PidlLast(absolute)))
        FocusItem(item, true);
    return true;
}

int CPanexView::FocusByName(const QString& name, bool select) {
    return m_model ? FocusItem(m_model->FindByName(name), select) : -1;
}

int CPanexView::FocusItem(FolderItem* item, bool select) {
    if (!item || item->listState != kListListed)
        return -1;
    const int row = m_list->RowOf(item);
    if (row >= 0)
        m_list->SetFocusedRow(row, select, true);
    return row;
}

// -- The navigation list and mirrored navigation -----------------------------------

QString CPanexView::NavigationLeave() {
    if (!m_model || !m_model->IsFileSystem())
        return QString();
    const int focused = m_list->FocusedRow();
    const FolderItem* item = focused >= 0 ? m_list->ItemAt(focused) : nullptr;
    m_navigation.Leave(item ? item->name : QString());
    return MirrorBrowsing() ? m_model->path : QString();
}

QString CPanexView::NavigationEnter() {
    QString name = m_navigation.Enter(m_model->path);
    // Going up lands on the folder just left even when the history does not
    // know the parent (it was entered by a typed path).
    if (name.isEmpty())
        name = m_parentFocusName;
    m_parentFocusName.clear();
    return name;
}

void CPanexView::FollowMirror(const QString& oldPath) {
    if (oldPath.isEmpty() || !MirrorBrowsing() || !m_model || !m_model->IsFileSystem() ||
        CommandTargetPane() != this)
        return;
    CPanexView* other = m_host.OtherPane(*this);
    FolderModel* otherModel = other ? other->Model() : nullptr;
    if (!otherModel || !otherModel->IsFileSystem()) {
        SetMirrorBrowsing(false);
        return;
    }
    const MirrorPlan plan = PlanMirror(oldPath, m_model->path, otherModel->path);
    bool followed = false;
    switch (plan.kind) {
        case MirrorPlan::kNothing:
            return;
        case MirrorPlan::kOpen: {
            IdList target = ParsePath(plan.path);
            followed = !target.IsNull() && other->OpenFolder(std::move(target));
            break;
        }
        case MirrorPlan::kUp: {
            IdList target = PidlTrim(otherModel->idList, plan.levels);
            followed = !target.IsNull() && other->OpenFolder(std::move(target));
            break;
        }
        case MirrorPlan::kFail:
            break;
    }
    if (!followed)
        SetMirrorBrowsing(false);
}

QString CPanexView::NavigationToolTip(int id) const {
    std::optional<QString> path;
    if (id == ID_GOTO_PREVIOUS)
        path = m_navigation.PreviousPath();
    else if (id == ID_GOTO_NEXT)
        path = m_navigation.NextPath();
    return path.value_or(QString());
}

// -- Go-to commands --------------------------------------------------------------

void CPanexView::GoToParent() {
    if (!m_model || m_model->idList.IsEmpty())
        return;
    IdList parent = PidlTrim(m_model->idList, 1);
    if (parent.IsNull())
        return;
    m_parentFocusName = m_model->IsFileSystem() ? PathNamePart(m_model->path) : QString();
    OpenFolder(std::move(parent));
    m_parentFocusName.clear();
}

void CPanexView::GoToSpecialFolder(int id) {
    CPanexView* target = CommandTargetPane();
    IdList folder = SHGetSpecialFolderLocation(SpecialFolderOf(id));
    // The network places may be known under either of the two numbers.
    if (folder.IsNull() && id == ID_GOTO_NETWORK)
        folder = SHGetSpecialFolderLocation(CSIDL_NETHOOD);
    if (folder.IsNull() || !target->OpenFolder(std::move(folder)))
        Notice(kNoSpecialFolder, true);
}

void CPanexView::OnBookmark(int slot) {
    CPanexView* target = CommandTargetPane();
    Bookmarks& bookmarks = TheBookmarks();
    if (IsShiftDown()) {
        const FolderModel* model = target->Model();
        if (model && model->IsFileSystem() && !model->path.isEmpty()) {
            bookmarks.Set(slot, model->path);
            Notice(kBookmarkSet);
        }
        return;
    }
    if (bookmarks.IsSet(slot))
        target->GoToText(bookmarks.At(slot));
}

void CPanexView::ToggleFilter() {
    CPanexView* target = CommandTargetPane();
    if (target->FilterText() != kNoFilter) {
        target->SetFilter(kNoFilter);
    } else if (!LastVisualFilter().isEmpty()) {
        if (!target->SetFilter(LastVisualFilter()))
            return;
    } else {
        Notice(kNoEarlierFilter);
        return;
    }
    target->ReapplyFilter();
}

void CPanexView::FindLinkTarget() {
    const int focused = m_list->FocusedRow();
    FolderItem* item = focused >= 0 ? m_list->ItemAt(focused) : nullptr;
    IdList target = item ? item->ResolveLink(false) : IdList();
    bool done = false;
    if (!target.IsNull()) {
        done = PidlIsFolder(target) == -1 ? OpenFolder(std::move(target)) : GoToFile(target);
    }
    if (!done)
        Notice(kLinkFailed, true);
}

bool CPanexView::GoToVolume(QChar letter) {
    if (!letter.isLetterOrNumber() || !EnsureShellContext())
        return false;
    ShellFolder* desktop = ContextDesktop();
    std::unique_ptr<ShellFolder> computer =
        desktop ? desktop->BindToObject(TheShellContext().drives) : nullptr;
    std::unique_ptr<EnumIdList> volumes =
        computer ? computer->EnumObjects(SHCONTF_FOLDERS) : nullptr;
    if (!volumes)
        return false;
    IdList item;
    while (volumes->Next(item) == EnumIdList::Result::Item) {
        const std::optional<QString> name = computer->GetDisplayNameOf(item, SHGDN_NORMAL);
        if (!name || !name->startsWith(letter, Qt::CaseInsensitive))
            continue;
        const std::optional<QString> mountPoint =
            computer->GetDisplayNameOf(item, SHGDN_FORPARSING);
        if (!mountPoint || mountPoint->isEmpty())
            continue;
        const bool toRoot = m_host.Store().GetProfileInt(kDriveDialogSection, kGotoRootKey, 0) != 0;
        const QString text =
            toRoot ? *mountPoint : TheDriveFolders().FolderOf(*mountPoint).value_or(*mountPoint);
        return CommandTargetPane()->GoToText(text);
    }
    return false;
}

void CPanexView::SwitchToOtherPane() {
    if (CPanexView* other = m_host.OtherPane(*this))
        other->setFocus(Qt::TabFocusReason);
}

void CPanexView::PostGoToIdList(CPanexView& pane, IdList absolute) {
    QCoreApplication::postEvent(&pane, new GoToIdListEvent(std::move(absolute)));
}

bool CPanexView::NavigationEvent(QEvent* e) {
    if (e->type() != GoToIdListEvent::kType)
        return false;
    auto* go = static_cast<GoToIdListEvent*>(e);
    if (!go->idList.IsNull())
        CommandTargetPane()->OpenFolder(std::move(go->idList));
    return true;
}

// -- Keys ------------------------------------------------------------------------

bool CPanexView::HandleNavigationKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;

    switch (key) {
        case Qt::Key_Backspace:
            if (alt)
                return false;
            RunOwnCommand(ctrl ? ID_GOTO_DESKTOP : shift ? ID_GOTO_ROOT : ID_GOTO_PARENT);
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (alt)
                return false;
            // Shift+Tab and Ctrl+Tab go to a bar of the frame when one is
            // shown; the key is used either way, so the focus never wanders
            // off into some other widget.
            if (key == Qt::Key_Backtab || shift || ctrl)
                m_host.FocusFrameBar(!ctrl);
            else
                SwitchToOtherPane();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (mods != Qt::NoModifier || m_list->ViewStyle() != ID_VIEW_DETAILS)
                return false;
            SwitchToOtherPane();
            return true;
        case Qt::Key_Delete:
            if (ctrl || alt || m_list->SelectedCount() == 0)
                return false;
            // Posted, as the command would come from a menu: the delete may
            // ask questions and must not run inside the view's key handling.
            QTimer::singleShot(0, this, [pane = QPointer<CPanexView>(this)] {
                if (pane)
                    pane->Host().ExecuteCommand(ID_FILE_DELETE);
            });
            return true;
        default:
            break;
    }

    if (!ctrl || alt)
        return false;
    const int digit = DigitOf(event);
    if (digit >= 0 && digit < Bookmarks::kCount) {
        RunOwnCommand(ID_BOOKMARK_FIRST + digit);
        return true;
    }
    if (digit >= 7 && digit <= 9) {
        m_host.ExecuteCommand(ID_LAYOUT_FIRST + digit - 7);
        return true;
    }
    if (shift && key >= Qt::Key_A && key <= Qt::Key_Z) {
        GoToVolume(QLatin1Char(char('a' + (key - Qt::Key_A))));
        return true;
    }
    return false;
}

// -- Status indicators -----------------------------------------------------------

int CPanexView::FreeSpaceInterval() const {
    // The first pane reads the interval for both.
    if (!IsFirstPane()) {
        if (const CPanexView* first = m_host.OtherPane(*this))
            return first->freeSpaceUpdateInterval();
    }
    return m_freeSpaceUpdateInterval;
}

std::optional<QString> CPanexView::SelectionIndicatorText() {
    return SelectionSummary(*this);
}

std::optional<QString> CPanexView::FreeSpaceIndicatorText() {
    const bool fileSystem = m_model && m_model->IsFileSystem();
    return m_freeSpace.Update(fileSystem ? m_model->path : QString(), FreeSpaceInterval());
}

// -- Commands --------------------------------------------------------------------

bool CPanexView::OnNavigationCommand(int id) {
    if (CommandTarget::InRange(id, ID_BOOKMARK_FIRST, ID_BOOKMARK_LAST)) {
        OnBookmark(id - ID_BOOKMARK_FIRST);
        return true;
    }
    if (SpecialFolderOf(id) >= 0) {
        GoToSpecialFolder(id);
        return true;
    }
    switch (id) {
        case ID_GOTO_PARENT:
            GoToParent();
            return true;
        case ID_GOTO_ROOT:
            if (m_model && m_model->IsPlainDirectory())
                GoToText(PathRootPart(m_model->path));
            return true;
        case ID_GOTO_DESKTOP:
            OpenFolder(IdList::Empty());
            return true;
        case ID_GOTO_PREVIOUS:
        case ID_GOTO_NEXT: {
            const std::optional<QString> path =
                id == ID_GOTO_PREVIOUS ? m_navigation.PreviousPath() : m_navigation.NextPath();
            if (path)
                GoToText(*path);
            return true;
        }
        case ID_FILE_USE_FILTER:
            ToggleFilter();
            return true;
        case ID_EDIT_FIND_TARGET:
            FindLinkTarget();
            return true;
        case ID_FILE_FILTERS:
            // The address bar, once it exists, takes the focus here as well.
            Notice(kSpecifyFilter);
            return true;
        case ID_MIRROR_BROWSING:
            SetMirrorBrowsing(!MirrorBrowsing());
            return true;
        default:
            return false;
    }
}

bool CPanexView::OnNavigationUpdate(int id, CommandState& state) {
    if (CommandTarget::InRange(id, ID_BOOKMARK_FIRST, ID_BOOKMARK_LAST)) {
        const int slot = id - ID_BOOKMARK_FIRST;
        state.SetText(TheBookmarks().MenuText(slot));
        // Setting a bookmark (Shift) must work while the slot is still unset.
        state.Enable(TheBookmarks().IsSet(slot) || IsShiftDown());
        return true;
    }
    if (SpecialFolderOf(id) >= 0) {
        state.Enable(true);
        return true;
    }
    const bool atDesktop = !m_model || m_model->idList.IsEmpty();
    switch (id) {
        case ID_GOTO_PARENT:
        case ID_GOTO_DESKTOP:
            state.Enable(!atDesktop);
            return true;
        case ID_GOTO_ROOT:
            state.Enable(m_model && m_model->IsPlainDirectory());
            return true;
        case ID_GOTO_PREVIOUS:
            state.Enable(m_navigation.PreviousPath().has_value());
            return true;
        case ID_GOTO_NEXT:
            state.Enable(m_navigation.NextPath().has_value());
            return true;
        case ID_FILE_USE_FILTER:
            state.SetCheck(m_filterText != kNoFilter);
            return true;
        case ID_EDIT_FIND_TARGET:
            state.Enable(m_list->FocusedRow() >= 0);
            return true;
        case ID_FILE_FILTERS:
            state.Enable(true);
            return true;
        case ID_MIRROR_BROWSING:
            state.Enable(m_model && m_model->IsFileSystem());
            state.SetCheck(MirrorBrowsing());
            return true;
        case ID_INDICATOR_SELECTION:
            if (const std::optional<QString> text = SelectionIndicatorText())
                state.SetText(*text);
            return true;
        case ID_INDICATOR_FREESPACE:
            if (const std::optional<QString> text = FreeSpaceIndicatorText())
                state.SetText(*text);
            return true;
        default:
            return false;
    }
}
