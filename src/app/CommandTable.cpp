#include "app/CommandTable.h"

#include <QHash>

#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"

namespace {

QKeySequence K(QKeyCombination keys) {
    return QKeySequence(keys);
}

CommandInfo C(int id, const QString& text, QList<QKeySequence> keys, const QString& prompt) {
    CommandInfo info;
    info.id = id;
    info.menuText = text;
    info.shortcuts = std::move(keys);
    info.prompt = prompt;
    return info;
}

QList<CommandInfo> BuildTable() {
    QList<CommandInfo> table = {
        C(ID_FILE_VIEW, QStringLiteral("&View\tF3"),
          {K(Qt::Key_F3), K(Qt::ControlModifier | Qt::Key_F3)},
          QStringLiteral("View file as text\nView (F3)")),
        C(ID_FILE_EDIT, QStringLiteral("&Edit\tF4"),
          {K(Qt::Key_F4), K(Qt::ControlModifier | Qt::Key_F4)},
          QStringLiteral("Edit file as text\nEdit")),
        C(ID_FILE_PROPERTIES, QStringLiteral("&Properties\tF12"), {K(Qt::Key_F12)},
          QStringLiteral("Display the properties of the selected item(s)\nProperties (F12)")),
        C(ID_FILE_COPYTO, QStringLiteral("&Copy to...\tF5"),
          {K(Qt::Key_F5), K(Qt::ControlModifier | Qt::Key_F5)},
          QStringLiteral(
              "Copy the selected items to opposite panel (use <Ctrl> for direct)\nCopy to (F5)")),
        C(ID_FILE_MOVETO, QStringLiteral("&Move to...\tF6"),
          {K(Qt::Key_F6), K(Qt::ControlModifier | Qt::Key_F6)},
          QStringLiteral(
              "Move the selected items to opposite panel (use <Ctrl> for direct)\nMove to (F6)")),
        C(ID_FILE_RENAME, QStringLiteral("&Rename\tF2"), {K(Qt::Key_F2)},
          QStringLiteral("Rename the selected item in place\nRename")),
        C(ID_FILE_DELETE, QStringLiteral("&Delete\tDel"), {},
          QStringLiteral("Send selected items to the trash (<Shift> for permanent "
                         "deletion)\nDelete (Del)")),
        C(ID_FILE_FILTERS, QStringLiteral("Fil&ters..."), {},
          QStringLiteral("Specify the visual filter(s) for the files to be shown\nFilters")),
        C(ID_FILE_USE_FILTER, QStringLiteral("Use filter\tCtrl+J"),
          {K(Qt::ControlModifier | Qt::Key_J),
           K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_J)},
          QStringLiteral("Quick-Toggle the visual filter on/off (press <Alt> to affect the "
                         "inactive pane)\nVisual filter (Ctrl+J)")),
        C(ID_QUICK_FILTER, QStringLiteral("&Quick filter\tCtrl+/"),
          {K(Qt::ControlModifier | Qt::Key_Slash)},
          QStringLiteral("Narrow the pane to the names that contain what you type (Esc clears "
                         "it)\nQuick filter (Ctrl+/)")),
        C(ID_FILE_FILTER_HISTORY, QStringLiteral("&History...\tCtrl+H"),
          {K(Qt::ControlModifier | Qt::Key_H)},
          QStringLiteral("Select a file filter from the history list")),
        C(ID_FILE_CONNECT_SERVER, QStringLiteral("Connect to &Server..."), {},
          QStringLiteral("Open a folder on another machine (sftp, smb, ftp, dav)\nConnect to "
                         "Server")),
        // Tabs (Files > Tabs). Ctrl+Tab and Ctrl+Shift+Tab are read by the
        // pane's list while it has several tabs: with one they still move
        // the focus to the folder tree.
        C(ID_TAB_NEW, QStringLiteral("&New tab\tAlt+N"), {K(Qt::AltModifier | Qt::Key_N)},
          QStringLiteral("Open a new tab on the current folder\nNew tab (Alt+N)")),
        C(ID_TAB_OPEN_FOCUSED, QStringLiteral("&Open folder in new tab\tCtrl+Return"),
          {K(Qt::ControlModifier | Qt::Key_Return),
           K(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Enter)},
          QStringLiteral("Open the focused folder in a new tab behind this one (also a middle "
                         "click)\nOpen in new tab (Ctrl+Return)")),
        C(ID_TAB_DUPLICATE, QStringLiteral("&Duplicate tab"), {},
          QStringLiteral("Open a copy of this tab: its folder, filter, sort, view and selection")),
        C(ID_TAB_CLOSE, QStringLiteral("&Close tab\tCtrl+W"), {K(Qt::ControlModifier | Qt::Key_W)},
          QStringLiteral("Close this tab of the pane\nClose tab (Ctrl+W)")),
        C(ID_TAB_CLOSE_OTHERS, QStringLiteral("Close o&ther tabs"), {},
          QStringLiteral("Close every tab of the pane but this one")),
        C(ID_TAB_NEXT, QStringLiteral("Ne&xt tab\tCtrl+Tab"), {},
          QStringLiteral("Show the pane's next tab\nNext tab (Ctrl+Tab)")),
        C(ID_TAB_PREVIOUS, QStringLiteral("&Previous tab\tCtrl+Shift+Tab"), {},
          QStringLiteral("Show the pane's previous tab\nPrevious tab (Ctrl+Shift+Tab)")),
        C(ID_TAB_MOVE_TO_OTHER, QStringLiteral("&Move tab to other pane"), {},
          QStringLiteral("Move this tab, its history and selection, to the other pane")),
        C(ID_TAB_LOCK, QStringLiteral("&Lock tab"), {},
          QStringLiteral("Lock this tab: it keeps its folder, and folders opened from it open in "
                         "new tabs")),
        C(ID_APP_EXIT, QStringLiteral("E&xit\tAlt+X"), {K(Qt::AltModifier | Qt::Key_X)},
          QStringLiteral("Quit the application\nExit")),
        C(ID_MARK_SELECT_ALL, QStringLiteral("Select &All\tCtrl+A"),
          {K(Qt::ControlModifier | Qt::Key_A)}, QStringLiteral("Select all items")),
        C(ID_MARK_UNSELECT_ALL, QStringLiteral("Uns&elect all\tAlt+A"),
          {K(Qt::AltModifier | Qt::Key_A)}, QStringLiteral("Un-select all items")),
        C(ID_MARK_STICKY, QStringLiteral("Stick&y selection\tAlt+S"),
          {K(Qt::AltModifier | Qt::Key_S)},
          QStringLiteral(
              "Toggle sticky selection mode (unaffected by clicks or keys)\nSticky (Alt+S)")),
        C(ID_MARK_SELECT_GROUP, QStringLiteral("&Select group...\tGrey +"),
          {K(Qt::KeypadModifier | Qt::Key_Plus),
           K(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus)},
          QStringLiteral(
              "Select items according to supplied filter (use <Ctrl> for direct)\nSelect (G+)")),
        C(ID_MARK_UNSELECT_GROUP, QStringLiteral("&Unselect group...\tGrey -"),
          {K(Qt::KeypadModifier | Qt::Key_Minus),
           K(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus)},
          QStringLiteral("Un-Select items according to supplied filter (use <Ctrl> for "
                         "direct)\nUnselect (G-)")),
        C(ID_MARK_INVERT, QStringLiteral("&Invert selection\tGrey *"),
          {K(Qt::KeypadModifier | Qt::Key_Asterisk)},
          QStringLiteral("Toggles the selection state of items\nInvert (G*)")),
        C(ID_MARK_SYNC_PANES, QStringLiteral("Synchronize &Panes\tF9"), {K(Qt::Key_F9)},
          QStringLiteral("Select all items that differ among the panes\nSynchronize (F9)")),
        C(ID_MARK_LOCATE_IDENTICAL, QStringLiteral("&Locate identical\tCtrl+F9"),
          {K(Qt::ControlModifier | Qt::Key_F9)},
          QStringLiteral("Select items that are identical in the two panes")),
        C(ID_MIRROR_BROWSING, QStringLiteral("&Mirror browsing\tCtrl+M"),
          {K(Qt::ControlModifier | Qt::Key_M)},
          QStringLiteral(
              "Toggle automatic mirror folder browsing for the two panes\nMirrorBrowse (Ctrl+M)")),
        C(ID_SYNC_SCROLLING, QStringLiteral("&Sync scrolling\tCtrl+Y"),
          {K(Qt::ControlModifier | Qt::Key_Y)},
          QStringLiteral("Toggle synchronised scrolling of the pane contents for matching items")),
        C(ID_SCROLL_TO_TOP, QStringLiteral("Scroll to t&op\tCtrl+P"),
          {K(Qt::ControlModifier | Qt::Key_P)},
          QStringLiteral(
              "Scroll items so as to bring the focus to the top of pane (details view)")),
        C(ID_MARK_CONTAINING_TEXT, QStringLiteral("Containing &text...\tCtrl+G"),
          {K(Qt::ControlModifier | Qt::Key_G)},
          QStringLiteral(
              "Select files that contain some specified text string\nFind text (Ctrl+G)")),
        C(ID_MARK_SYNC_CONTENT, QStringLiteral("Sync on &Content\tAlt+F9"),
          {K(Qt::AltModifier | Qt::Key_F9)},
          QStringLiteral("Select files in the active pane that differ in the contained data")),
        C(ID_SYNC_TOUCH, QStringLiteral("S&ync touch"), {},
          QStringLiteral(
              "Match modification times of items (from active pane onto the inactive one)")),
        C(ID_SELECTION_STORE, QStringLiteral("S&tore\tCtrl+F11"),
          {K(Qt::ControlModifier | Qt::Key_F11)},
          QStringLiteral("Remember the selected item names for later retrieval")),
        C(ID_SELECTION_SELECT, QStringLiteral("&Select\tF11"), {K(Qt::Key_F11)},
          QStringLiteral("Select all items stored earlier in the selection \"clipboard\"")),
        C(ID_SELECTION_UNSELECT, QStringLiteral("&Unselect\tAlt+F11"),
          {K(Qt::AltModifier | Qt::Key_F11)},
          QStringLiteral("Unselect all items stored earlier in the selection \"clipboard\"")),
        C(ID_MARK_GENERATE_BATCH, QStringLiteral("&Generate batch...\tCtrl+B"),
          {K(Qt::ControlModifier | Qt::Key_B)},
          QStringLiteral("Create a batch file using the selected items and a command template")),
        C(ID_MARK_PRINT_SELECTION, QStringLiteral("P&rint selection..."), {},
          QStringLiteral("Generate a printer-ready listing of the selected files")),
        C(ID_EDIT_NO_UNDO, QStringLiteral("&Undo\tCtrl+Z"), {},
          QStringLiteral("Can't Undo the last action: complaints to mikro$oft please!")),
        C(ID_EDIT_CUT, QStringLiteral("Clipboard Cu&t\tCtrl+X"),
          {K(Qt::ControlModifier | Qt::Key_X)},
          QStringLiteral("Cut the selection and put it on the Clipboard\nCut (Ctrl+X)")),
        C(ID_EDIT_COPY, QStringLiteral("Clipboard &Copy\tCtrl+C"),
          {K(Qt::ControlModifier | Qt::Key_C)},
          QStringLiteral("Copy the selection and put it on the Clipboard\nCopy (Ctrl+C)")),
        C(ID_EDIT_PASTE, QStringLiteral("Clipboard &Paste\tCtrl+V"),
          {K(Qt::ControlModifier | Qt::Key_V)},
          QStringLiteral("Insert Clipboard contents\nPaste (Ctrl+V)")),
        C(ID_EDIT_PASTE_LINK, QStringLiteral("Paste &Link"), {},
          QStringLiteral("Create links to the items held in clipboard")),
        C(ID_EDIT_FIND_TARGET, QStringLiteral("&Find target\tCtrl+L"),
          {K(Qt::ControlModifier | Qt::Key_L)},
          QStringLiteral("Find target item pointed to by this link (resolve link)")),
        C(ID_EDIT_COPY_NAMES, QStringLiteral("Copy &names\tAlt+C"),
          {K(Qt::AltModifier | Qt::Key_C), K(Qt::AltModifier | Qt::ShiftModifier | Qt::Key_C)},
          // Linux has no short 8.3 paths; Shift copies the paths quoted for the shell.
          QStringLiteral("Copy the full names of the selected items to the clipboard (<Shift> for "
                         "shell-quoted paths)")),
        C(ID_EDIT_COPY_PREVIEW, QStringLiteral("Copy pre&view"), {},
          QStringLiteral("Copy item's preview image (thumbnail) as a bitmap")),
        C(ID_VIEW_ADDRESSBAR, QStringLiteral("&Address Bar"), {},
          QStringLiteral("Show or hide the address bar\nToggle AddressBar")),
        C(ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"), {},
          QStringLiteral("Show or hide the tool bar\nToggle ToolBar")),
        C(ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), {},
          QStringLiteral("Show or hide the status bar\nToggle StatusBar")),
        C(ID_VIEW_FUNCTION_KEYS, QStringLiteral("&Function keys"), {},
          QStringLiteral("Show or hide the function-key bar along the bottom\nFunction keys")),
        C(ID_VIEW_HIDDEN_FILES, QStringLiteral("&Hidden files\tCtrl+."),
          {K(Qt::ControlModifier | Qt::Key_Period)},
          QStringLiteral("Show or hide the hidden files (names starting with a dot) in both "
                         "panes\nHidden files (Ctrl+.)")),
        C(ID_VIEW_DRIVEBAR, QStringLiteral("&Volume Bar"), {},
          QStringLiteral("Show or hide the volume bar\nToggle VolumeBar")),
        C(ID_VIEW_THUMBBAR, QStringLiteral("T&humb bar\tAlt+P"), {K(Qt::AltModifier | Qt::Key_P)},
          QStringLiteral("Show or hide the Thumbnail bar\nThumbnail (Alt+P)")),
        C(ID_LAYOUT_FIRST, QStringLiteral("(press Ctrl+Shift+7 to define)"), {},
          QStringLiteral(
              "Apply Layout 1; use Ctrl+Shift+7 to set/reset using the current frame arrangement")),
        C(ID_LAYOUT_FIRST + 1, QStringLiteral("(press Ctrl+Shift+8 to define)"), {},
          QStringLiteral(
              "Apply Layout 2; use Ctrl+Shift+8 to set/reset using the current frame arrangement")),
        C(ID_LAYOUT_LAST, QStringLiteral("(press Ctrl+Shift+9 to define)"), {},
          QStringLiteral(
              "Apply Layout 3; use Ctrl+Shift+9 to set/reset using the current frame arrangement")),
        C(ID_LAYOUT_STORE_FREE, QStringLiteral("&Store in a free slot..."), {},
          QStringLiteral("Store the current frame arrangement as the first undefined layout")),
        C(ID_VIEW_LARGEICON, QStringLiteral("Lar&ge icons"), {},
          QStringLiteral("Displays items using large icons\nLarge icons")),
        C(ID_VIEW_SMALLICON, QStringLiteral("&Small icons"), {},
          QStringLiteral("Displays items using small icons\nSmall icons")),
        C(ID_VIEW_LIST, QStringLiteral("&List"), {},
          QStringLiteral("Display items in a list\nList")),
        C(ID_VIEW_DETAILS, QStringLiteral("&Details"), {},
          QStringLiteral("Displays detailed information for each item\nDetails")),
        C(ID_SORT_NAME, QStringLiteral("&Name\tCtrl+Alt+N"),
          {K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_N)},
          QStringLiteral("Sorts items alphabetically by name\nby Name (Ctrl+Alt+N)")),
        C(ID_SORT_SIZE, QStringLiteral("&Size\tCtrl+Alt+S"),
          {K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_S)},
          QStringLiteral("Sorts items by size, from smallest to largest\nby Size (Ctrl+Alt+S)")),
        C(ID_SORT_DATE, QStringLiteral("&Date\tCtrl+Alt+D"),
          {K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_D)},
          QStringLiteral(
              "Sorts items by active date, from most recent to oldest\nby Date (Ctrl+Alt+D)")),
        C(ID_SORT_TYPE, QStringLiteral("&Type\tCtrl+Alt+T"),
          {K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_T)},
          QStringLiteral("Sorts items by type (extension)\nby Type (Ctrl+Alt+T)")),
        C(ID_SORT_NONE, QStringLiteral("&Unsorted\tCtrl+Alt+U"),
          {K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_U)},
          QStringLiteral("Do not sort items in any way\nUnsorted (Ctrl+Alt+U)")),
        C(ID_SORT_ASCENDING, QStringLiteral("&Ascending\tCtrl+Alt+A"),
          {K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_A)},
          QStringLiteral(
              "Toggles sorting items from \"smallest\" to \"largest\"\nAscending  (Ctrl+Alt+A)")),
        C(ID_SORT_AGAIN, QStringLiteral("Sort a&gain\tCtrl+S"),
          {K(Qt::ControlModifier | Qt::Key_S)},
          QStringLiteral("Repair the sorting arrangement of items\nRe-sort")),
        C(ID_PANE_REFRESH, QStringLiteral("&Refresh\tCtrl+R"),
          {K(Qt::ControlModifier | Qt::Key_R),
           K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_R)},
          QStringLiteral("Refresh pane items (re-read folder; press <Alt> to refresh the inactive "
                         "pane)\nRefresh (Ctrl+R)")),
        C(ID_PANES_SAME_FOLDER, QStringLiteral("Same &folder\tCtrl+I"),
          {K(Qt::ControlModifier | Qt::Key_I),
           K(Qt::ControlModifier | Qt::AltModifier | Qt::Key_I)},
          QStringLiteral("Load the same folder in the inactive pane (press <Alt> for the "
                         "reverse)\nBrowse Identical (Ctrl+I)")),
        C(ID_PANES_EQUAL, QStringLiteral("&Equal panes\tCtrl+E"),
          {K(Qt::ControlModifier | Qt::Key_E)},
          QStringLiteral("Make the width (or height) of the two panes equal")),
        C(ID_PANES_ONE, QStringLiteral("O&ne pane\tCtrl+O"), {K(Qt::ControlModifier | Qt::Key_O)},
          QStringLiteral("Hide the inactive pane, maximise the active one")),
        C(ID_PANES_SWAP, QStringLiteral("S&wap panes\tCtrl+U"),
          {K(Qt::ControlModifier | Qt::Key_U)},
          QStringLiteral("Mutually exchange the contents of the two panes")),
        C(ID_VIEW_OPTIONS, QStringLiteral("&Options..."), {},
          QStringLiteral("Change various program settings\nOptions")),
        C(ID_NEW_FILE, QStringLiteral("New &file\tF7"), {K(Qt::Key_F7)},
          QStringLiteral("Create a new (empty) text file\nNew file (F7)")),
        C(ID_NEW_FOLDER, QStringLiteral("&New folder\tF8"), {K(Qt::Key_F8)},
          QStringLiteral("Create a new folder\nNew folder (F8)")),
        C(ID_TOUCH_DATES, QStringLiteral("&Touch dates"), {},
          QStringLiteral("Set the modification date of selected items to the present time")),
        C(ID_PASTE_HARDLINK, QStringLiteral("Paste &hard link"), {},
          QStringLiteral("Create hard links for the items held in the Clipboard")),
        C(ID_SPLIT_FILE, QStringLiteral("&Split file"), {},
          QStringLiteral("Split the selected file into smaller chunks")),
        C(ID_MERGE_FILES, QStringLiteral("&Merge files"), {},
          QStringLiteral("Combine selected items into a single file (in the order shown in pane)")),
        C(ID_SHRED, QStringLiteral("Shre&d"), {},
          QStringLiteral("Permanently obliterate selected files and folders (careful!)")),
        C(ID_BOOKMARK_FIRST, QStringLiteral("(press Ctrl+Shift+0 to set)"), {},
          QStringLiteral("Goto Bookmark 0; use Ctrl+Shift+0 to set/reset at current folder")),
        C(ID_BOOKMARK_FIRST + 1, QStringLiteral("(press Ctrl+Shift+1 to set)"), {},
          QStringLiteral(
              "Goto Bookmark 1; use Ctrl+Shift+1 to set/reset at current folder\nBookmark")),
        C(ID_BOOKMARK_FIRST + 2, QStringLiteral("(press Ctrl+Shift+2 to set)"), {},
          QStringLiteral("Goto Bookmark 2; use Ctrl+Shift+2 to set/reset at current folder")),
        C(ID_BOOKMARK_FIRST + 3, QStringLiteral("(press Ctrl+Shift+3 to set)"), {},
          QStringLiteral("Goto Bookmark 3; use Ctrl+Shift+3 to set/reset at current folder")),
        C(ID_BOOKMARK_FIRST + 4, QStringLiteral("(press Ctrl+Shift+4 to set)"), {},
          QStringLiteral("Goto Bookmark 4; use Ctrl+Shift+4 to set/reset at current folder")),
        C(ID_BOOKMARK_LAST, QStringLiteral("(press Ctrl+Shift+5 to set)"), {},
          QStringLiteral("Goto Bookmark 5; use Ctrl+Shift+5 to set/reset at current folder")),
        C(ID_BOOKMARK_SET_FREE, QStringLiteral("&Bookmark this folder"), {},
          QStringLiteral("Set the first unset bookmark at the current folder")),
        C(ID_GOTO_PARENT, QStringLiteral("&Parent\tBksp"), {},
          QStringLiteral("Goes to the folder one level up\nParent (Bksp)")),
        C(ID_GOTO_ROOT, QStringLiteral("&Root\tShift+Bksp"), {},
          QStringLiteral("Goes to the root folder of the current volume\nRoot (Shift+Bksp)")),
        C(ID_GOTO_DESKTOP, QStringLiteral("&Desktop\tCtrl+Bksp"), {},
          QStringLiteral("Browse desktop contents\nDesktop (Ctrl+Bksp)")),
        C(ID_GOTO_PREVIOUS, QStringLiteral("Pr&evious\tAlt+ left"),
          {K(Qt::AltModifier | Qt::Key_Left)},
          QStringLiteral("Return to the folder browsed before")),
        C(ID_GOTO_NEXT, QStringLiteral("&Next\tAlt+ right"), {K(Qt::AltModifier | Qt::Key_Right)},
          QStringLiteral("Advance to the next folder in Navigation list")),
        C(ID_GOTO_HOME, QStringLiteral("&Home"), {},
          QStringLiteral("Browse your home folder\nHome")),
        C(ID_GOTO_COMPUTER, QStringLiteral("&Computer"), {},
          QStringLiteral("Browse the volumes of this computer\nComputer")),
        C(ID_GOTO_NETWORK, QStringLiteral("Networ&k\tCtrl+N"), {K(Qt::ControlModifier | Qt::Key_N)},
          QStringLiteral("Browse the network\nNetwork (Ctrl+N)")),
        C(ID_GOTO_DOCUMENTS, QStringLiteral("Docu&ments\t Ctrl+K"),
          {K(Qt::ControlModifier | Qt::Key_K)},
          QStringLiteral("Browse \"Documents\" folder\nDocuments (Ctrl+K)")),
        C(ID_GOTO_CONTROL_PANEL, QStringLiteral("&Settings"), {},
          QStringLiteral("Control various computer settings")),
        C(ID_GOTO_PRINTERS, QStringLiteral("Pr&inters"), {},
          QStringLiteral("Manage printers accessible from this computer")),
        C(ID_GOTO_RECYCLE_BIN, QStringLiteral("&Trash"), {},
          QStringLiteral("Fish for renewable resources <g>")),
        C(ID_GOTO_START_MENU, QStringLiteral("&Applications"), {},
          QStringLiteral("Browse folder containing your Applications settings")),
        C(ID_GOTO_STARTUP, QStringLiteral("A&utostart"), {},
          QStringLiteral("Folder containing programs started automatically whenever you logon")),
        C(ID_FOLDER_DATA, QStringLiteral("Folder &data...\tCtrl+D"),
          {K(Qt::ControlModifier | Qt::Key_D)},
          QStringLiteral("Display statistics about this folder and its sub-folders\nStatistics")),
        C(ID_SELECT_DRIVE, QStringLiteral("&Select Volume...\tAlt+F1"), {},
          QStringLiteral("Select a volume for the active pane\nVolume")),
        C(ID_FIND_FILES, QStringLiteral("&Find files...\tCtrl+F"),
          {K(Qt::ControlModifier | Qt::Key_F)},
          QStringLiteral("Locate a file or folder in a sub-tree\nFind file")),
        C(ID_VIEW_TREEBAR, QStringLiteral("Folder &Tree\tCtrl+T"),
          {K(Qt::ControlModifier | Qt::Key_T)},
          QStringLiteral("Show or hide the tree of all folders\nTree on/off (Ctrl+T)")),
        C(ID_TREE_KEEP_SYNC, QStringLiteral("&Keep tree in sync"), {},
          QStringLiteral("Toggle automatic tree synchronisation with the active folder pane")),
        C(ID_TREE_LOCATE, QStringLiteral("L&ocate in tree\tAlt+T"),
          {K(Qt::AltModifier | Qt::Key_T)},
          QStringLiteral("Locate current folder within the tree hierarchy")),
        C(ID_RUN_COMMAND, QStringLiteral("&Run Command"), {},
          QStringLiteral("Execute any program")),
        C(ID_SHELL_COMMAND, QStringLiteral("Shell &Command\tF10"), {K(Qt::Key_F10)},
          QStringLiteral("Run a command that requires the shell (ls, mv, etc.)")),
        C(ID_RUN_HISTORY, QStringLiteral("Run &History...\tCtrl+F10"),
          {K(Qt::ControlModifier | Qt::Key_F10)},
          QStringLiteral("Select a command from those executed earlier")),
        C(ID_REPEAT_COMMAND, QStringLiteral("R&epeat command\tAlt+F10"),
          {K(Qt::AltModifier | Qt::Key_F10)},
          QStringLiteral("Quick-repeat of last executed command")),
        C(ID_HELP_KEYBOARD, QStringLiteral("&Keyboard commands"), {},
          QStringLiteral("Display a list of \"hidden\" keyboard-only commands")),
        C(ID_HELP_NEWEST, QStringLiteral("&What's new?"), {},
          QStringLiteral("New features introduced in this latest version")),
        C(ID_HELP_FEATURES, QStringLiteral("&Features..."), {},
          QStringLiteral("Display an outline of the program features")),
        C(ID_HELP_FAQ, QStringLiteral("F.A.&Q. ..."), {},
          QStringLiteral("Displays some of the Frequently Asked Questions")),
        C(ID_HELP_LICENCE, QStringLiteral("&Licence agreement"), {},
          QStringLiteral("Terms and conditions you implicitly accept by using Corvane")),

        C(ID_APP_ABOUT, QStringLiteral("&About Corvane..."), {}, QString()),

        // The commander tools.
        C(ID_FILE_MULTI_RENAME, QStringLiteral("M&ulti-rename...\tCtrl+F2"),
          {K(Qt::ControlModifier | Qt::Key_F2)},
          QStringLiteral("Rename the selected items by a mask, with a preview\nMulti-rename "
                         "(Ctrl+F2)")),
        C(ID_FILE_PACK, QStringLiteral("P&ack...\tAlt+F5"), {K(Qt::AltModifier | Qt::Key_F5)},
          QStringLiteral("Pack the selected items into an archive in the opposite panel\nPack "
                         "(Alt+F5)")),
        C(ID_FILE_UNPACK, QStringLiteral("U&npack...\tAlt+F6"), {K(Qt::AltModifier | Qt::Key_F6)},
          QStringLiteral("Unpack the selected archive into the opposite panel\nUnpack (Alt+F6)")),
        C(ID_MARK_SYNC_FOLDERS, QStringLiteral("Synchronize f&olders...\tShift+F9"),
          {K(Qt::ShiftModifier | Qt::Key_F9)},
          QStringLiteral("List the differences of the two folder trees and even them out\n"
                         "Synchronize folders (Shift+F9)")),

        // Keyboard-only commands.
        C(ID_ROOT_CURRENT_TOGGLE, QString(), {K(Qt::ControlModifier | Qt::Key_Q)},
          QStringLiteral("Switch to the current or root folder of target volume (Toggle)\n"
                         "Root/Current (Ctrl+Q)")),
        C(ID_SELECT_SAME_EXT, QString(), {K(Qt::AltModifier | Qt::KeypadModifier | Qt::Key_Plus)},
          QStringLiteral("Select all items with the same extension as the focused one")),
        C(ID_UNSELECT_SAME_EXT, QString(),
          {K(Qt::AltModifier | Qt::KeypadModifier | Qt::Key_Minus)}, QString()),
        C(ID_SELECT_FOLDERS, QString(), {K(Qt::AltModifier | Qt::Key_D)}, QString()),
        C(ID_UNSELECT_FOLDERS, QString(), {K(Qt::AltModifier | Qt::ShiftModifier | Qt::Key_D)},
          QString()),
        C(ID_DRIVE_LEFT, QString(), {K(Qt::AltModifier | Qt::Key_F1)}, QString()),
        C(ID_DRIVE_RIGHT, QString(), {K(Qt::AltModifier | Qt::Key_F2)}, QString()),
        // The keypad's Enter is the same key as Return to the user.
        C(ID_OPEN_ITEM, QString(),
          {K(Qt::Key_Return), K(Qt::AltModifier | Qt::Key_Return),
           K(Qt::KeypadModifier | Qt::Key_Enter),
           K(Qt::AltModifier | Qt::KeypadModifier | Qt::Key_Enter)},
          QString()),
    };
    for (int id = ID_TAB_GOTO_FIRST; id <= ID_TAB_GOTO_LAST; ++id) {
        const int number = id - ID_TAB_GOTO_FIRST + 1;
        table.append(C(id, QString(), {K(Qt::AltModifier | Qt::Key(Qt::Key_0 + number))},
                       QStringLiteral("Show tab %1 of the pane").arg(number)));
    }
    return table;
}

QList<CommandInfo> BuildCommanderTable() {
    QList<CommandInfo> table = CommandTable();
    for (CommandInfo& info : table) {
        switch (info.id) {
            case ID_NEW_FILE:
                info.menuText = QStringLiteral("New &file\tShift+F4");
                info.shortcuts = {K(Qt::ShiftModifier | Qt::Key_F4)};
                break;
            case ID_NEW_FOLDER:
                info.menuText = QStringLiteral("&New folder\tF7");
                info.shortcuts = {K(Qt::Key_F7)};
                break;
            case ID_FILE_DELETE:
                // The handler reads Shift itself: Shift+F8 deletes for good.
                info.menuText = QStringLiteral("&Delete\tF8");
                info.shortcuts = {K(Qt::Key_F8), K(Qt::ShiftModifier | Qt::Key_F8)};
                break;
            default:
                break;
        }
    }
    return table;
}

MenuNode Item(int id) {
    MenuNode node;
    node.kind = MenuNode::Kind::Command;
    node.id = id;
    if (const CommandInfo* info = FindCommandInfo(id))
        node.text = info->menuText;
    return node;
}

MenuNode Item(int id, const QString& text) {
    MenuNode node;
    node.kind = MenuNode::Kind::Command;
    node.id = id;
    node.text = text;
    return node;
}

MenuNode Separator() {
    MenuNode node;
    node.kind = MenuNode::Kind::Separator;
    return node;
}

MenuNode Submenu(const QString& title, QList<MenuNode> items) {
    MenuNode node;
    node.kind = MenuNode::Kind::Submenu;
    node.text = title;
    node.items = std::move(items);
    return node;
}

QList<MenuNode> SortItems() {
    return {Item(ID_SORT_NAME), Item(ID_SORT_SIZE), Item(ID_SORT_DATE),     Item(ID_SORT_TYPE),
            Item(ID_SORT_NONE), Separator(),        Item(ID_SORT_ASCENDING)};
}

QList<MenuNode> ViewStyleItems() {
    return {Item(ID_VIEW_LARGEICON), Item(ID_VIEW_SMALLICON), Item(ID_VIEW_LIST),
            Item(ID_VIEW_DETAILS)};
}

QList<MenuNode> BuildMainMenu() {
    QList<MenuNode> bookmarks;
    for (int id = ID_BOOKMARK_FIRST; id <= ID_BOOKMARK_LAST; ++id) bookmarks.append(Item(id));
    QList<MenuNode> layouts;
    for (int id = ID_LAYOUT_FIRST; id <= ID_LAYOUT_LAST; ++id) layouts.append(Item(id));
    layouts.append(Separator());
    layouts.append(Item(ID_LAYOUT_STORE_FREE));

    bookmarks.append(Separator());
    bookmarks.append(Item(ID_BOOKMARK_SET_FREE));
    bookmarks.append(Separator());
    bookmarks.append(
        Submenu(QStringLiteral("&Go to folder"),
                {Item(ID_GOTO_PARENT), Item(ID_GOTO_ROOT), Item(ID_GOTO_DESKTOP), Separator(),
                 Item(ID_GOTO_PREVIOUS), Item(ID_GOTO_NEXT), Separator(), Item(ID_GOTO_HOME),
                 Item(ID_GOTO_COMPUTER), Item(ID_GOTO_NETWORK), Item(ID_GOTO_DOCUMENTS),
                 Item(ID_GOTO_CONTROL_PANEL), Item(ID_GOTO_PRINTERS), Item(ID_GOTO_RECYCLE_BIN),
                 Item(ID_GOTO_START_MENU), Item(ID_GOTO_STARTUP)}));

    return {
        Submenu(QStringLiteral("&Files"),
                {Item(ID_FILE_VIEW),
                 Item(ID_FILE_EDIT),
                 Item(ID_FILE_PROPERTIES),
                 Separator(),
                 Item(ID_FILE_COPYTO),
                 Item(ID_FILE_MOVETO),
                 Item(ID_FILE_RENAME),
                 Item(ID_FILE_MULTI_RENAME),
                 Item(ID_FILE_DELETE),
                 Separator(),
                 Item(ID_FILE_PACK),
                 Item(ID_FILE_UNPACK),
                 Separator(),
                 Item(ID_FILE_FILTERS),
                 Item(ID_FILE_USE_FILTER),
                 Item(ID_QUICK_FILTER),
                 Item(ID_FILE_FILTER_HISTORY),
                 Separator(),
                 Item(ID_FILE_CONNECT_SERVER),
                 Separator(),
                 Submenu(QStringLiteral("Ta&bs"),
                         {Item(ID_TAB_NEW), Item(ID_TAB_OPEN_FOCUSED), Item(ID_TAB_DUPLICATE),
                          Separator(), Item(ID_TAB_CLOSE), Item(ID_TAB_CLOSE_OTHERS), Separator(),
                          Item(ID_TAB_NEXT), Item(ID_TAB_PREVIOUS), Separator(),
                          Item(ID_TAB_MOVE_TO_OTHER), Item(ID_TAB_LOCK)}),
                 Separator(),
                 Item(ID_APP_EXIT)}),
        Submenu(QStringLiteral("&Mark"),
                {Item(ID_MARK_SELECT_ALL), Item(ID_MARK_UNSELECT_ALL), Item(ID_MARK_STICKY),
                 Separator(), Item(ID_MARK_SELECT_GROUP), Item(ID_MARK_UNSELECT_GROUP),
                 Item(ID_MARK_INVERT), Separator(), Item(ID_MARK_SYNC_PANES),
                 Item(ID_MARK_LOCATE_IDENTICAL), Item(ID_MARK_SYNC_FOLDERS),
                 Submenu(QStringLiteral("A&dvanced"),
                         {Item(ID_MIRROR_BROWSING), Item(ID_SYNC_SCROLLING), Item(ID_SCROLL_TO_TOP),
                          Separator(), Item(ID_MARK_CONTAINING_TEXT), Item(ID_MARK_SYNC_CONTENT),
                          Item(ID_SYNC_TOUCH)}),
                 Submenu(QStringLiteral("Selec&tion"),
                         {Item(ID_SELECTION_STORE), Item(ID_SELECTION_SELECT),
                          Item(ID_SELECTION_UNSELECT)}),
                 Separator(), Item(ID_MARK_GENERATE_BATCH), Item(ID_MARK_PRINT_SELECTION)}),
        Submenu(QStringLiteral("&Edit"),
                {Item(ID_EDIT_NO_UNDO), Separator(), Item(ID_EDIT_CUT), Item(ID_EDIT_COPY),
                 Item(ID_EDIT_PASTE), Item(ID_EDIT_PASTE_LINK), Separator(),
                 Item(ID_EDIT_FIND_TARGET), Item(ID_EDIT_COPY_NAMES), Item(ID_EDIT_COPY_PREVIEW)}),
        Submenu(
            QStringLiteral("&View"),
            {Submenu(QStringLiteral("&Toolbars"),
                     {Item(ID_VIEW_ADDRESSBAR), Item(ID_VIEW_TOOLBAR), Item(ID_VIEW_STATUS_BAR),
                      Item(ID_VIEW_DRIVEBAR), Item(ID_VIEW_THUMBBAR), Item(ID_VIEW_FUNCTION_KEYS)}),
             Item(ID_VIEW_HIDDEN_FILES), Submenu(QStringLiteral("&Layouts"), layouts), Separator(),
             Submenu(QStringLiteral("&Pane style"), ViewStyleItems()),
             Submenu(QStringLiteral("&Sort by"), SortItems()), Item(ID_SORT_AGAIN), Separator(),
             Item(ID_PANE_REFRESH), Item(ID_PANES_SAME_FOLDER), Separator(), Item(ID_PANES_EQUAL),
             Item(ID_PANES_ONE), Item(ID_PANES_SWAP), Separator(), Item(ID_VIEW_OPTIONS)}),
        // Alt+A is "Unselect all": the menu is opened with Alt+I, so the two
        // never meet in one ambiguous key.
        Submenu(QStringLiteral("Act&ions"),
                {Item(ID_NEW_FILE), Item(ID_NEW_FOLDER), Separator(), Item(ID_TOUCH_DATES),
                 Item(ID_PASTE_HARDLINK), Separator(), Item(ID_SPLIT_FILE), Item(ID_MERGE_FILES),
                 Separator(), Item(ID_SHRED)}),
        Submenu(QStringLiteral("&Bookmarks"), bookmarks),
        // Alt+T is "Locate in tree": the menu is opened with Alt+O.
        Submenu(QStringLiteral("T&ools"),
                {Item(ID_FOLDER_DATA), Item(ID_SELECT_DRIVE), Item(ID_FIND_FILES), Separator(),
                 Item(ID_VIEW_TREEBAR), Item(ID_TREE_KEEP_SYNC), Item(ID_TREE_LOCATE), Separator(),
                 Item(ID_RUN_COMMAND), Item(ID_SHELL_COMMAND), Item(ID_RUN_HISTORY),
                 Item(ID_REPEAT_COMMAND)}),
        Submenu(QStringLiteral("&Help"),
                {Item(ID_HELP_KEYBOARD), Item(ID_HELP_NEWEST), Item(ID_HELP_FEATURES),
                 Item(ID_HELP_FAQ), Item(ID_HELP_LICENCE), Separator(), Item(ID_APP_ABOUT)}),
    };
}

const QString kSortByTitle = QStringLiteral("&Sort by");

QList<MenuNode> BuildPopups() {
    QList<MenuNode> findSort = {Item(ID_SORT_FOLDER, QStringLiteral("&Folder"))};
    findSort.append(SortItems());
    return {
        Submenu(QStringLiteral("paneLR"),
                {Item(ID_NEW_FILE, QStringLiteral("New &file\tF7")),
                 Item(ID_NEW_FOLDER, QStringLiteral("&New folder\tF8")), Separator(),
                 Item(ID_EDIT_PASTE, QStringLiteral("&Paste\tCtrl+V")),
                 Item(ID_EDIT_PASTE_LINK, QStringLiteral("Paste &Link")), Separator(),
                 Submenu(kSortByTitle, SortItems()),
                 Submenu(QStringLiteral("&View"), ViewStyleItems())}),
        Submenu(
            QStringLiteral("findRMB"),
            {Submenu(kSortByTitle, findSort), Submenu(QStringLiteral("Vie&w"), ViewStyleItems()),
             Separator(), Item(ID_FIND_BROWSE, QStringLiteral("&Browse\tEnter")),
             Item(ID_FIND_VIEW_FILE, QStringLiteral("&View file\tF3")),
             Item(ID_FIND_SELECT_ALL, QStringLiteral("S&elect All\tCtrl+A")),
             Item(ID_FIND_DELETE, QStringLiteral("&Delete\tDel")),
             Item(ID_FIND_COPY, QStringLiteral("&Copy\tCtrl+C")), Separator(),
             Item(ID_FIND_PRINT_LIST, QStringLiteral("&Print list")),
             Item(ID_FIND_BATCH, QStringLiteral("B&atch file...\tCtrl+B"))}),
        Submenu(QStringLiteral("dirData"),
                {Item(ID_FIND_BROWSE, QStringLiteral("&Browse")), Separator(),
                 Item(ID_SORT_NAME, QStringLiteral("Sort by &Name")),
                 Item(ID_SORT_SIZE, QStringLiteral("Sort by &Size")), Separator(),
                 Item(ID_DIRDATA_PRINT, QStringLiteral("&Print"))}),
        Submenu(QStringLiteral("editor"),
                {Item(ID_EDIT_UNDO, QStringLiteral("&Undo\tCtrl+Z")), Separator(),
                 Item(ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X")),
                 Item(ID_EDIT_COPY, QStringLiteral("&Copy\tCtrl+C")),
                 Item(ID_EDIT_PASTE, QStringLiteral("&Paste\tCtrl+V")), Separator(),
                 Item(ID_EDIT_SELECT_ALL, QStringLiteral("&Select All\tCtrl+A"))}),
    };
}

void CollectIds(const QList<MenuNode>& nodes, QList<int>& ids) {
    for (const MenuNode& node : nodes) {
        if (node.kind == MenuNode::Kind::Command)
            ids.append(node.id);
        else if (node.kind == MenuNode::Kind::Submenu)
            CollectIds(node.items, ids);
    }
}

struct BaseKey {
    const char* text;
    Qt::Key key;
    bool keypad;
};

// The key names the menus show for keys whose Qt name differs.
constexpr BaseKey kBaseKeys[] = {
    {"Grey +", Qt::Key_Plus, true},     {"Grey -", Qt::Key_Minus, true},
    {"Grey *", Qt::Key_Asterisk, true}, {"Bksp", Qt::Key_Backspace, false},
    {"Del", Qt::Key_Delete, false},     {"Return", Qt::Key_Return, false},
    {"Enter", Qt::Key_Enter, true},     {"Left", Qt::Key_Left, false},
    {"Right", Qt::Key_Right, false},
};

}  // namespace

const QList<CommandInfo>& CommandTable() {
    static const QList<CommandInfo> table = BuildTable();
    return table;
}

const QList<CommandInfo>& CommanderCommandTable() {
    static const QList<CommandInfo> table = BuildCommanderTable();
    return table;
}

const QList<CommandInfo>& KeyTable() {
    return General().commanderMode ? CommanderCommandTable() : CommandTable();
}

const CommandInfo* FindCommandInfo(int id) {
    static const QHash<int, qsizetype> index = [] {
        QHash<int, qsizetype> byId;
        const QList<CommandInfo>& table = CommandTable();
        for (qsizetype i = 0; i < table.size(); ++i) byId.insert(table[i].id, i);
        return byId;
    }();
    const auto found = index.constFind(id);
    return found != index.constEnd() ? &CommandTable()[*found] : nullptr;
}

const QList<MenuNode>& MainMenuResource() {
    static const QList<MenuNode> menu = BuildMainMenu();
    return menu;
}

const QList<KeyboardCommand>& KeyboardOnlyCommands() {
    static const QList<KeyboardCommand> commands = {
        {ID_ROOT_CURRENT_TOGGLE,
         QStringLiteral("Switch to the current or root folder of target volume (Toggle)")},
        {ID_SELECT_SAME_EXT,
         QStringLiteral("Select all items with the same extension as the focused one")},
        {ID_UNSELECT_SAME_EXT,
         QStringLiteral("Unselect all items with the same extension as the focused one")},
        {ID_SELECT_FOLDERS, QStringLiteral("Select every folder of the active pane")},
        {ID_UNSELECT_FOLDERS, QStringLiteral("Unselect every folder of the active pane")},
        {ID_DRIVE_LEFT, QStringLiteral("Choose the volume of the left pane")},
        {ID_DRIVE_RIGHT, QStringLiteral("Choose the volume of the right pane")},
        {ID_OPEN_ITEM, QStringLiteral("Open or launch the selected (else the focused) item")},
        {ID_TAB_GOTO_FIRST, QStringLiteral("Show tab 1 of the active pane")},
        {ID_TAB_GOTO_FIRST + 1, QStringLiteral("Show tab 2 of the active pane")},
        {ID_TAB_GOTO_FIRST + 2, QStringLiteral("Show tab 3 of the active pane")},
        {ID_TAB_GOTO_FIRST + 3, QStringLiteral("Show tab 4 of the active pane")},
        {ID_TAB_GOTO_FIRST + 4, QStringLiteral("Show tab 5 of the active pane")},
        {ID_TAB_GOTO_FIRST + 5, QStringLiteral("Show tab 6 of the active pane")},
        {ID_TAB_GOTO_FIRST + 6, QStringLiteral("Show tab 7 of the active pane")},
        {ID_TAB_GOTO_FIRST + 7, QStringLiteral("Show tab 8 of the active pane")},
        {ID_TAB_GOTO_FIRST + 8, QStringLiteral("Show tab 9 of the active pane")},
    };
    return commands;
}

const QStringList& PopupMenuNames() {
    static const QStringList names = {QStringLiteral("paneLR"), QStringLiteral("findRMB"),
                                      QStringLiteral("dirData"), QStringLiteral("editor")};
    return names;
}

const MenuNode* PopupMenuResource(const QString& name) {
    static const QList<MenuNode> popups = BuildPopups();
    for (const MenuNode& popup : popups) {
        if (popup.text == name)
            return &popup;
    }
    return nullptr;
}

QList<int> CommandIdsIn(const QList<MenuNode>& nodes) {
    QList<int> ids;
    CollectIds(nodes, ids);
    return ids;
}

QString ShownKeyText(const QString& menuText) {
    const qsizetype tab = menuText.indexOf(QLatin1Char('\t'));
    return tab >= 0 ? menuText.mid(tab + 1).trimmed() : QString();
}

QKeySequence ParseShownKey(const QString& text) {
    QString rest = text.trimmed();
    Qt::KeyboardModifiers modifiers;
    // "Alt+ left": a blank may follow a modifier's "+".
    for (bool more = true; more;) {
        more = false;
        for (const auto& [name, modifier] :
             {std::pair{QStringLiteral("Ctrl+"), Qt::ControlModifier},
              std::pair{QStringLiteral("Alt+"), Qt::AltModifier},
              std::pair{QStringLiteral("Shift+"), Qt::ShiftModifier}}) {
            if (rest.startsWith(name, Qt::CaseInsensitive)) {
                modifiers |= modifier;
                rest = rest.mid(name.size()).trimmed();
                more = true;
            }
        }
    }
    if (rest.isEmpty())
        return {};
    for (const BaseKey& base : kBaseKeys) {
        if (rest.compare(QLatin1String(base.text), Qt::CaseInsensitive) == 0) {
            const Qt::KeyboardModifiers keypad = base.keypad ? Qt::KeypadModifier : Qt::NoModifier;
            return QKeySequence(QKeyCombination(modifiers | keypad, base.key));
        }
    }
    const QKeySequence plain = QKeySequence::fromString(rest, QKeySequence::PortableText);
    if (plain.count() != 1 || plain[0].keyboardModifiers() != Qt::NoModifier ||
        plain[0].key() == Qt::Key_unknown)
        return {};
    return QKeySequence(QKeyCombination(modifiers, plain[0].key()));
}

QString KeyDisplayText(const QKeySequence& keys) {
    if (keys.isEmpty())
        return {};
    const QKeyCombination combination = keys[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (modifiers & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    const bool keypad = modifiers & Qt::KeypadModifier;
    for (const BaseKey& base : kBaseKeys) {
        if (base.key == combination.key() && base.keypad == keypad)
            return text + QLatin1String(base.text);
    }
    return text + QKeySequence(combination.key()).toString(QKeySequence::PortableText);
}
