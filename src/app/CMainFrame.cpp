#include "app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "app/AddressBar.h"
#include "app/CMainStatusBar.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/CommandTable.h"
#include "app/DriveBar.h"
#include "app/E2eDump.h"
#include "app/FrameBars.h"
#include "app/FrameBuilder.h"
#include "app/FrameCommands.h"
#include "app/FunctionKeyBar.h"
#include "app/MainMenu.h"
#include "app/PendingCommands.h"
#include "app/RemoteConnect.h"
#include "app/TabCommands.h"
#include "app/WindowRect.h"
#include "fileops/CPaneFileUtils.h"
#include "fileops/CPaneTransfer.h"
#include "find/CFindFiles.h"
#include "pack/CPackTools.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "pane/PaneTabs.h"
#include "platform/fileop/FileOpQueue.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/store/ProfileStore.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "stats/CFolderStats.h"
#include "tools/CPaneTools.h"
#include "tree/TreeBar.h"

namespace {

const QString kHelpNeedsEditor = QStringLiteral("comes with the internal editor");

}  // namespace

CMainFrame::CMainFrame(CPanexApp& app)
    : m_app(app), m_frameCommands(std::make_unique<FrameCommands>(*this)) {
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
    return FrameBuilder(*this).Build();
}

// -- Commands ------------------------------------------------------------------

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
    // A remote folder is shown and remembered by its URI, never its FUSE
    // path; one without a FUSE path has nothing but its URI.
    const bool fileSystem = model && (model->IsFileSystem() || ReadsEntrySource(*model));
    const QString shown =
        fileSystem ? (model->IsFileSystem() ? ShownLocation(model->path) : model->path) : QString();
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

// -- Bars and notices ------------------------------------------------------------

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
