#pragma once
// CompareItems: the order of the rows of a folder pane. PaneListCtrl uses it
// unless its owner supplies another comparison (the find-results window
// does, for its container-folder key, and falls back to this one).

#include <cstdint>
#include <vector>

class FolderItem;

/// The top bit of a sort parameter: set for ascending order.
inline constexpr std::uint32_t kSortAscendingBit = 0x80000000u;

/// The sort parameter for `sortKey` (an ID_SORT_ command) and a direction.
constexpr std::uint32_t SortParameter(int sortKey, bool ascending) {
    return std::uint32_t(sortKey) | (ascending ? kSortAscendingBit : 0u);
}

/// Orders two items of one folder: negative when `a` sorts first, 0 when
/// they tie. `parameter` is a sort key command (ID_SORT_NAME, _TYPE, _SIZE,
/// _DATE) with kSortAscendingBit set for ascending order.
/// 1. In a virtual folder the folder decides: the low 16 bits, as a signed
///    number, of its CompareIDs with column 0; key and direction play no
///    part.
/// 2. An item with SFGAO_FOLDER counts as a folder; under the size and date
///    keys only while its size is 0 (a folder whose size was made known sorts
///    among the files).
/// 3. A folder sorts before a non-folder, without looking at the key.
/// 4. Otherwise by the key, always on `name` (never `displayName`): name
///    case-blind per character (Unicode case folding); type as the text
///    after the last "." (empty without a dot) case-blind with the locale's
///    collation; size smaller first; date (the general setting
///    "eFileDateUzed") more recent first. Any other key compares equal.
/// 5. Ties under any key but name are broken by name.
/// 6. Descending negates the result: the whole order reverses, folders last.
/// Two names that differ only in case tie: a stable sort keeps their order.
/// Cost: no allocation for the name, size and date keys; the type key folds
/// and collates only extensions that differ.
int CompareItems(FolderItem* a, FolderItem* b, std::uint32_t parameter);

/// Sorts `items` into the order of a stable sort by CompareItems under
/// `parameter`: the same order, items that compare equal kept as they were.
/// Each item's keys are computed once (the folder test, the case-folded
/// name, the rank of its extension among the folded extensions present, the
/// size or the date), so a comparison costs no search, no folding and no
/// allocation; the locale's collation is asked only to order the distinct
/// extensions. Items of a virtual folder are sorted by CompareItems itself
/// (their folder's order). Cost: O(n) to make the keys, then
/// O(n log n) comparisons of them.
void SortItems(std::vector<FolderItem*>& items, std::uint32_t parameter);
