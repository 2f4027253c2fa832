#pragma once
// FrameCommands: the main window's own commands and the order in which a
// command looks for its handler.
//
// Map() puts the command table on the window's command manager and maps the
// frame's handlers: the pane pair (ID_PANES_EQUAL, ID_PANES_ONE,
// ID_PANES_SAME_FOLDER, ID_PANES_SWAP), the bars (ID_VIEW_TOOLBAR,
// ID_VIEW_STATUS_BAR, ID_VIEW_FUNCTION_KEYS, ID_VIEW_ADDRESSBAR,
// ID_VIEW_DRIVEBAR, ID_VIEW_TREEBAR, each checked while its bar is shown),
// ID_VIEW_HIDDEN_FILES, ID_TREE_KEEP_SYNC, the volume dialog
// (ID_SELECT_DRIVE, ID_DRIVE_LEFT, ID_DRIVE_RIGHT), the options, the about
// box, exit and the help files (enabled only with an editor to show them).
//
// Chain() is the routing: the folder tree while it has the focus, the
// volume bar, the address bar, the active pane, the tab commands, then the
// transfer, tool, pack, file-utility, find and statistics commands, and the
// frame last.
// A command nobody carries out in this build is claimed, disabled, by the
// frame (CMainFrame::OnUpdateCommand), and ShowUnavailableReason() says
// why in the status bar when the command is highlighted.
//
// Owned by its frame, made before anything else of it; every handler acts
// on the frame's state at the time it runs, so a bar or pane made later is
// found. Main thread only.

#include <memory>

#include "platform/ui/CommandManager.h"

class CMainFrame;
class CPanexView;
class QWidget;
struct DriveDialogSettings;

class FrameCommands {
public:
    explicit FrameCommands(CMainFrame& frame);
    ~FrameCommands();
    FrameCommands(const FrameCommands&) = delete;
    FrameCommands& operator=(const FrameCommands&) = delete;

    /// The table's commands and the frame's handlers, and Chain() as the
    /// manager's routing.
    void Map();
    CommandManager::Chain Chain() const;
    /// The status bar's prompt for a highlighted command `id` that cannot
    /// run in this build gets the reason appended; others are left alone.
    void ShowUnavailableReason(int id);

    /// ID_PANES_SAME_FOLDER: the inactive pane opens the active pane's
    /// folder; `reverse` (Alt held) the other way round.
    void SameFolder(bool reverse);
    /// ID_PANES_SWAP: each pane opens the folder the other showed and
    /// focuses the item that had the focus there; the active pane keeps the
    /// focus.
    void SwapPanes();
    /// ID_SELECT_DRIVE (`pane` the active one), ID_DRIVE_LEFT (left) and
    /// ID_DRIVE_RIGHT (right): the volume selection dialog; the pane opens
    /// the chosen folder. The dialog's settings are loaded at its first use
    /// in the run and saved at exit.
    void SelectDrive(CPanexView* pane);
    /// Ctrl+.: flips "bShowHiddenFiles", both panes read their folders
    /// again, and a notice says which way.
    void ToggleHiddenFiles();
    /// ID_VIEW_OPTIONS: "Program Options" (OptionsDialog.h), then the
    /// commander mode it may have changed.
    void ShowOptions();

private:
    void OnHelp(int id);
    static void ToggleBar(QWidget* bar);

    CMainFrame& m_frame;
    // Shared with the saver, which runs at exit, after the frame is gone.
    std::shared_ptr<DriveDialogSettings> m_driveDialogSettings;
};
