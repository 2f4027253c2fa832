#pragma once
// What a pane says about itself in the main window's status bar: the
// selection summary (indicator ID_INDICATOR_SELECTION) and the free space of its volume
// (indicator ID_INDICATOR_FREESPACE). The frame asks the active pane for both whenever it
// updates its indicators (CPanexView::OnUpdateCommand gives the text); the
// texts are made here.
//
// Main thread only.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class CPanexView;
class FolderItem;

/// The selection summary of `pane`, by the number n of selected rows:
/// - n >= 2: "n objects selected, <size> [bytes ]in total" with the sum of
///   the selected items' sizes ("bytes " only with "bPlainBytesFormat");
/// - n = 1: the selected row's description labelled "Selected";
/// - n = 0 under sticky selection with rows: the focused row's description
///   labelled "Focused" (nullopt, the indicator left as it was, when no row
///   has the focus);
/// - otherwise "Empty folder" without rows, else "n Object[s], <total>
///   [bytes ]in total" with the pane's listed total.
/// Cost: O(1) while the selection is unchanged (PaneListCtrl::SelectedTotals).
std::optional<QString> SelectionSummary(CPanexView& pane);

/// "<label> object: " and what the row is: in a virtual folder "Special
/// folder" (folder-like) or "Shell extension"; elsewhere "Folder" or
/// "Shortcut, " (a link), then unless it is a folder of size 0 the size text
/// (after ", " for a folder; " bytes" with "bPlainBytesFormat"), then
/// ", Modified " / ", Created " / ", Accessed " (as "eFileDateUzed" says)
/// and the row's date text.
QString RowDescription(CPanexView& pane, FolderItem& item, const QString& label);

/// The space free to this user on the volume holding `path` (statvfs:
/// available blocks times fragment size) in units (FormatSizeUnits,
/// whatever "bPlainBytesFormat" says); "???" when it can't be had.
QString FreeSpaceText(const QString& path);

/// Milliseconds of a monotonic clock: the "tick count" the free-space
/// interval is measured with. Tests may replace it (nullptr restores the
/// real clock).
std::int64_t StatusTickCount();
void SetStatusTickSource(std::function<std::int64_t()> source);

/// One pane's free-space indicator: renewed at most once per interval, and
/// at once after Reset() (the pane read or refreshed its folder, or became
/// active).
class FreeSpaceIndicator {
public:
    void Reset() { m_lastUpdate.reset(); }
    /// The new text ("<free> free", or empty when the pane does not show a
    /// file-system folder) when more than `intervalMs` has passed since the
    /// last text or after Reset(); else nullopt (leave the indicator as it
    /// is). `fileSystemPath` is empty for other folders.
    std::optional<QString> Update(const QString& fileSystemPath, int intervalMs);
    std::optional<std::int64_t> LastUpdate() const { return m_lastUpdate; }

private:
    std::optional<std::int64_t> m_lastUpdate;
};
