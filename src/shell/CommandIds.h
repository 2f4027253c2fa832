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
inline constexpr int ID_SUGGEST_EXTENSIONS = 32796;

// Status bar indicators.
inline constexpr int ID_INDICATOR_SELECTION = 59142;
inline constexpr int ID_INDICATOR_FREESPACE = 59143;

// Application.
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
