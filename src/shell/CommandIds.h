#pragma once
// Command and private event numbers. Every command keeps its number: menus,
// accelerators, toolbars, stored layouts and tests refer to commands by it.

// Private events (posted QEvent types).
inline constexpr int WM_FOLDER_CHANGED = 32769;      // a watch saw its folder settle
inline constexpr int WM_RESTORE_ROW_TEXT = 32770;    // restore a row's text after rename
inline constexpr int WM_THUMBNAIL_READY = 32773;     // a thumbnail image is ready
inline constexpr int WM_RESTORE_STICKY_SEL = 32774;  // restore the sticky selection

// Pane.
inline constexpr int ID_PANE_REFRESH = 32771;

// Sorting.
inline constexpr int ID_SORT_NONE = 32776;
inline constexpr int ID_SORT_NAME = 32777;
inline constexpr int ID_SORT_TYPE = 32778;
inline constexpr int ID_SORT_SIZE = 32779;
inline constexpr int ID_SORT_DATE = 32780;
inline constexpr int ID_SORT_FOLDER = 32781;  // container folder (find results)
inline constexpr int ID_SORT_ASCENDING = 32890;

// View styles.
inline constexpr int ID_VIEW_SMALLICON = 59408;
inline constexpr int ID_VIEW_LARGEICON = 59409;
inline constexpr int ID_VIEW_LIST = 59410;
inline constexpr int ID_VIEW_DETAILS = 59411;

// Pane pair and bars.
inline constexpr int ID_PANES_EQUAL = 32855;
inline constexpr int ID_PANES_ONE = 32856;
inline constexpr int ID_PANES_SAME_FOLDER = 32909;
inline constexpr int ID_PANES_SWAP = 32942;
inline constexpr int ID_VIEW_TOOLBAR = 32814;
inline constexpr int ID_VIEW_DRIVEBAR = 32815;
inline constexpr int ID_VIEW_TREEBAR = 32816;
inline constexpr int ID_VIEW_THUMBBAR = 32817;
inline constexpr int ID_VIEW_ADDRESSBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_VIEW_FUNCTION_KEYS = 33220;
inline constexpr int ID_VIEW_HIDDEN_FILES = 33221;  // Ctrl+.
inline constexpr int ID_QUICK_FILTER = 33222;       // Ctrl+/: the pane's filter, typed live

// Status bar indicators.
inline constexpr int ID_INDICATOR_SELECTION = 59142;
inline constexpr int ID_INDICATOR_FREESPACE = 59143;

// Application.
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;

// ---------------------------------------------------------------------------
// Main menu commands. Consecutive ranges are handled by one range handler;
// their FIRST/LAST names bound the range.

// Files.
inline constexpr int ID_FILE_DELETE = 32793;  // the pane's list handles Del itself
inline constexpr int ID_FILE_COPYTO = 32797;  // Ctrl held: copy without the dialog
inline constexpr int ID_FILE_MOVETO = 32798;  // Ctrl held: move without the dialog
inline constexpr int ID_FILE_VIEW = 32802;
inline constexpr int ID_FILE_EDIT = 32803;
inline constexpr int ID_FILE_RENAME = 32824;
inline constexpr int ID_FILE_PROPERTIES = 32825;
inline constexpr int ID_FILE_FILTERS = 32842;
inline constexpr int ID_FILE_FILTER_HISTORY = 32941;
inline constexpr int ID_FILE_USE_FILTER = 32970;  // Alt held: the inactive pane
// Folders on other machines (GVfs).
inline constexpr int ID_FILE_CONNECT_SERVER = 33140;

// Mark.
inline constexpr int ID_MARK_SELECT_GROUP = 32806;    // Ctrl held: no dialog
inline constexpr int ID_MARK_UNSELECT_GROUP = 32807;  // Ctrl held: no dialog
inline constexpr int ID_MARK_SELECT_ALL = 32808;
inline constexpr int ID_MARK_INVERT = 32809;
inline constexpr int ID_MARK_SYNC_PANES = 32810;
inline constexpr int ID_MARK_LOCATE_IDENTICAL = 32811;
inline constexpr int ID_MARK_GENERATE_BATCH = 32823;
inline constexpr int ID_MARK_CONTAINING_TEXT = 32840;
inline constexpr int ID_MIRROR_BROWSING = 32876;
inline constexpr int ID_SYNC_SCROLLING = 32877;
inline constexpr int ID_SCROLL_TO_TOP = 32878;
inline constexpr int ID_MARK_SYNC_CONTENT = 32899;
inline constexpr int ID_SELECTION_STORE = 32912;
inline constexpr int ID_SELECTION_SELECT = 32913;
inline constexpr int ID_SELECTION_UNSELECT = 32914;
inline constexpr int ID_MARK_PRINT_SELECTION = 32975;
inline constexpr int ID_SYNC_TOUCH = 32985;
inline constexpr int ID_MARK_UNSELECT_ALL = 32989;
inline constexpr int ID_MARK_STICKY = 32990;

// Edit (the clipboard commands keep their conventional numbers).
inline constexpr int ID_EDIT_NO_UNDO = 32841;  // the file manager has no undo
inline constexpr int ID_EDIT_FIND_TARGET = 32974;
inline constexpr int ID_EDIT_COPY_NAMES = 32986;  // Alt+Shift+C: shell-quoted paths
inline constexpr int ID_EDIT_COPY_PREVIEW = 32988;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_PASTE_LINK = 57638;  // "Paste Shortcut" / "Paste Link"
inline constexpr int ID_EDIT_SELECT_ALL = 57642;  // editor text menu
inline constexpr int ID_EDIT_UNDO = 57643;        // editor text menu

// View.
inline constexpr int ID_VIEW_OPTIONS = 32812;
inline constexpr int ID_SORT_AGAIN = 32838;
inline constexpr int ID_SORT_FIRST = ID_SORT_NONE;  // 32776..32781
inline constexpr int ID_SORT_LAST = ID_SORT_FOLDER;
inline constexpr int ID_VIEW_STYLE_FIRST = ID_VIEW_SMALLICON;  // 59408..59411
inline constexpr int ID_VIEW_STYLE_LAST = ID_VIEW_DETAILS;
inline constexpr int ID_LAYOUT_FIRST = 32957;       // layout 1
inline constexpr int ID_LAYOUT_LAST = 32959;        // layout 3
inline constexpr int ID_LAYOUT_STORE_FREE = 33121;  // store in the first empty slot

// Actions.
inline constexpr int ID_NEW_FILE = 32804;
inline constexpr int ID_NEW_FOLDER = 32805;
inline constexpr int ID_SHRED = 32981;
inline constexpr int ID_TOUCH_DATES = 32984;
inline constexpr int ID_PASTE_HARDLINK = 32991;
inline constexpr int ID_SPLIT_FILE = 32992;
inline constexpr int ID_MERGE_FILES = 32993;

// Bookmarks and "Go to folder".
inline constexpr int ID_BOOKMARK_FIRST = 32943;     // bookmark slot 0
inline constexpr int ID_BOOKMARK_LAST = 32948;      // bookmark slot 5
inline constexpr int ID_BOOKMARK_SET_FREE = 33120;  // set the first empty slot
inline constexpr int ID_GOTO_PARENT = 32846;        // the pane's list handles Bksp
inline constexpr int ID_GOTO_ROOT = 32847;          // Shift+Bksp, handled by the list
inline constexpr int ID_GOTO_DESKTOP = 32848;       // Ctrl+Bksp, handled by the list
inline constexpr int ID_GOTO_PREVIOUS = 32874;
inline constexpr int ID_GOTO_NEXT = 32875;
inline constexpr int ID_GOTO_NETWORK = 32930;
inline constexpr int ID_GOTO_DOCUMENTS = 32931;
inline constexpr int ID_GOTO_CONTROL_PANEL = 32932;
inline constexpr int ID_GOTO_PRINTERS = 32933;
inline constexpr int ID_GOTO_RECYCLE_BIN = 32934;
inline constexpr int ID_GOTO_START_MENU = 32935;
inline constexpr int ID_GOTO_STARTUP = 32936;
// Not in the original table: Linux users expect home and Computer beside the
// other places.
inline constexpr int ID_GOTO_HOME = 32950;
inline constexpr int ID_GOTO_COMPUTER = 32951;

// Tools.
inline constexpr int ID_FIND_FILES = 32818;
inline constexpr int ID_FOLDER_DATA = 32826;
inline constexpr int ID_SELECT_DRIVE = 32835;
inline constexpr int ID_RUN_COMMAND = 32938;
inline constexpr int ID_SHELL_COMMAND = 32939;  // run through the command interpreter
inline constexpr int ID_RUN_HISTORY = 32940;
inline constexpr int ID_TREE_KEEP_SYNC = 32972;
inline constexpr int ID_TREE_LOCATE = 32973;
inline constexpr int ID_REPEAT_COMMAND = 32979;

// Help: one range handler; the offset from ID_HELP_FIRST picks the file.
inline constexpr int ID_HELP_FEATURES = 32862;
inline constexpr int ID_HELP_NEWEST = 32863;
inline constexpr int ID_HELP_KEYBOARD = 32864;
inline constexpr int ID_HELP_FAQ = 32865;
inline constexpr int ID_HELP_LICENCE = 32866;
inline constexpr int ID_HELP_FIRST = ID_HELP_FEATURES;
inline constexpr int ID_HELP_LAST = ID_HELP_LICENCE;

// Keyboard-only commands (accelerators without a menu item).
inline constexpr int ID_ROOT_CURRENT_TOGGLE = 32770;  // Ctrl+Q
inline constexpr int ID_DRIVE_LEFT = 32836;           // Alt+F1
inline constexpr int ID_DRIVE_RIGHT = 32837;          // Alt+F2
inline constexpr int ID_SELECT_SAME_EXT = 32900;      // Alt+Grey+
inline constexpr int ID_UNSELECT_SAME_EXT = 32901;    // Alt+Grey-
inline constexpr int ID_SELECT_FOLDERS = 32982;       // Alt+D
inline constexpr int ID_UNSELECT_FOLDERS = 32983;     // Alt+Shift+D
inline constexpr int ID_OPEN_ITEM = 32994;            // Return, Alt+Return

// Internal command: carries an absolute id list for the target to open; also
// "go" from the address bar edit.
inline constexpr int ID_INTERNAL_GO = 32794;

// Popup menu commands (find results and folder statistics windows).
inline constexpr int ID_FIND_BROWSE = 32852;  // also "Browse" in folder statistics
inline constexpr int ID_FIND_DELETE = 32853;
inline constexpr int ID_FIND_VIEW_FILE = 32854;
inline constexpr int ID_DIRDATA_PRINT = 32976;
inline constexpr int ID_FIND_COPY = 32978;
inline constexpr int ID_FIND_PRINT_LIST = 32980;
inline constexpr int ID_FIND_BATCH = 32987;
inline constexpr int ID_FIND_SELECT_ALL = 32999;

// Commander tools: renaming many items at once, making and unpacking
// archives, synchronizing two folder trees.
inline constexpr int ID_FILE_MULTI_RENAME = 33160;  // Ctrl+F2
inline constexpr int ID_FILE_PACK = 33161;          // Alt+F5
inline constexpr int ID_FILE_UNPACK = 33162;        // Alt+F6
inline constexpr int ID_MARK_SYNC_FOLDERS = 33163;  // Shift+F9

// Tabs in each pane: every tab is a pane view of its own (folder, history,
// selection, sort, view, filter); the commands act on the active pane's tabs.
inline constexpr int ID_TAB_NEW = 33300;            // Alt+N: a new tab on the current folder
inline constexpr int ID_TAB_OPEN_FOCUSED = 33301;   // Ctrl+Return: the focused folder in a new tab
inline constexpr int ID_TAB_DUPLICATE = 33302;      // the tab with its history, filter and view
inline constexpr int ID_TAB_CLOSE = 33303;          // Ctrl+W
inline constexpr int ID_TAB_CLOSE_OTHERS = 33304;   // every tab of the pane but the current one
inline constexpr int ID_TAB_NEXT = 33305;           // Ctrl+Tab (read by the pane's list)
inline constexpr int ID_TAB_PREVIOUS = 33306;       // Ctrl+Shift+Tab (read by the pane's list)
inline constexpr int ID_TAB_MOVE_TO_OTHER = 33307;  // the tab goes to the other pane
inline constexpr int ID_TAB_LOCK = 33308;           // a locked tab opens folders in new tabs
inline constexpr int ID_TAB_GOTO_FIRST = 33310;     // Alt+1 .. Alt+9: tab 1 .. 9
inline constexpr int ID_TAB_GOTO_LAST = 33318;
