#pragma once
// Reading one folder's sub-folders for the folder tree.
//
// ReadTreeFolder() is the job a tree node's expansion (and each refresh of an
// expanded node) runs on a worker thread: it binds the folder from the
// Desktop, lists the folders in it and sorts them with the folder's own
// comparison. Nothing it touches is shared with the main thread: the caller
// gives it a copy of the folder's id list and takes the listing back by a
// posted call.
//
// File-system folders are read with the directory's entry types (d_type):
// a folder of 10,000 sub-folders is listed without a stat per entry. Only
// entries whose type the file system does not report are stat'ed, and files
// that open as folders (archives) are stat'ed so that their ids carry what
// the archive code checks its cache by. Symbolic links are not folders in
// this namespace (the program resolves links itself), so they are left out,
// as the file-system folders' own enumeration leaves them out of folders.
// The ids of plain directories carry the directory mode and no size or
// times: the tree never shows them, and every consumer of those ids (binding,
// data objects, names, comparison) goes by the names.
//
// Other folders (the Desktop, Computer, the trash, an archive) are read
// through their ordinary enumeration of folders.
//
// Thread-safe: every call makes its own folder objects.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/namespace/IdList.h"

/// One sub-folder as the tree shows it.
struct TreeEntry {
    IdList id;                     // relative to the folder read, one item
    QByteArray key;                // TreeItemKey(id): what identifies it among its siblings
    QString displayName;           // SHGDN_INFOLDER, for display
    std::uint32_t attributes = 0;  // SFGAO_ bits the folder gives
};

/// What one read of a folder gave.
struct TreeListing {
    bool ok = false;                 // the folder could be bound and enumerated
    bool fileSystem = false;         // a file-system folder (watched when expanded)
    bool removable = false;          // on a removable volume (slower watch settle)
    QString path;                    // the parsing name of a file-system folder
    std::vector<TreeEntry> entries;  // sorted as the folder orders its items
};

/// Reads the folders in the folder `absolute` names (the empty list is the
/// Desktop); hidden ones (names starting with ".") only with `showHidden`.
/// `ok` false when it cannot be bound or read.
TreeListing ReadTreeFolder(const IdList& absolute, bool showHidden);

/// What identifies an item among its siblings, whatever else its id carries
/// (find data that may be stale, or none): a file-system item, an archive
/// entry or a trash entry by its name, a volume by its mount point, anything
/// else by its whole payload. Two ids with the same key name the same
/// place, so the tree can find a pane's folder among its nodes and match a
/// re-read against the nodes it has.
QByteArray TreeItemKey(std::span<const std::uint8_t> payload);
