#include "app/FrameCommands.h"

#include <QCoreApplication>
#include <QToolBar>

#include "app/AboutBox.h"
#include "app/AddressBar.h"
#include "app/CMainFrame.h"
#include "app/CMainStatusBar.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/CommandTable.h"
#include "app/DriveBar.h"
#include "app/FunctionKeyBar.h"
#include "app/MainMenu.h"
#include "app/OptionsDialog.h"
#include "app/PendingCommands.h"
#include "app/RemoteConnect.h"
#include "app/SelectDriveDialog.h"
#include "app/TabCommands.h"
#include "fileops/CPaneFileUtils.h"
#include "fileops/CPaneTransfer.h"
#include "find/CFindFiles.h"
#include "pack/CPackTools.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/MirrorBrowse.h"
#include "pane/PaneListCtrl.h"
#include "platform/ui/KeyState.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "stats/CFolderStats.h"
#include "tools/CPaneTools.h"
#include "tree/TreeBar.h"

namespace {

/// Appended to a command's status prompt when it cannot run in this build.
const QString kUnavailable = QStringLiteral("(not available yet: %1)");

}  // namespace

FrameCommands::FrameCommands(CMainFrame& frame) : m_frame(frame) {}

FrameCommands::~FrameCommands() = default;

void FrameCommands::Map() {
    CMainFrame& f = m_frame;
    CommandManager& commands = f.m_commands;
    AddTableCommands(commands);
    commands.SetChainProvider([this] { return Chain(); });

    f.MapCommand(ID_FILE_CONNECT_SERVER, [&f] {
        if (f.m_remote)
            f.m_remote->ConnectToServer(f.m_active);
    });
    f.MapCommand(ID_PANES_EQUAL, [&f] { f.m_splitter->Balance(CPaneSplitter::EqualPanes); });
    f.MapCommand(ID_PANES_ONE, [&f] { f.m_splitter->Balance(CPaneSplitter::OnePane); });
    f.MapCommand(ID_PANES_SAME_FOLDER, [this] { SameFolder(IsAltDown()); });
    f.MapCommand(ID_PANES_SWAP, [this] { SwapPanes(); });
    f.MapCommand(ID_VIEW_TOOLBAR, [&f] { ToggleBar(f.m_toolBar); });
    f.MapUpdate(ID_VIEW_TOOLBAR, [&f](CommandState& state) {
        state.SetCheck(f.m_toolBar && !f.m_toolBar->isHidden());
    });
    f.MapCommand(ID_VIEW_STATUS_BAR, [&f] { ToggleBar(f.m_statusBar); });
    f.MapUpdate(ID_VIEW_STATUS_BAR, [&f](CommandState& state) {
        state.SetCheck(f.m_statusBar && !f.m_statusBar->isHidden());
    });
    f.MapCommand(ID_VIEW_FUNCTION_KEYS, [&f] { ToggleBar(f.m_functionKeys); });
    f.MapUpdate(ID_VIEW_FUNCTION_KEYS, [&f](CommandState& state) {
        state.SetCheck(f.m_functionKeys && !f.m_functionKeys->isHidden());
    });
    f.MapCommand(ID_VIEW_HIDDEN_FILES, [this] { ToggleHiddenFiles(); });
    f.MapUpdate(ID_VIEW_HIDDEN_FILES,
                [](CommandState& state) { state.SetCheck(General().showHiddenFiles); });
    f.MapCommand(ID_APP_EXIT, [&f] { f.close(); });

    f.MapCommand(ID_APP_ABOUT, [&f] { ShowAboutBox(&f); });
    f.MapCommand(ID_VIEW_OPTIONS, [this] { ShowOptions(); });
    f.MapCommand(ID_SORT_AGAIN, [&f] {
        if (f.m_active)
            f.m_active->List()->Sort();
    });
    f.MapUpdate(ID_SORT_AGAIN, [&f](CommandState& state) { state.Enable(f.m_active != nullptr); });
    f.MapCommand(ID_VIEW_ADDRESSBAR, [&f] { ToggleBar(f.m_addressBar); });
    f.MapUpdate(ID_VIEW_ADDRESSBAR, [&f](CommandState& state) {
        state.SetCheck(f.m_addressBar && !f.m_addressBar->isHidden());
    });
    f.MapCommand(ID_VIEW_DRIVEBAR, [&f] { ToggleBar(f.m_driveBar); });
    f.MapUpdate(ID_VIEW_DRIVEBAR, [&f](CommandState& state) {
        state.SetCheck(f.m_driveBar && !f.m_driveBar->isHidden());
    });
    f.MapCommand(ID_VIEW_TREEBAR, [&f] { ToggleBar(f.m_treeBar); });
    f.MapUpdate(ID_VIEW_TREEBAR, [&f](CommandState& state) {
        state.SetCheck(f.m_treeBar && !f.m_treeBar->isHidden());
    });
    f.MapCommand(ID_TREE_KEEP_SYNC,
                 [] { MutableGeneral().keepTreeInSync = !General().keepTreeInSync; });
    f.MapUpdate(ID_TREE_KEEP_SYNC, [&f](CommandState& state) {
        state.Enable(f.TreeVisible());
        state.SetCheck(General().keepTreeInSync);
    });
    f.MapCommand(ID_SELECT_DRIVE, [this, &f] { SelectDrive(f.m_active); });
    f.MapUpdate(ID_SELECT_DRIVE, [&f](CommandState& state) {
        state.SetText(f.m_active == f.m_right ? QStringLiteral("&Select Volume...\tAlt+F2")
                                              : QStringLiteral("&Select Volume...\tAlt+F1"));
    });
    f.MapCommand(ID_DRIVE_LEFT, [this, &f] { SelectDrive(f.m_left); });
    f.MapCommand(ID_DRIVE_RIGHT, [this, &f] { SelectDrive(f.m_right); });
    f.MapCommandRange(ID_HELP_FIRST, ID_HELP_LAST, [this](int id) { OnHelp(id); });
    f.MapUpdateRange(ID_HELP_FIRST, ID_HELP_LAST,
                     [&f](int, CommandState& state) { state.Enable(f.m_app.HasEditorLauncher()); });
}

CommandManager::Chain FrameCommands::Chain() const {
    const CMainFrame& f = m_frame;
    // The folder tree comes first once it exists, then the drive bar; the
    // address bar's commands (the command line, the filter texts) are the
    // frame's own bar's, ahead of the pane. The document and the
    // application have no commands of their own yet.
    CommandManager::Chain chain;
    if (f.m_treeBar && f.m_treeBar->Browser()->hasFocus())
        chain.append(f.m_treeBar->Browser());
    if (f.m_driveBar)
        chain.append(f.m_driveBar);
    if (f.m_addressBar)
        chain.append(f.m_addressBar);
    chain.append(f.m_active);
    if (f.m_tabs)
        chain.append(f.m_tabs.get());
    if (f.m_transfer)
        chain.append(f.m_transfer.get());
    if (f.m_tools)
        chain.append(f.m_tools.get());
    if (f.m_pack)
        chain.append(f.m_pack.get());
    if (f.m_fileUtils)
        chain.append(f.m_fileUtils.get());
    if (f.m_find)
        chain.append(f.m_find.get());
    if (f.m_stats)
        chain.append(f.m_stats.get());
    chain.append(&m_frame);
    return chain;
}

void FrameCommands::ShowUnavailableReason(int id) {
    const QString reason = m_frame.UnavailableReason(id);
    if (reason.isEmpty() || !m_frame.m_statusBar)
        return;
    QString prompt;
    if (const CommandInfo* info = FindCommandInfo(id))
        prompt = StatusPromptOf(info->prompt);
    m_frame.m_statusBar->ShowMenuPrompt(prompt.isEmpty() ? kUnavailable.arg(reason)
                                                         : prompt + QStringLiteral(" ") +
                                                               kUnavailable.arg(reason));
}

void FrameCommands::OnHelp(int id) {
    const QString path = HelpFilePath(id);
    if (!path.isEmpty())
        m_frame.m_app.OpenInEditor(path, true);
}

void FrameCommands::ToggleBar(QWidget* bar) {
    if (bar)
        bar->setVisible(bar->isHidden());
}

// -- The pane pair ---------------------------------------------------------------

void FrameCommands::SameFolder(bool reverse) {
    CPanexView* active = m_frame.m_active;
    CPanexView* source = reverse ? m_frame.GetInactivePane() : active;
    CPanexView* target = reverse ? active : m_frame.GetInactivePane();
    if (!source || !target || !source->Model())
        return;
    target->OpenFolder(source->Model()->idList);
}

void FrameCommands::SwapPanes() {
    // Each pane's opening would otherwise be mirrored into the other one,
    // undoing the swap; mirroring is back on afterwards if it was on.
    const ScopedMirrorOff noMirror;
    struct Shown {
        IdList folder;
        QString focusedName;
    };
    auto remember = [](const CPanexView* pane) {
        Shown shown;
        if (!pane->Model())
            return shown;
        shown.folder = pane->Model()->idList;
        const int row = pane->List()->FocusedRow();
        if (const FolderItem* item = row >= 0 ? pane->List()->ItemAt(row) : nullptr)
            shown.focusedName = item->name;
        return shown;
    };
    const Shown left = remember(m_frame.m_left);
    const Shown right = remember(m_frame.m_right);

    auto open = [](CPanexView* pane, const Shown& shown) {
        if (shown.folder.IsNull())
            return;
        if (pane->OpenFolder(shown.folder) && !shown.focusedName.isEmpty())
            pane->FocusByName(shown.focusedName, false);
    };
    open(m_frame.m_left, right);
    open(m_frame.m_right, left);
    if (m_frame.m_active)
        m_frame.m_active->setFocus(Qt::OtherFocusReason);
}

void FrameCommands::SelectDrive(CPanexView* pane) {
    if (!pane || !m_frame.m_driveBar)
        return;
    if (!m_driveDialogSettings) {
        m_driveDialogSettings = std::make_shared<DriveDialogSettings>();
        m_driveDialogSettings->Load(m_frame.Store());
        m_frame.m_app.RegisterSaver(
            SaverSlot::SelectDriveDialog,
            [settings = m_driveDialogSettings](ProfileStore& store) { settings->Save(store); });
    }
    const FolderModel* model = pane->Model();
    const QString current = model && model->IsFileSystem() ? model->path : QString();
    const std::optional<QString> chosen = SelectDriveDialog::Choose(
        ReadVolumeEntries(), pane == m_frame.m_left, current, *m_driveDialogSettings, &m_frame);
    if (chosen)
        pane->GoToText(*chosen);
}

// -- Options and hidden files ----------------------------------------------------

void FrameCommands::ToggleHiddenFiles() {
    const bool show = !General().showHiddenFiles;
    MutableGeneral().showHiddenFiles = show;
    // Each tab reads its folder again, through the message its watch would
    // post, so selection and focus survive as after any change.
    for (CPanexView* pane :
         m_frame.m_tabs ? m_frame.m_tabs->AllViews() : std::vector<CPanexView*>{})
        QCoreApplication::postEvent(pane, new ChangeWatchEvent(QEvent::Type(WM_FOLDER_CHANGED), 0));
    Notice(show ? kHiddenFilesShown : kHiddenFilesHidden);
}

void FrameCommands::ShowOptions() {
    COptionsSheet sheet(m_frame, m_frame.m_app.lastOptionsPage, &m_frame);
    sheet.exec();
    m_frame.ApplyCommanderMode();
    if (m_frame.m_tabs)
        m_frame.m_tabs->ApplyBarOption();
}
