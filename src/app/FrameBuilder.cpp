#include "app/FrameBuilder.h"

#include <QApplication>
#include <QMenuBar>
#include <QPointer>
#include <QToolBar>

#include "app/AddressBar.h"
#include "app/CMainFrame.h"
#include "app/CMainStatusBar.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/DriveBar.h"
#include "app/E2eDump.h"
#include "app/FrameBars.h"
#include "app/FrameCommands.h"
#include "app/FunctionKeyBar.h"
#include "app/MainMenu.h"
#include "app/RemoteConnect.h"
#include "app/TabCommands.h"
#include "app/ToolbarResource.h"
#include "app/WindowRect.h"
#include "fileops/CPaneFileUtils.h"
#include "fileops/CPaneTransfer.h"
#include "find/CFindFiles.h"
#include "find/FindCriteria.h"
#include "pack/CPackTools.h"
#include "pane/CPanexView.h"
#include "pane/PaneTabs.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/EscapePoll.h"
#include "shell/GeneralSettings.h"
#include "stats/CFolderStats.h"
#include "tools/CPaneTools.h"
#include "tools/ToolFiles.h"
#include "tree/TreeBar.h"

namespace {

/// The console commands' preamble, which names the terminal that generated
/// scripts run in too.
QString ConsolePreamble(const CMainFrame& frame) {
    return frame.GetAddressBar() ? frame.GetAddressBar()->Runner().dosPreamble() : QString();
}

}  // namespace

bool FrameBuilder::Build() {
    CMainFrame& f = m_frame;
    CPanexApp* app = &f.m_app;
    f.m_frameCommands->Map();
    f.m_transfer = std::make_unique<CPaneTransfer>(f);
    f.m_fileUtils = std::make_unique<CPaneFileUtils>(f);
    f.m_transfer->SetEditorOpener(
        [app](const QString& path, bool viewOnly) { return app->OpenInEditor(path, viewOnly); },
        [app] { return app->HasEditorLauncher() || General().useExternalEditor; });
    f.m_transfer->SetSaverRegistrar([app](std::function<void(ProfileStore&)> saver) {
        app->RegisterSaver(SaverSlot::TargetFolderHistory, std::move(saver));
    });
    CreateTools();
    CreateFind();
    CreateRemote();
    CreateMenus();
    f.m_addressBar = new AddressBar(f, f.Store());
    if (!CreateToolBar())
        return false;
    f.m_driveBar = new DriveBar(f);
    f.LoadDriveBarSetting(f.Store());
    if (!CreateStatusBar())
        return false;
    // After the status bar's own prompt display, so the reason replaces the
    // bare prompt of a command that cannot run.
    FrameCommands* commands = f.m_frameCommands.get();
    QObject::connect(&f.m_commands, &CommandManager::CommandHighlighted, &f,
                     [commands](int id, const QString&) { commands->ShowUnavailableReason(id); });
    // A key (or a posted command) that finds its command greyed says why.
    QObject::connect(&f.m_commands, &CommandManager::CommandRefused, &f,
                     [](int, const QString& reason) { Notice(reason, true); });
    f.LoadTreeSettings(f.Store());
    f.m_addressBar->LoadFolderHistory(f.Store());
    DockBars();
    f.m_bars = new FrameBars(f);
    f.m_bars->Create();
    CreateTreeBar();
    RestoreBarState();
    f.m_bars->LoadLayouts(f.Store());
    if (General().flatToolbars)
        f.SetFlatBars(true);

    CMainFrame* frame = &f;
    f.m_previousSink = SetNoticeSink([frame](const std::optional<QString>& text, bool alert) {
        frame->ShowNotice(text, alert);
    });
    f.m_created = true;

    if (!CreateClient())
        return false;
    SetQuitWindow(&f);
    QObject::connect(qApp, &QApplication::focusChanged, &f,
                     [frame](QWidget*, QWidget* now) { frame->OnFocusChanged(now); });
    f.m_tools->AttachPanes(*f.m_left, *f.m_right);
    StartPanes();
    return true;
}

void FrameBuilder::CreateTools() {
    CMainFrame& f = m_frame;
    CMainFrame* frame = &f;
    CPanexApp* app = &f.m_app;
    f.m_tools = std::make_unique<CPaneTools>(f);
    f.m_tools->SetEditorOpener(
        [app](const QString& path, bool viewOnly) { return app->OpenInEditor(path, viewOnly); });
    f.m_tools->SetListingPath([app] { return app->GetDirListingPath(); });
    f.m_tools->SetBatchPath([app] { return app->GetTempBatchPath(); });
    f.m_tools->SetConsolePreamble([frame] { return ConsolePreamble(*frame); });
    // The tiling shown, which the options may have changed for the next
    // start only.
    f.m_tools->SetSideBySideQuery([frame] {
        return frame->m_splitter ? frame->m_splitter->IsSideBySide() : frame->m_sideBySide;
    });
    f.m_tools->SetSaverRegistrar([app](CPaneTools::Settings which,
                                       std::function<void(ProfileStore&)> saver) {
        const SaverSlot slot =
            which == CPaneTools::Settings::Grep                   ? SaverSlot::Grep
            : which == CPaneTools::Settings::BatchTemplateHistory ? SaverSlot::BatchTemplateHistory
            : which == CPaneTools::Settings::Synchronize          ? SaverSlot::Synchronize
                                                         : SaverSlot::SelectionPatternHistory;
        app->RegisterSaver(slot, std::move(saver));
    });
    f.m_pack = std::make_unique<CPackTools>(f);
    f.m_pack->SetSaverRegistrar([app](std::function<void(ProfileStore&)> saver) {
        app->RegisterSaver(SaverSlot::Pack, std::move(saver));
    });
    f.m_stats = std::make_unique<CFolderStats>(f);
    f.m_stats->SetEditorOpener(
        [app](const QString& path, bool viewOnly) { return app->OpenInEditor(path, viewOnly); });
    f.m_stats->SetListingPath([app] { return app->GetDirListingPath(); });
    f.m_stats->SetSaverRegistrar([app](std::function<void(ProfileStore&)> saver) {
        app->RegisterSaver(SaverSlot::FolderDataSettings, std::move(saver));
    });
    f.m_stats->SetRectAccess(
        [frame](ProfileStore& store, const QString& section) -> std::optional<QRect> {
            // Nothing stored: half the main window, at its top-left corner.
            const WindowRect rect = GetStoredPlacement(store, section, frame).normal;
            if (rect.IsDefaultPosition() || rect.bottom == 0)
                return std::nullopt;
            return rect.ToQRect();
        },
        [](ProfileStore& store, const QString& section, const QRect& rect) {
            WriteWindowRect(store, section, WindowRect::FromQRect(rect));
        });
}

void FrameBuilder::CreateRemote() {
    CMainFrame& f = m_frame;
    CMainFrame* frame = &f;
    f.m_remote = std::make_unique<RemoteConnect>(f.Store(), General().historyItems, &f, [frame] {
        return frame->m_tabs ? frame->m_tabs->AllViews()
                             : std::vector<CPanexView*>{frame->m_left, frame->m_right};
    });
    f.m_app.RegisterSaver(
        SaverSlot::ConnectServerHistory,
        [history = f.m_remote->History(), items = General().historyItems](ProfileStore& store) {
            history->Save(items, store, kConnectHistorySection);
        });
}

void FrameBuilder::CreateFind() {
    CMainFrame& f = m_frame;
    CMainFrame* frame = &f;
    CPanexApp* app = &f.m_app;
    f.m_find = std::make_unique<CFindFiles>(f);
    f.m_find->SetMainWindow(&f);
    f.m_find->SetSaverRegistrar([app](std::function<void(ProfileStore&)> saver) {
        app->RegisterSaver(SaverSlot::FindFileFolderSettings, std::move(saver));
    });
    f.m_find->SetGrepLoader([frame] { frame->m_tools->EnsureLoaded(CPaneTools::Settings::Grep); });
    FindWindowServices services;
    services.openInEditor = [app](const QString& path, bool viewOnly) {
        return app->OpenInEditor(path, viewOnly);
    };
    services.listingPath = [app] { return app->GetDirListingPath(); };
    services.batchPath = [app] { return app->GetTempBatchPath(); };
    services.runScript = [frame](const QString& script, const QString& folder) {
        return RunScriptInTerminal(script, folder, ConsolePreamble(*frame));
    };
    services.loadBatchHistory = [frame] {
        frame->m_tools->EnsureLoaded(CPaneTools::Settings::BatchTemplateHistory);
    };
    services.restorePlacement = [frame](QWidget* window) {
        ApplyWindowPlacement(window,
                             GetStoredPlacement(frame->Store(), kFindSettingsSection, frame));
    };
    services.storePlacement = [frame](QWidget* window) {
        WriteWindowRect(frame->Store(), kFindSettingsSection,
                        WindowRect::FromQRect(window->normalGeometry()));
    };
    f.m_find->SetWindowServices(std::move(services));
}

void FrameBuilder::CreateMenus() {
    CMainFrame& f = m_frame;
    BuildMenuBar(*f.menuBar(), f.m_commands);
    // The shortcuts work wherever the focus is in the window, menu bar shown
    // or not, but never in a text field (ShortcutGate).
    f.addActions(f.m_commands.Actions());
    f.m_shortcutGate = new ShortcutGate(&f, f.m_commands);
    qApp->installEventFilter(f.m_shortcutGate);
}

bool FrameBuilder::CreateToolBar() {
    CMainFrame& f = m_frame;
    f.m_toolBar = new QToolBar(kToolBarName, &f);
    f.m_toolBar->setObjectName(kToolBarName);
    f.m_toolBar->setProperty("barId", kToolBarId);
    f.m_toolBar->setProperty("resource", kMainToolbarResource);
    for (int id : MainToolbarButtons()) {
        if (id == kToolbarSeparator) {
            f.m_toolBar->addSeparator();
            continue;
        }
        QAction* action = f.m_commands.Action(id);
        if (!action)
            return false;
        action->setIcon(ToolbarIcon(id));
        f.m_toolBar->addAction(action);
        f.m_commands.SetToolbarCommand(id);
    }
    // A new toolbar has raised buttons; "bFlatToolbars" makes them flat.
    f.SetFlatBars(false);
    return true;
}

bool FrameBuilder::CreateStatusBar() {
    CMainFrame& f = m_frame;
    f.m_statusBar = new CMainStatusBar(&f);
    f.m_statusBar->setProperty("barId", kStatusBarId);
    f.setStatusBar(f.m_statusBar);
    f.m_statusBar->ConnectCommandPrompts(f.m_commands);
    f.m_statusBar->ConnectIndicators(f.m_commands);
    f.m_operations = std::make_unique<FileOpQueue>();
    f.m_operations->SetPromptParent(&f);
    QObject::connect(f.m_operations.get(), &FileOpQueue::runningChanged, f.m_statusBar,
                     &CMainStatusBar::SetOperationCount);
    SetBackgroundOperations(f.m_operations.get());
    return true;
}

void FrameBuilder::DockBars() {
    CMainFrame& f = m_frame;
    f.m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    f.addToolBar(Qt::TopToolBarArea, f.m_addressBar);
    // The function keys take a line of their own, the lowest, as in every
    // commander: the bottom area's first line is the one farthest from the
    // panes.
    f.m_functionKeys = new FunctionKeyBar(f.m_commands, &f);
    f.addToolBar(Qt::BottomToolBarArea, f.m_functionKeys);
    f.addToolBarBreak(Qt::BottomToolBarArea);
    f.addToolBar(Qt::BottomToolBarArea, f.m_toolBar);
    f.addToolBar(Qt::LeftToolBarArea, f.m_driveBar);
}

void FrameBuilder::CreateTreeBar() {
    CMainFrame& f = m_frame;
    CMainFrame* frame = &f;
    f.m_treeBar = new TreeBar(f, &f);
    f.m_treeBar->Browser()->SetSettingsSource([frame] {
        return CTreeBrowser::Settings{frame->m_treeOptions, frame->m_treeAutoCDDelay};
    });
    f.addDockWidget(Qt::LeftDockWidgetArea, f.m_treeBar);
    f.m_treeBar->hide();
}

void FrameBuilder::RestoreBarState() {
    CMainFrame& f = m_frame;
    const ProfileStore& store = f.Store();
    if (store.GetProfileInt(kMainFrameSection, MainFrameKeys::kToolbarsVersion, 0) !=
        kToolbarsVersion)
        return;
    f.m_bars->RestoreSizes(store);
    // A state Qt cannot read leaves the default docking in place.
    if (const std::optional<QByteArray> state =
            store.GetProfileBinary(kMainFrameSection, MainFrameKeys::kDockState))
        f.restoreState(*state);
}

bool FrameBuilder::CreateClient() {
    CMainFrame& f = m_frame;
    CMainFrame* frame = &f;
    f.LoadTiling(f.Store());
    f.m_splitter = new CPaneSplitter(f.m_sideBySide, &f);
    f.m_splitter->setProperty("paneId", 59648);

    // Each side of the splitter holds a pane's tabs; the frame's panes are
    // the tabs shown, and follow every switch.
    f.m_tabs = std::make_unique<TabCommands>(f, &f);
    f.m_tabs->BindWindowPanes(f.m_left, f.m_right, f.m_active,
                              [frame](CPanexView* view) { frame->ActivatePane(view); });
    f.m_tabs->SetViewObserver([frame](CPanexView* view) {
        if (frame->m_tools)
            frame->m_tools->AttachPane(*view);
    });
    if (f.m_bars)
        f.m_tabs->ServeLayouts(*f.m_bars);
    f.m_splitter->SetPanes(f.m_tabs->Left(), f.m_tabs->Right());
    f.m_splitter->SetFirstPaneActiveQuery([frame] { return frame->m_active == frame->m_left; });
    QObject::connect(f.m_splitter, &CPaneSplitter::barDoubleClicked, &f,
                     [frame] { frame->m_splitter->Balance(CPaneSplitter::DoubleClick); });
    // A layout or a stored width may hide the active pane.
    QObject::connect(f.m_splitter, &CPaneSplitter::panesResized, &f,
                     &CMainFrame::KeepActivePaneShown, Qt::QueuedConnection);
    f.m_splitter->SetFirstPaneSize(
        f.Store().GetProfileInt(kMainFrameSection, MainFrameKeys::kLeftPaneWidth,
                                kDefaultLeftPaneWidth),
        kMinimumPaneSize);
    f.setCentralWidget(f.m_splitter);
    return true;
}

void FrameBuilder::StartPanes() {
    CMainFrame& f = m_frame;
    f.m_left->LoadSettings();
    f.m_right->LoadSettings();
    // Each pane writes its own section, its shown tab's settings and its
    // tabs, when the window closes, after the frame's settings.
    for (PaneTabs* side : {f.m_tabs->Left(), f.m_tabs->Right()}) {
        QPointer<PaneTabs> guarded(side);
        f.m_app.AddFrameSaver([guarded](ProfileStore& store) {
            if (guarded)
                guarded->SaveSettings(store);
        });
    }

    if (const QString dumpPath = PaneListingDump::PathFromEnvironment(); !dumpPath.isEmpty())
        f.m_dump = std::make_unique<PaneListingDump>(f.m_left, f.m_right, dumpPath);
    PaneListingDump* dump = f.m_dump.get();
    if (dump && f.m_treeBar)
        dump->WatchTree(f.m_treeBar->Browser());
    if (dump && f.m_operations) {
        QObject::connect(
            f.m_operations.get(), &FileOpQueue::runningChanged, dump,
            [dump](int count) { dump->SetOperationsText(RunningOperationsText(count)); });
    }
    if (dump) {
        dump->WatchButtons(f.m_functionKeys);
        dump->WatchTabs(f.m_tabs->Left(), f.m_tabs->Right());
    }

    // The stored tabs come back around the shown ones, which open first.
    f.m_tabs->BeginRestore();
    f.m_left->InitialUpdate();
    f.m_right->InitialUpdate();
    f.m_tabs->FinishRestore();
}
