#pragma once
// Removing a folder with everything in it, safely: the one recursive
// remover of the program (emptying the trash, deleting from it, clearing
// leftover temporary folders).
//
// Guarantees: a symbolic link is removed, never followed; a folder is read
// through a descriptor opened without following links and checked to be the
// entry that was looked at, so an entry swapped for a link meanwhile is not
// entered; nothing on another file system is touched (a mount point below
// is left, with EBUSY); a folder of ours that we may not write is made
// writable first so it can be emptied. Cost: one fstatat per entry, one open
// and one directory read per folder; the depth of recursion is the depth of
// the tree (bounded by `maxDepth`).

#include <sys/types.h>

#include <QByteArray>
#include <climits>
#include <optional>

struct RemoveTreeOptions {
    /// Only entries this user owns are removed; the others (and the folders
    /// that hold them) are left, which is not a failure.
    std::optional<uid_t> ownerOnly;
    /// Folders deeper than this below the starting entry are left (0: only
    /// the entry itself when it is not a folder, or an empty folder).
    int maxDepth = INT_MAX;
    /// When given, counts the entries removed.
    int* removed = nullptr;
};

/// Removes the entry `name` of the folder open at `parentFd` and, for a
/// folder, everything in it. True when the entry is gone (also when it was
/// not there); false with errno of the first failure otherwise, and what
/// could be removed is removed.
bool RemoveTreeAt(int parentFd, const QByteArray& name, const RemoveTreeOptions& options = {});

/// RemoveTreeAt for a path ("." and ".." and paths ending in them are
/// refused with EINVAL).
bool RemoveTree(const QByteArray& path, const RemoveTreeOptions& options = {});
