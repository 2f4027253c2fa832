#pragma once
// The selection commands of a folder pane: selection by pattern, by the
// focused item's extension, all, none, invert, folders, and the one-slot
// selection clipboard that remembers names and applies them again in either
// pane. CPaneTools runs them on the active pane.
//
// Every function changes the selection as one change of the list
// (PaneListCtrl::SetSelectedRows), redrawing suspended, so sticky selection
// and the status line see one change instead of one per row. Items are
// visited in list order. Folder items are those with SFGAO_FOLDER.
//
// The options are the general settings "bSelectAddOnTop" and
// "bSelectIncFolders" and the run's "within current selection only" flag.
// Main thread only.

#include <QString>
#include <QStringList>

class CPanexView;
class HistoryList;
class ProfileStore;

namespace SelectionTexts {
inline const QString kPatternInvalid = QStringLiteral("The specified pattern is invalid");
inline const QString kNoMatch = QStringLiteral("No items match the specified pattern");
inline const QString kNoExtension = QStringLiteral("The focused item has no extension");
inline const QString kNoStored = QStringLiteral("No matching items in the selection clipboard");
inline const QString kStored = QStringLiteral("Current selection stored");
}  // namespace SelectionTexts

/// "Selection Pattern History": the patterns typed, newest first; the
/// newest is the pattern the select and unselect operations apply.
inline const QString kSelectionPatternHistorySection = QStringLiteral("Selection Pattern History");
HistoryList& SelectionPatternHistory();
/// Loads the history ("nHistoryItems" entries); an empty one gets "*.*".
void LoadSelectionPatternHistory(const ProfileStore& store);
void SaveSelectionPatternHistory(ProfileStore& store);

/// "Within current selection only": run-wide, initially off, not saved.
bool WithinSelectionOnly();
void SetWithinSelectionOnly(bool on);

/// The selection clipboard: names only, in the order stored; shared by both
/// panes for the run.
QStringList& SelectionClipboard();

/// Applies the newest history entry as a pattern list: selects (`select`)
/// or unselects the matching items. Notices: "The specified pattern is
/// invalid" when it does not parse, "No items match the specified pattern"
/// when the pane lists nothing or nothing matched; else the first matched
/// item gets the focus and is brought into view. True when something
/// matched.
bool ApplySelectionPattern(CPanexView& pane, bool select);

/// Adds "*" and the focused item's extension (the text after its last ".")
/// to the history and applies it. Without an extension: the notice "The
/// focused item has no extension" and false.
bool SelectSameExtension(CPanexView& pane, bool select);

/// Selects every item, folders included / clears the selection.
void SelectAllItems(CPanexView& pane);
void UnselectAllItems(CPanexView& pane);
/// Toggles every item's selection; folders only with "bSelectIncFolders".
void InvertSelection(CPanexView& pane);
/// Sets (`select`) or clears the selection of every folder item; the others
/// keep theirs.
void SelectFolderItems(CPanexView& pane, bool select);

/// Fills the selection clipboard with the names of the selected items and
/// shows "Current selection stored".
void StoreSelection(CPanexView& pane);
/// Selects (`select`, after clearing the selection unless
/// "bSelectAddOnTop") or unselects the listed items named exactly as a
/// stored name; a selected one gets the focus (the last found keeps it).
/// None found: "No matching items in the selection clipboard" and false.
bool ApplyStoredSelection(CPanexView& pane, bool select);
