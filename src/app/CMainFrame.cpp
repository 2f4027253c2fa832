#include "app/CMainFrame.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "app/AboutBox.h"
#include "app/AddressBar.h"
#include "app/CMainStatusBar.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/CommandTable.h"
#include "app/DriveBar.h"
#include "app/E2eDump.h"
#include "app/FrameBars.h"
#include "app/FunctionKeyBar.h"
#include "app/HistoryPickDialog.h"
#include "app/MainMenu.h"
#include "app/OptionsDialog.h"
#include "app/PendingCommands.h"
#include "app/RemoteConnect.h"
#include "app/SelectDriveDialog.h"
#include "app/TabCommands.h"
#include "app/ToolbarResource.h"
#include "app/WindowRect.h"
#include "fileops/CPaneFileUtils.h"
#include "fileops/CPaneTransfer.h"
#include "find/CFindFiles.h"
#include "find/FindCriteria.h"
#include "pack/CPackTools.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/MirrorBrowse.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneTabs.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/EscapePoll.h"
#include "platform/ui/KeyState.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "shell/PatternList.h"
#include "stats/CFolderStats.h"
#include "tools/CPaneTools.h"
#include "tools/ToolFiles.h"
#include "tree/TreeBar.h"

namespace {

// Bar ids of the frame's bars.
constexpr int kToolBarId = 59400;
constexpr int kStatusBarId = ID_VIEW_STATUS_BAR;

const QString kHelpNeedsEditor = QStringLiteral("comes with the internal editor");
/// Appended to a command's status prompt when it cannot run in this build.
const QString kUnavailable = QStringLiteral("(not available yet: %1)");

}  // namespace

int ClampTreeAutoCDDelay(int stored) {
    if (stored > kMaxTreeAutoCDDelay)
        return kDefaultTreeAutoCDDelay;
    if (stored < kMinTreeAutoCDDelay)
        return kMinTreeAutoCDDelay;
    return stored;
}

CMainFrame::CMainFrame(CPanexApp& app) : m_app(app) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(kMainFrameTitle);
    // Without a stored place the window opens at a size fit for two panes,
    // not at the few hundred pixels its contents would ask for.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size() * 3 / 4);
}

CMainFrame::~CMainFrame() {
    disconnect(qApp, nullptr, this, nullptr);
    if (m_operations && BackgroundOperations() == m_operations.get())
        SetBackgroundOperations(nullptr);
    m_operations.reset();
    m_dump.reset();
    if (m_created)
        SetNoticeSink(std::move(m_previousSink));
    // The panes go before the command manager and the rest of the frame, and
    // nothing asks for them while they are destroyed.
    m_left = m_right = m_active = nullptr;
    m_tabs.reset();
    delete m_splitter;
    m_splitter = nullptr;
}

// -- Creation ------------------------------------------------------------------

bool CMainFrame::Create() {
    CreateCommands();
    m_transfer = std::make_unique<CPaneTransfer>(*this);
    m_fileUtils = std::make_unique<CPaneFileUtils>(*this);
    m_transfer->SetEditorOpener(
        [this](const QString& path, bool viewOnly) { return m_app.OpenInEditor(path, viewOnly); },
        [this] { return m_app.HasEditorLauncher() || General().useExternalEditor; });
    m_transfer->SetSaverRegistrar([this](std::function<void(ProfileStore&)> saver) {
        m_app.RegisterSaver(SaverSlot::TargetFolderHistory, std::move(saver));
    });
    CreateTools();
    CreateFind();
    CreateRemote();
    CreateMenus();
    m_addressBar = new AddressBar(*this, Store());
    if (!CreateToolBar())
        return false;
    m_driveBar = new DriveBar(*this);
    ReadDriveBarSetting();
    if (!CreateStatusBar())
        return false;
    // After the status bar's own prompt display, so the reason replaces the
    // bare prompt of a command that cannot run.
    connect(&m_commands, &CommandManager::CommandHighlighted, this,
            [this](int id, const QString&) { ShowUnavailableReason(id); });
    // A key (or a posted command) that finds its command greyed says why.
    connect(&m_commands, &CommandManager::CommandRefused, this,
            [](int, const QString& reason) { Notice(reason, true); });
    LoadTreeSettings();
    m_addressBar->LoadFolderHistory(Store());
    DockBars();
    m_bars = new FrameBars(*this);
    m_bars->Create();
    CreateTreeBar();
    RestoreBarState();
    m_bars->LoadLayouts(Store());
    if (General().flatToolbars)
        SetFlatBars(true);

    m_previousSink = SetNoticeSink(
        [this](const std::optional<QString>& text, bool alert) { ShowNotice(text, alert); });
    m_created = true;

    if (!CreateClient())
        return false;
    SetQuitWindow(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    m_tools->AttachPanes(*m_left, *m_right);
    StartPanes();
    return true;
}

QString CMainFrame::ConsolePreamble() const {
    return m_addressBar ? m_addressBar->Runner().dosPreamble() : QString();
}

void CMainFrame::CreateTools() {
    m_tools = std::make_unique<CPaneTools>(*this);
    m_tools->SetEditorOpener(
        [this](const QString& path, bool viewOnly) { return m_app.OpenInEditor(path, viewOnly); });
    m_tools->SetListingPath([this] { return m_app.GetDirListingPath(); });
    m_tools->SetBatchPath([this] { return m_app.GetTempBatchPath(); });
    m_tools->SetConsolePreamble([this] { return ConsolePreamble(); });
    // The tiling shown, which the options may have changed for the next
    // start only.
    m_tools->SetSideBySideQuery(
        [this] { return m_splitter ? m_splitter->IsSideBySide() : m_sideBySide; });
    m_tools->SetSaverRegistrar([this](CPaneTools::Settings which,
                                      std::function<void(ProfileStore&)> saver) {
        const SaverSlot slot =
            which == CPaneTools::Settings::Grep                   ? SaverSlot::Grep
            : which == CPaneTools::Settings::BatchTemplateHistory ? SaverSlot::BatchTemplateHistory
            : which == CPaneTools::Settings::Synchronize          ? SaverSlot::Synchronize
                                                         : SaverSlot::SelectionPatternHistory;
        m_app.RegisterSaver(slot, std::move(saver));
    });
    m_pack = std::make_unique<CPackTools>(*this);
    m_pack->SetSaverRegistrar([this](std::function<void(ProfileStore&)> saver) {
        m_app.RegisterSaver(SaverSlot::Pack, std::move(saver));
    });
    m_stats = std::make_unique<CFolderStats>(*this);
    m_stats->SetEditorOpener(
        [this](const QString& path, bool viewOnly) { return m_app.OpenInEditor(path, viewOnly); });
    m_stats->SetListingPath([this] { return m_app.GetDirListingPath(); });
    m_stats->SetSaverRegistrar([this](std::function<void(ProfileStore&)> saver) {
        m_app.RegisterSaver(SaverSlot::FolderDataSettings, std::move(saver));
    });
    m_stats->SetRectAccess(
        [this](ProfileStore& store, const QString& section) -> std::optional<QRect> {
            // Nothing stored: half the main window, at its top-left corner.
            const WindowRect rect = GetStoredPlacement(store, section, this).normal;
            if (rect.IsDefaultPosition() || rect.bottom == 0)
                return std::nullopt;
            return rect.ToQRect();
        },
        [](ProfileStore& store, const QString& section, const QRect& rect) {
            WriteWindowRect(store, section, WindowRect::FromQRect(rect));
        });
}

void CMainFrame::CreateRemote() {
    m_remote = std::make_unique<RemoteConnect>(Store(), General().historyItems, this, [this] {
        return m_tabs ? m_tabs->AllViews() : std::vector<CPanexView*>{m_left, m_right};
    });
    m_app.RegisterSaver(
        SaverSlot::ConnectServerHistory,
        [history = m_remote->History(), items = General().historyItems](ProfileStore& store) {
            history->Save(items, store, kConnectHistorySection);
        });
}

void CMainFrame::CreateFind() {
    m_find = std::make_unique<CFindFiles>(*this);
    m_find->SetMainWindow(this);
    m_find->SetSaverRegistrar([this](std::function<void(ProfileStore&)> saver) {
        m_app.RegisterSaver(SaverSlot::FindFileFolderSettings, std::move(saver));
    });
    m_find->SetGrepLoader([this] { m_tools->EnsureLoaded(CPaneTools::Settings::Grep); });
    FindWindowServices services;
    services.openInEditor = [this](const QString& path, bool viewOnly) {
        return m_app.OpenInEditor(path, viewOnly);
    };
    services.listingPath = [this] { return m_app.GetDirListingPath(); };
    services.batchPath = [this] { return m_app.GetTempBatchPath(); };
    services.runScript = [this](const QString& script, const QString& folder) {
        return RunScriptInTerminal(script, folder, ConsolePreamble());
    };
    services.loadBatchHistory = [this] {
        m_tools->EnsureLoaded(CPaneTools::Settings::BatchTemplateHistory);
    };
    services.restorePlacement = [this](QWidget* window) {
        ApplyWindowPlacement(window, GetStoredPlacement(Store(), kFindSettingsSection, this));
    };
    services.storePlacement = [this](QWidget* window) {
        WriteWindowRect(Store(), kFindSettingsSection,
                        WindowRect::FromQRect(window->normalGeometry()));
    };
    m_find->SetWindowServices(std::move(services));
}

void CMainFrame::CreateCommands() {
    AddTableCommands(m_commands);
    m_commands.SetChainProvider([this] { return CommandChain(); });

    MapCommand(ID_FILE_CONNECT_SERVER, [this] {
        if (m_remote)
            m_remote->ConnectToServer(m_active);
    });
    MapCommand(ID_PANES_EQUAL, [this] { m_splitter->Balance(CPaneSplitter::EqualPanes); });
    MapCommand(ID_PANES_ONE, [this] { m_splitter->Balance(CPaneSplitter::OnePane); });
    MapCommand(ID_PANES_SAME_FOLDER, [this] { SameFolder(IsAltDown()); });
    MapCommand(ID_PANES_SWAP, [this] { SwapPanes(); });
    MapCommand(ID_VIEW_TOOLBAR, [this] { ToggleBar(m_toolBar); });
    MapUpdate(ID_VIEW_TOOLBAR,
              [this](CommandState& state) { state.SetCheck(m_toolBar && !m_toolBar->isHidden()); });
    MapCommand(ID_VIEW_STATUS_BAR, [this] { ToggleBar(m_statusBar); });
    MapUpdate(ID_VIEW_STATUS_BAR, [this](CommandState& state) {
        state.SetCheck(m_statusBar && !m_statusBar->isHidden());
    });
    MapCommand(ID_VIEW_FUNCTION_KEYS, [this] { ToggleBar(m_functionKeys); });
    MapUpdate(ID_VIEW_FUNCTION_KEYS, [this](CommandState& state) {
        state.SetCheck(m_functionKeys && !m_functionKeys->isHidden());
    });
    MapCommand(ID_VIEW_HIDDEN_FILES, [this] { ToggleHiddenFiles(); });
    MapUpdate(ID_VIEW_HIDDEN_FILES,
              [](CommandState& state) { state.SetCheck(General().showHiddenFiles); });
    MapCommand(ID_APP_EXIT, [this] { close(); });

    MapCommand(ID_APP_ABOUT, [this] { ShowAboutBox(this); });
    MapCommand(ID_VIEW_OPTIONS, [this] { ShowOptions(); });
    MapCommand(ID_SORT_AGAIN, [this] {
        if (m_active)
            m_active->List()->Sort();
    });
    MapUpdate(ID_SORT_AGAIN, [this](CommandState& state) { state.Enable(m_active != nullptr); });
    MapCommand(ID_VIEW_ADDRESSBAR, [this] { ToggleBar(m_addressBar); });
    MapUpdate(ID_VIEW_ADDRESSBAR, [this](CommandState& state) {
        state.SetCheck(m_addressBar && !m_addressBar->isHidden());
    });
    MapCommand(ID_VIEW_DRIVEBAR, [this] { ToggleBar(m_driveBar); });
    MapUpdate(ID_VIEW_DRIVEBAR, [this](CommandState& state) {
        state.SetCheck(m_driveBar && !m_driveBar->isHidden());
    });
    MapCommand(ID_VIEW_TREEBAR, [this] { ToggleBar(m_treeBar); });
    MapUpdate(ID_VIEW_TREEBAR,
              [this](CommandState& state) { state.SetCheck(m_treeBar && !m_treeBar->isHidden()); });
    MapCommand(ID_TREE_KEEP_SYNC,
               [] { MutableGeneral().keepTreeInSync = !General().keepTreeInSync; });
    MapUpdate(ID_TREE_KEEP_SYNC, [this](CommandState& state) {
        state.Enable(TreeVisible());
        state.SetCheck(General().keepTreeInSync);
    });
    MapCommand(ID_SELECT_DRIVE, [this] { SelectDrive(m_active); });
    MapUpdate(ID_SELECT_DRIVE, [this](CommandState& state) {
        state.SetText(m_active == m_right ? QStringLiteral("&Select Volume...\tAlt+F2")
                                          : QStringLiteral("&Select Volume...\tAlt+F1"));
    });
    MapCommand(ID_DRIVE_LEFT, [this] { SelectDrive(m_left); });
    MapCommand(ID_DRIVE_RIGHT, [this] { SelectDrive(m_right); });
    MapCommandRange(ID_HELP_FIRST, ID_HELP_LAST, [this](int id) { OnHelp(id); });
    MapUpdateRange(ID_HELP_FIRST, ID_HELP_LAST,
                   [this](int, CommandState& state) { state.Enable(m_app.HasEditorLauncher()); });
}

bool CMainFrame::OnUpdateCommand(int id, CommandState& state) {
    if (CommandTarget::OnUpdateCommand(id, state))
        return true;
    // Last in the chain: a command of the table nobody carries out yet is
    // shown, greyed, instead of pretending to work.
    if (PendingReason(id)) {
        state.Enable(false);
        return true;
    }
    return false;
}

QString CMainFrame::UnavailableReason(int id) const {
    if (const std::optional<QString> reason = PendingReason(id))
        return *reason;
    if (CommandTarget::InRange(id, ID_HELP_FIRST, ID_HELP_LAST) && !m_app.HasEditorLauncher())
        return kHelpNeedsEditor;
    return {};
}

void CMainFrame::ShowUnavailableReason(int id) {
    const QString reason = UnavailableReason(id);
    if (reason.isEmpty() || !m_statusBar)
        return;
    QString prompt;
    if (const CommandInfo* info = FindCommandInfo(id))
        prompt = StatusPromptOf(info->prompt);
    m_statusBar->ShowMenuPrompt(prompt.isEmpty()
                                    ? kUnavailable.arg(reason)
                                    : prompt + QStringLiteral(" ") + kUnavailable.arg(reason));
}

void CMainFrame::OnHelp(int id) {
    const QString path = HelpFilePath(id);
    if (!path.isEmpty())
        m_app.OpenInEditor(path, true);
}

CommandManager::Chain CMainFrame::CommandChain() const {
    // The folder tree comes first once it exists, then the drive bar; the
    // address bar's commands (the command line, the filter texts) are the
    // frame's own bar's, ahead of the pane. The document and the
    // application have no commands of their own yet.
    CommandManager::Chain chain;
    if (m_treeBar && m_treeBar->Browser()->hasFocus())
        chain.append(m_treeBar->Browser());
    if (m_driveBar)
        chain.append(m_driveBar);
    if (m_addressBar)
        chain.append(m_addressBar);
    chain.append(m_active);
    if (m_tabs)
        chain.append(m_tabs.get());
    if (m_transfer)
        chain.append(m_transfer.get());
    if (m_tools)
        chain.append(m_tools.get());
    if (m_pack)
        chain.append(m_pack.get());
    if (m_fileUtils)
        chain.append(m_fileUtils.get());
    if (m_find)
        chain.append(m_find.get());
    if (m_stats)
        chain.append(m_stats.get());
    chain.append(const_cast<CMainFrame*>(this));
    return chain;
}

void CMainFrame::CreateMenus() {
    BuildMenuBar(*menuBar(), m_commands);
    // The shortcuts work wherever the focus is in the window, menu bar shown
    // or not, but never in a text field (ShortcutGate).
    addActions(m_commands.Actions());
    m_shortcutGate = new ShortcutGate(this, m_commands);
    qApp->installEventFilter(m_shortcutGate);
}

bool CMainFrame::CreateToolBar() {
    m_toolBar = new QToolBar(kToolBarName, this);
    m_toolBar->setObjectName(kToolBarName);
    m_toolBar->setProperty("barId", kToolBarId);
    m_toolBar->setProperty("resource", kMainToolbarResource);
    for (int id : MainToolbarButtons()) {
        if (id == kToolbarSeparator) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_commands.Action(id);
        if (!action)
            return false;
        action->setIcon(ToolbarIcon(id));
        m_toolBar->addAction(action);
        m_commands.SetToolbarCommand(id);
    }
    // A new toolbar has raised buttons; "bFlatToolbars" makes them flat.
    SetFlatBars(false);
    return true;
}

void CMainFrame::ReadDriveBarSetting() {
    m_driveBar2Root =
        Store().GetProfileInt(kMainFrameSection, MainFrameKeys::kDriveBar2Root, 1) != 0;
}

bool CMainFrame::CreateStatusBar() {
    m_statusBar = new CMainStatusBar(this);
    m_statusBar->setProperty("barId", kStatusBarId);
    setStatusBar(m_statusBar);
    m_statusBar->ConnectCommandPrompts(m_commands);
    m_statusBar->ConnectIndicators(m_commands);
    m_operations = std::make_unique<FileOpQueue>();
    m_operations->SetPromptParent(this);
    connect(m_operations.get(), &FileOpQueue::runningChanged, m_statusBar,
            &CMainStatusBar::SetOperationCount);
    SetBackgroundOperations(m_operations.get());
    return true;
}

void CMainFrame::LoadTreeSettings() {
    const ProfileStore& store = Store();
    m_treeOptions =
        store.GetProfileInt(kMainFrameSection, MainFrameKeys::kTreeOptions, kDefaultTreeOptions);
    m_treeAutoCDDelay = ClampTreeAutoCDDelay(store.GetProfileInt(
        kMainFrameSection, MainFrameKeys::kTreeAutoCDDelay, kDefaultTreeAutoCDDelay));
}

void CMainFrame::DockBars() {
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_addressBar);
    // The function keys take a line of their own, the lowest, as in every
    // commander: the bottom area's first line is the one farthest from the
    // panes.
    m_functionKeys = new FunctionKeyBar(m_commands, this);
    addToolBar(Qt::BottomToolBarArea, m_functionKeys);
    addToolBarBreak(Qt::BottomToolBarArea);
    addToolBar(Qt::BottomToolBarArea, m_toolBar);
    addToolBar(Qt::LeftToolBarArea, m_driveBar);
}

void CMainFrame::CreateTreeBar() {
    m_treeBar = new TreeBar(*this, this);
    m_treeBar->Browser()->SetSettingsSource([this] {
        return CTreeBrowser::Settings{m_treeOptions, m_treeAutoCDDelay};
    });
    addDockWidget(Qt::LeftDockWidgetArea, m_treeBar);
    m_treeBar->hide();
}

void CMainFrame::RestoreBarState() {
    const ProfileStore& store = Store();
    if (store.GetProfileInt(kMainFrameSection, MainFrameKeys::kToolbarsVersion, 0) !=
        kToolbarsVersion)
        return;
    m_bars->RestoreSizes(store);
    // A state Qt cannot read leaves the default docking in place.
    if (const std::optional<QByteArray> state =
            store.GetProfileBinary(kMainFrameSection, MainFrameKeys::kDockState))
        restoreState(*state);
}

bool CMainFrame::CreateClient() {
    m_sideBySide = Store().GetProfileInt(kMainFrameSection, MainFrameKeys::kUpDownPanes, 0) == 0;
    m_splitter = new CPaneSplitter(m_sideBySide, this);
    m_splitter->setProperty("paneId", 59648);

    // Each side of the splitter holds a pane's tabs; the frame's panes are
    // the tabs shown, and follow every switch.
    m_tabs = std::make_unique<TabCommands>(*this, this);
    m_tabs->BindWindowPanes(m_left, m_right, m_active,
                            [this](CPanexView* view) { ActivatePane(view); });
    m_tabs->SetViewObserver([this](CPanexView* view) {
        if (m_tools)
            m_tools->AttachPane(*view);
    });
    if (m_bars)
        m_tabs->ServeLayouts(*m_bars);
    m_splitter->SetPanes(m_tabs->Left(), m_tabs->Right());
    m_splitter->SetFirstPaneActiveQuery([this] { return m_active == m_left; });
    connect(m_splitter, &CPaneSplitter::barDoubleClicked, this,
            [this] { m_splitter->Balance(CPaneSplitter::DoubleClick); });
    // A layout or a stored width may hide the active pane.
    connect(m_splitter, &CPaneSplitter::panesResized, this, &CMainFrame::KeepActivePaneShown,
            Qt::QueuedConnection);
    m_splitter->SetFirstPaneSize(
        Store().GetProfileInt(kMainFrameSection, MainFrameKeys::kLeftPaneWidth,
                              kDefaultLeftPaneWidth),
        kMinimumPaneSize);
    setCentralWidget(m_splitter);
    return true;
}

void CMainFrame::StartPanes() {
    m_left->LoadSettings();
    m_right->LoadSettings();
    // Each pane writes its own section, its shown tab's settings and its
    // tabs, when the window closes, after the frame's settings.
    for (PaneTabs* side : {m_tabs->Left(), m_tabs->Right()}) {
        QPointer<PaneTabs> guarded(side);
        m_app.AddFrameSaver([guarded](ProfileStore& store) {
            if (guarded)
                guarded->SaveSettings(store);
        });
    }

    if (const QString dumpPath = PaneListingDump::PathFromEnvironment(); !dumpPath.isEmpty())
        m_dump = std::make_unique<PaneListingDump>(m_left, m_right, dumpPath);
    if (m_dump && m_treeBar)
        m_dump->WatchTree(m_treeBar->Browser());
    if (m_dump && m_operations) {
        connect(m_operations.get(), &FileOpQueue::runningChanged, m_dump.get(),
                [dump = m_dump.get()](int count) {
                    dump->SetOperationsText(RunningOperationsText(count));
                });
    }
    if (m_dump) {
        m_dump->WatchButtons(m_functionKeys);
        m_dump->WatchTabs(m_tabs->Left(), m_tabs->Right());
    }

    // The stored tabs come back around the shown ones, which open first.
    m_tabs->BeginRestore();
    m_left->InitialUpdate();
    m_right->InitialUpdate();
    m_tabs->FinishRestore();
}

// -- AppFrame ------------------------------------------------------------------

QWidget* CMainFrame::MainWindow() const {
    return m_created ? const_cast<CMainFrame*>(this) : nullptr;
}

void CMainFrame::SetActivePane(bool left) {
    ActivatePane(left ? m_left : m_right);
}

void CMainFrame::Show() {
    if (Store().GetProfileInt(kMainFrameSection, MainFrameKeys::kMaximized, 0) != 0)
        showMaximized();
    else
        show();
    raise();
    activateWindow();
    if (m_active)
        m_active->setFocus(Qt::ActiveWindowFocusReason);
    m_commands.StartIdleUpdates();
}

void CMainFrame::SaveFrameSettings(ProfileStore& store) {
    const QString& section = kMainFrameSection;
    WriteWindowRect(store, section, WindowRect::FromQRect(normalGeometry()));
    if (m_addressBar)
        m_addressBar->SaveHistories(store);
    if (m_bars)
        m_bars->SaveSizes(store);
    store.WriteProfileInt(section, MainFrameKeys::kToolbarsVersion, kToolbarsVersion);
    store.WriteProfileBinary(section, MainFrameKeys::kDockState, saveState());
    store.WriteProfileInt(section, MainFrameKeys::kDriveBar2Root, m_driveBar2Root ? 1 : 0);
    if (m_bars)
        m_bars->SaveLayouts(store);
    store.WriteProfileInt(section, MainFrameKeys::kUpDownPanes, m_sideBySide ? 0 : 1);
    store.WriteProfileInt(section, MainFrameKeys::kLeftPaneWidth, m_splitter->GetFirstPaneSize());
    store.WriteProfileInt(section, MainFrameKeys::kLeftPaneActive, m_active == m_left ? 1 : 0);
    store.WriteProfileInt(section, MainFrameKeys::kTreeOptions, m_treeOptions);
    store.WriteProfileInt(section, MainFrameKeys::kTreeAutoCDDelay, m_treeAutoCDDelay);
    store.WriteProfileInt(section, MainFrameKeys::kMaximized, isMaximized() ? 1 : 0);
}

int CMainFrame::OperationsRunning() const {
    return m_operations ? m_operations->Running() : 0;
}

bool CMainFrame::ConfirmOperationsEnd(bool mayAsk) {
    if (!m_operations || m_operations->Running() == 0)
        return true;
    if (mayAsk)
        return m_operations->ConfirmClose(this);
    m_operations->CancelAll();
    m_operations->WaitAll();
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Every way of closing comes here (the window manager's close, the close
    // button, Files > Exit): operations still running are asked about first,
    // and a second close while the question is up is not another question.
    if (m_askingToClose) {
        event->ignore();
        return;
    }
    m_askingToClose = true;
    const bool mayClose = ConfirmOperationsEnd(true);
    m_askingToClose = false;
    if (!mayClose) {
        event->ignore();
        return;
    }
    // The results windows go with the main window, storing their places
    // first. Editors next, then (with "bSaveSettings") the frame's settings
    // and the panes' sections.
    if (m_find)
        m_find->CloseAll();
    m_app.OnCloseMainWindow();
    event->accept();
}

// -- PaneHost ------------------------------------------------------------------

ProfileStore& CMainFrame::Store() {
    return m_app.Store();
}

QString CMainFrame::CommandLineFolder(const CPanexView& pane) const {
    const QStringList& folders = m_app.StartFolders();
    return folders.value(&pane == m_left ? 0 : 1);
}

bool CMainFrame::IsFirstPane(const CPanexView& pane) const {
    return &pane == m_left;
}

CPanexView* CMainFrame::OtherPane(const CPanexView& pane) const {
    if (&pane == m_left)
        return m_right;
    if (&pane == m_right)
        return m_left;
    return nullptr;
}

void CMainFrame::SetLabelEditState(bool editing) {
    if (m_shortcutGate)
        m_shortcutGate->SetLabelEditing(editing);
}

bool CMainFrame::ExecuteCommand(int id) {
    return m_commands.Execute(id);
}

void CMainFrame::AddressUpdate(CPanexView& pane, bool withHistory) {
    if (!m_addressBar || &pane != m_active)
        return;
    const FolderModel* model = pane.Model();
    const bool fileSystem = model && model->IsFileSystem();
    // A remote folder is shown and remembered by its URI, never its FUSE path.
    const QString shown = fileSystem ? ShownLocation(model->path) : QString();
    if (withHistory && fileSystem)
        m_addressBar->Combo()->AddVisitedFolder(shown, General().historyItems);
    // Inside an archive the box names where the user is: the archive's path
    // and the folder in it; a bare filter would say nothing.
    const bool archive = model && model->IsDescriptor() && model->path.startsWith(u'/');
    m_addressBar->Combo()->SetAddressText(fileSystem ? PathJoin(shown, pane.FilterText())
                                          : archive  ? PathJoin(model->path, pane.FilterText())
                                                     : pane.FilterText());
}

bool CMainFrame::FocusFrameBar(bool addressBar) {
    if (!addressBar) {
        if (!TreeVisible())
            return false;
        m_treeBar->Browser()->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (!m_addressBar || m_addressBar->isHidden())
        return false;
    m_addressBar->Combo()->setFocus(Qt::TabFocusReason);
    m_addressBar->Combo()->lineEdit()->selectAll();
    return true;
}

bool CMainFrame::TreeVisible() const {
    return m_treeBar && !m_treeBar->isHidden();
}

void CMainFrame::LocateInTree(const IdList& absolute) {
    if (TreeVisible())
        m_treeBar->Browser()->LocateFolder(absolute);
}

void CMainFrame::SelectDrive(CPanexView* pane) {
    if (!pane || !m_driveBar)
        return;
    if (!m_driveDialogSettings) {
        m_driveDialogSettings = std::make_shared<DriveDialogSettings>();
        m_driveDialogSettings->Load(Store());
        // Shared with the saver, which runs at exit, after the frame is gone.
        m_app.RegisterSaver(
            SaverSlot::SelectDriveDialog,
            [settings = m_driveDialogSettings](ProfileStore& store) { settings->Save(store); });
    }
    const FolderModel* model = pane->Model();
    const QString current = model && model->IsFileSystem() ? model->path : QString();
    const std::optional<QString> chosen = SelectDriveDialog::Choose(
        ReadVolumeEntries(), pane == m_left, current, *m_driveDialogSettings, this);
    if (chosen)
        pane->GoToText(*chosen);
}

std::unique_ptr<QMenu> CMainFrame::CreatePopupMenu(const QString& name, QWidget* parent) {
    return BuildPopupMenu(name, m_commands, parent);
}

void CMainFrame::ActivationUpdate(CPanexView& pane) {
    if (&pane != m_active)
        return;
    const FolderModel* model = pane.Model();
    setWindowTitle(model ? kMainFrameTitle + QStringLiteral(" - ") + model->title
                         : kMainFrameTitle);
}

// -- The pane pair ---------------------------------------------------------------

CPanexView* CMainFrame::GetInactivePane() const {
    return m_active ? OtherPane(*m_active) : nullptr;
}

bool CMainFrame::IsPaneHidden(const CPanexView& pane) const {
    if (!m_splitter || (&pane != m_left && &pane != m_right))
        return false;
    return m_splitter->IsPaneHidden(&pane == m_left ? 0 : 1);
}

void CMainFrame::ActivatePane(CPanexView* pane) {
    if (!pane)
        return;
    // Commands of a hidden active pane would act on rows nobody sees.
    if (IsPaneHidden(*pane)) {
        CPanexView* other = OtherPane(*pane);
        if (!other || IsPaneHidden(*other))
            return;
        pane = other;
    }
    const bool changed = pane != m_active;
    m_active = pane;
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !pane->isAncestorOf(focus))
        pane->setFocus(Qt::OtherFocusReason);
    if (changed)
        pane->ActivationUpdate(QString());
}

void CMainFrame::OnFocusChanged(QWidget* now) {
    if (!now || !m_left || !m_right)
        return;
    for (CPanexView* pane : {m_left, m_right}) {
        if (pane->isAncestorOf(now) && (pane != m_active || IsPaneHidden(*pane))) {
            // The focus may not stay in a hidden pane either; ActivatePane
            // sends it to the shown one.
            ActivatePane(pane);
            return;
        }
    }
}

void CMainFrame::KeepActivePaneShown() {
    if (m_active && IsPaneHidden(*m_active))
        ActivatePane(OtherPane(*m_active));
}

void CMainFrame::SameFolder(bool reverse) {
    CPanexView* source = reverse ? GetInactivePane() : m_active;
    CPanexView* target = reverse ? m_active : GetInactivePane();
    if (!source || !target || !source->Model())
        return;
    target->OpenFolder(source->Model()->idList);
}

void CMainFrame::SwapPanes() {
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
    const Shown left = remember(m_left);
    const Shown right = remember(m_right);

    auto open = [](CPanexView* pane, const Shown& shown) {
        if (shown.folder.IsNull())
            return;
        if (pane->OpenFolder(shown.folder) && !shown.focusedName.isEmpty())
            pane->FocusByName(shown.focusedName, false);
    };
    open(m_left, right);
    open(m_right, left);
    if (m_active)
        m_active->setFocus(Qt::OtherFocusReason);
}

// -- Bars and notices ------------------------------------------------------------

void CMainFrame::ShowOptions() {
    COptionsSheet sheet(*this, m_app.lastOptionsPage, this);
    sheet.exec();
    ApplyCommanderMode();
    if (m_tabs)
        m_tabs->ApplyBarOption();
}

void CMainFrame::ApplyCommanderMode() {
    AddTableCommands(m_commands);
    if (m_functionKeys)
        m_functionKeys->ShowModifiers(m_functionKeys->ShownModifiers());
    if (m_tabs) {
        for (CPanexView* pane : m_tabs->AllViews())
            pane->List()->SetCommanderMode(General().commanderMode);
    }
}

void CMainFrame::ShowNotice(const std::optional<QString>& text, bool alert) {
    if (m_statusBar)
        m_statusBar->ShowNotice(text, alert);
    if (m_dump && text)
        m_dump->AddNotice(*text, alert);
}

void CMainFrame::ShowBar(int barId) {
    QWidget* bar = barId == kToolBarId           ? static_cast<QWidget*>(m_toolBar)
                   : barId == kStatusBarId       ? static_cast<QWidget*>(m_statusBar)
                   : barId == ID_VIEW_ADDRESSBAR ? static_cast<QWidget*>(m_addressBar)
                   : barId == kDriveBarId        ? static_cast<QWidget*>(m_driveBar)
                                                 : nullptr;
    if (bar && bar->isHidden())
        bar->show();
    if (!bar && m_bars)
        m_bars->ShowBar(barId);
}

void CMainFrame::ToggleHiddenFiles() {
    const bool show = !General().showHiddenFiles;
    MutableGeneral().showHiddenFiles = show;
    // Each tab reads its folder again, through the message its watch would
    // post, so selection and focus survive as after any change.
    for (CPanexView* pane : m_tabs ? m_tabs->AllViews() : std::vector<CPanexView*>{})
        QCoreApplication::postEvent(pane, new ChangeWatchEvent(QEvent::Type(WM_FOLDER_CHANGED), 0));
    Notice(show ? kHiddenFilesShown : kHiddenFilesHidden);
}

void CMainFrame::ToggleBar(QWidget* bar) {
    if (bar)
        bar->setVisible(bar->isHidden());
}

void CMainFrame::SetFlatBars(bool on) {
    // Qt's toolbars always have their grip (the bar stays movable either
    // way); the style shows in the buttons.
    for (QToolBar* bar :
         {m_toolBar, static_cast<QToolBar*>(m_addressBar), static_cast<QToolBar*>(m_driveBar)}) {
        if (!bar)
            continue;
        for (QToolButton* button : bar->findChildren<QToolButton*>()) button->setAutoRaise(on);
        bar->update();
    }
}

void InstallMainFrameFactory() {
    SetFrameFactory([](CPanexApp& app) { return std::make_unique<CMainFrame>(app); });
}
