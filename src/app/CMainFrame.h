#pragma once
// CMainFrame: the program's one main window. Its client area is the pane
// splitter with the left (first) and the right (second) folder pane; the
// toolbar docks around it (at the bottom by default) and the status bar sits
// at the bottom. The frame knows which pane is active, carries the pane-pair
// commands (equal panes, one pane, same folder, swap), shows and hides its
// bars, routes commands (active pane, document, frame, application), and
// restores and saves "MainFrame Settings".
//
// The pieces: FrameSettings.h (its values of "MainFrame Settings"),
// FrameBuilder.h (Create()), FrameCommands.h (its own commands and the
// routing).
//
// Life (see AppFrame.h for the application's side):
//   Create()   the command table and menus, the address bar (AddressBar.h,
//              with the command line), the toolbar, the volume bar
//              (DriveBar.h), "bDriveBar2Root",
//              the status bar, the tree options, "FolderCombo History" into
//              the address box, the docking (restored from
//              the store only when "nToolbarsVersion" is 1), the flat-bar
//              style, then the splitter ("bUpDownPanes", "nLeftPaneWidth")
//              with both panes, which read their settings and open their
//              first folders; notices from then on go to the status bar
//   close      CPanexApp::OnCloseMainWindow(): with "bSaveSettings" on the
//              frame writes its settings (SaveFrameSettings), then each pane
//              its own section (frame savers registered at Create()); with it
//              off, nothing
//
// The active pane starts as the left one; it changes when a pane's list
// gets the keyboard focus (or by SetActivePane()). The window title is
// "Corvane K3 - " and the active pane's folder title.
//
// For end-to-end tests only: with $CORVANE_E2E_DUMP naming a file, the frame
// keeps a listing of both panes there (E2eDump.h).
//
// Main thread only.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/AppFrame.h"
#include "app/FrameSettings.h"
#include "pane/PaneHost.h"
#include "platform/ui/CommandManager.h"
#include "platform/ui/CommandTarget.h"
#include "shell/CommandIds.h"
#include "shell/Notice.h"

class AddressBar;
class CMainStatusBar;
class CPaneTools;
class CPackTools;
class CFindFiles;
class CFolderStats;
class RemoteConnect;
class CPaneFileUtils;
class DriveBar;
class FileOpQueue;
class FrameBars;
class FrameCommands;
class FunctionKeyBar;
class CPaneTransfer;
class CPaneSplitter;
class CPanexApp;
class CPanexView;
class QMenu;
class QToolBar;
class ShortcutGate;
class TabCommands;
class TreeBar;

/// The first line of the document string: the application title.
inline const QString kMainFrameTitle = QStringLiteral("Corvane K3");
/// The toolbar's object name and window text (its docking-state key).
inline const QString kToolBarName = QStringLiteral("ToolBar");
inline const QString kHiddenFilesShown = QStringLiteral("Hidden files are shown");
inline const QString kHiddenFilesHidden = QStringLiteral("Hidden files are hidden");

/// Bar ids of the frame's own bars (ShowBar).
inline constexpr int kToolBarId = 59400;
inline constexpr int kStatusBarId = ID_VIEW_STATUS_BAR;

class CMainFrame : public QMainWindow,
                   public AppFrame,
                   public PaneHost,
                   public CommandTarget,
                   public FrameSettings {
    Q_OBJECT

public:
    explicit CMainFrame(CPanexApp& app);
    ~CMainFrame() override;

    // -- AppFrame ---------------------------------------------------------------

    bool Create() override;
    QWidget* MainWindow() const override;
    void SetActivePane(bool left) override;
    void Show() override;
    /// Writes "szWindowRect", "FolderCombo History" and "Command History"
    /// (the address bar), "nToolbarsVersion" = 1 and "DockState",
    /// "bDriveBar2Root", "bUpDownPanes", "nLeftPaneWidth", "bLeftPaneActive",
    /// "binTreeOptions" and "msTreeAutoCDDelay".
    void SaveFrameSettings(ProfileStore& store) override;

    // -- PaneHost -----------------------------------------------------------------

    ProfileStore& Store() override;
    QString CommandLineFolder(const CPanexView& pane) const override;
    bool IsFirstPane(const CPanexView& pane) const override;
    CPanexView* OtherPane(const CPanexView& pane) const override;
    CPanexView* ActivePane() const override { return m_active; }
    /// The pane that One pane gave no room.
    bool IsPaneHidden(const CPanexView& pane) const override;
    /// For the active pane: the window title.
    void ActivationUpdate(CPanexView& pane) override;
    /// The popup menus of the command table ("paneLR", ...); see
    /// BuildPopupMenu() in MainMenu.h.
    std::unique_ptr<QMenu> CreatePopupMenu(const QString& name, QWidget* parent) override;
    /// The label-edit state of a pane's rename in place: the shortcut gate
    /// keeps the plain keys for the label's editor meanwhile.
    void SetLabelEditState(bool editing) override;
    /// A command posted to a pane that the pane does not handle itself runs
    /// along the frame's chain.
    bool ExecuteCommand(int id) override;
    /// For the active pane: with `withHistory` and a file-system folder its
    /// path goes to the top of the address box's list; the box's text
    /// becomes the path joined with the filter (the filter alone for other
    /// folders).
    void AddressUpdate(CPanexView& pane, bool withHistory) override;
    /// Shift+Tab: the address box while its bar is shown; Ctrl+Tab: the
    /// folder tree while its bar is shown.
    bool FocusFrameBar(bool addressBar) override;
    /// The tree bar is shown.
    bool TreeVisible() const override;
    /// While the tree bar is shown: the tree walks to the folder.
    void LocateInTree(const IdList& absolute) override;

    // -- Commands ---------------------------------------------------------------

    /// The frame's own handlers first; then a command of the table that this
    /// build cannot carry out yet (PendingCommands.h) is claimed disabled.
    bool OnUpdateCommand(int id, CommandState& state) override;
    /// Why command `id` is disabled for good in this build (pending, or the
    /// help commands without an internal editor); empty when it is not.
    QString UnavailableReason(int id) const;
    /// Keeps the accelerators away from text fields (MainMenu.h).
    ShortcutGate* Shortcuts() const { return m_shortcutGate; }

    // -- The pane pair --------------------------------------------------------

    CPanexView* GetLeftPane() const { return m_left; }
    CPanexView* GetRightPane() const { return m_right; }
    CPanexView* GetActivePane() const { return m_active; }
    CPanexView* GetInactivePane() const;
    /// Makes `pane` the active one and gives its list the keyboard focus;
    /// when the active pane really changed, the pane's activation update
    /// follows (caption, window title). A hidden pane is refused while the
    /// other one is shown: the shown pane stays (or becomes) active.
    void ActivatePane(CPanexView* pane);

    // -- Bars and notices -------------------------------------------------------

    /// Forwards to the status bar (the notice sink while the frame lives).
    void ShowNotice(const std::optional<QString>& text, bool alert);

    /// The file operations running in the background (copy, move, delete,
    /// paste and drops start theirs here); null before Create().
    FileOpQueue* Operations() const { return m_operations.get(); }
    /// Whether the program may end while operations run: true when none
    /// runs; with `mayAsk`, asks whether to cancel them (No keeps the
    /// program and the operations going); without, cancels them. A cancel
    /// waits for every operation to stop, its item in progress undone.
    bool ConfirmOperationsEnd(bool mayAsk) override;
    int OperationsRunning() const override;
    /// Shows a bar by its id (59400 toolbar, ID_VIEW_STATUS_BAR status bar, the docks by
    /// theirs: 59401 tree, 59403 thumbnails); never hides.
    void ShowBar(int barId);
    /// Flat toolbar buttons (on) or raised ones (off, as a new toolbar has).
    void SetFlatBars(bool on);

    CMainStatusBar* StatusBar() const { return m_statusBar; }
    QToolBar* ToolBar() const { return m_toolBar; }
    FunctionKeyBar* FunctionKeys() const { return m_functionKeys; }
    CPaneSplitter* Splitter() const { return m_splitter; }
    CommandManager& Commands() { return m_commands; }
    AddressBar* GetAddressBar() const { return m_addressBar; }
    DriveBar* GetDriveBar() const { return m_driveBar; }
    /// The sizable bars (every dock), the thumbnail bar and the layouts.
    FrameBars* Bars() const { return m_bars; }
    TreeBar* GetTreeBar() const { return m_treeBar; }
    /// Puts the keys of the mode "bCommanderMode" names on the commands and
    /// the function-key bar, and the mode on both panes' lists.
    void ApplyCommanderMode();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class FrameBuilder;
    friend class FrameCommands;

    void OnFocusChanged(QWidget* now);
    void KeepActivePaneShown();

    CPanexApp& m_app;
    // Before the command manager, whose routing it is, so it goes after it.
    std::unique_ptr<FrameCommands> m_frameCommands;
    CommandManager m_commands;
    CMainStatusBar* m_statusBar = nullptr;
    ShortcutGate* m_shortcutGate = nullptr;
    AddressBar* m_addressBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    FunctionKeyBar* m_functionKeys = nullptr;
    DriveBar* m_driveBar = nullptr;
    TreeBar* m_treeBar = nullptr;
    CPaneSplitter* m_splitter = nullptr;
    CPanexView* m_left = nullptr;
    CPanexView* m_right = nullptr;
    CPanexView* m_active = nullptr;
    bool m_created = false;
    NoticeSink m_previousSink;
    std::unique_ptr<class PaneListingDump> m_dump;  // end-to-end listing, when asked for
    // The transfer commands (copy, move, delete, clipboard, view and edit)
    // and the panes' drag and drop; routed right after the active pane.
    std::unique_ptr<CPaneTransfer> m_transfer;
    // The selection, comparison, text scan, batch and listing commands;
    // routed after the transfer commands.
    std::unique_ptr<CPaneTools> m_tools;
    std::unique_ptr<CPackTools> m_pack;
    std::unique_ptr<CPaneFileUtils> m_fileUtils;
    // Find files (Ctrl+F) and its results windows; routed after the tools.
    std::unique_ptr<CFindFiles> m_find;
    // Folder statistics (Ctrl+D) and its windows; routed after the tools.
    std::unique_ptr<CFolderStats> m_stats;
    std::unique_ptr<RemoteConnect> m_remote;
    // The background file operations; their windows are the frame's
    // children, and the queue goes before the panes.
    std::unique_ptr<FileOpQueue> m_operations;
    bool m_askingToClose = false;
    // The sizable bars, the thumbnail bar and the stored layouts (a child).
    FrameBars* m_bars = nullptr;
    // The tabs of both panes and their commands; m_left and m_right are
    // the tabs shown. Routed right after the active pane.
    std::unique_ptr<TabCommands> m_tabs;
};

/// Installs the factory that makes a CMainFrame for the application.
void InstallMainFrameFactory();
