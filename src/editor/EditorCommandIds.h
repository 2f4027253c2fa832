#pragma once
// The editor window's commands. The editor has a command manager of its own,
// so its numbers only need to be unique within the editor; several of them
// are the same numbers as main-window commands with other meanings, as the
// two windows' resources always had them.

#include "shell/CommandIds.h"

// File
inline constexpr int ID_EDITOR_SAVE = ID_FILE_SAVE;  // 57603
inline constexpr int ID_EDITOR_SAVE_AS = 57604;
inline constexpr int ID_EDITOR_PAGE_SETUP = 57605;
inline constexpr int ID_EDITOR_PRINT = 57608;
inline constexpr int ID_EDITOR_REFRESH = 32799;
inline constexpr int ID_EDITOR_INSERT_FILE = 32857;
inline constexpr int ID_EDITOR_EXIT = ID_APP_EXIT;  // 57665

// Edit
inline constexpr int ID_EDITOR_UNDO = ID_EDIT_UNDO;  // 57643
inline constexpr int ID_EDITOR_CUT = ID_EDIT_CUT;
inline constexpr int ID_EDITOR_COPY = ID_EDIT_COPY;
inline constexpr int ID_EDITOR_PASTE = ID_EDIT_PASTE;
inline constexpr int ID_EDITOR_SELECT_ALL = ID_EDIT_SELECT_ALL;
inline constexpr int ID_EDITOR_DELETE_LINE = 32833;
inline constexpr int ID_EDITOR_DATE_TIME = 32861;
inline constexpr int ID_EDITOR_INDENT = 32859;
inline constexpr int ID_EDITOR_OUTDENT = 32860;
inline constexpr int ID_EDITOR_OVERWRITE = 32830;
inline constexpr int ID_EDITOR_AUTO_INDENT = 32773;

// Search
inline constexpr int ID_EDITOR_FIND = 57636;
inline constexpr int ID_EDITOR_REPEAT_FIND = 57640;
inline constexpr int ID_EDITOR_FIND_SELECTION = 32858;
inline constexpr int ID_EDITOR_REPLACE = 57641;
inline constexpr int ID_EDITOR_MATCH_BRACE = 32832;
inline constexpr int ID_EDITOR_GOTO_LINE = 32834;
inline constexpr int ID_EDITOR_SET_BOOKMARK = 32800;
inline constexpr int ID_EDITOR_GOTO_BOOKMARK = 32801;

// AutoText: slot k is ID_AUTOTEXT_FIRST + k.
inline constexpr int ID_AUTOTEXT_FIRST = 32782;
inline constexpr int ID_AUTOTEXT_LAST = 32791;
inline constexpr int ID_AUTOTEXT_DEFINE = 32813;
inline constexpr int ID_AUTOTEXT_MNEMONICS = 32792;

// View
inline constexpr int ID_EDITOR_HEX = 32829;
inline constexpr int ID_EDITOR_WORD_WRAP = 32831;
inline constexpr int ID_EDITOR_TAB_WIDTH = 32774;
inline constexpr int ID_EDITOR_FONT = 32769;
inline constexpr int ID_EDITOR_COLORS = 32775;
inline constexpr int ID_EDITOR_TOOLBAR = 59392;
inline constexpr int ID_EDITOR_STATUS_BAR = ID_VIEW_STATUS_BAR;  // 59393
