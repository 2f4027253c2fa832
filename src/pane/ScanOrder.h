#pragma once
// ScanOrder: the order of an unsorted pane for a folder object that stands
// in for a directory without reading it (its enumeration may list entries
// in any order): the entries the directory lists, in the directory's order,
// followed by the entries it does not list.
//
// The directory is read once, names and types only (DirectoryStream); a
// stat is made only where the file system gives no type. Which entries take
// part follows the enumeration flags: folders with SHCONTF_FOLDERS,
// everything else (symbolic links included, as enumeration lists them) with
// SHCONTF_NONFOLDERS. A directory that cannot be read leaves the list as it
// is. Cost: linear in the entries when both sides agree on the order, and
// linear overall otherwise (NameRange).

#include <QString>
#include <cstdint>
#include <functional>

#include "pane/NameRange.h"

/// Calls `met` with the name of each entry of the directory at `path` that
/// `enumFlags` (SHCONTF_ bits) select, in the directory's order, until it
/// returns false.
void ForEachScannedName(const QString& path, std::uint32_t enumFlags,
                        const std::function<bool(const QString& name)>& met);

/// Puts `list` (a std::list of anything with a `name`) into the scan order
/// of the directory at `path`.
template <typename List>
void ScanOrder(const QString& path, std::uint32_t enumFlags, List& list) {
    NameRange range(list, list.begin());
    ForEachScannedName(path, enumFlags, [&](const QString& name) {
        const auto it = range.Find(name);
        if (it == list.end())
            return true;
        range.Take(it);
        list.splice(range.Start(), list, it);
        return range.Start() != list.end();
    });
}
