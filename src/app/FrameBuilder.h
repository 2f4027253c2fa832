#pragma once
// FrameBuilder: the main window's creation (CMainFrame::Create), in the
// order the pieces depend on each other:
//
//   the commands (FrameCommands.h), the transfer, tool, pack, statistics,
//   find and remote-folder commands with their editors, listing paths and
//   savers; the menu bar and the shortcut gate; the address bar, the
//   toolbar, the volume bar ("bDriveBar2Root") and the status bar with
//   the background operations; the tree options, "FolderCombo History"
//   into the address box, the docking, the sizable bars, the tree bar and
//   the bars' stored state (only when "nToolbarsVersion" is 1), the
//   stored layouts and the flat-bar style; then notices go to the status
//   bar, and the splitter ("bUpDownPanes", "nLeftPaneWidth") gets both
//   panes' tabs (TabCommands.h), whose shown tabs are the frame's panes;
//   they read their settings, register their savers and open their first
//   folders, the stored tabs coming back around them.
//
// Build() returns false, with the window unusable, when a piece cannot be
// made (a toolbar button without its command). Everything made belongs to
// the frame; the builder keeps nothing and goes when Build() returns.
// Main thread only.

class CMainFrame;

class FrameBuilder {
public:
    explicit FrameBuilder(CMainFrame& frame) : m_frame(frame) {}

    bool Build();

private:
    void CreateTools();
    void CreateFind();
    void CreateRemote();
    void CreateMenus();
    bool CreateToolBar();
    bool CreateStatusBar();
    void DockBars();
    void CreateTreeBar();
    void RestoreBarState();
    bool CreateClient();
    void StartPanes();

    CMainFrame& m_frame;
};
