#include "pane/PaneNavigation.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

#include "pane/Bookmarks.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/MirrorBrowse.h"
#include "pane/PaneCaption.h"
#include "pane/PaneHost.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/remote/RemoteMounts.h"
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
const QString kNoFreeBookmark =
    QStringLiteral("Every bookmark is set; Ctrl+Shift+digit sets one anew");
const QString kNoEarlierFilter = QStringLiteral("No visual filter has been defined earlier.");
const QString kLinkFailed = QStringLiteral("Error resolving link!");
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
        case ID_GOTO_HOME:
            return CSIDL_PROFILE;
        case ID_GOTO_COMPUTER:
            return CSIDL_DRIVES;
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

}  // namespace

// -- Set-up ----------------------------------------------------------------------

PaneNavigation::PaneNavigation(CPanexView& pane) : m_pane(pane) {
    PaneCaption* caption = m_pane.Caption();
    caption->SetActiveQuery([this] { return m_pane.Host().IsActive(m_pane); });
    connect(caption, &PaneCaption::doubleClicked, this, [this] { RunOwnCommand(ID_GOTO_PARENT); });
}

PaneNavigation::~PaneNavigation() = default;

CPanexView* PaneNavigation::CommandTargetPane() {
    CPanexView* active = m_pane.Host().ActivePane();
    if (!active)
        active = &m_pane;
    if (IsAltDown()) {
        // Alt never reaches past the window's edge into a hidden pane.
        CPanexView* other = m_pane.Host().OtherPane(*active);
        if (other && !m_pane.Host().IsPaneHidden(*other))
            return other;
    }
    return active;
}

void PaneNavigation::RunOwnCommand(int id) {
    // Through the pane, so that the pane's own handling of the command (and
    // whatever a subclass adds to it) runs as it would for a menu.
    CommandState state;
    if (m_pane.OnUpdateCommand(id, state) && !state.enabled)
        return;
    m_pane.OnCommand(id);
}

// -- Navigation by text ------------------------------------------------------------

bool PaneNavigation::GoToText(const QString& text) {
    // Leading blanks off; a mount's address is mounted first.
    const QString typed = WithoutLeadingBlanks(text);
    if (typed.isEmpty())
        return false;
    if (MountFirst(typed))
        return true;

    // Resolve the text; a relative path needs a file-system folder.
    const FolderModel* model = m_pane.Model();
    const ResolvedPath resolved = ResolveUserPath(typed);
    const bool hasList = !resolved.idList.IsNull();
    const bool accepted =
        hasList ? (!(resolved.flags & kResolveRelative) || !model || model->IsFileSystem())
                : !(resolved.flags & kResolveFailed);
    bool done = false;
    if (accepted) {
        // A wildcard sets the filter first.
        bool filtered = true;
        if (resolved.flags & kResolveFilter) {
            const bool bare = resolved.flags == (kResolveFilter | kResolveCurrent);
            if (hasList || (bare && model))
                filtered = m_pane.SetFilter(PathNamePart(typed));
        }
        // Then the folder, or the file's folder, opens.
        if (filtered) {
            if (hasList) {
                done = (resolved.flags & kResolveFile) ? GoToFile(resolved.idList)
                                                       : m_pane.OpenFolder(resolved.idList);
            } else if (model) {
                m_pane.ReapplyFilter();
                done = true;
            }
        }
    }

    // A failure leaves the history, puts the box back and says why.
    if (!done) {
        m_history.DropFailed(typed);
        if (m_pane.Host().IsActive(m_pane))
            m_pane.Host().AddressUpdate(m_pane, false);
        if (!accepted)
            Notice(kNoSense, true);
    }
    return done;
}

bool PaneNavigation::MountFirst(const QString& typed) {
    if (!IsRemoteUri(typed))
        return false;
    const QString uri = typed.trimmed();
    if (!ParseRemoteUri(uri))
        return false;  // ResolveUserPath refuses it, with the usual notice
    RemoteMounts& mounts = RemoteMounts::Instance();
    if (mounts.Map().RootOfUri(uri))
        return false;  // mounted: opened by its local path, else by its URI
    QPointer<CPanexView> pane = &m_pane;
    mounts.Mount(uri, &m_pane, [pane, uri](const RemoteMountResult& result) {
        if (!pane || result.cancelled)
            return;  // Cancel leaves the pane where it was
        if (!result.ok) {
            Notice(QCoreApplication::translate("PaneNavigation", "Cannot connect to %1: %2")
                       .arg(uri, result.error),
                   true);
        } else if (!RemoteMounts::Instance().Map().RootOfUri(uri)) {
            // Mounting again would end the same way.
            Notice(QCoreApplication::translate("PaneNavigation",
                                               "%1 is mounted, but no mount holds that address")
                       .arg(uri),
                   true);
        } else {
            // Without a local folder (no FUSE bridge) the location is
            // browsed through GIO by its URI.
            pane->GoToText(uri);
        }
    });
    return true;
}

bool PaneNavigation::GoToFile(const IdList& absolute) {
    if (absolute.IsNull() || absolute.IsEmpty())
        return false;
    if (!m_pane.OpenFolder(PidlTrim(absolute, 1)))
        return false;
    PaneListCtrl* list = m_pane.List();
    const std::vector<FolderItem*> selected = list->SelectedItems();
    if (!selected.empty()) {
        const int row = list->RowOf(selected.front());
        if (row >= 0)
            list->SelectRow(row, false);
    }
    // The list's own functions are never refused by the sticky selection,
    // so nothing needs suspending here.
    FolderModel* model = m_pane.Model();
    if (FolderItem* item = model->FindById(PidlLast(absolute))) {
        m_pane.FocusItem(item, true);
    } else if (m_pane.IsReading() && model->shellFolder) {
        // Not in yet: focused when its batch comes.
        const QString name = ShellDisplayName(*model->shellFolder, PidlLast(absolute),
                                              SHGDN_INFOLDER | SHGDN_FORPARSING)
                                 .value_or(QString());
        m_pane.FocusByName(name, true);
    }
    return true;
}

// -- The navigation list and mirrored navigation -----------------------------------

QString PaneNavigation::Leave() {
    const FolderModel* model = m_pane.Model();
    if (!model || (!model->IsFileSystem() && !ReadsEntrySource(*model)))
        return QString();
    const int focused = m_pane.List()->FocusedRow();
    const FolderItem* item = focused >= 0 ? m_pane.List()->ItemAt(focused) : nullptr;
    m_history.Leave(item ? item->name : QString());
    return MirrorBrowsing() ? model->path : QString();
}

QString PaneNavigation::Enter() {
    QString name = m_history.Enter(m_pane.Model()->path);
    // Going up lands on the folder just left even when the history does not
    // know the parent (it was entered by a typed path).
    if (name.isEmpty())
        name = m_parentFocusName;
    m_parentFocusName.clear();
    return name;
}

void PaneNavigation::FollowMirror(const QString& oldPath) {
    const FolderModel* model = m_pane.Model();
    if (oldPath.isEmpty() || !MirrorBrowsing() || !model || !model->IsFileSystem() ||
        CommandTargetPane() != &m_pane)
        return;
    CPanexView* other = m_pane.Host().OtherPane(m_pane);
    FolderModel* otherModel = other ? other->Model() : nullptr;
    if (!otherModel || !otherModel->IsFileSystem()) {
        SetMirrorBrowsing(false);
        return;
    }
    const MirrorPlan plan = PlanMirror(oldPath, model->path, otherModel->path);
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

QString PaneNavigation::ToolTip(int id) const {
    std::optional<QString> path;
    if (id == ID_GOTO_PREVIOUS)
        path = m_history.PreviousPath();
    else if (id == ID_GOTO_NEXT)
        path = m_history.NextPath();
    return path.value_or(QString());
}

// -- Go-to commands --------------------------------------------------------------

void PaneNavigation::GoToParent() {
    const FolderModel* model = m_pane.Model();
    if (!model || model->idList.IsEmpty())
        return;
    IdList parent = PidlTrim(model->idList, 1);
    if (parent.IsNull())
        return;
    m_parentFocusName = model->IsFileSystem() ? PathNamePart(model->path) : QString();
    // A remote folder's path is a URI: its name comes from its parent.
    if (ReadsEntrySource(*model) && model->parentFolder) {
        m_parentFocusName = ShellDisplayName(*model->parentFolder, PidlLast(model->idList),
                                             SHGDN_INFOLDER | SHGDN_FORPARSING)
                                .value_or(QString());
    }
    m_pane.OpenFolder(std::move(parent));
    m_parentFocusName.clear();
}

void PaneNavigation::GoToSpecialFolder(int id) {
    CPanexView* target = CommandTargetPane();
    IdList folder = SHGetSpecialFolderLocation(SpecialFolderOf(id));
    // The network places may be known under either of the two numbers.
    if (folder.IsNull() && id == ID_GOTO_NETWORK)
        folder = SHGetSpecialFolderLocation(CSIDL_NETHOOD);
    if (folder.IsNull() || !target->OpenFolder(std::move(folder)))
        Notice(kNoSpecialFolder, true);
}

void PaneNavigation::OnBookmark(int slot) {
    CPanexView* target = CommandTargetPane();
    Bookmarks& bookmarks = TheBookmarks();
    // An unset slot has nowhere to go: choosing it (from the menu, where
    // Shift is rarely held) sets it instead.
    if (IsShiftDown() || !bookmarks.IsSet(slot)) {
        SetBookmark(target, slot);
        return;
    }
    target->GoToText(bookmarks.At(slot));
}

bool PaneNavigation::SetBookmark(CPanexView* target, int slot) {
    const FolderModel* model = target->Model();
    if (!model || !model->IsFileSystem() || model->path.isEmpty())
        return false;
    // A remote folder is kept by its URI: it opens again after the location
    // was unmounted.
    TheBookmarks().Set(slot, ShownLocation(model->path));
    Notice(kBookmarkSet);
    return true;
}

void PaneNavigation::SetFirstFreeBookmark() {
    const Bookmarks& bookmarks = TheBookmarks();
    for (int slot = 0; slot < Bookmarks::kCount; ++slot) {
        if (!bookmarks.IsSet(slot)) {
            SetBookmark(CommandTargetPane(), slot);
            return;
        }
    }
    Notice(kNoFreeBookmark, true);
}

void PaneNavigation::ToggleFilter() {
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

void PaneNavigation::FindLinkTarget() {
    const int focused = m_pane.List()->FocusedRow();
    FolderItem* item = focused >= 0 ? m_pane.List()->ItemAt(focused) : nullptr;
    IdList target = item ? item->ResolveLink(false) : IdList();
    bool done = false;
    if (!target.IsNull()) {
        done = PidlIsFolder(target) == -1 ? m_pane.OpenFolder(std::move(target)) : GoToFile(target);
    }
    if (!done)
        Notice(kLinkFailed, true);
}

bool PaneNavigation::GoToVolume(QChar letter) {
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
        const bool toRoot =
            m_pane.Host().Store().GetProfileInt(kDriveDialogSection, kGotoRootKey, 0) != 0;
        const QString text =
            toRoot ? *mountPoint : TheDriveFolders().FolderOf(*mountPoint).value_or(*mountPoint);
        return CommandTargetPane()->GoToText(text);
    }
    return false;
}

void PaneNavigation::SwitchToOtherPane() {
    CPanexView* other = m_pane.Host().OtherPane(m_pane);
    if (other && !m_pane.Host().IsPaneHidden(*other))
        other->setFocus(Qt::TabFocusReason);
}

bool PaneNavigation::HandleEvent(QEvent* e) {
    if (e->type() != GoToIdListEvent::kType)
        return false;
    auto* go = static_cast<GoToIdListEvent*>(e);
    if (!go->idList.IsNull())
        CommandTargetPane()->OpenFolder(std::move(go->idList));
    return true;
}

// -- Keys ------------------------------------------------------------------------

bool PaneNavigation::HandleKey(QKeyEvent* event) {
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
                m_pane.Host().FocusFrameBar(!ctrl);
            else
                SwitchToOtherPane();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (mods != Qt::NoModifier || m_pane.List()->ViewStyle() != ID_VIEW_DETAILS)
                return false;
            SwitchToOtherPane();
            return true;
        case Qt::Key_Delete:
            if (ctrl || alt)
                return false;
            // Posted, as the command would come from a menu: the delete may
            // ask questions and must not run inside the view's key handling.
            // Without a selection the command is refused and says why.
            QTimer::singleShot(0, &m_pane, [pane = QPointer<CPanexView>(&m_pane)] {
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
        // The key's own modifiers tell setting (Shift) from going, not the
        // keyboard's state by the time a busy window gets to the key: Shift
        // may be up again by then.
        const ScopedKeyState asPressed(event->modifiers());
        RunOwnCommand(ID_BOOKMARK_FIRST + digit);
        return true;
    }
    if (digit >= 7 && digit <= 9) {
        m_pane.Host().ExecuteCommand(ID_LAYOUT_FIRST + digit - 7);
        return true;
    }
    if (shift && key >= Qt::Key_A && key <= Qt::Key_Z) {
        GoToVolume(QLatin1Char(char('a' + (key - Qt::Key_A))));
        return true;
    }
    return false;
}

// -- Status indicators -----------------------------------------------------------

int PaneNavigation::FreeSpaceInterval() const {
    // The first pane reads the interval for both.
    if (!m_pane.IsFirstPane()) {
        if (const CPanexView* first = m_pane.Host().OtherPane(m_pane))
            return first->freeSpaceUpdateInterval();
    }
    return m_pane.freeSpaceUpdateInterval();
}

std::optional<QString> PaneNavigation::SelectionIndicatorText() {
    return SelectionSummary(m_pane);
}

std::optional<QString> PaneNavigation::FreeSpaceIndicatorText() {
    const FolderModel* model = m_pane.Model();
    const bool fileSystem = model && model->IsFileSystem();
    return m_freeSpace.Update(fileSystem ? model->path : QString(), FreeSpaceInterval());
}

// -- Commands --------------------------------------------------------------------

bool PaneNavigation::OnCommand(int id) {
    if (CommandTarget::InRange(id, ID_BOOKMARK_FIRST, ID_BOOKMARK_LAST)) {
        OnBookmark(id - ID_BOOKMARK_FIRST);
        return true;
    }
    if (id == ID_BOOKMARK_SET_FREE) {
        SetFirstFreeBookmark();
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
            if (const FolderModel* model = m_pane.Model(); model && model->IsPlainDirectory())
                GoToText(PathRootPart(model->path));
            return true;
        case ID_GOTO_DESKTOP:
            m_pane.OpenFolder(IdList::Empty());
            return true;
        case ID_GOTO_PREVIOUS:
        case ID_GOTO_NEXT: {
            const std::optional<QString> path =
                id == ID_GOTO_PREVIOUS ? m_history.PreviousPath() : m_history.NextPath();
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

bool PaneNavigation::OnUpdateCommand(int id, CommandState& state) {
    if (CommandTarget::InRange(id, ID_BOOKMARK_FIRST, ID_BOOKMARK_LAST)) {
        const int slot = id - ID_BOOKMARK_FIRST;
        state.SetText(TheBookmarks().MenuText(slot));
        // An unset slot's entry sets it.
        state.Enable(true);
        return true;
    }
    if (id == ID_BOOKMARK_SET_FREE) {
        const FolderModel* target = CommandTargetPane()->Model();
        state.Enable(target && target->IsFileSystem());
        return true;
    }
    if (SpecialFolderOf(id) >= 0) {
        state.Enable(true);
        return true;
    }
    const FolderModel* model = m_pane.Model();
    const bool atDesktop = !model || model->idList.IsEmpty();
    switch (id) {
        case ID_GOTO_PARENT:
        case ID_GOTO_DESKTOP:
            state.Enable(!atDesktop);
            return true;
        case ID_GOTO_ROOT:
            state.Enable(model && model->IsPlainDirectory());
            return true;
        case ID_GOTO_PREVIOUS:
            state.Enable(m_history.PreviousPath().has_value());
            return true;
        case ID_GOTO_NEXT:
            state.Enable(m_history.NextPath().has_value());
            return true;
        case ID_FILE_USE_FILTER:
            state.SetCheck(m_pane.FilterText() != kNoFilter);
            return true;
        case ID_EDIT_FIND_TARGET:
            state.Enable(m_pane.List()->FocusedRow() >= 0);
            return true;
        case ID_FILE_FILTERS:
            state.Enable(true);
            return true;
        case ID_MIRROR_BROWSING:
            state.Enable(model && model->IsFileSystem());
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
