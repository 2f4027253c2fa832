#pragma once
// TabSettings: a pane's tabs as the store keeps them, and the rule that
// brings a tab back when its folder has gone.
//
// A tab set lives in a settings section under keys that carry an optional
// prefix (empty in a pane's own section, "Left" or "Right" in a stored
// layout's section):
//
//   "n<p>Tabs"               count of tabs, 1..kMaxTabs
//   "n<p>CurrentTab"         the shown tab, 1-based
//   "sz<p>TabFolder<i>"      the tab's folder (a path, an address such as
//                            sftp://host/path, or a virtual folder's name)
//   "b<p>TabLocked<i>"       1 for a locked tab
//   "sz<p>TabFilter<i>"      the tab's visual filter ("*": none)
//   "n<p>TabViewStyle<i>"    a view-style command, ID_VIEW_SMALLICON..ID_VIEW_DETAILS
//   "n<p>TabSortBy<i>"       a sort command, ID_SORT_NONE..ID_SORT_FOLDER
//   "b<p>TabSortAscending<i>"
//
// Guarantees:
// - Reading never fails and never touches another key: a count that is
//   missing, not a number or out of range gives no tab set (nullopt); a tab
//   without a folder is left out; a current tab out of range is the first;
//   a view style, sort key or filter out of range reads as "none given"
//   (the pane keeps its own). So a damaged value loses at most that value.
// - Writing a set of n tabs writes exactly the keys of tabs 1..n and the
//   two counts; keys of tabs beyond n that a larger set wrote earlier stay
//   but are never read.
//
// Pure functions over a ProfileStore; any thread that owns the store.

#include <QString>
#include <optional>
#include <vector>

class ProfileStore;

/// The most tabs a pane keeps in the store.
inline constexpr int kMaxTabs = 64;

/// One tab as stored.
struct TabRecord {
    QString folder;
    bool locked = false;
    /// Empty: not given.
    QString filter;
    /// 0: not given.
    int viewStyle = 0;
    int sortBy = 0;
    bool ascending = true;
    friend bool operator==(const TabRecord&, const TabRecord&) = default;
};

/// A pane's tabs, left to right, and which one is shown (0-based).
struct TabSetRecord {
    std::vector<TabRecord> tabs;
    int current = 0;
    friend bool operator==(const TabSetRecord&, const TabSetRecord&) = default;
};

/// The tab set stored in `section` under `prefix`; nullopt when none is
/// stored or its count is damaged, or every tab lacks a folder.
std::optional<TabSetRecord> ReadTabSet(const ProfileStore& store, const QString& section,
                                       const QString& prefix = QString());

/// Writes `tabs` (at most kMaxTabs of them) into `section` under `prefix`.
void WriteTabSet(ProfileStore& store, const QString& section, const TabSetRecord& tabs,
                 const QString& prefix = QString());

/// For an absolute file-system path: the path itself when it is a folder,
/// else the nearest of its parents that is one ("/" at worst). Any other
/// text (an address, a virtual folder's name) comes back unchanged.
/// Blocks on the file system: call it for local paths only.
QString NearestExistingFolder(const QString& path);
