#include "app/CMainFrame.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "app/CMainStatusBar.h"
#include "app/CPaneSplitter.h"
#include "app/CPanexApp.h"
#include "app/PollEscape.h"
#include "app/ToolbarResource.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/shell/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/KeyState.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"

namespace {

// Bar ids of the frame's bars.
constexpr int kToolBarId = 59400;
constexpr int kStatusBarId = ID_VIEW_STATUS_BAR;

const QString kFilesMenu = QStringLiteral("&Files");
const QString kViewMenu = QStringLiteral("&View");
const QString kToolbarsMenu = QStringLiteral("&Toolbars");
const QString kPaneStyleMenu = QStringLiteral("&Pane style");
const QString kSortByMenu = QStringLiteral("&Sort by");

QKeySequence Keys(int combination) {
    return QKeySequence(combination);
}

CommandInfo Command(int id, const QString& menuText, QList<QKeySequence> shortcuts,
                    const QString& prompt) {
    CommandInfo info;
    info.id = id;
    info.menuText = menuText;
    info.shortcuts = std::move(shortcuts);
    info.prompt = prompt;
    return info;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

int ClampTreeAutoCDDelay(int stored) {
    if (stored > kMaxTreeAutoCDDelay)
        return kDefaultTreeAutoCDDelay;
    if (stored < kMinTreeAutoCDDelay)
        return kMinTreeAutoCDDelay;
    return stored;
}

QList<CommandInfo> MainFrameCommandTable() {
    const int ctrl = Qt::CTRL;
    const int alt = Qt::ALT;
    return {
        Command(ID_APP_EXIT, QStringLiteral("E&xit\tAlt+X"), {Keys(alt | Qt::Key_X)},
                QStringLiteral("Quit the application\nExit")),
        Command(ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"), {},
                QStringLiteral("Show or hide the tool bar\nToggle ToolBar")),
        Command(ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), {},
                QStringLiteral("Show or hide the status bar\nToggle StatusBar")),
        Command(ID_VIEW_LARGEICON, QStringLiteral("Lar&ge icons"), {},
                QStringLiteral("Displays items using large icons\nLarge icons")),
        Command(ID_VIEW_SMALLICON, QStringLiteral("&Small icons"), {},
                QStringLiteral("Displays items using small icons\nSmall icons")),
        Command(ID_VIEW_LIST, QStringLiteral("&List"), {},
                QStringLiteral("Display items in a list\nList")),
        Command(ID_VIEW_DETAILS, QStringLiteral("&Details"), {},
                QStringLiteral("Displays detailed information for each item\nDetails")),
        Command(ID_SORT_NAME, QStringLiteral("&Name\tCtrl+Alt+N"), {Keys(ctrl | alt | Qt::Key_N)},
                QStringLiteral("Sorts items alphabetically by name\nby Name (Ctrl+Alt+N)")),
        Command(ID_SORT_SIZE, QStringLiteral("&Size\tCtrl+Alt+S"), {Keys(ctrl | alt | Qt::Key_S)},
                QStringLiteral("Sorts items by size, from smallest to largest\nby Size "
                               "(Ctrl+Alt+S)")),
        Command(ID_SORT_DATE, QStringLiteral("&Date\tCtrl+Alt+D"), {Keys(ctrl | alt | Qt::Key_D)},
                QStringLiteral("Sorts items by active date, from most recent to oldest\nby "
                               "Date (Ctrl+Alt+D)")),
        Command(ID_SORT_TYPE, QStringLiteral("&Type\tCtrl+Alt+T"), {Keys(ctrl | alt | Qt::Key_T)},
                QStringLiteral("Sorts items by type (extension)\nby Type (Ctrl+Alt+T)")),
        Command(ID_SORT_NONE, QStringLiteral("&Unsorted\tCtrl+Alt+U"),
                {Keys(ctrl | alt | Qt::Key_U)},
                QStringLiteral("Do not sort items in any way\nUnsorted (Ctrl+Alt+U)")),
        Command(ID_SORT_ASCENDING, QStringLiteral("&Ascending\tCtrl+Alt+A"),
                {Keys(ctrl | alt | Qt::Key_A)},
                QStringLiteral("Toggles sorting items from \"smallest\" to \"largest\"\n"
                               "Ascending  (Ctrl+Alt+A)")),
        Command(ID_PANE_REFRESH, QStringLiteral("&Refresh\tCtrl+R"),
                {Keys(ctrl | Qt::Key_R), Keys(ctrl | alt | Qt::Key_R)},
                QStringLiteral("Refresh pane items (re-read folder; press <Alt> to refresh the "
                               "inactive pane)\nRefresh (Ctrl+R)")),
        Command(ID_PANES_SAME_FOLDER, QStringLiteral("Same &folder\tCtrl+I"),
                {Keys(ctrl | Qt::Key_I), Keys(ctrl | alt | Qt::Key_I)},
                QStringLiteral("Load the same folder in the inactive pane (press <Alt> for the "
                               "reverse)\nBrowse Identical (Ctrl+I)")),
        Command(ID_PANES_EQUAL, QStringLiteral("&Equal panes\tCtrl+E"), {Keys(ctrl | Qt::Key_E)},
                QStringLiteral("Make the width (or height) of the two panes equal")),
        Command(ID_PANES_ONE, QStringLiteral("O&ne pane\tCtrl+O"), {Keys(ctrl | Qt::Key_O)},
                QStringLiteral("Hide the inactive pane, maximise the active one")),
        Command(ID_PANES_SWAP, QStringLiteral("S&wap panes\tCtrl+U"), {Keys(ctrl | Qt::Key_U)},
                QStringLiteral("Mutually exchange the contents of the two panes")),
    };
}

CMainFrame::CMainFrame(CPanexApp& app) : m_app(app) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(kMainFrameTitle);
    // Without a stored place the window opens at a size fit for two panes,
    // not at the few hundred pixels its contents would ask for.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size() * 3 / 4);
    m_dumpTimer.setSingleShot(true);
    m_dumpTimer.setInterval(0);
    connect(&m_dumpTimer, &QTimer::timeout, this, &CMainFrame::WriteDump);
}

CMainFrame::~CMainFrame() {
    disconnect(qApp, nullptr, this, nullptr);
    m_dumpTimer.stop();
    if (m_created)
        SetNoticeSink(std::move(m_previousSink));
    // The panes go before the command manager and the rest of the frame, and
    // nothing asks for them while they are destroyed.
    m_left = m_right = m_active = nullptr;
    delete m_splitter;
    m_splitter = nullptr;
}

// -- Creation ------------------------------------------------------------------

bool CMainFrame::Create() {
    CreateCommands();
    CreateMenus();
    if (!CreateToolBar())
        return false;
    ReadDriveBarSetting();
    if (!CreateStatusBar())
        return false;
    LoadTreeSettings();
    DockBars();
    RestoreBarState();
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
    StartPanes();
    return true;
}

void CMainFrame::CreateCommands() {
    m_commands.AddCommands(MainFrameCommandTable());
    m_commands.SetChainProvider([this] { return CommandChain(); });

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
    MapCommand(ID_APP_EXIT, [this] { close(); });
}

CommandManager::Chain CMainFrame::CommandChain() const {
    // The folder tree and the drive bar come first once they exist; the
    // document and the application have no commands of their own yet.
    CommandManager::Chain chain;
    chain.append(m_active);
    chain.append(const_cast<CMainFrame*>(this));
    return chain;
}

void CMainFrame::CreateMenus() {
    QMenu* files = menuBar()->addMenu(kFilesMenu);
    files->addAction(m_commands.Action(ID_APP_EXIT));

    QMenu* view = menuBar()->addMenu(kViewMenu);
    QMenu* toolbars = view->addMenu(kToolbarsMenu);
    toolbars->addAction(m_commands.Action(ID_VIEW_TOOLBAR));
    toolbars->addAction(m_commands.Action(ID_VIEW_STATUS_BAR));
    QMenu* style = view->addMenu(kPaneStyleMenu);
    for (int id : {ID_VIEW_LARGEICON, ID_VIEW_SMALLICON, ID_VIEW_LIST, ID_VIEW_DETAILS})
        style->addAction(m_commands.Action(id));
    QMenu* sortBy = view->addMenu(kSortByMenu);
    for (int id : {ID_SORT_NAME, ID_SORT_SIZE, ID_SORT_DATE, ID_SORT_TYPE, ID_SORT_NONE})
        sortBy->addAction(m_commands.Action(id));
    sortBy->addSeparator();
    sortBy->addAction(m_commands.Action(ID_SORT_ASCENDING));
    view->addSeparator();
    for (int id :
         {ID_PANE_REFRESH, ID_PANES_SAME_FOLDER, ID_PANES_EQUAL, ID_PANES_ONE, ID_PANES_SWAP})
        view->addAction(m_commands.Action(id));

    m_commands.WatchMenu(files);
    m_commands.WatchMenu(view);
    // The shortcuts work wherever the focus is in the window, menu bar shown
    // or not.
    addActions(m_commands.Actions());
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
    addToolBar(Qt::BottomToolBarArea, m_toolBar);
}

void CMainFrame::RestoreBarState() {
    const ProfileStore& store = Store();
    if (store.GetProfileInt(kMainFrameSection, MainFrameKeys::kToolbarsVersion, 0) !=
        kToolbarsVersion)
        return;
    // A state Qt cannot read leaves the default docking in place.
    if (const std::optional<QByteArray> state =
            store.GetProfileBinary(kMainFrameSection, MainFrameKeys::kDockState))
        restoreState(*state);
}

bool CMainFrame::CreateClient() {
    m_sideBySide = Store().GetProfileInt(kMainFrameSection, MainFrameKeys::kUpDownPanes, 0) == 0;
    m_splitter = new CPaneSplitter(m_sideBySide, this);
    m_splitter->setProperty("paneId", 59648);

    m_left = new CPanexView(*this);
    m_left->setObjectName(QStringLiteral("leftPane"));
    m_right = new CPanexView(*this);
    m_right->setObjectName(QStringLiteral("rightPane"));
    m_active = m_left;
    m_splitter->SetPanes(m_left, m_right);
    m_splitter->SetFirstPaneActiveQuery([this] { return m_active == m_left; });
    connect(m_splitter, &CPaneSplitter::barDoubleClicked, this,
            [this] { m_splitter->Balance(CPaneSplitter::DoubleClick); });
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
    // Each pane writes its own section when the window closes, after the
    // frame's settings.
    for (CPanexView* pane : {m_left, m_right}) {
        QPointer<CPanexView> guarded(pane);
        m_app.AddFrameSaver([guarded](ProfileStore& store) {
            if (guarded)
                guarded->SaveSettings(store);
        });
    }

    m_dumpPath = NameFromBytes(qgetenv(kE2eDumpVariable));
    if (!m_dumpPath.isEmpty()) {
        WatchRowsForDump(m_left);
        WatchRowsForDump(m_right);
    }

    m_left->InitialUpdate();
    m_right->InitialUpdate();
}

// -- AppFrame ------------------------------------------------------------------

QWidget* CMainFrame::MainWindow() const {
    return m_created ? const_cast<CMainFrame*>(this) : nullptr;
}

void CMainFrame::SetActivePane(bool left) {
    ActivatePane(left ? m_left : m_right);
}

void CMainFrame::Show() {
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
    store.WriteProfileInt(section, MainFrameKeys::kToolbarsVersion, kToolbarsVersion);
    store.WriteProfileBinary(section, MainFrameKeys::kDockState, saveState());
    store.WriteProfileInt(section, MainFrameKeys::kDriveBar2Root, m_driveBar2Root ? 1 : 0);
    store.WriteProfileInt(section, MainFrameKeys::kUpDownPanes, m_sideBySide ? 0 : 1);
    store.WriteProfileInt(section, MainFrameKeys::kLeftPaneWidth, m_splitter->GetFirstPaneSize());
    store.WriteProfileInt(section, MainFrameKeys::kLeftPaneActive, m_active == m_left ? 1 : 0);
    store.WriteProfileInt(section, MainFrameKeys::kTreeOptions, m_treeOptions);
    store.WriteProfileInt(section, MainFrameKeys::kTreeAutoCDDelay, m_treeAutoCDDelay);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Editors first, then (with "bSaveSettings") the frame's settings and
    // the panes' sections.
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

void CMainFrame::ActivatePane(CPanexView* pane) {
    if (!pane)
        return;
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
        if (pane != m_active && pane->isAncestorOf(now)) {
            ActivatePane(pane);
            return;
        }
    }
}

void CMainFrame::SameFolder(bool reverse) {
    CPanexView* source = reverse ? GetInactivePane() : m_active;
    CPanexView* target = reverse ? m_active : GetInactivePane();
    if (!source || !target || !source->Model())
        return;
    target->OpenFolder(source->Model()->idList);
}

void CMainFrame::SwapPanes() {
    // Mirror browsing is switched off for the swap here once it exists.
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

void CMainFrame::ShowNotice(const std::optional<QString>& text, bool alert) {
    if (m_statusBar)
        m_statusBar->ShowNotice(text, alert);
}

void CMainFrame::ShowBar(int barId) {
    QWidget* bar = barId == kToolBarId     ? static_cast<QWidget*>(m_toolBar)
                   : barId == kStatusBarId ? static_cast<QWidget*>(m_statusBar)
                                           : nullptr;
    if (bar && bar->isHidden())
        bar->show();
}

void CMainFrame::ToggleBar(QWidget* bar) {
    if (bar)
        bar->setVisible(bar->isHidden());
}

void CMainFrame::SetFlatBars(bool on) {
    // Qt's toolbars always have their grip (the bar stays movable either
    // way); the style shows in the buttons.
    for (QToolButton* button : m_toolBar->findChildren<QToolButton*>()) button->setAutoRaise(on);
    m_toolBar->update();
}

// -- End-to-end listing ----------------------------------------------------------

void CMainFrame::WatchRowsForDump(CPanexView* pane) {
    QAbstractItemModel* rows = pane->List()->Model();
    auto schedule = [this] { m_dumpTimer.start(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(rows, &QAbstractItemModel::modelReset, this, schedule);
    connect(rows, &QAbstractItemModel::layoutChanged, this, schedule);
}

void CMainFrame::WriteDump() {
    QByteArray text;
    for (const auto& [pane, tag] : {std::pair{m_left, "L\t"}, std::pair{m_right, "R\t"}}) {
        if (!pane)
            continue;
        const PaneListCtrl* list = pane->List();
        for (int row = 0; row < list->RowCount(); ++row) {
            if (const FolderItem* item = list->ItemAt(row)) {
                text += tag;
                text += NameToBytes(item->name);
                text += '\n';
            }
        }
    }
    // Written aside and renamed, so a reader never sees half a listing.
    const QByteArray path = NameToBytes(m_dumpPath);
    const QByteArray temporary = path + ".tmp";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool written = WriteAll(fd, text);
    ::close(fd);
    if (written)
        ::rename(temporary.constData(), path.constData());
}

void InstallMainFrameFactory() {
    SetFrameFactory([](CPanexApp& app) { return std::make_unique<CMainFrame>(app); });
}
